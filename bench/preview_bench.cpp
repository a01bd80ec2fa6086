// The preview of the editor: selecting a token of a dialog of 100 controls, with
// the preview shown (the dialog laid out with the project's texts, measured and
// painted) and, for the figure before, hidden; a keystroke in the translation
// box with the preview following; and the first paint of the list when the
// source file is large (Wine's shell32 and mshtml: give their paths in
// TAMRIX_BENCH_SOURCES, separated by ":"), which the reading in the background
// must not delay. The machine is shared: each figure is the best of its runs.
#include "fakedesktop.h"
#include "window/frmprinc.h"
#include "store/projectopen.h"
#include "window/preview/resourcepreviewer.h"
#include "window/preview/resourcepreviewwidget.h"
#include "settingsstore.h"
#include "sourceresources.h"
#include "window/tokenlistmodel.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QAbstractItemView>
#include <QTreeView>

#include <algorithm>
#include <cstdlib>

namespace {

// The 100 controls of dialog 100 in bench100.rc: 25 rows of a static text, a
// check box, a button and an edit box.
struct Project
{
    QTemporaryDir dir;
    QString prj;
    explicit Project(const QString &source)
    {
        auto write = [&](const QString &name, const QByteArray &bytes) {
            QFile f(dir.filePath(name));
            f.open(QIODevice::WriteOnly);
            f.write(bytes);
        };
        QByteArray master;
        QByteArray project;
        for (int i = 0; i < 100; ++i) {
            const QByteArray key = "[[5|100|" + QByteArray::number(1000 + i) + "|" + QByteArray::number(i + 1) + "|";
            master += key + "1|]]=Control number " + QByteArray::number(i) + "\r\n";
            project += key + "4|]]=Contr\xf4le num\xe9ro " + QByteArray::number(i) + " un peu long\r\n";
        }
        write(QStringLiteral("b.prj"), "b.mpj\r\nfr.tok\r\n\r\n\r\n\r\nLANGUAGE 12 1\r\nfr.dll\r\n");
        write(QStringLiteral("b.mpj"), QFile::encodeName(source) + "\r\nb.tok\r\n");
        write(QStringLiteral("b.tok"), master);
        write(QStringLiteral("fr.tok"), project);
        prj = dir.filePath(QStringLiteral("b.prj"));
    }
};

struct Window
{
    FakeDesktop desktop;
    QTemporaryDir settingsDir;
    QtSettingsStore settings{settingsDir.filePath(QStringLiteral("s.ini"))};
    quenlit::FrmPrinc window{desktop, settings};
};

double best(const std::vector<double> &times)
{
    return times.empty() ? 0 : *std::min_element(times.begin(), times.end());
}

// Selecting one token after another, the pane and (when shown) the preview
// drawn each time.
void selectTokens(benchmark::State &state, bool previewShown)
{
    Project p(QStringLiteral(BENCH100_RES));
    Window w;
    w.window.show();
    w.window.preview()->dock()->setVisible(previewShown);
    w.window.OpenProject(p.prj);
    w.window.preview()->loader().waitForLoaded(30000);
    std::size_t item = 0;
    std::vector<double> times;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        w.window.view().selectListItem(item);
        w.window.preview()->view()->repaint();
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        item = (item + 37) % 100;
    }
    const auto *dialog = w.window.preview()->view()->dialog();
    state.counters["controls"] = dialog ? static_cast<double>(dialog->controls.size()) : 0;
    state.counters["best_ms"] = best(times);
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times.empty() ? 0 : times[times.size() / 2];
    state.counters["limit_ms"] = 30;
}

void BM_SelectToken_PreviewHidden(benchmark::State &state)
{
    selectTokens(state, false);
}

void BM_SelectToken_PreviewOfDialog100(benchmark::State &state)
{
    selectTokens(state, true);
}

// A keystroke in the translation box: the preview shows the text not yet stored.
void BM_Keystroke_PreviewOfDialog100(benchmark::State &state)
{
    Project p(QStringLiteral(BENCH100_RES));
    Window w;
    w.window.show();
    w.window.preview()->dock()->setVisible(true);
    w.window.OpenProject(p.prj);
    w.window.preview()->loader().waitForLoaded(30000);
    w.window.view().selectListItem(50);
    QLineEdit *box = w.window.view().translationBox();
    box->setFocus();
    std::vector<double> times;
    int n = 0;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        QTest::keyClick(box, (++n % 20) ? Qt::Key_A : Qt::Key_Backspace);
        w.window.preview()->view()->repaint();
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    state.counters["best_ms"] = best(times);
    state.counters["limit_ms"] = 30;
}

// The source files of the environment, or none.
QStringList sources()
{
    const char *list = std::getenv("TAMRIX_BENCH_SOURCES");
    return list ? QString::fromLocal8Bit(list).split(QLatin1Char(':'), Qt::SkipEmptyParts) : QStringList();
}

// Reading a source file's dialogs and menus, as the background does it.
void BM_ReadSource(benchmark::State &state)
{
    const QStringList files = sources();
    if (state.range(0) >= files.size()) {
        state.SkipWithError("TAMRIX_BENCH_SOURCES names no such file");
        return;
    }
    const std::string path = QFile::encodeName(files[static_cast<int>(state.range(0))]).toStdString();
    std::vector<double> times;
    SourceResources r;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        r = SourceResources::Read(path);
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    state.SetLabel(files[static_cast<int>(state.range(0))].section(QLatin1Char('/'), -1).toStdString());
    state.counters["dialogs"] = static_cast<double>(r.dialogCount());
    state.counters["menus"] = static_cast<double>(r.menuCount());
    state.counters["best_ms"] = best(times);
}

// Opening the project to the first paint of the list, the preview shown: with a
// source file that cannot be read (the figure before) and with a large one
// (after). The reading runs while the list paints.
void BM_OpenToFirstPaint(benchmark::State &state)
{
    const QStringList files = sources();
    const bool large = state.range(0) > 0;
    if (large && files.isEmpty()) {
        state.SkipWithError("TAMRIX_BENCH_SOURCES is not set");
        return;
    }
    Project p(large ? files.front() : QStringLiteral("/nonexistent.dll"));
    Window w;
    w.window.show();
    w.window.preview()->dock()->setVisible(true);
    auto *list = w.window.findChild<QAbstractItemView *>(QStringLiteral("lvTok"));
    std::vector<double> times;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        w.window.OpenProject(p.prj);
        list->viewport()->repaint();
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
        state.PauseTiming();
        w.window.preview()->loader().waitForLoaded(60000);
        state.ResumeTiming();
    }
    state.SetLabel(large ? files.front().section(QLatin1Char('/'), -1).toStdString() : "no source file");
    state.counters["best_ms"] = best(times);
}

// The reading of the project alone, as the opening does it before the list is
// shown (the code page of the master tokens is taken from the source file there):
// what the first paint costs whatever the preview does.
void BM_ReadProjectOnly(benchmark::State &state)
{
    const QStringList files = sources();
    const bool large = state.range(0) > 0;
    if (large && files.isEmpty()) {
        state.SkipWithError("TAMRIX_BENCH_SOURCES is not set");
        return;
    }
    Project p(large ? files.front() : QStringLiteral("/nonexistent.dll"));
    std::vector<double> times;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        const ProjectData data = ReadProject(QFile::encodeName(p.prj).toStdString());
        benchmark::DoNotOptimize(data.project.tokenCount());
        times.push_back(static_cast<double>(t.nsecsElapsed()) / 1e6);
    }
    state.SetLabel(large ? files.front().section(QLatin1Char('/'), -1).toStdString() : "no source file");
    state.counters["best_ms"] = best(times);
}

} // namespace

BENCHMARK(BM_SelectToken_PreviewHidden)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_SelectToken_PreviewOfDialog100)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_Keystroke_PreviewOfDialog100)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_ReadSource)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenToFirstPaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ReadProjectOnly)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
