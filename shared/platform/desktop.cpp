#include "desktop.h"

#include "systemfiles.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

void QtDesktop::showError(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"), text, QMessageBox::Ok, parent);
    box.exec();
}

bool QtDesktop::showBadToken(QWidget *parent)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Error"), QStringLiteral("Bad token !"), QMessageBox::Ok,
                    parent);
    auto *stop = new QCheckBox(QStringLiteral("Don't show this again for this file"), &box);
    box.setCheckBox(stop);
    box.exec();
    return stop->isChecked();
}

Desktop::SaveAnswer QtDesktop::askSaveWork(QWidget *parent)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Save your work ?"),
                    QStringLiteral("Do you want to save your work ?"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Yes);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return SaveAnswer::Yes;
    case QMessageBox::No:
        return SaveAnswer::No;
    default:
        return SaveAnswer::Cancel;
    }
}

int QtDesktop::ask(QWidget *parent, const Question &question)
{
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (question.icon) {
    case Question::Icon::None:
        break;
    case Question::Icon::Information:
        icon = QMessageBox::Information;
        break;
    case Question::Icon::Warning:
        icon = QMessageBox::Warning;
        break;
    case Question::Icon::Question:
        icon = QMessageBox::Question;
        break;
    }
    QMessageBox box(icon, question.title, question.text, QMessageBox::NoButton, parent);
    QList<QAbstractButton *> buttons;
    for (const QString &text : question.buttons)
        buttons << box.addButton(text, QMessageBox::ActionRole);
    if (question.defaultButton >= 0 && question.defaultButton < buttons.size())
        box.setDefaultButton(static_cast<QPushButton *>(buttons[question.defaultButton]));
    if (question.escapeButton >= 0 && question.escapeButton < buttons.size())
        box.setEscapeButton(buttons[question.escapeButton]);
    if (!question.details.isEmpty())
        box.setDetailedText(question.details);
    box.exec();
    const int chosen = static_cast<int>(buttons.indexOf(box.clickedButton()));
    return chosen >= 0 ? chosen : question.escapeButton;
}

QString QtDesktop::chooseFile(QWidget *parent, const QStringList &filters, const QString &initialFile)
{
    // Each entry shows exactly its description; Qt would add the patterns.
    QStringList shown;
    static const QRegularExpression trailingPatterns(QStringLiteral("\\(([^()]*)\\)\\s*$"));
    for (const QString &filter : filters) {
        const qsizetype bar = filter.indexOf(QLatin1Char('|'));
        if (bar >= 0) {
            shown << filter.left(bar) + QStringLiteral(" (") + filter.mid(bar + 1) + QLatin1Char(')');
        } else {
            const QRegularExpressionMatch m = trailingPatterns.match(filter);
            shown << (m.hasMatch() ? filter + QStringLiteral(" (") + m.captured(1) + QLatin1Char(')') : filter);
        }
    }
    QFileDialog dialog(parent);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);
    dialog.setNameFilters(shown);
    if (!shown.isEmpty())
        dialog.selectNameFilter(shown.front());
    if (!initialFile.isEmpty())
        dialog.selectFile(initialFile);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().front();
}

QSize QtDesktop::screenSize() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->size() : QSize(1024, 768);
}

double QtDesktop::logicalDpi() const
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    const double dpi = screen ? screen->logicalDotsPerInchX() : 96.0;
    return dpi > 0 ? dpi : 96.0;
}

QList<QRect> QtDesktop::screenGeometries() const
{
    QList<QRect> geometries;
    for (const QScreen *screen : QGuiApplication::screens())
        geometries << screen->geometry();
    if (geometries.isEmpty())
        geometries << QRect(QPoint(0, 0), screenSize());
    return geometries;
}

bool QtDesktop::startProgram(const std::string &program, const std::vector<std::string> &arguments,
                             const std::string &workingFolder)
{
#ifdef Q_OS_WIN
    auto text = [](const std::string &bytes) {
        return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
    };
    QStringList words;
    for (const std::string &a : arguments)
        words << text(a);
    // The command text is the program, a blank and the arguments as they are:
    // nothing is quoted, as the programs started this way expect.
    QProcess process;
    process.setProgram(text(program));
    process.setNativeArguments(words.join(QLatin1Char(' ')));
    process.setWorkingDirectory(text(workingFolder));
    process.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments *args) {
        args->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        args->startupInfo->wShowWindow = SW_SHOWMINIMIZED;
    });
    return process.startDetached();
#else
    // Not through QString: names that are not valid in the system's encoding would not survive it.
    return StartDetachedProgram(program, arguments, workingFolder);
#endif
}

void QtDesktop::endProgram()
{
    QCoreApplication::exit(0);
}
