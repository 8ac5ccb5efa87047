#include "commands.h"
#include "output.h"

#include "conditions.h"
#include "resultstore.h"

namespace results::cli {

namespace {

int failed(const QString &error)
{
    err(QStringLiteral("profile: the store refused the query: %1\n").arg(error.simplified()));
    return ExitFailure;
}

// The one text whose hash starts with given; ExitOk, or why not on stderr.
int resolve(const QSqlDatabase &db, const QString &given, QString &sha1)
{
    QStringList found;
    QString error;
    if (!conditions::textsByPrefix(db, given, found, &error))
        return failed(error);
    if (found.isEmpty()) {
        err(QStringLiteral("profile: the store holds no text of hash %1\n").arg(given));
        return ExitFailure;
    }
    if (found.size() > 1) {
        err(QStringLiteral("profile: %1 starts %2 hashes (%3): give more of it\n")
                .arg(given)
                .arg(found.size())
                .arg(found.join(QStringLiteral(", "))));
        return ExitFailure;
    }
    sha1 = found.first();
    return ExitOk;
}

int text(const QSqlDatabase &db, const QString &given, QByteArray &content)
{
    QString sha1, error;
    if (const int code = resolve(db, given, sha1); code != ExitOk)
        return code;
    bool found = false;
    if (!conditions::textOf(db, sha1, content, found, &error))
        return failed(error);
    return ExitOk;
}

int versions(const Invocation &invocation, const QSqlDatabase &db)
{
    const QString &name = invocation.arguments.first();
    std::vector<conditions::ProfileVersion> list;
    QString error;
    if (!conditions::profileVersions(db, name, list, &error))
        return failed(error);
    Table table(invocation.format.value_or(Format::Text),
                {QStringLiteral("first_seen"), QStringLiteral("station"), QStringLiteral("profile_sha1"),
                 QStringLiteral("runs")});
    for (const conditions::ProfileVersion &v : list) {
        const auto orNull = [](const QString &s) -> Table::Value {
            return s.isEmpty() ? Table::Value() : Table::Value(s);
        };
        table.row({isoTime(v.firstAt, false), orNull(v.station),
                   orNull(v.sha1), Table::Number{QString::number(v.runs)}});
    }
    table.finish();
    if (list.empty())
        err(QStringLiteral("profile: no run of profile %1 is known, nor a save of it\n").arg(name));
    return ExitOk;
}

int diff(const Invocation &invocation, const QSqlDatabase &db)
{
    QByteArray before, after;
    if (const int code = text(db, invocation.diff.at(0), before); code != ExitOk)
        return code;
    if (const int code = text(db, invocation.diff.at(1), after); code != ExitOk)
        return code;
    std::vector<conditions::KeyChange> changes;
    if (!conditions::diffProfiles(before, after, changes)) {
        err(QStringLiteral("profile: the texts could not be read as profiles (no room for a temporary file?)\n"));
        return ExitFailure;
    }
    Table table(invocation.format.value_or(Format::Text),
                {QStringLiteral("key"), QStringLiteral("change"), QStringLiteral("old"), QStringLiteral("new")});
    const auto value = [](const std::optional<QString> &v) { return v ? Table::Value(*v) : Table::Value(); };
    for (const conditions::KeyChange &c : changes) {
        const QString change = !c.before ? QStringLiteral("added")
                               : !c.after ? QStringLiteral("removed")
                                          : QStringLiteral("changed");
        table.row({c.key, change, value(c.before), value(c.after)});
    }
    table.finish();
    if (changes.empty())
        err(QStringLiteral("profile: the two versions hold the same keys and values\n"));
    return ExitOk;
}

} // namespace

int profileCommand(const Invocation &invocation, ResultStore &store)
{
    const QSqlDatabase db = store.database();
    if (invocation.show) {
        QByteArray content;
        if (const int code = text(db, *invocation.show, content); code != ExitOk)
            return code;
        outBytes(content);
        return ExitOk;
    }
    if (!invocation.diff.isEmpty())
        return diff(invocation, db);
    return versions(invocation, db);
}

} // namespace results::cli
