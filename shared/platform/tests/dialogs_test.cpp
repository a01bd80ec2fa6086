#include "desktop.h"
#include "qttranslations.h"

#include "qtestfiles.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

// The standard dialogs as the programs show them.
class DialogsTest : public QObject
{
    Q_OBJECT

    // Runs `inspect` on the open-file dialog once it is shown, then cancels it.
    static QString chooseAndInspect(const QStringList &filters, const QString &initialFile,
                                    const std::function<void(QFileDialog *)> &inspect)
    {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            seen = true;
            inspect(dialog);
            dialog->reject();
        });
        QtDesktop desktop;
        const QString chosen = desktop.chooseFile(nullptr, filters, initialFile);
        if (!seen)
            QTest::qFail("no dialog was shown", __FILE__, __LINE__);
        return chosen;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(InstallQtTranslations(*QCoreApplication::instance(), QLocale(QLocale::French, QLocale::France)));
    }

    // "Tous les fichiers" shows alone, matches every file, and the dialog's own
    // texts speak the user's language.
    void openDialogInFrench()
    {
        QTemporaryDir dir;
        writeFile(dir.filePath(QStringLiteral("demo.mpj")), "demo.dll\r\n");
        writeFile(dir.filePath(QStringLiteral("README")), "no extension");
        writeFile(dir.filePath(QStringLiteral("notes.txt")), "");
        const QString chosen = chooseAndInspect(
            {QStringLiteral("Projet Master RLTools (*.mpj)|*.mpj"), QStringLiteral("Tous les fichiers|*")},
            dir.filePath(QStringLiteral("demo.mpj")), [&](QFileDialog *dialog) {
                auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                QVERIFY(types);
                QCOMPARE(types->count(), 2);
                QCOMPARE(types->itemText(0), QStringLiteral("Projet Master RLTools (*.mpj)"));
                QCOMPARE(types->itemText(1), QStringLiteral("Tous les fichiers"));
                QCOMPARE(types->currentIndex(), 0);
                QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("lookInLabel"))->text(),
                         QStringLiteral("Voir dans :"));
                QCOMPARE(dialog->findChild<QLabel *>(QStringLiteral("fileTypeLabel"))->text(),
                         QStringLiteral("Fichiers de type :"));
                const auto *buttons = dialog->findChild<QDialogButtonBox *>(QStringLiteral("buttonBox"));
                QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Annuler"));

                // Every file shows under "Tous les fichiers", a name without a dot too.
                QTest::keyClick(types, Qt::Key_Down);
                QCOMPARE(types->currentIndex(), 1);
                auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
                auto shownNames = [view] {
                    QStringList names;
                    const QModelIndex root = view->rootIndex();
                    for (int r = 0; r < view->model()->rowCount(root); ++r)
                        names << view->model()->index(r, 0, root).data().toString();
                    names.sort();
                    return names;
                };
                QTRY_COMPARE(shownNames(), (QStringList{QStringLiteral("README"), QStringLiteral("demo.mpj"),
                                                        QStringLiteral("notes.txt")}));
                QTest::keyClick(types, Qt::Key_Up);
                QTRY_COMPARE(shownNames(), QStringList{QStringLiteral("demo.mpj")});
            });
        QVERIFY(chosen.isEmpty()); // cancelled
    }

    // A filter given whole shows whole, patterns included.
    void filtersGivenWholeShowWhole()
    {
        chooseAndInspect({QStringLiteral("Projet RLTools (*.prj)"), QStringLiteral("Tous les fichiers (*)")}, QString(),
                         [](QFileDialog *dialog) {
                             auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                             QCOMPARE(types->itemText(0), QStringLiteral("Projet RLTools (*.prj)"));
                             QCOMPARE(types->itemText(1), QStringLiteral("Tous les fichiers (*)"));
                         });
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
