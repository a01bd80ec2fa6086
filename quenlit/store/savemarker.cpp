#include "store/savemarker.h"

#include "store/sysfile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

const char kMagic[] = "QUENLIT-SAVE-1";
constexpr std::size_t kLongestMarker = 1 << 16;

std::uint64_t fnv64(std::string_view bytes)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

void addField(std::string &text, std::string_view field)
{
    text += std::to_string(field.size());
    text += ':';
    text.append(field.data(), field.size());
}

bool readFields(std::string_view text, std::vector<std::string> &fields)
{
    const auto hash = text.rfind('#');
    if (hash == std::string_view::npos)
        return false;
    char expected[24];
    std::snprintf(expected, sizeof expected, "#%016llx\n", static_cast<unsigned long long>(fnv64(text.substr(0, hash))));
    if (text.substr(hash) != expected)
        return false;
    std::size_t pos = 0;
    while (pos < hash) {
        std::size_t length = 0;
        std::size_t digits = 0;
        while (pos < hash && text[pos] >= '0' && text[pos] <= '9' && digits < 6) {
            length = length * 10 + static_cast<std::size_t>(text[pos++] - '0');
            ++digits;
        }
        if (digits == 0 || pos >= hash || text[pos] != ':' || hash - pos - 1 < length)
            return false;
        fields.emplace_back(text.substr(pos + 1, length));
        pos += 1 + length;
    }
    return true;
}

// A plain file, not a link, of at most the marker's size, read whole.
bool readMarker(const std::string &path, SaveMarker &marker)
{
    const sysfile::FileInfo info = sysfile::Inspect(path, false);
    if (!info.exists || !info.regular || info.size > kLongestMarker)
        return false;
    sysfile::File file;
    std::string text;
    if (sysfile::File::OpenForReading(path, file) != 0 || file.read(text, kLongestMarker) != 0)
        return false;
    std::vector<std::string> fields;
    if (!readFields(text, fields) || fields.size() != 6 || fields[0] != kMagic)
        return false;
    marker.path = path;
    if (!ParseProcessTag(fields[1], marker.writer) || !FileIdentity::parse(fields[4], marker.before))
        return false;
    marker.tokenFile = fields[2];
    marker.backup = fields[3];
    marker.backupSize = std::strtoull(fields[5].c_str(), nullptr, 10);
    return true;
}

// The backup a marker names must be a backup of this program: "<name>.bak" or
// "<name>.bak.<n>", a plain file (not a link) of the size recorded.
bool holdsTogether(const SaveMarker &marker, const std::string &tokenFile)
{
    if (marker.tokenFile != tokenFile)
        return false;
    const std::string name = sysfile::NameOf(marker.backup);
    const auto bak = name.rfind(".bak");
    if (bak == std::string::npos || bak == 0)
        return false;
    const std::string_view rest = std::string_view(name).substr(bak + 4);
    if (!rest.empty() && (rest.size() < 2 || rest[0] != '.' ||
                          rest.substr(1).find_first_not_of("0123456789") != std::string_view::npos))
        return false;
    const sysfile::FileInfo info = sysfile::Inspect(marker.backup, false);
    return info.exists && info.regular && info.size == marker.backupSize;
}

} // namespace

std::string SaveMarker::DefaultStateFolder()
{
    std::string state = sysfile::Environment("XDG_STATE_HOME");
    if (state.empty() || state.front() != '/') {
        const std::string home = sysfile::Environment("HOME");
        state = (home.empty() ? std::string("/tmp") : home) + "/.local/state";
    }
    return state + "/Velmora Tamrix/saves";
}

std::string SaveMarker::BesidePath(const std::string &tokenFile)
{
    return tokenFile + ".saving";
}

std::string SaveMarker::StatePath(const std::string &tokenFile, const std::string &stateFolder)
{
    std::string name = sysfile::NameOf(tokenFile);
    if (name.size() > 100)
        name.resize(100);
    char hash[24];
    std::snprintf(hash, sizeof hash, "%016llx", static_cast<unsigned long long>(fnv64(tokenFile)));
    return stateFolder + "/" + name + "-" + hash + ".saving";
}

int SaveMarker::write()
{
    std::string text;
    addField(text, kMagic);
    addField(text, writer.text());
    addField(text, tokenFile);
    addField(text, backup);
    addField(text, before.text());
    addField(text, std::to_string(backupSize));
    char tail[24];
    std::snprintf(tail, sizeof tail, "#%016llx\n", static_cast<unsigned long long>(fnv64(text)));
    text += tail;

    const auto put = [&](const std::string &where) {
        sysfile::File file;
        int error = sysfile::File::CreateNew(where, file, 0644);
        if (error == EEXIST) {
            // One left by a save that ended (its marker has been dealt with by
            // the caller), or something planted: a plain file of ours or a
            // link goes, which never touches what a link names.
            const sysfile::FileInfo old = sysfile::Inspect(where, false);
            if (old.exists && (old.symlink || (old.regular && old.owner == sysfile::UserId())) &&
                sysfile::Remove(where) == 0)
                error = sysfile::File::CreateNew(where, file, 0644);
        }
        if (!error)
            error = file.writeAll(text);
        if (!error)
            error = file.sync();
        if (!error)
            error = file.close();
        if (!error)
            error = sysfile::SyncFolder(sysfile::FolderOf(where));
        if (error && file.isOpen()) {
            file.close();
            sysfile::Remove(where);
        }
        return error;
    };
    path = BesidePath(tokenFile);
    int error = put(path);
    if (error == EACCES || error == EPERM || error == EROFS || error == EEXIST) {
        if (sysfile::MakeFolders(stateFolder) == 0) {
            path = StatePath(tokenFile, stateFolder);
            error = put(path);
        }
    }
    if (error)
        path.clear();
    return error;
}

void SaveMarker::remove() const
{
    if (path.empty())
        return;
    sysfile::Remove(path);
    sysfile::SyncFolder(sysfile::FolderOf(path));
}

std::optional<SaveMarker> SaveMarker::FindUnfinished(const std::string &tokenFile, std::string stateFolder)
{
    for (const std::string &where : {BesidePath(tokenFile), StatePath(tokenFile, stateFolder)}) {
        SaveMarker marker;
        marker.stateFolder = stateFolder;
        if (!readMarker(where, marker) || !holdsTogether(marker, tokenFile))
            continue;
        if (marker.writer.isThisProcess() || marker.writer.hasEnded())
            return marker;
    }
    return std::nullopt;
}

bool SaveMarker::SaveUnderWay(const std::string &tokenFile, std::string stateFolder)
{
    for (const std::string &where : {BesidePath(tokenFile), StatePath(tokenFile, stateFolder)}) {
        SaveMarker marker;
        if (readMarker(where, marker) && marker.tokenFile == tokenFile && !marker.writer.isThisProcess() &&
            !marker.writer.hasEnded())
            return true;
    }
    return false;
}

int SaveMarker::restoreBackup() const
{
    sysfile::File file;
    int error = sysfile::File::OpenExisting(tokenFile, file);
    if (!error)
        error = sysfile::CopyContent(backup, file);
    if (!error)
        error = file.sync();
    if (!error && before.exists && file.info().size == before.size)
        error = file.setModifiedTime(before.modifiedNs);
    if (!error)
        error = file.close();
    if (!error)
        remove();
    return error;
}
