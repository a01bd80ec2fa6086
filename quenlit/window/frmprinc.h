#pragma once

#include "editorlayout.h"
#include "listrows.h"
#include "placement.h"
#include "qtext.h"
#include "projectopen.h"
#include "tokentable.h"

#include <QMainWindow>
#include <QString>

#include <optional>
#include <vector>

class CodePage;
class Desktop;
class EditorChecks;
class SettingsStore;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class TokenListView;
class QTreeWidget;
class QTreeView;
class QTreeWidgetItem;
class TokenListModel;
class ListColumns;

namespace quenlit {

class CodePageChoice;
class TranslatorFlow;
class ProjectGuard;
class ResourcePreviewer;

// The token editor's one window. It owns the open project: its four paths, the
// master and project token tables and the token list.
class FrmPrinc : public QMainWindow
{
    Q_OBJECT

public:
    // Neither is owned; both must outlive the window.
    FrmPrinc(Desktop &desktop, SettingsStore &settings, QWidget *parent = nullptr);
    ~FrmPrinc() override;

    // Shows the window in its restored state and, once the event loop runs, opens
    // the project named by the command-line argument text (bytes, as the system
    // gave them).
    void start(const std::string &commandLine);
    void start(const QString &commandLine) { start(ToPath(commandLine)); }

    // The path as bytes; it is decoded only for the caption.
    void OpenProject(const std::string &path);
    // A path chosen in a dialog.
    void OpenProject(const QString &path);
    void ChargeListeToken();

    // Every change to a token of the project table goes through these two, and
    // each emits tokenChanged once: StoreTokenText for a committed text (the
    // in-place editor and the translation box; the status becomes 4 with it),
    // SetTokenStatus for a status alone (the Translated box, and the listing's
    // rewrite of a status in plain decimal). Both also restyle the row's item.
    void StoreTokenText(std::size_t row, const std::string &text);
    void SetTokenStatus(std::size_t row, std::int64_t status);
    // Undo and redo put a token's cells back exactly as they were, bytes for
    // bytes, through the same place (a null cell stays as it is).
    void RestoreToken(std::size_t row, const std::string *text, const std::string *status);
    bool PromptSave();
    bool TermineApp();
    // Reads the open project's token files again after another program changed
    // them, keeping the filter and the selected token; with `reapply`, this
    // window's unsaved changes are applied to them again. False when the files
    // could not be read or a change could not be applied.
    bool ReloadProject(bool reapply);

    void mnuOpen_Click();
    void mnuClose_Click();
    void mnuSave_Click();
    void mnuExit_Click();
    void mnuShowROT_Click();

    const ProjectPaths &paths() const { return m_paths; }
    const TokenTable &masterTable() const { return grdMstBuffer; }
    const TokenTable &projectTable() const { return grdPrjBuffer; }
    // The code pages the open project's token files are in (Windows-1252 with none open).
    const CodePage &projectCodePage() const { return *m_projectCodePage; }
    const CodePage &masterCodePage() const { return *m_masterCodePage; }
    CodePageChoice *codePages() const { return m_codePages; }
    TokenListModel *tokenList() const { return m_model; }
    EditorChecks *checks() const { return m_checks; }
    QString treeTag() const { return m_treeTag; }
    const EditorLayout &layoutTwips() const { return m_layout; }
    int startState() const { return m_restored.state; }
    bool ended() const { return m_ended; }
    const ProjectGuard &guard() const { return *m_guard; }

    // What the translator's flow (find, replace, progress, undo, the keys to go
    // on) asks of the window; the flow owns the rest.
    TranslatorFlow *flow() const { return m_flow; }
    // The list's added columns, and the preview of the selected token's resource.
    ListColumns *listColumns() const { return m_columns; }
    ResourcePreviewer *preview() const { return m_preview; }
    TokenListView *tokenView() const;
    QTreeWidget *filterTree() const { return tvTyp; }
    QLineEdit *translationBox() const { return txtTransTok; }
    // The list shows these rows, as a rebuild does (the pane is emptied).
    void showListRows(SharedListRows rows);
    std::optional<std::size_t> selectedListItem() const;
    // Selects an item as a click does: the pane loads, with its Translated handling.
    void selectListItem(std::size_t item);
    // Selects an item and shows its token without rewriting its status.
    void showListItem(std::size_t item);
    void clearPaneShown() { clearPane(); }
    std::size_t paneRow() const { return m_paneRow; }
    // Text typed in the translation box and not stored yet, and the row it is for.
    struct PaneDraft
    {
        std::size_t row = 0;
        QString text;
    };
    std::optional<PaneDraft> paneDraft() const;
    // Puts a draft back in the box when the pane shows its row again.
    void restorePaneDraft(const PaneDraft &draft);
    QString masterText(std::size_t row) const;
    void goToTranslationBox();
    // Enter in the translation box without moving the focus: the item whose
    // token took the text, or nothing when nothing was stored.
    std::optional<std::size_t> commitTranslationBox();
    void finishEditing();
    void setModified();

signals:
    // A token of the project table is about to change, and has changed: its text
    // (and status), or its status alone.
    void tokenChanging(std::size_t row);
    void tokenChanged(std::size_t row, bool textChanged);

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createElements();
    void applyLayout();
    void buildFilterTree();
    void tvTyp_NodeClick(QTreeWidgetItem *node);
    void lvTok_ItemClick();
    void lvTok_DblClick();
    void chkTrans_Click();
    void chkRO_Click();
    void startInPlaceEdit();
    void lvTok_AfterLabelEdit(std::size_t row, const QString &text, const QString &original);
    void writeStatus(std::size_t row, std::int64_t status);
    bool isReadOnly(std::size_t row) const;
    void txtTransTok_Enter();
    void clearPane();
    int selectedItem() const;
    void onActivate();
    // Reads a project with its token file in a code page (nothing: its
    // language's) and shows it; false when it could not be read.
    bool openProject(const std::string &path, const std::string &absolutePath, std::optional<unsigned> codePage);
    void codePageChosen(std::optional<unsigned> codePage);
    bool readOnlyProject() const;
    void applyReadOnlyProject();

    Desktop &m_desktop;
    SettingsStore &m_settings;
    Twips m_twips;

    ProjectPaths m_paths;
    TokenTable grdMstBuffer;
    TokenTable grdPrjBuffer;
    EditorLayout m_layout;

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
    EditorChecks *m_checks = nullptr;
    CodePageChoice *m_codePages = nullptr;
    const CodePage *m_projectCodePage;
    const CodePage *m_masterCodePage;

    QString m_treeTag;      // the filter last applied by a node click
    QString m_chkROTag;     // "1", "0", or empty with no project
    std::size_t m_paneRow = 0; // the table row whose token the pane shows (the selected one), 0 for none
    QString m_paneText;        // the text the translation box was loaded with
    QString m_lastFile;     // last file chosen in the open dialog during this run
    std::string m_commandLine;
    RestoredPlacement m_restored;
    bool m_activated = false;
    bool m_ended = false;
    bool m_lastSaveOk = true;
    bool m_quietPane = false; // the pane loads without its Translated handling (undo)
    TranslatorFlow *m_flow = nullptr;
    bool m_listing = false; // the listing rewrites statuses: no edit of the user's
    ProjectGuard *m_guard = nullptr;
    ListColumns *m_columns = nullptr;
    ResourcePreviewer *m_preview = nullptr;
};

} // namespace quenlit
