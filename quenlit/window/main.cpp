#include "desktop.h"
#include "window/frmprinc.h"
#include "outils.h"
#include "placement.h"
#include "programicon.h"
#include "qttranslations.h"
#include "settingsstore.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    InstallQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("Velmora Quenlit"));
    QApplication::setWindowIcon(ProgramIcon(QStringLiteral("quenlit")));
    // The menu entry the desktop shows this window under (its icon and name).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.quenlit"));
    QtDesktop desktop;
    QtSettingsStore settings;
    quenlit::FrmPrinc window(desktop, settings);
    // The whole argument text is the path: not split at blanks, not unquoted.
    window.start(outils::CommandLineArgument(argc, argv));
    return app.exec();
}
