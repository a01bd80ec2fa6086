#pragma once

#include "checks/checks.h"
#include "checks/suggestions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>
#include <future>
#include <string>
#include <vector>

class CodePage;

namespace quenlit {

// Runs the checks and builds the suggestion index of the open project without
// holding up the window: the work is cut into slices of a few milliseconds, done
// from the event loop once the list has been painted, and the results are told
// as they come, so the check column fills in while the user works. Edits are
// followed at once: a changed row that was checked already is checked again
// with its dialog or menu level.
class CheckRunner : public QObject
{
    Q_OBJECT

public:
    explicit CheckRunner(QObject *parent = nullptr);
    ~CheckRunner() override;

    // Starts over on a project just opened. The tables are not owned and must
    // stay until stop() or the next start(); their keys must not change. With
    // `levelsToCome`, the rows wait for the menu levels of the source file,
    // which setMenuLevels() brings; without, menus have no levels.
    void start(const TokenTable *master, const TokenTable *project, const CodePage &masterCodePage,
               const CodePage &projectCodePage, bool levelsToCome = false);
    // The menu levels read from the source file, away from the window. Levels
    // that come once the rows were checked without them (finishNow) are dropped.
    void setMenuLevels(MenuLevels levels);
    // The project was closed: everything is dropped.
    void stop();
    bool running() const { return m_phase != Phase::Idle && m_phase != Phase::Done; }
    // Every row checked, clashes too.
    bool checksDone() const { return m_checks.complete(); }
    bool suggestionsReady() const { return m_suggestions.ready(); }
    // The suggestion index is being sorted on its own thread.
    bool sorting() const { return m_phase == Phase::Sorting; }
    // Does what is left at once.
    void finishNow();

    const ProjectChecks &checks() const { return m_checks; }
    const SuggestionIndex &suggestions() const { return m_suggestions; }

    // The text or the status of a project row changed.
    void rowChanged(std::size_t row);
    // Dialog texts are measured in their controls with this (not owned, null
    // for none); the rows checked already are not checked again: see rowChanged.
    void setFitMeasure(const ControlFitMeasure *measure) { m_checks.setFitMeasure(measure); }
    // The words of the spelling check and the terms of the glossary check (not
    // owned, null for none), kept until changed; then recheckAll().
    void setKnownWords(const KnownWords *words) { m_checks.setKnownWords(words); }
    void setTerms(const TermList *terms) { m_checks.setTerms(terms); }
    // The rows checked so far are checked again, in slices as the first time
    // (their clashes stay): what they fire is told by rowsRechecked.
    void recheckAll();
    bool rechecking() const { return m_recheckNext <= m_recheckLast; }

    // How long one slice may keep the event loop, in milliseconds.
    void setSliceTime(int milliseconds) { m_sliceTime = milliseconds; }
    // While this says so, the window has work the user waits for (a narrowing of
    // the list): no slice runs, and the runner looks again a little later.
    void setYieldWhile(std::function<bool()> userWaits) { m_yieldWhile = std::move(userWaits); }

signals:
    // Rows first..last (table rows) have their results.
    void rowsChecked(std::size_t first, std::size_t last);
    // The results of these rows changed after an edit.
    void rowsRechecked(const std::vector<std::size_t> &rows);
    // Every row and every clash is checked; the counts are final.
    void checksFinished();
    void suggestionsFinished();

private:
    enum class Phase
    {
        Idle,
        Levels,
        Rows,
        Clashes,
        Index,
        Sorting, // the suggestion index's groups, on a thread of their own
        Done
    };
    void slice();
    bool step();
    bool waitingForLevels() const { return m_phase == Phase::Levels && m_levelsToCome; }
    void recheckStep();
    // Rows between two looks at the clock: fewer when words are spelt.
    std::size_t block() const;

    ProjectChecks m_checks;
    SuggestionIndex m_suggestions;
    const TokenTable *m_master = nullptr;  // not owned
    const TokenTable *m_project = nullptr; // not owned
    const CodePage *m_masterCodePage = nullptr;
    const CodePage *m_projectCodePage = nullptr;
    MenuLevels m_levels;
    bool m_levelsToCome = false;
    Phase m_phase = Phase::Idle;
    std::size_t m_next = 1;
    std::size_t m_recheckNext = 1, m_recheckLast = 0; // the rows still to check again
    int m_sliceTime = 8;
    std::function<bool()> m_yieldWhile;
    QTimer m_timer;
    std::future<bool> m_sorting; // last: an unfinished sort is waited for first
};

} // namespace quenlit
