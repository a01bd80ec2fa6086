#include "window/preview/resourcepreviewer.h"

#include "codepage.h"
#include "desktop.h"
#include "window/editorview.h"
#include "window/projectdocument.h"
#include "qtext.h"
#include "window/preview/resourcepreviewwidget.h"
#include "settingsstore.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLabel>
#include <QRegularExpression>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QScrollArea>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace quenlit {

namespace {

// Where a token lives, as short as the status bar's field at the window's first
// size can show it ("Dlg 100 · 1002" for "Dialog 100, control 1002 (4th)"); the
// field's tooltip says it whole.
QString ShortPlace(const QString &place)
{
    static const std::pair<QRegularExpression, QString> forms[] = {
        {QRegularExpression(QStringLiteral("^Dialog (.+), control (\\S+) \\(\\S+\\)$")),
         QStringLiteral("Dlg %1 · %2")},
        {QRegularExpression(QStringLiteral("^Dialog (.+), caption$")), QStringLiteral("Dlg %1 · caption")},
        {QRegularExpression(QStringLiteral("^Menu (.+), popup at position (\\S+)$")), QStringLiteral("Mnu %1 · popup %2")},
        {QRegularExpression(QStringLiteral("^Menu (.+), item (\\S+) at position \\S+$")), QStringLiteral("Mnu %1 · %2")},
        {QRegularExpression(QStringLiteral("^Menu ([^:]+): (.*)$")), QStringLiteral("Mnu %1 · %2")},
        {QRegularExpression(QStringLiteral("^String table, string (\\S+)$")), QStringLiteral("Str %1")},
        {QRegularExpression(QStringLiteral("^Version: (.*)$")), QStringLiteral("Ver %1")},
    };
    for (const auto &[pattern, form] : forms) {
        const QRegularExpressionMatch match = pattern.match(place);
        if (!match.hasMatch())
            continue;
        // Both captures go in at once: a text holding "%1" stays as it is.
        return match.lastCapturedIndex() >= 2 ? form.arg(match.captured(1), match.captured(2))
                                              : form.arg(match.captured(1));
    }
    return place;
}

constexpr int kDockWidth = 420;

QString qstr(const std::u16string &text)
{
    return QString::fromStdU16String(text);
}

// The font of texts without a dialog (string tables, version values) and of
// menus: the usual dialog font, 8 points.
QFont PlainFont()
{
    DialogTemplate usual;
    usual.hasFont = true;
    usual.pointSize = 8;
    usual.typeface = u"MS Shell Dlg";
    return DialogFont(&usual);
}

Qt::DockWidgetArea areaFrom(const QString &value)
{
    switch (value.toInt()) {
    case Qt::LeftDockWidgetArea:
        return Qt::LeftDockWidgetArea;
    case Qt::TopDockWidgetArea:
        return Qt::TopDockWidgetArea;
    case Qt::BottomDockWidgetArea:
        return Qt::BottomDockWidgetArea;
    default:
        return Qt::RightDockWidgetArea;
    }
}

} // namespace

SourceLoader::SourceLoader(QObject *parent) : QObject(parent) {}

SourceLoader::~SourceLoader()
{
    for (QThread *thread : m_threads) {
        thread->wait();
        delete thread;
    }
}

void SourceLoader::load(const SourceFileRequest &request, MenuLevels::MasterItems masterItems)
{
    const unsigned generation = ++m_generation;
    m_loading = true;
    struct Result
    {
        std::shared_ptr<const SourceResources> resources;
        std::shared_ptr<const MenuLevels> levels;
    };
    auto result = std::make_shared<Result>();
    QThread *thread = QThread::create([request, result, items = std::move(masterItems)]() mutable {
        auto resources = std::make_shared<const SourceResources>(SourceResources::Read(request.path, request.preferred));
        if (!resources->ok())
            result->levels = std::make_shared<const MenuLevels>(MenuLevels::Unavailable(resources->problem()));
        else if (!resources->menuProblem().empty())
            result->levels = std::make_shared<const MenuLevels>(MenuLevels::Unavailable(resources->menuProblem()));
        else
            result->levels =
                std::make_shared<const MenuLevels>(MenuLevels::FromTokens(resources->menuTokens(), std::move(items)));
        result->resources = std::move(resources);
    });
    m_threads.push_back(thread);
    connect(thread, &QThread::finished, this, [this, thread, generation, result] {
        m_threads.erase(std::remove(m_threads.begin(), m_threads.end(), thread), m_threads.end());
        thread->deleteLater();
        if (generation != m_generation)
            return; // a later opening asked for another file
        m_loading = false;
        emit loaded(result->resources, result->levels);
    });
    thread->start(QThread::LowPriority);
}

void SourceLoader::cancel()
{
    ++m_generation;
    m_loading = false;
}

bool SourceLoader::waitForLoaded(int milliseconds)
{
    QDeadlineTimer deadline(milliseconds);
    while (m_loading && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !m_loading;
}

struct DialogFitMeasure::Measured
{
    explicit Measured(const QFont &font) : metrics(font), units(DialogBaseUnits::of(metrics)) {}
    QtTextMetrics metrics;
    DialogBaseUnits units;
};

DialogFitMeasure::DialogFitMeasure() = default;
DialogFitMeasure::~DialogFitMeasure() = default;

void DialogFitMeasure::setSource(std::shared_ptr<const SourceResources> source, const TokenTable *project)
{
    m_source = std::move(source);
    m_project = project;
    m_fonts.clear();
}

std::optional<ControlFit> DialogFitMeasure::measure(std::size_t row, std::u16string_view translation) const
{
    if (!m_source || !m_source->ok() || !m_project || row == 0 || row > m_project->tokenCount())
        return std::nullopt;
    const std::string_view name = m_project->cell(row, ColId2);
    const DialogTemplate *dialog = m_source->dialog(name);
    if (!dialog)
        return std::nullopt;
    bool ok = false;
    const long long id = QByteArray::fromRawData(m_project->cell(row, ColId3).data(),
                                                 static_cast<qsizetype>(m_project->cell(row, ColId3).size()))
                             .toLongLong(&ok);
    bool okPosition = false;
    const qulonglong position = QByteArray::fromRawData(m_project->cell(row, ColId4).data(),
                                                        static_cast<qsizetype>(m_project->cell(row, ColId4).size()))
                                    .toULongLong(&okPosition);
    const DialogControl *control = ok && okPosition ? dialog->controlForToken(id, position) : nullptr;
    if (!control || !control->hasText())
        return std::nullopt;
    auto cached = m_fonts.find(name);
    if (cached == m_fonts.end())
        cached = m_fonts.emplace(std::string(name), std::make_unique<Measured>(DialogFont(dialog)))
                     .first;
    const std::optional<TextFit> fit =
        FitControlText(*control, translation, cached->second->metrics, cached->second->units);
    if (!fit)
        return std::nullopt;
    return ControlFit{fit->fits, fit->width, fit->roomWidth, fit->height, fit->roomHeight};
}

ResourcePreviewer::ResourcePreviewer(QMainWindow &window, ProjectDocument &document, EditorView &view, QMenu *menu,
                                     QLabel *place, SettingsStore &settings, Desktop &desktop)
    : QObject(&window), m_window(window), m_document(document), m_editor(view), m_settings(settings),
      m_desktop(desktop), m_place(place), m_loader(this)
{
    m_dock = new QDockWidget(QStringLiteral("Preview"), &window);
    m_dock->setObjectName(QStringLiteral("previewDock"));
    auto *content = new QWidget(m_dock);
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(4, 4, 4, 4);
    m_title = new QLabel(content);
    m_title->setObjectName(QStringLiteral("previewTitle"));
    m_title->setTextFormat(Qt::PlainText);
    m_message = new QLabel(content);
    m_message->setObjectName(QStringLiteral("previewMessage"));
    m_message->setTextFormat(Qt::PlainText);
    m_message->setWordWrap(true);
    m_view = new ResourcePreviewWidget;
    m_scroll = new QScrollArea(content);
    m_scroll->setObjectName(QStringLiteral("previewScroll"));
    m_scroll->setWidget(m_view);
    m_scroll->setWidgetResizable(false);
    m_scroll->setBackgroundRole(QPalette::Base);
    m_scroll->setMinimumWidth(160);
    layout->addWidget(m_title);
    layout->addWidget(m_message);
    layout->addWidget(m_scroll, 1);
    m_dock->setWidget(content);

    const Qt::DockWidgetArea area = areaFrom(m_settings.value(QStringLiteral("PreviewArea"), QString()));
    window.addDockWidget(area, m_dock);
    m_dock->setVisible(m_settings.value(QStringLiteral("PreviewVisible"), QStringLiteral("0")) == QStringLiteral("1"));

    QAction *toggle = m_dock->toggleViewAction();
    toggle->setObjectName(QStringLiteral("mnuPreview"));
    toggle->setText(QStringLiteral("&Preview"));
    toggle->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P));
    menu->addSeparator();
    menu->addAction(toggle);

    m_place->setObjectName(QStringLiteral("tokenPlace"));
    m_place->setTextFormat(Qt::PlainText);

    connect(&m_loader, &SourceLoader::loaded, this, &ResourcePreviewer::sourceLoaded);
    // Shown again, the dock draws what it skipped while hidden.
    connect(m_dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (!visible)
            return;
        widenForTheDock();
        refresh();
    });
    connect(m_editor.translationBox(), &QLineEdit::textChanged, this, &ResourcePreviewer::typed);
    connect(&m_document, &ProjectDocument::tokenChanged, this, [this] { typed(); });
}

// Shown at its smallest beside the list, the dock takes a width where a dialog
// can be seen, added to the window's so that the list keeps its room, as far
// as the window's screen allows: the window never grows past its screen, and
// moves left rather than pass the screen's right edge. What is still missing
// is taken from the list.
void ResourcePreviewer::widenForTheDock()
{
    const Qt::DockWidgetArea area = m_window.dockWidgetArea(m_dock);
    if (m_dock->isFloating() || m_dock->width() >= kDockWidth ||
        (area != Qt::LeftDockWidgetArea && area != Qt::RightDockWidgetArea))
        return;
    if (!(m_window.windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        const QRect frame = m_window.frameGeometry();
        QRect screen;
        int shared = 0;
        for (const QRect &candidate : m_desktop.screenGeometries()) {
            const QRect common = candidate.intersected(frame);
            const int size = common.isValid() ? common.width() * common.height() : 0;
            if (screen.isNull() || size > shared) {
                screen = candidate;
                shared = size;
            }
        }
        const int margins = frame.width() - m_window.width();
        int width = m_window.width() + kDockWidth - m_dock->width();
        if (screen.isValid())
            width = std::max(m_window.width(), std::min(width, screen.width() - margins));
        m_window.resize(width, m_window.height());
        if (screen.isValid() && frame.left() + width + margins > screen.right() + 1)
            m_window.move(std::max(screen.left(), screen.right() + 1 - width - margins), frame.top());
    }
    m_window.resizeDocks({m_dock}, {kDockWidth}, Qt::Horizontal);
}

QAction *ResourcePreviewer::toggleAction() const
{
    return m_dock->toggleViewAction();
}

QString ResourcePreviewer::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void ResourcePreviewer::projectOpened()
{
    m_open = true;
    m_row = 0;
    m_source.reset();
    m_fit.setSource(nullptr, nullptr);
    m_rows.clear();
    m_texts = std::make_unique<PreviewTexts>(m_document.projectTable(), m_document.projectCodePage());
    m_loader.load(SourceFileOf(m_document.paths().masterProject), MenuLevels::ItemsOf(m_document.masterTable()));
    refresh();
}

void ResourcePreviewer::projectClosed()
{
    m_loader.cancel();
    m_open = false;
    m_row = 0;
    m_source.reset();
    m_fit.setSource(nullptr, nullptr);
    m_rows.clear();
    m_texts.reset();
    refresh();
}

void ResourcePreviewer::sourceLoaded(std::shared_ptr<const SourceResources> resources,
                                     std::shared_ptr<const MenuLevels> levels)
{
    if (!m_open)
        return;
    emit menuLevelsRead(*levels);
    m_source = std::move(resources);
    // The dialog tokens checked already are measured now.
    m_fit.setSource(m_source, &m_document.projectTable());
    if (m_source->ok())
        emit fitMeasureChanged();
    refresh();
}

void ResourcePreviewer::paneShows(std::size_t row)
{
    m_row = row;
    if (m_texts)
        m_texts->setPending(0, {});
    typed();
}

void ResourcePreviewer::typed()
{
    if (!m_texts)
        return;
    // What the box holds for the token shown, while it differs from the stored text.
    std::size_t pending = 0;
    QString text;
    if (m_row != 0 && m_editor.paneRow() == m_row) {
        text = m_editor.translationBox()->text();
        if (text != FromTokenBytes(m_document.projectTable().cell(m_row, ColText), m_document.projectCodePage()))
            pending = m_row;
    }
    m_texts->setPending(pending, pending ? text.toStdU16String() : std::u16string());
    refresh();
}

void ResourcePreviewer::refresh()
{
    auto say = [this](const QString &line) {
        m_view->showNothing();
        m_scroll->setVisible(false);
        m_message->setText(line);
        m_message->setVisible(!line.isEmpty());
    };
    if (!m_open || m_row == 0 || !m_texts) {
        m_place->clear();
        m_place->setToolTip(QString());
        m_title->clear();
        say(QString());
        return;
    }
    const TokenTable &project = m_document.projectTable();
    const QString place = qstr(DescribePlace(m_source.get(), project, m_row, m_document.projectCodePage()));
    m_place->setText(ShortPlace(place));
    m_place->setToolTip(place);
    if (m_dock->isHidden())
        return; // drawn when shown
    m_title->setText(m_texts->pending(m_row) ? place + QStringLiteral(" \u2014 typed, not yet stored") : place);
    if (!m_source) {
        say(QStringLiteral("Reading the source file\u2026"));
        return;
    }
    const PreviewScene scene = ScenePlan(*m_source, project, m_row, *m_texts);
    switch (scene.kind) {
    case PreviewScene::Kind::None:
        say(QString());
        return;
    case PreviewScene::Kind::Message:
        say(QString::fromStdString(scene.message));
        return;
    case PreviewScene::Kind::Dialog: {
        if (!m_rows.built())
            m_rows.build(project);
        const QFont font = DialogFont(scene.dialog);
        const QtTextMetrics metrics(font);
        m_view->showDialog(LayOutDialogView(*scene.dialog, project,
                                            m_rows.rowsOf(TokenType::Dialog, project.cell(m_row, ColId2)), *m_texts, m_row,
                                            metrics),
                           font);
        break;
    }
    case PreviewScene::Kind::Menu:
        if (!m_rows.built())
            m_rows.build(project);
        m_view->showMenu(LayOutMenuView(*scene.menu, project, m_rows.rowsOf(TokenType::Menu, project.cell(m_row, ColId2)),
                                        *m_texts, m_row),
                         PlainFont());
        break;
    case PreviewScene::Kind::Text:
        m_view->showText(scene.text, PlainFont(), scene.pending);
        break;
    }
    m_message->clear();
    m_message->setVisible(false);
    m_scroll->setVisible(true);
    m_view->resize(m_view->sizeHint());
}

void ResourcePreviewer::store() const
{
    m_settings.setValue(QStringLiteral("PreviewVisible"), !m_dock->isHidden() ? QStringLiteral("1")
                                                                               : QStringLiteral("0"));
    m_settings.setValue(QStringLiteral("PreviewArea"),
                        QString::number(static_cast<int>(m_window.dockWidgetArea(m_dock))));
}

} // namespace quenlit
