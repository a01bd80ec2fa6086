#pragma once

#include "edithistory.h"
#include "findindex.h"
#include "listnarrowing.h"
#include "tokencounts.h"

#include <QObject>
#include <QRect>
#include <QString>

#include <array>
#include <memory>
#include <string>
#include <optional>
#include <string_view>
#include <vector>

class FindBar;
class ProgressStatus;
class QAction;
class QMenu;
class QTimer;
class ReplaceBar;
class TextBoxKeys;
class TextCodec;
class TokenTable;
struct ReplacePlan;

namespace quenlit {

class FrmPrinc;

// A day of translating on top of the editor window: the "&Edit" and "&Go" menus
// (undo and redo, find, replace, copy the original, next and previous token to
// translate, commit and next), the find and replace bars above the list and the
// progress in the status bar and the tree's tooltips.
//
// The window tells it of every change of the project table (cellChanged, from
// the one place where the table changes) and of every list it builds
// (narrowBase); it acts on the window through the same handlers the user's keys
// reach. With none of its controls used, the window behaves as it always did.
class TranslatorFlow : public QObject
{
    Q_OBJECT

public:
    // Adds the menus before `before` ("&Options"), the bars to `listArea` (the
    // widget holding the list) and the progress to the window's status bar.
    TranslatorFlow(FrmPrinc &window, QMenu *before, QWidget *listArea);
    ~TranslatorFlow() override;

    // A project was opened (tables swapped in) or closed. `summary`, when it is
    // one of `project` as it stands, spares reading the statuses again.
    void projectOpened(const TokenTable &project, const TokenTable &master, const TextCodec &projectCodec,
                       const TextCodec &masterCodec, TokenSummary summary = {});
    void projectClosed();

    // The list is being built on these rows (the tree's filter and the read-only
    // option): the rows it shows, narrowed by the find box and any other narrowing.
    SharedListRows narrowBase(ListRows base, const TokenFilter &filter, bool showReadOnly);

    // Changes between these make one undo step.
    void beginStep(const QString &label);
    void endStep();

    // The bars take the top of the list's rectangle; the list gets the rest.
    QRect placeBars(const QRect &list);

    // Room for other narrowings of the list and other undoable actions.
    NarrowedList &narrowedList() { return m_narrowed; }
    void narrowingChanged(bool refinement);
    EditHistory &history() { return m_history; }
    const TokenCounts &counts() const { return m_counts; }
    // The types and statuses of the project's tokens, kept up to date.
    const TokenSummary &summary() const { return m_summary; }
    // The item of a table row in the list, or nothing.
    std::optional<std::size_t> itemOfRow(std::size_t row);
    // The look the item of a row gets when the list is built.
    TokenLook listLook(std::size_t row) const { return kLooksByFlags[static_cast<std::size_t>(m_summary.flags(row))]; }
    void showMessage(const QString &text);

    // The actions, for the window and its tests.
    QAction *undoAction() const { return m_undo; }
    QAction *redoAction() const { return m_redo; }
    FindBar *findBar() const { return m_findBar; }
    ReplaceBar *replaceBar() const { return m_replaceBar; }
    ProgressStatus *progress() const { return m_progress.get(); }
    const FindIndex &findIndex() const { return m_index; }
    bool narrowingPending() const { return m_narrowed.pending(); }

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
    // The window's one place for token changes tells of each change before and
    // after it is made: every change is recorded and counted here, undo and redo
    // included.
    void tokenChanging(std::size_t row);
    void tokenChanged(std::size_t row, bool textChanged);
    void cellChanged(std::size_t row, int column, std::string_view before, std::string_view after);
    // Writes what an undo or a redo gives back, row by row, through the window.
    void restore(const std::vector<EditHistory::Change> &changes, bool undoing);
    void createMenus(QMenu *before);
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

    static const std::array<TokenLook, 8> kLooksByFlags; // by the flag bits of a status

    FrmPrinc &m_window;
    const TokenTable *m_project = nullptr;
    const TextCodec *m_projectCodec = nullptr;

    FindIndex m_index;
    FindNarrowing m_find{m_index};
    NarrowedList m_narrowed;
    TokenSummary m_summary;
    TokenCounts m_counts;
    ListedTokens m_listed;
    bool m_listedValid = false;
    TokenFilter m_filter;
    EditHistory m_history;
    int m_stepDepth = 0;
    bool m_restoring = false; // an undo or a redo is writing: nothing new to record
    std::size_t m_changingRow = 0;
    std::string m_textBefore;
    std::string m_statusBefore;

    QAction *m_undo = nullptr;
    QAction *m_redo = nullptr;
    FindBar *m_findBar = nullptr;
    ReplaceBar *m_replaceBar = nullptr;
    std::unique_ptr<ProgressStatus> m_progress;
    TextBoxKeys *m_keys = nullptr;
    QTimer *m_stepper = nullptr;
};

} // namespace quenlit
