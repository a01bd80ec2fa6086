#include "window/checks/editorchecks.h"

#include "window/checks/checkpane.h"
#include "window/editorview.h"
#include "window/checks/fillpreview.h"
#include "window/projectdocument.h"
#include "qtext.h"
#include "window/tokenlistmodel.h"
#include "tokenstatus.h"
#include "window/translatorflow.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>
#include <limits>
#include <utility>

namespace quenlit {

EditorChecks::EditorChecks(TokenListModel *model, QWidget *pane, QWidget *window)
    : QObject(window), m_model(model), m_runner(this), m_window(window)
{
    for (std::size_t i = 0; i < 3; ++i) {
        auto *take = new QAction(QStringLiteral("Take suggestion ") + QString::number(i + 1), window);
        take->setObjectName(QStringLiteral("mnuSuggestion") + QString::number(i + 1));
        take->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + static_cast<int>(i))));
        take->setShortcutContext(Qt::WindowShortcut);
        connect(take, &QAction::triggered, this, [this, i] { takeSuggestion(i); });
        window->addAction(take);
    }
    m_paneLine = new CheckPane(pane);
    m_model->setCheckColumn(&m_column);
    m_listCounts.setChecks(&m_runner.checks());
    connect(&m_runner, &CheckRunner::rowsChecked, this, &EditorChecks::rowsDone);
    connect(&m_runner, &CheckRunner::rowsRechecked, this, &EditorChecks::rowsRedone);
    connect(&m_runner, &CheckRunner::suggestionsFinished, this, &EditorChecks::refreshPane);
    connect(&m_runner, &CheckRunner::checksFinished, this, &EditorChecks::checksFinished);
    connect(this, &EditorChecks::listCountsChanged, this, &EditorChecks::refreshCounts);
}

void EditorChecks::attach(quenlit::ProjectDocument &document, quenlit::EditorView &view,
                          quenlit::TranslatorFlow &flow, const Places &places)
{
    m_document = &document;
    m_view = &view;
    m_flow = &flow;
    // A keystroke in the find box narrows the list before the checks go on.
    m_runner.setYieldWhile([&flow] { return flow.narrowingPending(); });
    auto add = [this](QMenu *menu, const char *name, const QString &text, const QKeySequence &key, auto slot) {
        QAction *action = menu->addAction(text);
        action->setObjectName(QString::fromLatin1(name));
        if (!key.isEmpty()) {
            action->setShortcut(key);
            action->setShortcutContext(Qt::WindowShortcut);
        }
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    places.edit->addSeparator();
    add(places.edit, "mnuFillIdentical", QStringLiteral("Fill &identical texts..."), {},
        [this] { fillIdenticalTexts(); });
    places.go->addSeparator();
    add(places.go, "mnuNextProblem", QStringLiteral("Next p&roblem"), QKeySequence(Qt::Key_F8),
        [this] { goToProblem(true); });
    add(places.go, "mnuPreviousProblem", QStringLiteral("Previous pro&blem"), QKeySequence(Qt::SHIFT | Qt::Key_F8),
        [this] { goToProblem(false); });
    m_problemsOnly = add(places.options, "mnuProblemsOnly", QStringLiteral("Show only tokens with &problems"), {},
                         [this](bool checked) { setProblemsOnly(checked); });
    m_problemsOnly->setCheckable(true);
    flow.narrowedList().addNarrowing(&m_problems);

    m_countLabel = places.counts;
    m_countLabel->setObjectName(QStringLiteral("lbCheckCounts"));
    m_countLabel->setToolTip(QStringLiteral("What the checks found in the tokens of the list"));
    refreshCounts();
}

void EditorChecks::refreshCounts()
{
    if (!m_countLabel)
        return;
    if (!m_project) {
        m_countLabel->clear();
        return;
    }
    const LevelCounts &c = m_listCounts.counts();
    auto count = [](std::size_t n, const char *one, const char *many) -> QString {
        return QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
    };
    QString text = count(c.errors, "error", "errors") + QStringLiteral(", ") + count(c.warnings, "warning", "warnings");
    if (!m_runner.checksDone())
        text += QStringLiteral(" (checking)");
    m_countLabel->setText(text);
}

void EditorChecks::checksFinished()
{
    refreshCounts();
    // The tokens with problems are all known now.
    if (m_problems.active() && m_flow)
        m_flow->narrowingChanged(false);
}

void EditorChecks::setProblemsOnly(bool only)
{
    if (m_problemsOnly && m_problemsOnly->isChecked() != only)
        m_problemsOnly->setChecked(only);
    m_problems.setActive(only);
    // On, the list only loses rows; off, it gets them back.
    if (m_flow)
        m_flow->narrowingChanged(only);
}

void EditorChecks::goToProblem(bool forward)
{
    // While the list is being narrowed its items are about to change.
    if (!m_view || !m_project || m_flow->narrowingPending())
        return;
    const std::size_t count = static_cast<std::size_t>(m_model->rowCount());
    if (count == 0)
        return;
    const bool inBox = m_view->translationBox()->hasFocus();
    const auto selected = m_view->selectedListItem();
    // From the item after (or before) the selected one, round the list once.
    const std::size_t start = selected ? (forward ? *selected + 1 : *selected + count - 1) % count
                                       : (forward ? 0 : count - 1);
    for (std::size_t n = 0; n < count; ++n) {
        const std::size_t item = forward ? (start + n) % count : (start + count - n) % count;
        if (!m_runner.checks().fired(m_model->tableRow(static_cast<int>(item))))
            continue;
        m_view->selectListItem(item);
        if (inBox)
            m_view->goToTranslationBox();
        const bool wrapped = selected && (forward ? item <= *selected : item >= *selected);
        if (wrapped)
            m_flow->showMessage(forward ? QStringLiteral("Went on from the top of the list")
                                        : QStringLiteral("Went on from the bottom of the list"));
        return;
    }
    m_flow->showMessage(m_runner.checksDone() ? QStringLiteral("No listed token has a problem")
                                              : QStringLiteral("No listed token has a problem so far; the checks go on"));
}

void EditorChecks::fillIdenticalTexts()
{
    if (!m_view || !m_project)
        return;
    m_view->finishEditing();
    if (!m_runner.suggestionsReady()) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_runner.finishNow();
        QApplication::restoreOverrideCursor();
    }
    std::vector<FillChange> changes = ProposeFill(m_runner.suggestions());
    if (changes.empty()) {
        m_flow->showMessage(QStringLiteral("No token that needs work has a translated twin"));
        return;
    }
    const quenlit::ProjectDocument *document = m_document;
    auto *preview = new FillPreviewDialog(
        std::move(changes), [document](std::size_t row) { return document->masterText(row); },
        [document](std::string_view bytes) { return FromTokenBytes(bytes, document->projectCodePage()); },
        m_window);
    preview->setAttribute(Qt::WA_DeleteOnClose);
    connect(preview, &QDialog::accepted, this, [this, preview] { applyFill(preview->chosen()); });
    connect(preview, &QDialog::finished, this, [this] { m_window->activateWindow(); });
    preview->open();
}

void EditorChecks::applyFill(const std::vector<FillChange> &changes)
{
    if (!m_document || !m_project || changes.empty())
        return;
    std::size_t filled = 0;
    m_document->beginStep("fill identical texts");
    for (const FillChange &change : changes) {
        // The table may have changed since the preview: never a read-only token,
        // never one translated meanwhile.
        const std::int64_t status = StatusOf(m_project->cell(change.row, ColStatus));
        if (!(status & FlagNonTranslated) || (status & FlagReadOnly))
            continue;
        m_document->storeText(change.row, change.text);
        ++filled;
    }
    m_document->endStep();
    if (filled)
        m_document->setModified();
    m_flow->showMessage(QStringLiteral("%1 token(s) filled").arg(filled));
}

void EditorChecks::projectOpened()
{
    m_project = &m_document->projectTable();
    m_projectCodePage = &m_document->projectCodePage();
    // The menu levels come from the source file the preview reads.
    m_runner.start(&m_document->masterTable(), m_project, m_document->masterCodePage(), *m_projectCodePage, true);
    m_column.setChecks(&m_runner.checks());
    m_listCounts.setList(m_model->rows(), m_project->tokenCount());
    emit listCountsChanged();
}

void EditorChecks::projectClosed()
{
    // The option stays; the next project is listed under it.
    m_column.setChecks(nullptr);
    m_runner.stop();
    m_listCounts.clear();
    m_project = nullptr;
    m_paneRow = 0;
    m_offered.clear();
    m_offeredTexts.clear();
    m_memoryRow = 0;
    m_memoryOffers.clear();
    m_termRow = 0;
    m_termLines.clear();
    m_paneLine->clearToken();
    emit listCountsChanged();
}

void EditorChecks::listRebuilt(const ListRows &rows)
{
    if (!m_project)
        return;
    m_listCounts.setList(rows, m_project->tokenCount());
    emit listCountsChanged();
}

void EditorChecks::tokenChanged(std::size_t row)
{
    m_runner.rowChanged(row);
    if (row == m_paneRow)
        refreshPane();
}

void EditorChecks::fitMeasureChanged()
{
    if (!m_project)
        return;
    // The dialog tokens checked already are measured now.
    for (std::size_t row = 1; row <= m_project->tokenCount(); ++row) {
        if (TokenTypeOf(m_project->cell(row, ColType)) == TokenType::Dialog)
            m_runner.rowChanged(row);
    }
}

void EditorChecks::setKnownWords(std::unique_ptr<KnownWords> words)
{
    if (!words && !m_words)
        return;
    m_runner.setKnownWords(words.get());
    m_words = std::move(words);
    m_runner.recheckAll();
}

void EditorChecks::setTerms(std::unique_ptr<TermList> terms)
{
    if (!terms && !m_terms)
        return;
    m_runner.setTerms(terms.get());
    m_terms = std::move(terms);
    m_runner.recheckAll();
}

void EditorChecks::paneShows(std::size_t row)
{
    m_paneRow = row;
    refreshPane();
}

std::pair<std::size_t, std::size_t> EditorChecks::rowsInSight() const
{
    constexpr std::pair<std::size_t, std::size_t> all{1, std::numeric_limits<std::size_t>::max()};
    if (!m_view)
        return all;
    QAbstractItemView *view = m_view->listView();
    const int items = m_model->rowCount();
    if (items == 0 || !view->isVisible())
        return {1, 0};
    const QModelIndex top = view->indexAt(QPoint(0, 0));
    const QModelIndex bottom = view->indexAt(QPoint(0, view->viewport()->height() - 1));
    return {m_model->tableRow(top.isValid() ? top.row() : 0),
            m_model->tableRow(bottom.isValid() ? bottom.row() : items - 1)};
}

void EditorChecks::rowsDone(std::size_t first, std::size_t last)
{
    // The list's view pays for every item a change names, so only the items in
    // sight are named; the others read their results when they are painted.
    const auto sight = rowsInSight();
    if (std::max(first, sight.first) <= std::min(last, sight.second))
        m_model->checksChanged(std::max(first, sight.first), std::min(last, sight.second));
    m_listCounts.update(first, last);
    emit listCountsChanged();
    if (m_paneRow >= first && m_paneRow <= last)
        refreshPane();
}

void EditorChecks::rowsRedone(const std::vector<std::size_t> &rows)
{
    const auto sight = rowsInSight();
    for (std::size_t row : rows) {
        if (row >= sight.first && row <= sight.second)
            m_model->checksChanged(row, row);
    }
    m_listCounts.update(rows);
    emit listCountsChanged();
    if (std::find(rows.begin(), rows.end(), m_paneRow) != rows.end())
        refreshPane();
}

void EditorChecks::menuLevelsRead(const MenuLevels &levels)
{
    m_levelsUnavailable = levels.unavailable().empty()
                              ? QString()
                              : QStringLiteral("Access keys of menus are not checked: ") +
                                    QString::fromStdString(levels.unavailable()) + QLatin1Char('.');
    m_runner.setMenuLevels(levels);
    refreshPane();
}

void EditorChecks::refreshPane()
{
    m_offered.clear();
    m_offeredTexts.clear();
    if (!m_project || m_paneRow == 0 || m_paneRow > m_project->tokenCount()) {
        m_paneLine->clearToken();
        return;
    }
    QStringList messages;
    if (m_runner.checks().fired(m_paneRow)) {
        const QString all = CheckColumn::messages(m_runner.checks(), m_paneRow);
        messages = all.split(QLatin1Char('\n'));
    }
    if (m_termRow == m_paneRow)
        messages << m_termLines;
    if (!m_levelsUnavailable.isEmpty() && TokenTypeOf(m_project->cell(m_paneRow, ColType)) == TokenType::Menu)
        messages << m_levelsUnavailable;
    QStringList suggestions, notes, details;
    const std::int64_t status = StatusOf(m_project->cell(m_paneRow, ColStatus));
    const bool needsWork = (status & FlagNonTranslated) && !(status & FlagReadOnly);
    if (needsWork && m_runner.suggestionsReady()) {
        m_offered = m_runner.suggestions().suggestionsFor(m_paneRow);
        for (const Suggestion &s : m_offered) {
            suggestions << FromTokenBytes(s.text, *m_projectCodePage);
            notes << QString();
            details << QString();
        }
    }
    // The memory's matches follow the project's own, each text offered once.
    constexpr int kKeys = 3;
    if (needsWork && m_memoryRow == m_paneRow) {
        for (const MemoryOffer &offer : m_memoryOffers) {
            if (suggestions.size() >= kKeys)
                break;
            if (suggestions.contains(offer.text))
                continue;
            suggestions << offer.text;
            notes << QString::number(offer.score) + QStringLiteral(" % \u00B7 ") + offer.origin;
            details << (offer.differences.isEmpty() ? QString() : QStringLiteral("differs: ") + offer.differences);
        }
    }
    m_offeredTexts = suggestions;
    m_paneLine->showToken(messages, suggestions, notes, details);
}

void EditorChecks::setMemoryOffers(std::size_t row, std::vector<MemoryOffer> offers)
{
    m_memoryRow = row;
    m_memoryOffers = std::move(offers);
    if (row == m_paneRow)
        refreshPane();
}

void EditorChecks::setTermLines(std::size_t row, QStringList lines)
{
    if (m_termRow == row && m_termLines == lines)
        return;
    m_termRow = row;
    m_termLines = std::move(lines);
    if (row == m_paneRow)
        refreshPane();
}

void EditorChecks::takeSuggestion(std::size_t index)
{
    if (index < static_cast<std::size_t>(m_offeredTexts.size()))
        emit suggestionTaken(m_offeredTexts[static_cast<int>(index)]);
}

} // namespace quenlit
