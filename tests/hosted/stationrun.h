#ifndef STATIONRUN_H
#define STATIONRUN_H

#include "emudcontrol.h"
#include "leftoverguard.h"

#include <QDebug>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

// The unchanged station executable in a scratch working folder, started as the
// child of the emulated-board host (offscreen, no control window). A test plugs
// and unplugs the board, and reads back what the station wrote: its files, and
// through the test channel its message boxes and message pane.
class StationRun
{
public:
    struct Options
    {
        QByteArray profile = "[General]\nx_electrodes=30\ny_electrodes=20\nx_res=1280\ny_res=800\n";
        QByteArray stationFile =
            "QuilexVID=1A86\nQuilexPID=E0A1\nCustomerVID=1A86\nCustomerPID=E0A1\nConfigPath=Config/test.ini\n";
        QString panel;       // panel description for the board; the emulator's default when empty
        bool plugged = true; // board plugged in before the station starts
        QStringList hostArguments;
    };

    StationRun() = default;
    ~StationRun()
    {
        stop();
        removeLeftoverGuard(path(QStringLiteral("tmp")));
    }

    bool start(const Options &options)
    {
        if (!m_dir.isValid())
            return false;
        QDir root(m_dir.path());
        root.mkpath(QStringLiteral("tmp"));
        root.mkpath(QStringLiteral("Config"));
        if (!write(QStringLiteral("config.txt"), options.stationFile)
            || !write(QStringLiteral("Config/test.ini"), options.profile))
            return false;

        QStringList arguments{QStringLiteral("--no-window"), QStringLiteral("--control"), controlPath()};
        if (!options.plugged)
            arguments << QStringLiteral("--unplugged");
        if (!options.panel.isEmpty())
            arguments << QStringLiteral("--panel") << options.panel;
        arguments << options.hostArguments << QStringLiteral("--") << QStringLiteral(KAVEL_STATION_EXE);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        env.insert(QStringLiteral("KAVEL_STATION_TEST_CHANNEL"), path(QStringLiteral("channel.txt")));
        env.remove(QStringLiteral("KAVEL_EMUD_CONTROL"));
        m_host.setProcessEnvironment(env);
        m_host.setWorkingDirectory(m_dir.path());
        m_host.setProcessChannelMode(QProcess::ForwardedChannels);
        m_host.start(QStringLiteral(KAVEL_EMUD_EXE), arguments);
        if (!m_host.waitForStarted(10000))
            return false;
        if (!waitFor(QStringLiteral("window|shown"), 20000)) {
            qWarning() << "the station did not come up; it said" << channel();
            return false;
        }
        return m_control.connectToHost(controlPath());
    }

    QString command(const QString &line) { return m_control.send(line); }

    // Lines the station wrote to the test channel so far.
    QStringList channel() const
    {
        QFile f(path(QStringLiteral("channel.txt")));
        if (!f.open(QIODevice::ReadOnly))
            return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    bool waitFor(const QString &line, int timeoutMs) const
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            if (channel().contains(line))
                return true;
            if (m_host.state() == QProcess::NotRunning)
                return false;
            QTest::qWait(20);
        }
        return false;
    }

    // Waits until the channel holds `line` at least `count` times.
    bool waitForCount(const QString &line, int count, int timeoutMs) const
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            if (channel().count(line) >= count)
                return true;
            if (m_host.state() == QProcess::NotRunning)
                return false;
            QTest::qWait(10);
        }
        return false;
    }

    qint64 stationPid() const
    {
        for (const QString &line : channel()) {
            if (line.startsWith(QLatin1String("pid|")))
                return line.mid(4).toLongLong();
        }
        return 0;
    }

    bool hostRunning() const { return m_host.state() == QProcess::Running; }
    qint64 hostPid() const { return m_host.processId(); }

    // Ends the host the way a person's Ctrl+C would; it takes the station with it.
    int stop()
    {
        if (m_host.state() == QProcess::NotRunning)
            return m_host.exitCode();
        ::kill(pid_t(m_host.processId()), SIGTERM);
        if (!m_host.waitForFinished(15000)) {
            m_host.kill();
            m_host.waitForFinished(5000);
        }
        return m_host.exitCode();
    }

    QString path(const QString &name) const { return m_dir.filePath(name); }
    QString controlPath() const { return path(QStringLiteral("emud.ctl")); }

private:
    bool write(const QString &name, const QByteArray &content)
    {
        QFile f(path(name));
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
    }

    QTemporaryDir m_dir;
    QProcess m_host;
    EmudControl m_control;
};

#endif
