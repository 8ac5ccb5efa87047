#include "commands.h"
#include "output.h"

#include "capability.h"
#include "measurements.h"
#include "resultstore.h"
#include "runqueries.h"

#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>

namespace results::cli {

namespace {

bool failed(const QString &command, const QString &error)
{
    err(QStringLiteral("%1: the store refused the query: %2\n").arg(command, error.simplified()));
    return false;
}

} // namespace

QStringList conditionColumns()
{
    return {QStringLiteral("profile_sha1"), QStringLiteral("baseline_sha1"), QStringLiteral("firmware_sha1"),
            QStringLiteral("software_version")};
}

Table::Value conditionValue(const QVariant &value, bool shortHash)
{
    if (value.isNull())
        return std::monostate();
    // A hash's first characters tell versions apart on a terminal; profile
    // --show takes them.
    return shortHash ? value.toString().left(ShortHash) : value.toString();
}

int findRuns(const Invocation &invocation, ResultStore &store)
{
    QSqlQuery q(store.database());
    QString error;
    if (!queries::findRuns(q, runFilter(invocation), &error))
        return failed(invocation.command, error), ExitFailure;

    const Format format = invocation.format.value_or(Format::Text);
    Table table(format, QStringList{QStringLiteral("verdict"), QStringLiteral("station"), QStringLiteral("started"),
                                    QStringLiteral("barcode"), QStringLiteral("lot"), QStringLiteral("failed"),
                                    QStringLiteral("file")}
                            + conditionColumns());
    QString runId;
    std::vector<Table::Value> pending;
    QStringList failedItems;
    const auto flush = [&] {
        if (pending.empty())
            return;
        std::sort(failedItems.begin(), failedItems.end(), [](const QString &a, const QString &b) {
            return queries::itemOrder().indexOf(a) < queries::itemOrder().indexOf(b);
        });
        pending[5] = failedItems;
        table.row(std::move(pending));
        pending.clear();
        failedItems.clear();
    };
    while (q.next()) {
        if (q.value(0).toString() != runId) {
            flush();
            runId = q.value(0).toString();
            pending = {q.value(1).toString(), q.value(2).toString(), isoTime(q.value(3).toLongLong(), false),
                       q.value(4).toString(), q.value(5).toString(), QStringList(), q.value(6).toString()};
            for (int c = 9; c < 13; ++c)
                pending.push_back(conditionValue(q.value(c), format == Format::Text && c < 12));
        }
        if (!q.value(8).isNull())
            failedItems << q.value(8).toString();
    }
    if (!queries::finished(q, &error))
        return failed(invocation.command, error), ExitFailure;
    const bool none = runId.isNull();
    flush();
    table.finish();
    if (none)
        err(QStringLiteral("find: no run matches\n"));
    return ExitOk;
}

int yieldReport(const Invocation &invocation, ResultStore &store)
{
    const std::optional<queries::GroupBy> by = queries::groupByName(invocation.by);
    queries::RunFilter filter = runFilter(invocation);
    filter.engineering = queries::engineeringPatterns(invocation.statsSettings);
    filter.engineeringOnly = invocation.engineering;
    std::vector<queries::YieldRow> rows;
    QString error;
    if (!by || !queries::yieldByGroup(store.database(), *by, filter, rows, &error))
        return failed(invocation.command, by ? error : QStringLiteral("no such group")), ExitFailure;
    const bool byTime = *by == queries::GroupBy::Hour || *by == queries::GroupBy::Day;

    Table table(invocation.format.value_or(Format::Text),
                {invocation.by, QStringLiteral("runs"), QStringLiteral("panels"), QStringLiteral("firstPassed"),
                 QStringLiteral("firstPassYield"), QStringLiteral("finalPassed"), QStringLiteral("finalYield"),
                 QStringLiteral("passedAfterRetest"), QStringLiteral("neverPassed"), QStringLiteral("retests")});
    const auto count = [](qint64 n) { return Table::Number{QString::number(n)}; };
    // A group without first-tested panels has no yield: null, not 0 %.
    const auto percent = [](std::optional<double> yield) -> Table::Value {
        if (!yield)
            return std::monostate();
        return Table::Number{QString::number(*yield, 'f', 1)};
    };
    for (const queries::YieldRow &row : rows) {
        QString name = row.group;
        if (byTime) {
            // The bucket counts local wall-clock time, so it is shown as UTC.
            const QDateTime start = QDateTime::fromMSecsSinceEpoch(row.bucket, Qt::UTC);
            name = start.toString(*by == queries::GroupBy::Hour ? QStringLiteral("yyyy-MM-ddTHH:00")
                                                                : QStringLiteral("yyyy-MM-dd"));
        }
        table.row({name, count(row.runs), count(row.panels), count(row.firstPassed), percent(row.firstPassYield()),
                   count(row.finalPassed), percent(row.finalYield()), count(row.passedAfterRetest),
                   count(row.neverPassed), count(row.retests)});
    }
    table.finish();
    return ExitOk;
}

int capabilityReport(const Invocation &invocation, ResultStore &store)
{
    queries::RunFilter filter = runFilter(invocation);
    if (!invocation.station.isEmpty())
        filter.station = invocation.station;
    filter.profile = invocation.profile;
    filter.engineering = queries::engineeringPatterns(invocation.statsSettings);
    filter.engineeringOnly = invocation.engineering;
    std::vector<queries::Capability> rows;
    QString error;
    if (!queries::capability(store.database(), invocation.item, filter, rows, &error, invocation.measurement))
        return failed(invocation.command, error), ExitFailure;

    const Format format = invocation.format.value_or(Format::Text);
    const bool text = format == Format::Text;
    // The text is read on a terminal: the columns a quality engineer reads
    // first. CSV and JSON carry every figure.
    const QStringList columns =
        text ? QStringList{QStringLiteral("measurement"), QStringLiteral("version"), QStringLiteral("lower"),
                           QStringLiteral("upper"), QStringLiteral("count"), QStringLiteral("mean"),
                           QStringLiteral("sigmaWithin"), QStringLiteral("sigmaOverall"), QStringLiteral("cp"),
                           QStringLiteral("cpk"), QStringLiteral("pp"), QStringLiteral("ppk"), QStringLiteral("outside")}
             : QStringList{QStringLiteral("item"),         QStringLiteral("measurement"), QStringLiteral("unit"),
                           QStringLiteral("version"),      QStringLiteral("versions"),    QStringLiteral("first"),
                           QStringLiteral("last"),         QStringLiteral("limitsKnown"), QStringLiteral("lower"),
                           QStringLiteral("upper"),        QStringLiteral("count"),       QStringLiteral("mean"),
                           QStringLiteral("min"),          QStringLiteral("max"),         QStringLiteral("movingRanges"),
                           QStringLiteral("sigmaWithin"),  QStringLiteral("sigmaOverall"), QStringLiteral("cp"),
                           QStringLiteral("cpk"),          QStringLiteral("cpu"),         QStringLiteral("cpl"),
                           QStringLiteral("pp"),           QStringLiteral("ppk"),         QStringLiteral("ppu"),
                           QStringLiteral("ppl"),          QStringLiteral("below"),       QStringLiteral("above")};
    Table table(format, columns);
    const auto number = [](std::optional<double> v) -> Table::Value {
        if (!v)
            return std::monostate();
        return Table::Number{QString::number(*v, 'g', 6)};
    };
    const auto count = [](qint64 n) { return Table::Number{QString::number(n)}; };
    for (const queries::Capability &c : rows) {
        // Unknown limits are not the absence of one: "?" where the text shows them.
        const auto side = [&](std::optional<double> l) -> Table::Value {
            if (text && !c.limitsKnown)
                return QStringLiteral("?");
            return number(l);
        };
        if (text) {
            table.row({c.name, QStringLiteral("%1/%2").arg(c.version).arg(c.versions), side(c.lower), side(c.upper),
                       count(c.count), number(c.mean), number(c.sigmaWithin), number(c.sigmaOverall), number(c.cp),
                       number(c.cpk), number(c.pp), number(c.ppk), count(c.below + c.above)});
            continue;
        }
        table.row({c.item, c.name, measurementUnit(c.item), count(c.version), count(c.versions),
                   isoTime(c.firstAt, true), isoTime(c.lastAt, true),
                   Table::Number{c.limitsKnown ? QStringLiteral("true") : QStringLiteral("false")}, side(c.lower),
                   side(c.upper), count(c.count), number(c.mean), number(c.min), number(c.max), count(c.ranges),
                   number(c.sigmaWithin), number(c.sigmaOverall), number(c.cp), number(c.cpk), number(c.cpu),
                   number(c.cpl), number(c.pp), number(c.ppk), number(c.ppu), number(c.ppl), count(c.below),
                   count(c.above)});
    }
    table.finish();
    if (rows.empty())
        err(QStringLiteral("capability: no %1 measurement in the runs asked for\n").arg(invocation.item));
    return ExitOk;
}

} // namespace results::cli
