#pragma once

#include "history/edithistory.h"
#include "store/projectopen.h"
#include "listing/tokencounts.h"
#include "tokentable.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <string>
#include <vector>

class CodePage;

namespace quenlit {

// The open project as the editor holds it: its paths, the master and project
// token tables, the code pages they are in, the summary of the project's types
// and statuses, the undo history and whether there is unsaved work. The window
// owns it; the parts below the window read it and change tokens only through
// its change operations, which keep the summary and the history and tell of
// every change.
class ProjectDocument : public QObject
{
    Q_OBJECT

public:
    explicit ProjectDocument(QObject *parent = nullptr);
    ~ProjectDocument() override;

    bool isOpen() const { return m_open; }
    const ProjectPaths &paths() const { return m_paths; }
    const TokenTable &masterTable() const { return grdMstBuffer; }
    const TokenTable &projectTable() const { return grdPrjBuffer; }
    // The code pages of the token files (Windows-1252 with none open).
    const CodePage &projectCodePage() const { return *m_projectCodePage; }
    const CodePage &masterCodePage() const { return *m_masterCodePage; }
    // The types and statuses of the project's tokens, kept up to date.
    const TokenSummary &summary() const { return m_summary; }
    const EditHistory &history() const { return m_history; }
    // Opened read-only (another editor has it): nothing in it changes.
    bool readOnly() const { return m_readOnly; }
    // Unsaved work: set by the translator's commits, cleared only by a close.
    bool modified() const { return m_modified; }

    // The master text of a project row, as shown.
    QString masterText(std::size_t row) const;

    // Takes a project read from disk. What reads the tables of the project open
    // before is told `closed` first; `opened` follows once the new tables are
    // in. Its summary is used when it is one of its project table as it stands.
    void open(ProjectData data, bool readOnly);
    // Tells `closed`, then empties everything.
    void close();

    // Every change to a token goes through these three, and each tells
    // tokenChanged once. storeText is a committed text (its status becomes 4),
    // setStatus a status alone (written in plain decimal), restore puts cells
    // back byte for byte (a null cell stays as it is). Rows out of range, and
    // every change of a project open read-only, are refused.
    void storeText(std::size_t row, const std::string &text);
    void setStatus(std::size_t row, std::int64_t status);
    void restore(std::size_t row, const std::string *text, const std::string *status);
    // The translator's work is unsaved now (refused read-only).
    void setModified();
    // The project table was written to its file: the lines its edits left
    // behind go. The modified state stays, as it always has.
    void saved();

    // Changes between these make one undo step; pairs nest.
    void beginStep(const std::string &label);
    void endStep();
    // Takes back (makes again) the last step, through restore(); returns its
    // changes in the order made, valid until the history changes again.
    std::vector<EditHistory::Change> undo();
    std::vector<EditHistory::Change> redo();

signals:
    // The tables of a project are in, and its summary.
    void opened();
    // The tables are about to be emptied or replaced: let go of them.
    void closed();
    // A status changed in value (not a rewrite of the same number); told before
    // tokenChanged.
    void statusChanged(std::size_t row, std::int64_t before, std::int64_t after);
    // A row of the project table is about to be written (a change, or the
    // edits compacted after a save): what reads the table on another thread
    // stops now.
    void aboutToChange();
    // A token's text (and status), or its status alone, changed.
    void tokenChanged(std::size_t row, bool textChanged);
    // The history or the counts changed: after a change outside any step, at
    // the end of the outermost step, after an undo or a redo.
    void historyChanged();
    void modifiedChanged(bool modified);

private:
    bool changeable(std::size_t row) const;
    // Records a cell's change in the history and the summary.
    bool recordCell(std::size_t row, int column, std::string_view before, std::string_view after);
    void changed(std::size_t row, bool textChanged, bool recorded);
    std::vector<EditHistory::Change> takeStep(bool undoing);
    void restoreAll(const std::vector<EditHistory::Change> &changes, bool undoing);

    bool m_open = false;
    ProjectPaths m_paths;
    TokenTable grdMstBuffer;
    TokenTable grdPrjBuffer;
    const CodePage *m_projectCodePage;
    const CodePage *m_masterCodePage;
    TokenSummary m_summary;
    EditHistory m_history;
    int m_stepDepth = 0;
    bool m_restoring = false; // an undo or a redo is writing: nothing new to record
    bool m_readOnly = false;
    bool m_modified = false;
};

} // namespace quenlit
