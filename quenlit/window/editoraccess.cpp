#include "window/editoraccess.h"

#include "accessnames.h"

#include <QAbstractButton>
#include <QDockWidget>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QStatusBar>
#include <QTableView>
#include <QToolButton>
#include <QTreeWidget>

namespace quenlit {

namespace {

template <typename T> T *find(QMainWindow &window, const char *name)
{
    return window.findChild<T *>(QString::fromLatin1(name));
}

// The label whose property "index" is `index` among those named `name`.
QLabel *indexedLabel(QMainWindow &window, const char *name, int index)
{
    for (QLabel *label : window.findChildren<QLabel *>(QString::fromLatin1(name))) {
        if (label->property("index").toInt() == index)
            return label;
    }
    return nullptr;
}

// The label of a bar that is tied to nothing yet and says `text`.
QLabel *barLabel(QWidget *bar, const QString &text)
{
    if (!bar)
        return nullptr;
    for (QLabel *label : bar->findChildren<QLabel *>()) {
        if (label->text() == text)
            return label;
    }
    return nullptr;
}

} // namespace

void SetUpEditorAccess(QMainWindow &window)
{
    using AccessNames::Name;
    auto *original = find<QLineEdit>(window, "txtOrgTok");
    auto *translation = find<QLineEdit>(window, "txtTransTok");
    Name(original, QStringLiteral("Original token"), indexedLabel(window, "lbInfo", 0));
    Name(translation, QStringLiteral("Translated token"), indexedLabel(window, "lbInfo", 1));

    auto *tree = find<QTreeWidget>(window, "tvTyp");
    Name(tree, QStringLiteral("Filter"));
    // The tree's one column is read by its header's text, even hidden.
    if (tree)
        tree->setHeaderLabel(QStringLiteral("Filter"));
    auto *list = find<QTableView>(window, "lvTok");
    Name(list, QStringLiteral("Tokens"));
    if (list)
        list->horizontalHeader()->setAccessibleName(QStringLiteral("Columns"));

    QWidget *findBar = find<QWidget>(window, "frmFind");
    QWidget *replaceBar = find<QWidget>(window, "frmReplace");
    auto *findBox = find<QLineEdit>(window, "txtFind");
    Name(findBox, QStringLiteral("Find"), barLabel(findBar, QStringLiteral("Find:")));
    // The box's clear button is a tool button of its own.
    if (findBox) {
        for (QToolButton *clear : findBox->findChildren<QToolButton *>())
            clear->setAccessibleName(QStringLiteral("Clear find"));
    }
    Name(find<QLineEdit>(window, "txtReplaceFind"), QStringLiteral("Replace"),
         barLabel(replaceBar, QStringLiteral("Replace:")));
    Name(find<QLineEdit>(window, "txtReplaceWith"), QStringLiteral("Replace with"),
         barLabel(replaceBar, QStringLiteral("with:")));
    Name(find<QWidget>(window, "resourcePreview"), QStringLiteral("Preview"));
    Name(find<QWidget>(window, "previewScroll"), QStringLiteral("Preview of the token's dialog or menu"));
    Name(window.statusBar(), QStringLiteral("Status"));
    Name(find<QWidget>(window, "progress"), QStringLiteral("Progress"));

    AccessNames::ChainTabOrder({original, translation, find<QWidget>(window, "chkTrans"),
                                find<QWidget>(window, "chkRO"), tree, findBox, find<QWidget>(window, "txtReplaceFind"),
                                find<QWidget>(window, "txtReplaceWith"), find<QWidget>(window, "chkMatchCase"),
                                find<QWidget>(window, "chkWholeWords"), find<QWidget>(window, "btReplaceAll"),
                                list});
}

} // namespace quenlit
