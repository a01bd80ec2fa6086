#pragma once

#include <string>
#include <string_view>

// Which process of which machine made a file: "<pid>@<host>", written into the
// names of temporaries and journals and into lock files, so that a later process
// can tell a file left by one that has ended from one still in use.
struct ProcessTag
{
    long pid = 0;
    std::string host;

    std::string text() const { return std::to_string(pid) + "@" + host; }
    bool isThisProcess() const;
    // True only when the process ran on this machine and is gone. A process of
    // another machine cannot be looked at and counts as running.
    bool hasEnded() const;
};

// This machine's name as it goes into file names: letters, digits, '-', '_' and
// '.', anything else as '_', at most 64 characters.
const std::string &ThisHost();
ProcessTag ThisProcess();
std::string ThisProcessTag();

// Reads "<pid>@<host>" (the whole text); false when it is not one.
bool ParseProcessTag(std::string_view text, ProcessTag &tag);
