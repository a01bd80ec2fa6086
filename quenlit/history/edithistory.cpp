#include "history/edithistory.h"

void EditHistory::beginStep(std::string label)
{
    if (m_depth++ == 0) {
        m_openHasStep = false;
        m_openLabel = std::move(label);
    }
}

void EditHistory::endStep()
{
    if (m_depth == 0)
        return;
    if (--m_depth == 0) {
        m_openHasStep = false;
        trim();
    }
}

void EditHistory::dropRedo()
{
    while (m_steps.size() > m_done) {
        m_bytes -= m_steps.back().held();
        m_steps.pop_back();
    }
}

void EditHistory::record(std::size_t row, int column, std::string_view before, std::string_view after)
{
    if (before == after)
        return;
    if (m_depth == 0 || !m_openHasStep) {
        dropRedo();
        m_steps.emplace_back();
        m_steps.back().label = m_depth > 0 ? m_openLabel : std::string();
        ++m_done;
        m_openHasStep = m_depth > 0;
        m_bytes += m_steps.back().held();
    }
    Step &step = m_steps.back();
    m_bytes -= step.held();
    Stored stored;
    stored.row = row;
    stored.column = column;
    stored.beforeAt = step.bytes.size();
    stored.beforeLength = static_cast<std::uint32_t>(before.size());
    stored.afterLength = static_cast<std::uint32_t>(after.size());
    step.bytes.append(before.data(), before.size());
    step.bytes.append(after.data(), after.size());
    step.changes.push_back(stored);
    m_bytes += step.held();
    if (m_depth == 0)
        trim();
}

EditHistory::Change EditHistory::view(const Step &step, const Stored &stored)
{
    const std::string_view bytes(step.bytes);
    return Change{static_cast<std::size_t>(stored.row), stored.column,
                  bytes.substr(stored.beforeAt, stored.beforeLength),
                  bytes.substr(stored.beforeAt + stored.beforeLength, stored.afterLength)};
}

std::vector<EditHistory::Change> EditHistory::undo()
{
    std::vector<Change> changes;
    if (!canUndo() || m_depth > 0)
        return changes;
    const Step &step = m_steps[m_done - 1];
    changes.reserve(step.changes.size());
    for (const Stored &stored : step.changes)
        changes.push_back(view(step, stored));
    --m_done;
    return changes;
}

std::vector<EditHistory::Change> EditHistory::redo()
{
    std::vector<Change> changes;
    if (!canRedo() || m_depth > 0)
        return changes;
    const Step &step = m_steps[m_done];
    changes.reserve(step.changes.size());
    for (const Stored &stored : step.changes)
        changes.push_back(view(step, stored));
    ++m_done;
    return changes;
}

void EditHistory::clear()
{
    m_steps.clear();
    m_done = 0;
    m_depth = 0;
    m_openHasStep = false;
    m_bytes = 0;
}

void EditHistory::trim()
{
    // Never the step being recorded, never the newest.
    while (m_bytes > m_byteLimit && m_steps.size() > 1 && m_done > 1) {
        m_bytes -= m_steps.front().held();
        m_steps.pop_front();
        --m_done;
    }
}
