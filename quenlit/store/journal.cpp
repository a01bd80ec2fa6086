#include "store/journal.h"

#include <charconv>
#include <cstring>

#include <algorithm>
#include <cstdio>
#include <chrono>
#include <set>

namespace {

const char kMagic[] = "QUENLIT-JOURNAL-1";

std::uint32_t checksum(std::string_view bytes)
{
    std::uint32_t h = 2166136261u;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 16777619u;
    }
    return h;
}

std::uint64_t pathHash(std::string_view path)
{
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : path) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

void addField(std::string &record, std::string_view field)
{
    record += std::to_string(field.size());
    record += ':';
    record.append(field.data(), field.size());
}

// Ends a record that holds a tag and its fields: "#<checksum>\n".
void sealRecord(std::string &record)
{
    char tail[16];
    std::snprintf(tail, sizeof tail, "#%08x\n", checksum(record));
    record += tail;
}

// Reads a journal a part at a time, so that a journal followed by a mass of
// anything (a file system that filled it with zeros) is never read whole.
class RecordReader
{
public:
    explicit RecordReader(sysfile::File &file) : m_file(file) {}

    enum class Outcome
    {
        Record,  // a whole record with a sound checksum
        End,     // nothing more
        Torn,    // the file ends inside a record (the power went while it was written)
        Damaged  // bytes that are no record, or a record whose checksum fails
    };

    // The record at the reading position; on anything but Record the position
    // stays where the record began.
    Outcome next(char &tag, std::vector<std::string> &fields, std::uint64_t longest)
    {
        fields.clear();
        if (!ensure(1))
            return Outcome::End;
        std::size_t pos = m_pos;
        tag = m_buffer[pos++];
        if (tag < 'A' || tag > 'Z')
            return Outcome::Damaged;
        std::uint64_t total = 1;
        for (;;) {
            if (!ensure(pos - m_pos + 1))
                return Outcome::Torn;
            if (m_buffer[pos] == '#')
                break;
            std::uint64_t length = 0;
            std::size_t digits = 0;
            while (ensure(pos - m_pos + 1) && m_buffer[pos] >= '0' && m_buffer[pos] <= '9' && digits < 12) {
                length = length * 10 + static_cast<std::uint64_t>(m_buffer[pos++] - '0');
                ++digits;
            }
            if (!ensure(pos - m_pos + 1))
                return Outcome::Torn;
            total += digits + 1 + length;
            // A record longer than the longest change there can be is damage,
            // not a reason to read on.
            if (digits == 0 || m_buffer[pos] != ':' || total > longest)
                return Outcome::Damaged;
            ++pos;
            if (!ensure(pos - m_pos + static_cast<std::size_t>(length)))
                return Outcome::Torn;
            fields.emplace_back(m_buffer, pos, static_cast<std::size_t>(length));
            pos += static_cast<std::size_t>(length);
        }
        if (!ensure(pos - m_pos + 10))
            return Outcome::Torn;
        char expected[16];
        std::snprintf(expected, sizeof expected, "#%08x\n",
                      checksum(std::string_view(m_buffer).substr(m_pos, pos - m_pos)));
        if (std::string_view(m_buffer).substr(pos, 10) != std::string_view(expected, 10))
            return Outcome::Damaged;
        m_pos = pos + 10;
        return Outcome::Record;
    }

    // After damage: on to the next place a record could begin (after a line
    // end), looking no further than `limit` bytes. False when there is none.
    bool skipToNextRecord(std::uint64_t limit)
    {
        std::uint64_t skipped = 0;
        ++m_pos;
        ++skipped;
        while (skipped < limit) {
            if (!ensure(1))
                return false;
            const char *start = m_buffer.data() + m_pos;
            const std::size_t available = m_buffer.size() - m_pos;
            const void *line = std::memchr(start, '\n', available);
            if (!line) {
                m_pos += available;
                skipped += available;
                continue;
            }
            const std::size_t step = static_cast<std::size_t>(static_cast<const char *>(line) - start) + 1;
            m_pos += step;
            skipped += step;
            if (ensure(1) && m_buffer[m_pos] >= 'A' && m_buffer[m_pos] <= 'Z')
                return true;
        }
        return false;
    }

    std::uint64_t offset() const { return m_consumed + m_pos; }
    bool failed() const { return m_error != 0; }

private:
    // At least n bytes from the reading position, unless the file ends first.
    bool ensure(std::size_t n)
    {
        while (m_buffer.size() - m_pos < n) {
            if (m_eof)
                return false;
            if (m_pos > (1u << 22)) {
                m_buffer.erase(0, m_pos);
                m_consumed += m_pos;
                m_pos = 0;
            }
            std::string chunk;
            const std::size_t want = std::max<std::size_t>(1 << 20, n - (m_buffer.size() - m_pos));
            if ((m_error = m_file.read(chunk, want)) != 0 || chunk.empty()) {
                m_eof = true;
                return false;
            }
            m_buffer += chunk;
        }
        return true;
    }

    sysfile::File &m_file;
    std::string m_buffer;
    std::size_t m_pos = 0;
    std::uint64_t m_consumed = 0;
    bool m_eof = false;
    int m_error = 0;
};

// The longest record a journal made against a token file of that size can hold:
// a change carries a token's key, master text, text and status, and no text
// is longer than a few times the token file.
std::uint64_t longestRecord(std::uint64_t tokenFileSize)
{
    return (std::uint64_t(64) << 20) + 4 * tokenFileSize;
}

JournalContent readJournal(const std::string &path, bool headerOnly);

// The journal files open in this process.
std::mutex g_openMutex;
std::set<std::string> &openJournals()
{
    static std::set<std::string> paths;
    return paths;
}

std::string hex16(std::uint64_t value)
{
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

} // namespace

std::string Journal::DefaultFolder()
{
    std::string state = sysfile::Environment("XDG_STATE_HOME");
    if (state.empty() || state.front() != '/') {
        const std::string home = sysfile::Environment("HOME");
        state = (home.empty() ? std::string("/tmp") : home) + "/.local/state";
    }
    return state + "/Velmora Tamrix/journals";
}

std::string JournalPrefix(const std::string &tokenFile)
{
    std::string name = sysfile::NameOf(tokenFile);
    if (name.size() > 100)
        name.resize(100);
    return name + "-" + hex16(pathHash(tokenFile)) + "-";
}

Journal::Journal(std::string folder) : m_folder(std::move(folder)) {}

Journal::~Journal()
{
    close(false);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_syncer.joinable())
        m_syncer.join();
}

bool Journal::InUse(const std::string &path)
{
    std::lock_guard<std::mutex> lock(g_openMutex);
    return openJournals().count(path) != 0;
}

void Journal::begin(const std::string &tokenFile, const FileIdentity &base)
{
    discard();
    m_tokenFile = tokenFile;
    m_base = base;
    m_error = 0;
}

void Journal::rebase(const FileIdentity &base)
{
    discard();
    m_base = base;
}

int Journal::open()
{
    if (const int error = sysfile::MakeFolders(m_folder))
        return error;
    // Only this user may see and change the journals: a folder of ours that
    // others may write is made private again; one of another user is not used.
    const sysfile::FileInfo folder = sysfile::Inspect(m_folder, false);
    if (!folder.directory || folder.owner != sysfile::UserId())
        return EPERM;
    if (folder.mode & 0077) {
        sysfile::File dir;
        if (sysfile::File::OpenForReading(m_folder, dir) != 0 || dir.setMode(0700) != 0)
            return EPERM;
    }
    // A number of this object's own keeps the journals of successive projects of
    // one process apart.
    static std::uint64_t sessions = 0;
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        m_path = m_folder + "/" + JournalPrefix(m_tokenFile) + std::to_string(++sessions) + "." + ThisProcessTag() +
                 ".journal";
        error = sysfile::File::CreateNew(m_path, m_file);
    }
    if (error)
        return error;
    {
        std::lock_guard<std::mutex> lock(g_openMutex);
        openJournals().insert(m_path);
    }
    std::string header(1, 'H');
    addField(header, kMagic);
    addField(header, m_tokenFile);
    addField(header, m_base.text());
    addField(header, ThisProcessTag());
    sealRecord(header);
    error = m_file.writeAll(header);
    if (!error)
        error = m_file.sync();
    if (!error)
        error = sysfile::SyncFolder(m_folder);
    if (!m_syncer.joinable())
        m_syncer = std::thread([this] { syncLoop(); });
    return error;
}

int Journal::append(const TokenChange &change)
{
    if (m_error || m_tokenFile.empty())
        return m_error;
    if (!m_file.isOpen()) {
        if ((m_error = open()) != 0) {
            close(true);
            return m_error;
        }
    }
    m_record.clear();
    addRecord(m_record, change);
    m_error = m_file.writeAll(m_record);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_written;
    }
    m_wake.notify_one();
    return m_error;
}

void Journal::addRecord(std::string &record, const TokenChange &change)
{
    const std::size_t start = record.size();
    record += 'C';
    addField(record, std::to_string(change.row));
    addField(record, change.textChanged ? "1" : "0");
    for (const auto &cell : change.key)
        addField(record, cell);
    addField(record, change.master);
    addField(record, change.text);
    addField(record, change.status);
    char tail[16];
    std::snprintf(tail, sizeof tail, "#%08x\n", checksum(std::string_view(record).substr(start)));
    record += tail;
}

int Journal::resume(const std::vector<TokenChange> &changes)
{
    if (m_tokenFile.empty())
        return 0;
    // The journal that failed stays until a new one holds every change.
    const std::string failed = m_path;
    close(false);
    m_error = open();
    if (!m_error) {
        std::string records;
        for (const TokenChange &change : changes)
            addRecord(records, change);
        m_error = m_file.writeAll(records);
        if (!m_error)
            m_error = m_file.syncData();
    }
    if (m_error) {
        const int error = m_error;
        close(true);
        m_path = failed; // nothing lost: the old one is left as it was
        m_error = error;
        return error;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_syncError = 0;
    }
    if (!failed.empty() && failed != m_path) {
        sysfile::Remove(failed);
        sysfile::SyncFolder(m_folder);
    }
    return 0;
}

bool Journal::failing() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_error != 0 || m_syncError != 0;
}

void Journal::syncLoop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stop || m_written != m_synced; });
        if (m_stop)
            return;
        // Changes that come close together (a replace in many tokens) share one
        // write to the disk; a flush() does not wait.
        m_wake.wait_for(lock, std::chrono::milliseconds(50), [this] { return m_stop || m_flushWanted; });
        if (m_stop)
            return;
        const std::uint64_t target = m_written;
        m_syncing = true;
        lock.unlock();
        const int error = m_file.syncData(); // the file stays open while m_syncing
        lock.lock();
        m_syncing = false;
        if (error)
            m_syncError = error;
        m_synced = target;
        if (m_synced == m_written)
            m_flushWanted = false;
        m_done.notify_all();
    }
}

bool Journal::needsFlush() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_written != m_synced;
}

int Journal::flush()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    if (!m_syncer.joinable())
        return 0;
    m_flushWanted = true;
    m_wake.notify_all();
    m_done.wait(lock, [this] { return m_written == m_synced; });
    m_flushWanted = false;
    const int error = m_syncError;
    m_syncError = 0;
    return error;
}

// Closes the file once the disk writer is done with it.
void Journal::close(bool remove)
{
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return !m_syncing; });
        m_synced = m_written;
        if (m_file.isOpen()) {
            if (!remove)
                m_file.syncData();
            m_file.close();
        }
    }
    if (!m_path.empty()) {
        {
            std::lock_guard<std::mutex> lock(g_openMutex);
            openJournals().erase(m_path);
        }
        if (remove) {
            sysfile::Remove(m_path);
            sysfile::SyncFolder(m_folder);
        }
    }
    m_path.clear();
}

void Journal::discard()
{
    close(true);
    m_error = 0;
}

void Journal::leave()
{
    // The next opening tells the user these changes were closed without a
    // save, not left by an editor that ended.
    if (m_file.isOpen() && !m_error) {
        std::string record(1, 'E');
        addField(record, "closed");
        sealRecord(record);
        m_file.writeAll(record);
    }
    close(false);
    m_error = 0;
}

JournalContent ReadJournal(const std::string &path)
{
    return readJournal(path, false);
}

JournalContent ReadJournalHeader(const std::string &path)
{
    return readJournal(path, true);
}

namespace {

JournalContent readJournal(const std::string &path, bool headerOnly)
{
    JournalContent content;
    content.path = path;
    sysfile::File file;
    if (sysfile::File::OpenForReading(path, file) != 0)
        return content;
    const sysfile::FileInfo info = file.info();
    if (!info.regular)
        return content;
    RecordReader reader(file);
    char tag = 0;
    std::vector<std::string> fields;
    // The header names the token file: a path and an identity, short.
    if (reader.next(tag, fields, 1 << 16) != RecordReader::Outcome::Record || tag != 'H' || fields.size() != 4 ||
        fields[0] != kMagic)
        return content;
    content.tokenFile = fields[1];
    if (!FileIdentity::parse(fields[2], content.base) || !ParseProcessTag(fields[3], content.writer))
        return content;
    content.valid = true;
    content.readLength = reader.offset();
    if (headerOnly)
        return content;
    const std::uint64_t longest = longestRecord(content.base.size);
    for (;;) {
        const std::uint64_t start = reader.offset();
        const auto outcome = reader.next(tag, fields, longest);
        if (outcome == RecordReader::Outcome::End)
            break;
        if (outcome == RecordReader::Outcome::Torn) {
            content.tornBytes = info.size > start ? info.size - start : 0;
            break;
        }
        bool sound = outcome == RecordReader::Outcome::Record;
        TokenChange change;
        if (sound && tag == 'E' && fields.size() == 1 && fields[0] == "closed") {
            content.closedWithoutSaving = true;
            content.readLength = reader.offset();
            continue;
        }
        if (sound && tag == 'C' && fields.size() == 10) {
            unsigned long long row = 0;
            const auto [end, error] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), row);
            sound = error == std::errc() && end != fields[0].data();
            change.row = static_cast<std::size_t>(row);
        } else {
            sound = false;
        }
        if (!sound) {
            // Damage: the records after it may still be sound.
            ++content.damagedPlaces;
            if (!reader.skipToNextRecord(longest)) {
                const std::uint64_t at = reader.offset();
                content.unreadBytes += (info.size > start ? info.size - start : 0);
                (void)at;
                break;
            }
            content.unreadBytes += reader.offset() - start;
            continue;
        }
        change.textChanged = fields[1] == "1";
        for (int i = 0; i < 5; ++i)
            change.key[i] = std::move(fields[2 + i]);
        change.master = std::move(fields[7]);
        change.text = std::move(fields[8]);
        change.status = std::move(fields[9]);
        content.changes.push_back(std::move(change));
        content.readLength = reader.offset();
        content.closedWithoutSaving = false; // changes made after a close and a new opening
    }
    return content;
}

// A journal is read only when it is this user's own plain file that nobody
// else may write and that has no other name.
bool isOwnJournal(const sysfile::FileInfo &info)
{
    return info.exists && info.regular && info.owner == sysfile::UserId() && (info.mode & 0022) == 0 &&
           info.links == 1;
}

} // namespace

std::string JournalFolderProblem(const std::string &folder)
{
    const sysfile::FileInfo info = sysfile::Inspect(folder, false);
    if (!info.exists)
        return std::string();
    if (!info.directory)
        return "the journals folder " + folder + " is not a folder";
    if (info.owner != sysfile::UserId())
        return "the journals folder " + folder + " belongs to another user";
    if (info.mode & 0022)
        return "the journals folder " + folder + " may be written by other users";
    return std::string();
}

int CutTornTail(const JournalContent &content)
{
    if (!content.valid || content.tornBytes == 0)
        return 0;
    sysfile::File file;
    int error = sysfile::File::OpenExisting(content.path, file);
    if (!error && !isOwnJournal(file.info()))
        error = EPERM;
    if (!error)
        error = file.truncate(content.readLength);
    if (!error)
        error = file.sync();
    return error;
}

std::vector<std::string> FindOrphanJournals(const std::string &tokenFile, const std::string &folder,
                                            JournalSearch *search)
{
    const std::string prefix = JournalPrefix(tokenFile);
    const std::string suffix = ".journal";
    std::vector<std::string> names;
    const std::string problem = JournalFolderProblem(folder);
    if (!problem.empty()) {
        if (search)
            search->folderProblem = problem;
        return {};
    }
    const FileIdentity now = IdentityOf(tokenFile);
    sysfile::ListFolder(folder, names);
    std::vector<std::pair<std::int64_t, std::string>> found;
    for (const std::string &name : names) {
        if (name.size() <= prefix.size() + suffix.size() || name.compare(0, prefix.size(), prefix) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        // "<session>.<pid>@<host>"
        ProcessTag writer;
        std::string_view tag = std::string_view(name).substr(prefix.size(), name.size() - prefix.size() - suffix.size());
        const auto dot = tag.find('.');
        if (dot == std::string_view::npos || dot == 0 ||
            tag.substr(0, dot).find_first_not_of("0123456789") != std::string_view::npos)
            continue;
        tag.remove_prefix(dot + 1);
        const std::string path = folder + "/" + name;
        if (!ParseProcessTag(tag, writer) || Journal::InUse(path))
            continue;
        if (!writer.isThisProcess() && !writer.hasEnded())
            continue;
        const sysfile::FileInfo info = sysfile::Inspect(path, false);
        if (!info.exists || !info.regular)
            continue;
        if (!isOwnJournal(info)) {
            if (search)
                search->refused.push_back(path);
            continue;
        }
        // The name's hash may collide: the header tells whose journal it is.
        const JournalContent header = ReadJournalHeader(path);
        if (!header.valid) {
            if (search)
                search->damaged.push_back(path);
            continue;
        }
        // The same path on another disk is another file.
        if (header.tokenFile != tokenFile || (now.exists && header.base.exists && header.base.device != now.device))
            continue;
        found.emplace_back(info.modifiedNs, path);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto &f : found)
        paths.push_back(std::move(f.second));
    return paths;
}
