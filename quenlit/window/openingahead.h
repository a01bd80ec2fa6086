#pragma once

#include "store/projectopen.h"
#include "tokenio.h"

#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace quenlit {

// The project the command line names, read on a thread of its own while the
// program starts (before the window system and the window exist), so that its
// reading overlaps the start. The window takes the reading when it opens that
// project in the code page the reading assumed (its language's, no choice
// remembered); what the reading told its observer is then told again, in the
// same order, as the window shows it (progress, bad tokens). Otherwise the
// reading is dropped and the window reads the project itself.
//
// The reading makes the project's folder the current one, as any opening does;
// the folder the program started in is kept for a failed opening to go back to.
class OpeningAhead
{
public:
    OpeningAhead() = default;
    // Starts reading `path` (the whole command line argument); nothing for an
    // empty or blank one.
    explicit OpeningAhead(const std::string &path);
    ~OpeningAhead();
    OpeningAhead(const OpeningAhead &) = delete;
    OpeningAhead &operator=(const OpeningAhead &) = delete;

    // Whether a reading of `path` is waiting to be taken.
    bool holds(const std::string &path) const { return m_pending && path == m_path; }
    // The project's absolute path, made against the folder the program started in.
    const std::string &absolutePath() const { return m_absolute; }
    const std::filesystem::path &startFolder() const { return m_startFolder; }

    // Waits for the reading and gives it, telling `observer` what it heard;
    // a reading in another code page than `projectCodePage` is dropped and
    // nothing is given (the current folder is then the start folder again).
    std::optional<ProjectData> take(std::optional<unsigned> projectCodePage, TokenLoadObserver *observer);
    // Waits for the reading and drops it; the current folder is the start folder again.
    void drop();

private:
    // What the reading told its observer, kept until the window can show it.
    class Events : public TokenLoadObserver
    {
    public:
        void badToken(std::size_t lineNumber, std::string_view line) override;
        void progress(int value) override;
        void fileStarted(const std::string &path) override;
        void fileFinished() override;
        void replay(TokenLoadObserver &observer) const;

    private:
        struct Event
        {
            enum Kind
            {
                Bad,
                Progress,
                Started,
                Finished
            } kind;
            std::size_t number; // line number or progress value
            std::string text;   // the bad line, or the file started
        };
        std::vector<Event> m_events;
    };

    void wait();

    std::string m_path;
    std::string m_absolute;
    std::filesystem::path m_startFolder;
    bool m_pending = false;
    std::thread m_reader;
    Events m_events;
    ProjectData m_data;
};

} // namespace quenlit
