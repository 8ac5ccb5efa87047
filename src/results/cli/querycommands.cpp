#include "commands.h"
#include "output.h"

#include "resultstore.h"

#include <QDateTime>
#include <QSqlQuery>

#include <algorithm>

namespace results::cli {

namespace {

bool run(QSqlQuery &query, const QString &sql, const QVariantList &bound, const QString &command)
{
    QString error;
    if (execQuery(query, sql, bound, &error))
        return true;
    err(QStringLiteral("%1: the store refused the query: %2\n").arg(command, error));
    return false;
}

// Operator input as typed; an empty text stays a text (a null QString would
// bind as NULL and match nothing).
QVariant text(const QString &s)
{
    return QVariant(s.isNull() ? QStringLiteral("") : s);
}

QString percent(qint64 part, qint64 whole)
{
    return QString::number(whole > 0 ? 100.0 * double(part) / double(whole) : 0.0, 'f', 1);
}

} // namespace

int findRuns(const Invocation &invocation, ResultStore &store)
{
    QStringList conditions;
    QVariantList bound;
    if (invocation.barcode) {
        conditions << QStringLiteral("r.barcode = ?");
        bound << text(*invocation.barcode);
    }
    if (invocation.lot) {
        conditions << QStringLiteral("r.lot = ?");
        bound << text(*invocation.lot);
    }
    const QString range = timeRange(invocation, QStringLiteral("r"), bound);
    if (!range.isEmpty())
        conditions << range;
    // One row per failed item (or one for a run without), folded per run below.
    QSqlQuery q(store.database());
    if (!run(q,
             QStringLiteral("SELECT r.run_id, r.verdict, r.station, r.started_at, r.barcode, r.lot, r.file_path, i.item"
                            " FROM runs r LEFT JOIN items i ON i.run_id = r.run_id AND i.pass = 0 WHERE ")
                 + conditions.join(QStringLiteral(" AND "))
                 + QStringLiteral(" ORDER BY r.started_at DESC, r.run_id DESC"),
             bound, invocation.command))
        return ExitFailure;

    Table table(invocation.format.value_or(Format::Text),
                {QStringLiteral("verdict"), QStringLiteral("station"), QStringLiteral("started"),
                 QStringLiteral("barcode"), QStringLiteral("lot"), QStringLiteral("failed"), QStringLiteral("file")});
    QString runId;
    std::vector<Table::Value> pending;
    QStringList failed;
    const auto flush = [&] {
        if (pending.empty())
            return;
        std::sort(failed.begin(), failed.end(), [](const QString &a, const QString &b) {
            return itemOrder().indexOf(a) < itemOrder().indexOf(b);
        });
        pending[5] = failed;
        table.row(std::move(pending));
        pending.clear();
        failed.clear();
    };
    while (q.next()) {
        if (q.value(0).toString() != runId) {
            flush();
            runId = q.value(0).toString();
            pending = {q.value(1).toString(), q.value(2).toString(), isoTime(q.value(3).toLongLong(), false),
                       q.value(4).toString(), q.value(5).toString(), QStringList(), q.value(6).toString()};
        }
        if (!q.value(7).isNull())
            failed << q.value(7).toString();
    }
    flush();
    table.finish();
    return ExitOk;
}

int yieldReport(const Invocation &invocation, ResultStore &store)
{
    QVariantList bound;
    QString group;
    const bool byTime = invocation.by == QLatin1String("hour") || invocation.by == QLatin1String("day");
    const qint64 bucket = invocation.by == QLatin1String("hour") ? 3600000 : 86400000;
    if (byTime) {
        QVariantList rangeBound;
        const QString range = timeRange(invocation, QStringLiteral("r"), rangeBound);
        QSqlQuery span(store.database());
        if (!run(span,
                 QStringLiteral("SELECT MIN(r.started_at), MAX(r.started_at) FROM runs r")
                     + (range.isEmpty() ? QString() : QStringLiteral(" WHERE ") + range),
                 rangeBound, invocation.command))
            return ExitFailure;
        if (!span.next() || span.value(0).isNull())
            return ExitOk; // no runs, no groups
        const qint64 from = span.value(0).toLongLong();
        const qint64 to = span.value(1).toLongLong();
        span.finish();
        group = QStringLiteral("(%1) / %2").arg(localTimeSql(QStringLiteral("r.started_at"), from, to, bound)).arg(bucket);
    } else {
        group = QStringLiteral("r.") + invocation.by;
    }
    const QString range = timeRange(invocation, QStringLiteral("r"), bound);

    // A panel is a barcode, or a run of its own when it has none; its first
    // and last run in the group decide the first-pass and the final yield.
    const QString sql =
        QStringLiteral("WITH grouped AS (SELECT ") + group
        + QStringLiteral(" AS grp, r.barcode, CASE WHEN r.barcode = '' THEN r.run_id ELSE '' END AS lone,"
                         " r.verdict, r.started_at, r.run_id FROM runs r")
        + (range.isEmpty() ? QString() : QStringLiteral(" WHERE ") + range)
        + QStringLiteral("), ranked AS (SELECT grp, verdict,"
                         " ROW_NUMBER() OVER (PARTITION BY grp, barcode, lone ORDER BY started_at, run_id) AS nth,"
                         " ROW_NUMBER() OVER (PARTITION BY grp, barcode, lone ORDER BY started_at DESC, run_id DESC)"
                         " AS nth_last FROM grouped)"
                         " SELECT grp, COUNT(*),"
                         " SUM(CASE WHEN nth = 1 THEN 1 ELSE 0 END),"
                         " SUM(CASE WHEN nth = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END),"
                         " SUM(CASE WHEN nth_last = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END)"
                         " FROM ranked GROUP BY grp ORDER BY grp");
    QSqlQuery q(store.database());
    if (!run(q, sql, bound, invocation.command))
        return ExitFailure;

    Table table(invocation.format.value_or(Format::Text),
                {invocation.by, QStringLiteral("runs"), QStringLiteral("panels"), QStringLiteral("firstPassYield"),
                 QStringLiteral("finalYield")});
    while (q.next()) {
        QString name = q.value(0).toString();
        if (byTime) {
            // The bucket counts local wall-clock time, so it is shown as UTC.
            const QDateTime start = QDateTime::fromMSecsSinceEpoch(q.value(0).toLongLong() * bucket, Qt::UTC);
            name = start.toString(bucket == 3600000 ? QStringLiteral("yyyy-MM-ddTHH:00") : QStringLiteral("yyyy-MM-dd"));
        }
        const qint64 panels = q.value(2).toLongLong();
        table.row({name, Table::Number{q.value(1).toString()}, Table::Number{QString::number(panels)},
                   Table::Number{percent(q.value(3).toLongLong(), panels)},
                   Table::Number{percent(q.value(4).toLongLong(), panels)}});
    }
    table.finish();
    return ExitOk;
}

} // namespace results::cli
