#pragma once

#include "window/editorlayout.h"
#include "window/editorview.h"
#include "placement.h"
#include "window/projectdocument.h"
#include "qtext.h"

#include <QMainWindow>
#include <QString>

#include <filesystem>
#include <optional>
#include <vector>

class Desktop;
class SettingsStore;
class TokenLoadObserver;
struct ProjectData;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QTreeWidget;
class QTreeWidgetItem;
class ProgramHelp;

namespace quenlit {

class CodePageChoice;
class OpeningAhead;
class EditorChecks;
class EditorMemory;
class EditorSpelling;
class ListColumns;
class TokenListModel;
class TokenListView;
class TranslatorFlow;
class ProjectGuard;
class ResourcePreviewer;

// The token editor's one window. It owns the open project, through its
// document, and the parts that work on it, and wires them: the translator's
// flow, the checks, the preview, the guard of the project's files. The parts
// see the document and the list and pane through EditorView, never the window.
class FrmPrinc : public QMainWindow, private EditorView
{
    Q_OBJECT

public:
    // Neither is owned; both must outlive the window.
    FrmPrinc(Desktop &desktop, SettingsStore &settings, QWidget *parent = nullptr);
    ~FrmPrinc() override;

    // Shows the window in its restored state and, once the event loop runs, opens
    // the project named by the command-line argument text (bytes, as the system
    // gave them).
    // With `ahead`, the project may already be being read (it must outlive the
    // window).
    void start(const std::string &commandLine, OpeningAhead *ahead = nullptr);
    void start(const QString &commandLine) { start(ToPath(commandLine)); }

    // The path as bytes; it is decoded only for the caption.
    void OpenProject(const std::string &path);
    // A path chosen in a dialog.
    void OpenProject(const QString &path);
    void ChargeListeToken();

    // Every change to a token of the project table goes through the document;
    // these are the window's own: StoreTokenText for a committed text (the
    // in-place editor and the translation box; the status becomes 4 with it),
    // SetTokenStatus for a status alone (the Translated box, and the listing's
    // rewrite of a status in plain decimal), RestoreToken to put a token's
    // cells back exactly as they were (a null cell stays as it is). The row's
    // item is restyled as the document tells of the change.
    void StoreTokenText(std::size_t row, const std::string &text);
    void SetTokenStatus(std::size_t row, std::int64_t status);
    void RestoreToken(std::size_t row, const std::string *text, const std::string *status);
    bool PromptSave();
    bool TermineApp();
    // Reads the open project's token files again after another program changed
    // them, keeping the filter and the selected token; with `reapply`, this
    // window's unsaved changes are applied to them again. False when the files
    // could not be read or a change could not be applied.
    bool ReloadProject(bool reapply);

    const ProjectDocument &document() const { return m_document; }
    // The list and the pane as the parts see them.
    EditorView &view() { return *this; }
    TokenListModel *tokenList() const { return m_model; }
    TranslatorFlow *flow() const { return m_flow; }
    EditorChecks *checks() const { return m_checks; }
    EditorMemory *memory() const { return m_memory; }
    EditorSpelling *spelling() const { return m_spelling; }
    ResourcePreviewer *preview() const { return m_preview; }
    ProgramHelp *help() const { return m_help; }
    const ProjectGuard &guard() const { return *m_guard; }
    CodePageChoice *codePages() const { return m_codePages; }
    ListColumns *listColumns() const { return m_columns; }
    QString treeTag() const { return m_treeTag; }
    const EditorLayout &layoutTwips() const { return m_layout; }
    int startState() const { return m_restored.state; }
    bool ended() const { return m_ended; }

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void mnuOpen_Click();
    void mnuClose_Click();
    void mnuSave_Click();
    void mnuExit_Click();
    void mnuShowROT_Click();
    // EditorView
    TokenListModel &listModel() const override { return *m_model; }
    QAbstractItemView *listView() const override;
    void showListRows(SharedListRows rows) override;
    std::optional<std::size_t> selectedListItem() const override;
    void selectListItem(std::size_t item) override;
    void showListItem(std::size_t item) override;
    void finishEditing() override;
    std::size_t paneRow() const override { return m_paneRow; }
    // The pane shows no token after the list was rebuilt: nothing typed there can
    // reach a token until one is selected again.
    void clearPane() override;
    std::optional<PaneDraft> paneDraft() const override;
    void restorePaneDraft(const PaneDraft &draft) override;
    QLineEdit *translationBox() const override { return txtTransTok; }
    void goToTranslationBox() override;
    std::optional<std::size_t> commitTranslationBox() override;

    // The window's elements by area, made once.
    void createMenus();
    void createTree();
    void createList();
    void createPane();
    void createStatusFields();
    void createParts();
    // The one open and the one close sequence of the parts, on the document's signals.
    void wireDocument();
    void projectOpened();
    void projectClosed();
    void applyLayout();
    void buildFilterTree();
    void tvTyp_NodeClick(QTreeWidgetItem *node);
    void lvTok_ItemClick();
    void lvTok_DblClick();
    void chkTrans_Click();
    void chkRO_Click();
    void startInPlaceEdit();
    // PgUp and PgDn in the translation box: the previous or next item, the box
    // keeping the focus.
    void stepPane(int step);
    void lvTok_AfterLabelEdit(std::size_t row, const QString &text, const QString &original);
    void restyle(std::size_t row);
    bool isReadOnly(std::size_t row) const;
    void txtTransTok_Enter();
    int selectedItem() const;
    void onActivate();
    // Reads a project with its token file in a code page (nothing: its
    // language's) and shows it; false when it could not be read.
    bool openProject(const std::string &path, const std::string &absolutePath, std::optional<unsigned> codePage);
    // The project read, or taken from the reading begun at the start; the folder
    // to go back to on failure is that of before the reading.
    ProjectData readProject(const std::string &path, std::optional<unsigned> codePage, TokenLoadObserver &observer,
                            std::filesystem::path &previousFolder);
    void codePageChosen(std::optional<unsigned> codePage);
    bool readOnlyProject() const;
    void applyReadOnlyProject();
    // Writes the project's tokens; false when they were not saved.
    bool save();

    Desktop &m_desktop;
    SettingsStore &m_settings;
    Twips m_twips;

    ProjectDocument m_document;
    EditorLayout m_layout;

    QMenu *m_fileMenu = nullptr;
    QMenu *m_editMenu = nullptr;
    QMenu *m_goMenu = nullptr;
    QMenu *m_optionsMenu = nullptr;
    QAction *mnuOpen = nullptr;
    QAction *mnuClose = nullptr;
    QAction *mnuSave = nullptr;
    QAction *mnuExit = nullptr;
    QAction *mnuShowROT = nullptr;
    QWidget *m_client = nullptr;
    QTreeWidget *tvTyp = nullptr;
    TokenListView *lvTok = nullptr;
    TokenListModel *m_model = nullptr;
    QGroupBox *frmPropPrj = nullptr;
    QCheckBox *chkRO = nullptr;
    QCheckBox *chkTrans = nullptr;
    QLineEdit *txtOrgTok = nullptr;
    QLineEdit *txtTransTok = nullptr;
    QLabel *lbInfo[2] = {};
    QProgressBar *progress = nullptr;
    // The status bar's fields, left to right, each filled by its part.
    QLabel *m_tokenPlace = nullptr;
    QLabel *m_listProgress = nullptr;
    QLabel *m_checkCounts = nullptr;
    QLabel *m_projectProgress = nullptr;
    QLabel *m_codePageField = nullptr;
    QLabel *m_modifiedMark = nullptr;
    EditorChecks *m_checks = nullptr;
    EditorMemory *m_memory = nullptr;
    EditorSpelling *m_spelling = nullptr;
    CodePageChoice *m_codePages = nullptr;

    QString m_treeTag;      // the filter last applied by a node click
    QString m_chkROTag;     // "1", "0", or empty with no project
    std::size_t m_paneRow = 0; // the table row whose token the pane shows (the selected one), 0 for none
    QString m_paneText;        // the text the translation box was loaded with
    QString m_lastFile;     // last file chosen in the open dialog during this run
    std::string m_commandLine;
    OpeningAhead *m_ahead = nullptr; // the reading of the command line's project begun at the start
    RestoredPlacement m_restored;
    bool m_activated = false;
    bool m_ended = false;
    bool m_quietPane = false; // the pane loads without its Translated handling (undo)
    TranslatorFlow *m_flow = nullptr;
    bool m_listing = false; // the listing rewrites statuses: no edit of the user's
    ProjectGuard *m_guard = nullptr;
    ListColumns *m_columns = nullptr;
    ResourcePreviewer *m_preview = nullptr;
    ProgramHelp *m_help = nullptr;
};

} // namespace quenlit
