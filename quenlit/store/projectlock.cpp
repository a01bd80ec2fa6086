#include "store/projectlock.h"

#include "store/sysfile.h"

#include <cerrno>
#include <chrono>

namespace {

std::string lockText()
{
    std::string user = sysfile::Environment("USER");
    if (user.empty())
        user = sysfile::Environment("LOGNAME");
    return ThisProcessTag() + "\n" + user + "\n";
}

// Reads a lock file: its holder, or known = false when it is unreadable or
// still empty.
ProjectLock::Holder readLock(const std::string &path, sysfile::FileInfo &info)
{
    ProjectLock::Holder holder;
    sysfile::File file;
    std::string bytes;
    info = sysfile::Inspect(path, false);
    if (info.symlink) {
        holder.link = true;
        holder.dangling = !sysfile::Inspect(path, true).exists;
        return holder;
    }
    if (sysfile::File::OpenForReading(path, file) != 0 || file.read(bytes, 4096) != 0)
        return holder;
    const auto end = bytes.find('\n');
    if (end == std::string::npos || !ParseProcessTag(std::string_view(bytes).substr(0, end), holder.process))
        return holder;
    const auto userEnd = bytes.find('\n', end + 1);
    holder.user = bytes.substr(end + 1, userEnd == std::string::npos ? std::string::npos : userEnd - end - 1);
    holder.known = true;
    return holder;
}

bool youngerThanSeconds(const sysfile::FileInfo &info, int seconds)
{
    const auto now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    return now - info.modifiedNs < std::int64_t(seconds) * 1000000000;
}

} // namespace

ProjectLock::~ProjectLock()
{
    release();
}

std::string ProjectLock::LockPathFor(const std::string &tokenFile)
{
    std::string target;
    if (sysfile::ResolveLinks(tokenFile, target) != 0)
        target = tokenFile;
    return target + ".lock";
}

ProjectLock::Outcome ProjectLock::acquire(const std::string &tokenFile)
{
    const std::string path = LockPathFor(tokenFile);
    m_holder = Holder{};
    for (int attempt = 0; attempt < 3; ++attempt) {
        sysfile::File file;
        const int error = sysfile::File::CreateNew(path, file, 0644);
        if (error == 0) {
            const std::string text = lockText();
            if (file.writeAll(text) != 0 || file.close() != 0) {
                file.close();
                sysfile::Remove(path);
                return Outcome::Unavailable;
            }
            if (m_path != path)
                release();
            m_path = path;
            return Outcome::Taken;
        }
        if (error != EEXIST)
            return Outcome::Unavailable;

        sysfile::FileInfo info;
        const Holder holder = readLock(path, info);
        if (!info.exists)
            continue; // gone meanwhile: try again
        if (holder.known && holder.process.isThisProcess()) {
            if (m_path != path)
                release();
            m_path = path; // this process opened the project before
            return Outcome::Taken;
        }
        // A lock being written this very moment reads empty for an instant; an
        // empty lock that stays so was left by an editor killed in between.
        const bool stale = holder.known ? holder.process.hasEnded()
                                        : (info.exists && info.regular && !youngerThanSeconds(info, 5));
        if (!stale) {
            m_holder = holder;
            return Outcome::HeldElsewhere;
        }
        sysfile::Remove(path);
    }
    return Outcome::Unavailable;
}

void ProjectLock::release()
{
    if (m_path.empty())
        return;
    sysfile::FileInfo info;
    const Holder holder = readLock(m_path, info);
    if (holder.known && holder.process.isThisProcess())
        sysfile::Remove(m_path);
    m_path.clear();
}
