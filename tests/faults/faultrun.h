#ifndef FAULTRUN_H
#define FAULTRUN_H

#include "stationrun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMap>
#include <QtTest>

// What every fault case of the matrix shares: a station under the emulated
// board's host that starts a full run whenever the board is plugged in (a
// power-on station), and the checks that make a fault harmless: no crash, the
// window never froze, nothing written before was lost, and a good panel passes
// again once the fault is gone.
namespace faults {

// The longest the window may go without handling its events. The run's
// longest busy stretch on the window's thread (the open/short item's reads,
// about 1.3 s in a release build) grows with the address sanitizer's
// slow-down, which is the instrumentation's and not the station's.
#ifdef __SANITIZE_ADDRESS__
constexpr int MaxStallMs = 3000;
#else
constexpr int MaxStallMs = 2000;
#endif

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The demo profile run by plugging the board in, with short waits of its own.
inline QByteArray powerOnProfile(const QList<QPair<QByteArray, QByteArray>> &changes = {})
{
    QByteArray text = readFile(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/Config/demo.ini"));
    text.replace("Power_On_Test=0", "Power_On_Test=1");
    text.replace("Init_time=300", "Init_time=50");
    text.replace("Btn_Time=10", "Btn_Time=2");
    for (const auto &change : changes)
        text.replace(change.first, change.second);
    return text;
}

inline QString panel(const QString &name)
{
    return QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/") + name;
}

// Every file the station keeps: result files, station file, profiles, baseline.
// Keyed by the path inside the station's folder.
using Files = QMap<QString, QByteArray>;

inline Files keptFiles(const StationRun &run)
{
    Files files;
    const QDir root(run.path(QString()));
    for (const char *folder : {"resultsPASS", "resultsFAIL", "Config", "log"}) {
        QDirIterator it(run.path(QString::fromLatin1(folder)), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString file = it.next();
            files.insert(root.relativeFilePath(file), readFile(file));
        }
    }
    files.insert(QStringLiteral("config.txt"), readFile(run.path(QStringLiteral("config.txt"))));
    return files;
}

inline QStringList filesIn(const StationRun &run, const QString &folder)
{
    return QDir(run.path(folder)).entryList(QDir::Files, QDir::Name);
}

// A result file is whole when it parses to the end: the first block names the
// panel, and the last line is the last item's, the reset's unless the profile
// has none; then the button data, with its values.
inline bool resultFileWhole(const QByteArray &content, bool withReset = true)
{
    const QByteArray last = content.trimmed().split('\n').constLast().trimmed();
    return content.contains("Electric,")
           && (withReset ? last == "Reset:,PASS" : last.startsWith("BtnData,") && last.count(',') == 8);
}

// The demo profile without the items that end a run with a verdict of their own
// (reset, key status, border): its last item is the button data.
inline QByteArray leanProfile()
{
    return powerOnProfile({{"Reset_Mode=1", "Reset_Mode=0"}});
}

class FaultCase
{
public:
    // withReset: the station's profile ends with the reset item.
    explicit FaultCase(StationRun &run, bool withReset = true) : m_run(run), m_withReset(withReset) {}

    // Starts the station, the board unplugged, with the demo baseline in ./log.
    static bool start(StationRun &run, const QByteArray &profile, const QString &panelFile = panel("demo.ini"))
    {
        StationRun::Options options;
        options.profile = profile;
        options.plugged = false;
        options.panel = panelFile;
        QDir().mkpath(run.path(QStringLiteral("log")));
        QFile::remove(run.path(QStringLiteral("log/baseline.csv")));
        if (!QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/resources/demo/log/baseline.csv"),
                         run.path(QStringLiteral("log/baseline.csv"))))
            return false;
        return run.start(options);
    }

    // The station is idle: its start button can be pressed (it is not during a run).
    bool waitIdle(int timeoutMs = 30000)
    {
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < timeoutMs) {
            const int from = m_run.channel().size();
            m_run.operate(QStringLiteral("query|pushButton_2"));
            // Held back, as an operator's click is, while the station waits for the board.
            const int at = m_run.waitForPrefix(QStringLiteral("state|pushButton_2|"), from,
                                               int(std::max<qint64>(timeoutMs - timer.elapsed(), 1000)));
            if (at < 0)
                return false;
            if (m_run.channel().value(at).startsWith(QLatin1String("state|pushButton_2|1")))
                return true;
            QTest::qWait(100);
        }
        return false;
    }

    // Plugs the board in (unplugging it first when it is in) and waits for the
    // power-on run to file a PASS: the station works.
    bool goodRunFilesPass()
    {
        const int passedBefore = filesIn(m_run, QStringLiteral("resultsPASS")).size();
        if (m_run.command(QStringLiteral("status")) == QLatin1String("ok plugged")) {
            const int removed = m_run.channel().count(QStringLiteral("pane|HID_Removed!"));
            if (m_run.command(QStringLiteral("unplug")) != QLatin1String("ok unplugged")
                || !m_run.waitForCount(QStringLiteral("pane|HID_Removed!"), removed + 1, 10000)) {
                qWarning() << "the station did not hear the board leave";
                return false;
            }
        }
        const int verdicts = m_run.channel().count(QStringLiteral("pane|PASS"));
        if (m_run.command(QStringLiteral("plug")) != QLatin1String("ok plugged"))
            return false;
        if (!m_run.waitForCount(QStringLiteral("pane|PASS"), verdicts + 1, 30000)) {
            qWarning() << "no PASS after plugging a good board; the pane said" << m_run.channel().mid(0).join('\n');
            return false;
        }
        QElapsedTimer timer;
        timer.start();
        while (timer.elapsed() < 10000) {
            const QStringList passed = filesIn(m_run, QStringLiteral("resultsPASS"));
            if (passed.size() == passedBefore + 1)
                return resultFileWhole(readFile(m_run.path(QStringLiteral("resultsPASS/") + passed.last())),
                                       m_withReset)
                       && waitIdle();
            QTest::qWait(20);
        }
        qWarning() << "the PASS run filed no result";
        return false;
    }

    // Everything kept before is still there, byte for byte.
    static bool unchanged(const Files &before, const Files &now)
    {
        for (auto it = before.cbegin(); it != before.cend(); ++it) {
            if (!now.contains(it.key()) || now.value(it.key()) != it.value()) {
                qWarning() << "changed or lost:" << it.key();
                return false;
            }
        }
        return true;
    }

    bool stationAlive() const
    {
        const qint64 pid = m_run.stationPid();
        return m_run.hostRunning() && pid > 0 && ::kill(pid_t(pid), 0) == 0;
    }

private:
    StationRun &m_run;
    bool m_withReset = true;
};

} // namespace faults

// The checks every case ends with; macros so that a failure names its line.
#define FAULT_VERIFY_ALIVE_AND_RESPONSIVE(run)                                                                    \
    do {                                                                                                          \
        QVERIFY2(faults::FaultCase(run).stationAlive(), "the station is gone");                                 \
        QVERIFY2((run).stillTurning(), "the station's event loop stopped turning");                              \
        QVERIFY2((run).worstStall() < faults::MaxStallMs,                                                        \
                 qPrintable(QStringLiteral("the window froze for %1 ms").arg((run).worstStall())));              \
    } while (false)

#endif
