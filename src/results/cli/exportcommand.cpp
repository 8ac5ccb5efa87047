#include "commands.h"
#include "output.h"

#include "csv.h"
#include "resultstore.h"

#include <QHash>
#include <QSqlError>
#include <QSqlQuery>

#include <algorithm>
#include <vector>

namespace results::cli {

namespace {

// Runs are read a page at a time in (started_at, run_id) order, and each
// page's items, cells and electrodes by the page's key range: the export's
// memory is one page whatever the store holds, and only one query is open at
// a time, which a PostgreSQL connection reading row by row requires.
constexpr int PageSize = 200;

const QString After = QStringLiteral("(r.started_at > ? OR (r.started_at = ? AND r.run_id > ?))");
const QString UpTo = QStringLiteral("(r.started_at < ? OR (r.started_at = ? AND r.run_id <= ?))");

struct Key
{
    qint64 startedAt = -1;
    QString runId = QStringLiteral("");
};

struct Run
{
    QString id, verdict, file, station, startMode, lot, worker, barcode, profile;
    qint64 started = 0;
    qint64 ended = 0;
    // profile_sha1, baseline_sha1, firmware_sha1, software_version; NULL where not known.
    QVariantList conditions;
};

struct Item
{
    QString name;
    QVariant pass;
    QVariant value;
    QString text;
};

struct Page
{
    std::vector<Run> runs;
    QHash<QString, std::vector<Item>> items;
    QHash<QString, QStringList> cells;      // JSON objects, ready to write
    QHash<QString, QStringList> electrodes; // JSON objects, ready to write
};

class Reader
{
public:
    Reader(ResultStore &store, const Invocation &invocation, std::optional<qint64> receivedUpTo)
        : m_db(store.database())
        , m_invocation(invocation)
        , m_receivedUpTo(receivedUpTo)
    {
    }

    const QString &error() const { return m_error; }

    // The next page after the last one read; false on an error.
    bool next(Page &page, bool children)
    {
        page = Page();
        QVariantList bound{m_key.startedAt, m_key.startedAt, m_key.runId};
        queries::RunFilter span;
        span.since = m_invocation.since;
        span.until = m_invocation.until;
        span.receivedAfter = m_invocation.after;
        span.receivedUpTo = m_receivedUpTo;
        const QString range = queries::where(span, QStringLiteral("r"), bound);
        const QString inRange = range.isEmpty() ? QString() : QStringLiteral(" AND ") + range;
        QSqlQuery q(m_db);
        if (!exec(q,
                  QStringLiteral("SELECT r.run_id, r.verdict, r.started_at, r.ended_at, r.file_path, r.station,"
                                 " r.start_mode, r.lot, r.worker, r.barcode, r.profile, r.profile_sha1,"
                                 " r.baseline_sha1, r.firmware_sha1, r.software_version FROM runs r WHERE ")
                      + After + inRange + QStringLiteral(" ORDER BY r.started_at, r.run_id LIMIT %1").arg(PageSize),
                  bound))
            return false;
        while (q.next()) {
            page.runs.push_back({q.value(0).toString(), q.value(1).toString(), q.value(4).toString(),
                                 q.value(5).toString(), q.value(6).toString(), q.value(7).toString(),
                                 q.value(8).toString(), q.value(9).toString(), q.value(10).toString(),
                                 q.value(2).toLongLong(), q.value(3).toLongLong(),
                                 {q.value(11), q.value(12), q.value(13), q.value(14)}});
        }
        if (!finished(q))
            return false;
        if (page.runs.empty())
            return true;
        const Key first = m_key;
        m_key = {page.runs.back().started, page.runs.back().id};
        // The page's key range, and the range asked for: the first page's key
        // range begins before every run.
        QVariantList pageBound{first.startedAt, first.startedAt, first.runId,
                               m_key.startedAt, m_key.startedAt, m_key.runId};
        queries::where(span, QStringLiteral("r"), pageBound);
        const QString inPage = QStringLiteral(" JOIN runs r ON r.run_id = c.run_id WHERE ") + After
                               + QStringLiteral(" AND ") + UpTo + inRange;

        if (!exec(q, QStringLiteral("SELECT c.run_id, c.item, c.pass, c.value, c.text FROM items c") + inPage,
                  pageBound))
            return false;
        while (q.next())
            page.items[q.value(0).toString()].push_back(
                {q.value(1).toString(), q.value(2), q.value(3), q.value(4).toString()});
        if (!finished(q))
            return false;
        if (!children)
            return true;

        return collect(QStringLiteral("SELECT c.run_id, c.raster, c.row_index, c.column_index, c.value"
                                      " FROM failing_cells c")
                           + inPage + QStringLiteral(" ORDER BY c.run_id, c.raster, c.row_index, c.column_index"),
                       pageBound, page.cells,
                       [](const QSqlQuery &r) {
                           return QStringLiteral("{\"raster\":%1,\"row\":%2,\"column\":%3,\"value\":%4}")
                               .arg(jsonString(r.value(1).toString()), r.value(2).toString(),
                                    r.value(3).toString(), r.value(4).toString());
                       })
               && collect(QStringLiteral("SELECT c.run_id, c.kind, c.line, c.first_index, c.second_index, c.value"
                                         " FROM failing_electrodes c")
                              + inPage + QStringLiteral(" ORDER BY c.run_id, c.kind, c.line, c.first_index"),
                          pageBound, page.electrodes, [](const QSqlQuery &r) {
                              return QStringLiteral(
                                         "{\"kind\":%1,\"line\":%2,\"first\":%3,\"second\":%4,\"value\":%5}")
                                  .arg(jsonString(r.value(1).toString()), jsonString(r.value(2).toString()),
                                       r.value(3).toString(), number(r.value(4)), number(r.value(5)));
                          });
    }

    static QString number(const QVariant &v)
    {
        return v.isNull() ? QStringLiteral("null") : QString::number(v.toDouble(), 'g', 7);
    }

private:
    bool exec(QSqlQuery &q, const QString &sql, const QVariantList &bound)
    {
        return queries::exec(q, sql, bound, &m_error);
    }

    bool finished(const QSqlQuery &q) { return queries::finished(q, &m_error); }

    // Each row of the query as a JSON object under its run (the first column).
    template<typename ToJson>
    bool collect(const QString &sql, const QVariantList &bound, QHash<QString, QStringList> &into, ToJson toJson)
    {
        QSqlQuery q(m_db);
        if (!exec(q, sql, bound))
            return false;
        while (q.next())
            into[q.value(0).toString()] << toJson(q);
        return finished(q);
    }

    QSqlDatabase m_db;
    const Invocation &m_invocation;
    std::optional<qint64> m_receivedUpTo;
    Key m_key;
    QString m_error;
};

QString passText(const QVariant &pass)
{
    return pass.isNull() ? QString() : pass.toInt() ? QStringLiteral("PASS") : QStringLiteral("FAIL");
}

QString jsonTime(qint64 ms)
{
    const QString t = isoTime(ms, true);
    return t.isEmpty() ? QStringLiteral("null") : jsonString(t);
}

void writeCsv(const Page &page)
{
    for (const Run &run : page.runs) {
        QStringList fields{run.id,  run.verdict, isoTime(run.started, true), isoTime(run.ended, true),
                           run.station, run.startMode, run.lot, run.worker, run.barcode, run.profile, run.file};
        for (const QVariant &condition : run.conditions)
            fields << condition.toString();
        QStringList items(queries::itemOrder().size());
        for (const Item &item : page.items.value(run.id)) {
            const qsizetype at = queries::itemOrder().indexOf(item.name);
            if (at >= 0)
                items[at] = passText(item.pass);
        }
        fields << items;
        out(csvLine(fields));
    }
}

// "profile_sha1":...,"baseline_sha1":...,"firmware_sha1":...,"software_version":...
QString conditionsJson(const QVariantList &conditions)
{
    QStringList fields;
    const QStringList names = conditionColumns();
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QVariant &value = conditions.at(i);
        fields << jsonString(names.at(i)) + QLatin1Char(':')
                      + (value.isNull() ? QStringLiteral("null") : jsonString(value.toString()));
    }
    return fields.join(QLatin1Char(','));
}

void writeJson(const Page &page)
{
    for (const Run &run : page.runs) {
        std::vector<Item> items = page.items.value(run.id);
        std::sort(items.begin(), items.end(), [](const Item &a, const Item &b) {
            return queries::itemOrder().indexOf(a.name) < queries::itemOrder().indexOf(b.name);
        });
        QStringList itemObjects;
        for (const Item &item : items) {
            itemObjects << QStringLiteral("{\"name\":%1,\"pass\":%2,\"value\":%3,\"text\":%4}")
                               .arg(jsonString(item.name),
                                    item.pass.isNull()   ? QStringLiteral("null")
                                    : item.pass.toInt() ? QStringLiteral("true")
                                                         : QStringLiteral("false"),
                                    Reader::number(item.value), jsonString(item.text));
        }
        out(QStringLiteral("{\"run\":{\"id\":%1,\"verdict\":%2,\"started\":%3,\"ended\":%4,\"file\":%5},")
                .arg(jsonString(run.id), jsonString(run.verdict), jsonTime(run.started), jsonTime(run.ended),
                     jsonString(run.file))
            + QStringLiteral("\"context\":{\"station\":%1,\"startMode\":%2,\"lot\":%3,\"worker\":%4,\"barcode\":%5,"
                             "\"profile\":%6,%7},")
                  .arg(jsonString(run.station), jsonString(run.startMode), jsonString(run.lot),
                       jsonString(run.worker), jsonString(run.barcode), jsonString(run.profile),
                       conditionsJson(run.conditions))
            + QStringLiteral("\"items\":[%1],\"failingCells\":[%2],\"failingElectrodes\":[%3]}\n")
                  .arg(itemObjects.join(QLatin1Char(',')), page.cells.value(run.id).join(QLatin1Char(',')),
                       page.electrodes.value(run.id).join(QLatin1Char(','))));
    }
}

} // namespace

int exportRuns(const Invocation &invocation, ResultStore &store)
{
    const bool json = invocation.format == Format::Json;
    if (!json) {
        QStringList header{QStringLiteral("runId"),   QStringLiteral("verdict"),   QStringLiteral("started"),
                           QStringLiteral("ended"),   QStringLiteral("station"),   QStringLiteral("startMode"),
                           QStringLiteral("lot"),     QStringLiteral("worker"),    QStringLiteral("barcode"),
                           QStringLiteral("profile"), QStringLiteral("file")};
        out(csvLine(header + conditionColumns() + queries::itemOrder()));
    }
    // By arrival: up to the server's last number now; what arrives meanwhile
    // comes next time.
    std::optional<qint64> upTo;
    if (invocation.after) {
        qint64 last = 0;
        QString error;
        if (!queries::lastReceived(store.database(), last, &error)) {
            err(QStringLiteral("export: the store refused the query: %1\n").arg(error));
            return ExitFailure;
        }
        upTo = std::max(last, *invocation.after);
    }
    Reader reader(store, invocation, upTo);
    Page page;
    qint64 written = 0;
    do {
        if (!reader.next(page, json)) {
            // What was written is a part only; the exit status says so.
            err(QStringLiteral("export: stopped after %1 runs: %2\n").arg(written).arg(reader.error().simplified()));
            return ExitFailure;
        }
        if (json)
            writeJson(page);
        else
            writeCsv(page);
        written += qint64(page.runs.size());
    } while (page.runs.size() == std::size_t(PageSize));
    if (upTo)
        err(QStringLiteral("next cursor: %1\n").arg(*upTo));
    return ExitOk;
}

} // namespace results::cli
