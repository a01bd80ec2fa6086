#pragma once

#include "editorlayout.h"
#include "placement.h"
#include "qtext.h"
#include "projectopen.h"
#include "tokentable.h"

#include <QMainWindow>
#include <QString>

class Desktop;
class SettingsStore;
class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class TokenListView;
class QTreeWidget;
class QTreeWidgetItem;
class TokenListModel;

namespace quenlit {

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
    bool PromptSave();
    bool TermineApp();

    void mnuOpen_Click();
    void mnuClose_Click();
    void mnuSave_Click();
    void mnuExit_Click();
    void mnuShowROT_Click();

    const ProjectPaths &paths() const { return m_paths; }
    const TokenTable &masterTable() const { return grdMstBuffer; }
    const TokenTable &projectTable() const { return grdPrjBuffer; }
    TokenListModel *tokenList() const { return m_model; }
    QString treeTag() const { return m_treeTag; }
    const EditorLayout &layoutTwips() const { return m_layout; }
    int startState() const { return m_restored.state; }
    bool ended() const { return m_ended; }

signals:
    // A token of the project table changed: its text (and status), or its status alone.
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
    void goToTranslationBox();
    void startInPlaceEdit();
    void lvTok_AfterLabelEdit(std::size_t row, const QString &text, const QString &original);
    void writeStatus(std::size_t row, std::int64_t status);
    bool isReadOnly(std::size_t row) const;
    void txtTransTok_Enter();
    void clearPane();
    int selectedItem() const;
    void onActivate();

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
};

} // namespace quenlit
