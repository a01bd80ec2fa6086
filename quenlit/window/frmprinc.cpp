#include "window/frmprinc.h"
#include "window/openingahead.h"

#include "window/listcolumns.h"
#include "window/preview/resourcepreviewer.h"

#include "window/checks/checkpane.h"
#include "codepage.h"
#include "window/codepagechoice.h"
#include "languagecodepage.h"
#include "window/checks/editorchecks.h"
#include "window/memory/editormemory.h"
#include "window/spelling/editorspelling.h"
#include "window/filternode.h"

#include "desktop.h"
#include "numbers.h"
#include "outils.h"
#include "programicon.h"
#include "window/editoraccess.h"
#include "programhelp.h"
#include "window/projectguard.h"
#include "qtext.h"
#include "settingsstore.h"
#include "store/tokenfile.h"
#include "listing/tokenlist.h"
#include "window/tokenlistmodel.h"
#include "window/tokenlistview.h"
#include "window/tokentext.h"
#include "window/translatorflow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QStatusBar>
#include <QTimer>
#include <QTreeView>
#include <QTreeWidget>

#include <filesystem>
#include <limits>
#include <utility>

namespace quenlit {

namespace {

const QString kCaption = QStringLiteral("Velmora Quenlit");
constexpr int kTagRole = Qt::UserRole;

// Shows the progress of an opening on the bar and each bad line in a message,
// until the user asks not to be shown the rest of a file's bad lines: those are
// then counted once at the end of the file.
class OpeningObserver : public TokenLoadObserver
{
public:
    OpeningObserver(QProgressBar *bar, Desktop &desktop, QWidget *window)
        : m_bar(bar), m_desktop(desktop), m_window(window)
    {
    }
    void fileStarted(const std::string &path) override
    {
        m_file = path;
        m_badLines = 0;
        m_silent = false;
    }
    void badToken(std::size_t, std::string_view) override
    {
        ++m_badLines;
        if (!m_silent)
            m_silent = m_desktop.showBadToken(m_window);
    }
    void fileFinished() override
    {
        if (m_silent)
            m_desktop.showError(m_window, QStringLiteral("%1 bad tokens were skipped in %2.")
                                              .arg(m_badLines)
                                              .arg(FromPath(m_file)));
        m_silent = false;
    }
    void progress(int value) override
    {
        m_bar->setValue(value);
        m_bar->setVisible(true);
    }

private:
    QProgressBar *m_bar;
    Desktop &m_desktop;
    QWidget *m_window;
    std::string m_file;
    std::size_t m_badLines = 0;
    bool m_silent = false;
};

} // namespace

FrmPrinc::FrmPrinc(Desktop &desktop, SettingsStore &settings, QWidget *parent)
    : QMainWindow(parent), m_desktop(desktop), m_settings(settings), m_twips(desktop.logicalDpi())
{
    setObjectName(QStringLiteral("frmprinc"));
    setWindowTitle(kCaption);
    setWindowIcon(ProgramIcon(QStringLiteral("quenlit")));
    // The small user-interface font of the platform, at the size the layout was drawn for.
    QFont small = font();
    small.setPointSizeF(8.25);
    setFont(small);
    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("client"));
    setCentralWidget(m_client);
    createMenus();
    createTree();
    createList();
    createPane();
    createStatusFields();
    createParts();
    wireDocument();
    applyLayout();

    // 1. Centre at the design size.
    m_client->resize(m_twips.toPixels(kEditorDesignWidth), m_twips.toPixels(kEditorDesignHeight));
    adjustSize();
    // The status bar lies outside the client area, as the menu bar does.
    resize(m_twips.toPixels(kEditorDesignWidth), m_twips.toPixels(kEditorDesignHeight) +
                                                     menuBar()->sizeHint().height() +
                                                     statusBar()->sizeHint().height());
    const QSize screen = m_desktop.screenSize();
    const auto centre = outils::CenterForm(m_twips.fromPixels(screen.width()), m_twips.fromPixels(screen.height()),
                                           m_twips.fromPixels(frameGeometry().width()),
                                           m_twips.fromPixels(frameGeometry().height()));
    move(m_twips.toPixels(centre.left), m_twips.toPixels(centre.top));

    // 2 and 3. The status names are fixed texts; the tree is built once.
    buildFilterTree();
    tvTyp->setFocus(Qt::OtherFocusReason); // where the keyboard starts, as before the pane came first in Tab

    // 4. "Show read-only tokens" is checked unless the value is exactly "0".
    mnuShowROT->setChecked(m_settings.value(QStringLiteral("ShowReadOnly"), QStringLiteral("0")) !=
                           QStringLiteral("0"));

    // 5 and 6. Placement, then the state to show in.
    m_restored = RestorePlacement(this, m_settings, PlacementKeys::withPrefix(QStringLiteral("Edit")), m_twips,
                                  m_desktop);
}

FrmPrinc::~FrmPrinc()
{
    // The list and the parts read the tables, which go before the widgets do.
    m_checks->projectClosed();
    m_memory->projectClosed();
    m_preview->projectClosed();
    m_flow->projectClosed(); // its index thread too
    m_model->setCheckColumn(nullptr);
    m_model->setMasterTable(nullptr);
    m_model->setItems(nullptr, nullptr, {});
}

void FrmPrinc::createMenus()
{
    m_fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    m_fileMenu->setObjectName(QStringLiteral("mnu"));
    m_fileMenu->setProperty("index", 0);
    mnuOpen = m_fileMenu->addAction(QStringLiteral("&Open..."), this, &FrmPrinc::mnuOpen_Click);
    mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
    mnuOpen->setShortcut(QKeySequence::Open);
    mnuClose = m_fileMenu->addAction(QStringLiteral("&Close"), this, &FrmPrinc::mnuClose_Click);
    mnuClose->setObjectName(QStringLiteral("mnuClose"));
    mnuClose->setEnabled(false);
    m_fileMenu->addSeparator()->setObjectName(QStringLiteral("mnuSep"));
    mnuSave = m_fileMenu->addAction(QStringLiteral("&Save"), this, &FrmPrinc::mnuSave_Click);
    mnuSave->setObjectName(QStringLiteral("mnuSave"));
    mnuSave->setShortcut(QKeySequence::Save);
    mnuSave->setEnabled(false);
    m_fileMenu->addSeparator()->setObjectName(QStringLiteral("mnuSep2"));
    mnuExit = m_fileMenu->addAction(QStringLiteral("E&xit"), this, &FrmPrinc::mnuExit_Click);
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    // Where the platform names no key to quit, the usual one.
    mnuExit->setShortcut(QKeySequence::keyBindings(QKeySequence::Quit).value(0, QKeySequence(Qt::CTRL | Qt::Key_Q)));

    // Filled by the translator's flow and the checks.
    m_editMenu = menuBar()->addMenu(QStringLiteral("&Edit"));
    m_editMenu->setObjectName(QStringLiteral("mnuEdit"));
    m_goMenu = menuBar()->addMenu(QStringLiteral("&Go"));
    m_goMenu->setObjectName(QStringLiteral("mnuGo"));

    m_optionsMenu = menuBar()->addMenu(QStringLiteral("&Options"));
    m_optionsMenu->setObjectName(QStringLiteral("mnu"));
    m_optionsMenu->setProperty("index", 1);
    mnuShowROT = m_optionsMenu->addAction(QStringLiteral("Show &read-only tokens"));
    mnuShowROT->setObjectName(QStringLiteral("mnuShowROT"));
    mnuShowROT->setCheckable(true);
    connect(mnuShowROT, &QAction::triggered, this, &FrmPrinc::mnuShowROT_Click);
}

void FrmPrinc::createTree()
{
    tvTyp = new QTreeWidget(m_client);
    tvTyp->setObjectName(QStringLiteral("tvTyp"));
    tvTyp->setHeaderHidden(true);
    tvTyp->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // The tree keeps its width: names wider than it scroll sideways, and each
    // node's name is also its tooltip.
    tvTyp->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    tvTyp->header()->setStretchLastSection(false);
    tvTyp->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    connect(tvTyp, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *item) { tvTyp_NodeClick(item); });
    connect(tvTyp, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { tvTyp_NodeClick(item); });
}

void FrmPrinc::createList()
{
    lvTok = new TokenListView(m_client);
    lvTok->setObjectName(QStringLiteral("lvTok"));
    m_model = new TokenListModel(this);
    m_model->setFont(font());
    lvTok->setModel(m_model);
    lvTok->setSelectionMode(QAbstractItemView::SingleSelection);
    lvTok->setSelectionBehavior(QAbstractItemView::SelectRows);
    lvTok->setEditTriggers(QAbstractItemView::SelectedClicked);
    lvTok->header()->setSectionsClickable(false);
    lvTok->header()->setStretchLastSection(false);
    lvTok->setColumnWidth(TokenListModel::TokenColumn, m_twips.toPixels(kTokenColumnWidth));
    lvTok->setColumnWidth(TokenListModel::StatusColumn, m_twips.toPixels(kStatusColumnWidth));
    lvTok->setColumnWidth(TokenListModel::TypeColumn, m_twips.toPixels(kTypeColumnWidth));
    lvTok->setColumnWidth(TokenListModel::CheckColumnIndex, m_twips.toPixels(kCheckColumnWidth));
    lvTok->installEventFilter(this);
    // The pane follows the selection, whatever makes it (mouse, keys, Tab), and
    // a click on the selected item loads it again.
    connect(lvTok->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { lvTok_ItemClick(); });
    connect(lvTok, &TokenListView::clicked, this, [this](const QModelIndex &index) {
        if (index.isValid() && index.row() == selectedItem())
            lvTok_ItemClick();
    });
    connect(lvTok, &TokenListView::doubleClicked, this, [this] { lvTok_DblClick(); });
    connect(lvTok->tokenDelegate(), &TokenItemDelegate::textCommitted, this, &FrmPrinc::lvTok_AfterLabelEdit);
    // Enter in an in-place editor that changed nothing is Enter in the list.
    connect(lvTok->tokenDelegate(), &TokenItemDelegate::enteredUnchanged, this, &FrmPrinc::goToTranslationBox);
    // The original beside the translation.
    m_model->setMasterTable(&m_document.masterTable());
}

void FrmPrinc::createPane()
{
    frmPropPrj = new QGroupBox(QStringLiteral("Properties..."), m_client);
    frmPropPrj->setObjectName(QStringLiteral("frmPropPrj"));
    frmPropPrj->setEnabled(false);

    chkRO = new QCheckBox(QStringLiteral("Read-only"), frmPropPrj);
    chkRO->setObjectName(QStringLiteral("chkRO"));
    m_twips.place(chkRO, m_layout.chkRO);
    chkRO->setEnabled(false);
    connect(chkRO, &QCheckBox::toggled, this, &FrmPrinc::chkRO_Click);

    chkTrans = new QCheckBox(QStringLiteral("Translated"), frmPropPrj);
    chkTrans->setObjectName(QStringLiteral("chkTrans"));
    m_twips.place(chkTrans, m_layout.chkTrans);
    chkTrans->setEnabled(false);
    connect(chkTrans, &QCheckBox::toggled, this, &FrmPrinc::chkTrans_Click);

    txtOrgTok = new QLineEdit(frmPropPrj);
    txtOrgTok->setObjectName(QStringLiteral("txtOrgTok"));
    txtOrgTok->setReadOnly(true);
    txtOrgTok->setEnabled(false);
    txtOrgTok->setMaxLength(std::numeric_limits<int>::max()); // texts of any length

    lbInfo[0] = new QLabel(QStringLiteral("Original token :"), frmPropPrj);
    m_twips.place(lbInfo[0], m_layout.lbOrgTok);

    txtTransTok = new QLineEdit(frmPropPrj);
    txtTransTok->setObjectName(QStringLiteral("txtTransTok"));
    txtTransTok->setEnabled(false);
    txtTransTok->setMaxLength(std::numeric_limits<int>::max());
    txtTransTok->installEventFilter(this);

    lbInfo[1] = new QLabel(QStringLiteral("Translated token :"), frmPropPrj);
    m_twips.place(lbInfo[1], m_layout.lbTransTok);
    QFont bold = font();
    bold.setBold(true);
    for (int i = 0; i < 2; ++i) {
        lbInfo[i]->setObjectName(QStringLiteral("lbInfo"));
        lbInfo[i]->setProperty("index", i);
        lbInfo[i]->setFont(bold);
        lbInfo[i]->setEnabled(false);
    }
    // Alt with the labels' letters is not used; the boxes are reached with Tab
    // (the order is SetUpEditorAccess's).

    progress = new QProgressBar(frmPropPrj);
    progress->setObjectName(QStringLiteral("progress"));
    progress->setRange(0, 100);
    progress->setVisible(false);

    m_client->installEventFilter(this);
}

void FrmPrinc::createStatusFields()
{
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    // Where the token lives on the left; on the right the list's progress, what
    // the checks found in it, the project's progress and the code page in use.
    m_tokenPlace = new QLabel(statusBar());
    statusBar()->addWidget(m_tokenPlace, 1);
    for (QLabel **field : {&m_listProgress, &m_checkCounts, &m_projectProgress, &m_codePageField}) {
        *field = new QLabel(statusBar());
        statusBar()->addPermanentWidget(*field);
    }
    // Work not saved yet: shown while "&Save" is enabled.
    m_modifiedMark = new QLabel(QStringLiteral("Modified"), statusBar());
    m_modifiedMark->setObjectName(QStringLiteral("lbModified"));
    m_modifiedMark->setToolTip(QStringLiteral("Changes not saved yet: File > Save (Ctrl+S)"));
    m_modifiedMark->setVisible(false);
    statusBar()->addPermanentWidget(m_modifiedMark);
}

void FrmPrinc::createParts()
{
    // The checks: the list's "Check" column and the pane's line below the boxes,
    // which the progress bar covers while it is shown.
    m_checks = new EditorChecks(m_model, frmPropPrj, this);
    m_checks->paneLine()->stackUnder(progress);
    // A suggestion taken fills the translation box; nothing is stored before Enter.
    connect(m_checks, &EditorChecks::suggestionTaken, this, [this](const QString &text) {
        if (!txtTransTok->isEnabled() || m_paneRow == 0)
            return;
        txtTransTok->setText(text);
        txtTransTok->setFocus(Qt::ShortcutFocusReason);
    });

    // Find, replace, progress, undo and the keys to go on: bars above the list.
    m_flow = new TranslatorFlow(m_document, view(), this,
                                {m_editMenu, m_goMenu, m_client, statusBar(), m_listProgress, m_projectProgress,
                                 tvTyp});
    connect(m_flow, &TranslatorFlow::layoutChanged, this, &FrmPrinc::applyLayout);
    m_checks->attach(m_document, view(), *m_flow, {m_editMenu, m_goMenu, m_optionsMenu, m_checkCounts});
    // The code page of the open project, in "&Options" and the status bar.
    m_codePages = new CodePageChoice(m_settings, m_optionsMenu, m_codePageField, this);
    connect(m_codePages, &CodePageChoice::chosen, this, &FrmPrinc::codePageChosen);

    m_columns = new ListColumns(lvTok, m_settings, m_twips,
                                {{TokenListModel::CheckColumnIndex, QStringLiteral("Check"), kCheckColumnWidth},
                                 {TokenListModel::OriginalColumn, QStringLiteral("Original"), kOriginalColumnWidth}});
    m_optionsMenu->addMenu(m_columns->contextMenu());
    // Where each token lives, and its dialog or menu drawn; the "length" check
    // measures dialog texts as the preview draws them.
    m_preview = new ResourcePreviewer(*this, m_document, view(), m_optionsMenu, m_tokenPlace, m_settings, m_desktop);
    m_checks->setFitMeasure(&m_preview->fitMeasure());
    connect(m_preview, &ResourcePreviewer::fitMeasureChanged, m_checks, &EditorChecks::fitMeasureChanged);
    connect(m_preview, &ResourcePreviewer::menuLevelsRead, m_checks, &EditorChecks::menuLevelsRead);

    // The translation memory's matches in the pane, "Fill from memory...", and
    // the translations of every save kept in it.
    m_memory = new EditorMemory(m_settings, this);
    m_memory->attach(m_document, view(), *m_flow, *m_checks, {m_editMenu, m_optionsMenu});
    // Misspelt words underlined in the translation box and the in-place editor.
    m_spelling = new EditorSpelling(this);
    m_spelling->attach(m_document, view(), *m_flow, *m_checks, txtTransTok, lvTok->tokenDelegate());

    // Lock, autosave journal, recovery and the watch on the token file.
    m_guard = new ProjectGuard(m_desktop, this);
    connect(m_guard, &ProjectGuard::reloadWanted, this, [this] { ReloadProject(false); });
    connect(m_guard, &ProjectGuard::notice, this, [this](const QString &text) { statusBar()->showMessage(text, 15000); });

    // "&Help", after the others, and F1.
    m_help = new ProgramHelp(*this, m_desktop, ProgramHelp::InstalledGuide(QCoreApplication::applicationDirPath()),
                             QStringLiteral("quenlit"), this);
    m_help->addMenu(*menuBar());
    SetUpEditorAccess(*this);
}

void FrmPrinc::wireDocument()
{
    connect(&m_document, &ProjectDocument::closed, this, &FrmPrinc::projectClosed);
    connect(&m_document, &ProjectDocument::opened, this, &FrmPrinc::projectOpened);
    connect(&m_document, &ProjectDocument::tokenChanged, this, [this](std::size_t row, bool textChanged) {
        restyle(row);
        m_checks->tokenChanged(row);
        m_memory->tokenChanged(row);
        if (!m_listing)
            m_guard->changed(m_document.masterTable(), m_document.projectTable(), row, textChanged);
    });
    connect(&m_document, &ProjectDocument::modifiedChanged, this, [this](bool modified) {
        mnuSave->setEnabled(modified);
        m_modifiedMark->setVisible(modified);
    });
}

// What reads the tables lets them go before they are emptied or replaced.
void FrmPrinc::projectClosed()
{
    m_checks->projectClosed();
    m_memory->projectClosed();
    m_spelling->projectClosed();
    m_preview->projectClosed();
    m_model->setItems(nullptr, nullptr, {});
    m_flow->projectClosed();
}

// The tables of a project are in, and the guard has seen them: the parts take
// them, the list is built, and the checks and the preview start on it.
void FrmPrinc::projectOpened()
{
    m_model->setCodePage(m_document.projectCodePage());
    m_model->setMasterCodePage(m_document.masterCodePage());
    m_flow->projectOpened();
    ChargeListeToken();
    progress->setVisible(false);
    m_checks->projectOpened();
    m_memory->projectOpened();
    m_spelling->projectOpened();
    m_preview->projectOpened();
}

void FrmPrinc::applyLayout()
{
    auto place = [this](QWidget *w, const TwipsRect &r) { m_twips.place(w, r); };
    place(tvTyp, m_layout.tvTyp);
    place(lvTok, m_layout.lvTok);
    // The find and replace bars, when shown, take the top of the list's place.
    if (m_flow)
        lvTok->setGeometry(m_flow->placeBars(lvTok->geometry()));
    place(frmPropPrj, m_layout.frmPropPrj);
    place(progress, m_layout.progress);
    place(txtOrgTok, m_layout.txtOrgTok);
    place(txtTransTok, m_layout.txtTransTok);
    place(m_checks->paneLine(), CheckPaneLine(m_layout));
}

void FrmPrinc::buildFilterTree()
{
    struct Node
    {
        const char *text;
        const char *key;
        const char *tag;
        const char *parent;
    };
    static const Node nodes[] = {
        {"All tokens", "All", "all", nullptr},
        {"by type", "byType", "all", "All"},
        {"by status", "byStatus", "all", "All"},
        {"Menu", nullptr, "byType Menu", "byType"},
        {"String", nullptr, "byType String", "byType"},
        {"Dialog", nullptr, "byType Dialog", "byType"},
        {"Version", nullptr, "byType Version", "byType"},
        {"Unknow type", nullptr, "byType Unknow type", "byType"},
        {"Translated", nullptr, "byStatus 7 4", "byStatus"},
        {"Non-translated", nullptr, "byStatus 1 1", "byStatus"},
        {"Read-only", nullptr, "byStatus 2 2", "byStatus"},
    };
    const QSignalBlocker blocker(tvTyp);
    QHash<QString, QTreeWidgetItem *> byKey;
    for (const Node &n : nodes) {
        QTreeWidgetItem *item = n.parent ? new QTreeWidgetItem(byKey.value(QString::fromLatin1(n.parent)))
                                         : new QTreeWidgetItem(tvTyp);
        item->setText(0, QString::fromLatin1(n.text));
        item->setToolTip(0, item->text(0));
        item->setData(0, kTagRole, QString::fromLatin1(n.tag));
        item->setData(0, kFilterRole, QVariant::fromValue(ParseFilterTag(n.tag, n.text)));
        if (n.key)
            byKey.insert(QString::fromLatin1(n.key), item);
    }
    QTreeWidgetItem *root = byKey.value(QStringLiteral("All"));
    tvTyp->setCurrentItem(root);
    root->setExpanded(true);
}

void FrmPrinc::start(const std::string &commandLine, OpeningAhead *ahead)
{
    m_commandLine = commandLine;
    m_ahead = ahead;
    ShowRestored(this, m_restored, [this] { onActivate(); });
}

void FrmPrinc::onActivate()
{
    if (m_activated)
        return;
    m_activated = true;
    // Empty or only blanks: nothing to open. Anything else is the path, untrimmed.
    if (m_commandLine.find_first_not_of(' ') == std::string::npos)
        return;
    OpenProject(m_commandLine);
}

void FrmPrinc::OpenProject(const QString &path)
{
    OpenProject(ToPath(path));
}

void FrmPrinc::OpenProject(const std::string &path)
{
    // The choice of a code page is looked up before the project's folder becomes
    // the current one.
    // A reading begun at the start has made the project's folder the current one.
    const std::string absolute = m_ahead && m_ahead->holds(path) ? m_ahead->absolutePath()
                                                                 : CodePageChoice::absolutePath(path);
    openProject(path, absolute, m_codePages->chosenFor(absolute));
}

bool FrmPrinc::openProject(const std::string &path, const std::string &absolutePath,
                           std::optional<unsigned> codePage)
{
    lvTok->finishEditing();
    std::filesystem::path previousFolder;
    OpeningObserver observer(progress, m_desktop, this);
    ProjectData data = readProject(path, codePage, observer, previousFolder);
    const bool notOpened = data.interruptedSave && !m_guard->interruptedSave(data, &observer);
    if (notOpened || data.error != ProjectOpenError::None) {
        // The project open before stays as it was, current folder included.
        std::error_code ec;
        if (!previousFolder.empty())
            std::filesystem::current_path(previousFolder, ec);
        progress->setVisible(false);
        if (!notOpened)
            m_desktop.showError(this, QString::fromStdString(data.message));
        return false;
    }
    m_codePages->projectOpened(absolutePath, CodePageOfLanguageLine(data.languageLine), data.projectCodePage,
                               data.masterCodePage, codePage);
    progress->setValue(50);
    // Before the list is shown: the lock, and the work an editor left behind,
    // which the counts and the find index then see as the tables hold it.
    const ProjectGuard::Opening opening = m_guard->opened(data.paths.tokenFile, data.master, data.project);
    // Recovered work changed statuses since the summary was made.
    if (opening.recovered)
        data.projectSummary = TokenSummary();

    setWindowTitle(kCaption + QStringLiteral(" - ") + FromPath(path) +
                   (opening.readOnly ? QStringLiteral(" (read-only)") : QString()));
    mnuClose->setEnabled(true);
    txtTransTok->setEnabled(true);
    txtOrgTok->setEnabled(true);
    lbInfo[1]->setEnabled(true);
    lbInfo[0]->setEnabled(true);
    chkRO->setEnabled(true);
    chkTrans->setEnabled(true);
    frmPropPrj->setEnabled(true);
    m_document.open(std::move(data), opening.readOnly);
    applyReadOnlyProject();
    if (opening.recovered)
        m_document.setModified();
    if (opening.saveNow)
        save();
    return true;
}

ProjectData FrmPrinc::readProject(const std::string &path, std::optional<unsigned> codePage,
                                  TokenLoadObserver &observer, std::filesystem::path &previousFolder)
{
    if (m_ahead && m_ahead->holds(path)) {
        previousFolder = m_ahead->startFolder();
        if (std::optional<ProjectData> read = m_ahead->take(codePage, &observer))
            return std::move(*read);
    }
    std::error_code ec;
    previousFolder = std::filesystem::current_path(ec);
    if (ec)
        previousFolder.clear();
    return ReadProject(path, &observer, codePage);
}

void FrmPrinc::codePageChosen(std::optional<unsigned> codePage)
{
    // The project is read again in the chosen code page: work not saved is
    // offered to be saved first, in the code page it was typed in.
    if (m_codePages->projectPath().empty() || !PromptSave()) {
        m_codePages->showInUse();
        return;
    }
    const std::string project = m_codePages->projectPath();
    if (openProject(project, project, codePage))
        m_codePages->remember(codePage);
    else
        m_codePages->showInUse();
}

bool FrmPrinc::readOnlyProject() const
{
    return m_document.readOnly();
}

// A project open read-only (another editor has it) is shown and filtered, but
// nothing in it can change.
void FrmPrinc::applyReadOnlyProject()
{
    const bool readOnly = readOnlyProject();
    lvTok->setEditTriggers(readOnly ? QAbstractItemView::NoEditTriggers : QAbstractItemView::SelectedClicked);
    txtTransTok->setReadOnly(readOnly);
    chkTrans->setEnabled(!readOnly && mnuClose->isEnabled());
}

bool FrmPrinc::ReloadProject(bool reapply)
{
    // What is being typed is never lost: an in-place edit lands on its token and
    // goes to the new file with this session's other changes; text typed in the
    // translation box and not committed yet comes back in the box.
    lvTok->finishEditing();
    reapply = reapply || m_guard->hasUnsavedChanges();
    const std::size_t selected = m_model->tableRow(selectedItem());
    const TokenChange key = selected ? DescribeChange(m_document.projectTable(), m_document.masterTable(), selected,
                                                      false)
                                     : TokenChange{};
    const bool translatedShown = chkTrans->isChecked();
    const bool typing = selected && selected == m_paneRow && txtTransTok->text() != m_paneText;
    const QString typed = txtTransTok->text();
    ProjectData data;
    data.paths = m_document.paths();
    // Read again in the code pages the project was opened in.
    data.projectCodePage = m_document.projectCodePage().number();
    data.masterCodePage = m_document.masterCodePage().number();
    OpeningObserver observer(progress, m_desktop, this);
    ReadTokenFiles(data, &observer);
    if (data.error != ProjectOpenError::None) {
        progress->setVisible(false);
        m_desktop.showError(this, QString::fromStdString(data.message));
        return false;
    }
    const bool allApplied = m_guard->reloaded(data.master, data.project, reapply);
    // Changes applied again changed statuses since the summary was made.
    if (reapply)
        data.projectSummary = TokenSummary();
    // The tables are replaced: what reads them takes them anew (undo starts
    // over, as at an opening).
    m_document.open(std::move(data), m_document.readOnly());
    // The token selected before, found again by its key; the pane takes it
    // back as it showed it, so that selecting it again changes nothing.
    const std::size_t row = selected ? FindTokenByKey(key, m_document.projectTable()) : 0;
    const int item = row ? m_model->itemOfRow(row) : -1;
    if (item >= 0) {
        {
            const QSignalBlocker blocker(chkTrans);
            chkTrans->setChecked(translatedShown);
        }
        lvTok->setCurrentIndex(m_model->index(item, TokenListModel::TokenColumn));
        if (typing && m_paneRow == row)
            txtTransTok->setText(typed);
    }
    return allApplied;
}

void FrmPrinc::ChargeListeToken()
{
    // An edit in progress lands on its token before the list changes under it.
    lvTok->finishEditing();
    QTreeWidgetItem *node = tvTyp->currentItem();
    const TokenFilter filter = node ? node->data(0, kFilterRole).value<TokenFilter>() : TokenFilter();
    const TokenTable &project = m_document.projectTable();
    const TokenSummary &summary = m_document.summary();
    ListRows rows = ListTokens(summary, project, filter, mnuShowROT->isChecked());
    std::vector<std::pair<std::size_t, std::int64_t>> notPlain;
    const bool marked = summary.tokenCount() == project.tokenCount();
    for (const std::size_t row : rows) {
        if (marked && !summary.statusMayBeOdd(row))
            continue;
        const std::int64_t status = StatusOf(project.cell(row, ColStatus));
        if (!IsPlainInteger(project.cell(row, ColStatus), status))
            notPlain.emplace_back(row, status);
    }
    // The find box (and any other narrowing) keeps part of them; with nothing
    // to narrow, the rows stay exactly these.
    showListRows(m_flow->narrowBase(std::move(rows), filter, mnuShowROT->isChecked()));
    // Listing rewrites every listed status in plain decimal.
    m_listing = true;
    for (const auto &[row, status] : notPlain)
        SetTokenStatus(row, status);
    m_listing = false;
}

void FrmPrinc::showListRows(SharedListRows rows)
{
    lvTok->finishEditing();
    const TranslatorFlow &flow = *m_flow;
    m_model->setItemsByRow(&m_document.projectTable(), std::move(rows),
                           [&flow](std::size_t row) { return flow.listLook(row); });
    // A new list is shown from its first token, as it was built.
    lvTok->scrollToTop();
    m_checks->listRebuilt(m_model->rows());
    clearPane();
}

void FrmPrinc::StoreTokenText(std::size_t row, const std::string &text)
{
    m_document.storeText(row, text);
}

void FrmPrinc::SetTokenStatus(std::size_t row, std::int64_t status)
{
    m_document.setStatus(row, status);
}

void FrmPrinc::RestoreToken(std::size_t row, const std::string *text, const std::string *status)
{
    m_document.restore(row, text, status);
}

// The item of a changed token takes the look of its status.
void FrmPrinc::restyle(std::size_t row)
{
    const int item = m_model->itemOfRow(row);
    if (item >= 0)
        m_model->setLook(item, LookForStatus(m_model->look(item),
                                             StatusOf(m_document.projectTable().cell(row, ColStatus))));
}

void FrmPrinc::clearPane()
{
    m_paneRow = 0;
    m_paneText.clear();
    const QSignalBlocker blockRO(chkRO);
    const QSignalBlocker blockTrans(chkTrans);
    txtOrgTok->clear();
    txtTransTok->clear();
    chkRO->setChecked(false);
    chkTrans->setChecked(false);
    if (!m_chkROTag.isEmpty())
        m_chkROTag = QStringLiteral("0");
    m_checks->paneShows(0);
    m_memory->paneShows(0);
    m_spelling->paneShows(0);
    if (m_preview)
        m_preview->paneShows(0);
}

int FrmPrinc::selectedItem() const
{
    const QModelIndexList selected = lvTok->selectionModel()->selectedRows();
    return selected.isEmpty() ? -1 : selected.front().row();
}

bool FrmPrinc::isReadOnly(std::size_t row) const
{
    return (StatusOf(m_document.projectTable().cell(row, ColStatus)) & FlagReadOnly) != 0;
}

void FrmPrinc::lvTok_ItemClick()
{
    const int item = selectedItem();
    const std::size_t row = m_model->tableRow(item);
    if (row == 0) {
        // Nothing selected: the pane shows nothing the handlers could write to.
        clearPane();
        return;
    }
    m_paneRow = row;
    txtOrgTok->setText(m_document.masterText(row));
    m_paneText = ShownText(m_document.projectTable().cell(row, ColText), m_document.projectCodePage());
    txtTransTok->setText(m_paneText);
    const std::int64_t status = StatusOf(m_document.projectTable().cell(row, ColStatus));
    if (status & FlagReadOnly) {
        m_chkROTag = QStringLiteral("1");
        chkRO->setChecked(true);
        txtTransTok->setEnabled(false);
    } else {
        m_chkROTag = QStringLiteral("0");
        chkRO->setChecked(false);
        txtTransTok->setEnabled(true);
    }
    // A change of the box runs its handler, which rewrites the status; an undo
    // shows the token as it is.
    if (m_quietPane) {
        const QSignalBlocker blocker(chkTrans);
        chkTrans->setChecked(!(status & FlagNonTranslated));
    } else {
        chkTrans->setChecked(!(status & FlagNonTranslated));
    }
    m_checks->paneShows(row);
    m_memory->paneShows(row);
    m_spelling->paneShows(row);
    m_preview->paneShows(row);
}

void FrmPrinc::chkTrans_Click()
{
    if (readOnlyProject())
        return;
    const int item = selectedItem();
    if (item < 0 || m_model->tableRow(item) != m_paneRow)
        return;
    SetTokenStatus(m_paneRow, TranslatedBoxStatus(chkRO->isChecked(), chkTrans->isChecked()));
    m_document.setModified();
}

void FrmPrinc::chkRO_Click()
{
    const bool wanted = LeadingInteger(m_chkROTag.toStdString()) != 0;
    if (chkRO->isChecked() != wanted) {
        const QSignalBlocker blocker(chkRO);
        chkRO->setChecked(wanted);
    }
}

void FrmPrinc::lvTok_DblClick()
{
    goToTranslationBox();
}

void FrmPrinc::goToTranslationBox()
{
    if (!txtTransTok->isEnabled() || m_paneRow == 0)
        return;
    txtTransTok->setFocus(Qt::OtherFocusReason);
    txtTransTok->setSelection(0, static_cast<int>(txtTransTok->text().size()));
}

void FrmPrinc::stepPane(int step)
{
    // As a selection change: what was typed and not committed goes with it.
    const int item = selectedItem() + step;
    if (selectedItem() < 0 || item < 0 || item >= m_model->rowCount())
        return;
    selectListItem(static_cast<std::size_t>(item));
    if (txtTransTok->isEnabled())
        goToTranslationBox();
    else
        lvTok->setFocus(Qt::OtherFocusReason);
}

void FrmPrinc::startInPlaceEdit()
{
    if (readOnlyProject())
        return;
    const int item = selectedItem();
    if (item < 0)
        return;
    const QModelIndex index = m_model->index(item, TokenListModel::TokenColumn);
    if (m_model->flags(index) & Qt::ItemIsEditable)
        lvTok->edit(index);
}

void FrmPrinc::lvTok_AfterLabelEdit(std::size_t row, const QString &text, const QString &original)
{
    // A read-only token never takes a commit, nor does a project open read-only.
    if (row == 0 || row > m_document.projectTable().tokenCount() || isReadOnly(row) || readOnlyProject())
        return;
    const QString reason = UnstorableReason(text, original, m_document.projectCodePage());
    if (!reason.isEmpty()) {
        // The editor is closing, maybe within a click elsewhere: the message waits
        // for that to end.
        QTimer::singleShot(0, this, [this, reason] { m_desktop.showError(this, reason); });
        return;
    }
    StoreTokenText(row, *ToTokenBytes(text, m_document.projectCodePage()));
    m_document.setModified();
    // The pane never offers a text older than the stored one.
    if (row == m_paneRow) {
        m_paneText = text;
        txtTransTok->setText(text);
    }
}

std::optional<std::size_t> FrmPrinc::commitTranslationBox()
{
    // Only the token whose text the pane shows, the selected one, takes the box's text.
    const int item = selectedItem();
    if (item < 0 || m_paneRow == 0 || m_model->tableRow(item) != m_paneRow || isReadOnly(m_paneRow) ||
        readOnlyProject())
        return std::nullopt;
    const QString text = txtTransTok->text();
    const QString reason = UnstorableReason(text, m_paneText, m_document.projectCodePage());
    if (!reason.isEmpty()) {
        m_desktop.showError(this, reason);
        return std::nullopt; // the typed text stays in the box
    }
    // A text shown cut (over 1 MB) that was not changed stays whole.
    const std::string_view cell = m_document.projectTable().cell(m_paneRow, ColText);
    StoreTokenText(m_paneRow, text == m_paneText && cell.size() > kLongestShownBytes
                                  ? std::string(cell)
                                  : *ToTokenBytes(text, m_document.projectCodePage()));
    m_document.setModified();
    m_paneText = text;
    return static_cast<std::size_t>(item);
}

void FrmPrinc::txtTransTok_Enter()
{
    if (commitTranslationBox())
        lvTok->setFocus(Qt::OtherFocusReason);
}

QAbstractItemView *FrmPrinc::listView() const
{
    return lvTok;
}

std::optional<std::size_t> FrmPrinc::selectedListItem() const
{
    const int item = selectedItem();
    return item < 0 ? std::nullopt : std::optional<std::size_t>(static_cast<std::size_t>(item));
}

void FrmPrinc::selectListItem(std::size_t item)
{
    lvTok->finishEditing();
    const QModelIndex index = m_model->index(static_cast<int>(item), TokenListModel::TokenColumn);
    lvTok->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvTok->scrollTo(index);
}

std::optional<EditorView::PaneDraft> FrmPrinc::paneDraft() const
{
    if (m_paneRow == 0 || txtTransTok->text() == m_paneText)
        return std::nullopt;
    return PaneDraft{m_paneRow, txtTransTok->text()};
}

void FrmPrinc::restorePaneDraft(const PaneDraft &draft)
{
    if (draft.row != 0 && draft.row == m_paneRow)
        txtTransTok->setText(draft.text);
}

void FrmPrinc::showListItem(std::size_t item)
{
    m_quietPane = true;
    if (selectedItem() == static_cast<int>(item))
        lvTok_ItemClick(); // selected already: the pane loads again
    else
        selectListItem(item);
    m_quietPane = false;
}

void FrmPrinc::finishEditing()
{
    lvTok->finishEditing();
}

bool FrmPrinc::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_client && event->type() == QEvent::Resize) {
        ResizeEditorLayout(m_layout, m_twips.fromPixels(m_client->width()), m_twips.fromPixels(m_client->height()));
        applyLayout();
    } else if (event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (watched == lvTok && !lvTok->isEditing()) { // while an item is edited, its editor has the keys
            if (key->key() == Qt::Key_F2) {
                startInPlaceEdit();
                return true;
            }
            if (enter) {
                goToTranslationBox();
                return true;
            }
        } else if (watched == txtTransTok) {
            if (enter) {
                txtTransTok_Enter();
                return true;
            }
            if (key->key() == Qt::Key_Escape) {
                lvTok->setFocus(Qt::OtherFocusReason);
                return true;
            }
            if (key->key() == Qt::Key_PageUp || key->key() == Qt::Key_PageDown) {
                stepPane(key->key() == Qt::Key_PageDown ? 1 : -1);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void FrmPrinc::tvTyp_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    const QString tag = node->data(0, kTagRole).toString();
    if (tag == m_treeTag)
        return;
    m_treeTag = tag;
    ChargeListeToken();
}

void FrmPrinc::mnuShowROT_Click()
{
    // The action has already toggled its check mark.
    ChargeListeToken();
}

bool FrmPrinc::PromptSave()
{
    lvTok->finishEditing(); // an edit in progress counts as work
    if (!m_document.modified())
        return true;
    switch (m_desktop.askSaveWork(this)) {
    case Desktop::SaveAnswer::Yes:
        // A save that failed keeps the window open, so no work is lost.
        return save();
    case Desktop::SaveAnswer::No:
        m_guard->changesDropped();
        return true;
    case Desktop::SaveAnswer::Cancel:
        break;
    }
    return false;
}

bool FrmPrinc::TermineApp()
{
    if (m_ended)
        return true;
    if (!PromptSave())
        return false;
    m_settings.setValue(QStringLiteral("ShowReadOnly"), mnuShowROT->isChecked() ? QStringLiteral("1")
                                                                                 : QStringLiteral("0"));
    m_columns->store();
    m_preview->store();
    StorePlacement(this, m_settings, PlacementKeys::withPrefix(QStringLiteral("Edit")), m_twips);
    m_ended = true;
    m_desktop.endProgram();
    return true;
}

void FrmPrinc::closeEvent(QCloseEvent *event)
{
    if (m_ended || TermineApp())
        event->accept();
    else
        event->ignore();
}

void FrmPrinc::mnuExit_Click()
{
    if (TermineApp())
        close();
}

void FrmPrinc::mnuOpen_Click()
{
    if (!PromptSave())
        return;
    const QString file = m_desktop.chooseFile(
        this, {QStringLiteral("Projet RLTools (*.prj)|*.prj"), QStringLiteral("Tous les fichiers|*")}, m_lastFile);
    if (file.isEmpty())
        return;
    m_lastFile = file;
    OpenProject(file);
}

void FrmPrinc::mnuClose_Click()
{
    lvTok->cancelEditing(); // unsaved work is dropped, an edit in progress with it
    m_guard->closed();      // its journal stays for the next opening
    setWindowTitle(kCaption);
    mnuClose->setEnabled(false);
    m_document.close();
    m_codePages->projectClosed();
    m_model->setCodePage(m_document.projectCodePage());
    m_model->setMasterCodePage(m_document.masterCodePage());
    m_paneRow = 0;
    m_paneText.clear();
    txtOrgTok->clear();
    txtOrgTok->setEnabled(false);
    txtTransTok->clear();
    txtTransTok->setEnabled(false);
    chkRO->setEnabled(false);
    m_chkROTag.clear();
    {
        const QSignalBlocker blocker(chkRO);
        chkRO->setChecked(false);
    }
    chkTrans->setEnabled(false);
    chkTrans->setChecked(false); // no item is selected: its handler changes nothing
    lbInfo[0]->setEnabled(false);
    lbInfo[1]->setEnabled(false);
    frmPropPrj->setEnabled(false);
}

void FrmPrinc::mnuSave_Click()
{
    save();
}

bool FrmPrinc::save()
{
    lvTok->finishEditing(); // what is being typed in the list is saved too
    // Another program's changes to the file are never overwritten unasked.
    switch (m_guard->beforeSave()) {
    case ProjectGuard::SaveStep::Save:
        break;
    case ProjectGuard::SaveStep::ReloadFirst:
        if (ReloadProject(true))
            break;
        return false; // some changes need the user's eye first
    case ProjectGuard::SaveStep::Cancel:
        return false;
    }
    // The bar is painted as the save starts, then at most every 50 ms and at
    // 100: a save of a large file is over in a few of those, and paints that
    // nobody sees would make it slower.
    progress->setValue(0);
    progress->setVisible(true);
    progress->repaint();
    QElapsedTimer painted;
    painted.start();
    const SaveResult result = SaveProjectTokens(m_document.paths().tokenFile, m_document.projectTable(),
                                                [&](double value) {
                                                    const int shown = static_cast<int>(RoundHalfEven(value));
                                                    if (shown == progress->value() ||
                                                        (shown < 100 && painted.elapsed() < 50))
                                                        return;
                                                    progress->setValue(shown);
                                                    painted.restart();
                                                });
    progress->setVisible(false);
    if (!result.ok()) {
        m_desktop.showError(this, QStringLiteral("The project tokens were not saved.\n") +
                                      FromPath(result.message));
        return false;
    }
    m_guard->saved(result.message);
    m_document.saved();
    m_memory->projectSaved();
    return true;
}

} // namespace quenlit
