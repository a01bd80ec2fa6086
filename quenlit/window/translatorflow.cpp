#include "window/translatorflow.h"

#include "codepage.h"
#include "window/editorview.h"
#include "window/find/findbar.h"
#include "window/progressstatus.h"
#include "window/projectdocument.h"
#include "window/find/replacebar.h"
#include "find/replaceplan.h"
#include "window/textboxkeys.h"
#include "find/textcodec.h"
#include "window/tokenlistmodel.h"
#include "tokenstatus.h"
#include "tokentable.h"

#include <QAbstractItemView>
#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QStatusBar>
#include <QTimer>

#include <QEvent>
#include <QMetaObject>

#include <array>
#include <limits>
#include <system_error>

namespace quenlit {

namespace {

// Rows judged per turn of the event loop while the list is narrowed, and rows
// added to the find index per turn while it is built: a few milliseconds each,
// so typing never waits for a run.
constexpr std::size_t kNarrowBudget = 200000;
constexpr std::size_t kIndexBudget = 20000;
constexpr int kStatusTimeout = 5000;

// Windows-1252 through the character set the editor has always read it with.
const TextCodec &codecOf(const CodePage &codePage)
{
    if (codePage.number() == 1252)
        return CharsetCodec::windows1252();
    return CodePageCodec::get(codePage.number());
}

} // namespace

TranslatorFlow::TranslatorFlow(ProjectDocument &document, EditorView &view, QWidget *window, const Places &places)
    : QObject(window), m_document(document), m_view(view), m_window(window), m_statusBar(places.statusBar)
{
    QWidget *listArea = places.listArea;
    m_narrowed.addNarrowing(&m_find);
    createMenus(places.edit, places.go);

    m_findBar = new FindBar(listArea);
    connect(m_findBar, &FindBar::textChanged, this, &TranslatorFlow::findTextChanged);
    connect(m_findBar, &FindBar::closed, this, &TranslatorFlow::closeFind);
    connect(m_findBar, &FindBar::goToList, this, &TranslatorFlow::goFromFindToList);

    m_replaceBar = new ReplaceBar(listArea);
    connect(m_replaceBar, &ReplaceBar::replaceAllRequested, this, &TranslatorFlow::replaceAll);
    connect(m_replaceBar, &ReplaceBar::closed, this, [this] {
        m_view.listView()->setFocus(Qt::OtherFocusReason);
        m_replaceBar->setVisible(false);
        emit layoutChanged();
    });

    m_progress = std::make_unique<ProgressStatus>(places.statusBar, places.listProgress, places.projectProgress,
                                                  places.filterTree, m_counts);
    m_keys = new TextBoxKeys(m_window);

    connect(&m_document, &ProjectDocument::statusChanged, this, &TranslatorFlow::statusChanged);
    connect(&m_document, &ProjectDocument::tokenChanged, this, &TranslatorFlow::tokenChanged);
    connect(&m_document, &ProjectDocument::historyChanged, this, &TranslatorFlow::historyChanged);

    m_stepper = new QTimer(this);
    m_stepper->setSingleShot(true);
    m_stepper->setInterval(0);
    connect(m_stepper, &QTimer::timeout, this, &TranslatorFlow::runNarrowing);
    m_builderRestart = new QTimer(this);
    m_builderRestart->setSingleShot(true);
    m_builderRestart->setInterval(0);
    connect(m_builderRestart, &QTimer::timeout, this, &TranslatorFlow::startIndexBuilder);
    connect(&m_document, &ProjectDocument::aboutToChange, this, &TranslatorFlow::stopIndexBuilder);
    refreshActions();
}

TranslatorFlow::~TranslatorFlow()
{
    stopIndexBuilder();
}

void TranslatorFlow::startIndexBuilder()
{
    if (!projectOpen() || m_index.complete() || m_builder.joinable())
        return;
    m_stopBuilder = false;
    m_builderDone = false;
    try {
        m_builder = std::thread([this] {
            m_index.build(std::numeric_limits<std::size_t>::max(), &m_stopBuilder);
            m_builderDone = true;
            QMetaObject::invokeMethod(this, [this] { indexBuilt(); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error &) {
        m_stepper->start(); // no thread to be had: built between events
    }
}

void TranslatorFlow::stopIndexBuilder()
{
    if (!m_builder.joinable())
        return;
    m_stopBuilder = true;
    m_builder.join(); // at most a few thousand rows away
    if (projectOpen() && !m_index.complete())
        m_builderRestart->start();
}

void TranslatorFlow::indexBuilt()
{
    if (m_builder.joinable() && m_builderDone)
        m_builder.join();
    if (m_narrowed.pending())
        m_stepper->start();
}

bool TranslatorFlow::eventFilter(QObject *watched, QEvent *event)
{
    if (m_waitingForPaint && event->type() == QEvent::Paint) {
        // Once the list is on the screen, the other processor makes the index.
        m_waitingForPaint = false;
        m_builderRestart->start();
    }
    return QObject::eventFilter(watched, event);
}

void TranslatorFlow::createMenus(QMenu *edit, QMenu *go)
{
    auto add = [this](QMenu *menu, const char *name, const QString &text, QList<QKeySequence> keys, auto slot) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    m_undo = add(edit, "mnuUndo", QStringLiteral("&Undo"), {QKeySequence(Qt::CTRL | Qt::Key_Z)}, [this] { undo(); });
    m_redo = add(edit, "mnuRedo", QStringLiteral("&Redo"),
                 {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)},
                 [this] { redo(); });
    edit->addSeparator();
    add(edit, "mnuFind", QStringLiteral("&Find"), {QKeySequence(Qt::CTRL | Qt::Key_F)}, [this] { find(); });
    add(edit, "mnuReplace", QStringLiteral("Re&place"), {QKeySequence(Qt::CTRL | Qt::Key_H)}, [this] { replace(); });
    edit->addSeparator();
    add(edit, "mnuCopyOriginal", QStringLiteral("Copy &original"), {QKeySequence(Qt::CTRL | Qt::Key_B)},
        [this] { copyOriginal(); });

    add(go, "mnuNextToTranslate", QStringLiteral("&Next to translate"), {QKeySequence(Qt::CTRL | Qt::Key_Down)},
        [this] { goToNeedingWork(true); });
    add(go, "mnuPreviousToTranslate", QStringLiteral("&Previous to translate"), {QKeySequence(Qt::CTRL | Qt::Key_Up)},
        [this] { goToNeedingWork(false); });
    // Shown as Ctrl+Enter; the main keyboard's Enter (Return) and the keypad's both do it.
    add(go, "mnuCommitAndNext", QStringLiteral("&Commit and next"),
        {QKeySequence(Qt::CTRL | Qt::Key_Enter), QKeySequence(Qt::CTRL | Qt::Key_Return)},
        [this] { commitAndNext(); });
}

void TranslatorFlow::projectOpened()
{
    stopIndexBuilder();
    m_project = &m_document.projectTable();
    m_projectCodec = &codecOf(m_document.projectCodePage());
    m_index.reset(m_project, &m_document.masterTable(), m_projectCodec, &codecOf(m_document.masterCodePage()));
    m_counts.assign(m_document.summary());
    forgetListed();
    refreshActions();
    m_waitingForPaint = true;
    m_view.listView()->viewport()->installEventFilter(this);
    if (m_findBar->isVisible())
        startIndexBuilder();
}

void TranslatorFlow::projectClosed()
{
    stopIndexBuilder();
    m_builderRestart->stop();
    m_waitingForPaint = false;
    m_stepper->stop();
    m_project = nullptr;
    m_projectCodec = nullptr;
    m_index.clear();
    m_counts.clear();
    m_narrowed.setBase({});
    forgetListed();
    m_progress->clear();
    refreshActions();
}

SharedListRows TranslatorFlow::narrowBase(ListRows base, const TokenFilter &filter, bool showReadOnly)
{
    m_filter = filter;
    m_progress->setShowReadOnly(showReadOnly);
    m_stepper->stop();
    // A rebuild (a filter chosen, a project opened) shows its list at once, so
    // a find text needs the whole index now.
    if (m_find.active())
        stopIndexBuilder();
    m_narrowed.setBase(std::move(base));
    m_narrowed.runToEnd();
    forgetListed();
    if (m_findBar->isVisible() && !m_findBar->text().isEmpty())
        m_findBar->setMatches(m_narrowed.rows()->size());
    refreshProgress();
    return m_narrowed.rows();
}

void TranslatorFlow::narrowingChanged(bool refinement)
{
    m_narrowed.narrowingChanged(refinement);
    if (m_narrowed.pending()) {
        m_findBar->setMatches(std::nullopt);
        m_stepper->start();
    } else {
        narrowingDone(); // back to the base list
    }
}

void TranslatorFlow::findTextChanged(const QString &text)
{
    if (!projectOpen()) {
        m_find.setText(text.toStdU16String());
        return;
    }
    narrowingChanged(m_find.setText(text.toStdU16String()));
}

void TranslatorFlow::runNarrowing()
{
    if (!projectOpen())
        return;
    if (m_builder.joinable()) {
        // The index is the builder's until it is done; indexBuilt() goes on.
        if (m_find.active() && indexBuilding())
            return;
        if (!indexBuilding())
            indexBuilt();
    }
    if (!m_narrowed.pending()) {
        // Nothing to narrow, and no thread making the index: use the turn to
        // build it ahead of the first keystroke.
        if (!m_builder.joinable() && !m_index.build(kIndexBudget))
            m_stepper->start();
        return;
    }
    if (m_narrowed.step(kNarrowBudget))
        narrowingDone();
    else
        m_stepper->start(); // a keystroke in between restarts the run
}

void TranslatorFlow::narrowingDone()
{
    // The token the translator had selected stays selected, and in sight, where
    // the new list has it: Escape in the find box goes back to the whole list at
    // the token found.
    // What was typed in the translation box for it and not stored yet stays too.
    const std::optional<std::size_t> selected = m_view.selectedListItem();
    const std::size_t row = selected ? m_view.listModel().tableRow(static_cast<int>(*selected)) : 0;
    const auto draft = m_view.paneDraft();
    m_view.showListRows(m_narrowed.rows());
    forgetListed();
    m_findBar->setMatches(m_narrowed.rows()->size());
    refreshProgress();
    const int item = row ? m_view.listModel().itemOfRow(row) : -1;
    if (item >= 0) {
        m_view.showListItem(static_cast<std::size_t>(item));
        if (draft)
            m_view.restorePaneDraft(*draft);
    }
}

void TranslatorFlow::closeFind()
{
    // The list takes the focus before the bar hides, which would pass it on as Tab does.
    m_view.listView()->setFocus(Qt::OtherFocusReason);
    m_findBar->clearAndHide(); // the empty text gives the list back
    emit layoutChanged();
}

void TranslatorFlow::goFromFindToList()
{
    m_view.listView()->setFocus(Qt::OtherFocusReason);
    if (!m_view.selectedListItem() && !m_narrowed.rows()->empty() && !m_narrowed.pending())
        m_view.selectListItem(0);
}

void TranslatorFlow::find()
{
    m_findBar->activate();
    emit layoutChanged();
    if (projectOpen() && !m_index.complete())
        startIndexBuilder();
}

void TranslatorFlow::replace()
{
    m_replaceBar->activate(m_findBar->isVisible() ? m_findBar->text() : QString());
    emit layoutChanged();
}

QRect TranslatorFlow::placeBars(const QRect &list)
{
    QRect rest = list;
    for (QWidget *bar : {static_cast<QWidget *>(m_findBar), static_cast<QWidget *>(m_replaceBar)}) {
        if (!bar->isVisible())
            continue;
        const int height = bar->sizeHint().height();
        bar->setGeometry(rest.x(), rest.y(), rest.width(), height);
        rest.setTop(rest.top() + height + 2);
    }
    return rest;
}

void TranslatorFlow::statusChanged(std::size_t row, std::int64_t before, std::int64_t after)
{
    if (!projectOpen())
        return;
    m_counts.statusChanged(m_document.summary().type(row), before, after);
    if (m_listedValid)
        m_listed.statusChanged(row, before, after);
}

void TranslatorFlow::tokenChanged(std::size_t row, bool textChanged)
{
    // The builder was stopped before the change (aboutToChange) and goes on after it.
    if (projectOpen() && textChanged)
        m_index.textChanged(row);
}

void TranslatorFlow::historyChanged()
{
    if (!projectOpen())
        return;
    refreshProgress();
    refreshActions();
}

void TranslatorFlow::forgetListed()
{
    // The list it was made of may be gone from the screen: it is not kept alive here.
    m_listed.clear();
    m_listedValid = false;
}

ListedTokens &TranslatorFlow::listed()
{
    if (!m_listedValid && m_project) {
        m_listed.assign(m_narrowed.rows(), m_document.summary());
        m_listedValid = true;
    }
    return m_listed;
}

std::optional<std::size_t> TranslatorFlow::itemOfRow(std::size_t row)
{
    return projectOpen() ? listed().itemOf(row) : std::nullopt;
}

TokenLook TranslatorFlow::listLook(std::size_t row) const
{
    return kLooksByFlags[static_cast<std::size_t>(m_document.summary().flags(row))];
}

// One look for each of the eight flag values, worked out once.
const std::array<TokenLook, 8> TranslatorFlow::kLooksByFlags = [] {
    std::array<TokenLook, 8> all;
    for (int flags = 0; flags < 8; ++flags)
        all[static_cast<std::size_t>(flags)] = LookForStatus(TokenLook{}, flags);
    return all;
}();

void TranslatorFlow::refreshProgress()
{
    if (!projectOpen()) {
        m_progress->clear();
        return;
    }
    // The list without narrowing counts at no cost from the project's counts;
    // a narrowed list through its items.
    const Progress list = m_narrowed.narrowed() ? listed().progress() : m_counts.progress(m_filter);
    m_progress->setProgress(list, m_counts.progress());
}

void TranslatorFlow::refreshActions()
{
    // A project being closed still holds its history for a moment.
    const EditHistory &history = m_document.history();
    const bool open = projectOpen();
    m_undo->setEnabled(open && history.canUndo());
    m_redo->setEnabled(open && history.canRedo());
    const QString undoWhat = open ? QString::fromStdString(history.undoLabel()) : QString();
    const QString redoWhat = open ? QString::fromStdString(history.redoLabel()) : QString();
    m_undo->setStatusTip(undoWhat.isEmpty() ? QString() : QStringLiteral("Undo ") + undoWhat);
    m_redo->setStatusTip(redoWhat.isEmpty() ? QString() : QStringLiteral("Redo ") + redoWhat);
}

void TranslatorFlow::showMessage(const QString &text)
{
    m_statusBar->showMessage(text, kStatusTimeout);
}

std::optional<std::size_t> TranslatorFlow::selectedItem() const
{
    return m_view.selectedListItem();
}

void TranslatorFlow::undo()
{
    if (!projectOpen() || !m_document.history().canUndo())
        return;
    m_view.finishEditing();
    const QString label = QString::fromStdString(m_document.history().undoLabel());
    follow(m_document.undo());
    showMessage(QStringLiteral("Undone: ") + label);
}

void TranslatorFlow::redo()
{
    if (!projectOpen() || !m_document.history().canRedo())
        return;
    m_view.finishEditing();
    const QString label = QString::fromStdString(m_document.history().redoLabel());
    follow(m_document.redo());
    showMessage(QStringLiteral("Redone: ") + label);
}

// After an undo or a redo, the list and the pane show the token it changed first.
void TranslatorFlow::follow(const std::vector<EditHistory::Change> &changes)
{
    if (changes.empty())
        return;
    const std::size_t row = changes.front().row;
    if (const auto item = listed().itemOf(row))
        m_view.showListItem(*item);
    else if (m_view.paneRow() == row)
        m_view.clearPane();
}

void TranslatorFlow::copyOriginal()
{
    QLineEdit *box = m_view.translationBox();
    if (!projectOpen() || m_view.paneRow() == 0 || !box->isEnabled())
        return;
    box->setFocus(Qt::ShortcutFocusReason);
    // Through the box's own editing, so that its undo takes it back.
    box->selectAll();
    box->insert(m_document.masterText(m_view.paneRow()));
    box->selectAll();
}

void TranslatorFlow::goToNeedingWork(bool forward)
{
    if (!projectOpen() || m_narrowed.pending())
        return;
    const bool inBox = m_view.translationBox()->hasFocus();
    const auto found = listed().nextNeedingWork(selectedItem(), forward);
    if (!found) {
        showMessage(QStringLiteral("All listed tokens are translated"));
        return;
    }
    m_view.selectListItem(found->item);
    if (inBox)
        m_view.goToTranslationBox();
    if (found->wrapped)
        showMessage(forward ? QStringLiteral("Went on from the top of the list")
                            : QStringLiteral("Went on from the bottom of the list"));
}

void TranslatorFlow::commitAndNext()
{
    if (!projectOpen() || m_narrowed.pending())
        return;
    m_document.beginStep("commit and next");
    // Pressed in the list's in-place editor: its text lands first, and the pane
    // takes it, so that the box commits that text and not an older one.
    m_view.finishEditing();
    const std::optional<std::size_t> committed = m_view.commitTranslationBox();
    if (!committed) {
        m_document.endStep();
        return;
    }
    const auto found = listed().nextNeedingWork(*committed, true);
    if (!found) {
        m_document.endStep();
        m_view.listView()->setFocus(Qt::OtherFocusReason);
        showMessage(QStringLiteral("All listed tokens are translated"));
        return;
    }
    m_view.selectListItem(found->item);
    m_document.endStep();
    m_view.goToTranslationBox();
    if (found->wrapped)
        showMessage(QStringLiteral("Went on from the top of the list"));
}

void TranslatorFlow::replaceAll()
{
    if (!projectOpen())
        return;
    const ReplaceOptions options = m_replaceBar->options();
    auto plan = std::make_shared<ReplacePlan>(PlanReplace(*m_project, *m_narrowed.rows(), *m_projectCodec, options));
    if (!plan->refusal.empty()) {
        showMessage(QString::fromStdU16String(plan->refusal));
        return;
    }
    if (plan->changes.empty()) {
        QString text = QStringLiteral("No translation of the listed tokens can be changed");
        if (!plan->readOnly.empty())
            text += QStringLiteral(" (%1 read-only)").arg(plan->readOnly.size());
        if (!plan->unstorable.empty())
            text += QStringLiteral(" (%1 the character set cannot store)").arg(plan->unstorable.size());
        showMessage(text);
        return;
    }
    auto *preview = new ReplacePreview(plan, m_window);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    connect(preview, &QDialog::accepted, this, [this, plan] { applyReplacement(*plan); });
    connect(preview, &QDialog::finished, this, [this] {
        // Back in the window where the user was, whichever way the preview closed.
        m_window->activateWindow();
        m_replaceBar->findEdit()->setFocus(Qt::OtherFocusReason);
    });
    preview->open();
}

void TranslatorFlow::applyReplacement(const ReplacePlan &plan)
{
    if (!projectOpen())
        return;
    std::size_t stored = 0;
    m_document.beginStep("replace all");
    for (const ReplaceChange &change : plan.changes) {
        // The table may have changed since the preview: only what it showed is replaced.
        if (change.row > m_project->tokenCount() || m_project->cell(change.row, ColText) != change.before ||
            (StatusOf(m_project->cell(change.row, ColStatus)) & FlagReadOnly))
            continue;
        m_document.storeText(change.row, change.after);
        ++stored;
    }
    m_document.endStep();
    if (stored > 0)
        m_document.setModified();
    QString text = QStringLiteral("%1 token(s) changed").arg(stored);
    if (stored < plan.changes.size())
        text += QStringLiteral(", %1 left alone: changed since the preview").arg(plan.changes.size() - stored);
    showMessage(text);
}

} // namespace quenlit
