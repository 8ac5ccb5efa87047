#ifndef RESULTS_CONDITIONS_H
#define RESULTS_CONDITIONS_H

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <optional>
#include <vector>

// What a run was judged against: the profile's text, the baseline, the
// firmware image and the station software's version. The texts are kept once
// each in the texts table, by the SHA-1 of their bytes, and every version of a
// profile in profile_versions; this is how they are written, read and
// compared, the same on both engines.
namespace results::conditions {

inline constexpr const char *ProfileKind = "profile";
inline constexpr const char *BaselineKind = "baseline";
inline constexpr const char *FirmwareKind = "firmware";

// A text's bytes as the texts table's content column takes them, and back:
// every write and read of a text goes through these two.
QVariant textToStore(const QByteArray &bytes);
QByteArray textFromStore(const QVariant &stored);

// The profile's text as the store keeps it: the administrator's password
// (the key qvd, only Base64) is left out, for the store's texts reach every
// reader of the line. Every other byte is the profile's.
QByteArray storedProfileText(const QByteArray &profile);

// One key of a profile as the station reads it ("ModeSwitch/Debug_Mode", a
// key of the general section bare) and its value.
struct Entry
{
    QString key;
    QString value;
};

// The keys of an INI text in the order the text gives them (the general
// section first, then each section as it comes), with their values as the
// station's parameter store takes them. False when the text could not be
// handed to the reader.
bool iniEntries(const QByteArray &text, std::vector<Entry> &entries);

// A key that differs between two versions of a profile; before or after
// absent for a key only the other version has.
struct KeyChange
{
    QString key;
    std::optional<QString> before;
    std::optional<QString> after;
};

// The keys whose values differ, in the newer text's order (a key the newer
// lacks where the older had it).
bool diffProfiles(const QByteArray &before, const QByteArray &after, std::vector<KeyChange> &changes);

// One version of a profile: when and on which station it first appeared
// (a run that used it, or a save), and the runs judged with it. A version
// with an empty sha1 stands for the runs whose profile is not known (recorded
// from their files alone): first is the first of them.
struct ProfileVersion
{
    QString sha1;
    qint64 firstAt = 0;
    QString station;
    qint64 runs = 0;
};

// The versions of the profile of that file name, oldest first.
bool profileVersions(const QSqlDatabase &db, const QString &profile, std::vector<ProfileVersion> &versions,
                     QString *error);

// The texts whose hash starts with prefix (hexadecimal, either case; the
// whole hash finds one through the index).
bool textsByPrefix(const QSqlDatabase &db, const QString &prefix, QStringList &sha1s, QString *error);

// The text of that hash; found false when the store holds none.
bool textOf(const QSqlDatabase &db, const QString &sha1, QByteArray &text, bool &found, QString *error);

// The conditions of one run, with its profile version's first appearance and
// the version of that profile that appeared before it (empty: none).
struct RunConditions
{
    bool found = false; // the store holds the run
    QString profile;
    QString profileSha1; // empty: not known
    QString baselineSha1;
    QString firmwareSha1;
    QString softwareVersion;
    qint64 versionFirstAt = 0;
    QString versionStation;
    QString previousSha1;
};
bool runConditions(const QSqlDatabase &db, const QString &runId, RunConditions &conditions, QString *error);

// The statement that adds a profile version or moves its first appearance
// earlier, with ? for profile, profile_sha1, first_at and station.
QString versionUpsertSql();

} // namespace results::conditions

#endif
