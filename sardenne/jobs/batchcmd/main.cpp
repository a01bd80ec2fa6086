// Runs the batch files that the administrator writes, on platforms without the
// Windows command interpreter. It knows exactly their statements: "@ECHO OFF",
// "echo TEXT", "if errorlevel == 1 pause" and a command line, which is split
// into words as a Windows program splits its command line and run without a
// shell in the current directory, its words passed byte for byte; its exit
// status becomes the error level. Each line is read first as the interpreter
// reads it ("%%" is "%", "^" outside quotes takes the next character); a file
// with a line that the interpreter would read otherwise (a control byte, a
// variable, a second command, a redirection) runs nothing at all.
//
// What the command prints comes through this program, which keeps going (and
// keeps the command going) when nobody reads its output any more: the
// administrator may end while a command runs. With --delete-when-done the batch
// file is removed at the end, as long as its name still leads to the file that
// was run.
#include "jobcommands.h"
#include "posixfiles.h"
#include "textlines.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The error level of a command that cannot be started: exit statuses here are
// 8-bit, so the shells' "not found" rather than cmd.exe's 9009.
constexpr int kNotFound = 127;

// Standard output, given up for good once its reader has gone.
bool g_outputGone = false;

void out(std::string_view bytes)
{
    while (!bytes.empty() && !g_outputGone) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            g_outputGone = true; // EPIPE and the like: the rest goes nowhere
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

bool startsWithWord(const std::string &line, const char *word)
{
    std::string head = line.substr(0, std::string(word).size());
    for (char &c : head)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return head == word;
}

// Copies what is in the pipe to standard output; false at its end.
bool relay(int fd)
{
    char buffer[65536];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0)
        return errno == EINTR || errno == EAGAIN;
    if (n == 0)
        return false;
    out(std::string_view(buffer, static_cast<std::size_t>(n)));
    return true;
}

int runCommand(const std::string &line)
{
    const auto words = SplitCommandLine(line);
    if (words.empty())
        return 0;
    std::vector<char *> argv;
    for (const std::string &w : words)
        argv.push_back(const_cast<char *>(w.c_str()));
    argv.push_back(nullptr);

    int output[2];
    int report[2];
    if (::pipe(output) != 0)
        return kNotFound;
    if (::pipe(report) != 0) {
        ::close(output[0]);
        ::close(output[1]);
        return kNotFound;
    }
    ::fcntl(output[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(report[0], F_SETFD, FD_CLOEXEC);
    ::fcntl(report[1], F_SETFD, FD_CLOEXEC);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(output[1], STDOUT_FILENO);
        ::dup2(output[1], STDERR_FILENO);
        ::close(output[1]);
        ::signal(SIGPIPE, SIG_DFL);
        ::execvp(argv[0], argv.data());
        const int error = errno;
        (void)!::write(report[1], &error, sizeof error);
        ::_exit(kNotFound);
    }
    ::close(output[1]);
    ::close(report[1]);
    if (child < 0) {
        ::close(output[0]);
        ::close(report[0]);
        return kNotFound;
    }
    int error = 0;
    ssize_t reported;
    do {
        reported = ::read(report[0], &error, sizeof error);
    } while (reported < 0 && errno == EINTR);
    ::close(report[0]);

    // Until the command ends; a program it left running in the background may
    // hold the pipe open longer, and is not waited for.
    int status = 0;
    bool ended = false;
    bool open = true;
    while (!ended) {
        pollfd p{output[0], POLLIN, 0};
        if (open && ::poll(&p, 1, 200) > 0)
            open = relay(output[0]);
        else if (!open)
            ::poll(nullptr, 0, 50);
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        ended = done == child || (done < 0 && errno != EINTR);
    }
    ::fcntl(output[0], F_SETFL, O_NONBLOCK);
    while (open && relay(output[0])) {
        pollfd p{output[0], POLLIN, 0};
        if (::poll(&p, 1, 0) <= 0)
            break;
    }
    ::close(output[0]);

    if (reported == static_cast<ssize_t>(sizeof error)) {
        const std::string message = "'" + words.front() + "' n'a pas pu \xEAtre lanc\xE9 : " + std::strerror(error) + "\n";
        out(message);
        return kNotFound;
    }
    if (!WIFEXITED(status))
        return 255;
    return WEXITSTATUS(status);
}

void pauseForKey()
{
    out("Appuyez sur une touche pour continuer...\n");
    if (::isatty(STDIN_FILENO))
        std::getchar();
}

} // namespace

int main(int argc, char *argv[])
{
    // A reader that has gone must not end the run: writes then fail instead.
    ::signal(SIGPIPE, SIG_IGN);
    bool deleteWhenDone = false;
    int first = 1;
    if (argc > 1 && std::strcmp(argv[1], "--delete-when-done") == 0) {
        deleteWhenDone = true;
        first = 2;
    }
    if (argc != first + 1) {
        std::fprintf(stderr, "usage: %s [--delete-when-done] BATCHFILE\n", argv[0]);
        return 2;
    }
    const std::string batchFile = argv[first];
    std::string bytes;
    posix::FileId id;
    if (const int error = posix::ReadRegularFile(batchFile, &bytes, &id)) {
        out(batchFile + " : fichier illisible (" + std::strerror(error) + ")\n");
        return 2;
    }
    std::vector<std::string> statements;
    LineSplitter lines(bytes);
    std::string_view view;
    while (lines.next(view)) {
        BatchLine line = ReadBatchLine(view);
        if (line.refused) {
            out(batchFile + ", ligne " + std::to_string(statements.size() + 1) + " : " + line.reason +
                " ; rien n'est ex\xE9" "cut\xE9\n");
            if (deleteWhenDone)
                posix::RemoveIfSame(batchFile, id);
            return 2;
        }
        statements.push_back(std::move(line.text));
    }
    bool echo = true;
    int errorLevel = 0;
    for (const std::string &line : statements) {
        if (line.empty())
            continue;
        const bool quiet = line.front() == '@';
        const std::string statement = quiet ? line.substr(1) : line;
        if (echo && !quiet)
            out("> " + statement + "\n");
        if (startsWithWord(statement, "echo off") && statement.size() == 8) {
            echo = false;
        } else if (startsWithWord(statement, "echo ") || (startsWithWord(statement, "echo") && statement.size() == 4)) {
            out((statement.size() > 5 ? statement.substr(5) : std::string()) + "\n");
        } else if (startsWithWord(statement, "if errorlevel == 1 pause")) {
            if (errorLevel >= 1)
                pauseForKey();
        } else {
            errorLevel = runCommand(statement);
        }
    }
    if (deleteWhenDone)
        posix::RemoveIfSame(batchFile, id);
    return errorLevel;
}
