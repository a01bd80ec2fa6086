#pragma once

#include <QObject>
#include <QString>

#include <optional>
#include <string>

class QAction;
class QActionGroup;
class QLabel;
class QMenu;
class SettingsStore;

namespace quenlit {

// The code page of the open project's token file. It is that of the project's
// language unless the user chose another one for the project in "&Options" >
// "&Code page" (for a file that does not follow its language); the choice is
// remembered per project in the settings, under a key of its own, and the code
// page in use is shown in the status bar while a project is open.
class CodePageChoice : public QObject
{
    Q_OBJECT

public:
    // The submenu goes at the end of `options`; `label` is the status bar's
    // field it fills. The store is not owned and must outlive this.
    CodePageChoice(SettingsStore &settings, QMenu *options, QLabel *label, QObject *parent);

    // A project's path made absolute against the current folder: what names the
    // project in the settings.
    static std::string absolutePath(const std::string &projectPath);
    // The code page chosen for a project (its absolute path), or nothing when
    // it follows its language.
    std::optional<unsigned> chosenFor(const std::string &projectPath) const;
    // The settings key of a project's choice: "EditCodePage" and a hash of the
    // project's absolute path.
    static QString keyFor(const std::string &projectPath);

    // A project is open: its absolute path, the code page of its language, the
    // one its token file was read in and the master token file's, and the
    // choice that gave it (nothing: the language).
    void projectOpened(const std::string &projectPath, unsigned languageCodePage, unsigned used, unsigned master,
                       std::optional<unsigned> chosen);
    void projectClosed();
    // Remembers the choice for the open project: a code page, or nothing to
    // follow the language again.
    void remember(std::optional<unsigned> codePage);
    // The menu shows the code page in use again (after a choice was not applied).
    void showInUse();

    // The absolute path of the open project, as it was resolved when opened.
    const std::string &projectPath() const { return m_projectPath; }
    QMenu *menu() const { return m_menu; }
    QLabel *label() const { return m_label; }
    // The text the status bar shows for the code page in use, and its tooltip,
    // which also names the master token file's.
    static QString statusText(unsigned used, bool chosen);
    static QString statusToolTip(unsigned used, bool chosen, unsigned master);

signals:
    // The user picked another entry: a code page, or nothing for the language's.
    void chosen(std::optional<unsigned> codePage);

private:
    void picked(QAction *action);

    SettingsStore &m_settings;
    QMenu *m_menu = nullptr;
    QActionGroup *m_group = nullptr;
    QAction *m_fromLanguage = nullptr;
    QLabel *m_label = nullptr;
    std::string m_projectPath; // empty with no project open
    unsigned m_languageCodePage = 1252;
    std::optional<unsigned> m_chosen;
};

} // namespace quenlit
