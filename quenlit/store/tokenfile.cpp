#include "store/tokenfile.h"

#include "store/processtag.h"
#include "store/savemarker.h"
#include "store/sysfile.h"
#include "tokenline.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <random>

using sysfile::ErrorText;
using sysfile::File;
using sysfile::FileInfo;

namespace {

bool isHex(std::string_view s)
{
    for (char c : s) {
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return !s.empty();
}

// Folder refuses a new file: the save goes on in place.
bool refusesNewFiles(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

// Creates the temporary file of a save of `path`: "<path>.~<pid>@<host>.<8 hex>".
int createTemporary(const std::string &path, std::string &temp, File &file)
{
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        temp = TemporaryNameFor(path);
        error = File::CreateNew(temp, file);
    }
    return error;
}

// Gives a new file the mode, owner and group of the file it stands in for.
// Only the system's administrator may give a file away, so the owner may end up
// the saver's; the group is kept whenever the saver belongs to it. False when
// the group could not be kept.
bool takeOwnership(File &file, const FileInfo &like)
{
    file.setMode(like.mode);
    if (file.setOwner(like.owner, like.group) != 0 && file.setGroup(like.group) != 0)
        return file.info().group == like.group;
    // Changing owner or group may clear the set-id bits; put the mode back.
    file.setMode(like.mode);
    return true;
}

// Copies the token file's content into its backup, on the disk before the
// backup is closed: the system's error, or 0. The backup is closed either way.
int CopyIntoBackup(const std::string &target, File &backup)
{
    int error = sysfile::CopyContent(target, backup);
    if (!error)
        error = backup.sync();
    if (!error)
        error = backup.close();
    if (error)
        backup.close();
    return error;
}

// Writes the token lines, a chunk at a time, through `sink`; stops at its first
// error. The progress is told once a chunk is written, the last at 100.
int writeTokens(const TokenTable &table, const std::function<void(double)> &progress,
                const std::function<int(std::string_view)> &sink)
{
    std::string chunk;
    chunk.reserve(1 << 20);
    const std::size_t n = table.tokenCount();
    for (std::size_t row = 1; row <= n; ++row) {
        AppendTokenLine(table, row, chunk);
        if (chunk.size() >= (1u << 20) - 4096 || row == n) {
            if (const int error = sink(chunk))
                return error;
            chunk.clear();
            if (progress)
                progress(100.0 * static_cast<double>(row) / static_cast<double>(n));
        }
    }
    return 0;
}

class Saver
{
public:
    Saver(const std::string &path, const TokenTable &table, const std::function<void(double)> &progress)
        : m_path(path), m_backup(path + ".bak"), m_table(table), m_progress(progress)
    {
    }

    SaveResult run();

private:
    SaveResult fail(std::string message, SaveError error = SaveError::Failed)
    {
        SaveResult result;
        result.error = error;
        result.file = m_path;
        result.message = std::move(message);
        return result;
    }
    std::string failedToken(const std::string &what, int error) const
    {
        return what + " " + m_path + ": " + ErrorText(error);
    }
    // Whether the path names the token file inspected, not following a link.
    bool isTheTokenFile(const std::string &path) const;
    bool backupIsTheTokenFile() const;
    void chooseBackup();
    bool linkBackup();
    bool makeBackup(std::string &message);
    bool freshBackup(std::string &message);
    bool backupInPlace(std::string &message, int refused);
    bool markInPlace(std::string &message);
    bool writeInPlace(std::string &message);
    SaveResult writeAnew();
    SaveResult done() const
    {
        SaveResult result;
        result.file = m_path;
        result.message = m_note;
        return result;
    }

    const std::string &m_path;
    std::string m_backup;
    bool m_freshBackup = false; // the backup goes under a name of its own: m_backup is new
    std::string m_note;          // what the user is told of a save that succeeded
    std::optional<SaveMarker> m_unfinished; // an in-place rewrite that did not end
    SaveMarker m_marker;
    const TokenTable &m_table;
    const std::function<void(double)> &m_progress;
    std::string m_target; // the file the path finally names
    std::string m_absolute; // the same, as an absolute path
    FileInfo m_info;      // the target as found before the save
};

SaveResult Saver::run()
{
    // A token file deleted or moved away since it was read: there is nothing to
    // back up, the tokens are written anew.
    const FileInfo named = sysfile::Inspect(m_path, false);
    if (!named.exists && named.error == ENOENT)
        return writeAnew();
    if (const int error = sysfile::ResolveLinks(m_path, m_target))
        return fail(failedToken("Can't save the token file", error));
    m_info = sysfile::Inspect(m_target);
    if (!m_info.exists)
        return fail("Can't copy the token file " + m_path + " to its backup: " + ErrorText(m_info.error));
    if (!m_info.regular)
        return fail("The token file " + m_path + " is not a regular file; nothing was saved.", SaveError::Refused);
    // A file nobody may write was protected on purpose: even the administrator
    // does not replace it.
    if ((m_info.mode & 0222) == 0)
        return fail("The token file " + m_path + " is write-protected; nothing was saved.", SaveError::Refused);
    if (const int writable = sysfile::CheckWritable(m_target))
        return fail(failedToken("Can't write the token file", writable));

    // Marks are kept by absolute paths, as an opening looks for them.
    if (sysfile::AbsolutePath(m_target, m_absolute) != 0)
        m_absolute = m_target;
    if (SaveMarker::SaveUnderWay(m_absolute))
        return fail("Another editor is saving the token file " + m_path +
                    " right now; nothing was saved. Save again in a moment.");
    // An in-place rewrite that was killed may have left the token file mixed:
    // its backup holds the last whole content and stays as it is.
    m_unfinished = SaveMarker::FindUnfinished(m_absolute);

    RemoveStaleTemporaries(m_path);
    // A killed save's leftover link to the token file has gone: count its names again.
    m_info.links = sysfile::Inspect(m_target).links;
    chooseBackup();

    // A new file beside the target, renamed over it, unless the target has other
    // names, its group would change or its folder takes no new files.
    // A save killed between giving the old file the backup's name and renaming
    // the new one over it leaves the token file's second name as its backup:
    // that one does not count, the next save replaces the file as usual.
    bool inPlace = m_info.links > (backupIsTheTokenFile() ? 2u : 1u);
    std::string temp;
    File out;
    if (!inPlace) {
        const int error = createTemporary(m_target, temp, out);
        if (refusesNewFiles(error))
            inPlace = true;
        else if (error)
            return fail(failedToken("Can't save the token file", error));
        else if (!takeOwnership(out, m_info)) {
            out.close();
            sysfile::Remove(temp);
            inPlace = true;
        }
    }

    std::string message;
    if (inPlace) {
        if (!m_unfinished && !makeBackup(message))
            return fail(message);
        if (!markInPlace(message))
            return fail(message);
        if (!writeInPlace(message))
            return fail(message);
        m_marker.remove();
        return done();
    }

    // The new content is complete on the disk before anything else changes.
    int error = writeTokens(m_table, m_progress, [&](std::string_view bytes) { return out.writeAll(bytes); });
    if (!error)
        error = out.sync();
    if (!error)
        error = out.close();
    if (error) {
        out.close();
        sysfile::Remove(temp);
        return fail(failedToken("Can't write the token file", error));
    }
    // The token file is replaced by a rename, so it stays whole under its old
    // content: the backup can be that file itself under a second name, where
    // the file system allows; else a copy.
    if (!m_unfinished && !(!m_freshBackup && linkBackup()) && !makeBackup(message)) {
        sysfile::Remove(temp);
        return fail(message);
    }
    if ((error = sysfile::Rename(temp, m_target)) != 0) {
        sysfile::Remove(temp);
        return fail(failedToken("Can't write the token file", error));
    }
    sysfile::SyncFolder(sysfile::FolderOf(m_target));
    if (m_unfinished)
        m_unfinished->remove(); // the token file is whole again
    return done();
}

// The backup's name: "<path>.bak", unless what has that name cannot be replaced
// safely: a folder or some other special file, or, in a folder where only the
// owner of a name may replace it (sticky, like /tmp), a file or link of another
// user. The previous content then goes under the first free name
// "<path>.bak.<n>" (or one of this user's own from an earlier save), and the
// save says so.
void Saver::chooseBackup()
{
    const auto replaceable = [](const std::string &name, bool sticky) {
        const FileInfo info = sysfile::Inspect(name, false);
        if (!info.exists)
            return info.error == ENOENT;
        if (!info.regular && !info.symlink)
            return false;
        return !sticky || info.owner == sysfile::UserId() || sysfile::UserId() == 0;
    };
    const FileInfo folder = sysfile::Inspect(sysfile::FolderOf(m_path));
    const bool sticky = folder.exists && (folder.mode & 01000) != 0;
    if (replaceable(m_backup, sticky))
        return;
    const std::string planted = m_backup;
    for (int n = 1; n < 1000; ++n) {
        const std::string name = planted + "." + std::to_string(n);
        const FileInfo info = sysfile::Inspect(name, false);
        if (!info.exists ||
            (info.regular && info.owner == sysfile::UserId() && info.links == 1 && replaceable(name, sticky))) {
            m_backup = name;
            m_freshBackup = true;
            m_note = "The backup " + planted + " is not a file of yours that can be replaced (a link, a folder or "
                     "another user's file); the previous content was kept in " + name + " instead.";
            return;
        }
    }
}

// Writes the tokens to a token file that is not there any more (deleted or
// moved away since it was read), as a new file of this user.
SaveResult Saver::writeAnew()
{
    std::string temp;
    File out;
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        temp = TemporaryNameFor(m_path);
        error = File::CreateNew(temp, out, 0666);
    }
    if (!error)
        error = writeTokens(m_table, m_progress, [&](std::string_view bytes) { return out.writeAll(bytes); });
    if (!error)
        error = out.sync();
    if (!error)
        error = out.close();
    // Never over something that appeared meanwhile: a second name, then the
    // temporary one goes.
    if (!error)
        error = sysfile::Link(temp, m_path);
    if (error) {
        out.close();
        if (!temp.empty())
            sysfile::Remove(temp);
        return fail(failedToken("Can't write the token file", error));
    }
    sysfile::Remove(temp);
    sysfile::SyncFolder(sysfile::FolderOf(m_path));
    SaveResult result = done();
    result.message = "The token file " + m_path + " was not there any more; it was written anew (there was no "
                     "previous content to back up).";
    return result;
}

// Marks the rewrite in place as begun, once the backup is whole on the disk.
bool Saver::markInPlace(std::string &message)
{
    if (m_unfinished) {
        m_marker = *m_unfinished; // its backup still holds the last whole content
        return true;
    }
    m_marker.tokenFile = m_absolute;
    if (sysfile::AbsolutePath(m_backup, m_marker.backup) != 0)
        m_marker.backup = m_backup;
    m_marker.backupSize = m_info.size;
    m_marker.before.exists = true;
    m_marker.before.size = m_info.size;
    m_marker.before.modifiedNs = m_info.modifiedNs;
    m_marker.before.inode = m_info.inode;
    m_marker.before.device = m_info.device;
    m_marker.writer = ThisProcess();
    if (const int error = m_marker.write()) {
        message = "Can't mark the save of the token file " + m_path + " as begun: " + ErrorText(error) +
                  ". Nothing was written to it.";
        return false;
    }
    return true;
}

// The backup as the token file itself, given the backup's name by a link made
// beside it and renamed over the old backup; false, with nothing changed but a
// leftover link removed, where the file system has no links or the file is no
// longer the one inspected.
bool Saver::isTheTokenFile(const std::string &path) const
{
    const FileInfo info = sysfile::Inspect(path, false);
    return info.exists && info.regular && info.inode == m_info.inode && info.device == m_info.device;
}

bool Saver::backupIsTheTokenFile() const
{
    return isTheTokenFile(m_backup);
}

bool Saver::linkBackup()
{
    if (backupIsTheTokenFile()) {
        // The backup is the old file already (a save was killed after giving it
        // that name): its content goes to the disk, nothing else is needed.
        File file;
        return File::OpenForReading(m_backup, file) == 0 && file.sync() == 0 && file.close() == 0;
    }
    std::string temp;
    int error = EEXIST;
    for (int attempt = 0; attempt < 16 && error == EEXIST; ++attempt) {
        temp = TemporaryNameFor(m_backup);
        error = sysfile::Link(m_target, temp);
    }
    if (error)
        return false;
    File file;
    // Its content as the disk holds it before the name goes onto it.
    if (!isTheTokenFile(temp) || File::OpenForReading(temp, file) != 0 || file.sync() != 0 || file.close() != 0 ||
        sysfile::Rename(temp, m_backup) != 0) {
        sysfile::Remove(temp);
        return false;
    }
    sysfile::SyncFolder(sysfile::FolderOf(m_backup));
    return true;
}

// The backup holds the token file as it is on disk now: a complete copy put in
// place by a rename, or, in a folder that takes no new files, written over the
// previous backup.
bool Saver::makeBackup(std::string &message)
{
    if (m_freshBackup)
        return freshBackup(message);
    std::string temp;
    File copy;
    const int created = createTemporary(m_backup, temp, copy);
    if (refusesNewFiles(created))
        return backupInPlace(message, created);
    if (created) {
        message = "Can't create the backup " + m_backup + " of the token file " + m_path + ": " + ErrorText(created);
        return false;
    }
    const bool groupKept = takeOwnership(copy, m_info);
    if (const int error = CopyIntoBackup(m_target, copy)) {
        sysfile::Remove(temp);
        message = "Can't copy the token file " + m_path + " to its backup: " + ErrorText(error);
        return false;
    }
    // A backup whose group would change keeps the old one's name and group.
    const FileInfo old = sysfile::Inspect(m_backup, false);
    if (!groupKept && old.exists && old.regular && old.group == m_info.group &&
        sysfile::CheckWritable(m_backup) == 0) {
        sysfile::Remove(temp);
        return backupInPlace(message, 0);
    }
    if (const int renamed = sysfile::Rename(temp, m_backup)) {
        sysfile::Remove(temp);
        message = "Can't replace the backup " + m_backup + ": " + ErrorText(renamed);
        return false;
    }
    sysfile::SyncFolder(sysfile::FolderOf(m_backup));
    return true;
}

// A copy under a name of its own (m_backup), a new file, or this user's own
// plain file of an earlier such save, replaced.
bool Saver::freshBackup(std::string &message)
{
    const FileInfo old = sysfile::Inspect(m_backup, false);
    if (old.exists) {
        if (const int removed = sysfile::Remove(m_backup)) {
            message = "Can't replace the backup " + m_backup + ": " + ErrorText(removed);
            return false;
        }
    }
    File copy;
    int error = File::CreateNew(m_backup, copy);
    if (refusesNewFiles(error) && old.exists)
        error = EACCES;
    if (error) {
        message = "Can't create the backup " + m_backup + " of the token file " + m_path + ": " + ErrorText(error);
        return false;
    }
    takeOwnership(copy, m_info);
    error = CopyIntoBackup(m_target, copy);
    if (error) {
        sysfile::Remove(m_backup);
        message = "Can't copy the token file " + m_path + " to its backup: " + ErrorText(error);
        return false;
    }
    sysfile::SyncFolder(sysfile::FolderOf(m_backup));
    return true;
}

// `refused` is why no new backup could be made, reported when there is no old
// one to write over either.
bool Saver::backupInPlace(std::string &message, int refused)
{
    // Written into only when it is this user's own plain file with no other
    // name: never through a link (the open refuses one) or into a file that
    // is also someone else's.
    File copy;
    int error = File::OpenExisting(m_backup, copy);
    if (error == ENOENT && refused)
        error = refused;
    if (!error) {
        const FileInfo info = copy.info();
        if (!info.regular || info.links != 1 || (info.owner != sysfile::UserId() && sysfile::UserId() != 0))
            error = EPERM;
    }
    if (error == ELOOP)
        error = EPERM;
    if (error) {
        message = "Can't create the backup " + m_backup + " of the token file " + m_path + ": " + ErrorText(error);
        return false;
    }
    error = CopyIntoBackup(m_target, copy);
    if (error) {
        message = "Can't copy the token file " + m_path + " to its backup: " + ErrorText(error);
        return false;
    }
    return true;
}

// Rewrites the token file where it is; its backup is complete by now. The new
// content is written over the old from the start and the file cut to its length
// at the end, so a failure part-way leaves the old blocks allocated and the old
// content can be written back from the backup.
bool Saver::writeInPlace(std::string &message)
{
    File file;
    int error = File::OpenExisting(m_target, file);
    if (error) {
        message = failedToken("Can't write the token file", error);
        return false;
    }
    std::uint64_t offset = 0;
    error = writeTokens(m_table, m_progress, [&](std::string_view bytes) {
        const int e = file.writeAt(offset, bytes);
        offset += bytes.size();
        return e;
    });
    if (!error)
        error = file.truncate(offset);
    if (!error)
        error = file.sync();
    if (!error)
        error = file.close();
    if (!error)
        return true;

    message = failedToken("Can't write the token file", error);
    if (file.isOpen() && sysfile::CopyContent(m_backup, file) == 0 && file.sync() == 0)
        message += ". Its previous content was put back.";
    else
        message += ". Its previous content is in " + m_backup + ".";
    return false;
}

} // namespace

std::string TemporaryNameFor(const std::string &path)
{
    static std::mt19937 random{std::random_device{}()};
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
    return path + ".~" + ThisProcessTag() + suffix;
}

bool IsStaleTemporary(const std::string &entryName, const std::string &baseName)
{
    const std::string prefix = baseName + ".~";
    if (entryName.size() <= prefix.size() || entryName.compare(0, prefix.size(), prefix) != 0)
        return false;
    const std::string_view rest = std::string_view(entryName).substr(prefix.size());
    const auto dot = rest.rfind('.');
    if (dot == std::string_view::npos || rest.size() - dot - 1 != 8 || !isHex(rest.substr(dot + 1)))
        return false;
    ProcessTag tag;
    if (!ParseProcessTag(rest.substr(0, dot), tag))
        return false;
    // This process saves one file at a time: its own leftovers are stale too.
    return tag.isThisProcess() || tag.hasEnded();
}

void RemoveStaleTemporaries(const std::string &path)
{
    std::string target;
    if (sysfile::ResolveLinks(path, target) != 0)
        target = path;
    const struct
    {
        std::string folder;
        std::string name;
    } places[] = {
        {sysfile::FolderOf(path), sysfile::NameOf(path)},
        {sysfile::FolderOf(path), sysfile::NameOf(path) + ".bak"},
        {sysfile::FolderOf(target), sysfile::NameOf(target)},
    };
    for (const auto &place : places) {
        std::vector<std::string> names;
        if (sysfile::ListFolder(place.folder, names) != 0)
            continue;
        for (const std::string &name : names) {
            if (!IsStaleTemporary(name, place.name))
                continue;
            const std::string entry = place.folder + name;
            // Only plain files: never through a link someone planted.
            const FileInfo info = sysfile::Inspect(entry, false);
            if (info.exists && info.regular)
                sysfile::Remove(entry);
        }
    }
}

SaveResult SaveProjectTokens(const std::string &path, const TokenTable &table,
                             const std::function<void(double)> &progress)
{
    return Saver(path, table, progress).run();
}
