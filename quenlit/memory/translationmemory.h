#pragma once

#include "memory/unit.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace memory {

constexpr int kDefaultThreshold = 70;

// What a lookup asks for: matches of `text` translated into `target`, from any
// source language unless `source` says one, with a score of at least
// `threshold`, at most `limit` of them.
struct LookupQuery
{
    std::string text; // UTF-8
    LanguageId target;
    std::optional<LanguageId> source;
    int threshold = kDefaultThreshold;
    std::size_t limit = 10;
};

// Receives the units a reader finds, one at a time.
class UnitSink
{
public:
    virtual ~UnitSink() = default;
    virtual void add(const Unit &unit) = 0;
    // Something left out that does not make the file unreadable.
    virtual void warn(const ReadError &warning) { (void)warning; }
};

// A reader of one file: gives its units to the sink, or the first error. What
// it gave before an error is dropped by the memory.
using UnitReader = std::function<std::optional<ReadError>(UnitSink &)>;

struct ImportResult
{
    std::optional<ReadError> error; // the file's fault: nothing was added
    std::string failure;            // the memory's fault (disk full, busy): nothing was added
    std::size_t units = 0;          // units read (those already there are counted too)
    std::vector<ReadError> warnings; // what was left out, the first 100

    bool ok() const { return !error && failure.empty(); }
};

// A user's translation memory and glossary. Every call is one transaction:
// what fails adds nothing. Errors come back as values, in English, naming the
// database.
class TranslationMemory
{
public:
    virtual ~TranslationMemory() = default;

    // Adds units; a unit already there (the same texts and languages) takes the
    // origin of a newer one from another place, and keeps its own (and its time)
    // when only the time differs, so that saving a project again writes nothing.
    // Empty failure on success.
    virtual std::string add(const std::vector<Unit> &units) = 0;
    // Runs a reader and keeps what it read only if it read the whole file.
    virtual ImportResult import(const UnitReader &reader) = 0;

    // Matches, best first: the higher score, then the newer unit.
    virtual std::vector<Match> lookup(const LookupQuery &query, std::string *failure = nullptr) = 0;

    // Every unit translated into `target`, oldest first. Empty failure on success.
    virtual std::string exportUnits(LanguageId target, const std::function<void(const Unit &)> &unit) = 0;

    virtual std::size_t unitCount() = 0;

    // Terms: added as units are (one transaction; an equal term takes the new note).
    virtual std::string addTerms(const std::vector<Term> &terms) = 0;
    // The terms for a pair of languages, those of any source language (0 0)
    // included.
    virtual std::vector<Term> terms(LanguageId source, LanguageId target, std::string *failure = nullptr) = 0;
};

} // namespace memory
