#include "commands.h"

#include "output.h"
#include "resultstore.h"
#include "retention.h"

#include <QDateTime>

namespace results::cli {

int pruneRuns(const Invocation &invocation, ResultStore &store)
{
    QSqlDatabase db = store.database();
    const qint64 before = retention::quarterStart(*invocation.before);
    retention::Pruned pruned;
    QString error;
    bool ok = true;
    if (invocation.dryRun) {
        ok = retention::survey(db, before, pruned, &error);
    } else {
        // Short transactions: the station's own recorder may be waiting to
        // write to the same file.
        retention::Walk walk;
        walk.before = before;
        while (ok && !walk.done)
            ok = retention::step(db, walk, 500, pruned, &error);
    }
    if (!ok) {
        err(QStringLiteral("prune: the store refused: %1 (%2 runs pruned)\n").arg(error.simplified()).arg(pruned.runs));
        return ExitFailure;
    }
    QString line = QStringLiteral("%1 %2 runs that started before %3")
                       .arg(invocation.dryRun ? QStringLiteral("would prune") : QStringLiteral("pruned"))
                       .arg(pruned.runs)
                       .arg(QDateTime::fromMSecsSinceEpoch(before).toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    QStringList kept;
    if (pruned.waiting > 0)
        kept << QStringLiteral("%1 the line has not acknowledged").arg(pruned.waiting);
    if (pruned.refused > 0)
        kept << QStringLiteral("%1 in quarantine").arg(pruned.refused);
    if (!kept.isEmpty())
        line += QStringLiteral("; kept %1").arg(kept.join(QStringLiteral(", ")));
    out(line + QLatin1Char('\n'));
    return ExitOk;
}

} // namespace results::cli
