#include "conditions.h"

#include "runqueries.h"

#include <QDir>
#include <QHash>
#include <QSettings>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryFile>

#include <algorithm>

namespace results::conditions {

namespace {

// A key or section name as the INI text writes it, as QSettings reads it
// back: %XX and %UXXXX stand for characters, a backslash for "/".
QString unescapedKey(const QByteArray &raw)
{
    QString key;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const char c = raw.at(i);
        if (c == '\\') {
            key += QLatin1Char('/');
        } else if (c == '%' && i + 5 < raw.size() && raw.at(i + 1) == 'U') {
            bool ok = false;
            const ushort u = raw.mid(i + 2, 4).toUShort(&ok, 16);
            key += ok ? QChar(u) : QLatin1Char(c);
            if (ok)
                i += 5;
        } else if (c == '%' && i + 2 < raw.size()) {
            bool ok = false;
            const ushort u = raw.mid(i + 1, 2).toUShort(&ok, 16);
            key += ok ? QChar(u) : QLatin1Char(c);
            if (ok)
                i += 2;
        } else {
            key += QLatin1Char(c);
        }
    }
    return key;
}

// Walks the text's lines: section(name) at each section header, key(fullKey,
// line) at each line that holds a key. The general section's keys are bare.
template<typename OnKey>
void walkKeys(const QByteArray &text, OnKey onKey)
{
    QString section;
    qsizetype at = 0;
    while (at < text.size()) {
        qsizetype end = text.indexOf('\n', at);
        end = end < 0 ? text.size() : end + 1;
        const QByteArray line = text.mid(at, end - at).trimmed();
        if (line.startsWith('[')) {
            const qsizetype close = line.indexOf(']');
            section = unescapedKey(line.mid(1, close < 0 ? -1 : close - 1).trimmed());
            if (section.compare(QLatin1String("general"), Qt::CaseInsensitive) == 0)
                section.clear();
        } else if (!line.startsWith(';')) {
            const qsizetype equals = line.indexOf('=');
            if (equals > 0) {
                const QString key = unescapedKey(line.left(equals).trimmed());
                onKey(section.isEmpty() ? key : section + QLatin1Char('/') + key, at, end);
            }
        }
        at = end;
    }
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

bool finished(const QSqlQuery &q, QString *error)
{
    return !q.lastError().isValid() || fail(error, q.lastError().text());
}

} // namespace

QVariant textToStore(const QByteArray &bytes)
{
    // Never a null array: that would bind as NULL.
    return QVariant(bytes.isNull() ? QByteArray("") : bytes);
}

QByteArray textFromStore(const QVariant &stored)
{
    if (stored.typeId() == QMetaType::QByteArray)
        return stored.toByteArray();
    return stored.toString().toLatin1();
}

QByteArray storedProfileText(const QByteArray &profile)
{
    QByteArray kept;
    kept.reserve(profile.size());
    qsizetype from = 0;
    walkKeys(profile, [&](const QString &key, qsizetype lineStart, qsizetype lineEnd) {
        if (key != QLatin1String("qvd"))
            return;
        kept += profile.mid(from, lineStart - from);
        from = lineEnd;
    });
    kept += profile.mid(from);
    return kept;
}

bool iniEntries(const QByteArray &text, std::vector<Entry> &entries)
{
    entries.clear();
    // The station reads its profile through QSettings: so is every version,
    // that values, quoting and lists come out as the station took them.
    QTemporaryFile file(QDir::tempPath() + QStringLiteral("/kavel-profile-XXXXXX.ini"));
    if (!file.open() || file.write(text) != text.size() || !file.flush())
        return false;
    const QSettings ini(file.fileName(), QSettings::IniFormat);
    if (ini.status() == QSettings::AccessError)
        return false;
    QStringList keys = ini.allKeys();
    QHash<QString, qsizetype> order;
    walkKeys(text, [&order](const QString &key, qsizetype, qsizetype) {
        if (!order.contains(key))
            order.insert(key, order.size());
    });
    // Keys the walk did not make out (a spelling QSettings reads otherwise)
    // come after the others, in QSettings' order.
    std::stable_sort(keys.begin(), keys.end(), [&order](const QString &a, const QString &b) {
        return order.value(a, order.size()) < order.value(b, order.size());
    });
    for (const QString &key : keys) {
        const QVariant v = ini.value(key);
        // As the parameter store takes it: an unquoted comma made a list.
        entries.push_back({key, v.typeId() == QMetaType::QStringList ? v.toStringList().join(QLatin1Char(','))
                                                                      : v.toString()});
    }
    return true;
}

bool diffProfiles(const QByteArray &before, const QByteArray &after, std::vector<KeyChange> &changes)
{
    changes.clear();
    std::vector<Entry> old, now;
    if (!iniEntries(before, old) || !iniEntries(after, now))
        return false;
    QHash<QString, QString> oldValues, newValues;
    for (const Entry &e : old)
        oldValues.insert(e.key, e.value);
    for (const Entry &e : now)
        newValues.insert(e.key, e.value);
    // The newer order, each key the newer lacks after the key that came
    // before it in the older.
    std::vector<QString> keys;
    for (const Entry &e : now)
        keys.push_back(e.key);
    QString previous;
    for (const Entry &e : old) {
        if (!newValues.contains(e.key)) {
            const auto at = previous.isNull() ? keys.begin() : std::find(keys.begin(), keys.end(), previous) + 1;
            keys.insert(at, e.key);
        }
        previous = e.key;
    }
    for (const QString &key : keys) {
        const auto was = oldValues.constFind(key);
        const auto is = newValues.constFind(key);
        if (was != oldValues.cend() && is != newValues.cend() && *was == *is)
            continue;
        KeyChange change{key, std::nullopt, std::nullopt};
        if (was != oldValues.cend())
            change.before = *was;
        if (is != newValues.cend())
            change.after = *is;
        changes.push_back(std::move(change));
    }
    return true;
}

bool profileVersions(const QSqlDatabase &db, const QString &profile, std::vector<ProfileVersion> &versions,
                     QString *error)
{
    versions.clear();
    QSqlQuery q(db);
    if (!queries::exec(q,
                       QStringLiteral("SELECT v.profile_sha1, v.first_at, v.station,"
                                      " (SELECT COUNT(*) FROM runs r WHERE r.profile = v.profile"
                                      " AND r.profile_sha1 = v.profile_sha1)"
                                      " FROM profile_versions v WHERE v.profile = ?"
                                      " ORDER BY v.first_at, v.profile_sha1"),
                       {profile}, error))
        return false;
    while (q.next())
        versions.push_back({q.value(0).toString(), q.value(1).toLongLong(), q.value(2).toString(),
                            q.value(3).toLongLong()});
    if (!finished(q, error))
        return false;
    if (!queries::exec(q,
                       QStringLiteral("SELECT COUNT(*), MIN(started_at) FROM runs"
                                      " WHERE profile = ? AND profile_sha1 IS NULL"),
                       {profile}, error))
        return false;
    if (q.next() && q.value(0).toLongLong() > 0) {
        const ProfileVersion unknown{QString(), q.value(1).toLongLong(), QString(), q.value(0).toLongLong()};
        versions.insert(std::upper_bound(versions.begin(), versions.end(), unknown,
                                         [](const ProfileVersion &a, const ProfileVersion &b) {
                                             return a.firstAt < b.firstAt;
                                         }),
                        unknown);
    }
    return finished(q, error);
}

bool textsByPrefix(const QSqlDatabase &db, const QString &prefix, QStringList &sha1s, QString *error)
{
    sha1s.clear();
    const QString hex = prefix.toLower();
    if (hex.isEmpty() || hex.size() > 40
        || !std::all_of(hex.begin(), hex.end(), [](QChar c) { return c.isDigit() || (c >= 'a' && c <= 'f'); }))
        return true;
    QSqlQuery q(db);
    QVariantList bound;
    const QString condition = hex.size() == 40 ? QStringLiteral("sha1 = ?")
                                               : queries::startsWith(QStringLiteral("sha1"), hex,
                                                                     queries::Engine::Any, bound);
    if (hex.size() == 40)
        bound << hex;
    if (!queries::exec(q, QStringLiteral("SELECT sha1 FROM texts WHERE ") + condition + QStringLiteral(" ORDER BY sha1"),
                       bound, error))
        return false;
    while (q.next())
        sha1s << q.value(0).toString();
    return finished(q, error);
}

bool textOf(const QSqlDatabase &db, const QString &sha1, QByteArray &text, bool &found, QString *error)
{
    text.clear();
    found = false;
    QSqlQuery q(db);
    if (!queries::exec(q, QStringLiteral("SELECT content FROM texts WHERE sha1 = ?"), {sha1}, error))
        return false;
    if (q.next()) {
        found = true;
        text = textFromStore(q.value(0));
    }
    return finished(q, error);
}

bool runConditions(const QSqlDatabase &db, const QString &runId, RunConditions &c, QString *error)
{
    c = RunConditions();
    QSqlQuery q(db);
    if (!queries::exec(q,
                       QStringLiteral("SELECT profile, profile_sha1, baseline_sha1, firmware_sha1, software_version"
                                      " FROM runs WHERE run_id = ?"),
                       {runId}, error))
        return false;
    if (!q.next())
        return finished(q, error);
    c.found = true;
    c.profile = q.value(0).toString();
    c.profileSha1 = q.value(1).toString();
    c.baselineSha1 = q.value(2).toString();
    c.firmwareSha1 = q.value(3).toString();
    c.softwareVersion = q.value(4).toString();
    q.finish();
    if (c.profileSha1.isEmpty())
        return true;
    if (!queries::exec(q,
                       QStringLiteral("SELECT first_at, station FROM profile_versions"
                                      " WHERE profile = ? AND profile_sha1 = ?"),
                       {c.profile, c.profileSha1}, error))
        return false;
    if (q.next()) {
        c.versionFirstAt = q.value(0).toLongLong();
        c.versionStation = q.value(1).toString();
    }
    if (!finished(q, error))
        return false;
    if (!queries::exec(q,
                       QStringLiteral("SELECT profile_sha1 FROM profile_versions WHERE profile = ?"
                                      " AND (first_at < ? OR (first_at = ? AND profile_sha1 < ?))"
                                      " ORDER BY first_at DESC, profile_sha1 DESC LIMIT 1"),
                       {c.profile, c.versionFirstAt, c.versionFirstAt, c.profileSha1}, error))
        return false;
    if (q.next())
        c.previousSha1 = q.value(0).toString();
    return finished(q, error);
}

QString versionUpsertSql()
{
    return QStringLiteral("INSERT INTO profile_versions (profile, profile_sha1, first_at, station) VALUES (?, ?, ?, ?)"
                          " ON CONFLICT (profile, profile_sha1) DO UPDATE SET first_at = excluded.first_at,"
                          " station = excluded.station WHERE excluded.first_at < profile_versions.first_at");
}

} // namespace results::conditions
