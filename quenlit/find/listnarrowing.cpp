#include "find/listnarrowing.h"

#include "find/searchform.h"

#include <algorithm>

namespace {

// A finished list, shared from now on. Room a list grew into and does not use is
// given back: the list may be kept a long time.
SharedListRows Published(ListRows rows)
{
    if (rows.capacity() - rows.size() > rows.size() / 8)
        rows.shrink_to_fit();
    return std::make_shared<const ListRows>(std::move(rows));
}

} // namespace

void NarrowedList::setBase(ListRows rows)
{
    m_base = Published(std::move(rows));
    m_result.reset();
    m_narrowed = false;
    dropRun();
    if (anyActive())
        narrowingChanged(false);
}

void NarrowedList::dropRun()
{
    m_pending = false;
    m_input.reset();
    ListRows().swap(m_work);
    for (ListRows &passing : m_passing)
        ListRows().swap(passing);
    m_next = 0;
}

bool NarrowedList::anyActive() const
{
    return std::any_of(m_narrowings.begin(), m_narrowings.end(), [](const RowNarrowing *n) { return n->active(); });
}

void NarrowedList::narrowingChanged(bool refinement)
{
    if (!anyActive()) {
        m_narrowed = false;
        m_result.reset();
        dropRun();
        return;
    }
    // A refinement narrows what is at hand: the input of the run it replaces, or
    // the last result; both hold every row the new state can accept.
    if (refinement && m_pending) {
        // keep m_input as it is
    } else if (refinement && m_narrowed) {
        m_input = m_result;
    } else {
        m_input = m_base;
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
    const ListRows &input = *m_input;
    const std::size_t end = std::min(input.size(), m_next + std::max<std::size_t>(budget, 1));
    const ListRow *first = input.data() + m_next;
    const ListRow *last = input.data() + end;
    for (std::size_t k = 0; k < active.size(); ++k) {
        if (k + 1 == active.size()) {
            active[k]->narrow(first, last, m_work);
            break;
        }
        ListRows &passing = m_passing[k & 1];
        passing.clear();
        active[k]->narrow(first, last, passing);
        first = passing.data();
        last = passing.data() + passing.size();
    }
    m_next = end;
    if (m_next < input.size())
        return false;
    // The list shown until now stays as it is; the result is a list of its own.
    m_result = Published(std::move(m_work));
    m_narrowed = true;
    dropRun();
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
