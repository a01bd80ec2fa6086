#include "desktop.h"
#include "frmprinc.h"
#include "settingsstore.h"

#include <QApplication>
#include <QStringList>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Velmora Sardenne"));
    // The whole argument text is the master project path, taken as it is.
    QStringList words;
    for (int i = 1; i < argc; ++i)
        words << QString::fromLocal8Bit(argv[i]);
    QtDesktop desktop;
    QtSettingsStore settings;
    sardenne::FrmPrinc window(desktop, settings, QCoreApplication::applicationDirPath());
    window.start(words.join(QLatin1Char(' ')));
    return app.exec();
}
