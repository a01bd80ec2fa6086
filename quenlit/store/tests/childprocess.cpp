#include "childprocess.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sched.h>
#include <sys/mount.h>
#endif

namespace {

// Exit codes of a child whose setup failed; its output is then the reason.
constexpr int kSetupFailed = 42;

ChildResult runChild(const std::function<std::string(std::string &)> &setup, const std::function<std::string()> &work)
{
    ChildResult result;
    int fds[2];
    if (pipe(fds) != 0) {
        result.failure = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        result.failure = std::string("fork: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return result;
    }
    if (pid == 0) {
        close(fds[0]);
        std::string why;
        int code = 0;
        std::string out;
        if (setup && !setup(why).empty()) {
            out = why;
            code = kSetupFailed;
        } else {
            out = work();
        }
        const char *p = out.data();
        std::size_t left = out.size();
        while (left > 0) {
            const ssize_t n = write(fds[1], p, left);
            if (n <= 0)
                break;
            p += n;
            left -= static_cast<std::size_t>(n);
        }
        close(fds[1]);
        _exit(code);
    }
    close(fds[1]);
    std::string out;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        out.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        result.ran = true;
        result.output = out;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == kSetupFailed) {
        result.failure = out;
    } else {
        result.failure = "the child process died (status " + std::to_string(status) + "): " + out;
    }
    return result;
}

#ifdef __linux__
bool writeProcFile(const char *path, const std::string &text)
{
    std::ofstream out(path);
    out << text;
    out.close();
    return static_cast<bool>(out);
}
#endif

} // namespace

bool RunningAsRoot()
{
    return geteuid() == 0;
}

uid_t UnprivilegedUid()
{
    return RunningAsRoot() ? 65534 : geteuid();
}

gid_t UnprivilegedGid()
{
    return RunningAsRoot() ? 65534 : getegid();
}

ChildResult RunInChild(const std::function<std::string()> &work)
{
    return runChild({}, work);
}

ChildResult RunAsUser(uid_t uid, gid_t gid, const std::vector<gid_t> &groups, const std::function<std::string()> &work)
{
    if (!RunningAsRoot()) {
        if (uid == geteuid() && gid == getegid())
            return RunInChild(work);
        ChildResult refused;
        refused.failure = "only root can run a test as another user";
        return refused;
    }
    return runChild(
        [&](std::string &why) {
            if (setgroups(groups.size(), groups.empty() ? nullptr : groups.data()) != 0)
                why = std::string("setgroups: ") + std::strerror(errno);
            else if (setgid(gid) != 0)
                why = std::string("setgid: ") + std::strerror(errno);
            else if (setuid(uid) != 0)
                why = std::string("setuid: ") + std::strerror(errno);
            else if (geteuid() == 0)
                why = "still root after setuid";
            return why;
        },
        work);
}

ChildResult RunUnprivileged(const std::function<std::string()> &work)
{
    return RunAsUser(UnprivilegedUid(), UnprivilegedGid(), {}, work);
}

ChildResult RunWithSmallDisk(const std::string &folder, std::size_t bytes, const std::function<std::string()> &work)
{
#ifdef __linux__
    return runChild(
        [&](std::string &why) {
            const uid_t uid = geteuid();
            const gid_t gid = getegid();
            bool ready = false;
            if (uid == 0)
                ready = unshare(CLONE_NEWNS) == 0;
            if (!ready) {
                // Without the right to mount, a user namespace of our own gives it.
                if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) {
                    why = std::string("no mount namespace: ") + std::strerror(errno);
                    return why;
                }
                writeProcFile("/proc/self/setgroups", "deny");
                if (!writeProcFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
                    !writeProcFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
                    why = "cannot map the user into its namespace";
                    return why;
                }
            }
            if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
                why = std::string("cannot make the mounts private: ") + std::strerror(errno);
                return why;
            }
            const std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
            if (mount("tmpfs", folder.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0)
                why = std::string("cannot mount a tmpfs: ") + std::strerror(errno);
            return why;
        },
        work);
#else
    (void)folder;
    (void)bytes;
    (void)work;
    ChildResult refused;
    refused.failure = "no private mounts on this system";
    return refused;
#endif
}

bool GiveTo(const std::string &path, uid_t uid, gid_t gid, unsigned mode)
{
    if ((uid != geteuid() || gid != getegid()) && lchown(path.c_str(), uid, gid) != 0)
        return false;
    return chmod(path.c_str(), static_cast<mode_t>(mode)) == 0;
}

long EndedProcessId()
{
    const pid_t pid = fork();
    if (pid == 0)
        _exit(0);
    int status = 0;
    waitpid(pid, &status, 0);
    return static_cast<long>(pid);
}

std::string Report(const std::map<std::string, std::string> &values)
{
    std::string text;
    for (const auto &[key, value] : values) {
        std::string escaped;
        for (char c : value)
            escaped += c == '\n' ? std::string("\\n") : c == '\\' ? std::string("\\\\") : std::string(1, c);
        text += key + "=" + escaped + "\n";
    }
    return text;
}

std::map<std::string, std::string> ParseReport(const std::string &text)
{
    std::map<std::string, std::string> values;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        std::string value;
        for (std::size_t i = eq + 1; i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[i + 1] == 'n' ? '\n' : line[i + 1];
                ++i;
            } else {
                value += line[i];
            }
        }
        values[line.substr(0, eq)] = value;
    }
    return values;
}
