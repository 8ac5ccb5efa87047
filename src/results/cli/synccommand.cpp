#include "commands.h"

#include "linesettings.h"
#include "lineuploader.h"
#include "output.h"
#include "resultstore.h"

#include <QFileInfo>
#include <QSqlQuery>

namespace results::cli {

int syncOutbox(const Invocation &invocation)
{
    if (!QFileInfo::exists(invocation.store)) {
        err(QStringLiteral("sync: no store at %1\n").arg(invocation.store));
        return ExitFailure;
    }
    const QString connection =
        invocation.connection.isEmpty() ? readLineSettings().connection : invocation.connection;
    if (connection.isEmpty()) {
        err(QStringLiteral("sync: no line is configured: ./line.ini names no [line] connection; "
                           "give one with --connection\n"));
        return ExitFailure;
    }
    int before = 0;
    {
        ResultStore local;
        QString error;
        if (!local.openLocal(invocation.store, &error)) {
            err(QStringLiteral("sync: cannot open the store: %1\n").arg(error));
            return ExitFailure;
        }
        QSqlQuery q(local.database());
        if (q.exec(QStringLiteral("SELECT COUNT(*) FROM outbox")) && q.next())
            before = q.value(0).toInt();
    }
    // The station's own uploader, one attempt to its end.
    LineUploader uploader(invocation.store, connection);
    const LineUploader::State state = uploader.syncNow();
    if (!state.connected) {
        err(QStringLiteral("sync: server not reached: %1; %2 waiting\n").arg(state.reason).arg(state.waiting));
        return ExitFailure;
    }
    out(QStringLiteral("sent %1, waiting %2\n").arg(std::max(before - state.waiting, 0)).arg(state.waiting));
    return state.waiting == 0 ? ExitOk : ExitFailure;
}

} // namespace results::cli
