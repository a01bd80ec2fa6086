#include "window/projectdocument.h"

#include "codepage.h"
#include "numbers.h"
#include "qtext.h"
#include "tokenstatus.h"
#include "window/tokentext.h"

#include <map>
#include <optional>
#include <utility>

namespace quenlit {

ProjectDocument::ProjectDocument(QObject *parent)
    : QObject(parent), m_projectCodePage(&CodePage::windows1252()), m_masterCodePage(&CodePage::windows1252())
{
}

ProjectDocument::~ProjectDocument() = default;

QString ProjectDocument::masterText(std::size_t row) const
{
    return ShownText(MasterToken(grdMstBuffer, grdPrjBuffer, row), *m_masterCodePage);
}

void ProjectDocument::open(ProjectData data, bool readOnly)
{
    emit closed();
    m_paths = std::move(data.paths);
    grdMstBuffer = std::move(data.master);
    grdPrjBuffer = std::move(data.project);
    // Cells stay bytes; they are read as characters of their file's code page.
    m_projectCodePage = &CodePage::get(data.projectCodePage);
    m_masterCodePage = &CodePage::get(data.masterCodePage);
    if (grdPrjBuffer.tokenCount() > 0 && data.projectSummary.tokenCount() == grdPrjBuffer.tokenCount())
        m_summary = std::move(data.projectSummary);
    else
        m_summary.assign(grdPrjBuffer);
    m_history.clear();
    m_stepDepth = 0;
    m_readOnly = readOnly;
    m_open = true;
    emit opened();
}

void ProjectDocument::close()
{
    emit closed();
    m_open = false;
    m_paths = {};
    grdMstBuffer.clear();
    grdPrjBuffer.clear();
    m_projectCodePage = &CodePage::windows1252();
    m_masterCodePage = &CodePage::windows1252();
    m_summary.clear();
    m_history.clear();
    m_stepDepth = 0;
    m_readOnly = false;
    if (m_modified) {
        m_modified = false;
        emit modifiedChanged(false);
    }
}

void ProjectDocument::setModified()
{
    if (m_readOnly || m_modified)
        return;
    m_modified = true;
    emit modifiedChanged(true);
}

void ProjectDocument::saved()
{
    emit aboutToChange();
    grdPrjBuffer.compactEdits();
}

bool ProjectDocument::changeable(std::size_t row) const
{
    return m_open && !m_readOnly && row != 0 && row <= grdPrjBuffer.tokenCount();
}

bool ProjectDocument::recordCell(std::size_t row, int column, std::string_view before, std::string_view after)
{
    if (before == after)
        return false;
    if (column == ColStatus) {
        const std::int64_t was = StatusOf(before);
        const std::int64_t is = StatusOf(after);
        // The listing writes statuses in plain decimal: the same status, no change.
        if (was == is)
            return false;
        if (!m_restoring)
            m_history.record(row, column, before, after);
        m_summary.statusChanged(row, is);
        emit statusChanged(row, was, is);
        return true;
    }
    if (!m_restoring)
        m_history.record(row, column, before, after);
    return true;
}

void ProjectDocument::storeText(std::size_t row, const std::string &text)
{
    if (!changeable(row))
        return;
    emit aboutToChange();
    beginStep("commit");
    const std::string textBefore = grdPrjBuffer.cellText(row, ColText);
    const std::string statusBefore = grdPrjBuffer.cellText(row, ColStatus);
    grdPrjBuffer.setCell(row, ColText, text);
    // A committed text is translated, neither read-only nor untranslated.
    if (grdPrjBuffer.cell(row, ColStatus) != "4")
        grdPrjBuffer.setCell(row, ColStatus, "4");
    recordCell(row, ColText, textBefore, grdPrjBuffer.cell(row, ColText));
    recordCell(row, ColStatus, statusBefore, grdPrjBuffer.cell(row, ColStatus));
    emit tokenChanged(row, true);
    endStep();
}

void ProjectDocument::setStatus(std::size_t row, std::int64_t status)
{
    if (!changeable(row))
        return;
    emit aboutToChange();
    beginStep("status");
    const std::string before = grdPrjBuffer.cellText(row, ColStatus);
    const std::string plain = IntegerToText(status);
    if (before != plain)
        grdPrjBuffer.setCell(row, ColStatus, plain);
    recordCell(row, ColStatus, before, grdPrjBuffer.cell(row, ColStatus));
    emit tokenChanged(row, false);
    endStep();
}

void ProjectDocument::restore(std::size_t row, const std::string *text, const std::string *status)
{
    if (!changeable(row) || (!text && !status))
        return;
    emit aboutToChange();
    beginStep(text ? "commit" : "status");
    const std::string textBefore = grdPrjBuffer.cellText(row, ColText);
    const std::string statusBefore = grdPrjBuffer.cellText(row, ColStatus);
    if (text)
        grdPrjBuffer.setCell(row, ColText, *text);
    if (status)
        grdPrjBuffer.setCell(row, ColStatus, *status);
    if (text)
        recordCell(row, ColText, textBefore, grdPrjBuffer.cell(row, ColText));
    recordCell(row, ColStatus, statusBefore, grdPrjBuffer.cell(row, ColStatus));
    emit tokenChanged(row, text != nullptr);
    endStep();
}

void ProjectDocument::beginStep(const std::string &label)
{
    ++m_stepDepth;
    if (!m_restoring)
        m_history.beginStep(label);
}

void ProjectDocument::endStep()
{
    if (!m_restoring)
        m_history.endStep();
    if (m_stepDepth > 0 && --m_stepDepth == 0)
        emit historyChanged();
}

std::vector<EditHistory::Change> ProjectDocument::undo()
{
    return takeStep(true);
}

std::vector<EditHistory::Change> ProjectDocument::redo()
{
    return takeStep(false);
}

std::vector<EditHistory::Change> ProjectDocument::takeStep(bool undoing)
{
    if (!m_open || !(undoing ? m_history.canUndo() : m_history.canRedo()))
        return {};
    std::vector<EditHistory::Change> changes = undoing ? m_history.undo() : m_history.redo();
    restoreAll(changes, undoing);
    return changes;
}

void ProjectDocument::restoreAll(const std::vector<EditHistory::Change> &changes, bool undoing)
{
    // What each cell of each row becomes: for an undo the bytes before its first
    // change in the step, for a redo the bytes after its last.
    struct Cells
    {
        std::optional<std::string> text;
        std::optional<std::string> status;
    };
    std::vector<std::size_t> order;
    std::map<std::size_t, Cells> rows;
    for (const EditHistory::Change &change : changes) {
        Cells &cells = rows[change.row];
        if (!cells.text && !cells.status)
            order.push_back(change.row);
        std::optional<std::string> &cell = change.column == ColText ? cells.text : cells.status;
        const std::string_view bytes = undoing ? change.before : change.after;
        if (!cell || !undoing)
            cell = std::string(bytes);
    }
    m_restoring = true;
    ++m_stepDepth;
    for (const std::size_t row : order) {
        const Cells &cells = rows[row];
        restore(row, cells.text ? &*cells.text : nullptr, cells.status ? &*cells.status : nullptr);
    }
    --m_stepDepth;
    m_restoring = false;
    emit historyChanged();
}

} // namespace quenlit
