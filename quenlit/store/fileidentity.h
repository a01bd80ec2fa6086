#pragma once

#include <cstdint>
#include <string>

// What tells one state of a file from another without reading it: its size, the
// time of its last change (to the nanosecond where the file system keeps it),
// and which file it is (inode and device). Another program that rewrites the
// file in place changes the size or the time; one that replaces it by a rename
// changes the inode.
struct FileIdentity
{
    bool exists = false;
    std::uint64_t size = 0;
    std::int64_t modifiedNs = 0;
    std::uint64_t inode = 0;
    std::uint64_t device = 0;

    bool operator==(const FileIdentity &o) const
    {
        return exists == o.exists && size == o.size && modifiedNs == o.modifiedNs && inode == o.inode &&
               device == o.device;
    }
    bool operator!=(const FileIdentity &o) const { return !(*this == o); }

    // "size mtime inode device" in decimal, and back; false on anything else.
    std::string text() const;
    static bool parse(const std::string &text, FileIdentity &identity);
};

// The identity of the file a path names, links followed; `exists` false when it
// cannot be looked at.
FileIdentity IdentityOf(const std::string &path);
