#include "commands.h"

#include "lineserver.h"
#include "linesettings.h"
#include "output.h"

namespace results::cli {

int serverCommand(const Invocation &invocation)
{
    const QString sub = invocation.arguments.value(0);
    const QString what = QStringLiteral("server ") + sub;
    const QString connection =
        invocation.connection.isEmpty() ? readLineSettings().connection : invocation.connection;
    if (connection.isEmpty()) {
        err(QStringLiteral("%1: no line is configured: give the administrator's connection with --connection\n")
                .arg(what));
        return ExitFailure;
    }
    const QString name = QStringLiteral("kavel-results-server");
    int code = ExitFailure;
    {
        QSqlDatabase db = addLineDatabase(connection, name);
        QString report, error;
        bool ok = db.open();
        if (!ok)
            error = lineserver::reason(db.lastError());
        else if (sub == QLatin1String("init"))
            ok = lineserver::init(db, &report, &error);
        else if (sub == QLatin1String("add-station"))
            ok = lineserver::addStation(db, invocation.arguments.value(1), invocation.role, &report, &error);
        else if (sub == QLatin1String("add-reader"))
            ok = lineserver::addReader(db, invocation.role, &report, &error);
        else if (sub == QLatin1String("maintain")) {
            lineserver::MaintainOptions options;
            options.keepMonths = invocation.keepMonths.value_or(0);
            ok = lineserver::maintain(db, options, &report, &error);
        }
        else
            ok = lineserver::releaseStation(db, invocation.arguments.value(1), &report, &error);
        if (ok) {
            out(report);
            code = ExitOk;
        } else {
            err(QStringLiteral("%1: %2\n").arg(what, error));
        }
        db.close();
    }
    QSqlDatabase::removeDatabase(name);
    return code;
}

} // namespace results::cli
