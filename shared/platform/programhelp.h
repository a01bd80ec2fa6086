#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class Desktop;
class QAction;
class QMenu;
class QMenuBar;
class QTextBrowser;
class QWidget;

// A program's help: the translator's guide, read from its installed copy and
// shown in a window of the program (F1), and a few words about the program.
// A program with a menu bar gets a "&Help" menu after its others; one without
// gets F1 alone, on its window.
class ProgramHelp : public QObject
{
    Q_OBJECT

public:
    // `guidePath`: the guide's Markdown file; pictures it names lie beside it.
    // `program`: the name the program is known by ("quenlit"). Nothing is owned.
    ProgramHelp(QWidget &window, Desktop &desktop, const QString &guidePath, const QString &program,
                QObject *parent = nullptr);

    // "&Help": "Translator's guide" (F1) and "About <program>".
    QMenu *addMenu(QMenuBar &bar);
    QAction *guideAction() const { return m_guide; }

    void showGuide();
    void showAbout();
    // The guide's window once shown, else null (for tests).
    QWidget *guideWindow() const;
    QTextBrowser *guideView() const;

    // The guide beside the programs: installed, in share/doc/tamrix/ of their
    // prefix; built, at the same place in the build folder.
    static QString InstalledGuide(const QString &programFolder);

private:
    QWidget &m_owner;
    Desktop &m_desktop;
    QString m_path;
    QString m_program;
    QAction *m_guide = nullptr;
    QPointer<QWidget> m_window;
    QPointer<QTextBrowser> m_view;
};
