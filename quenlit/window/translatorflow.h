#pragma once

#include "history/edithistory.h"
#include "find/findindex.h"
#include "find/listnarrowing.h"
#include "listing/tokencounts.h"
#include "window/tokenlook.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <array>
#include <atomic>
#include <memory>
#include <string>
#include <optional>
#include <string_view>
#include <thread>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QTimer;
class QTreeWidget;
class TextCodec;
class TokenTable;
struct ReplacePlan;

namespace quenlit {

class EditorView;
class FindBar;
class ProgressStatus;
class ProjectDocument;
class ReplaceBar;
class TextBoxKeys;

// A day of translating on top of the editor window: the "&Edit" and "&Go" menus
// (undo and redo, find, replace, copy the original, next and previous token to
// translate, commit and next), the find and replace bars above the list and the
// progress in the status bar and the tree's tooltips.
//
// The document tells it of every change of the project table, the window of
// every list it builds (narrowBase); it acts on the list and the pane through
// the same handlers the user's keys reach. With none of its controls used, the
// window behaves as it always did.
class TranslatorFlow : public QObject
{
    Q_OBJECT

public:
    // Where the flow shows itself, all in the window: its menus, the widget
    // holding the list (the bars go on top of it), the status bar with the two
    // progress fields, and the filter tree whose tooltips tell the counts.
    struct Places
    {
        QMenu *edit = nullptr;
        QMenu *go = nullptr;
        QWidget *listArea = nullptr;
        QStatusBar *statusBar = nullptr;
        QLabel *listProgress = nullptr;
        QLabel *projectProgress = nullptr;
        QTreeWidget *filterTree = nullptr;
    };
    // Neither the document nor the view is owned; `window` is the parent of the
    // flow and of its dialogs.
    TranslatorFlow(ProjectDocument &document, EditorView &view, QWidget *window, const Places &places);
    ~TranslatorFlow() override;

    // The document's project was opened (its tables are in) or is being closed.
    void projectOpened();
    void projectClosed();

    // The list is being built on these rows (the tree's filter and the read-only
    // option): the rows it shows, narrowed by the find box and any other narrowing.
    SharedListRows narrowBase(ListRows base, const TokenFilter &filter, bool showReadOnly);

    // The bars take the top of the list's rectangle; the list gets the rest.
    QRect placeBars(const QRect &list);

    // Room for other narrowings of the list and other undoable actions.
    NarrowedList &narrowedList() { return m_narrowed; }
    void narrowingChanged(bool refinement);
    const TokenCounts &counts() const { return m_counts; }
    // The item of a table row in the list, or nothing.
    std::optional<std::size_t> itemOfRow(std::size_t row);
    // The look the item of a row gets when the list is built.
    TokenLook listLook(std::size_t row) const;
    void showMessage(const QString &text);

    // The actions, for the window and its tests.
    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    FindBar *findBar() const { return m_findBar; }
    ReplaceBar *replaceBar() const { return m_replaceBar; }
    ProgressStatus *progress() const { return m_progress.get(); }
    const FindIndex &findIndex() const { return m_index; }
    bool narrowingPending() const { return m_narrowed.pending(); }

    // The find index is made on a thread of its own once the list of an opened
    // project has been painted (or at the first "&Find" before that), so that
    // typing in the find box never waits for it. The thread reads the tables
    // only; everything here that touches the index or lets the tables change
    // stops it first, and it goes on afterwards.
    bool indexBuilding() const { return m_builder.joinable() && !m_builderDone; }

    void undo();
    void redo();
    void find();
    void replace();
    void copyOriginal();
    void goToNeedingWork(bool forward);
    void commitAndNext();

signals:
    // The bars were shown or hidden: the list's place changes.
    void layoutChanged();

private:
    // Every change of a status is counted here, undo and redo included.
    void statusChanged(std::size_t row, std::int64_t before, std::int64_t after);
    void tokenChanged(std::size_t row, bool textChanged);
    void historyChanged();
    void createMenus(QMenu *edit, QMenu *go);
    void findTextChanged(const QString &text);
    void closeFind();
    void goFromFindToList();
    void runNarrowing();
    void narrowingDone();
    void replaceAll();
    void applyReplacement(const ReplacePlan &plan);
    void follow(const std::vector<EditHistory::Change> &changes);
    void refreshProgress();
    void refreshActions();
    ListedTokens &listed();
    void forgetListed();
    std::optional<std::size_t> selectedItem() const;
    bool projectOpen() const { return m_project != nullptr; }
    void startIndexBuilder();
    void stopIndexBuilder();
    void indexBuilt();
    bool eventFilter(QObject *watched, QEvent *event) override;

    static const std::array<TokenLook, 8> kLooksByFlags; // by the flag bits of a status

    ProjectDocument &m_document;
    EditorView &m_view;
    QWidget *m_window;
    QStatusBar *m_statusBar;
    const TokenTable *m_project = nullptr;
    const TextCodec *m_projectCodec = nullptr;

    FindIndex m_index;
    FindNarrowing m_find{m_index};
    NarrowedList m_narrowed;
    TokenCounts m_counts;
    ListedTokens m_listed;
    bool m_listedValid = false;
    TokenFilter m_filter;

    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    FindBar *m_findBar = nullptr;
    ReplaceBar *m_replaceBar = nullptr;
    std::unique_ptr<ProgressStatus> m_progress;
    TextBoxKeys *m_keys = nullptr;
    QTimer *m_stepper = nullptr;
    std::thread m_builder;
    std::atomic<bool> m_stopBuilder{false};
    std::atomic<bool> m_builderDone{false};
    QTimer *m_builderRestart = nullptr; // the build goes on after a change, once
    bool m_waitingForPaint = false;     // the opened project's list is not painted yet
};

} // namespace quenlit
