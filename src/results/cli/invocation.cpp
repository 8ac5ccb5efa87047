#include "invocation.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDateTime>
#include <QRegularExpression>
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
  capability --item I   process capability of an item's measurements
  export                every run with its items, as CSV or JSON Lines
  profile               a profile's versions, one version's text, what
                        changed between two
  sync                  send the runs the line has not acknowledged
  prune                 remove old runs the line has from the station's store
  server SUBCOMMAND     set up the line's server: init, add-station,
                        add-reader, release-station (its administrator)
  help [COMMAND]        this text, or a command's

Store (every command):
  --store PATH          the station's store (default ./results.db)
  --line                the line's server that ./line.ini names (its reader
                        connection for queries, its station's for the rest)
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
worker from the name's shape. A file recorded before is known and left alone.
Every file left out is named on stderr with why: not a result file, an empty
file, a link to nothing, not a regular file (a FIFO is never waited on), or
one that cannot be read. A result file cut short is recorded with an item
"complete" that failed, and named. A file whose run started before the runs
the station's store pruned ("prune") is left out: its run was counted and
removed. Names that are not UTF-8 (a legacy code page) are taken byte by
byte. Runs imported into the station's store are queued for the line; runs
imported into the line's server are not.

Options:
  --station ID          the station the runs were taken on (default: the id in
                        ./line.ini, else the host name; needed with --line)
  --pass-folder DIR     a profile's LogPASS_Path: its files passed
  --fail-folder DIR     a profile's LogFAIL_Path: its files failed

Prints "imported N, known K, skipped S" at the end; N is followed by how many
of them were cut short, in brackets, when some were. Exit status 1 when the
store refused a write, or a file other than one that is no result file was
left out or cut short.
)";

const char *const Find = R"(Usage: kavel-results [STORE] find (--barcode X | --barcode-prefix P | --lot L |
                                  --since T) [OPTIONS]

The runs that match, newest first: verdict, station, start time, barcode, LOT,
the items that failed, the filed file, and what the run was judged against:
profile_sha1, baseline_sha1, firmware_sha1 (the texts' hashes, for "profile
--show"; the text format shows their first 12 characters) and
software_version. Each is empty (null in JSON) where it is not known (a run
recorded from its file alone) or was not used (no planeness or open/short
item, no firmware download). "find: no run matches" on stderr when none does.

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

const char *const Capability = R"(Usage: kavel-results [STORE] capability --item ITEM [OPTIONS]

Process capability of each measurement of ITEM, named as the result file
names it, against the limits of the profile each run was judged under:

  Electric    current: the middle of the three readings (mA), below Electric_thr
  Tb_Value    highest: the highest of the readings, at least Tb_value_thr
  OpenShort   X[i], Y[i]: each line value's difference to the baseline, within
              its electrode's window of RowSetData
  RasterX     middle max, middle min, edge max, edge min: the highest and the
  RasterY     lowest difference to the baseline of the middle and of the edge
              cells, against M1_thr_max / _min and Raster<X|Y>_edge_max / _min
  BtnData     Btn[k]: each key's value within Btn_Min and Btn_Max

One row per measurement and version of its limits: where the limits changed
inside the range, one row for each, oldest first (version 1/2, 2/2). A run
recorded without its profile (rebuilt from its file) has values but unknown
limits ("?"), a version of its own.

  count                 the values
  mean                  their mean
  sigmaWithin           the mean moving range of consecutive runs of each
                        station and profile / 1.128 (d2); a range counts where
                        both runs are among those asked for, under the same
                        limits (the first run of each in the range has none)
  sigmaOverall          the sample standard deviation
  cp, pp                (upper - lower) / 6 sigma, within and overall
  cpu, ppu              (upper - mean) / 3 sigma
  cpl, ppl              (mean - lower) / 3 sigma
  cpk, ppk              the least of cpu and cpl (of ppu and ppl) there are:
                        one-sided where only one limit is
  below, above          the values outside the limits (a current at its limit
                        is above: it passes only below)

An index is empty where its limit is none or unknown, or sigma is 0 or cannot
be taken (one value, no moving range). Engineering runs (./stats.ini, see
"yield") are left out.

Options:
  --item ITEM           Electric, Tb_Value, OpenShort, RasterX, RasterY, BtnData
  --measurement M       that measurement alone (e.g. X[3])
  --since T             runs that started at or after T
  --until T             runs that started before T
  --station ID          the runs of one station
  --profile NAME        the runs of one profile (its file name)
  --engineering         the engineering runs alone
  --format F            text (the default; fewer columns), csv or json
)";

const char *const Export = R"(Usage: kavel-results [STORE] export --format csv|json [OPTIONS]

Every run, oldest first, written as it is read.
  csv    one line per run: the run's context, what it was judged against
         (profile_sha1, baseline_sha1, firmware_sha1, software_version, as
         find gives them) and one column per item (PASS, FAIL, or empty where
         the item did not run or the file cannot tell)
  json   JSON Lines, one object per run:
         {"run": {...}, "context": {..., "profile_sha1": ...}, "items": [...],
          "failingCells": [...], "failingElectrodes": [...]}
A CSV field that a spreadsheet would run as a formula (it starts with =, +,
-, @, a tab or a CR and is no number) is written with a leading '. When the
store stops answering, the export says after how many runs on stderr and
its exit status is 1: what was written is a part only.

Options:
  --format F            csv or json
  --since T             runs that started at or after T
  --until T             runs that started before T
  --after CURSOR        the line's server only: the runs that reached it since
                        CURSOR (0 the first time), however late they were
                        taken; ends with "next cursor: N" on stderr, the
                        CURSOR to give next time
)";

const char *const Profile = R"(Usage: kavel-results [STORE] profile NAME [--format F]
       kavel-results [STORE] profile --show HASH
       kavel-results [STORE] profile --diff OLD NEW [--format F]

Every text a run was judged against is kept once, by its SHA-1: the profile
as the run read it (without the administrator's password, key qvd), the
baseline, the firmware image.

  profile NAME          the versions of the profile of that file name (as
                        find and export name it, e.g. demo.ini), oldest
                        first: first_seen and station, when and where each
                        first appeared (the first run judged under it, or
                        the station's settings saving it), profile_sha1, and
                        the runs judged under it. The runs whose profile is
                        not known (recorded from their files alone: an
                        import, a catch-up) are one line without a hash.
  --show HASH           the text of that hash, byte for byte
  --diff OLD NEW        the keys whose values differ from version OLD to NEW:
                        key (as the profile names it, ModeSwitch/Debug_Mode),
                        change (changed, added or removed), old and new
                        value; in the order of NEW's text

A HASH may be given by its first 6 characters or more, where no other text
starts with them. Exit status 1 for a hash the store does not hold.

Options:
  --format F            text (the default), csv or json
)";

const char *const Sync = R"(Usage: kavel-results [STORE] sync [--retry]

Sends the runs of the station's store that the line's server has not
acknowledged, as the station id of ./line.ini, and prints "sent N, waiting M"
(and ", K refused" when the server refused runs: each is named on stderr with
the server's reason). Exit status 1 while runs wait or are refused.

Options:
  --retry               try the refused runs again
)";

const char *const Prune = R"(Usage: kavel-results [--store PATH] prune --before T [--dry-run]

Removes from the station's store the runs that started before T and that the
line's server has acknowledged, with their items and texts; never a run that
waits in the outbox or was refused (quarantine). The result files are not
touched. What was counted stays: the yield per quarter of an hour and the
panels' first runs, so that a panel tested again is a retest. A result file
of a run that started before T is not recorded again (catch-up, import). T
is taken back to the start of its quarter of an hour; a date alone is its
midnight. Prints "pruned N runs that started before T" and how many older
runs it kept; with --dry-run "would prune ...", and nothing changes. A
station prunes by itself when ./line.ini says how many days it keeps
([station] keep_days).

Options:
  --before T            the runs that started before T
  --dry-run             say what would go, change nothing
)";

const char *const Server = R"(Usage: kavel-results [--connection CONNINFO] server SUBCOMMAND

Sets up the line's server. Run by its administrator with a connection of a
superuser or of a role that may create roles (by default the one ./line.ini
names), never by a station.

Subcommands:
  init                  creates or migrates the results schema and the roles
                        kavel_owner (owns it), kavel_writer (the stations) and
                        kavel_reader (analysts, statistics); safe to repeat
  add-station ID --role NAME
                        a login role that adds the runs of station ID and
                        nothing else (created when absent)
  add-reader --role NAME
                        a login role that reads everything and writes nothing
  release-station ID    forgets which machine holds station ID, so that
                        another (a replaced station PC) may claim it
  maintain [--keep-months N]
                        makes the runs' partitions of this month and the
                        next three (and the default one) where missing; with
                        --keep-months, drops the months before the last N
                        (this one counted) once the yield per quarter counts
                        their runs, which it keeps; safe to repeat (daily,
                        from kavel-results-maintain.timer)

Roles are made without a password: set one with psql's \password, or let the
station log in with a client certificate (see the README).
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
        {"capability", Capability,
         {"item", "measurement", "since", "until", "station", "profile", "engineering", "format"}},
        {"export", Export, {"since", "until", "format", "after"}},
        {"profile", Profile, {"show", "diff", "format"}},
        {"sync", Sync, {"retry"}},
        {"prune", Prune, {"before", "dry-run"}},
        {"server", Server, {"role", "keep-months"}},
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
        {QStringLiteral("after"), QString(), QStringLiteral("CURSOR")},
        {QStringLiteral("retry"), QString()},
        {QStringLiteral("role"), QString(), QStringLiteral("NAME")},
        {QStringLiteral("show"), QString(), QStringLiteral("HASH")},
        {QStringLiteral("diff"), QString(), QStringLiteral("OLD")},
        {QStringLiteral("item"), QString(), QStringLiteral("ITEM")},
        {QStringLiteral("measurement"), QString(), QStringLiteral("M")},
        {QStringLiteral("profile"), QString(), QStringLiteral("NAME")},
        {QStringLiteral("before"), QString(), QStringLiteral("T")},
        {QStringLiteral("dry-run"), QString()},
        {QStringLiteral("keep-months"), QString(), QStringLiteral("N")},
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
         {std::tuple{"since", &inv.since, false}, std::tuple{"until", &inv.until, true},
          std::tuple{"before", &inv.before, false}}) {
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
    inv.item = value("item");
    inv.measurement = value("measurement");
    if (given("profile"))
        inv.profile = value("profile");
    inv.retry = given("retry");
    inv.dryRun = given("dry-run");
    inv.role = value("role");
    if (given("after")) {
        bool number = false;
        const qint64 after = value("after").toLongLong(&number);
        if (!number || after < 0)
            return fail(QStringLiteral("--after: \"%1\" is no cursor (a number that export printed, 0 the first time)")
                            .arg(value("after")));
        if (!inv.line)
            return fail(QStringLiteral("--after counts what reached the line's server: give --line or --connection"));
        inv.after = after;
    }

    if (inv.command == QLatin1String("import")) {
        if (inv.arguments.isEmpty())
            return fail(QStringLiteral("import needs a folder"));
        // On the line, a run under this PC's own id would claim another
        // station's files as this one's.
        if (inv.line && inv.station.isEmpty())
            return fail(QStringLiteral("import --line needs --station, the station the files were taken on"));
    } else if (inv.command == QLatin1String("server")) {
        static const QStringList withStation{QStringLiteral("add-station"), QStringLiteral("release-station")};
        const QString sub = inv.arguments.value(0);
        const qsizetype wanted = withStation.contains(sub) ? 2 : 1;
        if (sub != QLatin1String("init") && sub != QLatin1String("add-reader") && sub != QLatin1String("maintain")
            && !withStation.contains(sub))
            return fail(sub.isEmpty() ? QStringLiteral("server needs init, add-station, add-reader, release-station or "
                                                       "maintain")
                                      : QStringLiteral("server: no subcommand \"%1\"").arg(sub));
        if (inv.arguments.size() != wanted)
            return fail(wanted == 2 ? QStringLiteral("server %1 needs a station id").arg(sub)
                                    : QStringLiteral("server %1 takes no argument \"%2\"").arg(sub, inv.arguments.last()));
        const bool needsRole = sub == QLatin1String("add-station") || sub == QLatin1String("add-reader");
        if (needsRole != !inv.role.isEmpty())
            return fail(needsRole ? QStringLiteral("server %1 needs --role NAME").arg(sub)
                                  : QStringLiteral("server %1 takes no --role").arg(sub));
        if (given("keep-months")) {
            bool number = false;
            const int months = value("keep-months").toInt(&number);
            if (sub != QLatin1String("maintain"))
                return fail(QStringLiteral("server %1 takes no --keep-months").arg(sub));
            if (!number || months < 1)
                return fail(QStringLiteral("--keep-months: \"%1\" is no number of months (1 or more)")
                                .arg(value("keep-months")));
            inv.keepMonths = months;
        }
        inv.line = true;
    } else if (inv.command == QLatin1String("profile")) {
        const auto hash = [](const QString &text) {
            static const QRegularExpression hex(QStringLiteral("^[0-9a-fA-F]{6,40}$"));
            return hex.match(text).hasMatch();
        };
        if (given("show") && given("diff"))
            return fail(QStringLiteral("profile takes --show or --diff, not both"));
        if (given("show")) {
            if (!inv.arguments.isEmpty())
                return fail(QStringLiteral("profile --show takes one hash, not \"%1\"").arg(inv.arguments.first()));
            inv.show = value("show");
        } else if (given("diff")) {
            if (inv.arguments.size() != 1)
                return fail(QStringLiteral("profile --diff needs two hashes, the older first"));
            inv.diff = {value("diff"), inv.arguments.first()};
        } else if (inv.arguments.size() != 1) {
            return fail(inv.arguments.isEmpty() ? QStringLiteral("profile needs a profile's name, --show or --diff")
                                                : QStringLiteral("profile takes one name"));
        }
        const QStringList hashes = inv.show ? QStringList{*inv.show} : inv.diff;
        for (const QString &h : hashes) {
            if (!hash(h))
                return fail(QStringLiteral("\"%1\" is no hash (6 to 40 hexadecimal digits)").arg(h));
        }
        if (inv.show && inv.format)
            return fail(QStringLiteral("profile --show prints the text itself and takes no --format"));
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
    if (inv.command == QLatin1String("capability")) {
        static const QStringList items{QStringLiteral("Electric"), QStringLiteral("Tb_Value"),
                                       QStringLiteral("OpenShort"), QStringLiteral("RasterX"),
                                       QStringLiteral("RasterY"), QStringLiteral("BtnData")};
        if (!items.contains(inv.item))
            return fail(inv.item.isEmpty() ? QStringLiteral("capability needs --item")
                                           : QStringLiteral("--item: \"%1\" is none of %2")
                                                 .arg(inv.item, items.join(QStringLiteral(", "))));
        if (given("station") && inv.station.isEmpty())
            return fail(QStringLiteral("--station needs a station's id"));
    }
    if (inv.command == QLatin1String("prune")) {
        if (!inv.before)
            return fail(QStringLiteral("prune needs --before"));
        if (inv.line)
            return fail(QStringLiteral("prune works on a station's store, not on the line's server"));
    }
    if (inv.command == QLatin1String("export") && !inv.format)
        return fail(QStringLiteral("export needs --format csv or --format json"));
    return parsed;
}

} // namespace results::cli
