#ifndef STOREQUERY_H
#define STOREQUERY_H

#include <QString>
#include <QStringList>
#include <QVariantList>

class QSqlQuery;

// Pieces that every reader of the store's tables shares: kavel-results and the
// line statistics ask the same questions of both engines.
namespace results {

// Prepares sql forward-only, binds the values in order and runs it; false
// with the driver's reason.
bool execQuery(QSqlQuery &query, const QString &sql, const QVariantList &bound, QString *error);

// column (milliseconds since the epoch, UTC) moved to local wall-clock time by
// the offset of each stretch between the time zone's transitions in
// [from, to], so that an hour or a day keeps its runs across a change to or
// from summer time. The offsets are appended to bound.
QString localTimeSql(const QString &column, qint64 from, qint64 to, QVariantList &bound);

// The items in the order a run takes them, the order every output lists them in.
const QStringList &itemOrder();

} // namespace results

#endif
