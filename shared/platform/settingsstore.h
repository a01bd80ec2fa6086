#pragma once

#include <QString>

#include <memory>
#include <optional>
#include <string>

class QSettings;

// The per-user settings of application "Velmora Tamrix", section "General": text
// values addressed by key, a missing key giving the caller's default. Both
// programs use the same store with different keys; writing one program's keys
// keeps the other's.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;
    virtual QString value(const QString &key, const QString &defaultValue) const = 0;
    virtual void setValue(const QString &key, const QString &value) = 0;
    // The bytes of a stored text, which need not be valid UTF-8 (a path copied
    // in by hand); nothing when the key is missing.
    virtual std::optional<std::string> bytesValue(const QString &key) const
    {
        const QString v = value(key, QString());
        if (v.isNull())
            return std::nullopt;
        return v.toUtf8().toStdString();
    }
    // Writes pending values to the store.
    virtual void sync() {}
};

// The store behind QSettings: an INI file with a [General] section, or the
// native per-user store on Windows. In the INI file, a value that this program
// did not change is written back exactly as it was read, whatever its bytes.
class QtSettingsStore : public SettingsStore
{
public:
    // The user's store: on Windows the registry, elsewhere "Velmora Tamrix.ini"
    // in the user's configuration folder (XDG_CONFIG_HOME where it is set).
    QtSettingsStore();
    // An INI file at the given path.
    explicit QtSettingsStore(const QString &iniPath);
    ~QtSettingsStore() override;

    QString value(const QString &key, const QString &defaultValue) const override;
    void setValue(const QString &key, const QString &value) override;
    std::optional<std::string> bytesValue(const QString &key) const override;
    void sync() override;
    QString fileName() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
