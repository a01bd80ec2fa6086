#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

// The undo history of the project table: every change of a cell (the text,
// column 0, or the status, column 5) with the exact bytes before and after,
// grouped into steps. A step is what one user action changed: a commit (text
// and status), a Translated click, a whole replacement, a fill.
class EditHistory
{
public:
    struct Change
    {
        std::size_t row = 0;
        int column = 0;
        std::string_view before;
        std::string_view after;
    };
    // Changes recorded between beginStep() and the matching endStep() form one
    // step; nested pairs join the outer one. A change recorded outside any pair
    // is a step of its own.
    void beginStep(std::string label);
    void endStep();
    // A cell changed. Equal bytes are no change. What writes an undo's or a
    // redo's changes back records nothing of them.
    void record(std::size_t row, int column, std::string_view before, std::string_view after);

    bool canUndo() const { return m_done > 0; }
    bool canRedo() const { return m_done < m_steps.size(); }
    std::string undoLabel() const { return canUndo() ? m_steps[m_done - 1].label : std::string(); }
    std::string redoLabel() const { return canRedo() ? m_steps[m_done].label : std::string(); }

    // Takes back the last step: returns its changes in the order made (empty
    // when there was nothing to undo), for the caller to write each change's
    // `before` bytes back, the last change first; they stay valid until the
    // history changes again.
    std::vector<Change> undo();
    // Makes the last undone step again: its changes, to be written `after`
    // first change first.
    std::vector<Change> redo();

    // Forgets every step (a project was opened or closed).
    void clear();

    std::size_t stepCount() const { return m_steps.size(); }
    std::size_t undoableSteps() const { return m_done; }
    // Oldest steps are dropped once the history holds more than this many bytes;
    // the newest step always stays.
    void setByteLimit(std::size_t bytes) { m_byteLimit = bytes; }
    std::size_t bytesHeld() const { return m_bytes; }

private:
    struct Stored
    {
        std::uint64_t row = 0;
        std::uint64_t beforeAt = 0; // in the step's bytes; `after` follows `before`
        std::uint32_t beforeLength = 0;
        std::uint32_t afterLength = 0;
        int column = 0;
    };
    struct Step
    {
        std::string label;
        std::vector<Stored> changes;
        std::string bytes;
        std::size_t held() const { return label.capacity() + bytes.capacity() + changes.capacity() * sizeof(Stored); }
    };
    static Change view(const Step &step, const Stored &stored);
    void dropRedo();
    void trim();

    std::deque<Step> m_steps;
    std::size_t m_done = 0; // steps 0..m_done-1 are done; the rest can be redone
    int m_depth = 0;        // open beginStep() calls
    bool m_openHasStep = false; // the open pair has made its step
    std::string m_openLabel;
    std::size_t m_bytes = 0;
    std::size_t m_byteLimit = std::size_t(256) << 20;
};
