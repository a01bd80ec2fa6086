#include "memory/sqlitememory.h"

#include "memory/similarity.h"
#include "memory/words.h"

#include "datafolder.h"

#include <sqlite3.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <mutex>
#include <set>
#include <system_error>
#include <unordered_map>

namespace memory {

namespace {

constexpr int kSchemaVersion = 1;
// Candidates whose distance is computed, of those the word index ranks first.
constexpr int kCandidates = 150;
// The units a lookup lets the word index rank: its rarest words up to this many.
constexpr std::int64_t kRankedUnits = 4000;
// Longer texts are only matched exactly: their distance would cost too much.
constexpr std::size_t kFuzzyLength = 2000;

// One row a unit; its source text is indexed by words (without access-key
// markers) for the candidates of a fuzzy match, and by its hash for an exact one.
// `words` counts the units of each word, so that a lookup asks the word index
// for its rarest words only.
const char *const kSchema = R"sql(
CREATE TABLE units(
    id INTEGER PRIMARY KEY,
    source_hash INTEGER NOT NULL,
    length INTEGER NOT NULL,
    target_language INTEGER NOT NULL,
    source_language INTEGER NOT NULL,
    translation_hash INTEGER NOT NULL,
    source TEXT NOT NULL,
    translation TEXT NOT NULL,
    project BLOB NOT NULL,
    resource_type TEXT NOT NULL,
    place TEXT NOT NULL,
    time INTEGER NOT NULL);
CREATE UNIQUE INDEX units_identity ON units(source_hash, target_language, source_language, translation_hash);
CREATE VIRTUAL TABLE source_words USING fts5(words, content='', tokenize='unicode61 remove_diacritics 0');
INSERT INTO source_words(source_words, rank) VALUES('hashsize', 33554432);
CREATE TABLE words(word TEXT PRIMARY KEY, units INTEGER NOT NULL) WITHOUT ROWID;
CREATE TABLE terms(
    id INTEGER PRIMARY KEY,
    target_language INTEGER NOT NULL,
    source_language INTEGER NOT NULL,
    source TEXT NOT NULL,
    translation TEXT NOT NULL,
    note TEXT NOT NULL);
CREATE UNIQUE INDEX terms_identity ON terms(target_language, source_language, source, translation);
)sql";

std::int64_t textHash(std::string_view text)
{
    std::uint64_t hash = 0xcbf29ce484222325ull; // FNV-1a
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001b3ull;
    }
    return static_cast<std::int64_t>(hash);
}

// Characters of a UTF-8 text: the bytes that begin one.
std::size_t characterCount(std::string_view text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

int languageValue(LanguageId language)
{
    return static_cast<int>(MakeLanguageId(language.primary, language.sub));
}

LanguageId languageOf(int value)
{
    return {PrimaryLanguageOf(static_cast<unsigned>(value)), SubLanguageOf(static_cast<unsigned>(value))};
}

bool isDamage(int code)
{
    code &= 0xFF;
    return code == SQLITE_CORRUPT || code == SQLITE_NOTADB;
}

std::string damagedName(const std::string &path)
{
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    gmtime_r(&now, &parts);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &parts);
    std::string name = path + ".damaged-" + stamp;
    std::error_code ec;
    for (int n = 2; std::filesystem::exists(name, ec); ++n)
        name = path + ".damaged-" + stamp + "-" + std::to_string(n);
    return name;
}

// One prepared statement, reset after each use.
class Statement
{
public:
    Statement() = default;
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement() { sqlite3_finalize(m_statement); }

    int prepare(sqlite3 *db, const char *sql)
    {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_statement, nullptr);
    }
    void finalize()
    {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
    }
    sqlite3_stmt *get() { return m_statement; }
    void bind(int index, std::string_view text)
    {
        sqlite3_bind_text(m_statement, index, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
    }
    void bindBlob(int index, std::string_view bytes)
    {
        sqlite3_bind_blob(m_statement, index, bytes.data(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    }
    void bind(int index, std::int64_t value) { sqlite3_bind_int64(m_statement, index, value); }
    int step() { return sqlite3_step(m_statement); }
    // Every use binds every parameter again.
    void reset() { sqlite3_reset(m_statement); }
    std::int64_t integer(int column) { return sqlite3_column_int64(m_statement, column); }
    std::string text(int column)
    {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, column));
        return bytes ? std::string(bytes, static_cast<std::size_t>(sqlite3_column_bytes(m_statement, column)))
                     : std::string();
    }

private:
    sqlite3_stmt *m_statement = nullptr;
};

// Thrown inside a transaction by a step that failed; caught at the call's edge.
struct StepFailure
{
    int code;
};

class SqliteMemory : public TranslationMemory
{
public:
    SqliteMemory(std::string path, int busyMilliseconds)
        : m_path(std::move(path)), m_busyMilliseconds(busyMilliseconds)
    {
    }
    ~SqliteMemory() override { close(); }

    // Opens the database; on damage sets it aside and starts anew (`notice`).
    std::string open(std::string &notice)
    {
        const int code = tryOpen();
        if (code == SQLITE_OK)
            return {};
        if (!isDamage(code))
            return failureText("Can't open the translation memory", code);
        notice = setAside();
        if (notice.empty() || tryOpen() != SQLITE_OK)
            return failureText("Can't open the translation memory", code);
        return {};
    }

    std::string add(const std::vector<Unit> &units) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return transaction([&] {
            for (const Unit &unit : units)
                addUnit(unit);
        });
    }

    ImportResult import(const UnitReader &reader) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ImportResult result;
        struct Sink : UnitSink
        {
            SqliteMemory *memory;
            ImportResult *result;
            std::size_t count = 0;
            void add(const Unit &unit) override
            {
                memory->addUnit(unit);
                ++count;
            }
            void warn(const ReadError &warning) override
            {
                if (result->warnings.size() < 100)
                    result->warnings.push_back(warning);
            }
        } sink;
        sink.memory = this;
        sink.result = &result;
        bool readFailed = false;
        // A large file touches much of the indexes: a bigger cache for its time.
        exec("PRAGMA cache_size=-262144");
        result.failure = transaction([&] {
            result.error = reader(sink);
            if (result.error) {
                readFailed = true;
                throw StepFailure{SQLITE_ABORT};
            }
        });
        exec("PRAGMA cache_size=-32768");
        if (readFailed)
            result.failure.clear();
        result.units = result.ok() ? sink.count : 0;
        return result;
    }

    std::vector<Match> lookup(const LookupQuery &query, std::string *failure) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Match> matches;
        const std::string error = transaction([&] { matches = find(query); }, false);
        if (failure)
            *failure = error;
        return error.empty() ? matches : std::vector<Match>{};
    }

    std::string exportUnits(LanguageId target, const std::function<void(const Unit &)> &each) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return transaction(
            [&] {
                Statement &s = statement(m_exportUnits,
                                         "SELECT source, translation, source_language, target_language, project, "
                                         "resource_type, place, time FROM units WHERE target_language = ?1 "
                                         "ORDER BY id");
                s.bind(1, languageValue(target));
                int code;
                while ((code = s.step()) == SQLITE_ROW)
                    each(unitFrom(s, 0));
                s.reset();
                check(code);
            },
            false);
    }

    std::size_t unitCount() override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::size_t count = 0;
        transaction(
            [&] {
                Statement &s = statement(m_countUnits, "SELECT count(*) FROM units");
                if (s.step() == SQLITE_ROW)
                    count = static_cast<std::size_t>(s.integer(0));
                s.reset();
            },
            false);
        return count;
    }

    std::string addTerms(const std::vector<Term> &terms) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return transaction([&] {
            Statement &s = statement(m_addTerm,
                                     "INSERT INTO terms(target_language, source_language, source, translation, note) "
                                     "VALUES(?1, ?2, ?3, ?4, ?5) ON CONFLICT DO UPDATE SET note = excluded.note");
            for (const Term &term : terms) {
                s.bind(1, languageValue(term.targetLanguage));
                s.bind(2, languageValue(term.sourceLanguage));
                s.bind(3, term.source);
                s.bind(4, term.translation);
                s.bind(5, term.note);
                const int code = s.step();
                s.reset();
                check(code);
            }
        });
    }

    std::vector<Term> terms(LanguageId source, LanguageId target, std::string *failure) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Term> terms;
        const std::string error = transaction(
            [&] {
                Statement &s = statement(m_terms, "SELECT source, translation, note, source_language FROM terms "
                                                  "WHERE target_language = ?1 AND source_language IN (?2, 0) "
                                                  "ORDER BY source, id");
                s.bind(1, languageValue(target));
                s.bind(2, languageValue(source));
                int code;
                while ((code = s.step()) == SQLITE_ROW)
                    terms.push_back({s.text(0), s.text(1), s.text(2),
                                     languageOf(static_cast<int>(s.integer(3))), target});
                s.reset();
                check(code);
            },
            false);
        if (failure)
            *failure = error;
        return terms;
    }

private:
    int tryOpen()
    {
        close();
        std::error_code ec;
        const auto folder = std::filesystem::path(m_path).parent_path();
        if (!folder.empty())
            std::filesystem::create_directories(folder, ec);
        // Calls take turns on m_mutex: the connection needs no locks of its own.
        int code = sqlite3_open_v2(m_path.c_str(), &m_db,
                                   SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
        if (code != SQLITE_OK)
            return code;
        sqlite3_extended_result_codes(m_db, 1);
        sqlite3_busy_timeout(m_db, m_busyMilliseconds);
        if ((code = exec("PRAGMA journal_mode=WAL")) != SQLITE_OK)
            return code;
        exec("PRAGMA synchronous=NORMAL");
        exec("PRAGMA cache_size=-32768");
        // What the database holds decides: ours, empty, another program's.
        Statement s;
        if ((code = s.prepare(m_db, "PRAGMA user_version")) != SQLITE_OK)
            return code;
        code = s.step();
        if (code != SQLITE_ROW)
            return code;
        const std::int64_t version = s.integer(0);
        s.finalize();
        if (version > kSchemaVersion) {
            m_newer = true;
            return SQLITE_CANTOPEN;
        }
        if (version == kSchemaVersion)
            return verifySchema();
        if ((code = s.prepare(m_db, "SELECT count(*) FROM sqlite_master")) != SQLITE_OK)
            return code;
        if ((code = s.step()) != SQLITE_ROW)
            return code;
        if (s.integer(0) != 0)
            return SQLITE_NOTADB; // a database, but not one of ours
        s.finalize();
        // Another program may be making it at the same moment: the schema is
        // made under the write lock, once.
        if ((code = exec("BEGIN IMMEDIATE")) != SQLITE_OK)
            return code;
        if ((code = s.prepare(m_db, "PRAGMA user_version")) != SQLITE_OK || (code = s.step()) != SQLITE_ROW) {
            exec("ROLLBACK");
            return code;
        }
        const bool made = s.integer(0) == kSchemaVersion;
        s.finalize();
        code = made ? SQLITE_OK : exec(kSchema);
        if (code == SQLITE_OK && !made)
            code = exec(("PRAGMA user_version=" + std::to_string(kSchemaVersion)).c_str());
        if (code == SQLITE_OK)
            code = exec("COMMIT");
        if (code != SQLITE_OK) {
            exec("ROLLBACK");
            return code;
        }
        return verifySchema();
    }

    // One query on each table, so that a database that is not ours, or whose
    // first pages are unreadable, shows now rather than in the user's work.
    int verifySchema()
    {
        Statement s;
        int code = s.prepare(m_db, "SELECT (SELECT max(id) FROM units), (SELECT max(source_hash) FROM units), "
                                   "(SELECT count(*) FROM terms), (SELECT count(*) FROM words WHERE word = ''), "
                                   "(SELECT count(*) FROM source_words "
                                   "WHERE source_words MATCH 'x')");
        if (code != SQLITE_OK)
            return code == SQLITE_ERROR ? SQLITE_NOTADB : code; // tables missing: not ours
        code = s.step();
        return code == SQLITE_ROW ? SQLITE_OK : code;
    }

    void close()
    {
        for (Statement *s : {&m_addWords, &m_unrankedCandidates, &m_countWord, &m_wordUnits})
            s->finalize();
        m_addUnit.finalize();
        m_exactUnits.finalize();
        m_candidates.finalize();
        m_exportUnits.finalize();
        m_countUnits.finalize();
        m_addTerm.finalize();
        m_terms.finalize();
        if (m_db)
            sqlite3_close_v2(m_db);
        m_db = nullptr;
    }

    // Renames the damaged database and its companions; the message told once.
    std::string setAside()
    {
        close();
        const std::string name = damagedName(m_path);
        std::error_code ec;
        std::filesystem::rename(m_path, name, ec);
        if (ec)
            return {};
        for (const char *suffix : {"-wal", "-shm"}) {
            std::error_code ignored;
            if (std::filesystem::exists(m_path + suffix, ignored))
                std::filesystem::rename(m_path + suffix, name + suffix, ignored);
        }
        return "The translation memory " + m_path + " was damaged: it was renamed " + name +
               " and a new, empty memory was started.";
    }

    int exec(const char *sql) { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

    std::string failureText(const std::string &what, int code) const
    {
        if (m_newer)
            return what + " " + m_path + ": it was made by a newer version of the program";
        std::string reason = sqlite3_errstr(code);
        if (m_db && sqlite3_errcode(m_db) == code)
            reason = sqlite3_errmsg(m_db);
        return what + " " + m_path + ": " + reason;
    }

    void check(int code)
    {
        if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW)
            throw StepFailure{code};
    }

    Statement &statement(Statement &s, const char *sql)
    {
        if (!s.get())
            check(s.prepare(m_db, sql));
        return s;
    }

    // Runs `work` in a transaction (a write one when `write`), committed when it
    // ends normally, rolled back when a step fails. A damaged database found
    // there is set aside and a new one started.
    template <typename Work> std::string transaction(Work work, bool write = true)
    {
        if (!m_db)
            return "The translation memory " + m_path + " is not open";
        int code = exec(write ? "BEGIN IMMEDIATE" : "BEGIN");
        if (code == SQLITE_OK) {
            try {
                work();
                if (write)
                    flushWordCounts();
                code = exec("COMMIT");
                if (code == SQLITE_OK)
                    return {};
            } catch (const StepFailure &failure) {
                code = failure.code;
            } catch (const std::bad_alloc &) {
                code = SQLITE_NOMEM;
            }
            exec("ROLLBACK");
        }
        m_wordCounts.clear();
        const std::string failure = failureText("Can't use the translation memory", code);
        if (isDamage(code)) {
            std::string notice = setAside();
            if (!notice.empty() && tryOpen() == SQLITE_OK)
                return failure + ". " + notice;
        }
        return failure;
    }

    void addUnit(const Unit &unit)
    {
        Statement &s = statement(
            m_addUnit,
            "INSERT INTO units(source_hash, length, target_language, source_language, translation_hash, source, "
            "translation, project, resource_type, place, time) VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11) "
            "ON CONFLICT DO UPDATE SET project = excluded.project, resource_type = excluded.resource_type, "
            "place = excluded.place, time = excluded.time WHERE excluded.time >= units.time AND "
            "(project != excluded.project OR resource_type != excluded.resource_type OR place != excluded.place)");
        s.bind(1, textHash(unit.source));
        s.bind(2, static_cast<std::int64_t>(characterCount(unit.source)));
        s.bind(3, languageValue(unit.targetLanguage));
        s.bind(4, languageValue(unit.sourceLanguage));
        s.bind(5, textHash(unit.translation));
        s.bind(6, unit.source);
        s.bind(7, unit.translation);
        s.bindBlob(8, unit.origin.project);
        s.bind(9, unit.origin.resourceType);
        s.bind(10, unit.origin.place);
        s.bind(11, unit.origin.time);
        const std::int64_t before = sqlite3_last_insert_rowid(m_db);
        int code = s.step();
        s.reset();
        check(code);
        const std::int64_t id = sqlite3_last_insert_rowid(m_db);
        if (id == before)
            return; // a unit already there: an update, or nothing
        Statement &words = statement(m_addWords, "INSERT INTO source_words(rowid, words) VALUES(?1, ?2)");
        words.bind(1, id);
        words.bind(2, IndexedWords(unit.source));
        code = words.step();
        words.reset();
        check(code);
        for (std::string &word : SearchWords(unit.source))
            ++m_wordCounts[std::move(word)];
    }

    // The units of each word added by the transaction, written once at its end.
    void flushWordCounts()
    {
        Statement &s = statement(m_countWord, "INSERT INTO words(word, units) VALUES(?1, ?2) "
                                              "ON CONFLICT DO UPDATE SET units = units + excluded.units");
        for (const auto &[word, count] : m_wordCounts) {
            s.bind(1, word);
            s.bind(2, count);
            const int code = s.step();
            s.reset();
            check(code);
        }
        m_wordCounts.clear();
    }

    // The word index query for the candidates of a text: its rarest words, as
    // many as hold kRankedUnits units together, ranked; where even the rarest
    // holds more, units holding all its words, unranked. Words of no unit are
    // left out; empty when none is left.
    std::pair<std::string, bool> candidateQuery(const std::vector<std::string> &words)
    {
        std::vector<std::pair<std::int64_t, std::string>> counted;
        Statement &s = statement(m_wordUnits, "SELECT units FROM words WHERE word = ?1");
        for (const std::string &word : words) {
            s.bind(1, word);
            int code = s.step();
            if (code == SQLITE_ROW && s.integer(0) > 0)
                counted.emplace_back(s.integer(0), word);
            else
                check(code);
            s.reset();
        }
        std::sort(counted.begin(), counted.end());
        std::vector<std::string> chosen;
        std::int64_t units = 0;
        for (const auto &[count, word] : counted) {
            if (units + count > kRankedUnits)
                break;
            units += count;
            chosen.push_back(word);
        }
        if (!chosen.empty() || counted.empty())
            return {WordQuery(chosen, false), true};
        for (const auto &[count, word] : counted)
            chosen.push_back(word);
        return {WordQuery(chosen, true), false};
    }

    // Columns from `first`: source, translation, source and target language,
    // project, resource type, place, time.
    static Unit unitFrom(Statement &s, int first)
    {
        Unit unit;
        unit.source = s.text(first);
        unit.translation = s.text(first + 1);
        unit.sourceLanguage = languageOf(static_cast<int>(s.integer(first + 2)));
        unit.targetLanguage = languageOf(static_cast<int>(s.integer(first + 3)));
        unit.origin.project = s.text(first + 4);
        unit.origin.resourceType = s.text(first + 5);
        unit.origin.place = s.text(first + 6);
        unit.origin.time = s.integer(first + 7);
        return unit;
    }

    std::vector<Match> find(const LookupQuery &query)
    {
        std::vector<Match> matches;
        const std::int64_t hash = textHash(query.text);
        const std::int64_t sourceLanguage = query.source ? std::int64_t(languageValue(*query.source)) : -1;
        {
            Statement &s = statement(m_exactUnits, "SELECT source, translation, source_language, target_language, "
                                                   "project, resource_type, place, time FROM units "
                                                   "WHERE source_hash = ?1 AND target_language = ?2 "
                                                   "AND (?3 < 0 OR source_language = ?3)");
            s.bind(1, hash);
            s.bind(2, languageValue(query.target));
            s.bind(3, sourceLanguage);
            int code;
            while ((code = s.step()) == SQLITE_ROW) {
                if (s.text(0) == query.text)
                    matches.push_back({100, unitFrom(s, 0)});
            }
            s.reset();
            check(code);
        }

        const std::u32string text = CodePoints(query.text);
        const int threshold = std::clamp(query.threshold, 0, 100);
        const auto [words, ranked] =
            threshold < 100 && text.size() <= kFuzzyLength ? candidateQuery(SearchWords(query.text))
                                                           : std::pair<std::string, bool>();
        if (threshold < 100 && !words.empty() && text.size() <= kFuzzyLength) {
            // Lengths that can reach the threshold at all.
            const std::size_t length = text.size();
            const std::size_t shortest = (length * static_cast<std::size_t>(threshold) + 99) / 100;
            const std::size_t longest =
                threshold == 0 ? kFuzzyLength : length * 100 / static_cast<std::size_t>(threshold);
#define CANDIDATES                                                                                        \
    "SELECT u.source, u.translation, u.source_language, u.target_language, u.project, u.resource_type, "    \
    "u.place, u.time FROM source_words w JOIN units u ON u.id = w.rowid WHERE source_words MATCH ?1 "       \
    "AND u.length BETWEEN ?2 AND ?3 AND u.source_hash != ?4 AND u.target_language = ?5 "                   \
    "AND (?6 < 0 OR u.source_language = ?6) "
            Statement &s = ranked ? statement(m_candidates, CANDIDATES "ORDER BY w.rank LIMIT ?7")
                                  : statement(m_unrankedCandidates, CANDIDATES "LIMIT ?7");
#undef CANDIDATES
            s.bind(1, words);
            s.bind(2, static_cast<std::int64_t>(shortest));
            s.bind(3, static_cast<std::int64_t>(longest));
            s.bind(4, hash);
            s.bind(5, languageValue(query.target));
            s.bind(6, sourceLanguage);
            s.bind(7, std::int64_t(kCandidates));
            std::unordered_map<std::string, int> scores; // a source of several translations is scored once
            int code;
            while ((code = s.step()) == SQLITE_ROW) {
                const std::string source = s.text(0);
                auto known = scores.find(source);
                if (known == scores.end())
                    known = scores.emplace(source, Similarity(text, CodePoints(source))).first;
                if (known->second >= threshold)
                    matches.push_back({known->second, unitFrom(s, 0)});
            }
            s.reset();
            check(code);
        }
        std::stable_sort(matches.begin(), matches.end(), [](const Match &a, const Match &b) {
            if (a.score != b.score)
                return a.score > b.score;
            return a.unit.origin.time > b.unit.origin.time;
        });
        if (matches.size() > query.limit)
            matches.resize(query.limit);
        return matches;
    }

    std::string m_path;
    int m_busyMilliseconds;
    bool m_newer = false;
    sqlite3 *m_db = nullptr;
    std::mutex m_mutex;
    Statement m_addWords, m_addUnit, m_exactUnits, m_candidates, m_unrankedCandidates, m_countWord, m_wordUnits,
        m_exportUnits, m_countUnits, m_addTerm, m_terms;
    std::unordered_map<std::string, std::int64_t> m_wordCounts;
};

} // namespace

OpenedMemory OpenSqliteMemory(const std::string &path, int busyMilliseconds)
{
    OpenedMemory opened;
    auto memory = std::make_unique<SqliteMemory>(path, busyMilliseconds);
    opened.failure = memory->open(opened.notice);
    if (opened.failure.empty())
        opened.memory = std::move(memory);
    return opened;
}

std::string DefaultMemoryPath()
{
    return UserDataFolder() + "/memory.sqlite";
}

} // namespace memory
