#include "settings.h"

#include "durablefile.h"

#include <QSettings>
#include <QTemporaryFile>
#include <QStringList>
#include <QVariant>

Settings::~Settings() = default;

bool Settings::load(const QString &fileName)
{
    QSettings file(fileName, QSettings::IniFormat);
    // A format error (a section header without "]", say) still leaves every
    // key Qt could make out in allKeys(): take them, or the station would run
    // on whatever the store held before. Only a file that could not be read
    // at all gives nothing.
    if (file.status() == QSettings::AccessError)
        return false;
    const QStringList keys = file.allKeys();
    for (const QString &key : keys) {
        const QVariant v = file.value(key);
        // A hand-edited value with an unquoted comma comes back as a list; taking
        // its toString() would read it as empty and the next save would wipe it.
        const QString text = v.typeId() == QMetaType::QStringList
                                 ? v.toStringList().join(QLatin1Char(','))
                                 : v.toString();
        set(key.toLocal8Bit(), text.toLocal8Bit());
    }
    return true;
}

bool Settings::loadText(const QByteArray &text)
{
    QTemporaryFile file;
    if (!file.open() || file.write(text) != text.size() || !file.flush())
        return false;
    return load(file.fileName());
}

void Settings::save(const QString &fileName) const
{
    QSettings file(fileName, QSettings::IniFormat);
    file.setAtomicSyncRequired(true);
    writeInto(file);
    file.sync();
    // QSettings puts the new file in place by a rename; the folder makes it stay.
    if (file.status() == QSettings::NoError)
        files::syncFolderOf(fileName);
}

void Settings::writeInto(QSettings &file) const
{
    for (const auto &entry : m_entries)
        file.setValue(QString::fromLocal8Bit(entry.second.name()), QString::fromLocal8Bit(entry.second.value()));
}

void Settings::set(const ConfigParameter &parameter)
{
    m_entries.erase(parameter.name());
    m_entries.emplace(parameter.name(), parameter);
}

void Settings::set(const QByteArray &name, const QByteArray &value)
{
    set(ConfigParameter(name, value));
}

bool Settings::find(const QByteArray &name, ConfigParameter &parameter) const
{
    const auto it = m_entries.find(name);
    if (it == m_entries.end())
        return false;
    parameter = it->second;
    return true;
}

QByteArray Settings::value(const QByteArray &name) const
{
    const auto it = m_entries.find(name);
    return it == m_entries.end() ? QByteArrayLiteral("0") : it->second.value();
}
