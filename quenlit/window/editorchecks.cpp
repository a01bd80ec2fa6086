#include "editorchecks.h"

#include "checkpane.h"
#include "qtext.h"
#include "tokenlistmodel.h"
#include "tokenstatus.h"

#include <QAction>

#include <algorithm>

EditorChecks::EditorChecks(TokenListModel *model, QWidget *pane, QWidget *window)
    : QObject(window), m_model(model), m_runner(this)
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
}

void EditorChecks::projectOpened(const TokenTable *master, const TokenTable *project,
                                 const CodePage &masterCodePage, const CodePage &projectCodePage,
                                 const std::string &masterProject)
{
    m_project = project;
    m_runner.start(master, project, masterCodePage, projectCodePage, masterProject);
    m_column.setChecks(&m_runner.checks());
    m_listCounts.setList(m_model->rows(), project->tokenCount());
    emit listCountsChanged();
}

void EditorChecks::projectClosed()
{
    m_column.setChecks(nullptr);
    m_runner.stop();
    m_listCounts.clear();
    m_project = nullptr;
    m_paneRow = 0;
    m_offered.clear();
    m_paneLine->clearToken();
    emit listCountsChanged();
}

void EditorChecks::listRebuilt(const std::vector<std::size_t> &rows)
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

void EditorChecks::paneShows(std::size_t row)
{
    m_paneRow = row;
    refreshPane();
}

void EditorChecks::rowsDone(std::size_t first, std::size_t last)
{
    m_model->checksChanged(first, last);
    m_listCounts.update(first, last);
    emit listCountsChanged();
    if (m_paneRow >= first && m_paneRow <= last)
        refreshPane();
}

void EditorChecks::rowsRedone(const std::vector<std::size_t> &rows)
{
    for (std::size_t row : rows)
        m_model->checksChanged(row, row);
    m_listCounts.update(rows);
    emit listCountsChanged();
    if (std::find(rows.begin(), rows.end(), m_paneRow) != rows.end())
        refreshPane();
}

void EditorChecks::refreshPane()
{
    m_offered.clear();
    if (!m_project || m_paneRow == 0 || m_paneRow > m_project->tokenCount()) {
        m_paneLine->clearToken();
        return;
    }
    QStringList messages;
    if (m_runner.checks().fired(m_paneRow)) {
        const QString all = CheckColumn::messages(m_runner.checks(), m_paneRow);
        messages = all.split(QLatin1Char('\n'));
    }
    QStringList suggestions;
    const std::int64_t status = StatusOf(m_project->cell(m_paneRow, ColStatus));
    if ((status & FlagNonTranslated) && !(status & FlagReadOnly) && m_runner.suggestionsReady()) {
        m_offered = m_runner.suggestions().suggestionsFor(m_paneRow);
        for (const Suggestion &s : m_offered)
            suggestions << FromTokenBytes(s.text);
    }
    m_paneLine->showToken(messages, suggestions);
}

void EditorChecks::takeSuggestion(std::size_t index)
{
    if (index < m_offered.size())
        emit suggestionTaken(FromTokenBytes(m_offered[index].text));
}
