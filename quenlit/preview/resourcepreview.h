#pragma once

#include "dialoglayout.h"
#include "dialogtemplate.h"
#include "menutemplate.h"
#include "tokentable.h"
#include "tokentype.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class CodePage;
class SourceResources;

// What the preview draws for a token: the dialog or menu it belongs to, as the
// source file holds it, with the project's texts in place of the master texts.
// Everything here is computed without a window; the window paints it.

// The project rows of each resource, by fields 1 and 2 of their tokens. Built
// once a project is open, then only read.
class ResourceRows
{
public:
    void build(const TokenTable &project);
    void clear();
    bool built() const { return m_built; }
    // The rows of one resource in row order; empty when none.
    const std::vector<std::size_t> &rowsOf(TokenType type, std::string_view name) const;

private:
    std::unordered_map<std::string, std::vector<std::size_t>> m_rows;
    bool m_built = false;
};

// The texts the preview shows: the project's stored texts, but for one row whose
// text is being typed and not yet stored.
class PreviewTexts
{
public:
    PreviewTexts(const TokenTable &project, const CodePage &codePage) : m_project(project), m_codePage(codePage) {}

    // The text typed for `row` (escaped as the token file writes it); row 0 for none.
    void setPending(std::size_t row, std::u16string escaped);
    std::size_t pendingRow() const { return m_pendingRow; }

    // A row's text with its escapes resolved (a tab is a tab).
    std::u16string text(std::size_t row) const;
    bool pending(std::size_t row) const { return row != 0 && row == m_pendingRow; }

private:
    const TokenTable &m_project;
    const CodePage &m_codePage;
    std::size_t m_pendingRow = 0;
    std::u16string m_pendingText; // resolved
};

// One control of a dialog as drawn.
struct ControlView
{
    const DialogControl *control = nullptr;
    ControlKind kind = ControlKind::Custom;
    PixelRect rect;              // in the dialog's client area
    std::u16string text;         // the project's text, or the template's when no token names it
    std::size_t row = 0;         // the project row of its token, 0 for none
    std::optional<TextFit> fit;  // for a control that shows its text as a label
    bool selected = false;       // the token shown in the pane
    bool pending = false;        // its text is being typed
    bool overflows() const { return fit && !fit->fits; }
};

struct DialogView
{
    const DialogTemplate *dialog = nullptr;
    DialogBaseUnits units;
    PixelRect client; // at 0, 0
    std::u16string caption;
    std::size_t captionRow = 0;
    bool captionSelected = false;
    bool captionPending = false;
    std::vector<ControlView> controls; // template order
    // Index into `controls` of the selected token's control, or -1 (the caption, or none).
    int selected = -1;

    // Positions (field 4) of the controls whose text does not fit.
    std::vector<std::size_t> overflowing() const;
};

// Lays out a dialog with the project's texts, measured with `metrics` (the font
// the window draws the dialog with). `rows` are the project rows of the dialog.
DialogView LayOutDialogView(const DialogTemplate &dialog, const TokenTable &project,
                            const std::vector<std::size_t> &rows, const PreviewTexts &texts, std::size_t selectedRow,
                            const TextMetrics &metrics);

// One item of a menu level as drawn.
struct MenuEntryView
{
    const MenuItem *item = nullptr;
    std::u16string text; // the project's text
    std::size_t row = 0;
    bool selected = false;
    bool open = false;     // a popup shown opened
    bool pending = false;
    char16_t accessKey = 0; // folded; 0 for none
    bool keyClash = false;  // another item of the level has the same access key
};

struct MenuView
{
    const MenuTemplate *menu = nullptr;
    std::vector<MenuEntryView> bar;
    // The popups opened from the bar down to the one holding the selected item
    // (and the selected popup's own items), outermost first.
    std::vector<std::vector<MenuEntryView>> popups;
    bool hasSelection = false;
};

MenuView LayOutMenuView(const MenuTemplate &menu, const TokenTable &project, const std::vector<std::size_t> &rows,
                        const PreviewTexts &texts, std::size_t selectedRow);

// The access key of a menu or control text, case folded: the character after the
// first "&" that is not "&&"; 0 for none.
char16_t AccessKeyOf(std::u16string_view text);
// Marks the entries of one level that share an access key.
void MarkKeyClashes(std::vector<MenuEntryView> &level);

// What the preview shows for a token.
struct PreviewScene
{
    enum class Kind
    {
        None,    // nothing selected
        Message, // one line saying why there is nothing to draw
        Dialog,
        Menu,
        Text, // a string table entry or a version value
    };
    Kind kind = Kind::None;
    std::string message;   // Kind::Message, UTF-8
    std::u16string title;  // where the token lives
    const DialogTemplate *dialog = nullptr; // Kind::Dialog
    const MenuTemplate *menu = nullptr;     // Kind::Menu
    std::u16string text;   // Kind::Text
    std::size_t row = 0;
    bool pending = false;
};

// The source file a master project names (line 1, made absolute against the
// current folder) and the languages to prefer among the copies of its
// resources (line 3), as the master tokens were cut.
struct SourceFileRequest
{
    std::string path;
    std::vector<std::uint16_t> preferred;
};
SourceFileRequest SourceFileOf(const std::string &masterProject);

// Where the token of a project row lives, in words; a menu item is named by
// the path of its popups when the source file holds its menu.
std::u16string DescribePlace(const SourceResources *source, const TokenTable &project, std::size_t row,
                             const CodePage &codePage);

// Chooses what to show for a project row from the source file's resources.
PreviewScene ScenePlan(const SourceResources &source, const TokenTable &project, std::size_t row,
                       const PreviewTexts &texts);
