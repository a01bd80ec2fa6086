#include "window/find/replacebar.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QAbstractTableModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace quenlit {

namespace {

QString fromU16(const std::u16string &text)
{
    return QString::fromStdU16String(text);
}

// The plan's changes as rows: the text now, the text after. Texts are made only
// for the rows shown, so a plan of a million changes opens at once.
class PlanModel : public QAbstractTableModel
{
public:
    PlanModel(std::shared_ptr<const ReplacePlan> plan, QObject *parent)
        : QAbstractTableModel(parent), m_plan(std::move(plan))
    {
    }
    int rowCount(const QModelIndex &parent) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(m_plan->changes.size());
    }
    int columnCount(const QModelIndex &parent) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || role != Qt::DisplayRole)
            return {};
        const ReplaceChange &change = m_plan->changes[static_cast<std::size_t>(index.row())];
        return fromU16(index.column() == 0 ? change.beforeText : change.afterText);
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return {};
        return section == 0 ? QStringLiteral("Token") : QStringLiteral("Becomes");
    }

private:
    std::shared_ptr<const ReplacePlan> m_plan;
};

} // namespace

ReplaceBar::ReplaceBar(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("frmReplace"));
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto *findLabel = new QLabel(QStringLiteral("Replace:"), this);
    m_find = new QLineEdit(this);
    m_find->setObjectName(QStringLiteral("txtReplaceFind"));
    auto *withLabel = new QLabel(QStringLiteral("with:"), this);
    m_replace = new QLineEdit(this);
    m_replace->setObjectName(QStringLiteral("txtReplaceWith"));
    m_matchCase = new QCheckBox(QStringLiteral("Match case"), this);
    m_matchCase->setObjectName(QStringLiteral("chkMatchCase"));
    m_wholeWords = new QCheckBox(QStringLiteral("Whole words"), this);
    m_wholeWords->setObjectName(QStringLiteral("chkWholeWords"));
    m_replaceAll = new QPushButton(QStringLiteral("Replace all..."), this);
    m_replaceAll->setObjectName(QStringLiteral("btReplaceAll"));
    m_replaceAll->setAutoDefault(false);
    layout->addWidget(findLabel);
    layout->addWidget(m_find, 1);
    layout->addWidget(withLabel);
    layout->addWidget(m_replace, 1);
    layout->addWidget(m_matchCase);
    layout->addWidget(m_wholeWords);
    layout->addWidget(m_replaceAll);
    connect(m_replaceAll, &QPushButton::clicked, this, &ReplaceBar::replaceAllRequested);
    for (QWidget *w : {static_cast<QWidget *>(m_find), static_cast<QWidget *>(m_replace),
                       static_cast<QWidget *>(m_matchCase), static_cast<QWidget *>(m_wholeWords),
                       static_cast<QWidget *>(m_replaceAll)})
        w->installEventFilter(this);
    setVisible(false);
}

void ReplaceBar::activate(const QString &find)
{
    if (!find.isEmpty())
        m_find->setText(find);
    setVisible(true);
    m_find->setFocus(Qt::ShortcutFocusReason);
    m_find->selectAll();
}

ReplaceOptions ReplaceBar::options() const
{
    return ReplaceOptions{m_find->text().toStdU16String(), m_replace->text().toStdU16String(),
                          m_matchCase->isChecked(), m_wholeWords->isChecked()};
}

bool ReplaceBar::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
            return false;
        if (key->key() == Qt::Key_Escape) {
            emit closed();
            return true;
        }
        // Enter in either field asks for the preview, as the button does.
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (watched == m_find || watched == m_replace)) {
            emit replaceAllRequested();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

ReplacePreview::ReplacePreview(std::shared_ptr<const ReplacePlan> planPointer, QWidget *parent) : QDialog(parent)
{
    const ReplacePlan &plan = *planPointer;
    setObjectName(QStringLiteral("frmReplacePreview"));
    setWindowTitle(QStringLiteral("Replace all"));
    auto *layout = new QVBoxLayout(this);
    QString summary = plan.changes.size() == 1
                          ? QStringLiteral("%1 occurrence(s) in 1 token will be replaced.").arg(plan.occurrences())
                          : QStringLiteral("%1 occurrence(s) in %2 tokens will be replaced.")
                                .arg(plan.occurrences())
                                .arg(plan.changes.size());
    if (!plan.readOnly.empty())
        summary += QStringLiteral("\n%1 read-only token(s) holding the text stay as they are.").arg(plan.readOnly.size());
    if (!plan.unstorable.empty())
        summary += QStringLiteral("\n%1 token(s) stay as they are: the token file's character set cannot store "
                                  "the replacement.")
                       .arg(plan.unstorable.size());
    auto *label = new QLabel(summary, this);
    label->setObjectName(QStringLiteral("lbReplaceSummary"));
    layout->addWidget(label);

    m_changes = new QTreeView(this);
    m_changes->setObjectName(QStringLiteral("lvChanges"));
    m_changes->setRootIsDecorated(false);
    m_changes->setUniformRowHeights(true);
    m_changes->setModel(new PlanModel(std::move(planPointer), m_changes));
    m_changes->header()->setStretchLastSection(true);
    m_changes->setColumnWidth(0, 300);
    layout->addWidget(m_changes, 1);

    auto *buttons = new QDialogButtonBox(this);
    m_replaceButton = buttons->addButton(QStringLiteral("Replace"), QDialogButtonBox::AcceptRole);
    m_replaceButton->setObjectName(QStringLiteral("btReplace"));
    buttons->addButton(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("btCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(640, 360);
}

} // namespace quenlit
