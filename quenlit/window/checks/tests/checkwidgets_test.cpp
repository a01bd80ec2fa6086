#include "window/checks/checkcolumn.h"
#include "window/checks/checkpane.h"
#include "window/checks/checkrunner.h"
#include "codepage.h"
#include "window/checks/fillpreview.h"
#include "tokenio.h"

#include <QAbstractItemModelTester>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTreeView>

using namespace quenlit;

namespace {

std::string manyTokens(std::size_t count, bool translated)
{
    std::string out;
    for (std::size_t i = 1; i <= count; ++i) {
        out += "[[5|" + std::to_string(i / 50) + "|" + std::to_string(i) + "|" + std::to_string(i % 50 + 1) + "|";
        out += translated ? "4" : "1";
        out += "|]]=";
        // Every seventh translation loses its access key.
        out += translated ? (i % 7 ? "&Traduit" : "Traduit") : "&Original";
        out += "\r\n";
    }
    return out;
}

QString latin1(std::string_view bytes)
{
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

} // namespace

class CheckWidgetsTest : public QObject
{
    Q_OBJECT

private slots:
    // The work is done in slices from the event loop, and told as it goes.
    void runnerWorksInSlices()
    {
        TokenTable master, project;
        LoadTokens(manyTokens(20000, false), master);
        LoadTokens(manyTokens(20000, true), project);
        CheckRunner runner;
        runner.setSliceTime(1);
        QSignalSpy checked(&runner, &CheckRunner::rowsChecked);
        QSignalSpy finished(&runner, &CheckRunner::checksFinished);
        QSignalSpy ready(&runner, &CheckRunner::suggestionsFinished);
        runner.start(&master, &project, CodePage::windows1252(), CodePage::windows1252());
        // Nothing happens before the event loop runs.
        QCOMPARE(checked.count(), 0);
        QVERIFY(runner.running());
        QVERIFY(finished.wait(10000));
        QVERIFY(checked.count() > 2);
        QCOMPARE(runner.checks().counts().errors, std::size_t(20000 / 7));
        QVERIFY(ready.wait(10000) || runner.suggestionsReady());
        QVERIFY(!runner.running());
    }

    // While the user waits for other work, no slice runs; then the checks go on.
    void runnerYieldsToTheUsersWork()
    {
        TokenTable master, project;
        LoadTokens(manyTokens(20000, false), master);
        LoadTokens(manyTokens(20000, true), project);
        CheckRunner runner;
        runner.setSliceTime(1);
        bool userWaits = true;
        runner.setYieldWhile([&userWaits] { return userWaits; });
        QSignalSpy checked(&runner, &CheckRunner::rowsChecked);
        QSignalSpy finished(&runner, &CheckRunner::checksFinished);
        runner.start(&master, &project, CodePage::windows1252(), CodePage::windows1252());
        QElapsedTimer waiting;
        waiting.start();
        while (waiting.elapsed() < 100)
            QCoreApplication::processEvents();
        QCOMPARE(checked.count(), 0);
        QVERIFY(runner.running());
        userWaits = false;
        QVERIFY(finished.wait(10000));
        QCOMPARE(runner.checks().counts().errors, std::size_t(20000 / 7));
    }

    // The index's sort runs on a thread of its own while the event loop goes on;
    // a stop then waits for it and drops everything, and a new start builds anew.
    void runnerStopsWhileTheIndexIsSorted()
    {
        TokenTable master, project;
        LoadTokens(manyTokens(20000, false), master);
        LoadTokens(manyTokens(20000, true), project);
        CheckRunner runner;
        runner.start(&master, &project, CodePage::windows1252(), CodePage::windows1252());
        // A turn of the event loop at a time: the sort is looked at 10 ms after it began at the earliest.
        auto untilSorting = [&runner] {
            while (runner.running() && !runner.sorting())
                QCoreApplication::processEvents();
            return runner.sorting();
        };
        QVERIFY(untilSorting());
        QVERIFY(!runner.suggestionsReady());
        QVERIFY(runner.suggestions().suggestionsFor(1).empty());
        runner.stop();
        QVERIFY(!runner.running());
        QVERIFY(!runner.suggestionsReady());
        // Sorted through to the end, as the fill asks for it.
        TokenTable untranslated; // one token translated: the others have its text to take
        LoadTokens(manyTokens(20000, false), untranslated);
        untranslated.setCell(3, ColStatus, "4");
        runner.start(&master, &untranslated, CodePage::windows1252(), CodePage::windows1252());
        QVERIFY(untilSorting());
        runner.finishNow();
        QVERIFY(runner.suggestionsReady());
        QVERIFY(!runner.running());
        QCOMPARE(runner.suggestions().suggestionsFor(1).size(), std::size_t(1));
    }

    void runnerFollowsEdits()
    {
        TokenTable master, project;
        LoadTokens(manyTokens(20, false), master);
        LoadTokens(manyTokens(20, true), project);
        CheckRunner runner;
        runner.start(&master, &project, CodePage::windows1252(), CodePage::windows1252());
        runner.finishNow();
        QVERIFY(runner.checksDone());
        QCOMPARE(runner.checks().fired(7), MaskOf(CheckId::Accelerator));
        QSignalSpy rechecked(&runner, &CheckRunner::rowsRechecked);
        project.setCell(7, ColText, "&Traduit");
        runner.rowChanged(7);
        QCOMPARE(rechecked.count(), 1);
        QCOMPARE(runner.checks().fired(7), CheckMask(0));
        // Stopped: no more work, nothing kept.
        runner.stop();
        QCOMPARE(runner.checks().rowCount(), std::size_t(0));
        runner.rowChanged(7);
        QCOMPARE(rechecked.count(), 1);
    }

    void columnShowsIdsIconAndMessages()
    {
        TokenTable master, project;
        LoadTokens("[[6|1|1|0|1|]]=&Open:\r\n[[6|1|2|1|1|]]=Ready\r\n", master);
        LoadTokens("[[6|1|1|0|4|]]=Ouvrir\r\n[[6|1|2|1|4|]]=Ready\r\n", project);
        ProjectChecks checks;
        checks.reset(&master, &project, CodePage::windows1252(), CodePage::windows1252());
        CheckColumn column;
        checks.run();
        QVERIFY(!column.data(1, Qt::DisplayRole).isValid());
        column.setChecks(&checks);
        QCOMPARE(column.data(1, Qt::DisplayRole).toString(), QStringLiteral("accelerator, punctuation"));
        QCOMPARE(column.data(1, Qt::ToolTipRole).toString(),
                 QStringLiteral("error: [accelerator] the original has one access key (\"O\"), the translation "
                                "none\nwarning: [punctuation] the original ends with \":\", the translation does not"));
        QVERIFY(!column.data(1, Qt::DecorationRole).value<QIcon>().isNull());
        QCOMPARE(column.data(2, Qt::DisplayRole).toString(), QStringLiteral("unchanged"));
        QCOMPARE(WorstLevel(MaskOf(CheckId::Unchanged)), CheckLevel::Info);
        QCOMPARE(WorstLevel(MaskOf(CheckId::Unchanged) | MaskOf(CheckId::Length)), CheckLevel::Warning);
        QVERIFY(!WorstLevel(0));
    }

    void paneLineIsCutAndTellsAllInItsTooltip()
    {
        CheckPane pane;
        pane.resize(2000, 20);
        pane.show();
        pane.showToken({QStringLiteral("error: [accelerator] lost")}, {QStringLiteral("&Ouvrir"), QStringLiteral("O&uvrir")});
        QCOMPARE(pane.text(), QStringLiteral("error: [accelerator] lost  \u00B7  Suggestion: &Ouvrir (Ctrl+1)   "
                                             "O&uvrir (Ctrl+2)"));
        QCOMPARE(pane.toolTip(),
                 QStringLiteral("error: [accelerator] lost\nCtrl+1: &Ouvrir\nCtrl+2: O&uvrir"));
        pane.resize(60, 20);
        QVERIFY(pane.text().size() < pane.fullText().size());
        QVERIFY(pane.text().endsWith(QChar(0x2026)));
        pane.clearToken();
        QVERIFY(pane.text().isEmpty());
        QVERIFY(pane.toolTip().isEmpty());
    }

    // Space unchecks the current row; "&Fill" takes only the rows left checked,
    // and is disabled when none is.
    void fillPreviewWithRealKeys()
    {
        std::vector<FillChange> changes = {{3, "&Ouvrir", true}, {5, "&Ouvrir...", false}, {8, "Fermer", true}};
        FillPreviewDialog dialog(
            changes, [](std::size_t row) -> QString { return QStringLiteral("row ") + QString::number(row); }, latin1);
        QAbstractItemModelTester tester(dialog.model());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        auto *count = dialog.findChild<QLabel *>(QStringLiteral("lbFillCount"));
        auto *fill = dialog.findChild<QPushButton *>(QStringLiteral("btFill"));
        QCOMPARE(count->text(), QStringLiteral("3 of 3 tokens will be filled."));
        QTRY_VERIFY(dialog.view()->hasFocus());
        QCOMPARE(dialog.model()->data(dialog.model()->index(1, 2)).toString(), QStringLiteral("similar text"));
        QTest::keyClick(dialog.view(), Qt::Key_Down);
        QTest::keyClick(dialog.view(), Qt::Key_Space);
        QCOMPARE(count->text(), QStringLiteral("2 of 3 tokens will be filled."));
        const auto chosen = dialog.chosen();
        QCOMPARE(chosen.size(), std::size_t(2));
        QCOMPARE(chosen[0].row, std::size_t(3));
        QCOMPARE(chosen[1].row, std::size_t(8));
        // All unchecked: nothing to fill.
        QTest::keyClick(dialog.view(), Qt::Key_Up);
        QTest::keyClick(dialog.view(), Qt::Key_Space);
        QTest::keyClick(dialog.view(), Qt::Key_End);
        QTest::keyClick(dialog.view(), Qt::Key_Space);
        QVERIFY(!fill->isEnabled());
        QTest::keyClick(dialog.view(), Qt::Key_Space);
        QVERIFY(fill->isEnabled());
        QTest::keyClick(dialog.view(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.chosen().size(), std::size_t(1));
        QCOMPARE(dialog.chosen()[0].text, std::string("Fermer"));
    }
};

QTEST_MAIN(CheckWidgetsTest)
#include "checkwidgets_test.moc"
