#include "invocation.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDateTime>
#include <QSet>

namespace results::cli {

namespace {

const char *const General = R"(Usage: kavel-results [STORE] COMMAND [OPTIONS]

The results store of a station or of the line, from the command line.

Commands:
  import DIR...         record the result files under the folders (resultsPASS,
                        resultsFAIL, log paths, an archive) that the store lacks
  find                  the runs of a barcode, a LOT or a time, newest first
  yield                 panels, first-pass and final yield per group
  export                every run with its items, as CSV or JSON Lines
  sync                  send the runs the line has not acknowledged
  help [COMMAND]        this text, or a command's

Store (every command):
  --store PATH          the station's store (default ./results.db)
  --line                the line's server that ./line.ini names
  --connection CONNINFO the line's server by a libpq connection string or
                        "service=NAME" (implies --line)

Times (T) are ISO 8601 dates or date-times, local unless they carry an offset:
2026-12-06, 2026-12-06T09:41, 2026-12-06 09:41:07. --until T takes runs that
started before T; a date alone takes in that whole day.

Exit status: 0 done, 1 a failure at work, 2 a usage error.
Run "kavel-results help COMMAND" for a command's options.
)";

const char *const Import = R"(Usage: kavel-results [STORE] import [OPTIONS] DIR...

Records the result files found under each DIR (folders are searched through;
a file may be named too) that the store does not hold yet. The run's context
comes from the file's name and folder: the verdict from resultsPASS /
resultsFAIL or the name's -Pass / -Fail, the start mode, barcode, LOT and
worker from the name's shape. A file recorded before is known and left alone;
a file that is not a result file is named on stderr and skipped. Runs imported
into the station's store are queued for the line; runs imported into the
line's server are not.

Options:
  --station ID          the station the runs were taken on (default: the id in
                        ./line.ini, else the host name)
  --pass-folder DIR     a profile's LogPASS_Path: its files passed
  --fail-folder DIR     a profile's LogFAIL_Path: its files failed

Prints "imported N, known K, skipped S" at the end. Exit status 1 when the
store refused a write or a file could not be read.
)";

const char *const Find = R"(Usage: kavel-results [STORE] find (--barcode X | --barcode-prefix P | --lot L |
                                  --since T) [OPTIONS]

The runs that match, newest first: verdict, station, start time, barcode, LOT,
the items that failed and the filed file.

Options:
  --barcode X           the runs of this barcode, as typed
  --barcode-prefix P    the runs whose barcode starts with P, as typed (% and
                        _ are characters like any other)
  --lot L               the runs of this LOT, as typed
  --since T             runs that started at or after T
  --until T             runs that started before T
  --format F            text (aligned columns, the default), csv or json
                        (JSON Lines, one object per run)
)";

const char *const Yield = R"(Usage: kavel-results [STORE] yield --by GROUP [OPTIONS]

Per group, both yields of the same panels: those first tested in the group (a
panel is a barcode; a run without one is a panel of its own), wherever and
whenever they were tested again. A retest in the next hour, on another station
or in another LOT counts for the group the panel was first tested in.

  runs                  the runs in the group, retests included
  panels                the panels first tested in the group
  firstPassed           of those, the panels whose first run passed
  firstPassYield        firstPassed / panels, in percent
  finalPassed           of those, the panels whose latest run passed
  finalYield            finalPassed / panels, in percent (below the first-pass
                        yield only where a panel that passed was tested again
                        and failed)
  passedAfterRetest     of those, the panels whose first run failed and a
                        later one passed
  neverPassed           of those, the panels of which no run passed
                        (firstPassed + passedAfterRetest + neverPassed = panels)
  retests               the runs of those panels after their first

A group without first-tested panels (only retests) has no yield: "-" in text,
an empty field in CSV, null in JSON.

Engineering runs (golden samples, reference panels) are left out: their
barcodes' patterns are kept in ./stats.ini, [engineering] barcodes=GOLD*,REF-1
("GOLD*" every barcode starting with GOLD, "REF-1" that barcode alone); the
statistics window sets them too.

Options:
  --by GROUP            hour, day (local time), lot, station or profile
  --since T             runs that started at or after T
  --until T             runs that started before T
  --engineering         the engineering runs alone
  --format F            text (the default), csv or json
)";

const char *const Export = R"(Usage: kavel-results [STORE] export --format csv|json [OPTIONS]

Every run, oldest first, written as it is read.
  csv    one line per run: the run's context and one column per item (PASS,
         FAIL, or empty where the item did not run or the file cannot tell)
  json   JSON Lines, one object per run:
         {"run": {...}, "context": {...}, "items": [...],
          "failingCells": [...], "failingElectrodes": [...]}

Options:
  --format F            csv or json
  --since T             runs that started at or after T
  --until T             runs that started before T
)";

const char *const Sync = R"(Usage: kavel-results [STORE] sync

Sends the runs of the station's store that the line's server has not
acknowledged.
)";

const char *const HelpCommand = R"(Usage: kavel-results help [COMMAND]

The tool's help, or a command's.
)";

struct Command
{
    const char *name;
    const char *help;
    QSet<QString> options;
};

const QSet<QString> &storeOptions()
{
    static const QSet<QString> options{QStringLiteral("help"), QStringLiteral("store"), QStringLiteral("line"),
                                       QStringLiteral("connection")};
    return options;
}

const std::vector<Command> &commands()
{
    static const std::vector<Command> list{
        {"import", Import, {"station", "pass-folder", "fail-folder"}},
        {"find", Find, {"barcode", "barcode-prefix", "lot", "since", "until", "format"}},
        {"yield", Yield, {"by", "since", "until", "engineering", "format"}},
        {"export", Export, {"since", "until", "format"}},
        {"sync", Sync, {}},
        {"help", HelpCommand, {}},
    };
    return list;
}

const Command *findCommand(const QString &name)
{
    for (const Command &c : commands()) {
        if (name == QLatin1String(c.name))
            return &c;
    }
    return nullptr;
}

} // namespace

QString helpText(const QString &command)
{
    if (command.isEmpty())
        return QString::fromUtf8(General);
    const Command *c = findCommand(command);
    return c ? QString::fromUtf8(c->help) : QString();
}

std::optional<qint64> parseTime(const QString &text, bool endOfDay)
{
    const QString t = text.trimmed();
    if (t.size() == 10) {
        const QDate date = QDate::fromString(t, Qt::ISODate);
        if (!date.isValid())
            return std::nullopt;
        return QDateTime(endOfDay ? date.addDays(1) : date, QTime(0, 0)).toMSecsSinceEpoch();
    }
    QString dateTime = t;
    // "2026-12-06 09:41" is how people write it; ISO 8601 wants the T.
    if (dateTime.size() > 10 && dateTime.at(10) == QLatin1Char(' '))
        dateTime[10] = QLatin1Char('T');
    const QDateTime at = QDateTime::fromString(dateTime, Qt::ISODate);
    if (!at.isValid() || dateTime.size() < 16)
        return std::nullopt;
    return at.toMSecsSinceEpoch();
}

Parsed parseArguments(const QStringList &arguments)
{
    Parsed parsed;
    Invocation &inv = parsed.invocation;
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({
        {{QStringLiteral("h"), QStringLiteral("help")}, QString()},
        {QStringLiteral("store"), QString(), QStringLiteral("PATH")},
        {QStringLiteral("line"), QString()},
        {QStringLiteral("connection"), QString(), QStringLiteral("CONNINFO")},
        {QStringLiteral("station"), QString(), QStringLiteral("ID")},
        {QStringLiteral("pass-folder"), QString(), QStringLiteral("DIR")},
        {QStringLiteral("fail-folder"), QString(), QStringLiteral("DIR")},
        {QStringLiteral("barcode"), QString(), QStringLiteral("X")},
        {QStringLiteral("barcode-prefix"), QString(), QStringLiteral("P")},
        {QStringLiteral("engineering"), QString()},
        {QStringLiteral("lot"), QString(), QStringLiteral("L")},
        {QStringLiteral("since"), QString(), QStringLiteral("T")},
        {QStringLiteral("until"), QString(), QStringLiteral("T")},
        {QStringLiteral("by"), QString(), QStringLiteral("GROUP")},
        {QStringLiteral("format"), QString(), QStringLiteral("F")},
    });
    if (!parser.parse(arguments)) {
        parsed.error = parser.errorText();
        return parsed;
    }
    inv.help = parser.isSet(QStringLiteral("help"));
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty()) {
        if (!inv.help)
            parsed.error = QStringLiteral("no command given");
        return parsed;
    }
    inv.command = positional.takeFirst();
    inv.arguments = positional;
    const Command *command = findCommand(inv.command);
    if (!command) {
        parsed.error = QStringLiteral("unknown command \"%1\"").arg(inv.command);
        return parsed;
    }
    const auto fail = [&parsed](const QString &why) {
        parsed.error = why;
        return parsed;
    };
    for (const QString &name : parser.optionNames()) {
        const QString option = name == QLatin1String("h") ? QStringLiteral("help") : name;
        if (!storeOptions().contains(option) && !command->options.contains(option))
            return fail(QStringLiteral("%1 takes no --%2").arg(inv.command, option));
    }
    if (inv.help)
        return parsed;

    const auto value = [&parser](const char *name) { return parser.value(QString::fromLatin1(name)); };
    const auto given = [&parser](const char *name) { return parser.isSet(QString::fromLatin1(name)); };
    inv.line = given("line") || given("connection");
    inv.connection = value("connection");
    if (given("store")) {
        if (inv.line)
            return fail(QStringLiteral("--store and --line name two different stores"));
        inv.store = value("store");
    }
    inv.station = value("station");
    inv.passFolder = value("pass-folder");
    inv.failFolder = value("fail-folder");
    if (given("barcode"))
        inv.barcode = value("barcode");
    if (given("barcode-prefix"))
        inv.barcodePrefix = value("barcode-prefix");
    inv.engineering = given("engineering");
    if (given("lot"))
        inv.lot = value("lot");
    for (const auto &[name, target, endOfDay] :
         {std::tuple{"since", &inv.since, false}, std::tuple{"until", &inv.until, true}}) {
        if (!given(name))
            continue;
        *target = parseTime(value(name), endOfDay);
        if (!*target)
            return fail(QStringLiteral("--%1: \"%2\" is no ISO 8601 date or date-time").arg(QLatin1String(name),
                                                                                           value(name)));
    }
    if (inv.since && inv.until && *inv.since >= *inv.until)
        return fail(QStringLiteral("--since is not before --until"));
    if (given("format")) {
        const QString f = value("format");
        if (f == QLatin1String("text") && inv.command != QLatin1String("export"))
            inv.format = Format::Text;
        else if (f == QLatin1String("csv"))
            inv.format = Format::Csv;
        else if (f == QLatin1String("json"))
            inv.format = Format::Json;
        else
            return fail(QStringLiteral("--format: \"%1\" is none of %2")
                            .arg(f, inv.command == QLatin1String("export") ? QStringLiteral("csv, json")
                                                                           : QStringLiteral("text, csv, json")));
    }
    inv.by = value("by");

    if (inv.command == QLatin1String("import")) {
        if (inv.arguments.isEmpty())
            return fail(QStringLiteral("import needs a folder"));
    } else if (inv.command == QLatin1String("help")) {
        if (inv.arguments.size() > 1)
            return fail(QStringLiteral("help takes one command"));
    } else if (!inv.arguments.isEmpty()) {
        return fail(QStringLiteral("%1 takes no argument \"%2\"").arg(inv.command, inv.arguments.first()));
    }
    if (inv.command == QLatin1String("find") && !inv.barcode && !inv.barcodePrefix && !inv.lot && !inv.since)
        return fail(QStringLiteral("find needs --barcode, --barcode-prefix, --lot or --since"));
    if (inv.command == QLatin1String("yield")) {
        static const QStringList groups{QStringLiteral("hour"), QStringLiteral("day"), QStringLiteral("lot"),
                                        QStringLiteral("station"), QStringLiteral("profile")};
        if (!groups.contains(inv.by))
            return fail(inv.by.isEmpty() ? QStringLiteral("yield needs --by")
                                         : QStringLiteral("--by: \"%1\" is none of %2")
                                               .arg(inv.by, groups.join(QStringLiteral(", "))));
    }
    if (inv.command == QLatin1String("export") && !inv.format)
        return fail(QStringLiteral("export needs --format csv or --format json"));
    return parsed;
}

} // namespace results::cli
