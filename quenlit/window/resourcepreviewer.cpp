#include "resourcepreviewer.h"

#include "codepage.h"
#include "frmprinc.h"
#include "qtext.h"
#include "resourcepreviewwidget.h"
#include "settingsstore.h"

#include <QAction>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QScrollArea>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace quenlit {

namespace {

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

void SourceLoader::load(const SourceFileRequest &request)
{
    const unsigned generation = ++m_generation;
    m_loading = true;
    auto result = std::make_shared<std::shared_ptr<const SourceResources>>();
    QThread *thread = QThread::create([request, result] {
        *result = std::make_shared<const SourceResources>(SourceResources::Read(request.path, request.preferred));
    });
    m_threads.push_back(thread);
    connect(thread, &QThread::finished, this, [this, thread, generation, result] {
        m_threads.erase(std::remove(m_threads.begin(), m_threads.end(), thread), m_threads.end());
        thread->deleteLater();
        if (generation != m_generation)
            return; // a later opening asked for another file
        m_loading = false;
        emit loaded(*result);
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

ResourcePreviewer::ResourcePreviewer(FrmPrinc &window, QMenu *menu, SettingsStore &settings)
    : QObject(&window), m_window(window), m_settings(settings), m_loader(this)
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

    m_place = new QLabel(&window);
    m_place->setObjectName(QStringLiteral("tokenPlace"));
    m_place->setTextFormat(Qt::PlainText);
    window.statusBar()->addWidget(m_place, 1);

    connect(&m_loader, &SourceLoader::loaded, this, &ResourcePreviewer::sourceLoaded);
    // Shown again, the dock draws what it skipped while hidden.
    connect(m_dock, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            refresh();
    });
    connect(window.translationBox(), &QLineEdit::textChanged, this, &ResourcePreviewer::typed);
    connect(&window, &FrmPrinc::tokenChanged, this, [this](std::size_t) { typed(); });
}

QAction *ResourcePreviewer::toggleAction() const
{
    return m_dock->toggleViewAction();
}

QString ResourcePreviewer::message() const
{
    return m_message->isHidden() ? QString() : m_message->text();
}

void ResourcePreviewer::projectOpened(const std::string &masterProject)
{
    m_open = true;
    m_row = 0;
    m_source.reset();
    m_rows.clear();
    m_texts = std::make_unique<PreviewTexts>(m_window.projectTable(), m_window.projectCodePage());
    m_loader.load(SourceFileOf(masterProject));
    refresh();
}

void ResourcePreviewer::projectClosed()
{
    m_loader.cancel();
    m_open = false;
    m_row = 0;
    m_source.reset();
    m_rows.clear();
    m_texts.reset();
    refresh();
}

void ResourcePreviewer::sourceLoaded(std::shared_ptr<const SourceResources> resources)
{
    if (!m_open)
        return;
    m_source = std::move(resources);
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
    if (m_row != 0 && m_window.paneRow() == m_row) {
        text = m_window.translationBox()->text();
        if (text != FromTokenBytes(m_window.projectTable().cell(m_row, ColText), m_window.projectCodePage()))
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
        m_title->clear();
        say(QString());
        return;
    }
    const TokenTable &project = m_window.projectTable();
    const QString place = qstr(DescribePlace(m_source.get(), project, m_row, m_window.projectCodePage()));
    m_place->setText(place);
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
                                            m_rows.rowsOf("5", project.cell(m_row, ColId2)), *m_texts, m_row,
                                            metrics),
                           font);
        break;
    }
    case PreviewScene::Kind::Menu:
        if (!m_rows.built())
            m_rows.build(project);
        m_view->showMenu(LayOutMenuView(*scene.menu, project, m_rows.rowsOf("4", project.cell(m_row, ColId2)),
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
