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

    void keepsBoundTextAcrossRestart_data()
    {
        QTest::addColumn<bool>("tcp");
        QTest::newRow("unix socket") << false;
        QTest::newRow("127.0.0.1") << true;
    }

    void keepsBoundTextAcrossRestart()
    {
        QFETCH(bool, tcp);
        PgServer::Options options;
        options.tcp = tcp;
        PgServer server(options);
        QElapsedTimer clock;
        clock.start();
        QVERIFY2(server.start(), qPrintable(server.errorString()));
        qInfo("server created and started in %lld ms", static_cast<long long>(clock.elapsed()));
        QVERIFY2(server.createDatabase(QStringLiteral("line_store")), qPrintable(server.errorString()));

        Connection conn(QStringLiteral("linestore"));
        server.configure(conn.db, QStringLiteral("line_store"));
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

        clock.restart();
        QVERIFY2(server.restart(), qPrintable(server.errorString()));
        qInfo("server restarted in %lld ms", static_cast<long long>(clock.elapsed()));

        // The connection from before the restart is gone: it must say so, not
        // crash or answer from nowhere.
        {
            QSqlQuery q(conn.db);
            QVERIFY(!q.exec(QStringLiteral("SELECT count(*) FROM panel_note")));
            QVERIFY(q.lastError().type() != QSqlError::NoError);
            QVERIFY(!q.lastError().text().trimmed().isEmpty());
        }

        conn.db.close();
        QVERIFY2(conn.db.open(), qPrintable(conn.db.lastError().text()));
        QCOMPARE(readNotes(conn.db), kAwkwardTexts);

        clock.restart();
        QVERIFY2(server.stop(), qPrintable(server.errorString()));
        qInfo("server stopped in %lld ms", static_cast<long long>(clock.elapsed()));
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
