#include "listnarrowing.h"

#include "searchform.h"

#include <algorithm>

void NarrowedList::setBase(std::vector<std::size_t> rows)
{
    m_base = std::move(rows);
    m_result.clear();
    m_narrowed = false;
    m_pending = false;
    m_input.clear();
    m_work.clear();
    if (anyActive())
        narrowingChanged(false);
}

bool NarrowedList::anyActive() const
{
    return std::any_of(m_narrowings.begin(), m_narrowings.end(), [](const RowNarrowing *n) { return n->active(); });
}

void NarrowedList::narrowingChanged(bool refinement)
{
    if (!anyActive()) {
        m_pending = false;
        m_narrowed = false;
        m_result.clear();
        m_input.clear();
        m_work.clear();
        return;
    }
    // A refinement narrows what is at hand: the input of the run it replaces, or
    // the last result; both hold every row the new state can accept.
    if (refinement && m_pending) {
        // keep m_input and the source as they are
    } else if (refinement && m_narrowed) {
        m_input = m_result;
        m_fromResult = true;
    } else {
        m_input.clear();
        m_fromResult = false;
    }
    m_work.clear();
    m_next = 0;
    m_pending = true;
}

bool NarrowedList::step(std::size_t budget)
{
    if (!m_pending)
        return true;
    std::vector<RowNarrowing *> active;
    for (RowNarrowing *n : m_narrowings) {
        if (!n->active())
            continue;
        if (!n->prepare(budget))
            return false; // the budget went to preparing
        active.push_back(n);
    }
    const std::vector<std::size_t> &input = m_fromResult ? m_input : m_base;
    const std::size_t end = std::min(input.size(), m_next + std::max<std::size_t>(budget, 1));
    const std::size_t *first = input.data() + m_next;
    const std::size_t *last = input.data() + end;
    for (std::size_t k = 0; k < active.size(); ++k) {
        if (k + 1 == active.size()) {
            active[k]->narrow(first, last, m_work);
            break;
        }
        std::vector<std::size_t> &passing = m_passing[k & 1];
        passing.clear();
        active[k]->narrow(first, last, passing);
        first = passing.data();
        last = passing.data() + passing.size();
    }
    m_next = end;
    if (m_next < input.size())
        return false;
    m_result.swap(m_work);
    m_work.clear();
    m_input.clear();
    m_input.shrink_to_fit();
    m_narrowed = true;
    m_pending = false;
    return true;
}

void NarrowedList::runToEnd()
{
    while (!step(std::size_t(1) << 20)) {
    }
}

bool FindNarrowing::setText(std::u16string_view typed)
{
    std::string needle = NeedleForm(typed);
    const bool refinement = !m_needle.empty() && needle.find(m_needle) != std::string::npos;
    m_needle = std::move(needle);
    return refinement;
}

bool FindNarrowing::prepare(std::size_t budget)
{
    // Making an entry costs about ten times judging one.
    return m_index.complete() || m_index.build(std::max<std::size_t>(budget / 10, 1));
}
