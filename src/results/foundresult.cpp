#include "foundresult.h"

#include <QFile>
#include <QSqlError>
#include <QSqlQuery>

namespace results {

Recorded recordFound(ResultStore &store, const RunContext &context, const QByteArray &content,
                     const QByteArray &sha1, const ResultRecord &parsed, QString *error, bool queueForLine)
{
    if (parsed.whole())
        return store.record(context, content, sha1, parsed, error, queueForLine);
    const bool ownBatch = !store.inBatch();
    if (ownBatch && !store.beginBatch(error))
        return Recorded::Failed;
    const Recorded recorded = store.record(context, content, sha1, parsed, error, queueForLine);
    if (recorded == Recorded::Failed) // the batch is rolled back already
        return recorded;
    if (recorded == Recorded::Added) {
        QSqlQuery item(store.database());
        item.prepare(QStringLiteral("INSERT INTO items (run_id, item, pass, value, text) VALUES (?, ?, 0, NULL, ?)"));
        item.addBindValue(context.runId);
        item.addBindValue(QString::fromLatin1(IncompleteItem));
        item.addBindValue(QString::fromLatin1(parsed.cut));
        if (!item.exec()) {
            if (error)
                *error = item.lastError().text() + QStringLiteral(" (the batch was rolled back)");
            store.rollbackBatch();
            return Recorded::Failed;
        }
    }
    if (ownBatch && !store.commitBatch(error))
        return Recorded::Failed;
    return recorded;
}

Recorded recordFound(ResultStore &store, const RunContext &context, QString *error, bool queueForLine)
{
    std::string buffer;
    if (!readFileBytes(QFile::encodeName(context.path).toStdString(), buffer))
        return Recorded::Unreadable;
    ResultRecord parsed;
    readResult(buffer, parsed);
    const QByteArray content(buffer.data(), qsizetype(buffer.size()));
    return recordFound(store, context, content, contentHash(content), parsed, error, queueForLine);
}

} // namespace results
