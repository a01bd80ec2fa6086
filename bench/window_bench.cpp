// The token editor on a million-token project: opening both files and listing
// "All tokens", a filter change, and painting the first screenful of the list.
#include "fakedesktop.h"
#include "frmprinc.h"
#include "settingsstore.h"
#include "tokengen.h"
#include "tokenlistmodel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeView>

namespace {

struct Project
{
    QTemporaryDir dir;
    QString prj;
    Project()
    {
        auto write = [&](const QString &name, const std::string &bytes) {
            QFile f(dir.filePath(name));
            f.open(QIODevice::WriteOnly);
            f.write(bytes.data(), static_cast<qint64>(bytes.size()));
        };
        write(QStringLiteral("big.prj"), "big.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n");
        write(QStringLiteral("big.mpj"), "big.dll\r\nbig.tok\r\n");
        write(QStringLiteral("big.tok"), GenerateTokenFile(1000000, false));
        write(QStringLiteral("fr.tok"), GenerateTokenFile(1000000, true));
        prj = dir.filePath(QStringLiteral("big.prj"));
    }
};

Project &project()
{
    static Project p;
    return p;
}

struct Window
{
    FakeDesktop desktop;
    QTemporaryDir settingsDir;
    QtSettingsStore settings{settingsDir.filePath(QStringLiteral("s.ini"))};
    quenlit::FrmPrinc window{desktop, settings};
};

void BM_OpenAndListAll(benchmark::State &state)
{
    Project &p = project();
    Window w;
    w.window.show();
    for (auto _ : state) {
        w.window.OpenProject(p.prj);
        benchmark::DoNotOptimize(w.window.tokenList()->rowCount());
    }
    state.counters["listed"] = w.window.tokenList()->rowCount();
}

// "Show read-only tokens" rebuilds the list under the current filter.
void BM_FilterChange(benchmark::State &state)
{
    Project &p = project();
    Window w;
    w.window.show();
    w.window.OpenProject(p.prj);
    for (auto _ : state) {
        w.window.mnuShowROT_Click();
        benchmark::DoNotOptimize(w.window.tokenList()->rowCount());
    }
}

void BM_FirstScreenful(benchmark::State &state)
{
    Project &p = project();
    Window w;
    w.window.show();
    w.window.OpenProject(p.prj);
    auto *list = w.window.findChild<QTreeView *>(QStringLiteral("lvTok"));
    for (auto _ : state) {
        list->viewport()->update();
        benchmark::DoNotOptimize(list->viewport()->grab());
    }
}

BENCHMARK(BM_OpenAndListAll)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FilterChange)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FirstScreenful)->Unit(benchmark::kMillisecond);

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
