#include "window/codepagechoice.h"

#include "codepage.h"
#include "outils.h"
#include "qtext.h"
#include "settingsstore.h"

#include <QAction>
#include <QActionGroup>
#include <QLabel>
#include <QMenu>

#include <cstdint>
#include <filesystem>

namespace quenlit {

namespace {

constexpr int kFromLanguage = 0;

} // namespace

std::string CodePageChoice::absolutePath(const std::string &projectPath)
{
    const std::string resolved = outils::ResolveFromCurrentFolder(projectPath);
    return std::filesystem::path(resolved).lexically_normal().string();
}

CodePageChoice::CodePageChoice(SettingsStore &settings, QMenu *options, QLabel *label, QObject *parent)
    : QObject(parent), m_settings(settings), m_label(label)
{
    m_menu = options->addMenu(QStringLiteral("&Code page"));
    m_menu->setObjectName(QStringLiteral("mnuCodePage"));
    m_menu->setEnabled(false);
    m_group = new QActionGroup(this);
    m_group->setExclusive(true);
    m_fromLanguage = m_menu->addAction(QStringLiteral("&From the project's language"));
    m_fromLanguage->setObjectName(QStringLiteral("mnuCodePageLanguage"));
    m_fromLanguage->setCheckable(true);
    m_fromLanguage->setData(kFromLanguage);
    m_group->addAction(m_fromLanguage);
    m_menu->addSeparator();
    for (unsigned number : CodePage::numbers()) {
        QAction *a = m_menu->addAction(CodePageName(number));
        a->setObjectName(QStringLiteral("mnuCodePage%1").arg(number));
        a->setCheckable(true);
        a->setData(number);
        m_group->addAction(a);
    }
    connect(m_group, &QActionGroup::triggered, this, &CodePageChoice::picked);

    m_label->setObjectName(QStringLiteral("lbCodePage"));
    m_label->setVisible(false);
}

QString CodePageChoice::keyFor(const std::string &projectPath)
{
    // FNV-1a over the path's bytes: a key of letters and digits whatever the path holds.
    std::uint64_t hash = 14695981039346656037ull;
    for (const unsigned char c : projectPath) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    return QStringLiteral("EditCodePage%1").arg(hash, 16, 16, QLatin1Char('0'));
}

std::optional<unsigned> CodePageChoice::chosenFor(const std::string &projectPath) const
{
    const QString stored = m_settings.value(keyFor(projectPath), QString());
    bool ok = false;
    const unsigned number = stored.trimmed().toUInt(&ok);
    // Anything but one of the known numbers follows the language.
    if (!ok || !CodePage::isKnown(number))
        return std::nullopt;
    return number;
}

QString CodePageChoice::statusText(unsigned used, bool chosen)
{
    // Short, to read at the window's first size; the tooltip says it whole.
    return QStringLiteral("cp%1").arg(used) + (chosen ? QStringLiteral(" (chosen)") : QString());
}

QString CodePageChoice::statusToolTip(unsigned used, bool chosen, unsigned master)
{
    QString tip = QStringLiteral("Code page: ") + CodePageName(used) + (chosen ? QStringLiteral(", chosen") : QString()) +
                  QStringLiteral("\nThe project's tokens are read and typed in ") + CodePageName(used) +
                  (chosen ? QStringLiteral(", chosen for this project in Options > Code page.")
                          : QStringLiteral(", the code page of the project's language."));
    tip += QStringLiteral("\nThe original tokens are read in ") + CodePageName(master) + QLatin1Char('.');
    return tip;
}

void CodePageChoice::projectOpened(const std::string &projectPath, unsigned languageCodePage, unsigned used,
                                   unsigned master, std::optional<unsigned> chosen)
{
    m_projectPath = projectPath;
    m_languageCodePage = languageCodePage;
    m_chosen = chosen;
    m_fromLanguage->setText(QStringLiteral("&From the project's language: ") + CodePageName(languageCodePage));
    m_menu->setEnabled(true);
    showInUse();
    m_label->setText(statusText(used, m_chosen.has_value()));
    m_label->setToolTip(statusToolTip(used, m_chosen.has_value(), master));
    m_label->setVisible(true);
}

void CodePageChoice::projectClosed()
{
    m_projectPath.clear();
    m_chosen.reset();
    m_menu->setEnabled(false);
    m_label->clear();
    m_label->setVisible(false);
}

void CodePageChoice::showInUse()
{
    const QSignalBlocker blocker(m_group);
    for (QAction *a : m_group->actions()) {
        const unsigned data = a->data().toUInt();
        a->setChecked(m_chosen ? data == *m_chosen : data == kFromLanguage);
    }
}

void CodePageChoice::remember(std::optional<unsigned> codePage)
{
    if (m_projectPath.empty())
        return;
    m_settings.setValue(keyFor(m_projectPath), codePage ? QString::number(*codePage) : QString());
    m_chosen = codePage;
}

void CodePageChoice::picked(QAction *action)
{
    const unsigned data = action->data().toUInt();
    const std::optional<unsigned> wanted = data == kFromLanguage ? std::nullopt : std::optional<unsigned>(data);
    // The check mark waits for the window to apply the choice.
    showInUse();
    if (wanted != m_chosen)
        emit chosen(wanted);
}

} // namespace quenlit
