// kavel-results: the results store of a station or of the line, from the
// command line (import of old result folders, queries, yields, MES export).
#include "commands.h"
#include "invocation.h"
#include "output.h"
#include "resultstore.h"

#include <QCoreApplication>

using namespace results;
using namespace results::cli;

namespace {

int usageError(const QString &why)
{
    err(QStringLiteral("kavel-results: %1\nRun \"kavel-results --help\" for the commands.\n").arg(why));
    return ExitUsage;
}

int run(const Invocation &invocation)
{
    const QString &command = invocation.command;
    if (command == QLatin1String("sync"))
        return syncOutbox(invocation) == ExitOk && flushOut() ? ExitOk : ExitFailure;
    if (command == QLatin1String("server"))
        return serverCommand(invocation) == ExitOk && flushOut() ? ExitOk : ExitFailure;
    ResultStore store;
    QString error;
    if (!openStore(invocation, store, command != QLatin1String("import"), &error)) {
        err(QStringLiteral("%1: cannot open the store: %2\n").arg(command, error));
        return ExitFailure;
    }
    int code = ExitFailure;
    if (command == QLatin1String("import"))
        code = importFiles(invocation, store);
    else if (command == QLatin1String("find"))
        code = findRuns(invocation, store);
    else if (command == QLatin1String("yield"))
        code = yieldReport(invocation, store);
    else if (command == QLatin1String("capability"))
        code = capabilityReport(invocation, store);
    else if (command == QLatin1String("export"))
        code = exportRuns(invocation, store);
    else if (command == QLatin1String("profile"))
        code = profileCommand(invocation, store);
    else if (command == QLatin1String("prune"))
        code = pruneRuns(invocation, store);
    if (!flushOut()) {
        err(QStringLiteral("%1: cannot write the output\n").arg(command));
        return ExitFailure;
    }
    return code;
}

QtMessageHandler qtHandler = nullptr;

// Qt's own warnings (a driver that cannot free a statement on a connection
// that is gone, once per statement) would come between the tool's one-line
// messages and say again what the tool says; only its critical ones pass.
void qtMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if ((type == QtCriticalMsg || type == QtFatalMsg) && qtHandler)
        qtHandler(type, context, text);
}

} // namespace

int main(int argc, char *argv[])
{
    qtHandler = qInstallMessageHandler(qtMessages);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("kavel-results"));

    const Parsed parsed = parseArguments(QCoreApplication::arguments());
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    const Invocation &invocation = parsed.invocation;
    if (invocation.command == QLatin1String("help") || invocation.help) {
        const QString topic = invocation.command == QLatin1String("help") ? invocation.arguments.value(0)
                                                                          : invocation.command;
        const QString text = helpText(topic);
        if (text.isEmpty())
            return usageError(QStringLiteral("unknown command \"%1\"").arg(topic));
        out(text);
        return flushOut() ? ExitOk : ExitFailure;
    }
    return run(invocation);
}
