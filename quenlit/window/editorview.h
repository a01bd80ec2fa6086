#pragma once

#include "listing/listrows.h"

#include <QString>

#include <cstddef>
#include <optional>

class QAbstractItemView;
class QLineEdit;

namespace quenlit {

class TokenListModel;

// What the parts of the editor (the translator's flow, the checks, the
// preview) ask of the window's token list and editing pane. The window
// implements it; the parts never see the window itself.
class EditorView
{
public:
    // Text typed in the translation box and not stored yet, and the row it is for.
    struct PaneDraft
    {
        std::size_t row = 0;
        QString text;
    };

    virtual TokenListModel &listModel() const = 0;
    virtual QAbstractItemView *listView() const = 0;
    // The list shows these rows, as a rebuild does (the pane is emptied).
    virtual void showListRows(SharedListRows rows) = 0;
    virtual std::optional<std::size_t> selectedListItem() const = 0;
    // Selects an item as a click does: the pane loads, with its Translated handling.
    virtual void selectListItem(std::size_t item) = 0;
    // Selects an item and shows its token without rewriting its status.
    virtual void showListItem(std::size_t item) = 0;
    // Commits an in-place edit in progress.
    virtual void finishEditing() = 0;

    // The table row whose token the pane shows, 0 for none.
    virtual std::size_t paneRow() const = 0;
    virtual void clearPane() = 0;
    virtual std::optional<PaneDraft> paneDraft() const = 0;
    // Puts a draft back in the box when the pane shows its row again.
    virtual void restorePaneDraft(const PaneDraft &draft) = 0;
    virtual QLineEdit *translationBox() const = 0;
    virtual void goToTranslationBox() = 0;
    // Enter in the translation box without moving the focus: the item whose
    // token took the text, or nothing when nothing was stored.
    virtual std::optional<std::size_t> commitTranslationBox() = 0;

protected:
    ~EditorView() = default;
};

} // namespace quenlit
