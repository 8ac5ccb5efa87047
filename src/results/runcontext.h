#ifndef RUNCONTEXT_H
#define RUNCONTEXT_H

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QVariant>

#include <vector>

// What the results store keeps of a run beside its filed file: who, where,
// when and under which profile it ran.
namespace results {

struct ItemEvidence { QString item; bool pass = false; QVariant value; QString text; };

struct RunContext
{
    // A UUID, without braces. A run that filed a file is recorded under the
    // id fileRunId() derives from its station, file name and content, live
    // or rebuilt from the file alike; this one serves a run that filed nothing.
    QString runId;
    QString station;    // the station's id on the line
    QString startMode;  // "Auto", "Manual" or "Barcode"; empty when not known
    QString lot;
    QString worker;
    QString barcode;
    QString profile;    // the profile's file name
    QDateTime startedAt;
    QDateTime endedAt;
    QString verdict;    // "PASS" or "FAIL"
    QString path;       // the filed file; empty when the run filed nothing
    std::vector<ItemEvidence> items;
    // What the run was judged against: the profile's INI text as the run read it, the
    // baseline file the planeness items judged against (empty when they did not run), the
    // firmware image the run downloaded (empty when none), and the station software's
    // version ("3.1+g1a2b3c4", from the build).
    QByteArray profileText;
    QByteArray baselineText;
    QByteArray firmwareText;
    QString softwareVersion;
    // A run salvaged from a damaged store is recorded under runId as it was,
    // a filed one too: the line's server knows it by that id, which for a run
    // recorded before ids were made from the file is not fileRunId(). Only
    // the salvage sets it.
    bool keepRunId = false;
};

// The context a filed file's name and place give, for files filed before the
// store recorded them (a crash between filing and recording, an import of old
// folders): the verdict from the folder ("resultsPASS" / "resultsFAIL") or the
// name's "-Pass" / "-Fail", and where both verdicts go to one folder and the
// name says neither, from the file's own lines (FAIL when any says so); the start mode and operator input from the name's
// shape (Barcode: "<barcode>-yyyyMMddhhmmss-00-00-Pass.csv" and its Attb
// variant; Auto: "MM-dd-hh-mm-ss.csv"; anything else Manual,
// "<LOT>-<worker>-<barcode>.csv", split at its first two "-"). The times are
// the name's where it has them (the year of the file's date for Auto), else
// the file's. The run id is left to the store, which derives it from the
// file (fileRunId()). passFolder / failFolder are the profile's log folders,
// which also hold filed results.
RunContext contextFromFile(const QString &path, const QString &station, const QString &passFolder = QString(),
                           const QString &failFolder = QString());

// A new run id.
QString newRunId();

// The id of a run that filed a file: one name-based UUID of its station, the
// file's name and the SHA-1 of its content (contentHash()), the store's key
// of a filed run. The run recorded live and again from its file (a catch-up,
// a rebuilt store, an import) is one run; two stations filing files of the
// same name in the same second are two.
QString fileRunId(const QString &station, const QString &fileName, const QByteArray &sha1);

// The station's id on the line: "id" of the "station" section of the line's
// settings file (./line.ini), else the machine's host name.
QString stationId(const QString &lineSettings = QStringLiteral("./line.ini"));

} // namespace results

#endif
