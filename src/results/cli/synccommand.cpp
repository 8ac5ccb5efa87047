#include "commands.h"

#include "linesettings.h"
#include "lineuploader.h"
#include "output.h"
#include "resultstore.h"
#include "runcontext.h"

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
    {
        ResultStore local;
        QString error;
        if (!local.openLocal(invocation.store, &error)) {
            err(QStringLiteral("sync: cannot open the store: %1\n").arg(error));
            return ExitFailure;
        }
        int retried = 0;
        if (invocation.retry && !LineUploader::retryRefused(local, &retried, &error)) {
            err(QStringLiteral("sync: cannot put the refused runs back: %1\n").arg(error));
            return ExitFailure;
        }
    }
    // The station's own uploader, to its end: a run the server refuses is
    // tried until it goes into quarantine.
    LineUploader uploader(invocation.store, connection, stationId(), machineIdentity(),
                          LineUploader::Attempts::WhenAsked);
    LineUploader::State state;
    int sent = 0;
    for (int pass = 0; pass <= LineUploader::RefusalsBeforeQuarantine; ++pass) {
        state = uploader.syncNow();
        sent += state.sent;
        if (!state.connected || state.waiting == 0)
            break;
    }
    if (!state.connected) {
        err(QStringLiteral("sync: server not reached: %1; %2 waiting\n").arg(state.reason).arg(state.waiting));
        return ExitFailure;
    }
    if (state.refused > 0) {
        ResultStore local;
        QString error;
        if (local.openLocal(invocation.store, &error)) {
            QSqlQuery q(local.database());
            if (q.exec(QStringLiteral("SELECT q.run_id, r.file_path, q.reason FROM quarantine q"
                                      " JOIN runs r ON r.run_id = q.run_id ORDER BY q.refused_at, q.run_id"))) {
                while (q.next()) {
                    const QString file = q.value(1).toString();
                    err(QStringLiteral("refused: %1: %2\n")
                            .arg(file.isEmpty() ? q.value(0).toString() : file, q.value(2).toString()));
                }
            }
            q.finish();
        }
    }
    QString line = QStringLiteral("sent %1, waiting %2").arg(sent).arg(state.waiting);
    if (state.refused > 0)
        line += QStringLiteral(", %1 refused").arg(state.refused);
    out(line + QLatin1Char('\n'));
    return state.waiting == 0 && state.refused == 0 ? ExitOk : ExitFailure;
}

} // namespace results::cli
