#pragma once

#include "window/checks/checkcolumn.h"
#include "window/checks/checkrunner.h"
#include "checks/listcheckcounts.h"
#include "window/checks/problemnarrowing.h"
#include "window/memory/memoryoffer.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <utility>

#include <string>
#include <vector>

class CodePage;
class QAction;
class QLabel;
class QMenu;

namespace quenlit {

class CheckPane;
class EditorView;
class ProjectDocument;
class TokenListModel;
class TranslatorFlow;

// The checks and the suggestions in the editor window: the "Check" column of
// the token list, the pane's line for the token shown, and the counts of the
// list. The window tells it what happens to the project; it does the rest.
class EditorChecks : public QObject
{
    Q_OBJECT

public:
    // `model` is not owned; the pane's line is made a child of `pane`; the keys
    // Ctrl+1 to Ctrl+3 that take the suggestions work anywhere in `window`.
    EditorChecks(TokenListModel *model, QWidget *pane, QWidget *window);

    // Where the checks show themselves in the window: the menus they add to
    // ("Fill identical texts..." to "&Edit", "Next problem" and "Previous
    // problem" to "&Go", "Show only tokens with problems" to "&Options") and
    // the status bar's field of the counts.
    struct Places
    {
        QMenu *edit = nullptr;
        QMenu *go = nullptr;
        QMenu *options = nullptr;
        QLabel *counts = nullptr;
    };
    // Adds the commands and the counts, and the narrowing to the flow's list.
    // None is owned.
    void attach(ProjectDocument &document, EditorView &view, TranslatorFlow &flow,
                const Places &places);

    CheckPane *paneLine() const { return m_paneLine; }
    QLabel *countLabel() const { return m_countLabel; }
    CheckRunner &runner() { return m_runner; }
    const CheckRunner &runner() const { return m_runner; }
    // Errors, warnings and infos of the listed tokens.
    const LevelCounts &listCounts() const { return m_listCounts.counts(); }

    // The document's project was opened: its tables stay until projectClosed().
    // The checks start once the event loop runs.
    void projectOpened();
    // Called before the tables are emptied or replaced.
    void projectClosed();
    // The list was rebuilt with these table rows.
    void listRebuilt(const ListRows &rows);
    // A token's text or status changed.
    void tokenChanged(std::size_t row);
    // Dialog texts are measured in their controls with this (not owned, null
    // for none); fitMeasureChanged() checks the dialog tokens again.
    void setFitMeasure(const ControlFitMeasure *measure) { m_runner.setFitMeasure(measure); }
    void fitMeasureChanged();
    // The words of the "spelling" check (the dictionary of the project's
    // language) and the terms of the "glossary" check (of its language pair);
    // null: that check does not run. The tokens checked already are checked again.
    void setKnownWords(std::unique_ptr<KnownWords> words);
    void setTerms(std::unique_ptr<TermList> terms);
    // The levels of the source file's menus were read: the checks go on.
    // Without levels, the pane says so for menu tokens.
    void menuLevelsRead(const MenuLevels &levels);
    // The pane shows this row now (0: none).
    void paneShows(std::size_t row);

    // The twins' texts the pane offers for its token, best first (empty when none).
    const std::vector<Suggestion> &offered() const { return m_offered; }
    // The memory's matches for a row, offered after the twins while the pane
    // shows it (the row's status permitting).
    void setMemoryOffers(std::size_t row, std::vector<MemoryOffer> offers);
    // Lines of the glossary's terms for a row, shown after its checks' messages.
    void setTermLines(std::size_t row, QStringList lines);

    // F8 and Shift+F8: the next or previous listed token for which a check fires.
    void goToProblem(bool forward);
    // "Show only tokens with problems".
    void setProblemsOnly(bool only);
    // "Fill identical texts...": the preview, then the changes as one undo step.
    void fillIdenticalTexts();

signals:
    // The counts of the list changed.
    void listCountsChanged();
    // Ctrl+1, 2 or 3: the translation box should take this text (shown, not stored).
    void suggestionTaken(const QString &text);

private:
    void rowsDone(std::size_t first, std::size_t last);
    void rowsRedone(const std::vector<std::size_t> &rows);
    void refreshPane();
    void takeSuggestion(std::size_t index);
    void refreshCounts();
    // The first and last table rows of the items the list shows on screen (first
    // above last when none; every row while no list is known).
    std::pair<std::size_t, std::size_t> rowsInSight() const;
    void checksFinished();
    void applyFill(const std::vector<FillChange> &changes);

    TokenListModel *m_model; // not owned
    std::unique_ptr<KnownWords> m_words; // the runner's
    std::unique_ptr<TermList> m_terms;   // the runner's
    CheckRunner m_runner;
    CheckColumn m_column;
    ListCheckCounts m_listCounts;
    CheckPane *m_paneLine = nullptr;
    const TokenTable *m_project = nullptr; // not owned
    const CodePage *m_projectCodePage = nullptr; // of the project's texts, which the suggestions are
    std::size_t m_paneRow = 0;
    std::vector<Suggestion> m_offered;
    std::size_t m_memoryRow = 0;
    std::vector<MemoryOffer> m_memoryOffers; // of m_memoryRow
    QStringList m_offeredTexts;              // what Ctrl+1 to Ctrl+3 take: twins, then memory
    std::size_t m_termRow = 0;
    QStringList m_termLines; // of m_termRow
    ProblemNarrowing m_problems{m_runner.checks()};
    QWidget *m_window; // the parent
    ProjectDocument *m_document = nullptr; // not owned
    EditorView *m_view = nullptr;          // not owned
    TranslatorFlow *m_flow = nullptr;      // not owned
    QLabel *m_countLabel = nullptr;
    QAction *m_problemsOnly = nullptr;
    QString m_levelsUnavailable; // why menus' access keys are not checked, or empty
};

} // namespace quenlit
