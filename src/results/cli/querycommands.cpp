#include "commands.h"
#include "output.h"

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

QString percent(qint64 part, qint64 whole)
{
    return QString::number(whole > 0 ? 100.0 * double(part) / double(whole) : 0.0, 'f', 1);
}

} // namespace

int findRuns(const Invocation &invocation, ResultStore &store)
{
    QSqlQuery q(store.database());
    QString error;
    if (!queries::findRuns(q, runFilter(invocation), &error))
        return failed(invocation.command, error), ExitFailure;

    Table table(invocation.format.value_or(Format::Text),
                {QStringLiteral("verdict"), QStringLiteral("station"), QStringLiteral("started"),
                 QStringLiteral("barcode"), QStringLiteral("lot"), QStringLiteral("failed"), QStringLiteral("file")});
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
        }
        if (!q.value(8).isNull())
            failedItems << q.value(8).toString();
    }
    // Rows that stopped early are no answer, however many came.
    if (q.lastError().isValid())
        return failed(invocation.command, q.lastError().text()), ExitFailure;
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
    std::vector<queries::YieldRow> rows;
    QString error;
    if (!by || !queries::yieldByGroup(store.database(), *by, runFilter(invocation), rows, &error))
        return failed(invocation.command, by ? error : QStringLiteral("no such group")), ExitFailure;
    const bool byTime = *by == queries::GroupBy::Hour || *by == queries::GroupBy::Day;

    Table table(invocation.format.value_or(Format::Text),
                {invocation.by, QStringLiteral("runs"), QStringLiteral("panels"), QStringLiteral("firstPassYield"),
                 QStringLiteral("finalYield")});
    for (const queries::YieldRow &row : rows) {
        QString name = row.group.toString();
        if (byTime) {
            // The bucket counts local wall-clock time, so it is shown as UTC.
            const QDateTime start = QDateTime::fromMSecsSinceEpoch(row.group.toLongLong(), Qt::UTC);
            name = start.toString(*by == queries::GroupBy::Hour ? QStringLiteral("yyyy-MM-ddTHH:00")
                                                                : QStringLiteral("yyyy-MM-dd"));
        }
        table.row({name, Table::Number{QString::number(row.runs)}, Table::Number{QString::number(row.panels)},
                   Table::Number{percent(row.firstPassed, row.panels)},
                   Table::Number{percent(row.lastPassed, row.lastPanels)}});
    }
    table.finish();
    return ExitOk;
}

} // namespace results::cli
