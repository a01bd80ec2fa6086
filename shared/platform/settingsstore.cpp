#include "settingsstore.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

namespace {
const QString kApplication = QStringLiteral("Velmora Tamrix");
}

QtSettingsStore::QtSettingsStore()
{
#ifdef Q_OS_WIN
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
    m_settings->beginGroup(QStringLiteral("General"));
#else
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    m_settings = std::make_unique<QSettings>(QDir(folder).filePath(kApplication + QStringLiteral(".ini")),
                                             QSettings::IniFormat);
#endif
}

QtSettingsStore::QtSettingsStore(const QString &iniPath)
    : m_settings(std::make_unique<QSettings>(iniPath, QSettings::IniFormat))
{
    // Keys outside any group are the ones QSettings writes under [General].
}

QtSettingsStore::~QtSettingsStore() = default;

QString QtSettingsStore::value(const QString &key, const QString &defaultValue) const
{
    m_settings->sync(); // pick up what the other program wrote meanwhile
    if (!m_settings->contains(key))
        return defaultValue;
    const QVariant v = m_settings->value(key);
    // An unquoted value holding commas reads back as a list: join it again.
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(','));
    return v.toString();
}

void QtSettingsStore::setValue(const QString &key, const QString &value)
{
    m_settings->setValue(key, value);
}

void QtSettingsStore::sync()
{
    m_settings->sync();
}

QString QtSettingsStore::fileName() const
{
    return m_settings->fileName();
}
