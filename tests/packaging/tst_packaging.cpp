#include "installpaths.h"
#include "leftoverguard.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTranslator>
#include <QtTest>

#include <memory>

// What `cmake --install` lays down, installed from this build tree into a staging
// folder exactly as a user would (`--prefix /usr`, DESTDIR), and the installed
// station started through its launcher the way its desktop entry starts it.
class TestPackaging : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_root;
    QString m_prefix; // <staging>/usr

    QString staged(const QString &relative) const { return m_prefix + QLatin1Char('/') + relative; }
    QString bin(const QString &name) const { return staged(QStringLiteral(KAVEL_INSTALL_BINDIR "/") + name); }
    QString data(const QString &name) const
    {
        return staged(QStringLiteral(KAVEL_INSTALL_DATADIR "/kavel-station/") + name);
    }
    QString source(const QString &name) const { return QStringLiteral(KAVEL_SOURCE_DIR "/") + name; }

    static QByteArray readAll(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static bool writeAll(const QString &path, const QByteArray &content)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
    }

    // Every file below `dir`, as paths relative to it.
    static QStringList filesBelow(const QString &dir)
    {
        QStringList files;
        QDirIterator it(dir, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(dir).relativeFilePath(it.next());
        files.sort();
        return files;
    }

    // The launcher with a scratch home, temporary folder and test channel.
    struct Launch
    {
        std::unique_ptr<QProcess> process = std::make_unique<QProcess>();
        QString channel;
        QString tmp;

        QStringList lines() const
        {
            return QString::fromUtf8(readAll(channel)).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        }

        bool waitShown(int timeoutMs) const
        {
            QElapsedTimer timer;
            timer.start();
            while (timer.elapsed() < timeoutMs) {
                if (lines().contains(QStringLiteral("window|shown")))
                    return true;
                if (process->state() == QProcess::NotRunning)
                    return false;
                QTest::qWait(20);
            }
            return false;
        }

        ~Launch()
        {
            if (process->state() != QProcess::NotRunning) {
                process->terminate();
                if (!process->waitForFinished(10000)) {
                    process->kill();
                    process->waitForFinished(5000);
                }
            }
            removeLeftoverGuard(tmp);
        }
    };

    std::unique_ptr<Launch> launch(const QString &home, const QStringList &arguments,
                                   const QMap<QString, QString> &extraEnv = {})
    {
        auto run = std::make_unique<Launch>();
        run->tmp = QDir(home).filePath(QStringLiteral("tmp"));
        run->channel = QDir(home).filePath(QStringLiteral("channel.txt"));
        QDir().mkpath(run->tmp);
        QFile::remove(run->channel);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.remove(QStringLiteral("XDG_DATA_HOME"));
        env.remove(QStringLiteral("KAVEL_STATION_HOME"));
        env.insert(QStringLiteral("TMPDIR"), run->tmp);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("KAVEL_STATION_TEST_CHANNEL"), run->channel);
        for (auto it = extraEnv.cbegin(); it != extraEnv.cend(); ++it)
            env.insert(it.key(), it.value());
        run->process->setProcessEnvironment(env);
        // Started from elsewhere, as a desktop does: the launcher picks the folder.
        run->process->setWorkingDirectory(m_root.path());
        run->process->setProcessChannelMode(QProcess::ForwardedChannels);
        run->process->start(bin(QStringLiteral("kavel-station-launcher")), arguments);
        return run;
    }

    // Starts the station through the launcher and waits for its window; the station
    // must come up without a single message box (no missing station file or profile)
    // and be the launcher's own process, so the desktop's signals reach it.
    void startAndCheck(Launch &run)
    {
        QVERIFY2(run.waitShown(30000), qPrintable(run.lines().join(QLatin1Char('\n'))));
        const QStringList lines = run.lines();
        for (const QString &line : lines)
            QVERIFY2(!line.startsWith(QLatin1String("box|")), qPrintable(line));
        QCOMPARE(lines.value(0), QStringLiteral("pid|%1").arg(run.process->processId()));
    }

    // The working folder laid out from the template, with every template file as installed.
    void checkLaidOut(const QString &folder)
    {
        for (const QString &file : filesBelow(data(QStringLiteral("demo"))))
            QVERIFY2(readAll(QDir(folder).filePath(file)) == readAll(data(QStringLiteral("demo/") + file)),
                     qPrintable(file));
        for (const char *dir : {"Config", "QlxFiles", "log", "resultsPASS", "resultsFAIL"})
            QVERIFY2(QFileInfo(QDir(folder).filePath(QLatin1String(dir))).isDir(), dir);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_root.isValid());
        const QString destdir = m_root.filePath(QStringLiteral("stage"));
        m_prefix = destdir + QStringLiteral("/usr");
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DESTDIR"), destdir);
        install.setProcessEnvironment(env);
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral(KAVEL_CMAKE_COMMAND),
                      {QStringLiteral("--install"), QStringLiteral(KAVEL_BINARY_DIR), QStringLiteral("--prefix"),
                       QStringLiteral("/usr")});
        QVERIFY(install.waitForFinished(60000));
        QVERIFY2(install.exitStatus() == QProcess::NormalExit && install.exitCode() == 0,
                 install.readAll().constData());
    }

    // Exactly the station, its results tool, its data, desktop entry, icons and udev rule: nothing of
    // the emulator, the tests or the benchmarks, and nothing outside the prefix.
    void installsTheStationAndNothingElse()
    {
        QCOMPARE(filesBelow(m_root.filePath(QStringLiteral("stage"))).filter(QRegularExpression("^(?!usr/)")),
                 QStringList());
        const QString bindir = QStringLiteral(KAVEL_INSTALL_BINDIR "/");
        const QString datadir = QStringLiteral(KAVEL_INSTALL_DATADIR "/");
        QStringList expected{
            bindir + "kavel-results",
            bindir + "kavel-station",
            bindir + "kavel-station-launcher",
            QStringLiteral(KAVEL_UDEV_RULES_DIR "/70-kavel-bridge.rules"),
            datadir + "applications/kavel-station.desktop",
            datadir + "icons/hicolor/64x64/apps/kavel-station.png",
            datadir + "icons/hicolor/scalable/apps/kavel-station.svg",
            datadir + "kavel-station/css.qss",
            datadir + "kavel-station/demo/Config/demo.ini",
            datadir + "kavel-station/demo/config.txt",
            datadir + "kavel-station/demo/log/baseline.csv",
            datadir + "kavel-station/systemd/kavel-results-maintain.service",
            datadir + "kavel-station/systemd/kavel-results-maintain.timer",
            datadir + "kavel-station/translations/vorlane_en.qm",
            datadir + "kavel-station/translations/vorlane_zh.qm",
        };
        expected.sort();
        QCOMPARE(filesBelow(m_prefix), expected);

        for (const char *program : {"kavel-station", "kavel-station-launcher", "kavel-results"}) {
            const QFileInfo info(bin(QLatin1String(program)));
            QVERIFY2(info.isExecutable(), program);
            QVERIFY2(info.permissions().testFlag(QFileDevice::ExeOther), program);
        }
        QCOMPARE(readAll(data(QStringLiteral("css.qss"))), readAll(source(QStringLiteral("resources/demo/css.qss"))));
        QCOMPARE(readAll(data(QStringLiteral("demo/Config/demo.ini"))),
                 readAll(source(QStringLiteral("resources/demo/Config/demo.ini"))));
        QCOMPARE(readAll(data(QStringLiteral("demo/log/baseline.csv"))),
                 readAll(source(QStringLiteral("resources/demo/log/baseline.csv"))));
        // The server's upkeep runs the tool where the package puts it.
        const QByteArray unit = readAll(data(QStringLiteral("systemd/kavel-results-maintain.service")));
        QVERIFY2(unit.contains("\nExecStart=/usr/" KAVEL_INSTALL_BINDIR "/kavel-results --connection "), unit.constData());
    }

    // The rule hands the configured board's hidraw node to plugdev, and the
    // template's station file names the same board, so a first start finds it.
    void udevRuleAndStationFileNameTheConfiguredBoard()
    {
        const QString vid = QStringLiteral(KAVEL_BRIDGE_VID);
        const QString pid = QStringLiteral(KAVEL_BRIDGE_PID);
        QStringList rules;
        for (const QString &line : QString::fromUtf8(readAll(staged(QStringLiteral(KAVEL_UDEV_RULES_DIR
                                                                                    "/70-kavel-bridge.rules"))))
                                       .split(QLatin1Char('\n'))) {
            if (!line.trimmed().isEmpty() && !line.trimmed().startsWith(QLatin1Char('#')))
                rules << line;
        }
        QCOMPARE(rules.size(), 1);
        QStringList keys = rules[0].split(QStringLiteral(", "));
        keys.sort();
        QStringList expected{
            QStringLiteral("SUBSYSTEM==\"hidraw\""),
            QStringLiteral("ATTRS{idVendor}==\"%1\"").arg(vid.toLower()),
            QStringLiteral("ATTRS{idProduct}==\"%1\"").arg(pid.toLower()),
            QStringLiteral("GROUP=\"plugdev\""),
            QStringLiteral("MODE=\"0660\""),
        };
        expected.sort();
        QCOMPARE(keys, expected);

        // The source's station file with the configured ids: the other lines as they are.
        QStringList want = QString::fromUtf8(readAll(source(QStringLiteral("resources/demo/config.txt"))))
                               .split(QLatin1Char('\n'));
        QVERIFY(want.size() >= 5);
        for (QString &line : want) {
            const QString key = line.section(QLatin1Char('='), 0, 0);
            if (key == QLatin1String("QuilexVID") || key == QLatin1String("CustomerVID"))
                line = key + QLatin1Char('=') + vid.toUpper();
            else if (key == QLatin1String("QuilexPID") || key == QLatin1String("CustomerPID"))
                line = key + QLatin1Char('=') + pid.toUpper();
        }
        QCOMPARE(QString::fromUtf8(readAll(data(QStringLiteral("demo/config.txt")))), want.join(QLatin1Char('\n')));
    }

    void desktopEntryStartsTheLauncher()
    {
        const QString entry = staged(QStringLiteral(KAVEL_INSTALL_DATADIR "/applications/kavel-station.desktop"));
        const QString validator = QStandardPaths::findExecutable(QStringLiteral("desktop-file-validate"));
        QVERIFY2(!validator.isEmpty(), "desktop-file-validate is missing: run scripts/install-deps.sh");
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(validator, {entry});
        QVERIFY(validate.waitForFinished(20000));
        const QByteArray complaints = validate.readAll();
        QVERIFY2(validate.exitCode() == 0 && complaints.trimmed().isEmpty(), complaints.constData());

        QMap<QString, QString> keys;
        for (const QString &line : QString::fromUtf8(readAll(entry)).split(QLatin1Char('\n'))) {
            if (line.contains(QLatin1Char('=')))
                keys.insert(line.section(QLatin1Char('='), 0, 0), line.section(QLatin1Char('='), 1));
        }
        QCOMPARE(keys.value(QStringLiteral("Exec")), QStringLiteral("kavel-station-launcher"));
        QVERIFY(QFileInfo(bin(keys.value(QStringLiteral("Exec")))).isExecutable());
        QCOMPARE(keys.value(QStringLiteral("Icon")), QStringLiteral("kavel-station"));
        QVERIFY(QFileInfo::exists(staged(QStringLiteral(KAVEL_INSTALL_DATADIR "/icons/hicolor/scalable/apps/")
                                         + keys.value(QStringLiteral("Icon")) + QStringLiteral(".svg"))));
    }

    // The installed station reads its style sheet and translations from its
    // working folder first and from its data folder otherwise; a station run
    // from the build tree has no data folder and keeps to its working folder.
    void installedStationFindsItsDataFiles()
    {
        const QString bindir = bin(QString());
        QCOMPARE(installpaths::dataDir(bindir), QDir::cleanPath(data(QString())));
        QCOMPARE(installpaths::dataDir(QStringLiteral(KAVEL_BINARY_DIR "/src/app")), QString());
        QCOMPARE(installpaths::dataDir(QString()), QString());

        QTemporaryDir work;
        QVERIFY(work.isValid());
        const QString zh = installpaths::locate(QStringLiteral("vorlane_zh.qm"), QStringLiteral("translations"),
                                                work.path(), bindir);
        QCOMPARE(QFileInfo(zh).canonicalFilePath(),
                 QFileInfo(data(QStringLiteral("translations/vorlane_zh.qm"))).canonicalFilePath());
        QTranslator translator;
        QVERIFY(translator.load(zh));
        QCOMPARE(translator.translate("VorlaneClass", "refresh"), QString::fromUtf8("刷新"));
        QVERIFY(translator.load(installpaths::locate(QStringLiteral("vorlane_en.qm"), QStringLiteral("translations"),
                                                     work.path(), bindir)));
        QCOMPARE(QFileInfo(installpaths::locate(QStringLiteral("css.qss"), QString(), work.path(), bindir))
                     .canonicalFilePath(),
                 QFileInfo(data(QStringLiteral("css.qss"))).canonicalFilePath());

        // The working folder's own files win.
        QVERIFY(writeAll(QDir(work.path()).filePath(QStringLiteral("vorlane_zh.qm")),
                         readAll(data(QStringLiteral("translations/vorlane_en.qm")))));
        QVERIFY(writeAll(QDir(work.path()).filePath(QStringLiteral("css.qss")), "QWidget { }\n"));
        QCOMPARE(installpaths::locate(QStringLiteral("vorlane_zh.qm"), QStringLiteral("translations"), work.path(),
                                      bindir),
                 QDir(work.path()).filePath(QStringLiteral("vorlane_zh.qm")));
        QCOMPARE(installpaths::locate(QStringLiteral("css.qss"), QString(), work.path(), bindir),
                 QDir(work.path()).filePath(QStringLiteral("css.qss")));

        // A folder of that name is no file; a file found nowhere gives the working
        // folder's path, which then fails to open as before.
        QVERIFY(QDir(work.path()).mkpath(QStringLiteral("vorlane_en.qm")));
        QCOMPARE(QFileInfo(installpaths::locate(QStringLiteral("vorlane_en.qm"), QStringLiteral("translations"),
                                                work.path(), bindir))
                     .canonicalFilePath(),
                 QFileInfo(data(QStringLiteral("translations/vorlane_en.qm"))).canonicalFilePath());
        QCOMPARE(installpaths::locate(QStringLiteral("vorlane_fr.qm"), QStringLiteral("translations"), work.path(),
                                      bindir),
                 QDir(work.path()).filePath(QStringLiteral("vorlane_fr.qm")));
        QCOMPARE(installpaths::locate(QStringLiteral("vorlane_zh.qm"), QStringLiteral("translations"),
                                      QDir(work.path()).filePath(QStringLiteral("empty")),
                                      QStringLiteral(KAVEL_BINARY_DIR "/src/app")),
                 QDir(work.path()).filePath(QStringLiteral("empty/vorlane_zh.qm")));
    }

    // First start: the per-user folder is laid out from the template and the
    // station comes up in it. Later starts leave the folder as the station and
    // its user left it, even where it now differs from the template.
    void launcherLaysOutTheUserFolderOnFirstStartOnly()
    {
        const QString home = m_root.filePath(QStringLiteral("home-default"));
        const QString folder = home + QStringLiteral("/.local/share/kavel-station");
        {
            auto run = launch(home, {});
            startAndCheck(*run);
            checkLaidOut(folder);
        }

        // What a station and its engineer leave behind.
        const QByteArray station = "QuilexVID=1A86\nQuilexPID=E0A1\nCustomerVID=04D8\nCustomerPID=F00D\n"
                                   "ConfigPath=Config/line3.ini\n";
        const QByteArray profile = readAll(QDir(folder).filePath(QStringLiteral("Config/demo.ini")))
                                   + "\n; tuned on line 3\n";
        QVERIFY(writeAll(QDir(folder).filePath(QStringLiteral("config.txt")), station));
        QVERIFY(writeAll(QDir(folder).filePath(QStringLiteral("Config/line3.ini")), profile));
        QVERIFY(writeAll(QDir(folder).filePath(QStringLiteral("Config/demo.ini")), "[General]\nx_electrodes=4\n"));
        QVERIFY(writeAll(QDir(folder).filePath(QStringLiteral("resultsPASS/LOT1-W1-0001.csv")), "result\n"));
        QVERIFY(QFile::remove(QDir(folder).filePath(QStringLiteral("log/baseline.csv"))));
        // The results store's own files come and go with its journal (the station is
        // stopped while it may still be opening it); only the laid-out files count.
        const QRegularExpression store(QStringLiteral("^(?!results\\.db)"));
        const QStringList before = filesBelow(folder).filter(store);
        {
            auto run = launch(home, {});
            startAndCheck(*run);
        }
        QCOMPARE(filesBelow(folder).filter(store), before);
        QCOMPARE(readAll(QDir(folder).filePath(QStringLiteral("config.txt"))), station);
        QCOMPARE(readAll(QDir(folder).filePath(QStringLiteral("Config/line3.ini"))), profile);
        QCOMPARE(readAll(QDir(folder).filePath(QStringLiteral("Config/demo.ini"))),
                 QByteArray("[General]\nx_electrodes=4\n"));
        QCOMPARE(readAll(QDir(folder).filePath(QStringLiteral("resultsPASS/LOT1-W1-0001.csv"))),
                 QByteArray("result\n"));
    }

    // The folder comes from the argument, else KAVEL_STATION_HOME, else
    // XDG_DATA_HOME; a folder without a station file is completed without
    // replacing what it already holds.
    void launcherTakesTheFolderItIsGiven_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("argument") << "argument";
        QTest::newRow("KAVEL_STATION_HOME") << "KAVEL_STATION_HOME";
        QTest::newRow("XDG_DATA_HOME") << "XDG_DATA_HOME";
    }

    void launcherTakesTheFolderItIsGiven()
    {
        QFETCH(QString, how);
        const QString home = m_root.filePath(QStringLiteral("home-") + how);
        const QString given = m_root.filePath(QStringLiteral("given-") + how + QStringLiteral("/station 1"));
        QString folder = given;
        QStringList arguments;
        QMap<QString, QString> env;
        if (how == QLatin1String("argument")) {
            arguments << given;
        } else if (how == QLatin1String("KAVEL_STATION_HOME")) {
            env.insert(how, given);
        } else {
            env.insert(how, given);
            folder = given + QStringLiteral("/kavel-station");
        }
        const QByteArray ownProfile = "[General]\nx_electrodes=30\ny_electrodes=20\n; this station's own\n";
        QVERIFY(writeAll(QDir(folder).filePath(QStringLiteral("Config/demo.ini")), ownProfile));
        {
            auto run = launch(home, arguments, env);
            startAndCheck(*run);
        }
        QCOMPARE(readAll(QDir(folder).filePath(QStringLiteral("Config/demo.ini"))), ownProfile);
        QCOMPARE(readAll(QDir(folder).filePath(QStringLiteral("config.txt"))),
                 readAll(data(QStringLiteral("demo/config.txt"))));
        QCOMPARE(readAll(QDir(folder).filePath(QStringLiteral("log/baseline.csv"))),
                 readAll(data(QStringLiteral("demo/log/baseline.csv"))));
        QVERIFY(QFileInfo(QDir(folder).filePath(QStringLiteral("resultsPASS"))).isDir());
        QVERIFY(!QFileInfo::exists(home + QStringLiteral("/.local/share/kavel-station")));
    }

    void launcherRefusesWhatItDoesNotUnderstand()
    {
        const QString home = m_root.filePath(QStringLiteral("home-usage"));
        for (const QStringList &arguments :
             {QStringList{QStringLiteral("one"), QStringLiteral("two")}, QStringList{QStringLiteral("--folder")}}) {
            auto run = launch(home, arguments);
            QVERIFY(run->process->waitForFinished(10000));
            QCOMPARE(run->process->exitCode(), 2);
            QVERIFY(!QFileInfo::exists(run->channel));
        }
        QVERIFY(!QFileInfo::exists(home + QStringLiteral("/.local/share/kavel-station")));
        QVERIFY(!QFileInfo::exists(m_root.filePath(QStringLiteral("one"))));
    }
};

QTEST_MAIN(TestPackaging)
#include "tst_packaging.moc"
