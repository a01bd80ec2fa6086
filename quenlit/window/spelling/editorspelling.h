#pragma once

#include "spelling/speller.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

class QContextMenuEvent;
class QLineEdit;
class QMenu;

namespace quenlit {

class EditorChecks;
class EditorView;
class ProjectDocument;
class TokenItemDelegate;
class TranslatorFlow;

// Spelling in the editor: the words of the translation box and of the list's
// in-place editor that the dictionary of the project's language does not know
// are underlined as the translator types, and their context menu offers the
// dictionary's suggestions and "Add to dictionary" (the personal word list of
// the language). Access keys, escapes, placeholders and the words of the master
// text are never underlined. Without a dictionary the status bar says so once a
// language; nothing else changes. The dictionary is handed to the checks,
// whose "spelling" check lists the unknown words of every translated token.
class EditorSpelling : public QObject
{
    Q_OBJECT

public:
    explicit EditorSpelling(QObject *parent = nullptr);
    ~EditorSpelling() override;

    // None is owned.
    void attach(ProjectDocument &document, EditorView &view, TranslatorFlow &flow, EditorChecks &checks,
                QLineEdit *box, TokenItemDelegate *delegate);
    // Where dictionaries are looked for (by default the system's).
    void setDictionaryFolders(std::vector<std::string> folders) { m_folders = std::move(folders); }

    void projectOpened();
    void projectClosed();
    // The pane shows this row now (0: none): the box is checked against its master.
    void paneShows(std::size_t row);

    // The dictionary in use, null while none is loaded.
    spelling::Speller *speller() const { return m_speller.get(); }
    // The words underlined in a line edit now.
    std::vector<spelling::Misspelling> misspellings(QLineEdit *line) const;

signals:
    // The dictionary of the open project was loaded (or none was found).
    void dictionaryReady();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void watch(QLineEdit *line, std::size_t row);
    void textChanged();
    void underline(QLineEdit *line);
    void underlineAll();
    void showMenu(QLineEdit *line, QContextMenuEvent *event);
    QString masterOf(QLineEdit *line) const;
    // The speller (or none) goes to the checks.
    void wordsChanged();

    ProjectDocument *m_document = nullptr; // not owned
    TranslatorFlow *m_flow = nullptr;
    EditorChecks *m_checks = nullptr;
    QLineEdit *m_box = nullptr;
    QPointer<QLineEdit> m_editor; // the in-place editor open now
    std::vector<std::string> m_folders = spelling::DefaultDictionaryFolders();
    std::shared_ptr<spelling::Speller> m_speller;
    std::thread m_loader;
    std::uint64_t m_generation = 0;
    std::set<unsigned> m_told; // languages whose missing dictionary was told
};

} // namespace quenlit
