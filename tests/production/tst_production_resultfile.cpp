// Result files: names, the append, filing into the verdict's folder, and the
// promises the line relies on: a result is never lost, and nothing an operator
// types can put a file outside its folder.
#include "resultfile.h"
#include "settings.h"

#include <QtTest>

#include <functional>
#include <QApplication>

#include <sys/stat.h>
#include <QMessageBox>
#include <QSignalSpy>
#include <QTimer>

using namespace production;

Q_DECLARE_METATYPE(production::StartMode)
Q_DECLARE_METATYPE(production::Ending)

namespace {

const QDateTime Filed(QDate(2024, 12, 6), QTime(9, 41, 7));

QByteArray readAll(const QString &name)
{
    QFile f(name);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void write(const QString &name, const QByteArray &content)
{
    QFile f(name);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

// Closes the message box a call is about to show, and remembers its texts.
struct BoxCloser
{
    QString title, text;
    explicit BoxCloser(QObject *context)
    {
        QTimer::singleShot(0, context, [this] { poll(); });
    }
    void poll()
    {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            title = box->windowTitle();
            text = box->text();
            box->accept();
            return;
        }
        QTimer::singleShot(10, QApplication::instance(), [this] { poll(); });
    }
};

} // namespace

class TestProductionResultFile : public QObject
{
    Q_OBJECT

    QTemporaryDir *m_dir = nullptr;
    QString m_oldDir;

private slots:
    // Every test starts in an empty working folder with the two results folders.
    void init()
    {
        m_oldDir = QDir::currentPath();
        m_dir = new QTemporaryDir;
        QVERIFY(m_dir->isValid());
        QDir::setCurrent(m_dir->path());
        QDir().mkpath(QStringLiteral("resultsPASS"));
        QDir().mkpath(QStringLiteral("resultsFAIL"));
    }
    void cleanup()
    {
        QDir::setCurrent(m_oldDir);
        delete m_dir;
        m_dir = nullptr;
    }

    void names_data()
    {
        QTest::addColumn<StartMode>("mode");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("barcode");
        QTest::addColumn<Ending>("ending");
        QTest::addColumn<QString>("working");
        QTest::addColumn<QString>("stored");

        QTest::newRow("auto pass") << StartMode::Auto << "PASS" << "" << Ending::Normal
                                   << "./12-06-09-41-07.csv" << "./resultsPASS/12-06-09-41-07.csv";
        QTest::newRow("auto attb") << StartMode::Auto << "FAIL" << "" << Ending::Attb
                                   << "./12-06-09-41-07.csv" << "./resultsFAIL/12-06-09-41-07.csv";
        QTest::newRow("manual fail") << StartMode::Manual << "FAIL" << "SN123" << Ending::Normal
                                     << "./L01-W7-SN123.csv" << "./resultsFAIL/L01-W7-SN123.csv";
        QTest::newRow("barcode fail") << StartMode::Barcode << "FAIL" << "SN123" << Ending::Normal
                                      << "./test.csv"
                                      << "./resultsFAIL/SN123-20241206094107-00-00-Fail.csv";
        QTest::newRow("barcode pass") << StartMode::Barcode << "PASS" << "SN123" << Ending::Normal
                                      << "./test.csv"
                                      << "./resultsPASS/SN123-20241206094107-00-00-Pass.csv";
        QTest::newRow("barcode attb") << StartMode::Barcode << "FAIL" << "SN123" << Ending::Attb
                                      << "./test.csv" << "./resultsFAIL/SN123-12-06-09-41-0700-00-Fail.csv";
        QTest::newRow("barcode with place markers") << StartMode::Barcode << "PASS" << "%1%2"
                                                    << Ending::Normal << "./test.csv"
                                                    << "./resultsPASS/%1%2-20241206094107-00-00-Pass.csv";
    }
    void names()
    {
        QFETCH(StartMode, mode);
        QFETCH(QString, verdict);
        QFETCH(QString, barcode);
        QFETCH(Ending, ending);
        QFETCH(QString, working);
        QFETCH(QString, stored);
        ResultFile file;
        QCOMPARE(file.begin(mode, QStringLiteral("L01"), QStringLiteral("W7"), barcode, Filed),
                 ResultFile::Start::Ready);
        QCOMPARE(file.workingName(), working);
        QCOMPARE(storedName(mode, working, verdict, barcode, Filed, ending), stored);
    }

    void safeNames_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("safe");
        QTest::newRow("plain") << "SN-123.A" << "SN-123.A";
        QTest::newRow("climbing out") << "../../x" << "____x";
        QTest::newRow("backslash and drive") << "a\\b:c" << "a_b_c";
        QTest::newRow("windows reserved") << "<>\"|?*" << "______";
        QTest::newRow("control characters") << QStringLiteral("a\tb\nc\x7f") << "a_b_c_";
        QTest::newRow("dots between") << "a..b" << "a_b";
        QTest::newRow("non-ASCII kept") << QStringLiteral("Zh\u00e9") << QStringLiteral("Zh\u00e9");
    }
    void safeNames()
    {
        QFETCH(QString, typed);
        QFETCH(QString, safe);
        QCOMPARE(safeNamePart(typed), safe);
    }

    // Whatever is typed, the result lands in the results folder.
    void hostileInputStaysInside_data()
    {
        QTest::addColumn<StartMode>("mode");
        QTest::addColumn<QString>("lot");
        QTest::addColumn<QString>("barcode");
        QTest::newRow("manual ../../x") << StartMode::Manual << ".." << "../../x";
        QTest::newRow("manual a\\b:c") << StartMode::Manual << "/tmp" << "a\\b:c";
        QTest::newRow("barcode ../../x") << StartMode::Barcode << "" << "../../x";
        QTest::newRow("barcode a\\b:c") << StartMode::Barcode << "" << "a\\b:c";
        QTest::newRow("barcode absolute") << StartMode::Barcode << "" << "/etc/x";
    }
    void hostileInputStaysInside()
    {
        QFETCH(StartMode, mode);
        QFETCH(QString, lot);
        QFETCH(QString, barcode);
        QDir().mkpath(QStringLiteral("deep/er"));
        QDir::setCurrent(QStringLiteral("deep/er"));
        QDir().mkpath(QStringLiteral("resultsPASS"));

        ResultFile file;
        QCOMPARE(file.begin(mode, lot, QStringLiteral("W"), barcode, Filed), ResultFile::Start::Ready);
        QVERIFY(file.appendResultLine(QStringLiteral("Attb:,PASS\n")));
        QCOMPARE(filesIn(QStringLiteral(".")), QStringList{QFileInfo(file.workingName()).fileName()});

        Settings store;
        store.set("LogPASS_Path", "");
        const StoreOutcome out = file.storeResultFile(store, QStringLiteral("PASS"));
        QVERIFY(out.stored);
        QCOMPARE(QFileInfo(out.path).absolutePath(), QDir(QStringLiteral("resultsPASS")).absolutePath());
        QCOMPARE(filesIn(QStringLiteral("resultsPASS")).size(), 1);
        // Nothing anywhere else: not in the working folder, not above it.
        QCOMPARE(filesIn(QStringLiteral(".")), QStringList());
        QCOMPARE(filesIn(QStringLiteral("..")), QStringList());
        QCOMPARE(filesIn(QStringLiteral("../..")), QStringList());
    }

    void beginChecks()
    {
        ResultFile file;
        QCOMPARE(file.begin(StartMode::Manual, "L", "", "B", Filed), ResultFile::Start::NoInput);
        QCOMPARE(file.begin(StartMode::Barcode, "L", "W", "", Filed), ResultFile::Start::NoInput);

        // A leftover Manual file stops the run and stays as it is.
        write(QStringLiteral("L-W-B.csv"), "old\n");
        QCOMPARE(file.begin(StartMode::Manual, "L", "W", "B", Filed), ResultFile::Start::Repeated);
        QCOMPARE(readAll(QStringLiteral("L-W-B.csv")), QByteArray("old\n"));

        // Auto and Barcode start afresh.
        write(QStringLiteral("test.csv"), "old\n");
        write(QStringLiteral("12-06-09-41-07.csv"), "old\n");
        QCOMPARE(file.begin(StartMode::Barcode, "", "", "SN", Filed), ResultFile::Start::Ready);
        QVERIFY(!QFile::exists(QStringLiteral("test.csv")));
        QCOMPARE(file.begin(StartMode::Auto, "", "", "", Filed), ResultFile::Start::Ready);
        QVERIFY(!QFile::exists(QStringLiteral("12-06-09-41-07.csv")));
    }

    void appendWritesBlocksAsGiven()
    {
        ResultFile file;
        file.begin(StartMode::Auto, "", "", "", Filed);
        QVERIFY(!file.exists());
        QVERIFY(file.appendResultLine(QStringLiteral("Electric,PASS,12.3MA,12.5MA,13MA\n")));
        QVERIFY(file.appendResultLine(QStringLiteral("Tb_Value,PASS,812,806,815,809,811\n")));
        QCOMPARE(readAll(file.workingName()),
                 QByteArray("Electric,PASS,12.3MA,12.5MA,13MA\nTb_Value,PASS,812,806,815,809,811\n"));
    }

    void appendFailureShowsTheBox()
    {
        ResultFile file;
        QSignalSpy failed(&file, &ResultFile::appendFailed);
        file.begin(StartMode::Barcode, "", "", "SN", Filed);
        QDir().mkdir(QStringLiteral("test.csv")); // a folder where the file should be
        BoxCloser box(this);
        QVERIFY(!file.appendResultLine(QStringLiteral("Attb:,PASS\n")));
        QCOMPARE(box.title, QStringLiteral("error"));
        QCOMPARE(box.text, QStringLiteral("open csv file fail!\r\n"));
        QCOMPARE(failed.count(), 1);
    }

    void aFailedWriteIsReported()
    {
        if (!QFile::exists(QStringLiteral("/dev/full")))
            QSKIP("needs /dev/full");
        // The file opens but nothing can be written: that is a failure too.
        QVERIFY(!appendToFile(QStringLiteral("/dev/full"), QStringLiteral("Attb:,PASS\n")));
    }

    void filing_data()
    {
        QTest::addColumn<QByteArray>("logPass");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<bool>("unnamedFiles"); // the file system has unnamed temporary files (O_TMPFILE)
        QTest::newRow("no log folder") << QByteArray("") << "./resultsPASS/12-06-09-41-07.csv" << true;
        QTest::newRow("log folder with backslashes") << QByteArray("logs\\pass")
                                                     << "logs/pass/12-06-09-41-07.csv" << true;
        QTest::newRow("log folder that does not exist") << QByteArray("nowhere")
                                                        << "./resultsPASS/12-06-09-41-07.csv" << true;
        QTest::newRow("profile without the key reads 0") << QByteArray("0")
                                                         << "./resultsPASS/12-06-09-41-07.csv" << true;
        QTest::newRow("no unnamed temporary files") << QByteArray("") << "./resultsPASS/12-06-09-41-07.csv"
                                                    << false;
    }
    void filing()
    {
        QFETCH(QByteArray, logPass);
        QFETCH(QString, expected);
        QFETCH(bool, unnamedFiles);
        QDir().mkpath(QStringLiteral("logs/pass"));
        Settings store;
        store.set("LogPASS_Path", logPass);
        ResultFile file;
        file.begin(StartMode::Auto, "", "", "", Filed);
        file.appendResultLine(QStringLiteral("Reset:,PASS\n"));

        // The file system calls of the filing, in their order (ctest preloads
        // the library that writes them down).
        QVERIFY2(qgetenv("LD_PRELOAD").contains("fslog"), "run through ctest: the filing's calls need the preload");
        const QString log = m_dir->filePath(QStringLiteral("fs.log"));
        qputenv("KAVEL_FSLOG", QFile::encodeName(log));
        if (!unnamedFiles)
            qputenv("KAVEL_FS_NO_TMPFILE", "1"); // the preload refuses them, as such a file system does
        const StoreOutcome out = file.storeResultFile(store, QStringLiteral("PASS"));
        qunsetenv("KAVEL_FS_NO_TMPFILE");
        qunsetenv("KAVEL_FSLOG");
        QVERIFY(out.stored);
        QCOMPARE(out.path, expected);
        QVERIFY(out.paneLine.isEmpty());
        QCOMPARE(readAll(expected), QByteArray("Reset:,PASS\n"));
        QVERIFY(!file.exists());
        // Either way the filed file is alone in its folder, readable as any
        // file the station makes (0644 less the umask).
        QCOMPARE(QDir(QFileInfo(expected).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QFileInfo(expected).fileName()});
        const mode_t mask = ::umask(0);
        ::umask(mask);
        struct stat info {};
        QCOMPARE(::stat(QFile::encodeName(expected).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, 0644 & ~mask);

        // A power cut at any instant keeps the result: the copy's data is on
        // the disk before it gets its name, the name (its folder) before the
        // working file is deleted.
        const QStringList calls = QString::fromLocal8Bit(readAll(log)).split('\n', Qt::SkipEmptyParts);
        const QString stored = QFileInfo(expected).absoluteFilePath();
        const QString folder = QFileInfo(expected).absolutePath();
        const auto at = [&calls](const std::function<bool(const QString &)> &match, qsizetype from = 0) {
            for (qsizetype i = from; i < calls.size(); ++i)
                if (match(calls[i]))
                    return i;
            return qsizetype(-1);
        };
        const qsizetype named = at([&](const QString &c) { return c == "link " + stored; });
        const qsizetype dataSynced = at([&](const QString &c) { return c.startsWith("fsync " + folder + "/"); });
        const qsizetype folderSynced = at([&](const QString &c) { return c == "fsync " + folder; }, named);
        const qsizetype deleted = at([&](const QString &c) { return c.startsWith("unlink") && c.endsWith(".csv")
                                                                 && !c.contains(folder); });
        QVERIFY2(dataSynced >= 0 && named > dataSynced && folderSynced > named && deleted > folderSynced,
                 qPrintable(calls.join('\n')));
        // The way taken: a file without a name, or one under a temporary name.
        QCOMPARE(calls.at(dataSynced).contains("/.kavel-copy-"), !unnamedFiles);
    }

    void nothingWrittenNothingFiled()
    {
        Settings store;
        ResultFile file;
        file.begin(StartMode::Auto, "", "", "", Filed);
        const StoreOutcome out = file.storeResultFile(store, QStringLiteral("PASS"));
        QVERIFY(!out.stored);
        QVERIFY(out.path.isEmpty());
        QCOMPARE(filesIn(QStringLiteral("resultsPASS")), QStringList());
    }

    // Two Manual runs of the same panel: both results exist afterwards.
    void sameNameTwiceKeepsBoth()
    {
        Settings store;
        store.set("LogFAIL_Path", "");
        for (const char *content : {"Reset:,FAIL\n", "Reset:,PASS\n"}) {
            ResultFile file;
            QCOMPARE(file.begin(StartMode::Manual, "L01", "W7", "SN123", Filed), ResultFile::Start::Ready);
            file.appendResultLine(QString::fromLatin1(content));
            const StoreOutcome out = file.storeResultFile(store, QStringLiteral("FAIL"));
            QVERIFY(out.stored);
            QVERIFY(!file.exists());
        }
        QCOMPARE(filesIn(QStringLiteral("resultsFAIL")),
                 (QStringList{"L01-W7-SN123-1.csv", "L01-W7-SN123.csv"}));
        QCOMPARE(readAll(QStringLiteral("resultsFAIL/L01-W7-SN123.csv")), QByteArray("Reset:,FAIL\n"));
        QCOMPARE(readAll(QStringLiteral("resultsFAIL/L01-W7-SN123-1.csv")), QByteArray("Reset:,PASS\n"));
    }

    void suffixIsReported()
    {
        Settings store;
        store.set("LogPASS_Path", "");
        write(QStringLiteral("resultsPASS/12-06-09-41-07.csv"), "first\n");
        write(QStringLiteral("resultsPASS/12-06-09-41-07-1.csv"), "second\n");
        ResultFile file;
        file.begin(StartMode::Auto, "", "", "", Filed);
        file.appendResultLine(QStringLiteral("third\n"));
        const StoreOutcome out = file.storeResultFile(store, QStringLiteral("PASS"));
        QCOMPARE(out.path, QStringLiteral("./resultsPASS/12-06-09-41-07-2.csv"));
        QVERIFY(out.paneLine.contains(out.path));
        QCOMPARE(readAll(out.path), QByteArray("third\n"));
        QCOMPARE(readAll(QStringLiteral("resultsPASS/12-06-09-41-07.csv")), QByteArray("first\n"));
    }

    void missingResultsFolderIsMade()
    {
        Settings store;
        store.set("LogFAIL_Path", "");
        QDir(QStringLiteral("resultsFAIL")).removeRecursively();
        ResultFile file;
        file.begin(StartMode::Barcode, "", "", "SN1", Filed);
        file.appendResultLine(QStringLiteral("Attb:,FAIL\n"));
        const StoreOutcome out = file.storeResultFile(store, QStringLiteral("FAIL"), Ending::Attb, Filed);
        QVERIFY(out.stored);
        QCOMPARE(out.path, QStringLiteral("./resultsFAIL/SN1-12-06-09-41-0700-00-Fail.csv"));
        QCOMPARE(readAll(out.path), QByteArray("Attb:,FAIL\n"));
    }

    // The results folder cannot take anything: the result is moved aside in the
    // working folder, where the next run does not clear it.
    void nowhereToFileKeepsItAside()
    {
        Settings store;
        store.set("LogPASS_Path", "");
        QDir(QStringLiteral("resultsPASS")).removeRecursively();
        write(QStringLiteral("resultsPASS"), "a file in the folder's place");
        ResultFile file;
        file.begin(StartMode::Barcode, "", "", "SN1", Filed);
        file.appendResultLine(QStringLiteral("Reset:,PASS\n"));
        const StoreOutcome out = file.storeResultFile(store, QStringLiteral("PASS"));
        QVERIFY(out.stored);
        QCOMPARE(out.path, QStringLiteral("./test-1.csv"));
        QVERIFY(out.paneLine.contains(QStringLiteral("./test-1.csv")));
        QCOMPARE(readAll(out.path), QByteArray("Reset:,PASS\n"));

        ResultFile next;
        QCOMPARE(next.begin(StartMode::Barcode, "", "", "SN2", Filed), ResultFile::Start::Ready);
        QCOMPARE(readAll(QStringLiteral("test-1.csv")), QByteArray("Reset:,PASS\n"));
    }

    void baselineCopy()
    {
        ResultFile file;
        file.begin(StartMode::Barcode, "", "", "SN1", Filed);
        QVERIFY(!file.copyToLog()); // nothing written yet
        file.appendResultLine(QStringLiteral("RasterY:,PASS,\n"));
        QVERIFY(file.copyToLog());
        QCOMPARE(readAll(QStringLiteral("log/test.csv")), QByteArray("RasterY:,PASS,\n"));
        QVERIFY(file.exists());

        // Only the first Barcode copy reaches ./log; a later one never replaces it.
        ResultFile second;
        second.begin(StartMode::Barcode, "", "", "SN2", Filed);
        second.appendResultLine(QStringLiteral("other\n"));
        QVERIFY(!second.copyToLog());
        QCOMPARE(readAll(QStringLiteral("log/test.csv")), QByteArray("RasterY:,PASS,\n"));

        // Held after the Y raster, copied at the end: the copy is the file as it was then.
        QVERIFY(QFile::remove(QStringLiteral("log/test.csv")));
        ResultFile held;
        held.begin(StartMode::Barcode, "", "", "SN3", Filed);
        held.appendResultLine(QStringLiteral("RasterY:,PASS,\n"));
        held.holdForLog();
        held.appendResultLine(QStringLiteral("Reset:,PASS\n"));
        QVERIFY(held.copyToLog());
        QCOMPARE(readAll(QStringLiteral("log/test.csv")), QByteArray("RasterY:,PASS,\n"));
        QVERIFY(!held.copyToLog());
        // A new run holds nothing of the last one.
        QVERIFY(QFile::remove(QStringLiteral("log/test.csv")));
        held.begin(StartMode::Barcode, "", "", "SN4", Filed);
        QVERIFY(!held.copyToLog());
    }

    void suffixes_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("suffixed");
        QTest::newRow("csv") << "./resultsPASS/a.csv" << "./resultsPASS/a-3.csv";
        QTest::newRow("dot in a folder only") << "./res.d/name" << "./res.d/name-3";
        QTest::newRow("dots in the name") << "./SN.1.csv" << "./SN.1-3.csv";
    }
    void suffixes()
    {
        QFETCH(QString, name);
        QFETCH(QString, suffixed);
        QCOMPARE(withSuffix(name, 3), suffixed);
    }
};

QTEST_MAIN(TestProductionResultFile)
#include "tst_production_resultfile.moc"
