#include "partitions.h"

#include "lineserver.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <limits>

namespace results::partitions {

namespace {

const QString Key = QLatin1String(schema::PartitionKey);

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

bool exec(QSqlDatabase &db, const QString &sql, QString *error, const QVariantList &bound = {},
          qint64 *rows = nullptr)
{
    const QSqlError e = schema::execute(db, sql, bound, rows);
    return e.type() == QSqlError::NoError || fail(error, lineserver::reason(e));
}

bool value(QSqlDatabase &db, const QString &sql, const QVariantList &bound, QVariant &result, QString *error)
{
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant &v : bound)
        q.addBindValue(v);
    if (!q.exec())
        return fail(error, lineserver::reason(q.lastError()));
    result = q.next() ? q.value(0) : QVariant();
    return true;
}

bool exists(QSqlDatabase &db, const QString &table, bool &found, QString *error)
{
    QVariant v;
    if (!value(db, QStringLiteral("SELECT to_regclass(?) IS NOT NULL"), {table}, v, error))
        return false;
    found = v.toBool();
    return true;
}

// The table's columns as the server has them, in order: a partition made
// apart and the table it joins must be copied by name.
bool columnList(QSqlDatabase &db, const char *table, QString &list, QString *error)
{
    QVariant v;
    if (!value(db,
               QStringLiteral("SELECT string_agg(quote_ident(attname), ', ' ORDER BY attnum) FROM pg_attribute"
                              " WHERE attrelid = to_regclass(?) AND attnum > 0 AND NOT attisdropped"),
               {QString::fromLatin1(table)}, v, error))
        return false;
    list = v.toString();
    return !list.isEmpty() || fail(error, QStringLiteral("no table %1").arg(QLatin1String(table)));
}

QString defaultName(const char *table)
{
    return QLatin1String(table) + QStringLiteral("_default");
}

} // namespace

std::vector<const schema::Table *> tables()
{
    std::vector<const schema::Table *> list;
    for (const schema::Table &t : schema::tables()) {
        if (t.partitioned(schema::Engine::Server))
            list.push_back(&t);
    }
    return list;
}

qint64 monthStart(qint64 ms, int shift)
{
    const QDate day = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC).date();
    return QDateTime(QDate(day.year(), day.month(), 1).addMonths(shift), QTime(0, 0), Qt::UTC).toMSecsSinceEpoch();
}

QString monthName(const char *table, qint64 start)
{
    return QLatin1String(table) + QDateTime::fromMSecsSinceEpoch(start, Qt::UTC).toString(QStringLiteral("_yyyy_MM"));
}

QString monthText(qint64 start)
{
    return QDateTime::fromMSecsSinceEpoch(start, Qt::UTC).toString(QStringLiteral("yyyy-MM"));
}

bool isPartitioned(QSqlDatabase &db, const char *table, bool &partitioned, QString *error)
{
    QVariant v;
    if (!value(db, QStringLiteral("SELECT relkind FROM pg_class WHERE oid = to_regclass(?)"),
               {QString::fromLatin1(table)}, v, error))
        return false;
    partitioned = v.toString() == QLatin1String("p");
    return true;
}

bool ensureDefaults(QSqlDatabase &db, QStringList *created, QString *error)
{
    for (const schema::Table *t : tables()) {
        const QString name = defaultName(t->name);
        bool found = false;
        if (!exists(db, name, found, error))
            return false;
        if (found)
            continue;
        if (!exec(db, QStringLiteral("CREATE TABLE %1 PARTITION OF %2 DEFAULT").arg(name, QLatin1String(t->name)), error))
            return false;
        if (created)
            *created << name;
    }
    return true;
}

bool ensureMonth(QSqlDatabase &db, qint64 start, QStringList *created, QString *error)
{
    const qint64 end = monthStart(start, 1);
    const QVariantList range{start, end};
    std::vector<const schema::Table *> missing;
    bool early = false; // rows of the month in a default partition
    for (const schema::Table *t : tables()) {
        bool found = false;
        if (!exists(db, monthName(t->name, start), found, error))
            return false;
        if (found)
            continue;
        missing.push_back(t);
        bool hasDefault = false;
        QVariant v;
        if (!exists(db, defaultName(t->name), hasDefault, error)
            || (hasDefault
                && !value(db,
                          QStringLiteral("SELECT EXISTS (SELECT 1 FROM %1 WHERE %2 >= ? AND %2 < ?)")
                              .arg(defaultName(t->name), Key),
                          range, v, error)))
            return false;
        early = early || v.toBool();
    }
    const QString bounds = QStringLiteral("FOR VALUES FROM (%1) TO (%2)").arg(start).arg(end);
    if (!early) {
        for (const schema::Table *t : missing) {
            if (!exec(db,
                      QStringLiteral("CREATE TABLE %1 PARTITION OF %2 %3")
                          .arg(monthName(t->name, start), QLatin1String(t->name), bounds),
                      error))
                return false;
        }
    } else {
        // A month cannot be made while a default partition holds rows of
        // it: they go into the month's tables made apart, leave the defaults
        // (children first), and the tables join.
        for (const schema::Table *t : missing) {
            QString columns;
            const QString name = monthName(t->name, start);
            if (!columnList(db, t->name, columns, error)
                || !exec(db,
                         QStringLiteral("CREATE TABLE %1 (LIKE %2 INCLUDING DEFAULTS INCLUDING STORAGE"
                                        " INCLUDING COMPRESSION)")
                             .arg(name, QLatin1String(t->name)),
                         error)
                || !exec(db,
                         QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 WHERE %4 >= ? AND %4 < ?")
                             .arg(name, columns, defaultName(t->name), Key),
                         error, range))
                return false;
        }
        for (auto t = missing.rbegin(); t != missing.rend(); ++t) {
            if (!exec(db, QStringLiteral("DELETE FROM %1 WHERE %2 >= ? AND %2 < ?").arg(defaultName((*t)->name), Key),
                      error, range))
                return false;
        }
        for (const schema::Table *t : missing) {
            if (!exec(db,
                      QStringLiteral("ALTER TABLE %1 ATTACH PARTITION %2 %3")
                          .arg(QLatin1String(t->name), monthName(t->name, start), bounds),
                      error))
                return false;
        }
    }
    if (created) {
        for (const schema::Table *t : missing)
            *created << monthName(t->name, start);
    }
    return true;
}

bool ensureMonthsOf(QSqlDatabase &db, const QString &runsTable, QStringList *created, QString *error)
{
    // Month by month through the index: a server of years reads a few
    // hundred rows, not its runs.
    qint64 from = std::numeric_limits<qint64>::min();
    for (;;) {
        QVariant v;
        if (!value(db, QStringLiteral("SELECT MIN(%1) FROM %2 WHERE %1 >= ?").arg(Key, runsTable), {from}, v, error))
            return false;
        if (v.isNull())
            return true;
        const qint64 start = monthStart(v.toLongLong());
        if (!ensureMonth(db, start, created, error))
            return false;
        from = monthStart(start, 1);
    }
}

bool months(QSqlDatabase &db, std::vector<qint64> &starts, QString *error)
{
    QSqlQuery q(db);
    // The bounds as the server keeps them: FOR VALUES FROM ('x') TO ('y').
    if (!q.exec(QStringLiteral("SELECT substring(pg_get_expr(c.relpartbound, c.oid) FROM 'FROM \\(''?(-?[0-9]+)')"
                               " FROM pg_inherits i JOIN pg_class c ON c.oid = i.inhrelid"
                               " WHERE i.inhparent = 'runs'::regclass"
                               " AND pg_get_expr(c.relpartbound, c.oid) <> 'DEFAULT'")))
        return fail(error, lineserver::reason(q.lastError()));
    starts.clear();
    while (q.next())
        starts.push_back(q.value(0).toLongLong());
    std::sort(starts.begin(), starts.end());
    return true;
}

bool dropMonth(QSqlDatabase &db, qint64 start, Dropped &dropped, QString *error)
{
    const qint64 end = monthStart(start, 1);
    const std::vector<const schema::Table *> split = tables();
    const char *runs = split.front()->name;
    QVariant counted, held;
    if (!value(db, QStringLiteral("SELECT COUNT(*) FROM %1").arg(monthName(runs, start)), {}, held, error)
        || !value(db, QStringLiteral("SELECT COALESCE(SUM(runs), 0) FROM yield_quarters WHERE quarter >= ? AND quarter < ?"),
                  {start / 900000, end / 900000}, counted, error))
        return false;
    dropped = Dropped();
    dropped.runs = held.toLongLong();
    if (counted.toLongLong() != dropped.runs)
        return fail(error, QStringLiteral("the yield per quarter counts %1 runs in %2, its partition holds %3: "
                                          "\"kavel-results server init\" counts it anew; the month is kept")
                               .arg(counted.toLongLong())
                               .arg(monthText(start))
                               .arg(dropped.runs));

    // The children first: the runs' month cannot go while rows refer to it.
    for (auto t = split.rbegin(); t != split.rend(); ++t) {
        const QString name = monthName((*t)->name, start);
        bool found = false;
        if (!exists(db, name, found, error))
            return false;
        if (found
            && !(exec(db, QStringLiteral("ALTER TABLE %1 DETACH PARTITION %2").arg(QLatin1String((*t)->name), name), error)
                 && exec(db,
                         QStringLiteral("DO $$DECLARE c name; BEGIN FOR c IN SELECT conname FROM pg_constraint"
                                        " WHERE conrelid = '%1'::regclass AND contype = 'f' AND conparentid = 0 LOOP"
                                        " EXECUTE format('ALTER TABLE %1 DROP CONSTRAINT %I', c); END LOOP; END$$")
                             .arg(name),
                         error)))
            return false;
    }
    // Every run of a panel tested again after the month stays, whole.
    QString columns;
    if (!columnList(db, runs, columns, error)
        || !exec(db,
                 QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 m WHERE m.barcode <> '' AND EXISTS"
                                " (SELECT 1 FROM %1 o WHERE o.barcode = m.barcode AND o.%4 >= ?)")
                     .arg(QLatin1String(runs), columns, monthName(runs, start), Key),
                 error, {end}, &dropped.kept))
        return false;
    for (const schema::Table *t : split) {
        if (t == split.front())
            continue;
        bool found = false;
        if (!exists(db, monthName(t->name, start), found, error) || !found)
            continue;
        if (!columnList(db, t->name, columns, error)
            || !exec(db,
                     QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3 c WHERE EXISTS (SELECT 1 FROM %4 r"
                                    " WHERE r.run_id = c.run_id AND r.%5 = c.%5)")
                         .arg(QLatin1String(t->name), columns, monthName(t->name, start), defaultName(runs), Key),
                     error))
            return false;
    }
    // What the default partitions held before the month's end, kept for a
    // panel that is no longer tested after it or come in after its month
    // went, goes too (its children with it).
    if (!exec(db,
              QStringLiteral("DELETE FROM %1 d WHERE d.%2 < ? AND NOT (d.barcode <> '' AND EXISTS"
                             " (SELECT 1 FROM %3 o WHERE o.barcode = d.barcode AND o.%2 >= ?))")
                  .arg(defaultName(runs), Key, QLatin1String(runs)),
              error, {end, end}, &dropped.fromDefault))
        return false;
    for (const schema::Table *t : split) {
        if (!exec(db, QStringLiteral("DROP TABLE IF EXISTS %1").arg(monthName(t->name, start)), error))
            return false;
    }
    return true;
}

} // namespace results::partitions
