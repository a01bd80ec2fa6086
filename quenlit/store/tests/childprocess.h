#pragma once

// Test support: work run in a child process, so that a test can take the
// identity of an unprivileged user, mount a file system of its own or be killed,
// without changing the test process. The work returns a text that the parent
// reads back; gtest assertions belong in the parent.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include <sys/types.h>

struct ChildResult
{
    bool ran = false;    // the work ran to its end
    std::string output;  // what the work returned
    std::string failure; // why it did not run (setup refused, died...)
};

bool RunningAsRoot();

// The user whose permissions the permission tests are about: "nobody" (65534)
// when the tests run as root, the test's own user otherwise.
uid_t UnprivilegedUid();
gid_t UnprivilegedGid();

// Runs work in a child process as it is.
ChildResult RunInChild(const std::function<std::string()> &work);
// Runs work in a child process with another identity. Only root can do that;
// for anyone else this is RunInChild when the identity is the caller's own, a
// failure otherwise.
ChildResult RunAsUser(uid_t uid, gid_t gid, const std::vector<gid_t> &groups, const std::function<std::string()> &work);
// Runs work as the unprivileged user (above), with no supplementary group.
ChildResult RunUnprivileged(const std::function<std::string()> &work);
// Runs work in a child process that has a tmpfs of the given size mounted on the
// folder, in a mount namespace of its own (as root, or in a user namespace).
ChildResult RunWithSmallDisk(const std::string &folder, std::size_t bytes, const std::function<std::string()> &work);

// Gives a file or folder to a user and group (chown), and sets its mode.
bool GiveTo(const std::string &path, uid_t uid, gid_t gid, unsigned mode);

// The number of a process that has ended.
long EndedProcessId();

// "key=value" lines, as works report several things.
std::string Report(const std::map<std::string, std::string> &values);
std::map<std::string, std::string> ParseReport(const std::string &text);

// A test that needs what its child process could not get (another identity, a
// mount) fails when it runs as root, where CI runs it, and is skipped for an
// ordinary user who cannot give it that.
#define REQUIRE_CHILD_RAN(result)                                                                                      \
    do {                                                                                                               \
        if (!(result).ran) {                                                                                           \
            if (RunningAsRoot())                                                                                       \
                FAIL() << (result).failure;                                                                            \
            else                                                                                                       \
                GTEST_SKIP() << (result).failure;                                                                      \
        }                                                                                                              \
    } while (false)
