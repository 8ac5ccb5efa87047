#ifndef FOUNDRESULT_H
#define FOUNDRESULT_H

#include "resultstore.h"

// Result files found in a folder rather than handed over by the run that
// filed them: the recorder's catch-up and rebuild, the tool's import. Such a
// file may have been cut short on its way (a copy broken off, a disk that
// filled); it is recorded all the same, for it is what there is, but never as
// a plain run: it gets an item "complete" that did not pass, whose text says
// where the file was cut. Queries list it with the failed items.
namespace results {

// The item a file cut short gets.
inline constexpr const char *IncompleteItem = "complete";

// Records the file's run (ResultStore::record()); for a file cut short the
// item is one of the run's own rows, written with it (in the caller's batch
// when one is open) and sent with it to the line's server.
Recorded recordFound(ResultStore &store, const RunContext &context, const QByteArray &content,
                     const QByteArray &sha1, const ResultRecord &parsed, QString *error, bool queueForLine = true);
// The same, reading the file at context.path.
Recorded recordFound(ResultStore &store, const RunContext &context, QString *error, bool queueForLine = true);

} // namespace results

#endif
