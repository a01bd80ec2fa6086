#include "desktop.h"
#include "window/frmprinc.h"
#include "window/openingahead.h"
#include "outils.h"
#include "placement.h"
#include "programicon.h"
#include "qttranslations.h"
#include "settingsstore.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    // The whole argument text is the path: not split at blanks, not unquoted.
    // The project it names is read while the window system and the window start.
    const std::string early = outils::CommandLineArgument(argc, argv);
    quenlit::OpeningAhead ahead(early);
    QApplication app(argc, argv);
    InstallQtTranslations(app);
    QApplication::setApplicationName(QStringLiteral("Velmora Quenlit"));
    QApplication::setWindowIcon(ProgramIcon(QStringLiteral("quenlit")));
    // The menu entry the desktop shows this window under (its icon and name).
    QGuiApplication::setDesktopFileName(QStringLiteral("org.velmora.quenlit"));
    QtDesktop desktop;
    QtSettingsStore settings;
    quenlit::FrmPrinc window(desktop, settings);
    // Options of the window system's own (-style, say) are not the path: the
    // reading begun with them is dropped.
    const std::string commandLine = outils::CommandLineArgument(argc, argv);
    if (commandLine != early)
        ahead.drop();
    window.start(commandLine, &ahead);
    return app.exec();
}
