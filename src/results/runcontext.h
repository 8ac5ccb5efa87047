#ifndef RUNCONTEXT_H
#define RUNCONTEXT_H

#include <QDateTime>
#include <QString>
#include <QVariant>

#include <vector>

// What the results store keeps of a run beside its filed file: who, where,
// when and under which profile it ran.
namespace results {

// An item's outcome that the run hands to the store beside its file.
struct ItemEvidence
{
    QString item;   // the store's item name, e.g. "button_status", "border", "calibration", "drawing"
    bool pass = false;
    QVariant value; // its figure where it has one (keys seen, cells left, seconds), else null
    QString text;   // the figure as the pane says it, e.g. "3/4"
};

struct RunContext
{
    QString runId;      // a UUID, without braces
    QString station;    // the station's id on the line
    QString startMode;  // "Auto", "Manual" or "Barcode"; empty when not known
    QString lot;
    QString worker;
    QString barcode;
    QString profile;    // the profile's file name
    QDateTime startedAt;
    QDateTime endedAt;
    QString verdict;    // "PASS" or "FAIL"
    QString path;       // the filed file; empty for a run that filed nothing
    // items the file cannot show (key status, border, calibration, drawing check)
    // and, for a run that filed nothing, every item it reached
    std::vector<ItemEvidence> items;
};

// The context a filed file's name and place give, for files filed before the
// store recorded them (a crash between filing and recording, an import of old
// folders): the verdict from the folder ("resultsPASS" / "resultsFAIL") or the
// name's "-Pass" / "-Fail" (where both verdicts share one folder and the name
// says nothing, from the file's own lines), the start mode and operator input from the name's
// shape (Barcode: "<barcode>-yyyyMMddhhmmss-00-00-Pass.csv" and its Attb
// variant; Auto: "MM-dd-hh-mm-ss.csv"; anything else Manual,
// "<LOT>-<worker>-<barcode>.csv", split at its first two "-"). The times are
// the name's where it has them (the year of the file's date for Auto), else
// the file's; the run id is derived from the path, so that importing the same
// file twice gives the same id. passFolder / failFolder are the profile's log
// folders, which also hold filed results.
RunContext contextFromFile(const QString &path, const QString &station, const QString &passFolder = QString(),
                           const QString &failFolder = QString());

// A new run id.
QString newRunId();

// The station's id on the line: "id" of the "station" section of the line's
// settings file (./line.ini), else the machine's host name.
QString stationId(const QString &lineSettings = QStringLiteral("./line.ini"));

} // namespace results

#endif
