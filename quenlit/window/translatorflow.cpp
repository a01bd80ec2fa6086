#include "translatorflow.h"

#include "findbar.h"
#include "frmprinc.h"
#include "progressstatus.h"
#include "replacebar.h"
#include "replaceplan.h"
#include "textboxkeys.h"
#include "textcodec.h"
#include "tokenstatus.h"
#include "tokentable.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include "tokenlistmodel.h"
#include "tokenlistview.h"
#include <QTreeView>

#include <array>

#include <map>

namespace quenlit {

namespace {

// Rows judged per turn of the event loop while the list is narrowed, and rows
// added to the find index per turn while it is built: a few milliseconds each,
// so typing never waits for a run.
constexpr std::size_t kNarrowBudget = 200000;
constexpr std::size_t kIndexBudget = 20000;
constexpr int kStatusTimeout = 5000;

} // namespace

TranslatorFlow::TranslatorFlow(FrmPrinc &window, QMenu *before, QWidget *listArea)
    : QObject(&window), m_window(window)
{
    m_narrowed.addNarrowing(&m_find);
    createMenus(before);

    m_findBar = new FindBar(listArea);
    connect(m_findBar, &FindBar::textChanged, this, &TranslatorFlow::findTextChanged);
    connect(m_findBar, &FindBar::closed, this, &TranslatorFlow::closeFind);
    connect(m_findBar, &FindBar::goToList, this, &TranslatorFlow::goFromFindToList);

    m_replaceBar = new ReplaceBar(listArea);
    connect(m_replaceBar, &ReplaceBar::replaceAllRequested, this, &TranslatorFlow::replaceAll);
    connect(m_replaceBar, &ReplaceBar::closed, this, [this] {
        m_replaceBar->setVisible(false);
        emit layoutChanged();
        m_window.tokenView()->setFocus(Qt::OtherFocusReason);
    });

    m_progress = std::make_unique<ProgressStatus>(m_window.statusBar(), m_window.filterTree(), m_counts);
    m_keys = new TextBoxKeys(&m_window);

    connect(&m_window, &FrmPrinc::tokenChanging, this, &TranslatorFlow::tokenChanging);
    connect(&m_window, &FrmPrinc::tokenChanged, this, &TranslatorFlow::tokenChanged);

    m_stepper = new QTimer(this);
    m_stepper->setSingleShot(true);
    m_stepper->setInterval(0);
    connect(m_stepper, &QTimer::timeout, this, &TranslatorFlow::runNarrowing);
    refreshActions();
}

TranslatorFlow::~TranslatorFlow() = default;

void TranslatorFlow::createMenus(QMenu *before)
{
    QMenuBar *bar = m_window.menuBar();
    auto *edit = new QMenu(QStringLiteral("&Edit"), bar);
    edit->setObjectName(QStringLiteral("mnuEdit"));
    auto *go = new QMenu(QStringLiteral("&Go"), bar);
    go->setObjectName(QStringLiteral("mnuGo"));
    bar->insertMenu(before->menuAction(), edit);
    bar->insertMenu(before->menuAction(), go);

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

void TranslatorFlow::projectOpened(const TokenTable &project, const TokenTable &master, const TextCodec &projectCodec,
                                   const TextCodec &masterCodec, TokenSummary summary)
{
    m_project = &project;
    m_projectCodec = &projectCodec;
    m_index.reset(&project, &master, &projectCodec, &masterCodec);
    if (project.tokenCount() > 0 && summary.tokenCount() == project.tokenCount())
        m_summary = std::move(summary);
    else
        m_summary.assign(project);
    m_counts.assign(m_summary);
    m_history.clear();
    forgetListed();
    refreshActions();
    // The find index is built in the background only once find is used.
    if (m_findBar->isVisible())
        m_stepper->start();
}

void TranslatorFlow::projectClosed()
{
    m_stepper->stop();
    m_project = nullptr;
    m_projectCodec = nullptr;
    m_index.clear();
    m_summary.clear();
    m_counts.clear();
    m_history.clear();
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
    m_narrowed.setBase(std::move(base));
    // A rebuild (a filter chosen, a project opened) shows its list at once.
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
    if (!m_narrowed.pending()) {
        // Nothing to narrow: use the turn to build the index ahead of the first keystroke.
        if (!m_index.build(kIndexBudget))
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
    const std::optional<std::size_t> selected = m_window.selectedListItem();
    const std::size_t row = selected ? m_window.tokenList()->tableRow(static_cast<int>(*selected)) : 0;
    const auto draft = m_window.paneDraft();
    m_window.showListRows(m_narrowed.rows());
    forgetListed();
    m_findBar->setMatches(m_narrowed.rows()->size());
    refreshProgress();
    const int item = row ? m_window.tokenList()->itemOfRow(row) : -1;
    if (item >= 0) {
        m_window.showListItem(static_cast<std::size_t>(item));
        if (draft)
            m_window.restorePaneDraft(*draft);
    }
}

void TranslatorFlow::closeFind()
{
    m_findBar->clearAndHide(); // the empty text gives the list back
    emit layoutChanged();
    m_window.tokenView()->setFocus(Qt::OtherFocusReason);
}

void TranslatorFlow::goFromFindToList()
{
    m_window.tokenView()->setFocus(Qt::OtherFocusReason);
    if (!m_window.selectedListItem() && !m_narrowed.rows()->empty() && !m_narrowed.pending())
        m_window.selectListItem(0);
}

void TranslatorFlow::find()
{
    m_findBar->activate();
    emit layoutChanged();
    if (projectOpen() && !m_index.complete())
        m_stepper->start();
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

void TranslatorFlow::tokenChanging(std::size_t row)
{
    if (!projectOpen())
        return;
    m_changingRow = row;
    m_textBefore = m_project->cellText(row, ColText);
    m_statusBefore = m_project->cellText(row, ColStatus);
}

void TranslatorFlow::tokenChanged(std::size_t row, bool textChanged)
{
    if (!projectOpen() || row != m_changingRow)
        return;
    m_changingRow = 0;
    // A commit changes the text and the status: one step.
    beginStep(textChanged ? QStringLiteral("commit") : QStringLiteral("status"));
    if (textChanged)
        cellChanged(row, ColText, m_textBefore, m_project->cell(row, ColText));
    cellChanged(row, ColStatus, m_statusBefore, m_project->cell(row, ColStatus));
    endStep();
}

void TranslatorFlow::cellChanged(std::size_t row, int column, std::string_view before, std::string_view after)
{
    if (before == after)
        return;
    if (column == ColStatus) {
        const std::int64_t was = StatusOf(before);
        const std::int64_t is = StatusOf(after);
        // The listing writes statuses in plain decimal: the same status, no change.
        if (was == is)
            return;
        if (!m_restoring)
            m_history.record(row, column, before, after);
        m_counts.statusChanged(m_summary.type(row), was, is);
        m_summary.statusChanged(row, is);
        if (m_listedValid)
            m_listed.statusChanged(row, was, is);
    } else if (column == ColText) {
        if (!m_restoring)
            m_history.record(row, column, before, after);
        m_index.textChanged(row);
    }
    if (m_stepDepth == 0) {
        refreshProgress();
        refreshActions();
    }
}

void TranslatorFlow::beginStep(const QString &label)
{
    ++m_stepDepth;
    m_history.beginStep(label.toStdString());
}

void TranslatorFlow::endStep()
{
    m_history.endStep();
    if (m_stepDepth > 0 && --m_stepDepth == 0) {
        refreshProgress();
        refreshActions();
    }
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
        m_listed.assign(m_narrowed.rows(), m_summary);
        m_listedValid = true;
    }
    return m_listed;
}

std::optional<std::size_t> TranslatorFlow::itemOfRow(std::size_t row)
{
    return projectOpen() ? listed().itemOf(row) : std::nullopt;
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
    m_undo->setEnabled(m_history.canUndo());
    m_redo->setEnabled(m_history.canRedo());
    const QString undoWhat = QString::fromStdString(m_history.undoLabel());
    const QString redoWhat = QString::fromStdString(m_history.redoLabel());
    m_undo->setStatusTip(undoWhat.isEmpty() ? QString() : QStringLiteral("Undo ") + undoWhat);
    m_redo->setStatusTip(redoWhat.isEmpty() ? QString() : QStringLiteral("Redo ") + redoWhat);
}

void TranslatorFlow::showMessage(const QString &text)
{
    m_window.statusBar()->showMessage(text, kStatusTimeout);
}

std::optional<std::size_t> TranslatorFlow::selectedItem() const
{
    return m_window.selectedListItem();
}

void TranslatorFlow::undo()
{
    if (!projectOpen() || !m_history.canUndo())
        return;
    m_window.finishEditing();
    const QString label = QString::fromStdString(m_history.undoLabel());
    restore(m_history.undo([](std::size_t, int, std::string_view) {}), true);
    showMessage(QStringLiteral("Undone: ") + label);
}

void TranslatorFlow::redo()
{
    if (!projectOpen() || !m_history.canRedo())
        return;
    m_window.finishEditing();
    const QString label = QString::fromStdString(m_history.redoLabel());
    restore(m_history.redo([](std::size_t, int, std::string_view) {}), false);
    showMessage(QStringLiteral("Redone: ") + label);
}

void TranslatorFlow::restore(const std::vector<EditHistory::Change> &changes, bool undoing)
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
    auto take = [&](const EditHistory::Change &change) {
        Cells &cells = rows[change.row];
        if (!cells.text && !cells.status)
            order.push_back(change.row);
        std::optional<std::string> &cell = change.column == ColText ? cells.text : cells.status;
        const std::string_view bytes = undoing ? change.before : change.after;
        if (!cell || !undoing)
            cell = std::string(bytes);
    };
    for (const EditHistory::Change &change : changes)
        take(change);
    m_restoring = true;
    ++m_stepDepth;
    for (const std::size_t row : order) {
        const Cells &cells = rows[row];
        m_window.RestoreToken(row, cells.text ? &*cells.text : nullptr, cells.status ? &*cells.status : nullptr);
    }
    --m_stepDepth;
    m_restoring = false;
    refreshProgress();
    refreshActions();
    follow(changes);
}

// After an undo or a redo, the list and the pane show the token it changed first.
void TranslatorFlow::follow(const std::vector<EditHistory::Change> &changes)
{
    if (changes.empty())
        return;
    const std::size_t row = changes.front().row;
    if (const auto item = listed().itemOf(row))
        m_window.showListItem(*item);
    else if (m_window.paneRow() == row)
        m_window.clearPaneShown();
}

void TranslatorFlow::copyOriginal()
{
    QLineEdit *box = m_window.translationBox();
    if (!projectOpen() || m_window.paneRow() == 0 || !box->isEnabled())
        return;
    box->setFocus(Qt::ShortcutFocusReason);
    // Through the box's own editing, so that its undo takes it back.
    box->selectAll();
    box->insert(m_window.masterText(m_window.paneRow()));
    box->selectAll();
}

void TranslatorFlow::goToNeedingWork(bool forward)
{
    if (!projectOpen() || m_narrowed.pending())
        return;
    const bool inBox = m_window.translationBox()->hasFocus();
    const auto found = listed().nextNeedingWork(selectedItem(), forward);
    if (!found) {
        showMessage(QStringLiteral("All listed tokens are translated"));
        return;
    }
    m_window.selectListItem(found->item);
    if (inBox)
        m_window.goToTranslationBox();
    if (found->wrapped)
        showMessage(forward ? QStringLiteral("Went on from the top of the list")
                            : QStringLiteral("Went on from the bottom of the list"));
}

void TranslatorFlow::commitAndNext()
{
    if (!projectOpen() || m_narrowed.pending())
        return;
    beginStep(QStringLiteral("commit and next"));
    // Pressed in the list's in-place editor: its text lands first, and the pane
    // takes it, so that the box commits that text and not an older one.
    m_window.finishEditing();
    const std::optional<std::size_t> committed = m_window.commitTranslationBox();
    if (!committed) {
        endStep();
        return;
    }
    const auto found = listed().nextNeedingWork(*committed, true);
    if (!found) {
        endStep();
        m_window.tokenView()->setFocus(Qt::OtherFocusReason);
        showMessage(QStringLiteral("All listed tokens are translated"));
        return;
    }
    m_window.selectListItem(found->item);
    endStep();
    m_window.goToTranslationBox();
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
    auto *preview = new ReplacePreview(plan, &m_window);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    connect(preview, &QDialog::accepted, this, [this, plan] { applyReplacement(*plan); });
    connect(preview, &QDialog::finished, this, [this] {
        // Back in the window where the user was, whichever way the preview closed.
        m_window.activateWindow();
        m_replaceBar->findEdit()->setFocus(Qt::OtherFocusReason);
    });
    preview->open();
}

void TranslatorFlow::applyReplacement(const ReplacePlan &plan)
{
    if (!projectOpen())
        return;
    beginStep(QStringLiteral("replace all"));
    for (const ReplaceChange &change : plan.changes) {
        // The table may have changed since the preview: only what it showed is replaced.
        if (m_project->cell(change.row, ColText) != change.before ||
            (StatusOf(m_project->cell(change.row, ColStatus)) & FlagReadOnly))
            continue;
        m_window.StoreTokenText(change.row, change.after);
    }
    endStep();
    m_window.setModified();
    showMessage(QStringLiteral("%1 token(s) changed").arg(plan.changes.size()));
}

} // namespace quenlit
