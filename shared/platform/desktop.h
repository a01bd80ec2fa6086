#pragma once

#include <QList>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <string>
#include <vector>

class QWidget;

// What the windows ask of the desktop: message boxes, the open-file dialog, the
// screen's size, starting programs and ending the program. Production uses Qt's;
// tests answer the questions themselves.
class Desktop
{
public:
    enum class SaveAnswer
    {
        Yes,
        No,
        Cancel
    };

    // A question with buttons of its own: the buttons' texts (with their "&"
    // letters) from left to right, the one Enter presses, the one closing the box
    // answers, and details the user can unfold (long lists).
    struct Question
    {
        enum class Icon
        {
            None,
            Information,
            Warning,
            Question
        };
        QString title;
        QString text;
        QString details;
        QStringList buttons;
        int defaultButton = 0;
        int escapeButton = 0;
        Icon icon = Icon::Question;
    };

    virtual ~Desktop() = default;

    // A message box with the title "Error", a warning icon and one OK button.
    virtual void showError(QWidget *parent, const QString &text) = 0;
    // "Bad token !" as an error box, with a check box "Don't show this again for
    // this file". True when the user ticked it.
    virtual bool showBadToken(QWidget *parent) = 0;
    // "Do you want to save your work ?" titled "Save your work ?", Yes/No/Cancel,
    // no icon, Yes the default. Closing the box answers Cancel.
    virtual SaveAnswer askSaveWork(QWidget *parent) = 0;
    // Shows the question and returns the index of the button chosen.
    virtual int ask(QWidget *parent, const Question &question) = 0;
    // The open-file dialog; the first filter is in force. A filter is either
    // "Description|patterns", which shows the description alone ("Tous les
    // fichiers|*"), or "Description (patterns)", shown whole. An empty string
    // when it was cancelled.
    virtual QString chooseFile(QWidget *parent, const QStringList &filters, const QString &initialFile) = 0;
    // Size of the screen the windows open on, in pixels, and its logical DPI.
    virtual QSize screenSize() const = 0;
    virtual double logicalDpi() const = 0;
    // Where each screen lies on the virtual desktop, in pixels.
    virtual QList<QRect> screenGeometries() const = 0;
    // Starts a program without waiting for it; false when it could not be started.
    // The program, its arguments and the folder are passed as the bytes given.
    virtual bool startProgram(const std::string &program, const std::vector<std::string> &arguments,
                              const std::string &workingFolder) = 0;
    // Ends the program: no further event is handled.
    virtual void endProgram() = 0;
};

class QtDesktop : public Desktop
{
public:
    void showError(QWidget *parent, const QString &text) override;
    bool showBadToken(QWidget *parent) override;
    SaveAnswer askSaveWork(QWidget *parent) override;
    int ask(QWidget *parent, const Question &question) override;
    QString chooseFile(QWidget *parent, const QStringList &filters, const QString &initialFile) override;
    QSize screenSize() const override;
    double logicalDpi() const override;
    QList<QRect> screenGeometries() const override;
    bool startProgram(const std::string &program, const std::vector<std::string> &arguments,
                      const std::string &workingFolder) override;
    void endProgram() override;
};
