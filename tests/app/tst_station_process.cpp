#include "leftoverguard.h"

#include <QProcess>
#include <QSharedMemory>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

// Starts the real station executable, the way the line does, in a scratch working
// folder with its own temporary folder (the single-instance keys live there, so
// these runs never meet a station the developer has open).
class TestStationProcess : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::vector<std::unique_ptr<QProcess>> m_processes;

    QString path(const QString &name) const { return m_dir->filePath(name); }

    QProcess *startStation(const QString &channel)
    {
        auto process = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("TMPDIR", path("tmp"));
        env.insert("KAVEL_STATION_TEST_CHANNEL", path(channel));
        process->setProcessEnvironment(env);
        process->setWorkingDirectory(m_dir->path());
        process->setProgram(KAVEL_STATION_EXE);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start();
        QProcess *raw = process.get();
        m_processes.push_back(std::move(process));
        return raw;
    }

    QString channelText(const QString &channel) const
    {
        QFile f(path(channel));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    static void kill(QProcess *p)
    {
        p->kill();
        p->waitForFinished(5000);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QDir(m_dir->path()).mkpath("tmp");
        QDir(m_dir->path()).mkpath("Config");
        QFile station(path("config.txt"));
        QVERIFY(station.open(QIODevice::WriteOnly));
        station.write("QuilexVID=1A86\nQuilexPID=E0A1\nCustomerVID=1A86\nCustomerPID=E0A1\nConfigPath=Config/p.ini\n");
        station.close();
        QFile profile(path("Config/p.ini"));
        QVERIFY(profile.open(QIODevice::WriteOnly));
        profile.write("[General]\nx_electrodes=4\ny_electrodes=3\n");
    }

    void cleanup()
    {
        for (auto &p : m_processes) {
            if (p->state() != QProcess::NotRunning)
                kill(p.get());
        }
        m_processes.clear();
        removeLeftoverGuard(path("tmp"));
        m_dir.reset();
    }

    void secondCopyIsTurnedAway()
    {
        QProcess *first = startStation("first.txt");
        QTRY_VERIFY_WITH_TIMEOUT(channelText("first.txt").contains("window|shown"), 15000);

        QProcess *second = startStation("second.txt");
        QVERIFY(second->waitForFinished(15000));
        QCOMPARE(second->exitStatus(), QProcess::NormalExit);
        QCOMPARE(second->exitCode(), 0);
        QVERIFY(channelText("second.txt").endsWith("\nbox|warning|gui is running !\n"));

        // The first one was not disturbed.
        QCOMPARE(first->state(), QProcess::Running);
        QVERIFY(!channelText("first.txt").contains("gui is running"));
    }

    void killedStationDoesNotLockTheNextOneOut()
    {
        QProcess *first = startStation("first.txt");
        QTRY_VERIFY_WITH_TIMEOUT(channelText("first.txt").contains("window|shown"), 15000);
        kill(first);
        QCOMPARE(first->exitStatus(), QProcess::CrashExit);

        QProcess *next = startStation("next.txt");
        QTRY_VERIFY_WITH_TIMEOUT(channelText("next.txt").contains("window|shown"), 15000);
        QVERIFY(!channelText("next.txt").contains("gui is running"));
        QCOMPARE(next->state(), QProcess::Running);

        // And it guards in turn.
        QProcess *third = startStation("third.txt");
        QVERIFY(third->waitForFinished(15000));
        QCOMPARE(third->exitCode(), 0);
        QVERIFY(channelText("third.txt").contains("gui is running !"));
    }
};

QTEST_GUILESS_MAIN(TestStationProcess)
#include "tst_station_process.moc"
