#pragma once

#include "memory/glossary.h"
#include "memory/translationmemory.h"
#include "window/memory/memoryoffer.h"
#include "window/memory/memorythread.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QActionGroup;
class QMenu;
class SettingsStore;

namespace quenlit {

class EditorChecks;
class EditorView;
class ProjectDocument;
class TranslatorFlow;


// The user's translation memory in the editor: matches for the token the pane
// shows, "Fill from memory...", the units of every save and of the project's
// .obsolete file. The database is used on two threads of its own, one that
// looks up and one that writes, so that the window never waits for it; a
// database that cannot be opened is told in the status bar and the editor goes
// on without it.
class EditorMemory : public QObject
{
    Q_OBJECT

public:
    // The memory at `path` (by default the user's) is opened at once, on its threads.
    EditorMemory(SettingsStore &settings, QWidget *window, std::string path = memory::DefaultMemoryPath());
    ~EditorMemory() override;

    struct Places
    {
        QMenu *edit = nullptr;
        QMenu *options = nullptr;
    };
    // None is owned.
    void attach(ProjectDocument &document, EditorView &view, TranslatorFlow &flow, EditorChecks &checks,
                const Places &places);

    void projectOpened();
    void projectClosed();
    // The project's tokens were written to its file: their translations go to the memory.
    void projectSaved();
    // The pane shows this row now (0: none), or its token changed.
    void paneShows(std::size_t row);
    void tokenChanged(std::size_t row);

    // "Fill from memory...": every token that needs work and has a match of at
    // least the threshold, in a preview; then the changes as one undo step.
    void fillFromMemory();

    // The lowest score offered and filled, 50 to 100 (setting "MemoryThreshold").
    int threshold() const { return m_threshold; }
    void setThreshold(int threshold);

    const std::string &path() const { return m_path; }

signals:
    // The memory took the units of a save or of an .obsolete file (failure empty), or did not.
    void unitsAdded(const QString &failure);
    // Matches for the pane's token were offered (none, too).
    void offersShown(std::size_t row);

private:
    struct Languages
    {
        LanguageId source;
        LanguageId target;
    };
    // The token text of a row's master, as the memory holds texts (UTF-8, escapes resolved).
    std::string lookupText(std::size_t row) const;
    bool needsWork(std::size_t row) const;
    MemoryOffer offerOf(const memory::Match &match, const std::string &lookedUp) const;
    void importObsolete(const std::string &projectPath);
    void showFill(std::uint64_t generation, std::vector<std::size_t> rows,
                  std::vector<std::optional<memory::Match>> matches, std::vector<std::string> texts);
    void report(const QString &text);
    // The pane's lines of the glossary's terms in the row's master text.
    void showTerms(std::size_t row);

    SettingsStore &m_settings;
    QWidget *m_window;
    std::string m_path;
    // The writer goes first (its opening hands work to the reader).
    MemoryThread m_reader; // lookups
    MemoryThread m_writer; // saves and imports
    bool m_unusable = false; // the database could not be opened

    ProjectDocument *m_document = nullptr; // not owned
    EditorView *m_view = nullptr;
    TranslatorFlow *m_flow = nullptr;
    EditorChecks *m_checks = nullptr;
    QActionGroup *m_thresholds = nullptr;

    std::uint64_t m_generation = 0; // of the project open: results of another one are dropped
    std::string m_projectPath;      // absolute
    std::optional<Languages> m_languages;
    std::shared_ptr<const memory::Glossary> m_glossary; // of the project's languages
    std::size_t m_paneRow = 0;
    int m_threshold = memory::kDefaultThreshold;
    bool m_filling = false;
    bool m_fillWanted = false; // asked for before the project's languages were known
};

} // namespace quenlit
