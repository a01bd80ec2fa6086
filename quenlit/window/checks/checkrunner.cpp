#include "window/checks/checkrunner.h"

#include "codepage.h"
#include "checks/menulevels.h"

#include <algorithm>
#include <chrono>
#include <exception>

namespace quenlit {

namespace {

// Rows done between two looks at the clock; with the spelling or glossary
// checks, which cost more a row.
constexpr std::size_t kBlock = 2048;
constexpr std::size_t kLookedUpBlock = 128;
// Milliseconds between two looks at a sort done on another thread.
constexpr int kSortingLook = 10;
// Milliseconds between two looks at whether the user's work is done.
constexpr int kYieldLook = 2;

} // namespace

CheckRunner::CheckRunner(QObject *parent) : QObject(parent)
{
    m_timer.setSingleShot(true);
    m_timer.setInterval(0);
    connect(&m_timer, &QTimer::timeout, this, &CheckRunner::slice);
}

void CheckRunner::start(const TokenTable *master, const TokenTable *project, const CodePage &masterCodePage,
                        const CodePage &projectCodePage, bool levelsToCome)
{
    stop();
    m_master = master;
    m_project = project;
    m_masterCodePage = &masterCodePage;
    m_projectCodePage = &projectCodePage;
    m_levels = {};
    m_levelsToCome = levelsToCome;
    m_phase = Phase::Levels;
    m_next = 1;
    // A zero timer fires once the events queued by the opening, the list's first
    // paint among them, have been handled.
    m_timer.start(0);
}

CheckRunner::~CheckRunner()
{
    stop();
}

void CheckRunner::stop()
{
    m_timer.stop();
    if (m_sorting.valid())
        m_sorting.wait();
    m_sorting = {};
    m_checks.clear();
    m_suggestions.clear();
    m_master = nullptr;
    m_project = nullptr;
    m_levelsToCome = false;
    m_phase = Phase::Idle;
    m_recheckNext = 1;
    m_recheckLast = 0;
}

std::size_t CheckRunner::block() const
{
    return m_checks.knownWords() || m_checks.terms() ? kLookedUpBlock : kBlock;
}

void CheckRunner::recheckAll()
{
    m_recheckNext = 1;
    m_recheckLast = m_checks.checkedUpTo();
    if (rechecking() && !m_timer.isActive())
        m_timer.start(0);
}

void CheckRunner::recheckStep()
{
    const std::size_t last = std::min(m_recheckNext + block() - 1, m_recheckLast);
    std::vector<std::size_t> changed;
    m_checks.recheckRows(m_recheckNext, last, &changed);
    m_recheckNext = last + 1;
    if (!changed.empty())
        emit rowsRechecked(changed);
}

void CheckRunner::setMenuLevels(MenuLevels levels)
{
    if (!waitingForLevels())
        return;
    m_levels = std::move(levels);
    m_levelsToCome = false;
    m_timer.start(0);
}

void CheckRunner::finishNow()
{
    m_timer.stop();
    m_levelsToCome = false; // what is asked for now cannot wait for the source file
    while (rechecking())
        recheckStep();
    while (running()) {
        if (m_phase == Phase::Sorting)
            m_sorting.wait();
        while (step()) {
        }
    }
}

// One piece of work: a block of rows, the clashes or the reading of the levels.
// False when the phase changed or the work is done.
bool CheckRunner::step()
{
    switch (m_phase) {
    case Phase::Idle:
    case Phase::Done:
        return false;
    case Phase::Levels:
        if (m_levelsToCome)
            return false; // setMenuLevels goes on
        m_checks.reset(m_master, m_project, *m_masterCodePage, *m_projectCodePage, std::move(m_levels));
        m_phase = Phase::Rows;
        m_next = 1;
        return false;
    case Phase::Rows: {
        const std::size_t last = std::min(m_next + block() - 1, m_checks.rowCount());
        if (m_next <= last) {
            m_checks.checkRows(m_next, last);
            emit rowsChecked(m_next, last);
        }
        m_next = last + 1;
        if (m_next > m_checks.rowCount()) {
            m_phase = Phase::Clashes;
            return false;
        }
        return true;
    }
    case Phase::Clashes: {
        // Only the rows the clashes changed are told: telling every row again
        // would cost the list as much as the checks.
        std::vector<std::size_t> changed;
        m_checks.checkClashes(&changed);
        if (!changed.empty())
            emit rowsRechecked(changed);
        emit checksFinished();
        m_phase = Phase::Index;
        m_next = 1;
        return false;
    }
    case Phase::Index: {
        if (m_suggestions.project() != m_project) {
            m_suggestions.reset(m_master, m_project, *m_masterCodePage, *m_projectCodePage);
            return false;
        }
        const std::size_t last = std::min(m_next + kBlock - 1, m_suggestions.rowCount());
        if (m_next <= last)
            m_suggestions.indexRows(m_next, last);
        m_next = last + 1;
        if (m_next > m_suggestions.rowCount()) {
            // Sorting a million rows' groups would hold the window for a while:
            // it is done on another thread, which touches only the groups.
            SuggestionIndex *index = &m_suggestions;
            m_sorting = std::async(std::launch::async, [index] {
                try {
                    index->sortGroups();
                    return true;
                } catch (const std::exception &) {
                    return false; // out of memory: no suggestions, the rest goes on
                }
            });
            m_phase = Phase::Sorting;
            return false;
        }
        return true;
    }
    case Phase::Sorting:
        if (m_sorting.wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return false;
        if (m_sorting.get())
            m_suggestions.setReady();
        m_phase = Phase::Done;
        emit suggestionsFinished();
        return false;
    }
    return false;
}

void CheckRunner::slice()
{
    if (m_phase != Phase::Sorting && m_yieldWhile && m_yieldWhile()) {
        m_timer.start(kYieldLook);
        return;
    }
    QElapsedTimer clock;
    clock.start();
    // Rows checked again first: the user sees those.
    while (rechecking() && clock.elapsed() < m_sliceTime)
        recheckStep();
    if (m_phase == Phase::Sorting) {
        step(); // a look at the other thread
    } else {
        while (running() && m_phase != Phase::Sorting && !waitingForLevels() && clock.elapsed() < m_sliceTime)
            step();
    }
    // While the other thread sorts, the window only looks now and then.
    if (rechecking())
        m_timer.start(0);
    else if (running() && !waitingForLevels())
        m_timer.start(m_phase == Phase::Sorting ? kSortingLook : 0);
}

void CheckRunner::rowChanged(std::size_t row)
{
    if (m_phase == Phase::Idle || m_phase == Phase::Levels)
        return;
    const std::vector<std::size_t> changed = m_checks.recheck(row);
    if (!changed.empty())
        emit rowsRechecked(changed);
}

} // namespace quenlit
