#pragma once

#include <QWidget>

#include "desktop.h"

#include <QList>
#include <QRect>
#include <QSize>
#include <QStringList>

// A desktop that answers the windows' questions from lists set by the test and
// records what was asked.
class FakeDesktop : public Desktop
{
public:
    struct Start
    {
        // As text (the system's encoding), and as the bytes passed.
        QString program;
        QStringList arguments;
        QString folder;
        std::string programBytes;
        std::vector<std::string> argumentBytes;
        std::string folderBytes;
    };

    QStringList errors;        // every error box, "Bad token !" ones included
    QList<bool> badTokenAnswers; // "don't show again" ticked; taken from the front, false when empty
    int badTokenQuestions = 0;
    int badTokenQuestionsUnshown = 0; // asked over a window not shown yet
    QList<SaveAnswer> saveAnswers; // taken from the front; Cancel when empty
    int saveQuestions = 0;
    QList<Question> questions; // every question asked, in order
    QList<int> answers;        // buttons chosen, taken from the front; the escape button when empty
    QStringList fileAnswers; // taken from the front; empty = cancelled
    QStringList fileFilters;
    QString fileInitial;
    int fileDialogs = 0;
    QSize screen{1920, 1080};
    QList<QRect> screens; // empty: one screen of the size above at 0, 0
    double dpi = 96;
    QList<Start> starts;
    bool startSucceeds = true;
    int endCalls = 0;

    void showError(QWidget *, const QString &text) override { errors << text; }
    bool showBadToken(QWidget *parent) override
    {
        ++badTokenQuestions;
        if (parent && !parent->isVisible())
            ++badTokenQuestionsUnshown;
        errors << QStringLiteral("Bad token !");
        return badTokenAnswers.isEmpty() ? false : badTokenAnswers.takeFirst();
    }
    SaveAnswer askSaveWork(QWidget *) override
    {
        ++saveQuestions;
        return saveAnswers.isEmpty() ? SaveAnswer::Cancel : saveAnswers.takeFirst();
    }
    int ask(QWidget *, const Question &question) override
    {
        questions << question;
        return answers.isEmpty() ? question.escapeButton : answers.takeFirst();
    }
    QString chooseFile(QWidget *, const QStringList &filters, const QString &initialFile) override
    {
        ++fileDialogs;
        fileFilters = filters;
        fileInitial = initialFile;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    QSize screenSize() const override { return screen; }
    double logicalDpi() const override { return dpi; }
    QList<QRect> screenGeometries() const override
    {
        return screens.isEmpty() ? QList<QRect>{QRect(QPoint(0, 0), screen)} : screens;
    }
    bool startProgram(const std::string &program, const std::vector<std::string> &arguments,
                      const std::string &folder) override
    {
        auto text = [](const std::string &bytes) {
            return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
        };
        QStringList words;
        for (const std::string &a : arguments)
            words << text(a);
        starts.append({text(program), words, text(folder), program, arguments, folder});
        return startSucceeds;
    }
    void endProgram() override { ++endCalls; }
};
