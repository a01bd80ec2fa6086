#include "store/fileidentity.h"

#include "store/sysfile.h"

#include <sstream>

std::string FileIdentity::text() const
{
    if (!exists)
        return "-";
    return std::to_string(size) + " " + std::to_string(modifiedNs) + " " + std::to_string(inode) + " " +
           std::to_string(device);
}

bool FileIdentity::parse(const std::string &text, FileIdentity &identity)
{
    if (text == "-") {
        identity = FileIdentity{};
        return true;
    }
    std::istringstream in(text);
    FileIdentity read;
    if (!(in >> read.size >> read.modifiedNs >> read.inode >> read.device))
        return false;
    std::string rest;
    if (in >> rest)
        return false;
    read.exists = true;
    identity = read;
    return true;
}

FileIdentity IdentityOf(const std::string &path)
{
    const sysfile::FileInfo info = sysfile::Inspect(path);
    FileIdentity identity;
    if (!info.exists)
        return identity;
    identity.exists = true;
    identity.size = info.size;
    identity.modifiedNs = info.modifiedNs;
    identity.inode = info.inode;
    identity.device = info.device;
    return identity;
}
