#pragma once

#include "qtext.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QLineEdit;
class QTreeWidget;

// The RLTools administrator: shows a master project and the language projects
// beside it, edits the master project's two lines and creates language projects.
// Paths are bytes, whatever the folder's name holds; they are decoded only to be
// shown, and the lines read are written back with their bytes while unedited.
class RLAdmin : public QWidget
{
    Q_OBJECT

public:
    // Asks the user a yes/no question; tests answer it themselves.
    using Question = std::function<bool(QWidget *, const QString &)>;
    using Message = std::function<void(QWidget *, const QString &)>;

    // The master project's path as bytes; a relative one is taken from the
    // current folder.
    RLAdmin(const std::string &masterProject, Question ask, Message tell, QWidget *parent = nullptr);
    ~RLAdmin() override;

    bool load();
    bool saveMaster();
    // Creates a language project file; false when it was not written.
    bool createLanguageProject(const QString &fileName, const QString &tokenFile, const QString &langId,
                               const QString &subLangId, const QString &targetFile);
    void newLanguageProject();

    QLineEdit *sourceEdit() const { return m_source; }
    QLineEdit *tokensEdit() const { return m_tokens; }
    QComboBox *sourceLanguageBox() const { return m_sourceLanguage; }
    // One row per language project; the file name's bytes under Qt::UserRole of column 0.
    QTreeWidget *languageList() const { return m_list; }

    // Lists the languages the source file holds in the source language box,
    // keeping the choice.
    void fillSourceLanguages();

private:
    void fillList();
    std::string sourceLine() const;
    std::string sourcePath() const;

    std::string m_masterPath;   // absolute
    std::string m_masterFolder; // ends with its separator
    ShownBytes m_sourceRead;    // lines 1 and 2 as read
    ShownBytes m_tokensRead;
    Question m_ask;
    Message m_tell;
    QLineEdit *m_source = nullptr;
    QLineEdit *m_tokens = nullptr;
    QComboBox *m_sourceLanguage = nullptr;
    QTreeWidget *m_list = nullptr;
    // Line 3 as read when it records no language: written back unchanged while
    // the choice stays automatic.
    std::optional<std::string> m_otherLine3;
    std::vector<std::string> m_laterLines; // lines 4 and beyond

};
