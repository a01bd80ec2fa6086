#include "memory/fileimport.h"

#include "memory/glossary.h"
#include "memory/po.h"
#include "memory/projectunits.h"
#include "memory/tmx.h"

#include "languagecodepage.h"
#include "regularfile.h"

#include <ctime>

namespace memory {

namespace {

std::string extensionOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of('/');
    const std::size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string extension = path.substr(dot + 1);
    for (char &c : extension)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    return extension;
}

// Opens the file and reads it with `read(stream, sink)`.
template <typename Read> UnitReader fromFile(const std::string &path, Read read)
{
    return [path, read](UnitSink &sink) -> std::optional<ReadError> {
        RegularFileStream in;
        if (!in.open(path))
            return ReadError{path, 0, "can't open the file"};
        return read(in, sink);
    };
}

UnitReader obsoleteReader(const std::string &path, const ImportOptions &options)
{
    return [path, options](UnitSink &sink) -> std::optional<ReadError> {
        const std::string tokenFile = path.substr(0, path.size() - std::string(".obsolete").size());
        ProjectLanguages languages;
        std::string project = FindProjectOfTokenFile(tokenFile);
        if (!project.empty()) {
            ReadError error;
            const auto files = ReadProjectFiles(project, error);
            if (!files)
                return error;
            languages = files->languages;
        } else if (options.language) {
            languages.source = {9, 1};
            languages.target = *options.language;
            languages.masterCodePage = 1252;
            languages.projectCodePage = AnsiCodePage(options.language->primary, options.language->sub);
            project = tokenFile;
        } else {
            return ReadError{path, 0, "no language project beside it names " + tokenFile +
                                          ": give its language with --language"};
        }
        RegularFileStream in;
        if (!in.open(path))
            return ReadError{path, 0, "can't open the file"};
        return ReadObsoleteTokens(in, path, languages, project, static_cast<std::int64_t>(std::time(nullptr)), sink);
    };
}

} // namespace

ImportResult ImportFile(TranslationMemory &memory, const std::string &path, const ImportOptions &options)
{
    const std::string extension = extensionOf(path);
    UnitReader reader;
    if (extension == "tmx") {
        reader = fromFile(path, [path](std::istream &in, UnitSink &sink) { return ReadTmx(in, path, sink); });
    } else if (extension == "po") {
        PoOptions po;
        po.language = options.language;
        reader = fromFile(path, [path, po](std::istream &in, UnitSink &sink) { return ReadPo(in, path, sink, po); });
    } else if (extension == "prj") {
        reader = [path](UnitSink &sink) { return ReadLanguageProject(path, sink); };
    } else if (extension == "obsolete") {
        reader = obsoleteReader(path, options);
    } else {
        ImportResult result;
        result.error = ReadError{path, 0, "not a file to import (.tmx, .po, .prj or .obsolete)"};
        return result;
    }
    return memory.import(reader);
}

std::optional<ReadError> ReadTermFile(const std::string &path, LanguageId source, LanguageId target,
                                      std::vector<Term> &terms)
{
    const std::string extension = extensionOf(path);
    if (extension != "tbx" && extension != "csv" && extension != "tsv")
        return ReadError{path, 0, "not a term file (.tbx, .csv or .tsv)"};
    RegularFileStream in;
    if (!in.open(path))
        return ReadError{path, 0, "can't open the file"};
    if (extension == "tbx")
        return ReadTbx(in, path, target, terms);
    return ReadTermCsv(in, path, source, target, terms);
}

} // namespace memory
