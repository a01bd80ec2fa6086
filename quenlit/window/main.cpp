#include "desktop.h"
#include "frmprinc.h"
#include "settingsstore.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora Quenlit"));
    // The whole argument text is the project path: not split at blanks, not unquoted.
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    QtDesktop desktop;
    QtSettingsStore settings;
    quenlit::FrmPrinc window(desktop, settings);
    window.start(words.join(QLatin1Char(' ')));
    return app.exec();
}
