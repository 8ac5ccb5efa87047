#include "pgserver.h"

#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QTest>

#include <memory>

// Operator input (LOT, worker ID, barcode) reaches the line's server; these are
// the kinds of text that break SQL spliced together by hand, or an encoding.
static const QStringList kAwkwardTexts = {
    QStringLiteral("O'Brien \"quoted\"; DROP TABLE panel_note; --"),
    QStringLiteral("批次 LOT-7 ÄÖÜ ✓ \U0001F642"),
    QStringLiteral("back\\slash $$ dollar $1 ? :name %s"),
    QStringLiteral(""),
};

namespace {

// Removes the named connection when the test leaves it, passed or failed.
struct Connection
{
    explicit Connection(const QString &name) : name(name), db(QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name)) {}
    ~Connection()
    {
        db = QSqlDatabase();
        QSqlDatabase::removeDatabase(name);
    }
    QString name;
    QSqlDatabase db;
};

// The notes in order, or the query's error text as the only entry.
QStringList readNotes(QSqlDatabase &db)
{
    QSqlQuery q(db);
    if (!q.exec(QStringLiteral("SELECT note FROM panel_note ORDER BY id")))
        return {q.lastError().text()};
    QStringList notes;
    while (q.next())
        notes << (q.value(0).isNull() ? QStringLiteral("<NULL>") : q.value(0).toString());
    return notes;
}

} // namespace

class TestLinestoreServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!PgServer::available())
            QSKIP(qPrintable(QStringLiteral("PostgreSQL 15 is not installed in %1").arg(PgServer::binDir())));
        if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL")))
            QFAIL("the Qt SQL driver QPSQL is missing (libqt6sql6-psql)");
        PgServer::Options options;
        options.connectTimeoutS = 5;
        m_server = std::make_unique<PgServer>(options);
        QVERIFY2(m_server->start(), qPrintable(m_server->errorString()));
    }

    void cleanupTestCase() { m_server.reset(); }

    // The server restarted, or lost for good with its standby promoted, or
    // a base backup of it restored: the texts come back as written, and a
    // connection of before says it is gone rather than answering from nowhere.
    void keepsBoundTextAcrossRestart_data()
    {
        QTest::addColumn<bool>("tcp");
        QTest::addColumn<QString>("then");
        QTest::newRow("unix socket") << false << "restart";
        QTest::newRow("127.0.0.1") << true << "restart";
        QTest::newRow("standby promoted, unix sockets") << false << "failover";
        QTest::newRow("standby promoted, two ports") << true << "failover";
        QTest::newRow("base backup restored") << false << "backup";
    }

    void keepsBoundTextAcrossRestart()
    {
        QFETCH(bool, tcp);
        QFETCH(QString, then);
        PgServer::Options options;
        options.tcp = tcp;
        // Nothing the primary acknowledged is missing on the standby.
        if (then == "failover")
            options.synchronousStandby = QStringLiteral("kavel_standby");
        PgServer server(options);
        options.synchronousStandby.clear();
        PgServer copy(options);
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        qInfo("server created and started in %lld ms", static_cast<long long>(clock.elapsed()));
        if (then == "failover") {
            clock.restart();
            QVERIFY2(copy.startCopyOf(server, QStringLiteral("kavel_standby")), qPrintable(copy.errorString()));
            qInfo("standby made and started in %lld ms", static_cast<long long>(clock.elapsed()));
        }
        QVERIFY2(server.createDatabase(QStringLiteral("line_store")), qPrintable(server.errorString()));

        Connection conn(QStringLiteral("linestore"));
        if (then == "failover") {
            // One connection string naming both, handed to the driver whole:
            // the one of the two that takes writes.
            conn.db.setConnectOptions(PgServer::connectionString({&server, &copy}, QStringLiteral("line_store"),
                                                                 server.userName(), server.password(),
                                                                 QStringLiteral("read-write")));
        } else {
            server.configure(conn.db, QStringLiteral("line_store"));
        }
        QVERIFY2(conn.db.open(), qPrintable(conn.db.lastError().text()));
        {
            QSqlQuery q(conn.db);
            QVERIFY2(q.exec(QStringLiteral("CREATE TABLE panel_note (id integer PRIMARY KEY, note text)")),
                     qPrintable(q.lastError().text()));
            QVERIFY(q.prepare(QStringLiteral("INSERT INTO panel_note (id, note) VALUES (?, ?)")));
            for (int i = 0; i < kAwkwardTexts.size(); ++i) {
                q.addBindValue(i);
                q.addBindValue(kAwkwardTexts.at(i));
                QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
            }
        }
        QCOMPARE(readNotes(conn.db), kAwkwardTexts);
        PgServer *after = &server;

        clock.restart();
        if (then == "restart") {
            QVERIFY2(server.restart(), qPrintable(server.errorString()));
            qInfo("server restarted in %lld ms", static_cast<long long>(clock.elapsed()));
        } else if (then == "backup") {
            QVERIFY2(copy.startCopyOf(server), qPrintable(copy.errorString()));
            qInfo("base backup taken and started in %lld ms", static_cast<long long>(clock.elapsed()));
            QVERIFY2(server.stop(), qPrintable(server.errorString()));
            server.configure(conn.db, QStringLiteral("line_store"));
            conn.db.setHostName(copy.host());
            after = &copy;
        } else {
            // A reader that prefers the standby reads there, read-only.
            {
                Connection reader(QStringLiteral("reader"));
                reader.db.setConnectOptions(conn.db.connectOptions().replace(QStringLiteral("read-write"),
                                                                             QStringLiteral("prefer-standby")));
                QVERIFY2(copy.caughtUp(server), qPrintable(copy.errorString()));
                QVERIFY2(reader.db.open(), qPrintable(reader.db.lastError().text()));
                QCOMPARE(readNotes(reader.db), kAwkwardTexts);
                QSqlQuery q(reader.db);
                QVERIFY(q.exec(QStringLiteral("SELECT pg_is_in_recovery()")) && q.next());
                QVERIFY(q.value(0).toBool());
                QVERIFY(!q.exec(QStringLiteral("DELETE FROM panel_note")));
                QVERIFY2(q.lastError().text().contains(QStringLiteral("read-only transaction")),
                         qPrintable(q.lastError().text()));
            }
            QVERIFY2(server.stopHard(), qPrintable(server.errorString()));
            QVERIFY2(copy.promote(), qPrintable(copy.errorString()));
            qInfo("primary stopped hard and standby promoted in %lld ms", static_cast<long long>(clock.elapsed()));
            after = &copy;
        }

        // The connection from before is gone: it must say so, not crash or
        // answer from nowhere.
        if (then != "backup") {
            QSqlQuery q(conn.db);
            QVERIFY(!q.exec(QStringLiteral("SELECT count(*) FROM panel_note")));
            QVERIFY(q.lastError().type() != QSqlError::NoError);
            QVERIFY(!q.lastError().text().trimmed().isEmpty());
        }

        conn.db.close();
        QVERIFY2(conn.db.open(), qPrintable(conn.db.lastError().text()));
        QCOMPARE(readNotes(conn.db), kAwkwardTexts);
        {
            QSqlQuery q(conn.db);
            QVERIFY(q.exec(QStringLiteral("SELECT pg_is_in_recovery(), current_setting('unix_socket_directories')"))
                    && q.next());
            QVERIFY(!q.value(0).toBool());
            QCOMPARE(q.value(1).toString(), after->socketDir());
            // It takes writes.
            QVERIFY2(q.exec(QStringLiteral("DELETE FROM panel_note WHERE id = 0")), qPrintable(q.lastError().text()));
        }

        clock.restart();
        QVERIFY2(after->stop(), qPrintable(after->errorString()));
        qInfo("server stopped in %lld ms", static_cast<long long>(clock.elapsed()));
        conn.db.close();
        QVERIFY(!conn.db.open());
    }

    void refusesBadLogins_data()
    {
        QTest::addColumn<QString>("user");
        QTest::addColumn<bool>("rightPassword");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QString>("expected");

        QTest::newRow("wrong password") << QString() << false << QStringLiteral("postgres")
                                        << QStringLiteral("password authentication failed");
        // The server answers an unknown user as it answers a wrong password,
        // so that names cannot be probed.
        QTest::newRow("unknown user") << QStringLiteral("no_such_worker") << true << QStringLiteral("postgres")
                                      << QStringLiteral("password authentication failed");
        QTest::newRow("unknown database") << QString() << true << QStringLiteral("no_such_line")
                                          << QStringLiteral("does not exist");
    }

    void refusesBadLogins()
    {
        QFETCH(QString, user);
        QFETCH(bool, rightPassword);
        QFETCH(QString, database);
        QFETCH(QString, expected);

        Connection conn(QStringLiteral("badlogin"));
        m_server->configure(conn.db, database);
        if (!user.isEmpty())
            conn.db.setUserName(user);
        if (!rightPassword)
            conn.db.setPassword(m_server->password() + QStringLiteral("x"));

        QVERIFY(!conn.db.open());
        const QSqlError error = conn.db.lastError();
        QCOMPARE(error.type(), QSqlError::ConnectionError);
        QVERIFY2(error.text().contains(expected), qPrintable(error.text()));
    }

private:
    std::unique_ptr<PgServer> m_server;
};

QTEST_GUILESS_MAIN(TestLinestoreServer)
#include "tst_linestore_server.moc"
