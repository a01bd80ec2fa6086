#pragma once

#include "desktop.h"

#include <QList>
#include <QSize>
#include <QStringList>

// A desktop that answers the windows' questions from lists set by the test and
// records what was asked.
class FakeDesktop : public Desktop
{
public:
    struct Start
    {
        QString program;
        QStringList arguments;
        QString folder;
    };

    QStringList errors;
    QList<SaveAnswer> saveAnswers; // taken from the front; Cancel when empty
    int saveQuestions = 0;
    QStringList fileAnswers; // taken from the front; empty = cancelled
    QStringList fileFilters;
    QString fileInitial;
    int fileDialogs = 0;
    QSize screen{1920, 1080};
    double dpi = 96;
    QList<Start> starts;
    bool startSucceeds = true;
    int endCalls = 0;

    void showError(QWidget *, const QString &text) override { errors << text; }
    SaveAnswer askSaveWork(QWidget *) override
    {
        ++saveQuestions;
        return saveAnswers.isEmpty() ? SaveAnswer::Cancel : saveAnswers.takeFirst();
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
    bool startProgram(const QString &program, const QStringList &arguments, const QString &folder) override
    {
        starts.append({program, arguments, folder});
        return startSucceeds;
    }
    void endProgram() override { ++endCalls; }
};
