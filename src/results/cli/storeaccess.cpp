#include "commands.h"

#include "linesettings.h"
#include "resultstore.h"

#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>

namespace results::cli {

bool openStore(const Invocation &invocation, ResultStore &store, bool mustExist, QString *error)
{
    if (!invocation.line) {
        if (mustExist && !QFileInfo::exists(invocation.store)) {
            *error = QStringLiteral("no store at %1").arg(invocation.store);
            return false;
        }
        return store.openLocal(invocation.store, error);
    }
    // Queries read with the line's reading role where line.ini names one.
    const LineSettings line = readLineSettings();
    const bool writes = invocation.command == QLatin1String("import");
    const QString connection = !invocation.connection.isEmpty() ? invocation.connection
                               : writes                         ? line.connection
                                                                : line.readConnection();
    if (connection.isEmpty()) {
        *error = QStringLiteral("no line is configured: ./line.ini names no [line] connection; "
                                "give one with --connection");
        return false;
    }
    return store.openDatabase(addLineDatabase(connection, store.connectionName()), error);
}

queries::RunFilter runFilter(const Invocation &invocation)
{
    queries::RunFilter filter;
    filter.barcode = invocation.barcode;
    filter.barcodePrefix = invocation.barcodePrefix;
    filter.lot = invocation.lot;
    filter.since = invocation.since;
    filter.until = invocation.until;
    return filter;
}

} // namespace results::cli
