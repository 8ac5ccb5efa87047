#ifndef INVOCATION_H
#define INVOCATION_H

#include <QString>
#include <QStringList>

#include <optional>

// What kavel-results was asked to do, read from its arguments.
namespace results::cli {

enum ExitCode { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

enum class Format { Text, Csv, Json };

struct Invocation
{
    QString command;
    QStringList arguments; // what follows the command that is no option

    // The store: the station's file, or the line's server.
    QString store = QStringLiteral("./results.db");
    bool line = false;
    QString connection; // empty: the one ./line.ini names

    // import
    QString station;
    QString passFolder;
    QString failFolder;

    // find
    std::optional<QString> barcode;
    std::optional<QString> barcodePrefix;
    std::optional<QString> lot;

    // find, yield, export: milliseconds since the epoch; until is exclusive.
    std::optional<qint64> since;
    std::optional<qint64> until;

    // yield
    QString by;
    bool engineering = false; // the engineering runs alone
    // Where the engineering runs' barcode patterns are kept.
    QString statsSettings = QStringLiteral("./stats.ini");

    // capability: the item as the result file names it, one of its
    // measurements, the runs of one profile (file name); --station too
    QString item;
    QString measurement;
    std::optional<QString> profile;

    // export: runs that reached the line's server after this arrival number
    std::optional<qint64> after;

    // sync: put the runs the server refused back into the outbox first
    bool retry = false;

    // prune: the runs that started before this (ms since the epoch); only say
    // what would go
    std::optional<qint64> before;
    bool dryRun = false;

    // server add-station, add-reader
    QString role;
    // server maintain: the months kept
    std::optional<int> keepMonths;

    // profile: the text of a hash, or two versions to compare (the older first)
    std::optional<QString> show;
    QStringList diff;

    std::optional<Format> format;

    bool help = false;
};

struct Parsed
{
    Invocation invocation;
    QString error; // not empty: a usage error
};

Parsed parseArguments(const QStringList &arguments);

// The tool's help, or one command's; empty for a command that does not exist.
QString helpText(const QString &command = QString());

// An ISO 8601 date or date-time (local unless it says otherwise) as
// milliseconds since the epoch. A date alone is its midnight, or with
// endOfDay the next midnight, so that "--until 2026-12-06" takes in that day.
std::optional<qint64> parseTime(const QString &text, bool endOfDay);

} // namespace results::cli

#endif
