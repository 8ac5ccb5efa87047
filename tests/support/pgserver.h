#ifndef PGSERVER_H
#define PGSERVER_H

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <algorithm>
#include <initializer_list>
#include <memory>

#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

// A small certificate authority of a test's own, made with the openssl
// program in dir: <name>-ca.crt (and its key), and a server certificate
// <name>-server.crt / .key for the host name given, signed by it.
inline bool makeTestCertificates(const QString &dir, const QString &name, const QString &hostName, QString *error)
{
    const auto openssl = [&](const QStringList &args) {
        QProcess p;
        p.setWorkingDirectory(dir);
        p.setProcessChannelMode(QProcess::MergedChannels);
        p.start(QStringLiteral("openssl"), args);
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return true;
        *error = QStringLiteral("openssl %1: %2").arg(args.join(QLatin1Char(' ')), QString::fromLocal8Bit(p.readAll()));
        return false;
    };
    const QStringList ec{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                         QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    QFile ext(dir + QLatin1Char('/') + name + QStringLiteral(".ext"));
    if (!ext.open(QIODevice::WriteOnly) || ext.write("subjectAltName=DNS:" + hostName.toUtf8() + "\n") < 0) {
        *error = QStringLiteral("cannot write %1").arg(ext.fileName());
        return false;
    }
    ext.close();
    return openssl(QStringList{QStringLiteral("req"), QStringLiteral("-x509")} + ec
                   + QStringList{QStringLiteral("-keyout"), name + QStringLiteral("-ca.key"), QStringLiteral("-out"),
                                 name + QStringLiteral("-ca.crt"), QStringLiteral("-days"), QStringLiteral("2"),
                                 QStringLiteral("-subj"), QStringLiteral("/CN=%1 test CA").arg(name)})
           && openssl(QStringList{QStringLiteral("req")} + ec
                      + QStringList{QStringLiteral("-keyout"), name + QStringLiteral("-server.key"), QStringLiteral("-out"),
                                    name + QStringLiteral("-server.csr"), QStringLiteral("-subj"),
                                    QStringLiteral("/CN=%1").arg(hostName)})
           && openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"),
                       name + QStringLiteral("-server.csr"), QStringLiteral("-CA"), name + QStringLiteral("-ca.crt"),
                       QStringLiteral("-CAkey"), name + QStringLiteral("-ca.key"), QStringLiteral("-CAcreateserial"),
                       QStringLiteral("-out"), name + QStringLiteral("-server.crt"), QStringLiteral("-days"),
                       QStringLiteral("2"), QStringLiteral("-extfile"), name + QStringLiteral(".ext")});
}

// A private PostgreSQL 15 server for the life of the object: its own data and
// socket folder in a temporary folder, a superuser with a password of its own,
// password authentication on every connection (so a wrong password fails as it
// would against a line's server), and no TCP port unless asked for. Tests and
// the benchmarks use it instead of any server installed on the machine.
//
// initdb refuses to run as root, and CI runs as root: the server programs then
// run as the "postgres" user, which owns the temporary folder. The client
// programs (psql) always run as the current user; they authenticate by password.
class PgServer
{
public:
    struct Options
    {
        // Also listen on 127.0.0.1 (a free port is picked), for code that only
        // takes host names. Otherwise the server listens on its socket only.
        bool tcp = false;
        int startTimeoutS = 30;
        int stopTimeoutS = 30;
        // Given to every connection this object describes, so that a server
        // that does not answer fails the caller instead of stalling it.
        int connectTimeoutS = 10;
        // The server's buffer cache: small for a test's few rows; a benchmark
        // over a million runs gives it what a line's server would have.
        int sharedBuffersMb = 8;
        // Three of them are kept for superusers; a line of many station roles
        // needs more.
        int maxConnections = 20;
        // TLS with this certificate and key (PEM files; implies tcp): TCP
        // clients must use it ("hostssl" only), as on a line's server.
        QString tlsCertificate;
        QString tlsKey;
        // As a line's server runs: fsync, full-page writes, and commits that
        // wait until their WAL is on the disk. A test's server, thrown away
        // with its test, skips all three.
        bool durable = false;
        // synchronous_standby_names: a commit waits until a standby of that
        // name (see startCopyOf()) has its WAL on its disk too. Empty: no
        // commit waits for a standby, and a standby promoted waits for none.
        QString synchronousStandby;
    };

    PgServer() : PgServer(Options()) {}
    explicit PgServer(const Options &options)
        : m_options(options),
          m_password(QString::number(QRandomGenerator::global()->generate64(), 36))
    {
    }

    ~PgServer()
    {
        if (m_running && !stop())
            stopImmediately();
        // m_dir removes the data and socket folder as it goes.
    }

    PgServer(const PgServer &) = delete;
    PgServer &operator=(const PgServer &) = delete;

    static QString binDir() { return QStringLiteral("/usr/lib/postgresql/15/bin"); }

    // True when the server and client programs this class runs are installed.
    static bool available()
    {
        for (const char *tool : {"initdb", "pg_ctl", "postgres", "psql"}) {
            if (!QFileInfo(binDir() + QLatin1Char('/') + QLatin1String(tool)).isExecutable())
                return false;
        }
        return true;
    }

    // Creates the cluster on the first call, then starts the server and waits
    // until it accepts connections. On false, errorString() says why.
    bool start()
    {
        if (m_running)
            return true;
        if (!m_dir && !createCluster()) {
            m_dir.reset();
            return false;
        }
        const Run run = runServerTool(
            QStringLiteral("pg_ctl"),
            {QStringLiteral("start"), QStringLiteral("-w"),
             QStringLiteral("-t"), QString::number(m_options.startTimeoutS),
             QStringLiteral("-D"), dataDir(), QStringLiteral("-l"), logFile()},
            m_options.startTimeoutS + 5);
        if (!run.ok) {
            m_error = QStringLiteral("pg_ctl start failed: %1\n-- server log --\n%2")
                          .arg(run.output, tail(logFile()));
            // A server that came up too late would outlive the object.
            stopImmediately();
            return false;
        }
        m_running = true;
        return true;
    }

    // Fast shutdown: open connections are ended, the data stays for start().
    bool stop()
    {
        if (!m_running)
            return true;
        const Run run = runServerTool(
            QStringLiteral("pg_ctl"),
            {QStringLiteral("stop"), QStringLiteral("-w"), QStringLiteral("-m"), QStringLiteral("fast"),
             QStringLiteral("-t"), QString::number(m_options.stopTimeoutS),
             QStringLiteral("-D"), dataDir()},
            m_options.stopTimeoutS + 5);
        if (!run.ok) {
            m_error = QStringLiteral("pg_ctl stop failed: %1").arg(run.output);
            return false;
        }
        m_running = false;
        return true;
    }

    bool restart() { return stop() && start(); }

    // Immediate shutdown, as when the server's machine loses its power: no
    // checkpoint, connections cut, and a standby gets none of the WAL not yet
    // sent. The data stays for start(), which recovers it.
    bool stopHard()
    {
        if (!m_dir || !QFile::exists(dataDir() + QStringLiteral("/postmaster.pid"))) {
            m_running = false;
            return true;
        }
        const Run run = runServerTool(QStringLiteral("pg_ctl"),
                                      {QStringLiteral("stop"), QStringLiteral("-w"), QStringLiteral("-m"),
                                       QStringLiteral("immediate"), QStringLiteral("-t"), QStringLiteral("10"),
                                       QStringLiteral("-D"), dataDir()},
                                      15);
        if (!run.ok) {
            m_error = QStringLiteral("pg_ctl stop -m immediate failed: %1").arg(run.output);
            return false;
        }
        m_running = false;
        return true;
    }

    // Makes this server a copy of source, taken with pg_basebackup while
    // source runs, in data and socket folders of its own, and starts it.
    // standbyName given: a hot standby (-R) that streams source's WAL under
    // that application name and stays read-only until promote(). Empty: a
    // server of its own, as a base backup restored. The copy has source's
    // roles and passwords; its settings are this object's Options. A copy of a
    // server that takes TLS clients only is not made.
    bool startCopyOf(PgServer &source, const QString &standbyName = QString())
    {
        if (m_dir) {
            m_error = QStringLiteral("this server has a cluster of its own already");
            return false;
        }
        if (!source.isRunning()) {
            m_error = QStringLiteral("a copy is taken of a running server");
            return false;
        }
        if (!makeFolder()) {
            m_dir.reset();
            return false;
        }
        m_password = source.m_password;
        QString from = source.connectionString();
        if (!standbyName.isEmpty())
            from += QStringLiteral(" application_name=") + quoteConnValue(standbyName);
        QStringList args{QStringLiteral("-D"), dataDir(), QStringLiteral("-d"), from, QStringLiteral("-X"),
                         QStringLiteral("stream"), QStringLiteral("-c"), QStringLiteral("fast"),
                         QStringLiteral("--no-sync")};
        if (!standbyName.isEmpty())
            args << QStringLiteral("-R");
        const Run backup = runServerTool(QStringLiteral("pg_basebackup"), args, 120);
        if (!backup.ok) {
            m_error = QStringLiteral("pg_basebackup failed: %1").arg(backup.output);
            m_dir.reset();
            return false;
        }
        // The source's settings came with its files; this copy's own follow
        // them and so take their place.
        if (!appendSettings()) {
            m_dir.reset();
            return false;
        }
        return start();
    }

    // Ends a standby's recovery: from here it takes writes, on a timeline of
    // its own. Waits until it does.
    bool promote()
    {
        const Run run = runServerTool(QStringLiteral("pg_ctl"),
                                      {QStringLiteral("promote"), QStringLiteral("-w"), QStringLiteral("-t"),
                                       QString::number(m_options.startTimeoutS), QStringLiteral("-D"), dataDir()},
                                      m_options.startTimeoutS + 5);
        if (!run.ok)
            m_error = QStringLiteral("pg_ctl promote failed: %1").arg(run.output);
        return run.ok;
    }

    // Waits until this standby has replayed all that primary had written when
    // asked, so that what a test wrote there can be read here.
    bool caughtUp(PgServer &primary, int timeoutS = 30)
    {
        const QString lsn = primary.queryValue(QStringLiteral("SELECT pg_current_wal_lsn()"));
        if (lsn.isEmpty()) {
            m_error = primary.errorString();
            return false;
        }
        const QString sql = QStringLiteral("SELECT pg_last_wal_replay_lsn() >= '%1'::pg_lsn").arg(lsn);
        for (int waited = 0; waited < timeoutS * 10; ++waited) {
            if (queryValue(sql) == QLatin1String("t"))
                return true;
            ::usleep(100 * 1000);
        }
        m_error = QStringLiteral("the standby did not replay up to %1 within %2 s").arg(lsn).arg(timeoutS);
        return false;
    }

    bool isRunning() const { return m_running; }
    QString errorString() const { return m_error; }

    // Runs SQL through psql against the given database; stops at the first
    // error, which errorString() then holds.
    bool execSql(const QString &sql, const QString &database = QStringLiteral("postgres"))
    {
        const Run run = runClient(QStringLiteral("psql"),
                                  {QStringLiteral("-X"), QStringLiteral("-q"),
                                   QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                   QStringLiteral("-d"), connectionString(database),
                                   QStringLiteral("-c"), sql});
        if (!run.ok)
            m_error = QStringLiteral("psql failed: %1").arg(run.output);
        return run.ok;
    }

    // The first column of the first row sql gives, as psql prints it; empty
    // on an error, which errorString() then holds.
    QString queryValue(const QString &sql, const QString &database = QStringLiteral("postgres"))
    {
        const Run run = runClient(QStringLiteral("psql"),
                                  {QStringLiteral("-X"), QStringLiteral("-A"), QStringLiteral("-t"),
                                   QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                                   QStringLiteral("-d"), connectionString(database),
                                   QStringLiteral("-c"), sql});
        if (!run.ok) {
            m_error = QStringLiteral("psql failed: %1").arg(run.output);
            return QString();
        }
        return run.output.section(QLatin1Char('\n'), 0, 0).trimmed();
    }

    // Runs one of PostgreSQL's client programs (pg_basebackup, pg_dump, …)
    // against this server's database, named with -d after args.
    bool runClientTool(const QString &tool, const QStringList &args, const QString &database, int timeoutS,
                       QString *output = nullptr)
    {
        const Run r = run(binDir() + QLatin1Char('/') + tool,
                          args + QStringList{QStringLiteral("-d"), connectionString(database)}, timeoutS);
        if (output)
            *output = r.output;
        if (!r.ok)
            m_error = QStringLiteral("%1 failed: %2").arg(tool, r.output);
        return r.ok;
    }

    bool createDatabase(const QString &name)
    {
        return execSql(QStringLiteral("CREATE DATABASE %1 ENCODING 'UTF8' TEMPLATE template0")
                           .arg(quoteIdentifier(name)));
    }

    // Where a client reaches the server: the socket folder, or 127.0.0.1 with
    // Options::tcp.
    QString host() const { return m_options.tcp ? QStringLiteral("127.0.0.1") : socketDir(); }
    int port() const { return m_port; }
    QString userName() const { return QStringLiteral("postgres"); }
    QString password() const { return m_password; }
    QString socketDir() const { return m_dir ? m_dir->path() : QString(); }
    QString dataDir() const { return m_dir ? m_dir->filePath(QStringLiteral("data")) : QString(); }

    // A libpq connection string (PQconnectdb, psql -d) for the database, as
    // the superuser or as the login role given.
    QString connectionString(const QString &database = QStringLiteral("postgres"), const QString &user = QString(),
                             const QString &password = QString()) const
    {
        return QStringLiteral("host=%1 port=%2 user=%3 password=%4 dbname=%5 connect_timeout=%6")
            .arg(quoteConnValue(host()), QString::number(m_port),
                 quoteConnValue(user.isEmpty() ? userName() : user),
                 quoteConnValue(user.isEmpty() ? m_password : password), quoteConnValue(database),
                 QString::number(m_options.connectTimeoutS));
    }

    // One connection string naming several servers (host=a,b port=p,q), as a
    // line names its primary and its standby: libpq tries them in turn for
    // the first whose session is as attrs asks (target_session_attrs).
    static QString connectionString(std::initializer_list<const PgServer *> servers, const QString &database,
                                    const QString &user, const QString &password, const QString &attrs)
    {
        QStringList hosts, ports;
        int timeout = 0;
        for (const PgServer *server : servers) {
            hosts << server->host();
            ports << QString::number(server->port());
            timeout = std::max(timeout, server->m_options.connectTimeoutS);
        }
        return QStringLiteral("host=%1 port=%2 user=%3 password=%4 dbname=%5 connect_timeout=%6 target_session_attrs=%7")
            .arg(quoteConnValue(hosts.join(QLatin1Char(','))), ports.join(QLatin1Char(',')), quoteConnValue(user),
                 quoteConnValue(password), quoteConnValue(database), QString::number(timeout), attrs);
    }

    // Gives a login role a password, as an administrator would with psql's \password.
    bool setPassword(const QString &role, const QString &password)
    {
        QString quoted = password;
        quoted.replace(QLatin1Char('\''), QStringLiteral("''"));
        return execSql(QStringLiteral("ALTER ROLE %1 PASSWORD '%2'").arg(quoteIdentifier(role), quoted));
    }

    // Sets what a "QPSQL" connection needs to reach the database.
    void configure(QSqlDatabase &db, const QString &database = QStringLiteral("postgres")) const
    {
        db.setHostName(host());
        db.setPort(m_port);
        db.setUserName(userName());
        db.setPassword(m_password);
        db.setDatabaseName(database);
        db.setConnectOptions(QStringLiteral("connect_timeout=%1").arg(m_options.connectTimeoutS));
    }

private:
    struct Run
    {
        bool ok = false;
        QString output;
    };

    static bool isRoot() { return ::geteuid() == 0; }

    QString logFile() const { return m_dir->filePath(QStringLiteral("server.log")); }

    bool tls() const { return !m_options.tlsCertificate.isEmpty(); }

    // The temporary folder that holds the data and the socket, given to the
    // server's user, and the port.
    bool makeFolder()
    {
        auto dir = std::make_unique<QTemporaryDir>(shortTempRoot() + QStringLiteral("/kavel-pg-XXXXXX"));
        if (!dir->isValid()) {
            m_error = QStringLiteral("cannot create a temporary folder: %1").arg(dir->errorString());
            return false;
        }
        m_dir = std::move(dir);
        m_port = m_options.tcp || tls() ? freeLocalPort() : 5432;
        if (m_port <= 0) {
            m_error = QStringLiteral("no free TCP port on 127.0.0.1");
            return false;
        }
        return !isRoot() || giveToServerUser(m_dir->path());
    }

    // This object's settings, after those in the data folder: the later wins.
    bool appendSettings()
    {
        const bool durable = m_options.durable;
        const bool waits = durable || !m_options.synchronousStandby.isEmpty();
        QString names = m_options.synchronousStandby;
        names.replace(QLatin1Char('\''), QStringLiteral("''"));
        const QString conf = QStringLiteral(
                                 "\n# kavel test server\n"
                                 "listen_addresses = '%1'\n"
                                 "port = %2\n"
                                 "unix_socket_directories = '%3'\n"
                                 "fsync = %4\n"
                                 "synchronous_commit = %5\n"
                                 "full_page_writes = %4\n"
                                 "synchronous_standby_names = '%6'\n"
                                 "shared_buffers = %7MB\n"
                                 "max_connections = %8\n")
                                 .arg(m_options.tcp || tls() ? QStringLiteral("127.0.0.1") : QString(),
                                      QString::number(m_port), socketDir(),
                                      durable ? QStringLiteral("on") : QStringLiteral("off"),
                                      waits ? QStringLiteral("on") : QStringLiteral("off"), names)
                                 .arg(m_options.sharedBuffersMb)
                                 .arg(m_options.maxConnections);
        QFile f(dataDir() + QStringLiteral("/postgresql.conf"));
        if (!f.open(QIODevice::Append) || f.write(conf.toUtf8()) < 0) {
            m_error = QStringLiteral("cannot append to %1").arg(f.fileName());
            return false;
        }
        return true;
    }

    bool createCluster()
    {
        if (!makeFolder())
            return false;

        const QString pwFile = m_dir->filePath(QStringLiteral("pw"));
        {
            QFile f(pwFile);
            if (!f.open(QIODevice::WriteOnly) || f.write(m_password.toUtf8() + '\n') < 0) {
                m_error = QStringLiteral("cannot write %1").arg(pwFile);
                return false;
            }
        }
        if (isRoot() && !giveToServerUser(pwFile))
            return false;

        const Run init = runServerTool(
            QStringLiteral("initdb"),
            {QStringLiteral("-D"), dataDir(), QStringLiteral("-U"), userName(),
             QStringLiteral("--pwfile=") + pwFile,
             QStringLiteral("--auth-local=scram-sha-256"), QStringLiteral("--auth-host=scram-sha-256"),
             QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--no-locale"),
             QStringLiteral("--no-sync")},
            120);
        QFile::remove(pwFile);
        if (!init.ok) {
            m_error = QStringLiteral("initdb failed: %1").arg(init.output);
            return false;
        }

        // Durability is worthless for a server that lives for one test; start-up
        // time and memory are not (Options::durable).
        if (!appendSettings())
            return false;
        return !tls() || configureTls();
    }

    // The certificate and key beside the data, owned by the server's user
    // (it refuses a key others may read), and TCP for TLS clients only.
    bool configureTls()
    {
        const QString cert = dataDir() + QStringLiteral("/server.crt");
        const QString key = dataDir() + QStringLiteral("/server.key");
        if (!QFile::copy(m_options.tlsCertificate, cert) || !QFile::copy(m_options.tlsKey, key)
            || !QFile::setPermissions(key, QFileDevice::ReadOwner | QFileDevice::WriteOwner)
            || (isRoot() && !(giveToServerUser(cert) && giveToServerUser(key)))) {
            m_error = QStringLiteral("cannot place the server's certificate and key");
            return false;
        }
        QFile conf(dataDir() + QStringLiteral("/postgresql.conf"));
        QFile hba(dataDir() + QStringLiteral("/pg_hba.conf"));
        if (!conf.open(QIODevice::Append)
            || conf.write("ssl = on\nssl_cert_file = 'server.crt'\nssl_key_file = 'server.key'\n") < 0
            || !hba.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || hba.write("local all all scram-sha-256\nhostssl all all 127.0.0.1/32 scram-sha-256\n") < 0) {
            m_error = QStringLiteral("cannot configure TLS");
            return false;
        }
        return true;
    }

    // A Unix socket path is limited to about 100 bytes; a long TMPDIR would
    // leave the server unreachable.
    static QString shortTempRoot()
    {
        const QString tmp = QDir::tempPath();
        return tmp.size() <= 60 ? tmp : QStringLiteral("/tmp");
    }

    bool giveToServerUser(const QString &path)
    {
        const passwd *pw = ::getpwnam("postgres");
        if (!pw) {
            m_error = QStringLiteral("running as root, but there is no \"postgres\" user to run the server");
            return false;
        }
        if (::chown(QFile::encodeName(path).constData(), pw->pw_uid, pw->pw_gid) != 0) {
            m_error = QStringLiteral("cannot give %1 to the postgres user").arg(path);
            return false;
        }
        return true;
    }

    static int freeLocalPort()
    {
        const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
        if (fd < 0)
            return -1;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = 0;
        socklen_t len = sizeof addr;
        int port = -1;
        if (::bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0
            && ::getsockname(fd, reinterpret_cast<sockaddr *>(&addr), &len) == 0)
            port = ntohs(addr.sin_port);
        ::close(fd);
        return port;
    }

    // Last resort when a fast stop did not finish: the data is thrown away anyway.
    void stopImmediately()
    {
        const QString error = m_error;
        stopHard();
        m_error = error;
        m_running = false;
    }

    Run runServerTool(const QString &tool, const QStringList &args, int timeoutS) const
    {
        const QString program = binDir() + QLatin1Char('/') + tool;
        if (!isRoot())
            return run(program, args, timeoutS);
        QStringList wrapped{QStringLiteral("-u"), QStringLiteral("postgres"), QStringLiteral("--"), program};
        return run(QStringLiteral("runuser"), wrapped + args, timeoutS);
    }

    Run runClient(const QString &tool, const QStringList &args) const
    {
        return run(binDir() + QLatin1Char('/') + tool, args, m_options.connectTimeoutS + 30);
    }

    Run run(const QString &program, const QStringList &args, int timeoutS) const
    {
        QProcess p;
        p.setProcessChannelMode(QProcess::MergedChannels);
        // The server user may not enter the caller's working folder.
        p.setWorkingDirectory(m_dir ? m_dir->path() : QDir::rootPath());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        // The caller's PG* settings (a line's server, a service file) must not
        // redirect the tools.
        for (const QString &key : env.keys()) {
            if (key.startsWith(QLatin1String("PG")))
                env.remove(key);
        }
        env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
        p.setProcessEnvironment(env);
        p.start(program, args);
        Run r;
        if (!p.waitForStarted(10000)) {
            r.output = QStringLiteral("cannot run %1: %2").arg(program, p.errorString());
            return r;
        }
        if (!p.waitForFinished(timeoutS * 1000)) {
            p.kill();
            p.waitForFinished(5000);
            r.output = QStringLiteral("%1 did not finish within %2 s: %3")
                           .arg(program, QString::number(timeoutS), QString::fromLocal8Bit(p.readAll()));
            return r;
        }
        r.output = QString::fromLocal8Bit(p.readAll()).trimmed();
        r.ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (!r.ok && r.output.isEmpty())
            r.output = QStringLiteral("%1 exited with %2").arg(program).arg(p.exitCode());
        return r;
    }

    static QString tail(const QString &path)
    {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return QStringLiteral("(no log)");
        if (f.size() > 4000)
            f.seek(f.size() - 4000);
        return QString::fromLocal8Bit(f.readAll());
    }

    static QString quoteConnValue(QString v)
    {
        v.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
        v.replace(QLatin1Char('\''), QStringLiteral("\\'"));
        return QLatin1Char('\'') + v + QLatin1Char('\'');
    }

    static QString quoteIdentifier(QString name)
    {
        name.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        return QLatin1Char('"') + name + QLatin1Char('"');
    }

    Options m_options;
    QString m_password;
    std::unique_ptr<QTemporaryDir> m_dir;
    int m_port = 0;
    bool m_running = false;
    QString m_error;
};

#endif
