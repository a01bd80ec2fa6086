#include "frmprinc.h"

#include "accessnames.h"
#include "programhelp.h"

#include "batchrunner.h"
#include "consolewindow.h"
#include "desktop.h"
#include "displaytext.h"
#include "languagelist.h"
#include "outils.h"
#include "programicon.h"
#include "programplaces.h"
#include "projectfiles.h"
#include "qtext.h"
#include "settingsstore.h"
#include "systemfiles.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>

namespace sardenne {

namespace {

const QString kDefaultRLPath = QStringLiteral("C:\\RLTools\\");

// Our RLTools where they are installed beside the program, else the usual folder.
QString defaultRLPath(const QString &programFolder)
{
    const QString ours = ProgramPlaces::OurRLToolsFolder(programFolder);
    return ours.isEmpty() ? kDefaultRLPath : ours;
}

QString failureLine(const BatchRunner::Result &r, int limitMs)
{
    switch (r.outcome) {
    case BatchRunner::Result::Succeeded:
        break;
    case BatchRunner::Result::Failed:
        return QStringLiteral("       ! \u00C9chec de la commande (code %1)").arg(r.exitCode);
    case BatchRunner::Result::TimedOut:
        return QStringLiteral("       ! La commande tourne encore apr\u00E8s %1 secondes : elle continue sans \u00EAtre "
                              "attendue")
            .arg(limitMs / 1000.0);
    case BatchRunner::Result::NotStarted:
        return QStringLiteral("       ! La commande n'a pas pu \u00EAtre lanc\u00E9e");
    case BatchRunner::Result::NotWritten:
        return QStringLiteral("       ! Impossible de cr\u00E9er le fichier de commandes ") +
               QDir::toNativeSeparators(DisplayFileName(r.batchFile)) + QStringLiteral(" (") + SystemErrorText(r.error) +
               QStringLiteral(") : la commande n'a pas \u00E9t\u00E9 lanc\u00E9e");
    }
    return {};
}

} // namespace

FrmPrinc::FrmPrinc(Desktop &desktop, SettingsStore &settings, const QString &programFolder, QWidget *parent)
    : QWidget(parent), m_desktop(desktop), m_settings(settings), m_twips(desktop.logicalDpi()),
      m_programFolder(programFolder)
{
    setObjectName(QStringLiteral("frmPrinc"));
    setWindowTitle(QStringLiteral("Velmora Sardenne"));
    setWindowIcon(ProgramIcon(QStringLiteral("sardenne")));
    createControls();
    m_console = new ConsoleWindow(this);
    m_runner = new BatchRunner(ProgramPlaces::Interpreter(m_programFolder), m_console, this);

    // Form_Load: centre at the design size, then the stored folder and placement.
    resize(m_twips.toPixels(kAdminDesignWidth), m_twips.toPixels(kAdminDesignHeight));
    const QSize screen = m_desktop.screenSize();
    const auto centre = outils::CenterForm(m_twips.fromPixels(screen.width()), m_twips.fromPixels(screen.height()),
                                           m_twips.fromPixels(frameGeometry().width()),
                                           m_twips.fromPixels(frameGeometry().height()));
    move(m_twips.toPixels(centre.left), m_twips.toPixels(centre.top));
    // The stored folder's bytes serve as long as the box shows them unedited:
    // a folder name that is not valid in the system's encoding stays as it is.
    if (const auto stored = m_settings.bytesValue(QStringLiteral("RLToolsPath")))
        m_storedRLPath = ShownBytes(*stored);
    txtRLPath->setText(m_storedRLPath ? m_storedRLPath->shown : defaultRLPath(m_programFolder));
    m_restored = RestorePlacement(this, m_settings, PlacementKeys::withPrefix(QStringLiteral("Admin")), m_twips,
                                  m_desktop);
}

FrmPrinc::~FrmPrinc() = default;

void FrmPrinc::createControls()
{
    // The small user-interface font of the platform, at the size the layout was drawn for.
    QFont small = font();
    small.setPointSizeF(8.25);
    setFont(small);
    QFont bold = small;
    bold.setBold(true);
    auto place = [this](QWidget *w, float left, float top, float width, float height) {
        m_twips.place(w, {left, top, width, height});
    };

    txtFileName = new QLineEdit(this);
    txtFileName->setObjectName(QStringLiteral("txtFileName"));
    txtFileName->setReadOnly(true);
    txtFileName->setBackgroundRole(QPalette::Button);
    QPalette buttonFace = txtFileName->palette();
    buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
    txtFileName->setPalette(buttonFace);
    place(txtFileName, 120, 360, 3990, 320);

    btOpenProj = new QPushButton(QStringLiteral("&Parcourir..."), this);
    btOpenProj->setObjectName(QStringLiteral("btOpenProj"));
    place(btOpenProj, 4185, 330, 975, 375);
    connect(btOpenProj, &QPushButton::clicked, this, &FrmPrinc::btOpenProj_Click);

    txtRLPath = new QLineEdit(this);
    txtRLPath->setObjectName(QStringLiteral("txtRLPath"));
    place(txtRLPath, 105, 1050, 5025, 320);

    lvLang = new QTreeWidget(this);
    lvLang->setObjectName(QStringLiteral("lvLang"));
    lvLang->setRootIsDecorated(false);
    lvLang->setUniformRowHeights(true);
    lvLang->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lvLang->setAllColumnsShowFocus(true);
    lvLang->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lvLang->header()->setSectionsClickable(false);
    lvLang->header()->setStretchLastSection(false);
    const struct
    {
        const char16_t *header;
        float width;
    } columns[] = {{u"Langue", 1200},       {u"Lang ID", 800},
                   {u"Sublang ID", 1000},   {u"Fichier token", 1440},
                   {u"Derni\u00E8re modification", 2000}, {u"Fichier ex\u00E9cutable", 1440},
                   {u"Fichier Projet", 1440}};
    QStringList headers;
    for (const auto &c : columns)
        headers << QString::fromUtf16(c.header);
    lvLang->setHeaderLabels(headers);
    for (int i = 0; i < 7; ++i)
        lvLang->setColumnWidth(i, m_twips.toPixels(columns[i].width));
    lvLang->setEnabled(false);
    connect(lvLang, &QTreeWidget::itemDoubleClicked, this, [this] { lvLang_DblClick(); });

    frmInfo = new QGroupBox(QStringLiteral("Outils"), this);
    frmInfo->setObjectName(QStringLiteral("frmInfo"));
    const struct
    {
        QPushButton **button;
        const char *name;
        const char16_t *caption;
        float left, top;
        void (FrmPrinc::*handler)();
    } buttons[] = {
        {&btActu, "btActu", u"A&ctualiser", 105, 270, &FrmPrinc::btActu_Click},
        {&btAdmin, "btAdmin", u"&Administrer...", 90, 761, &FrmPrinc::btAdmin_Click},
        {&btEdit, "btEdit", u"Editer les &tokens...", 90, 1252, &FrmPrinc::btEdit_Click},
        {&btImport, "btImport", u"&DLL ==> TOK", 90, 1725, &FrmPrinc::btImport_Click},
        {&btExport, "btExport", u"&TOK ==> DLL", 90, 2220, &FrmPrinc::btExport_Click},
    };
    for (const auto &b : buttons) {
        *b.button = new QPushButton(QString::fromUtf16(b.caption), frmInfo);
        (*b.button)->setObjectName(QString::fromLatin1(b.name));
        place(*b.button, b.left, b.top, 2625, 390);
        (*b.button)->setEnabled(false);
        connect(*b.button, &QPushButton::clicked, this, b.handler);
    }

    txtOutput = new QPlainTextEdit(this);
    txtOutput->setObjectName(QStringLiteral("txtOutput"));
    txtOutput->setLineWrapMode(QPlainTextEdit::NoWrap);
    // Tab moves the focus as in every other control; typing still goes into the pane.
    txtOutput->setTabChangesFocus(true);
    txtOutput->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtOutput->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    fixed.setPointSizeF(8.25);
    txtOutput->setFont(fixed);

    labInfo[0] = new QLabel(QStringLiteral("Nom du fichier :"), this);
    place(labInfo[0], 120, 120, 1815, 255);
    labInfo[1] = new QLabel(QStringLiteral("Chemin d'acc\u00E8s au r\u00E9pertoire contenant les RLTools :"), this);
    place(labInfo[1], 105, 810, 5100, 255);
    for (int i = 0; i < 2; ++i) {
        labInfo[i]->setObjectName(QStringLiteral("labInfo"));
        labInfo[i]->setProperty("index", i);
        labInfo[i]->setFont(bold);
    }

    setTabOrder(txtFileName, btOpenProj);
    setTabOrder(btOpenProj, txtRLPath);
    setTabOrder(txtRLPath, lvLang);
    setTabOrder(lvLang, btActu);
    setTabOrder(btActu, btAdmin);
    setTabOrder(btAdmin, btEdit);
    setTabOrder(btEdit, btImport);
    setTabOrder(btImport, btExport);
    setTabOrder(btExport, txtOutput);

    // What a screen reader reads: the boxes by their labels, the list and the
    // pane by what they hold, the window as a program's frame; F1 the guide.
    AccessNames::Name(txtFileName, QStringLiteral("Master project file"), labInfo[0]);
    AccessNames::Name(txtRLPath, QStringLiteral("RLTools folder"), labInfo[1]);
    AccessNames::Name(lvLang, QStringLiteral("Language projects"));
    AccessNames::Name(txtOutput, QStringLiteral("Output"));
    AccessNames::ReadAsFrame(metaObject()->className());
    m_help = new ProgramHelp(*this, m_desktop, ProgramHelp::InstalledGuide(m_programFolder),
                             QStringLiteral("sardenne"), this);
    applyLayout();
}

void FrmPrinc::applyLayout()
{
    auto place = [this](QWidget *w, const TwipsRect &r) { m_twips.place(w, r); };
    place(frmInfo, m_layout.frmInfo);
    place(lvLang, m_layout.lvLang);
    place(txtOutput, m_layout.txtOutput);
}

void FrmPrinc::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ResizeAdminLayout(m_layout, m_twips.fromPixels(width()), m_twips.fromPixels(height()),
                      windowState() & Qt::WindowMinimized);
    applyLayout();
}

void FrmPrinc::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && !(windowState() & Qt::WindowMinimized)) {
        ResizeAdminLayout(m_layout, m_twips.fromPixels(width()), m_twips.fromPixels(height()), false);
        applyLayout();
    }
}

void FrmPrinc::start(const std::string &commandLine)
{
    m_commandLine = commandLine;
    ShowRestored(this, m_restored, [this] { onActivate(); });
}

void FrmPrinc::onActivate()
{
    if (m_activated)
        return;
    m_activated = true;
    OpenMasterProject(m_commandLine);
}

void FrmPrinc::OpenMasterProject(const QString &path)
{
    OpenMasterProject(ToPath(path));
}

void FrmPrinc::OpenMasterProject(const std::string &bytes)
{
    if (bytes.empty())
        return;
    // A relative path is taken from the current folder, before that changes.
    const std::string resolved = outils::ResolveFromCurrentFolder(bytes);
    // Its name goes into the jobs' commands: one that no command can carry is
    // not opened.
    const ArgumentProblem problem = ArgumentProblemOf(outils::ExtractFileName(resolved));
    if (problem != ArgumentProblem::None) {
        PrintOutput(QStringLiteral("Attention : le projet ma\u00EEtre ") + DisplayFileName(bytes) +
                    (problem == ArgumentProblem::ControlByte
                         ? QStringLiteral(" n'est pas ouvert : son nom contient un caract\u00E8re de contr\u00F4le.")
                         : QStringLiteral(" n'est pas ouvert : son nom contient un guillemet (\"), que la ligne de "
                                          "commande ne peut pas transmettre.")));
        return;
    }
    const auto firstLine = ReadAdminMasterProject(resolved);
    if (!firstLine)
        return; // not readable: everything stays as it was

    m_masterPath = bytes;
    m_masterFirstLine = *firstLine;
    txtFileName->setText(DisplayFileName(bytes));
    m_masterFileName = outils::ExtractFileName(resolved);
    m_masterFolder = outils::ExtractPath(resolved);
    if (m_masterFolder == resolved) {
        // A bare file name lies in the current directory.
        m_masterFolder = ToPath(QDir::currentPath()) + "/";
    }
    std::error_code ec;
    std::filesystem::current_path(std::filesystem::path(m_masterFolder), ec);
    if (ec)
        PrintOutput(QStringLiteral("Attention : le dossier ") + DisplayFileName(m_masterFolder) +
                    QStringLiteral(" n'a pas pu devenir le r\u00E9pertoire courant."));

    btActu->setEnabled(true);
    btAdmin->setEnabled(true);
    btEdit->setEnabled(true);
    btImport->setEnabled(true);
    btExport->setEnabled(true);
    lvLang->setEnabled(true);

    lvLang->clear();
    const FolderFiles files(m_masterFolder);
    for (const std::string &name : ListLanguageProjects(m_masterFolder)) {
        const LanguageRow row = ReadLanguageRow(files, name);
        auto *item = new QTreeWidgetItem(lvLang);
        // Cells show the bytes read as text; the jobs take the bytes themselves, kept beside.
        auto cell = [item](int column, const QString &text, const std::string &bytes) {
            item->setText(column, text);
            item->setData(column, TagRole, QByteArray::fromStdString(bytes));
        };
        item->setText(KEY_LANG, CellText(row.lang, row.codePage));
        item->setData(KEY_LANG, CodePageRole, row.codePage);
        cell(KEY_LANGID, CellText(row.langId, row.codePage), row.langId);
        cell(KEY_LANGSUBID, CellText(row.langSubId, row.codePage), row.langSubId);
        cell(KEY_TOKENFILE, CellText(row.tokenFile, row.codePage), row.tokenFileTag);
        const QDateTime modified = row.tokenFileFound.empty() ? QDateTime() : FileModified(row.tokenFileFound);
        item->setText(KEY_MODIF, modified.isValid() ? GeneralDate(modified) : QString());
        cell(KEY_EXEFILE, CellText(row.exeFile, row.codePage), row.exeFileTag);
        cell(KEY_PRJFILE, DisplayFileName(row.prjFile), row.prjFile);
        for (const PaneText &problem : row.problems)
            PrintOutput(PaneLineText(problem));
    }
    if (lvLang->topLevelItemCount() > 0) {
        lvLang->setCurrentItem(lvLang->topLevelItem(0));
        lvLang->topLevelItem(0)->setSelected(true);
    }
}

QString FrmPrinc::GeneralDate(const QDateTime &time, const QLocale &locale)
{
    const QDateTime local = time.toLocalTime();
    const QString date = locale.toString(local.date(), QLocale::ShortFormat);
    const QTime t = local.time();
    if (t.hour() == 0 && t.minute() == 0 && t.second() == 0)
        return date; // midnight to the second: the date alone
    // The long time format without its time zone.
    QString format = locale.timeFormat(QLocale::LongFormat);
    QString plain;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\''))
            quoted = !quoted;
        if (!quoted && c == QLatin1Char('t'))
            continue;
        plain += c;
    }
    return date + QLatin1Char(' ') + locale.toString(local.time(), plain.trimmed());
}

void FrmPrinc::PrintOutput(const QString &line)
{
    QTextCursor cursor(txtOutput->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line + QLatin1Char('\n'));
    txtOutput->moveCursor(QTextCursor::End);
    txtOutput->ensureCursorVisible();
}

QString FrmPrinc::outputText() const
{
    QString text = txtOutput->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return text;
}

std::vector<JobRow> FrmPrinc::selectedRows() const
{
    std::vector<JobRow> rows;
    for (int i = 0; i < lvLang->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = lvLang->topLevelItem(i);
        if (!item->isSelected())
            continue;
        JobRow row;
        auto bytes = [item](int column) { return item->data(column, TagRole).toByteArray().toStdString(); };
        row.langId = bytes(KEY_LANGID);
        row.langSubId = bytes(KEY_LANGSUBID);
        row.prjFile = bytes(KEY_PRJFILE);
        row.tokenFileTag = bytes(KEY_TOKENFILE);
        row.exeFileTag = bytes(KEY_EXEFILE);
        row.codePage = item->data(KEY_LANG, CodePageRole).toUInt();
        rows.push_back(std::move(row));
    }
    return rows;
}

void FrmPrinc::runJob(const std::vector<JobStep> &steps)
{
    for (const JobStep &step : steps) {
        // Closed while a command ran: that command goes on alone, no other starts.
        if (m_ended)
            return;
        if (step.kind == JobStep::Print) {
            PrintOutput(PaneLineText(step.line));
            continue;
        }
        const BatchRunner::Result result = m_runner->Exec(step.text);
        const QString failure = failureLine(result, m_runner->timeLimit());
        if (!failure.isEmpty())
            PrintOutput(failure);
    }
}

void FrmPrinc::btActu_Click()
{
    runJob(RefreshJob([this] { return rlFolder(); }, m_masterFileName, selectedRows()));
}

void FrmPrinc::btExport_Click()
{
    runJob(ExportJob([this] { return rlFolder(); }, m_masterFirstLine, selectedRows(), m_masterFolder));
}

void FrmPrinc::btImport_Click()
{
    runJob(ImportJob([this] { return rlFolder(); }, selectedRows()));
}

bool FrmPrinc::rlPathAsStored() const
{
    return m_storedRLPath && m_storedRLPath->shownBy(txtRLPath->text());
}

std::string FrmPrinc::rlFolder() const
{
    return rlPathAsStored() ? m_storedRLPath->bytes : ToPath(txtRLPath->text());
}

void FrmPrinc::btEdit_Click()
{
    const QTreeWidgetItem *item = lvLang->currentItem();
    if (!item || !item->isSelected())
        return; // no project to pass
    const std::string project = m_masterFolder + item->data(KEY_PRJFILE, TagRole).toByteArray().toStdString();
#ifdef Q_OS_WIN
    const std::string program = ToPath(m_programFolder) + "\\quenlit.exe";
#else
    const std::string program = ToPath(QDir(m_programFolder).filePath(QStringLiteral("quenlit")));
#endif
    // A program that cannot be started is ignored.
    m_desktop.startProgram(program, {project}, CurrentFolderPath());
}

void FrmPrinc::lvLang_DblClick()
{
    btEdit_Click();
}

void FrmPrinc::btAdmin_Click()
{
    m_desktop.startProgram(rlFolder() + "RLAdmin.exe", {m_masterFileName}, CurrentFolderPath());
}

void FrmPrinc::btOpenProj_Click()
{
    const QString file = m_desktop.chooseFile(
        this, {QStringLiteral("Projet Master RLTools (*.mpj)|*.mpj"), QStringLiteral("Tous les fichiers|*")}, QString());
    if (file.isEmpty())
        return;
    OpenMasterProject(file);
}

void FrmPrinc::TermineApp()
{
    if (m_ended)
        return;
    if (!rlPathAsStored()) // else the stored bytes stay as they are
        m_settings.setValue(QStringLiteral("RLToolsPath"), txtRLPath->text());
    StorePlacement(this, m_settings, PlacementKeys::withPrefix(QStringLiteral("Admin")), m_twips);
    m_ended = true;
    m_console->close();
    m_desktop.endProgram();
}

void FrmPrinc::closeEvent(QCloseEvent *event)
{
    TermineApp();
    event->accept();
}

} // namespace sardenne
