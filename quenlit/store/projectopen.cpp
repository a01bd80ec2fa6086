#include "store/projectopen.h"

#include "outils.h"
#include "store/sysfile.h"
#include "projectfiles.h"
#include "codepage.h"
#include "languagecodepage.h"
#include "mastercodepage.h"
#include "tokenescape.h"

#include <filesystem>
#include <system_error>
#include <thread>

bool ChangeToFolderOf(const std::string &path)
{
    const std::string folder = outils::ExtractPath(path);
    if (folder == path && folder.find_first_of(":/\\") == std::string::npos)
        return false; // a bare name has no folder
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::path(folder), ec);
    return !ec;
}

ProjectData ReadProject(const std::string &path, TokenLoadObserver *observer, std::optional<unsigned> projectCodePage)
{
    ProjectData data;
    data.paths.project = path;
    // A relative path is taken from the folder the call starts in.
    const std::string resolved = outils::ResolveFromCurrentFolder(path);
    ChangeToFolderOf(resolved);

    const auto language = ReadEditorLanguageProject(resolved);
    data.paths.masterProject = language.project.masterProject;
    data.paths.tokenFile = language.project.tokenFile;
    data.languageLine = language.project.languageLine;
    data.projectCodePage = CodePage::get(projectCodePage.value_or(CodePageOfLanguageLine(data.languageLine))).number();
    if (language.error != ProjectReadError::None) {
        data.error = ProjectOpenError::CantOpenProjectFile;
        data.file = path;
        data.message = "Can't open project file !";
        return data;
    }
    const auto master = ReadEditorMasterProject(data.paths.masterProject);
    data.paths.masterTokenFile = master.project.masterTokenFile;
    data.paths.sourceFile = master.project.sourceFile;
    if (master.error != ProjectReadError::None) {
        data.error = ProjectOpenError::CantOpenProjectFile;
        data.file = data.paths.masterProject;
        data.message = "Can't open project file !";
        return data;
    }
    data.masterCodePage = MasterTokenCodePage(data.paths.masterProject);

    std::string target;
    if (sysfile::ResolveLinks(data.paths.tokenFile, target) == 0 &&
        sysfile::AbsolutePath(target, target) == 0 &&
        (data.interruptedSave = SaveMarker::FindUnfinished(target)))
        return data;
    ReadTokenFiles(data, observer);
    return data;
}

namespace {

// The project's summary, made as its rows are read.
class SummaryOfRows final : public TokenRowSink
{
public:
    explicit SummaryOfRows(TokenSummary &summary) : m_summary(summary) {}
    void expectRows(std::size_t rows) override { m_summary.reserve(rows); }
    void rowRead(std::size_t, std::string_view line, const TokenLineLayout &layout) override
    {
        m_summary.append(line.substr(2, layout.bars[0] - 2),
                         line.substr(layout.bars[3] + 1, layout.bars[4] - layout.bars[3] - 1));
    }

private:
    TokenSummary &m_summary;
};

void failed(ProjectData &data, TokenLoadStatus status, const std::string &file)
{
    data.error = status == TokenLoadStatus::CantOpen ? ProjectOpenError::CantOpenTokenFile : ProjectOpenError::ReadError;
    data.file = file;
    data.message = data.error == ProjectOpenError::CantOpenTokenFile ? "Can't open token file !"
                                                                     : "Error while reading token file !";
}

} // namespace

void ReadTokenFiles(ProjectData &data, TokenLoadObserver *observer)
{
    if (observer)
        observer->progress(0);
    // Both token files are read at the same time, the master table and its key
    // index on a thread of their own; the observer then hears everything in the
    // order of a reading of one file after the other.
    TokenLoadRecorder masterEvents;
    TokenLoadStatus masterStatus = TokenLoadStatus::ReadError;
    const auto readMaster = [&] {
        TokenLoadExtras extras;
        extras.keyIndex = true;
        masterStatus = LoadTokenFile(data.paths.masterTokenFile, data.master, &masterEvents, 0, extras);
        if (masterStatus != TokenLoadStatus::Ok)
            return;
        // Key cells in the project's code page, so that keys match as the project
        // writes them; a key that changes drops the index made while reading.
        TranscodeKeyCells(data.master, CodePage::get(data.masterCodePage), CodePage::get(data.projectCodePage));
        data.master.buildKeyIndex();
    };
    std::thread masterReader;
    try {
        masterReader = std::thread(readMaster);
    } catch (const std::system_error &) {
        readMaster(); // no thread to be had: one file after the other
    }
    TokenLoadRecorder projectEvents;
    SummaryOfRows summary(data.projectSummary);
    TokenLoadExtras extras;
    extras.rows = &summary;
    data.projectSummary.clear();
    auto status = LoadTokenFile(data.paths.tokenFile, data.project, &projectEvents, 50, extras);
    if (status != TokenLoadStatus::Ok)
        data.projectSummary.clear();
    if (masterReader.joinable())
        masterReader.join();

    if (observer)
        masterEvents.replay(*observer);
    if (masterStatus != TokenLoadStatus::Ok) {
        data.project.clear(); // not reached when the files are read in turn
        failed(data, masterStatus, data.paths.masterTokenFile);
        return;
    }
    if (observer) {
        observer->progress(50);
        projectEvents.replay(*observer);
    }
    if (status != TokenLoadStatus::Ok) {
        failed(data, status, data.paths.tokenFile);
        return;
    }
    // What a save of this file killed half-way left behind goes now.
    RemoveStaleTemporaries(data.paths.tokenFile);
}
