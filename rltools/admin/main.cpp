// RLAdmin.exe: the RLTools administrator, started with a master project's file
// name in the master project's folder.
#include "outils.h"
#include "placement.h"
#include "programicon.h"
#include "rladmin.h"

#include <QApplication>
#include <QMessageBox>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(ProgramIcon(QStringLiteral("rladmin")));
    // The whole argument text is the path, as bytes.
    const std::string master = outils::CommandLineArgument(argc, argv);
    RLAdmin window(
        master,
        [](QWidget *parent, const QString &question) {
            return QMessageBox::question(parent, QStringLiteral("RLAdmin"), question) == QMessageBox::Yes;
        },
        [](QWidget *parent, const QString &text) { QMessageBox::warning(parent, QStringLiteral("RLAdmin"), text); });
    if (master.empty()) {
        QMessageBox::warning(nullptr, QStringLiteral("RLAdmin"), QStringLiteral("usage : RLAdmin.exe PROJET.mpj"));
        return 2;
    }
    window.load();
    window.show();
    return app.exec();
}
