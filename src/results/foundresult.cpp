#include "foundresult.h"

#include <QFile>

#include <algorithm>

namespace results {

Recorded recordFound(ResultStore &store, const RunContext &context, const QByteArray &content,
                     const QByteArray &sha1, const ResultRecord &parsed, QString *error, bool queueForLine)
{
    if (parsed.whole())
        return store.record(context, content, sha1, parsed, error, queueForLine);
    // The item goes with the run's own rows, under the id the store gives the
    // run, to the station's store and to the line's server alike; the text
    // says where the file was cut, whatever an earlier record of it said.
    RunContext cut = context;
    cut.items.erase(std::remove_if(cut.items.begin(), cut.items.end(),
                                   [](const ItemEvidence &item) { return item.item == QLatin1String(IncompleteItem); }),
                    cut.items.end());
    cut.items.push_back({QString::fromLatin1(IncompleteItem), false, QVariant(), QString::fromLatin1(parsed.cut)});
    return store.record(cut, content, sha1, parsed, error, queueForLine);
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
