// Runs the batch files that the administrator writes, on platforms without the
// Windows command interpreter. It knows exactly their statements: "@ECHO OFF",
// "echo TEXT", "if errorlevel == 1 pause" and a command line, which is split
// into words as a Windows program splits its command line and run without a
// shell in the current directory; its exit status becomes the error level.
#include "jobcommands.h"
#include "textlines.h"

#include <QCoreApplication>
#include <QProcess>

#include <cstdio>
#include <iostream>
#include <string>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace {

// The error level of a command that cannot be started: exit statuses here are
// 8-bit, so the shells' "not found" rather than cmd.exe's 9009.
constexpr int kNotFound = 127;

bool startsWithWord(const std::string &line, const char *word)
{
    std::string head = line.substr(0, std::string(word).size());
    for (char &c : head)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return head == word;
}

int runCommand(const std::string &line)
{
    const auto words = SplitCommandLine(line);
    if (words.empty())
        return 0;
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.setInputChannelMode(QProcess::ForwardedInputChannel);
    process.setProgram(QString::fromLocal8Bit(words.front().c_str()));
    QStringList arguments;
    for (std::size_t i = 1; i < words.size(); ++i)
        arguments << QString::fromLocal8Bit(words[i].c_str());
    process.setArguments(arguments);
    std::fflush(stdout);
    process.start();
    if (!process.waitForStarted(-1)) {
        std::fprintf(stderr, "'%s' n'a pas pu \xEAtre lanc\xE9 : %s\n", words.front().c_str(),
                     process.errorString().toLocal8Bit().constData());
        return kNotFound;
    }
    process.waitForFinished(-1);
    if (process.exitStatus() != QProcess::NormalExit)
        return 255;
    return process.exitCode();
}

void pauseForKey()
{
    std::printf("Appuyez sur une touche pour continuer...\n");
    std::fflush(stdout);
#ifdef Q_OS_UNIX
    if (isatty(STDIN_FILENO))
        std::getchar();
#endif
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s BATCHFILE\n", argv[0]);
        return 2;
    }
    const auto bytes = ReadWholeFile(argv[1]);
    if (!bytes) {
        std::fprintf(stderr, "%s : fichier introuvable\n", argv[1]);
        return 2;
    }
    bool echo = true;
    int errorLevel = 0;
    LineSplitter lines(*bytes);
    std::string_view view;
    while (lines.next(view)) {
        const std::string line(view);
        if (line.empty())
            continue;
        const bool quiet = line.front() == '@';
        const std::string statement = quiet ? line.substr(1) : line;
        if (echo && !quiet)
            std::printf("> %s\n", statement.c_str());
        if (startsWithWord(statement, "echo off") && statement.size() == 8) {
            echo = false;
        } else if (startsWithWord(statement, "echo ") || (startsWithWord(statement, "echo") && statement.size() == 4)) {
            std::printf("%s\n", statement.size() > 5 ? statement.c_str() + 5 : "");
        } else if (startsWithWord(statement, "if errorlevel == 1 pause")) {
            if (errorLevel >= 1)
                pauseForKey();
        } else {
            errorLevel = runCommand(statement);
        }
        std::fflush(stdout);
    }
    return errorLevel;
}
