#ifndef YIELDCHECK_H
#define YIELDCHECK_H

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

// The store's yield per quarter as kept run by run, and counted afresh from
// the runs; a test compares the two.
inline QStringList yieldRows(const QSqlDatabase &db, bool kept)
{
    QSqlQuery q(db);
    q.exec(kept ? QStringLiteral("SELECT quarter, runs, panels, first_passed, last_panels, last_passed"
                                 " FROM yield_quarters WHERE runs <> 0 OR panels <> 0 OR last_panels <> 0"
                                 " ORDER BY quarter")
                : QStringLiteral("SELECT started_at / 900000, COUNT(*), SUM(panel_first),"
                                 " SUM(CASE WHEN panel_first = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END),"
                                 " SUM(panel_last), SUM(CASE WHEN panel_last = 1 AND verdict = 'PASS' THEN 1 ELSE 0 END)"
                                 " FROM runs GROUP BY started_at / 900000 ORDER BY started_at / 900000"));
    QStringList rows;
    while (q.next()) {
        QStringList values;
        for (int i = 0; i < 6; ++i)
            values << q.value(i).toString();
        rows << values.join(QLatin1Char(','));
    }
    return rows;
}

#endif
