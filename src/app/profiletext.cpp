#include "profiletext.h"

#include "conditions.h"
#include "settings.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>

void ProfileText::capture(const QString &path)
{
    m_bytes.clear();
    m_values.clear();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return;
    m_bytes = file.readAll();
    std::vector<results::conditions::Entry> entries;
    if (!results::conditions::iniEntries(m_bytes, entries))
        return;
    for (const results::conditions::Entry &e : entries)
        m_values.emplace(e.key.toLocal8Bit(), e.value.toLocal8Bit());
}

QByteArray ProfileText::current(const Settings &store) const
{
    const Settings::Map &held = store.entries();
    const bool same = !m_bytes.isEmpty() && held.size() == m_values.size()
                      && std::equal(held.begin(), held.end(), m_values.begin(), [](const auto &a, const auto &b) {
                             return a.first == b.first && a.second.value() == b.second;
                         });
    if (same)
        return m_bytes;
    // The store written out as a save would write it, into a file of its own
    // that need not survive a power cut.
    QTemporaryDir dir;
    if (!dir.isValid())
        return QByteArray();
    const QString path = dir.filePath(QStringLiteral("profile.ini"));
    {
        QSettings ini(path, QSettings::IniFormat);
        store.writeInto(ini);
        ini.sync();
    }
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
