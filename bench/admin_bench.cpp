// The administrator with hostile field lengths: opening a master folder whose
// language project has a huge line 2, and a job whose fields are megabytes long
// (the progress line in the pane, the command echoed in the console); and a
// master folder of thousands of language projects.
#include "consolewindow.h"
#include "displaytext.h"
#include "fakedesktop.h"
#include "frmprinc.h"
#include "settingsstore.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>

namespace {

void writeBytes(const QString &path, const std::string &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

struct Window
{
    FakeDesktop desktop;
    QTemporaryDir settingsDir;
    QtSettingsStore settings{settingsDir.filePath(QStringLiteral("s.ini"))};
    sardenne::FrmPrinc window{desktop, settings, QString()};
};

// A .prj whose token file line is state.range(0) bytes long: open, then paint.
void BM_OpenWithHugeProjectLine(benchmark::State &state)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath(QStringLiteral("demo.mpj")), "demo.dll\r\ndemo.tok\r\n");
    const std::string huge(static_cast<std::size_t>(state.range(0)), 'a');
    writeBytes(dir.filePath(QStringLiteral("fr.prj")),
               "demo.mpj\r\n" + huge + ".tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n" + huge + ".dll\r\n");
    Window w;
    w.window.show();
    for (auto _ : state) {
        w.window.OpenMasterProject(dir.filePath(QStringLiteral("demo.mpj")));
        benchmark::DoNotOptimize(w.window.grab());
    }
}

// The export job's progress line for a target file of state.range(0) bytes, then a paint.
void BM_PrintLongLine(benchmark::State &state)
{
    Window w;
    w.window.show();
    const PaneText line = PaneText("     - Exporatation des tokens vers  ")
                              .value(std::string(static_cast<std::size_t>(state.range(0)), 'x'));
    for (auto _ : state) {
        w.window.PrintOutput(PaneLineText(line));
        benchmark::DoNotOptimize(w.window.grab());
    }
}

// The console receiving a command echo of state.range(0) bytes, in pipe-sized chunks, then a paint.
void BM_ConsoleLongCommand(benchmark::State &state)
{
    ConsoleWindow console;
    console.show();
    const QByteArray echo = "C:\\RLTools\\rlman -n 12 1 -r demo.dll " +
                            QByteArray(static_cast<qsizetype>(state.range(0)), 'x') + "\n";
    for (auto _ : state) {
        for (qsizetype at = 0; at < echo.size(); at += 65536)
            console.appendOutput(echo.mid(at, 65536));
        benchmark::DoNotOptimize(console.grab());
    }
}

// A master folder of state.range(0) language projects, each with its token
// file (named in lower case, listed in upper case): the first opening in a new
// window, then a paint.
void BM_OpenThousandsOfProjects(benchmark::State &state)
{
    QTemporaryDir dir;
    writeBytes(dir.filePath(QStringLiteral("demo.mpj")), "demo.dll\r\ndemo.tok\r\n");
    for (int i = 0; i < state.range(0); ++i) {
        const std::string name = "lang" + std::to_string(i);
        writeBytes(dir.filePath(QString::fromStdString(name + ".prj")),
                   "demo.mpj\r\n" + name + ".tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\n" + name + "\\demo.dll\r\n");
        writeBytes(dir.filePath(QString::fromStdString(name + ".tok")), "[[4|1|0|0|1|]]=&File\r\n");
    }
    for (auto _ : state) {
        Window w;
        w.window.show();
        w.window.OpenMasterProject(dir.filePath(QStringLiteral("demo.mpj")));
        benchmark::DoNotOptimize(w.window.grab());
    }
}

BENCHMARK(BM_OpenThousandsOfProjects)
    ->Arg(300)
    ->Arg(3000)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime()
    ->UseRealTime();
BENCHMARK(BM_OpenWithHugeProjectLine)->Arg(1 << 20)->Arg(10 << 20)->Arg(100 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrintLongLine)->Arg(100 << 10)->Arg(2 << 20)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ConsoleLongCommand)->Arg(100 << 10)->Arg(2 << 20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
