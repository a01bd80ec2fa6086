#include "window/openingahead.h"

#include "window/codepagechoice.h"
#include "codepage.h"

#include <system_error>

namespace quenlit {

OpeningAhead::OpeningAhead(const std::string &path) : m_path(path)
{
    if (path.find_first_not_of(' ') == std::string::npos)
        return;
    std::error_code ec;
    m_startFolder = std::filesystem::current_path(ec);
    m_absolute = CodePageChoice::absolutePath(path);
    try {
        m_reader = std::thread([this] { m_data = ReadProject(m_path, &m_events); });
        m_pending = true;
    } catch (const std::system_error &) {
        // No thread to be had: the window reads the project when it opens it.
    }
}

OpeningAhead::~OpeningAhead()
{
    wait();
}

void OpeningAhead::wait()
{
    if (m_reader.joinable())
        m_reader.join();
}

std::optional<ProjectData> OpeningAhead::take(std::optional<unsigned> projectCodePage, TokenLoadObserver *observer)
{
    if (!m_pending)
        return std::nullopt;
    m_pending = false;
    wait();
    // The reading took the code page of the project's language: a code page
    // chosen for the project reads it again.
    if (projectCodePage && CodePage::get(*projectCodePage).number() != m_data.projectCodePage) {
        m_pending = true;
        drop();
        return std::nullopt;
    }
    if (observer)
        m_events.replay(*observer);
    return std::move(m_data);
}

void OpeningAhead::drop()
{
    if (!m_pending)
        return;
    m_pending = false;
    wait();
    m_data = ProjectData();
    std::error_code ec;
    std::filesystem::current_path(m_startFolder, ec);
}

void OpeningAhead::Events::badToken(std::size_t lineNumber, std::string_view line)
{
    m_events.push_back({Event::Bad, lineNumber, std::string(line)});
}

void OpeningAhead::Events::progress(int value)
{
    m_events.push_back({Event::Progress, static_cast<std::size_t>(value), {}});
}

void OpeningAhead::Events::fileStarted(const std::string &path)
{
    m_events.push_back({Event::Started, 0, path});
}

void OpeningAhead::Events::fileFinished()
{
    m_events.push_back({Event::Finished, 0, {}});
}

void OpeningAhead::Events::replay(TokenLoadObserver &observer) const
{
    for (const Event &e : m_events) {
        switch (e.kind) {
        case Event::Bad:
            observer.badToken(e.number, e.text);
            break;
        case Event::Progress:
            observer.progress(static_cast<int>(e.number));
            break;
        case Event::Started:
            observer.fileStarted(e.text);
            break;
        case Event::Finished:
            observer.fileFinished();
            break;
        }
    }
}

} // namespace quenlit
