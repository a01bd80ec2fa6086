#include "store/journal.h"

#include <charconv>

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

// Reads the record at `pos`: its tag and fields. False at the end or at a record
// that is torn or damaged, which ends the reading.
bool readRecord(std::string_view all, std::size_t &pos, char &tag, std::vector<std::string_view> &fields)
{
    fields.clear();
    if (pos >= all.size())
        return false;
    const std::size_t start = pos;
    tag = all[pos++];
    while (pos < all.size() && all[pos] != '#') {
        std::size_t length = 0;
        std::size_t digits = 0;
        while (pos < all.size() && all[pos] >= '0' && all[pos] <= '9' && digits < 12) {
            length = length * 10 + static_cast<std::size_t>(all[pos++] - '0');
            ++digits;
        }
        if (digits == 0 || pos >= all.size() || all[pos] != ':' || all.size() - pos - 1 < length)
            return false;
        ++pos;
        fields.push_back(all.substr(pos, length));
        pos += length;
    }
    if (all.size() - pos < 10 || all[pos + 9] != '\n')
        return false;
    char expected[16];
    std::snprintf(expected, sizeof expected, "#%08x\n", checksum(all.substr(start, pos - start)));
    if (all.substr(pos, 10) != std::string_view(expected, 10))
        return false;
    pos += 10;
    return true;
}

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
    m_record.assign(1, 'C');
    addField(m_record, std::to_string(change.row));
    addField(m_record, change.textChanged ? "1" : "0");
    for (const auto &cell : change.key)
        addField(m_record, cell);
    addField(m_record, change.master);
    addField(m_record, change.text);
    addField(m_record, change.status);
    sealRecord(m_record);
    m_error = m_file.writeAll(m_record);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_written;
    }
    m_wake.notify_one();
    return m_error;
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
    close(false);
    m_error = 0;
}

JournalContent ReadJournal(const std::string &path)
{
    JournalContent content;
    content.path = path;
    sysfile::File file;
    std::string bytes;
    if (sysfile::File::OpenForReading(path, file) != 0 || file.readAll(bytes) != 0)
        return content;
    std::size_t pos = 0;
    char tag = 0;
    std::vector<std::string_view> fields;
    if (!readRecord(bytes, pos, tag, fields) || tag != 'H' || fields.size() != 4 || fields[0] != kMagic)
        return content;
    content.tokenFile = std::string(fields[1]);
    if (!FileIdentity::parse(std::string(fields[2]), content.base) ||
        !ParseProcessTag(fields[3], content.writer))
        return content;
    content.valid = true;
    while (readRecord(bytes, pos, tag, fields)) {
        if (tag != 'C' || fields.size() != 10)
            break;
        TokenChange change;
        unsigned long long row = 0;
        const auto [end, error] = std::from_chars(fields[0].data(), fields[0].data() + fields[0].size(), row);
        if (error != std::errc() || end == fields[0].data())
            break;
        change.row = static_cast<std::size_t>(row);
        change.textChanged = fields[1] == "1";
        for (int i = 0; i < 5; ++i)
            change.key[i] = std::string(fields[2 + i]);
        change.master = std::string(fields[7]);
        change.text = std::string(fields[8]);
        change.status = std::string(fields[9]);
        content.changes.push_back(std::move(change));
    }
    return content;
}

std::vector<std::string> FindOrphanJournals(const std::string &tokenFile, const std::string &folder)
{
    const std::string prefix = JournalPrefix(tokenFile);
    const std::string suffix = ".journal";
    std::vector<std::string> names;
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
        // The name's hash may collide: the header tells whose journal it is.
        if (ReadJournal(path).tokenFile != tokenFile)
            continue;
        found.emplace_back(info.modifiedNs, path);
    }
    std::sort(found.begin(), found.end());
    std::vector<std::string> paths;
    for (auto &f : found)
        paths.push_back(std::move(f.second));
    return paths;
}
