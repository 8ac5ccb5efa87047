#ifndef YIELDCHECK_H
#define YIELDCHECK_H

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <array>
#include <map>
#include <vector>

// The store's yield per quarter as kept run by run, and counted afresh from
// the runs; a test compares the two. Per quarter: runs; the panels first
// tested then and how many passed at once; the panels whose latest run is
// then and how many passed; and of the panels first tested then, those whose
// latest run passed, that passed after failing at first, that never passed,
// and their runs after the first. A panel is a barcode, or a run without one;
// its runs in order of start (then run id).
inline QStringList yieldRows(const QSqlDatabase &db, bool kept)
{
    constexpr int Columns = 10;
    QStringList rows;
    QSqlQuery q(db);
    if (kept) {
        q.exec(QStringLiteral("SELECT quarter, runs, panels, first_passed, last_panels, last_passed, final_passed,"
                              " passed_after_retest, never_passed, retests FROM yield_quarters ORDER BY quarter"));
        while (q.next()) {
            QStringList values;
            bool any = false;
            for (int i = 0; i < Columns; ++i) {
                values << q.value(i).toString();
                any = any || (i > 0 && q.value(i).toLongLong() != 0);
            }
            if (any)
                rows << values.join(QLatin1Char(','));
        }
        return rows;
    }
    struct Run
    {
        qint64 started;
        QByteArray id;
        bool passed;
    };
    QHash<QString, std::vector<Run>> panels;
    q.exec(QStringLiteral("SELECT barcode, run_id, started_at, verdict FROM runs"));
    while (q.next()) {
        const QString barcode = q.value(0).toString();
        const QString id = q.value(1).toString();
        panels[barcode.isEmpty() ? QLatin1Char('#') + id : QLatin1Char('=') + barcode].push_back(
            {q.value(2).toLongLong(), id.toUtf8(), q.value(3).toString() == QLatin1String("PASS")});
    }
    std::map<qint64, std::array<qint64, Columns - 1>> quarters;
    for (std::vector<Run> &runs : panels) {
        std::sort(runs.begin(), runs.end(), [](const Run &a, const Run &b) {
            return a.started != b.started ? a.started < b.started : a.id < b.id;
        });
        const Run &first = runs.front();
        const Run &last = runs.back();
        const bool anyPassed = std::any_of(runs.begin(), runs.end(), [](const Run &r) { return r.passed; });
        for (const Run &r : runs)
            ++quarters[r.started / 900000][0];
        auto &atFirst = quarters[first.started / 900000];
        atFirst[1] += 1;
        atFirst[2] += first.passed ? 1 : 0;
        atFirst[5] += last.passed ? 1 : 0;
        atFirst[6] += !first.passed && anyPassed ? 1 : 0;
        atFirst[7] += anyPassed ? 0 : 1;
        atFirst[8] += qint64(runs.size()) - 1;
        auto &atLast = quarters[last.started / 900000];
        atLast[3] += 1;
        atLast[4] += last.passed ? 1 : 0;
    }
    for (const auto &[quarter, counts] : quarters) {
        QStringList values{QString::number(quarter)};
        for (const qint64 n : counts)
            values << QString::number(n);
        rows << values.join(QLatin1Char(','));
    }
    return rows;
}

#endif
