#pragma once

#include "store/processtag.h"

#include <string>

// The lock an editor takes on the project token file it has open: a small file
// "<token file>.lock" beside the file the token file's path resolves to, holding
// the host, the process number and the user of the editor. A second editor that
// finds a lock of a running editor tells its user; a lock whose process has
// ended on this machine (or is ending: killed, a zombie) is taken over without
// a word.
class ProjectLock
{
public:
    enum class Outcome
    {
        Taken,         // this process holds the lock now
        HeldElsewhere, // another editor holds it: see holder()
        Unavailable    // no lock can be made there (a folder that takes no new files)
    };

    ProjectLock() = default;
    ~ProjectLock();
    ProjectLock(const ProjectLock &) = delete;
    ProjectLock &operator=(const ProjectLock &) = delete;

    // Takes the lock of a token file. A lock this object holds on another file is
    // released first, unless taking the new one fails.
    Outcome acquire(const std::string &tokenFile);
    // Removes the lock file, if it still names this process.
    void release();

    bool held() const { return !m_path.empty(); }
    const std::string &path() const { return m_path; }
    // Who holds the lock after HeldElsewhere; `known` false when the lock file
    // could not be read.
    struct Holder
    {
        bool known = false;
        ProcessTag process;
        std::string user;
        // The lock's name is a symbolic link (this program never makes one),
        // `dangling` when it leads nowhere.
        bool link = false;
        bool dangling = false;
    };
    const Holder &holder() const { return m_holder; }

    static std::string LockPathFor(const std::string &tokenFile);

private:
    std::string m_path;
    Holder m_holder;
};
