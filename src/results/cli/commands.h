#ifndef COMMANDS_H
#define COMMANDS_H

#include "invocation.h"
#include "output.h"
#include "runqueries.h"

#include <QVariantList>

class QSqlQuery;

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
int capabilityReport(const Invocation &invocation, ResultStore &store);
int exportRuns(const Invocation &invocation, ResultStore &store);
// Sends the station store's outbox to the line's server now; "sent N, waiting M".
int syncOutbox(const Invocation &invocation);
// Sets up the line's server (init, add-station, add-reader, release-station).
int serverCommand(const Invocation &invocation);
// Prunes the station's store of the runs before --before the line has.
int pruneRuns(const Invocation &invocation, ResultStore &store);

// The versions of a profile, one text by its hash, what changed between two.
int profileCommand(const Invocation &invocation, ResultStore &store);

// The columns of a run's conditions (find, export), and a value of one: null
// where not known; a hash shortened to ShortHash characters for the eye.
constexpr int ShortHash = 12;
QStringList conditionColumns();
Table::Value conditionValue(const QVariant &value, bool shortHash = false);

// The runs the invocation's --barcode, --barcode-prefix, --lot, --since and --until keep.
queries::RunFilter runFilter(const Invocation &invocation);

} // namespace results::cli

#endif
