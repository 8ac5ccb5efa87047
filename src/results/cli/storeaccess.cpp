#include "commands.h"

#include "linesettings.h"
#include "resultstore.h"

#include <QFileInfo>

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
    const QString connection =
        invocation.connection.isEmpty() ? readLineSettings().connection : invocation.connection;
    if (connection.isEmpty()) {
        *error = QStringLiteral("no line is configured: ./line.ini names no [line] connection; "
                                "give one with --connection");
        return false;
    }
    return store.openDatabase(addLineDatabase(connection, store.connectionName()), error);
}

QString timeRange(const Invocation &invocation, const QString &alias, QVariantList &bound)
{
    QStringList conditions;
    if (invocation.since) {
        conditions << alias + QStringLiteral(".started_at >= ?");
        bound << *invocation.since;
    }
    if (invocation.until) {
        conditions << alias + QStringLiteral(".started_at < ?");
        bound << *invocation.until;
    }
    return conditions.join(QStringLiteral(" AND "));
}

} // namespace results::cli
