// rlman: keeps token files up to date with the resources of Windows programs.
//
//   rlman -m MASTER.mpj                                extract the master tokens
//   rlman -n LANG SUBLANG -l PROJECT.prj MASTER.mpj TOKENFILE
//                                                      bring a project token file up to date
//   rlman -n LANG SUBLANG -r SOURCE TOKENFILE TARGET   write the localised target file (its folder
//                                                      is made when missing); an existing TARGET
//                                                      is replaced only when it is a PE image or a .res
//   rlman -o LANG SUBLANG -t TARGET TOKENFILE          read a target file's texts back
//
// Relative paths are taken in the current directory. On any failure a message
// goes to standard error, the exit status is not zero, and no file is changed.
#include "atomicfile.h"
#include "codepage.h"
#include "languagecodepage.h"
#include "mastercodepage.h"
#include "numbers.h"
#include "outils.h"
#include "projectfiles.h"
#include "resources.h"
#include "regularfile.h"
#include "reswriter.h"
#include "restokens.h"
#include "textlines.h"
#include "tokenio.h"
#include "tokenmerge.h"
#include "tokenrefresh.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Failure
{
    int status;
    std::string message;
};

[[noreturn]] void fail(const std::string &message, int status = 1)
{
    throw Failure{status, message};
}

std::string readFile(const std::string &path, const char *what)
{
    auto bytes = ReadWholeFile(path);
    if (!bytes)
        fail(std::string("can't read the ") + what + " " + path);
    return std::move(*bytes);
}

// Read straight into the bytes kept, with no copy on the way.
std::vector<std::uint8_t> readBinary(const std::string &path, const char *what)
{
    std::ifstream in(path, std::ios::binary);
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    std::vector<std::uint8_t> bytes;
    if (in && !ec) {
        bytes.resize(static_cast<std::size_t>(size));
        in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(size));
        // Exactly the size told: a file that changed under the reading is read again as a whole.
        if (in.gcount() == static_cast<std::streamsize>(size) && in.peek() == std::ifstream::traits_type::eof())
            return bytes;
    }
    const std::string whole = readFile(path, what);
    return std::vector<std::uint8_t>(whole.begin(), whole.end());
}

// The first bytes of a file, up to `count`; nothing when it can't be read.
std::optional<std::vector<std::uint8_t>> readHead(const std::string &path, std::size_t count)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::vector<std::uint8_t> bytes(count);
    in.read(reinterpret_cast<char *>(bytes.data()), static_cast<std::streamsize>(count));
    if (in.bad())
        return std::nullopt;
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    return bytes;
}

void write(const std::string &path, std::string_view bytes)
{
    const std::string error = WriteFileAtomically(path, bytes);
    if (!error.empty())
        fail(error);
}

// Whether a path names anything, a dangling link included.
bool exists(const std::string &path)
{
    std::error_code ec;
    return std::filesystem::symlink_status(path, ec).type() != std::filesystem::file_type::not_found;
}

// Reads a token file. One that holds a line that is not a token (but an empty
// last line) is refused: our tools did not write it, and writing it back would
// drop that line. `mayBeMissing`: a file that does not exist reads as empty.
TokenTable loadTokens(const std::string &path, const char *what, bool mayBeMissing)
{
    TokenTable table;
    std::string bytes;
    if (ReadWholeRegularFile(path, bytes) != FileReadStatus::Ok) {
        if (mayBeMissing && !exists(path))
            return table;
        fail(std::string("can't read the ") + what + " " + path);
    }
    if (const std::size_t line = LoadTokensStrictly(std::move(bytes), table))
        fail(std::string("the ") + what + " " + path + " is not a token file: line " + std::to_string(line) +
             " is not a token; nothing was changed");
    return table;
}

// Whether writing `bytes` changes a token file; when it does, the old content is
// copied to TOKENFILE.bak first.
bool backUpBeforeReplacing(const std::string &path, const TokenTable &old, bool existed, const std::string &bytes)
{
    if (!existed)
        return true;
    if (old.buffer() == bytes)
        return false;
    write(path + ".bak", old.buffer());
    return true;
}

struct MasterProject
{
    std::string source;
    std::string masterTokens;
    SourceLanguage language; // line 3
};

MasterProject readMasterProject(const std::string &path)
{
    const auto lines = ReadFileLines(path, kSourceLanguageLine);
    if (!lines)
        fail("can't read the master project " + path);
    if (lines->size() < 2)
        fail("the master project " + path + " needs two lines: the source file and the master token file");
    MasterProject master{(*lines)[0], (*lines)[1], {}};
    if (lines->size() >= kSourceLanguageLine) {
        master.language = ParseSourceLanguageLine((*lines)[kSourceLanguageLine - 1]);
        if (master.language.state == SourceLanguage::State::Malformed)
            fail("line 3 of the master project " + path + " should read LANGUAGE LANG SUBLANG (the source language, "
                 "decimal identifiers), or be empty: " + (*lines)[kSourceLanguageLine - 1]);
    }
    return master;
}

std::vector<std::uint16_t> preferenceOf(const SourceLanguage &language)
{
    if (!language.chosen())
        return {};
    return LanguageLookupOrder(static_cast<std::uint16_t>(language.languageId()));
}

bool sameFile(const std::string &a, const std::string &b)
{
    if (a == b)
        return true;
    std::error_code ec;
    return std::filesystem::equivalent(a, b, ec);
}

// -r and -t are not given the master project: the language projects of the
// current folder that name the token file lead to it (and for -r, the master
// projects that name the source file). The first one found, in name order,
// gives the recorded source language.
std::vector<std::uint16_t> recordedSourceLanguage(const std::string &tokenFile, const std::string *source)
{
    std::vector<std::string> projects;
    std::vector<std::string> masters;
    std::error_code ec;
    for (const auto &entry : std::filesystem::directory_iterator(".", ec)) {
        std::string extension = entry.path().extension().string();
        for (char &c : extension)
            c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
        if (extension == ".prj")
            projects.push_back(entry.path().filename().string());
        else if (extension == ".mpj")
            masters.push_back(entry.path().filename().string());
    }
    std::sort(projects.begin(), projects.end());
    std::sort(masters.begin(), masters.end());
    auto languageOfMaster = [](const std::string &mpj) -> std::optional<std::vector<std::uint16_t>> {
        const auto lines = ReadFileLines(mpj, kSourceLanguageLine);
        if (!lines || lines->size() < 2)
            return std::nullopt;
        return preferenceOf(readMasterProject(mpj).language);
    };
    for (const std::string &prj : projects) {
        const auto lines = ReadFileLines(prj, 2);
        if (lines && lines->size() == 2 && sameFile((*lines)[1], tokenFile)) {
            if (auto language = languageOfMaster((*lines)[0]))
                return *language;
        }
    }
    for (const std::string &mpj : masters) {
        const auto lines = ReadFileLines(mpj, 1);
        if (source && lines && lines->size() == 1 && sameFile((*lines)[0], *source)) {
            if (auto language = languageOfMaster(mpj))
                return *language;
        }
    }
    return {};
}

std::uint16_t languageOf(const std::string &primary, const std::string &sub)
{
    auto digits = [](const std::string &t) {
        return !t.empty() && t.size() < 6 && t.find_first_not_of("0123456789") == std::string::npos;
    };
    const auto p = digits(primary) ? LeadingInteger(primary) : -1;
    const auto s = digits(sub) ? LeadingInteger(sub) : -1;
    if (p < 0 || p > 0x3ff || s < 0 || s > 0x3f)
        fail("bad language identifiers " + primary + " " + sub, 2);
    return MakeLangId(static_cast<unsigned>(p), static_cast<unsigned>(s));
}

ResourceFile readResources(const std::string &path)
{
    try {
        return ReadResourceFile(readBinary(path, "resource file"));
    } catch (const ResourceError &e) {
        fail(path + ": " + e.what());
    }
}

std::vector<ResourceToken> tokensOf(const ResourceFile &file, const std::string &path,
                                    const std::vector<std::uint16_t> &languages, EmptyTexts empty,
                                    const CodePage &codePage)
{
    try {
        return ExtractTokens(file, languages, empty, codePage);
    } catch (const ResourceError &e) {
        fail(path + ": " + e.what());
    }
}

// The code page of a language identifier: that of the project's language for a
// project token file.
const CodePage &codePageOf(std::uint16_t language)
{
    return CodePage::get(AnsiCodePage(PrimaryLanguageOf(language), SubLanguageOf(language)));
}

std::string languageText(std::uint16_t language)
{
    return std::to_string(PrimaryLanguageOf(language)) + " " + std::to_string(SubLanguageOf(language));
}

// Says on standard error which language was read where the target does not
// hold the one asked for, with how many resources. `history`: the master
// tokens as of the last refresh, which say which texts of another language
// than the target's are no translations.
void reportLanguagesTaken(const ResourceFile &file, const std::string &target, std::uint16_t language,
                          const std::vector<std::uint16_t> &preferred, const std::string &history)
{
    std::map<std::uint16_t, std::size_t> taken;
    for (const auto &copies : LocalisableResources(file))
        ++taken[ChooseLanguageCopy(copies, preferred)->language];
    const unsigned primary = PrimaryLanguageOf(language);
    for (const auto &[took, count] : taken) {
        if (took == language)
            continue;
        const char *why = took == MakeLangId(primary, 0)   ? "its neutral sub-language"
                          : took == MakeLangId(primary, 1) ? "its default sub-language"
                                                           : "no copy in that language: the one the master tokens come from";
        std::string taken = why;
        if (took != MakeLangId(primary, 0) && took != MakeLangId(primary, 1))
            taken += exists(history) ? "; only its texts that differ from " + history + " are taken"
                                     : "; without " + history + ", none of its texts is taken";
        std::fprintf(stderr, "rlman: %s: language %s not found for %zu resource%s; took %s (%s)\n", target.c_str(),
                     languageText(language).c_str(), count, count == 1 ? "" : "s", languageText(took).c_str(),
                     taken.c_str());
    }
}

void masterUpdate(const std::string &mpj)
{
    const MasterProject master = readMasterProject(mpj);
    const ResourceFile file = readResources(master.source);
    // The master token file is in the code page of the source language.
    const CodePage &codePage = CodePage::get(SourceCodePage(file, master.language));
    const auto tokens = tokensOf(file, master.source, preferenceOf(master.language), EmptyTexts::Skip, codePage);
    write(master.masterTokens, MasterTokenFile(tokens));
    if (tokens.empty())
        std::fprintf(stderr, "rlman: %s holds no text to translate (no menu, dialog, string table or version "
                             "text): the master token file %s is empty\n",
                     master.source.c_str(), master.masterTokens.c_str());
}

void projectUpdate(std::uint16_t language, const std::string &prj, const std::string &mpj,
                   const std::string &tokenFile)
{
    if (!ReadFileLines(prj, 1))
        fail("can't read the language project " + prj);
    const MasterProject master = readMasterProject(mpj);
    const TokenTable masterTable = loadTokens(master.masterTokens, "master token file", false);
    const TokenTable project = loadTokens(tokenFile, "project token file", true);
    const bool existed = exists(tokenFile);
    const std::string history = tokenFile + ".master";
    const TokenTable previous = loadTokens(history, "history file", true);
    const std::string obsoleteFile = tokenFile + ".obsolete";
    std::string obsoleteBytes;
    if (ReadWholeRegularFile(obsoleteFile, obsoleteBytes) != FileReadStatus::Ok && exists(obsoleteFile))
        fail("can't read " + obsoleteFile);
    // The master's texts and keys come into the project in its own code page.
    const RefreshResult refreshed =
        RefreshProjectTokens(masterTable, project, previous, ReadObsoleteTokens(obsoleteBytes),
                             CodePage::get(MasterTokenCodePage(mpj)), codePageOf(language));
    if (masterTable.tokenCount() == 0 && refreshed.translations > 0)
        fail("the master token file " + master.masterTokens + " holds no token, and " + tokenFile + " holds " +
             std::to_string(refreshed.translations) + (refreshed.translations == 1 ? " translation" : " translations") +
             " that a refresh would drop: nothing was changed (does the master project name the right source file?)");
    const bool changes = backUpBeforeReplacing(tokenFile, project, existed, refreshed.tokens);
    if (!refreshed.obsolete.empty()) {
        if (!obsoleteBytes.empty() && obsoleteBytes.back() != '\n')
            obsoleteBytes += "\r\n";
        write(obsoleteFile, obsoleteBytes + refreshed.obsolete);
    }
    if (changes)
        write(tokenFile, refreshed.tokens);
    if (previous.buffer() != masterTable.buffer() || !exists(history))
        write(history, masterTable.buffer());
    std::printf("rlman: %s\n", RefreshSummary(tokenFile, refreshed.counts).c_str());
}

void importTokens(std::uint16_t language, const std::string &target, const std::string &tokenFile)
{
    const ResourceFile file = readResources(target);
    const TokenTable project = loadTokens(tokenFile, "project token file", false);
    // Texts equal to the master's are not translations where the target holds a
    // resource in another language only: the master as of the last refresh says.
    const TokenTable master = loadTokens(tokenFile + ".master", "history file", true);
    // The target language's copies as Windows looks them up (the language, then
    // its neutral and default sub-languages); where a resource has none, the
    // copy the master tokens come from.
    const std::vector<std::uint16_t> source = recordedSourceLanguage(tokenFile, nullptr);
    std::vector<ResourceToken> tokens;
    try {
        tokens = TargetTranslations(file, language, source, codePageOf(language), master);
    } catch (const ResourceError &e) {
        fail(target + ": " + e.what());
    }
    const std::string imported = ImportTokens(project, tokens, language);
    if (backUpBeforeReplacing(tokenFile, project, true, imported))
        write(tokenFile, imported);
    std::vector<std::uint16_t> languages = LanguageLookupOrder(language);
    languages.insert(languages.end(), source.begin(), source.end());
    reportLanguagesTaken(file, target, language, languages, tokenFile + ".master");
}

// -r replaces programs and resource files only: any other file in TARGET's
// place (a text file a project line names, say) is left as it is. A target
// outside the current folder, the master project's, is written all the same.
void checkTarget(const std::string &target)
{
    std::error_code ec;
    if (std::filesystem::symlink_status(target, ec).type() != std::filesystem::file_type::not_found) {
        // Its kind is told by its first bytes: the MS-DOS header, and the PE
        // signature where that header points.
        if (!std::filesystem::is_regular_file(target, ec))
            fail("the target " + target + " exists but can't be read as a file: left as it is, nothing written");
        auto head = readHead(target, 0x1000);
        if (head && head->size() >= 0x40 && (*head)[0] == 'M' && (*head)[1] == 'Z') {
            const std::size_t pe = std::size_t((*head)[0x3C]) | std::size_t((*head)[0x3D]) << 8 |
                                   std::size_t((*head)[0x3E]) << 16 | std::size_t((*head)[0x3F]) << 24;
            if (pe + 4 > head->size())
                head = readHead(target, pe + 4);
        }
        if (!head)
            fail("the target " + target + " exists but can't be read as a file: left as it is, nothing written");
        if (!ResourceFileKindOf(*head))
            fail("the target " + target + " is neither a PE image nor a .res file: left as it is, nothing written");
    }
    if (!outils::LiesWithinFolder({}, target))
        std::fprintf(stderr, "rlman: warning: the target %s lies outside the current folder (the master project's)\n",
                     target.c_str());
}

void exportTokens(std::uint16_t language, const std::string &source, const std::string &tokenFile,
                  const std::string &target)
{
    checkTarget(target);
    const std::vector<std::uint8_t> bytes = readBinary(source, "source file");
    const TokenTable project = loadTokens(tokenFile, "project token file", false);
    // The source's bytes that stay go out from where they were read, not copied.
    std::optional<LocalisedPieces> written;
    try {
        written = WriteLocalisedPieces(bytes, project, language, recordedSourceLanguage(tokenFile, &source),
                                       codePageOf(language));
    } catch (const ResourceError &e) {
        fail(source + ": " + e.what());
    }
    // The target's folder is made when it is missing.
    const std::filesystem::path folder = std::filesystem::path(target).parent_path();
    std::error_code ec;
    if (!folder.empty())
        std::filesystem::create_directories(folder, ec);
    const std::string error = WriteFileAtomically(target, written->image.pieces());
    if (!error.empty())
        fail(error);
    for (const std::string &note : written->notes)
        std::fprintf(stderr, "rlman: %s: %s\n", target.c_str(), note.c_str());
    const std::size_t size = static_cast<std::size_t>(written->image.size());
    const long long growth = static_cast<long long>(size) - static_cast<long long>(bytes.size());
    std::printf("rlman: %s written, %zu bytes (%s%lld bytes from %s)\n", target.c_str(), size,
                growth >= 0 ? "+" : "", growth, source.c_str());
}

const char kUsage[] = "usage: rlman -m MASTER.mpj\n"
                      "       rlman -n LANG SUBLANG -l PROJECT.prj MASTER.mpj TOKENFILE\n"
                      "       rlman -n LANG SUBLANG -r SOURCE TOKENFILE TARGET\n"
                      "       rlman -o LANG SUBLANG -t TARGET TOKENFILE\n";

} // namespace

int main(int argc, char *argv[])
{
    const std::vector<std::string> a(argv + 1, argv + argc);
    try {
        if (a.size() == 2 && a[0] == "-m") {
            masterUpdate(a[1]);
        } else if (a.size() == 7 && a[0] == "-n" && a[3] == "-l") {
            projectUpdate(languageOf(a[1], a[2]), a[4], a[5], a[6]);
        } else if (a.size() == 7 && a[0] == "-n" && a[3] == "-r") {
            exportTokens(languageOf(a[1], a[2]), a[4], a[5], a[6]);
        } else if (a.size() == 6 && a[0] == "-o" && a[3] == "-t") {
            importTokens(languageOf(a[1], a[2]), a[4], a[5]);
        } else {
            std::fputs(kUsage, stderr);
            return 2;
        }
    } catch (const Failure &f) {
        std::fprintf(stderr, "rlman: %s\n", f.message.c_str());
        return f.status;
    } catch (const std::exception &e) {
        std::fprintf(stderr, "rlman: %s\n", e.what());
        return 1;
    }
    return 0;
}
