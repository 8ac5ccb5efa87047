#ifndef COMMANDS_H
#define COMMANDS_H

#include "invocation.h"
#include "storequery.h"

#include <QVariantList>

namespace results {
class ResultStore;
}

// The tool's commands. Each writes its results on stdout and its complaints
// on stderr, and returns the tool's exit code.
namespace results::cli {

// Opens the store the invocation names. mustExist: the station's file is not
// created (a query of a store that is not there is a mistake, not an empty store).
bool openStore(const Invocation &invocation, ResultStore &store, bool mustExist, QString *error);

int importFiles(const Invocation &invocation, ResultStore &store);
int findRuns(const Invocation &invocation, ResultStore &store);
int yieldReport(const Invocation &invocation, ResultStore &store);
int exportRuns(const Invocation &invocation, ResultStore &store);
// Sends the station store's outbox to the line's server now; "sent N, waiting M".
int syncOutbox(const Invocation &invocation);

// The SQL that keeps the runs between --since and --until, for a runs table
// named alias; its values are appended to bound.
QString timeRange(const Invocation &invocation, const QString &alias, QVariantList &bound);

} // namespace results::cli

#endif
