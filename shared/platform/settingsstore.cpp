#include "settingsstore.h"

#include "inivalue.h"

#include <QDir>
#include <QIODevice>
#include <QSettings>
#include <QStandardPaths>
#include <QStringList>

#include <map>

namespace {

const QString kApplication = QStringLiteral("Velmora Tamrix");

// The INI file, in the layout Qt's INI format writes, read and written here so
// that values keep their bytes: Qt's own reader turns bytes that are not UTF-8
// into replacement characters and writes those back. A value read stays in
// the map as its stored text (a QByteArray) and is written back as it was; a
// value set is a QString, written in Qt's escaped form.

// Keys: '/' stands as '\', other characters but letters, digits, '-', '_' and
// '.' as %XX or %UXXXX.
QString unescapeKey(const QByteArray &stored)
{
    auto hexAt = [&stored](qsizetype at, int digits, char16_t *code) {
        if (at + digits > stored.size())
            return false;
        char16_t value = 0;
        for (int d = 0; d < digits; ++d) {
            const char c = stored[at + d];
            const int v = c >= '0' && c <= '9' ? c - '0'
                          : (c | 0x20) >= 'a' && (c | 0x20) <= 'f' ? (c | 0x20) - 'a' + 10
                                                                  : -1;
            if (v < 0)
                return false;
            value = static_cast<char16_t>(value * 16 + v);
        }
        *code = value;
        return true;
    };
    QString key;
    for (qsizetype i = 0; i < stored.size(); ++i) {
        const char c = stored[i];
        char16_t code = 0;
        if (c == '\\') {
            key += QLatin1Char('/');
        } else if (c == '%' && i + 1 < stored.size() && stored[i + 1] == 'U' && hexAt(i + 2, 4, &code)) {
            key += QChar(code);
            i += 5;
        } else if (c == '%' && hexAt(i + 1, 2, &code)) {
            key += QChar(code);
            i += 2;
        } else {
            key += QLatin1Char(c);
        }
    }
    return key;
}

QByteArray escapeKey(const QString &key)
{
    QByteArray stored;
    for (const QChar ch : key) {
        const char16_t c = ch.unicode();
        if (c == u'/') {
            stored += '\\';
        } else if ((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') || c == u'_' ||
                   c == u'-' || c == u'.') {
            stored += static_cast<char>(c);
        } else if (c <= 0xFF) {
            stored += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        } else {
            stored += "%U" + QByteArray::number(c, 16).toUpper().rightJustified(4, '0');
        }
    }
    return stored;
}

QByteArray storedText(const QVariant &v)
{
    if (v.userType() == QMetaType::QByteArray)
        return v.toByteArray(); // as read
    auto escaped = [](const QString &s) {
        const QByteArray utf8 = s.toUtf8();
        return QByteArray::fromStdString(
            EscapeIniValue(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))));
    };
    if (!v.isValid())
        return "@Invalid()";
    if (v.userType() == QMetaType::QStringList) {
        const QStringList items = v.toStringList();
        if (items.isEmpty())
            return "@Invalid()";
        QByteArray list;
        for (const QString &item : items)
            list += (list.isEmpty() ? QByteArray() : QByteArray(", ")) + escaped(item);
        return list;
    }
    return escaped(v.toString());
}

bool readIni(QIODevice &device, QSettings::SettingsMap &map)
{
    QString section;
    const QByteArray all = device.readAll();
    for (QByteArray line : all.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        const QByteArray trimmed = line.trimmed();
        if (trimmed.isEmpty() || trimmed.startsWith(';') || trimmed.startsWith('#'))
            continue;
        if (trimmed.startsWith('[')) {
            const qsizetype end = trimmed.indexOf(']');
            const QByteArray name = trimmed.mid(1, end < 0 ? -1 : end - 1).trimmed();
            // Keys of no group stand under [General]; a group of that name is [%General].
            section = name == "General" ? QString() : name == "%General" ? QStringLiteral("General") : unescapeKey(name);
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0)
            continue;
        const QString key = unescapeKey(line.left(equals).trimmed());
        if (key.isEmpty())
            continue;
        map.insert(section.isEmpty() ? key : section + QLatin1Char('/') + key, line.mid(equals + 1).trimmed());
    }
    return true;
}

bool writeIni(QIODevice &device, const QSettings::SettingsMap &map)
{
    // Sections in order, [General] first, as Qt writes them.
    std::map<QString, std::vector<std::pair<QString, QByteArray>>> sections;
    for (auto it = map.cbegin(); it != map.cend(); ++it) {
        const qsizetype slash = it.key().indexOf(QLatin1Char('/'));
        const QString section = slash < 0 ? QString() : it.key().left(slash);
        const QString key = slash < 0 ? it.key() : it.key().mid(slash + 1);
        sections[section].emplace_back(key, storedText(it.value()));
    }
    QByteArray out;
    for (const auto &[section, entries] : sections) {
        if (!out.isEmpty())
            out += '\n';
        const QByteArray name = section.isEmpty()                         ? QByteArray("General")
                                : section == QLatin1String("General") ? QByteArray("%General")
                                                                          : escapeKey(section);
        out += '[' + name + "]\n";
        for (const auto &[key, text] : entries)
            out += escapeKey(key) + '=' + text + '\n';
    }
    return device.write(out) == out.size();
}

QSettings::Format iniFormat()
{
    static const QSettings::Format format = QSettings::registerFormat(QStringLiteral("ini"), readIni, writeIni);
    return format;
}

std::optional<std::string> bytesOf(const QVariant &v)
{
    if (v.userType() == QMetaType::QByteArray) {
        const QByteArray stored = v.toByteArray();
        return UnescapeIniValue(std::string_view(stored.constData(), static_cast<std::size_t>(stored.size())));
    }
    if (!v.isValid())
        return std::nullopt;
    if (v.userType() == QMetaType::QStringList)
        return v.toStringList().join(QLatin1Char(',')).toUtf8().toStdString();
    return v.toString().toUtf8().toStdString();
}

} // namespace

QtSettingsStore::QtSettingsStore()
{
#ifdef Q_OS_WIN
    m_settings = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
    m_settings->beginGroup(QStringLiteral("General"));
#else
    QString folder = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    m_settings = std::make_unique<QSettings>(QDir(folder).filePath(kApplication + QStringLiteral(".ini")), iniFormat());
#endif
}

QtSettingsStore::QtSettingsStore(const QString &iniPath) : m_settings(std::make_unique<QSettings>(iniPath, iniFormat()))
{
}

QtSettingsStore::~QtSettingsStore() = default;

QString QtSettingsStore::value(const QString &key, const QString &defaultValue) const
{
    m_settings->sync(); // pick up what the other program wrote meanwhile
    if (!m_settings->contains(key))
        return defaultValue;
    const auto bytes = bytesOf(m_settings->value(key));
    if (!bytes)
        return defaultValue;
    return QString::fromUtf8(bytes->data(), static_cast<qsizetype>(bytes->size()));
}

std::optional<std::string> QtSettingsStore::bytesValue(const QString &key) const
{
    m_settings->sync();
    if (!m_settings->contains(key))
        return std::nullopt;
#ifdef Q_OS_WIN
    return m_settings->value(key).toString().toLocal8Bit().toStdString();
#else
    return bytesOf(m_settings->value(key));
#endif
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
