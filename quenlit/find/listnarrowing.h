#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "find/findindex.h"
#include "listing/listrows.h"

// One way of narrowing the token list beyond the tree's filter and the
// read-only option: the find text, the tokens with problems, ... Each is judged
// row by row; the list shows the rows every active narrowing accepts.
class RowNarrowing
{
public:
    virtual ~RowNarrowing() = default;
    // An inactive narrowing accepts every row and is not asked.
    virtual bool active() const = 0;
    // Work needed before rows can be judged (an index to build), done a part at a
    // time: at most about `budget` rows' worth. True once ready.
    virtual bool prepare(std::size_t budget)
    {
        (void)budget;
        return true;
    }
    virtual bool accepts(std::size_t row) const = 0;
    // Appends to `out` the rows of [first, last) it accepts, in order. Narrowings
    // that can judge many rows faster at once than one by one do so here.
    virtual void narrow(const ListRow *first, const ListRow *last, ListRows &out) const
    {
        for (; first != last; ++first) {
            if (accepts(*first))
                out.push_back(*first);
        }
    }
};

// The rows of the token list: the base list (what the tree's filter and the
// read-only option give) narrowed by the active narrowings, in base order.
// Narrowing a million rows takes a while, so it runs in steps: the window calls
// step() from its event loop, and a new change (a later keystroke) restarts the
// run, dropping what the earlier one had done.
//
// Lists are shared, never changed: the base list and each finished run's result
// are published as lists of their own, so the list the window shows stays as it
// is while the next run is under way, and giving the base back copies nothing.
class NarrowedList
{
public:
    // Not owned; asked in the order added.
    void addNarrowing(RowNarrowing *narrowing) { m_narrowings.push_back(narrowing); }

    // A new base list: pending work restarts on it.
    void setBase(ListRows rows);
    const SharedListRows &base() const { return m_base; }

    // A narrowing changed. `refinement`: its new state accepts no row its former
    // state refused (a longer find text), so the run may start from the last
    // result instead of the base list.
    void narrowingChanged(bool refinement);

    bool anyActive() const;
    bool pending() const { return m_pending; }
    // Does up to about `budget` rows of the pending work. True when the result is ready.
    bool step(std::size_t budget);
    void runToEnd();

    // The result of the last finished run (the base list itself while no
    // narrowing is active). Never null; unchanged until the next run finishes or
    // the next setBase().
    const SharedListRows &rows() const { return m_narrowed ? m_result : m_base; }
    bool narrowed() const { return m_narrowed; }

private:
    void dropRun();

    std::vector<RowNarrowing *> m_narrowings;
    SharedListRows m_base = NoListRows();
    SharedListRows m_result;  // while m_narrowed
    bool m_narrowed = false; // m_result holds the rows; else they are m_base

    bool m_pending = false;
    SharedListRows m_input;      // what the pending run narrows: the base or the last result
    ListRows m_work;             // the pending run's result so far
    ListRows m_passing[2];       // a chunk between two narrowings
    std::size_t m_next = 0;
};

// The find box's narrowing: tokens whose translation or master text holds the
// typed text (see searchform.h).
class FindNarrowing final : public RowNarrowing
{
public:
    explicit FindNarrowing(FindIndex &index) : m_index(index) {}

    // Sets the typed text; returns whether the change is a refinement (the new
    // text's form holds the old one's, and the old one was not empty).
    bool setText(std::u16string_view typed);
    const std::string &needle() const { return m_needle; }

    bool active() const override { return !m_needle.empty(); }
    bool prepare(std::size_t budget) override;
    bool accepts(std::size_t row) const override { return m_index.matches(row, m_needle); }
    void narrow(const ListRow *first, const ListRow *last, ListRows &out) const override
    {
        m_index.matchRows(first, last, m_needle, out);
    }

private:
    FindIndex &m_index;
    std::string m_needle;
};
