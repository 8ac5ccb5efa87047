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

#include <algorithm>
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
        // False to start again on the files a previous start left (config.txt,
        // the profile and everything else in the folder stay as they are).
        bool writeFiles = true;
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
        if (options.writeFiles
            && (!write(QStringLiteral("config.txt"), options.stationFile)
                || !write(QStringLiteral("Config/test.ini"), options.profile)))
            return false;
        // Each start's channel is its own; the lines of an earlier start are kept aside.
        if (QFile::exists(path(QStringLiteral("channel.txt")))) {
            QFile::remove(path(QStringLiteral("channel.previous.txt")));
            QFile::rename(path(QStringLiteral("channel.txt")), path(QStringLiteral("channel.previous.txt")));
        }
        QFile::remove(path(QStringLiteral("channel.txt.in")));

        QStringList arguments{QStringLiteral("--no-window"), QStringLiteral("--control"), controlPath()};
        if (!options.plugged)
            arguments << QStringLiteral("--unplugged");
        if (!options.panel.isEmpty())
            arguments << QStringLiteral("--panel") << options.panel;
        arguments << options.hostArguments << QStringLiteral("--") << QStringLiteral(KAVEL_STATION_EXE);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KAVEL_STATION_TEST_CHANNEL"), path(QStringLiteral("channel.txt")));
        m_host.setProcessEnvironment(stationEnvironment(env));
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

    // Drives the station's own controls through the test channel: click|<button>,
    // action|<menu action>, key|<key>, text|<line edit>|<text>, close-modal. The
    // station answers "did|<line>" or "refused|<line>|<why>" on the channel.
    bool operate(const QString &line)
    {
        QFile f(path(QStringLiteral("channel.txt.in")));
        return f.open(QIODevice::WriteOnly | QIODevice::Append) && f.write(line.toUtf8() + '\n') > 0;
    }

    // The longest the station's event loop went without turning, from its
    // "stall|<ms>" lines (0 when it never went past the report threshold).
    int worstStall() const
    {
        int worst = 0;
        for (const QString &line : channel()) {
            if (line.startsWith(QLatin1String("stall|")))
                worst = std::max(worst, line.mid(6).toInt());
        }
        return worst;
    }

    // The station's last heartbeat, or 0 before the first.
    int lastTick() const
    {
        const QStringList lines = channel();
        for (auto it = lines.crbegin(); it != lines.crend(); ++it) {
            if (it->startsWith(QLatin1String("tick|")))
                return it->mid(5).toInt();
        }
        return 0;
    }

    // True when the event loop is turning now: a new heartbeat within a few seconds.
    bool stillTurning(int timeoutMs = 4000) const
    {
        const int before = lastTick();
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            if (lastTick() > before)
                return true;
            QTest::qWait(50);
        }
        return false;
    }

    // Waits for a channel line that starts with `prefix`, from line `from` on;
    // its index, or -1.
    int waitForPrefix(const QString &prefix, int from, int timeoutMs) const
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            const QStringList lines = channel();
            for (int i = std::max(from, 0); i < lines.size(); ++i) {
                if (lines[i].startsWith(prefix))
                    return i;
            }
            if (m_host.state() == QProcess::NotRunning)
                return -1;
            QTest::qWait(5);
        }
        return -1;
    }

    // A second station started by hand in the same folder while this one runs
    // (same temporary folder, so the same single-instance key). Its channel goes
    // to `channelName`; returns its exit code, -1 when it did not end in time.
    int startSecondCopy(const QString &channelName, int timeoutMs = 20000) const
    {
        QProcess second;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KAVEL_STATION_TEST_CHANNEL"), path(channelName));
        second.setProcessEnvironment(stationEnvironment(env));
        second.setWorkingDirectory(m_dir.path());
        second.setProcessChannelMode(QProcess::ForwardedChannels);
        second.start(QStringLiteral(KAVEL_STATION_EXE), {});
        if (!second.waitForStarted(10000))
            return -1;
        if (!second.waitForFinished(timeoutMs)) {
            second.kill();
            second.waitForFinished(5000);
            return -1;
        }
        return second.exitStatus() == QProcess::NormalExit ? second.exitCode() : -1;
    }

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

    // Closes the station's window as an operator does (its question is answered
    // yes); the host ends with the station. The station's exit code, or -1 when
    // it did not end in time.
    int closeStation(int timeoutMs = 20000)
    {
        if (!operate(QStringLiteral("close-window")))
            return -1;
        if (!m_host.waitForFinished(timeoutMs)) {
            qWarning() << "the station did not end within" << timeoutMs << "ms; its last lines:"
                       << channel().mid(std::max(0, int(channel().size()) - 8));
            return -1;
        }
        if (m_host.exitStatus() != QProcess::NormalExit)
            qWarning() << "the host crashed; the station's last lines:" << channel().mid(std::max(0, int(channel().size()) - 8));
        return m_host.exitStatus() == QProcess::NormalExit ? m_host.exitCode() : -1;
    }

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
    QProcessEnvironment stationEnvironment(QProcessEnvironment env) const
    {
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), path(QStringLiteral("tmp")));
        env.remove(QStringLiteral("KAVEL_EMUD_CONTROL"));
        return env;
    }

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
