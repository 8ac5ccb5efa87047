// The station's results store on real SQLite files: what a filed file becomes,
// what is refused, and the recorder thread through a store that breaks.
#include "capability.h"
#include "conditions.h"
#include "csv.h"
#include "measurements.h"
#include "linesettings.h"
#include "resultrecorder.h"
#include "resultstore.h"
#include "retention.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSignalSpy>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include "filemodesbind.h"
#include "oldschemas.h"
#include "resultdata.h"
#include "yieldcheck.h"

#include <QtTest>

#include <csignal>
#include <optional>

#include <sys/resource.h>

using namespace results;

namespace {

bool write(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(content) == content.size();
}

QVariant scalar(const ResultStore &store, const QString &sql, const QVariantList &bound = {})
{
    QSqlQuery q(store.database());
    q.prepare(sql);
    for (const QVariant &v : bound)
        q.addBindValue(v);
    return q.exec() && q.next() ? q.value(0) : QVariant();
}

} // namespace

class TestResultsStore : public QObject
{
    Q_OBJECT

private slots:
    void contextFromFileNames_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("verdict");
        QTest::addColumn<QString>("lot");
        QTest::addColumn<QString>("barcode");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("logFolders"); // the profile's LogPASS_Path and LogFAIL_Path, both this folder
        const QByteArray attb = "Attb:,PASS\n";
        QTest::newRow("barcode") << "resultsFAIL/SN-12;'x-20261206094107-00-00-Fail.csv" << "Barcode" << "FAIL" << ""
                                 << "SN-12;'x" << attb << "";
        QTest::newRow("barcode, Attb ending") << "resultsFAIL/SN9-12-06-09-41-0700-00-Fail.csv" << "Barcode"
                                              << "FAIL" << "" << "SN9" << attb << "";
        QTest::newRow("auto") << "resultsPASS/12-06-09-41-07.csv" << "Auto" << "PASS" << "" << "" << attb << "";
        QTest::newRow("manual") << "resultsPASS/L01-W7-SN-123.csv" << "Manual" << "PASS" << "L01" << "SN-123"
                                << attb << "";
        QTest::newRow("an archive, verdict from the name") << "archive/SN5-20261206094107-00-00-Pass.csv"
                                                           << "Barcode" << "PASS" << "" << "SN5" << attb << "";
        // Both log folders the same: the folder cannot tell, the file's lines do.
        const QByteArray tbFailed = "Electric,PASS,18MA,18MA,18MA\nTb_Value,FAIL,80,81,82,83,84\nAttb:,PASS\n";
        QTest::newRow("one log folder, an item failed") << "logs/12-06-09-41-07.csv" << "Auto" << "FAIL" << "" << ""
                                                        << tbFailed << "logs";
        QTest::newRow("one log folder, every item passed") << "logs/12-06-09-41-08.csv" << "Auto" << "PASS" << ""
                                                           << "" << attb << "logs";
        QTest::newRow("one log folder, the reset failed last")
            << "logs/L1-W1-SN1.csv" << "Manual" << "FAIL" << "L1" << "SN1" << QByteArray("Attb:,PASS\nReset:,FAIL\n")
            << "logs";
        QTest::newRow("one log folder, the button data unread")
            << "logs/12-06-09-41-10.csv" << "Auto" << "FAIL" << "" << "" << QByteArray("Attb:,PASS\nBtnData\n")
            << "logs";
        QTest::newRow("one log folder, the button data read") << "logs/12-06-09-41-11.csv" << "Auto" << "PASS" << ""
                                                              << "" << QByteArray("Attb:,PASS\nBtnData,120,118\n")
                                                              << "logs";
        QTest::newRow("one log folder that is resultsPASS") << "resultsPASS/12-06-09-41-09.csv" << "Auto" << "FAIL"
                                                            << "" << "" << tbFailed << "resultsPASS";
        QTest::newRow("one log folder, the name says Pass")
            << "logs/SN7-20261206094107-00-00-Pass.csv" << "Barcode" << "PASS" << "" << "SN7" << tbFailed << "logs";
    }
    void contextFromFileNames()
    {
        QFETCH(QString, path);
        QFETCH(QString, mode);
        QFETCH(QString, verdict);
        QFETCH(QString, lot);
        QFETCH(QString, barcode);
        QFETCH(QByteArray, content);
        QFETCH(QString, logFolders);
        QTemporaryDir dir;
        QVERIFY(write(dir.filePath(path), content));
        const QString folder = logFolders.isEmpty() ? QString() : dir.filePath(logFolders);
        const RunContext c = contextFromFile(dir.filePath(path), "ST1", folder, folder);
        QCOMPARE(c.startMode, mode);
        QCOMPARE(c.verdict, verdict);
        QCOMPARE(c.lot, lot);
        QCOMPARE(c.barcode, barcode);
        if (mode == "Barcode" && path.contains("2026"))
            QCOMPARE(c.startedAt, QDateTime(QDate(2026, 12, 6), QTime(9, 41, 7)));
    }

    // The one CSV writer of the tool and the statistics window: what a
    // spreadsheet reads back is the text, never a formula it runs.
    void csvFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("field");
        QTest::newRow("plain") << "SN-123" << "SN-123";
        QTest::newRow("empty") << "" << "";
        QTest::newRow("comma") << "a,b" << "\"a,b\"";
        QTest::newRow("semicolon, a separator in many locales") << "a;b" << "\"a;b\"";
        QTest::newRow("quote") << "say \"hi\"" << "\"say \"\"hi\"\"\"";
        QTest::newRow("line break") << "a\nb" << "\"a\nb\"";
        QTest::newRow("formula") << "=HYPERLINK(\"x\")" << "\"'=HYPERLINK(\"\"x\"\")\"";
        QTest::newRow("plus") << "+1+2" << "'+1+2";
        QTest::newRow("minus, not a number") << "-2+3+cmd|' /C calc'!A0" << "'-2+3+cmd|' /C calc'!A0";
        QTest::newRow("at") << "@SUM(A1)" << "'@SUM(A1)";
        QTest::newRow("tab") << "\t=1" << "'\t=1";
        QTest::newRow("carriage return") << "\r=1" << "\"'\r=1\"";
        QTest::newRow("formula with a separator") << "=1;2" << "\"'=1;2\"";
        QTest::newRow("negative number stays a number") << "-149" << "-149";
        QTest::newRow("signed decimal stays a number") << "+12.5e-3" << "+12.5e-3";
        QTest::newRow("minus alone") << "-" << "'-";
        QTest::newRow("equals inside") << "a=1" << "a=1";
    }
    void csvFields()
    {
        QFETCH(QString, text);
        QFETCH(QString, field);
        QCOMPARE(csvField(text), field);
        QCOMPARE(csvLine({text, text}), field + QLatin1Char(',') + field + QLatin1Char('\n'));
    }

    // Two versions of a profile compared key by key, as the station reads
    // them: values, not spelling; keys in the newer text's order, sections as
    // they come; the administrator's password never kept.
    void profileVersionsComparedByKey_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QByteArray>("after");
        QTest::addColumn<QStringList>("changes"); // key|old|new, "-" for a key one side lacks
        QTest::newRow("one limit changed") << QByteArray("[General]\nElectric_thr=20.0\nTb_value_thr=100\n")
                                           << QByteArray("[General]\nElectric_thr=25.0\nTb_value_thr=100\n")
                                           << QStringList{"Electric_thr|20.0|25.0"};
        QTest::newRow("same values, other order and spelling") << QByteArray("[General]\na=1\nb=2\n")
                                                               << QByteArray("b = 2\r\na=1\r\n") << QStringList{};
        QTest::newRow("a key removed between two changed, one added")
            << QByteArray("[General]\na=1\nb=2\nc=3\n") << QByteArray("[General]\na=0\nc=0\nd=4\n")
            << QStringList{"a|1|0", "b|2|-", "c|3|0", "d|-|4"};
        QTest::newRow("the first key removed") << QByteArray("a=1\nb=2\n") << QByteArray("b=3\n")
                                               << QStringList{"a|1|-", "b|2|3"};
        QTest::newRow("sections in the newer text's order")
            << QByteArray("[General]\nx=1\n[ModeSwitch]\nDebug_Mode=1\n[Z]\nk=1\n")
            << QByteArray("[Z]\nk=2\n[General]\nx=2\n[ModeSwitch]\nDebug_Mode=0\n")
            << QStringList{"Z/k|1|2", "x|1|2", "ModeSwitch/Debug_Mode|1|0"};
        QTest::newRow("a quoted comma, then a list") << QByteArray("RowSetData=\"1,2/3,4\"\n")
                                                     << QByteArray("RowSetData=1,2/3,5\n")
                                                     << QStringList{"RowSetData|1,2/3,4|1,2/3,5"};
        QTest::newRow("an empty value is a value") << QByteArray("a=\nb=1\n") << QByteArray("b=1\n")
                                                   << QStringList{"a||-"};
        QTest::newRow("an escaped key") << QByteArray("%U4E2D=1\n") << QByteArray("%U4E2D=2\n")
                                        << QStringList{QStringLiteral("\u4E2D|1|2")};
        QTest::newRow("a comment is no key") << QByteArray(";a=1\nb=1\n") << QByteArray("b=1\n") << QStringList{};
        QTest::newRow("the password is not kept") << QByteArray("[General]\nqvd=MTIzNDU2\nx=1\n")
                                                  << QByteArray("qvd = OTk5\r\nx=1\r\n") << QStringList{};
        QTest::newRow("qvd of a section is another key") << QByteArray("[ModeSwitch]\nqvd=1\n")
                                                         << QByteArray("[ModeSwitch]\nqvd=2\n")
                                                         << QStringList{"ModeSwitch/qvd|1|2"};
    }
    void profileVersionsComparedByKey()
    {
        QFETCH(QByteArray, before);
        QFETCH(QByteArray, after);
        QFETCH(QStringList, changes);
        // As the store keeps them.
        const QByteArray old = conditions::storedProfileText(before);
        const QByteArray now = conditions::storedProfileText(after);
        std::vector<conditions::KeyChange> found;
        QVERIFY(conditions::diffProfiles(old, now, found));
        QStringList lines;
        for (const conditions::KeyChange &c : found)
            lines << QStringList{c.key, c.before.value_or("-"), c.after.value_or("-")}.join('|');
        QCOMPARE(lines, changes);
        std::vector<conditions::Entry> entries;
        QVERIFY(conditions::iniEntries(now, entries));
        for (const conditions::Entry &e : entries)
            QVERIFY2(e.key != "qvd", now.constData());
    }

    void recordingAFiledFile()
    {
        QTemporaryDir dir;
        ResultStore store;
        QString error;
        QVERIFY2(store.openLocal(dir.filePath("results.db"), &error), qPrintable(error));
        // The store holds operator input: its owner's alone.
        QCOMPARE(QFile::permissions(dir.filePath("results.db"))
                     & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFile::Permissions());
        const QString filed = dir.filePath("resultsFAIL/a.csv");
        QVERIFY(write(filed, stationResultFile("run-fail-30x20.csv")));
        RunContext c = contextFromFile(filed, "ST1");
        c.lot = QStringLiteral("L'1; DROP TABLE runs;--");
        c.worker = QStringLiteral("Wörker 李");
        const Recorded added = store.record(c, &error);
        QVERIFY2(added == Recorded::Added, qPrintable(error));
        QVERIFY2(error.isEmpty(), qPrintable(error));
        const QString runId = fileRunId("ST1", "a.csv", contentHash(stationResultFile("run-fail-30x20.csv")));

        // Found as typed, and the run's items and failing electrodes are there.
        QCOMPARE(scalar(store, "SELECT worker FROM runs WHERE lot = ?", {c.lot}).toString(), c.worker);
        QCOMPARE(scalar(store, "SELECT pass FROM items WHERE run_id = ? AND item = 'open_short'", {runId}).toInt(), 0);
        QCOMPARE(scalar(store, "SELECT pass FROM items WHERE run_id = ? AND item = 'reset'", {runId}).toInt(), 1);
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM failing_electrodes WHERE run_id = ?", {runId}).toInt(), 3);
        QCOMPARE(scalar(store, "SELECT first_index FROM failing_electrodes WHERE kind = 'open'").toInt(), 5);
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM outbox").toInt(), 1);
        QByteArray text;
        QVERIFY(schema::fileBytes(scalar(store, "SELECT content FROM runs"), schema::Engine::Station, text));
        QCOMPARE(text, stationResultFile("run-fail-30x20.csv"));
        // Not a result file, or gone.
        QVERIFY(write(dir.filePath("notes.csv"), "hello\n"));
        QCOMPARE(store.record(contextFromFile(dir.filePath("notes.csv"), "ST1"), &error), Recorded::NotAResult);
        QCOMPARE(store.record(contextFromFile(dir.filePath("gone.csv"), "ST1"), &error), Recorded::Unreadable);
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs").toInt(), 1);

        // A file a power cut left with zeros in it is kept byte for byte; a
        // text read from it keeps no NUL, which the line's server cannot hold.
        QByteArray zeros = stationResultFile("run-pass-30x20.csv");
        zeros.replace("W103", QByteArray("W1\0\0", 4));
        QVERIFY(write(dir.filePath("resultsPASS/z.csv"), zeros));
        QCOMPARE(store.record(contextFromFile(dir.filePath("resultsPASS/z.csv"), "ST1"), &error), Recorded::Added);
        const QString zerosId = fileRunId("ST1", "z.csv", contentHash(zeros));
        QByteArray stored;
        QVERIFY(schema::fileBytes(scalar(store, "SELECT content FROM runs WHERE run_id = ?", {zerosId}),
                                  schema::Engine::Station, stored));
        QCOMPARE(stored, zeros);
        QCOMPARE(scalar(store, "SELECT text FROM items WHERE run_id = ? AND item = 'usb_version'", {zerosId}).toString(),
                 QStringLiteral("W1\uFFFD\uFFFD"));
    }

    // The store keeps a file's text compressed, and every reader gets the
    // file's bytes back: the uploader's rows (and the payload they travel
    // in), the log viewer's and the salvage's read of the column. A text
    // that cannot be unpacked is taken from the filed file where that is
    // still the one recorded, else said.
    void storedTextsComeBackByteForByte_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // empty: a run that filed nothing
        QTest::addColumn<QString>("damage");   // "": none; "file there", "file gone"
        const QByteArray pass = stationResultFile("run-pass-30x20.csv");
        QTest::newRow("CR LF") << QByteArray(pass).replace("\n", "\r\n") << "";
        QTest::newRow("Latin-1 bytes") << QByteArray(pass).replace("V1.0A", "V1.0\xe9\xff\xa0") << "";
        QTest::newRow("empty lines") << QByteArray(pass).replace("Attb:", "\n\r\n\nAttb:") + "\n\n" << "";
        QTest::newRow("a NUL byte") << QByteArray(pass).replace("W103", QByteArray("W1\0" "3", 4)) << "";
        QTest::newRow("a run that filed nothing") << QByteArray() << "";
        QTest::newRow("a damaged text, its file there") << pass << "file there";
        QTest::newRow("a damaged text, its file gone") << pass << "file gone";
    }
    void storedTextsComeBackByteForByte()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, damage);
        QTemporaryDir dir;
        ResultStore store;
        QVERIFY(store.openLocal(dir.filePath("results.db"), nullptr));
        RunContext c;
        if (bytes.isEmpty()) {
            c.runId = newRunId();
            c.station = "ST1";
            c.verdict = "FAIL";
            c.startedAt = c.endedAt = QDateTime::currentDateTime();
        } else {
            QVERIFY(write(dir.filePath("resultsPASS/SN1-20261206094107-00-00-Pass.csv"), bytes));
            c = contextFromFile(dir.filePath("resultsPASS/SN1-20261206094107-00-00-Pass.csv"), "ST1");
        }
        QString error;
        QCOMPARE(store.record(c, &error), Recorded::Added);
        const QString runId = scalar(store, "SELECT run_id FROM runs").toString();
        // Kept compressed: a quarter of the file or less.
        QCOMPARE(scalar(store, "SELECT typeof(content) FROM runs").toString(), "blob");
        QVERIFY2(scalar(store, "SELECT length(content) FROM runs").toInt() <= bytes.size() / 4,
                 qPrintable(scalar(store, "SELECT length(content) FROM runs").toString()));
        if (!damage.isEmpty()) {
            // A frame cut short, as a damaged page would leave it.
            QVERIFY(QSqlQuery(store.database()).exec("UPDATE runs SET content = substr(content, 1, length(content) - 9)"));
            if (damage == "file gone")
                QVERIFY(QFile::remove(c.path));
        }
        QByteArray back;
        QString why;
        QCOMPARE(schema::fileBytes(scalar(store, "SELECT content FROM runs"), schema::Engine::Station, back, &why),
                 damage.isEmpty());
        if (damage.isEmpty())
            QCOMPARE(back, bytes);
        else
            QVERIFY2(why.contains("damaged") && back.isEmpty(), qPrintable(why));
        RunRows rows;
        QVERIFY2(readRunRows(store.database(), runId, rows, &error), qPrintable(error));
        QCOMPARE(rows.textError.isEmpty(), damage != "file gone");
        QCOMPARE(rows.value("content").toByteArray(), damage == "file gone" ? QByteArray() : bytes);
        // The payload the line's server takes: the bytes themselves, in hex.
        if (damage != "file gone")
            QVERIFY(linePayload(rows).contains("\"content\":\"\\\\x" + QString::fromLatin1(bytes.toHex()) + "\""));
    }

    // A run recorded live, then recorded again the way the row says: the
    // same run (known, under the same id), or a run of its own.
    void recordedAgain_data()
    {
        QTest::addColumn<QString>("again");
        QTest::addColumn<int>("expected");
        QTest::addColumn<bool>("sameId");
        QTest::newRow("the same file") << "same" << int(Recorded::Known) << true;
        QTest::newRow("rebuilt from its file") << "rebuilt" << int(Recorded::Known) << true;
        QTest::newRow("a copy in another folder") << "copy" << int(Recorded::Known) << true;
        QTest::newRow("a second station's copy") << "second station" << int(Recorded::Added) << false;
        QTest::newRow("other content under the same name") << "other content" << int(Recorded::Added) << false;
        QTest::newRow("a run that filed nothing") << "nothing filed" << int(Recorded::Added) << false;
    }
    void recordedAgain()
    {
        QFETCH(QString, again);
        QFETCH(int, expected);
        QFETCH(bool, sameId);
        QTemporaryDir dir;
        ResultStore store;
        QString error;
        QVERIFY(store.openLocal(dir.filePath("results.db"), &error));
        const QString filed = dir.filePath("resultsPASS/12-06-09-41-07.csv");
        QVERIFY(write(filed, stationResultFile("run-pass-30x20.csv")));
        RunContext live;
        live.runId = newRunId();
        live.station = "ST1";
        live.startMode = "Auto";
        live.verdict = "PASS";
        live.startedAt = live.endedAt = QDateTime::currentDateTime();
        live.path = filed;
        // Items the run hands over beside the file, where the file says nothing of them.
        // An item handed twice is taken once, the first.
        live.items = {{"border", true, QVariant(), "4 sides"},
                      {"reset", false, QVariant(), "not the file's"},
                      {"border", false, QVariant(), "handed again"}};
        // What it was judged against; no planeness item ran, no firmware went down.
        live.profile = "p.ini";
        live.profileText = "[General]\nElectric_thr=20.0\n";
        live.softwareVersion = "3.1+gabc";
        QCOMPARE(store.record(live, &error), Recorded::Added);
        const QString first = scalar(store, "SELECT run_id FROM runs").toString();
        QCOMPARE(first, fileRunId("ST1", "12-06-09-41-07.csv", contentHash(stationResultFile("run-pass-30x20.csv"))));
        QCOMPARE(scalar(store, "SELECT text FROM items WHERE run_id = ? AND item = 'border'", {first}).toString(),
                 "4 sides");
        QCOMPARE(scalar(store, "SELECT pass FROM items WHERE run_id = ? AND item = 'reset'", {first}).toInt(), 1);

        RunContext second = contextFromFile(filed, "ST1");
        if (again == "same") {
            second = live;
        } else if (again == "copy") {
            QVERIFY(write(dir.filePath("archive/12-06-09-41-07.csv"), stationResultFile("run-pass-30x20.csv")));
            second = contextFromFile(dir.filePath("archive/12-06-09-41-07.csv"), "ST1");
        } else if (again == "second station") {
            second.station = "ST2";
        } else if (again == "other content") {
            QVERIFY(write(filed, stationResultFile("run-fail-30x20.csv")));
        } else if (again == "nothing filed") {
            // Two such runs of one station are two runs.
            second = live;
            second.path.clear();
            QCOMPARE(store.record(second, &error), Recorded::Added);
            second.runId = newRunId();
        }
        QCOMPARE(int(store.record(second, &error)), expected);
        // The live run keeps what it was judged against; one recorded from
        // its file alone has it unknown, whatever profile lies about today.
        const QString profileSha1 = QString::fromLatin1(contentHash(live.profileText));
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs WHERE profile_sha1 = ? AND software_version = '3.1+gabc'"
                               " AND baseline_sha1 IS NULL AND firmware_sha1 IS NULL",
                        {profileSha1})
                     .toInt(),
                 again == "nothing filed" ? 3 : 1);
        if (!sameId && again != "nothing filed")
            QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs WHERE profile_sha1 IS NULL AND software_version IS NULL")
                         .toInt(),
                     1);
        QCOMPARE(conditions::textFromStore(scalar(store, "SELECT content FROM texts WHERE sha1 = ?", {profileSha1})),
                 live.profileText);
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM texts").toInt(), 1);
        const int runs = scalar(store, "SELECT COUNT(*) FROM runs").toInt();
        QCOMPARE(runs, again == "nothing filed" ? 3 : sameId ? 1 : 2);
        if (again == "nothing filed") {
            QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs WHERE file_name = '' AND length(content) = 0").toInt(), 2);
            QCOMPARE(scalar(store, "SELECT COUNT(*) FROM items WHERE run_id = ?", {second.runId}).toInt(), 2);
        }
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM outbox").toInt(), runs);
    }

    // Each run's measurements with the limits its profile's text sets, read
    // as the station reads its profile; none known without the text.
    // A run's values of an item as the store packs them, read back exactly:
    // the names by their number, each value in the form that holds it.
    void packedMeasurementsReadBack_data()
    {
        QTest::addColumn<QStringList>("values"); // name=value, in the run's order
        QTest::addColumn<int>("bytes");          // what the store keeps
        QTest::newRow("whole numbers, either sign")
            << QStringList{"X[0]=0", "X[1]=-1", "X[2]=1", "X[3]=-64", "X[4]=64", "Y[0]=-9007199254740992"} << 22;
        QTest::newRow("a line with a gap: two groups") << QStringList{"X[0]=5", "X[2]=6"} << 10;
        QTest::newRow("a current a float holds") << QStringList{"current=18.4979991912841796875"} << 8;
        QTest::newRow("a value only a double holds") << QStringList{"current=60.1"} << 12;
        QTest::newRow("a raster's four") << QStringList{"middle max=3", "middle min=-4", "edge max=40", "edge min=-5"}
                                         << 20;
        QTest::newRow("the last index there is") << QStringList{"Btn[65535]=1"} << 7;
    }
    void packedMeasurementsReadBack()
    {
        QFETCH(QStringList, values);
        QFETCH(int, bytes);
        std::vector<Measurement> run;
        for (const QString &v : values) {
            Measurement m;
            m.key = measurementKey(v.section('=', 0, 0));
            QVERIFY2(m.key >= 0, qPrintable(v));
            m.value = v.section('=', 1).toDouble();
            run.push_back(m);
        }
        const QByteArray packed = packMeasurements(run.data(), run.data() + run.size());
        QCOMPARE(packed.size(), bytes);
        std::vector<PackedValue> back;
        QVERIFY(unpackMeasurements(packed.constData(), std::size_t(packed.size()), back));
        QStringList found;
        for (const PackedValue &v : back)
            found << measurementName(v.key) + '=' + QString::number(v.value, 'g', 17);
        QStringList expected;
        for (const Measurement &m : run)
            expected << m.name() + '=' + QString::number(m.value, 'g', 17);
        QCOMPARE(found, expected);
        // Cut anywhere, it is refused, never read as other values.
        for (qsizetype cut = 1; cut < packed.size(); ++cut) {
            std::vector<PackedValue> part;
            const bool read = unpackMeasurements(packed.constData(), std::size_t(cut), part);
            QVERIFY2(!read || part.size() < back.size(), qPrintable(QString::number(cut)));
        }
    }

    void measurementsAsTheProfileSetsThem_data()
    {
        QTest::addColumn<QByteArray>("profile");
        QTest::addColumn<QString>("file");        // the station's file, or a text of its own
        QTest::addColumn<QString>("measurement"); // item/name
        QTest::addColumn<QString>("expected");    // value lower upper known; "none": not measured
        const QByteArray limits = "[General]\nElectric_thr=20.0\nTb_value_thr=600\nBtn_Min=100\nBtn_Max=130\n"
                                  "M1_thr_min=-30\nM1_thr_max=30\nRasterX_edge_count=1\nRasterX_edge_min=-60\n"
                                  "RasterX_edge_max=60\nRasterY_edge_count=2\nRasterY_edge_min=-5\nRasterY_edge_max=5\n"
                                  "RowSetData=\"-30,-30,-30,-30,-30,-31/30,30,30,30,30,31/-1,-1/1,1\"\n";
        const QString pass = "run-pass-30x20.csv", fail = "run-fail-30x20.csv";
        QTest::newRow("current below Electric_thr") << limits << pass << "Electric/current" << "18.498 - 20 1";
        QTest::newRow("a threshold that is no number, as the item reads it")
            << QByteArray("Electric_thr=abc\n") << pass << "Electric/current" << "18.498 - 0 1";
        QTest::newRow("the highest TB reading, at least Tb_value_thr") << limits << pass << "Tb_Value/highest"
                                                                       << "655 600 - 1";
        QTest::newRow("a TB reading that never settled is none")
            << limits << "Tb_Value,FAIL,900,2048\n" << "Tb_Value/highest" << "900 600 - 1";
        QTest::newRow("an electrode's own window") << limits << fail << "OpenShort/X[5]" << "-269 -31 31 1";
        QTest::newRow("a Y electrode's window") << limits << fail << "OpenShort/Y[1]" << "2 -1 1 1";
        // The run keeps, past the text's fields, what an earlier profile left.
        QTest::newRow("an electrode past the text's windows") << limits << fail << "OpenShort/X[6]" << "0 - - 0";
        QTest::newRow("RowSetData without four parts")
            << QByteArray("RowSetData=\"1,2/3,4/5\"\n") << fail << "OpenShort/X[4]" << "277 - - 0";
        // Unquoted, Qt reads it as a list; the station joins it again.
        QTest::newRow("RowSetData as a list") << QByteArray("RowSetData=-7,-8/7,8/0/0\n") << pass << "OpenShort/X[1]"
                                              << "0 -8 8 1";
        QTest::newRow("raster middle, highest") << limits << pass << "RasterX/middle max" << "0 - 30 1";
        QTest::newRow("raster middle, lowest") << limits << pass << "RasterX/middle min" << "-1 -30 - 1";
        QTest::newRow("raster edge, lowest") << limits << pass << "RasterY/edge min" << "0 -5 - 1";
        QTest::newRow("raster edge, highest") << limits << pass << "RasterY/edge max" << "0 - 5 1";
        // Cells by hand: the band of RasterX_edge_count 1 around a 3 x 3 raster
        // leaves the middle cell (1, 1) alone.
        const QByteArray raster = "RasterX:,PASS,\n1,2,3,\n4,5,6,\n7,8,9,\nRJitterX:\n-9,2,3,\n4,-4.7,6,\n7,8,40.9,\n";
        QTest::newRow("the middle of a small raster") << limits << QString(raster) << "RasterX/middle min"
                                                      << "-4 -30 - 1";
        QTest::newRow("the edge of a small raster, truncated") << limits << QString(raster) << "RasterX/edge max"
                                                               << "40 - 60 1";
        QTest::newRow("a band wider than the panel leaves no middle")
            << QByteArray(limits).replace("RasterX_edge_count=1", "RasterX_edge_count=2") << QString(raster)
            << "RasterX/middle max" << "none";
        QTest::newRow("a key within Btn_Min and Btn_Max") << limits << pass << "BtnData/Btn[2]" << "124 100 130 1";
        QTest::newRow("a key limit the profile lacks reads 0") << QByteArray("Btn_Min=5\n") << pass << "BtnData/Btn[0]"
                                                               << "120 5 0 1";
        QTest::newRow("no profile: the value, limits not known") << QByteArray() << pass << "Electric/current"
                                                                << "18.498 - - 0";
        QTest::newRow("no profile: an electrode's value") << QByteArray() << fail << "OpenShort/X[4]" << "277 - - 0";
        QTest::newRow("no profile: no raster band") << QByteArray() << pass << "RasterX/edge max" << "none";
    }
    void measurementsAsTheProfileSetsThem()
    {
        QFETCH(QByteArray, profile);
        QFETCH(QString, file);
        QFETCH(QString, measurement);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        ResultStore store;
        QString error;
        QVERIFY(store.openLocal(dir.filePath("results.db"), &error));
        const QByteArray content = file.endsWith(".csv") ? stationResultFile(file) : file.toLatin1();
        QVERIFY(write(dir.filePath("resultsPASS/12-06-09-41-07.csv"), content));
        RunContext c = contextFromFile(dir.filePath("resultsPASS/12-06-09-41-07.csv"), "ST1");
        c.profile = "demo.ini";
        c.profileText = profile;
        QCOMPARE(store.record(c, &error), Recorded::Added);
        // As the store gives them back (what the line's server is sent).
        RunRows rows;
        QVERIFY2(readRunRows(store.database(), scalar(store, "SELECT run_id FROM runs").toString(), rows, &error),
                 qPrintable(error));
        std::vector<const Measurement *> found;
        for (const Measurement &m : rows.measured) {
            if (QLatin1String(m.item) == measurement.section('/', 0, 0) && m.name() == measurement.section('/', 1))
                found.push_back(&m);
        }
        if (expected == "none") {
            QVERIFY(found.empty());
            return;
        }
        QVERIFY2(found.size() == 1, qPrintable(measurement));
        const Measurement &m = *found.front();
        const auto text = [](const std::optional<double> &v) { return v ? QString::number(*v, 'g', 6) : QStringLiteral("-"); };
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(text(m.value), text(m.lower), text(m.upper)).arg(int(m.limitsKnown)),
                 expected);
        // The run's own, kept beside the values.
        QSqlQuery q(store.database());
        QVERIFY(q.prepare("SELECT station, profile, started_at FROM measurements WHERE item = ?"));
        q.addBindValue(measurement.section('/', 0, 0));
        QVERIFY(q.exec() && q.next());
        QCOMPARE(q.value(0).toString(), QStringLiteral("ST1"));
        QCOMPARE(q.value(1).toString(), QStringLiteral("demo.ini"));
        QCOMPARE(q.value(2).toLongLong(), c.startedAt.toMSecsSinceEpoch());
        QVERIFY(!q.next());
    }

    // Each measurement's moving range is against the previous run of its
    // station and profile, whatever order the runs are recorded in, and only
    // where that run was judged under the same limits.
    void movingRangesChainEachStation_data()
    {
        // minute:station:profile:current (-: no file, T: a TB reading alone):threshold, in recording order
        QTest::addColumn<QStringList>("runs");
        QTest::addColumn<QStringList>("ranges"); // per run by minute: previous minute / moving range
        QTest::newRow("in order") << QStringList{"1:S1:a:10:20", "2:S1:a:12:20", "3:S1:a:11:20"}
                                  << QStringList{"1:-/-", "2:1/2", "3:2/1"};
        QTest::newRow("a run recorded late") << QStringList{"1:S1:a:10:20", "3:S1:a:11:20", "2:S1:a:12:20"}
                                             << QStringList{"1:-/-", "2:1/2", "3:2/1"};
        QTest::newRow("recorded newest first") << QStringList{"3:S1:a:11:20", "2:S1:a:12:20", "1:S1:a:10:20"}
                                               << QStringList{"1:-/-", "2:1/2", "3:2/1"};
        QTest::newRow("each station its own") << QStringList{"1:S1:a:10:20", "2:S2:a:15:20", "3:S1:a:11:20", "4:S2:a:12:20"}
                                              << QStringList{"1:-/-", "2:-/-", "3:1/1", "4:2/3"};
        QTest::newRow("the limit changed") << QStringList{"1:S1:a:10:20", "2:S1:a:12:21", "3:S1:a:11:21"}
                                           << QStringList{"1:-/-", "2:1/-", "3:2/1"};
        // Back to the first limit: the run before under it is no neighbour.
        QTest::newRow("the limit changed and back") << QStringList{"1:S1:a:10:20", "2:S1:a:12:21", "3:S1:a:11:20"}
                                                    << QStringList{"1:-/-", "2:1/-", "3:2/-"};
        QTest::newRow("another profile, the same limit")
            << QStringList{"1:S1:a:10:20", "2:S1:b:12:20", "3:S1:b:11:20"} << QStringList{"1:-/-", "2:-/-", "3:2/1"};
        // Two kinds of panel on one station: each its own stream.
        QTest::newRow("two profiles by turns")
            << QStringList{"1:S1:a:10:20", "2:S1:b:15:20", "4:S1:b:17:20", "3:S1:a:11:20"}
            << QStringList{"1:-/-", "2:-/-", "3:1/1", "4:2/2"};
        // A run that filed nothing has no measurements: the chain goes past it.
        QTest::newRow("a run without measurements between")
            << QStringList{"1:S1:a:10:20", "2:S1:a:-:20", "3:S1:a:13:20"} << QStringList{"1:-/-", "3:1/3"};
        // One that measured another item only (it stopped early): the
        // current's neighbours are the runs that have it.
        QTest::newRow("a run without the current between")
            << QStringList{"1:S1:a:10:20", "2:S1:a:T:20", "3:S1:a:13:20"} << QStringList{"1:-/-", "3:1/3"};
    }
    void movingRangesChainEachStation()
    {
        QFETCH(QStringList, runs);
        QFETCH(QStringList, ranges);
        QTemporaryDir dir;
        ResultStore store;
        QString error;
        QVERIFY(store.openLocal(dir.filePath("results.db"), &error));
        const QDateTime t0(QDate(2026, 12, 6), QTime(8, 0));
        const QByteArray pass = stationResultFile("run-pass-30x20.csv");
        for (const QString &run : runs) {
            const QStringList f = run.split(':');
            RunContext c;
            c.runId = newRunId();
            c.station = f[1];
            c.profile = f[2];
            c.profileText = "Electric_thr=" + f[4].toLatin1() + "\n";
            c.startedAt = c.endedAt = t0.addSecs(60 * f[0].toInt());
            c.verdict = "PASS";
            QByteArray content;
            if (f[3] != "-") {
                c.path = dir.filePath("resultsPASS/" + f[0] + ".csv");
                content = f[3] == "T" ? QByteArray("Tb_Value,PASS,650,640,655\n")
                                      : "Electric,PASS," + f[3].toLatin1() + "MA," + f[3].toLatin1() + "MA,"
                                            + f[3].toLatin1() + "MA\n";
                QVERIFY(write(c.path, content));
            }
            QCOMPARE(store.record(c, &error), Recorded::Added);
        }
        // The moving ranges are taken when asked: per version of the limit,
        // its values, and the count and sum of the ranges the runs give.
        QStringList expected;
        for (const QString &threshold : {QStringLiteral("20"), QStringLiteral("21")}) {
            int values = 0, count = 0;
            double sum = 0;
            for (const QString &range : ranges) {
                const QString minute = range.section(':', 0, 0);
                const auto run = std::find_if(runs.begin(), runs.end(),
                                              [&](const QString &r) { return r.section(':', 0, 0) == minute; });
                if (run == runs.end() || run->section(':', 4) != threshold)
                    continue;
                ++values;
                if (range.section('/', 1) != "-") {
                    ++count;
                    sum += range.section('/', 1).toDouble();
                }
            }
            if (values > 0)
                expected << QStringLiteral("%1: %2 values, %3 ranges of %4").arg(threshold).arg(values).arg(count).arg(sum);
        }
        std::vector<queries::Capability> rows;
        QVERIFY2(queries::capability(store.database(), "Electric", {}, rows, &error), qPrintable(error));
        QStringList found;
        for (const queries::Capability &c : rows)
            found << QStringLiteral("%1: %2 values, %3 ranges of %4")
                         .arg(c.upper.value_or(-1))
                         .arg(c.count)
                         .arg(c.ranges)
                         .arg(c.meanRange.value_or(0) * double(c.ranges));
        QCOMPARE(found, expected);
    }

    // Each panel's first and last run flagged whatever order its files come
    // in (an import of old folders brings earlier runs after later ones), and
    // a store of every schema a station shipped with brought to this one.
    void panelFirstAndLastRun_data()
    {
        QTest::addColumn<QString>("shape");
        QTest::newRow("this schema") << "";
        QTest::newRow("from schema 1") << "1";
        QTest::newRow("from schema 2 with panel flags") << "2 flags";
        QTest::newRow("from schema 2 with yield") << "2 yield";
        QTest::newRow("from schema 2 with levels") << "2 levels";
        // This version as a build of it made it before the texts were added.
        QTest::newRow("schema 3 without the texts") << "3 early";
        // This version as a build of it kept a row per measurement.
        QTest::newRow("schema 3 with a row per measurement") << "3 rows";
        // What a migration stopped half-way through its texts leaves.
        QTest::newRow("from schema 2, its texts half compressed") << "2 half packed";
    }
    void panelFirstAndLastRun()
    {
        QFETCH(QString, shape);
        QTemporaryDir dir;
        const QByteArray pass = stationResultFile("run-pass-30x20.csv");
        const QStringList names{"resultsPASS/SN1-20261206100000-00-00-Pass.csv",
                                "resultsFAIL/SN1-20261206090000-00-00-Fail.csv",
                                "resultsPASS/SN1-20261206110000-00-00-Pass.csv",
                                "resultsPASS/SN2-20261206093000-00-00-Pass.csv", "resultsPASS/12-06-09-41-07.csv",
                                "resultsPASS/12-06-09-41-08.csv"};
        const auto flags = [](const QSqlDatabase &db) {
            QStringList out;
            QSqlQuery q(db);
            q.exec("SELECT barcode, panel_first, panel_last FROM runs ORDER BY barcode, started_at");
            while (q.next())
                out << QStringLiteral("%1:%2%3").arg(q.value(0).toString()).arg(q.value(1).toInt()).arg(q.value(2).toInt());
            return out;
        };
        const QStringList expected{":11", ":11", "SN1:10", "SN1:00", "SN1:01", "SN2:11"};
        // The open/short levels as recorded, and as the migration reads them from the texts.
        const auto levels = [](const QSqlDatabase &db) {
            QStringList out;
            QSqlQuery q(db);
            q.exec("SELECT open_short_x, open_short_y FROM runs ORDER BY run_id");
            while (q.next())
                out << q.value(0).toString() + QLatin1Char('/') + q.value(1).toString();
            return out;
        };
        ResultStore reference;
        QVERIFY(reference.openLocal(dir.filePath("reference.db"), nullptr));
        for (const QString &name : names) {
            QVERIFY(write(dir.filePath(name), pass));
            QCOMPARE(reference.record(contextFromFile(dir.filePath(name), "ST1"), nullptr), Recorded::Added);
        }
        QCOMPARE(flags(reference.database()), expected);
        QCOMPARE(yieldRows(reference.database(), true), yieldRows(reference.database(), false));
        const QStringList recordedLevels = levels(reference.database());
        QVERIFY2(!recordedLevels.first().startsWith(QLatin1Char('/')), qPrintable(recordedLevels.first()));
        if (shape.isEmpty())
            return;

        // The files' texts as every reader gets them back, and how many are
        // kept compressed.
        const auto texts = [](const QSqlDatabase &db) {
            QStringList out;
            QSqlQuery q(db);
            q.exec("SELECT run_id, content, typeof(content) FROM runs ORDER BY run_id");
            while (q.next()) {
                QByteArray bytes;
                out << (schema::fileBytes(q.value(1), schema::Engine::Station, bytes) ? QString::fromLatin1(contentHash(bytes))
                                                                                       : QStringLiteral("unreadable"));
            }
            return out;
        };
        const auto packed = [](const ResultStore &store) {
            return scalar(store, "SELECT COUNT(*) FROM runs WHERE typeof(content) = 'blob'").toInt();
        };

        // The same runs in a store as an older station left it.
        const QString db = dir.filePath("results.db");
        if (shape.startsWith("3 ")) {
            ResultStore early;
            QVERIFY(early.openLocal(db, nullptr));
        }
        {
            QSqlDatabase old = QSqlDatabase::addDatabase("QSQLITE", "old");
            old.setDatabaseName(db);
            QVERIFY(old.open());
            QString error;
            if (shape == "3 early") {
                for (const char *sql : {"DROP TABLE texts", "DROP TABLE profile_versions", "DROP INDEX runs_conditions",
                                        "ALTER TABLE runs DROP COLUMN profile_sha1",
                                        "ALTER TABLE runs DROP COLUMN baseline_sha1",
                                        "ALTER TABLE runs DROP COLUMN firmware_sha1",
                                        "ALTER TABLE runs DROP COLUMN software_version"})
                    QVERIFY2(QSqlQuery(old).exec(sql), sql);
            } else if (shape == "3 rows") {
                for (const char *sql :
                     {"DROP TABLE measurements",
                      "CREATE TABLE measurements (run_id TEXT NOT NULL, item TEXT NOT NULL, name TEXT NOT NULL,"
                      " value DOUBLE PRECISION NOT NULL, lower_limit DOUBLE PRECISION, upper_limit DOUBLE PRECISION,"
                      " limits_known INTEGER NOT NULL DEFAULT 0, station TEXT NOT NULL, profile TEXT NOT NULL,"
                      " started_at BIGINT NOT NULL, previous_run TEXT, previous_at BIGINT, moving_range DOUBLE PRECISION,"
                      " FOREIGN KEY (run_id) REFERENCES runs (run_id) ON DELETE CASCADE,"
                      " PRIMARY KEY (item, started_at, run_id, name)) WITHOUT ROWID",
                      "CREATE INDEX measurements_run ON measurements (run_id, item, name)",
                      "CREATE INDEX runs_chain ON runs (station, profile, started_at, run_id)"})
                    QVERIFY2(QSqlQuery(old).exec(sql), sql);
            } else {
                QVERIFY2(oldschemas::build(old, shape == "2 half packed" ? "2 levels" : shape, &error), qPrintable(error));
            }
            QSqlDatabase from = reference.database();
            QVERIFY2(oldschemas::copyRuns(from, old, &error), qPrintable(error));
            old.close();
        }
        QSqlDatabase::removeDatabase("old");
        if (shape == "2 half packed") {
            ResultStore half;
            QVERIFY(half.openLocal(db, nullptr));
            QSqlQuery q(half.database());
            QVERIFY(q.exec("SELECT run_id, content FROM runs ORDER BY run_id LIMIT 3"));
            std::vector<std::pair<QString, QString>> plain;
            while (q.next()) {
                QByteArray bytes;
                QVERIFY(schema::fileBytes(q.value(1), schema::Engine::Station, bytes));
                plain.emplace_back(q.value(0).toString(), QString::fromLatin1(bytes));
            }
            for (const auto &[runId, text] : plain) {
                q.prepare("UPDATE runs SET content = ? WHERE run_id = ?");
                q.addBindValue(text);
                q.addBindValue(runId);
                QVERIFY(q.exec());
            }
            QVERIFY(q.exec("UPDATE schema_version SET version = 2"));
            QVERIFY(q.exec("CREATE TABLE schema_migration (step TEXT NOT NULL PRIMARY KEY)"));
            QVERIFY(q.exec("INSERT INTO schema_migration (step) VALUES ('pack_texts')"));
            QCOMPARE(packed(half), 3);
            QCOMPARE(texts(half.database()), texts(reference.database()));
        }
        ResultStore store;
        QString error;
        QVERIFY2(store.openLocal(db, &error), qPrintable(error));
        // Every text compressed, each the file's bytes (a store of this
        // version that an earlier build of it made keeps its texts as they
        // were, read back alike); the items without an index beside them; no
        // index of paths.
        QCOMPARE(packed(store), shape.startsWith("3 ") ? 0 : int(names.size()));
        // The measurements a row per run and item, nothing of their chain left.
        QSqlDatabase migrated = store.database();
        QVERIFY(oldschemas::columnsOf(migrated, "measurements").contains("packed"));
        QVERIFY(!oldschemas::columnsOf(migrated, "measurements").contains("name"));
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM sqlite_master WHERE name IN ('runs_chain', 'measurements_run')").toInt(),
                 0);
        QCOMPARE(texts(store.database()), texts(reference.database()));
        QVERIFY(scalar(store, "SELECT sql FROM sqlite_master WHERE name = 'items'").toString().contains("WITHOUT ROWID"));
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM sqlite_master WHERE name IN ('runs_path', 'items_next')").toInt(), 0);
        QCOMPARE(scalar(store, "SELECT version FROM schema_version").toInt(), schema::Version);
        QCOMPARE(flags(store.database()), expected);
        QCOMPARE(yieldRows(store.database(), true), yieldRows(store.database(), false));
        QCOMPARE(levels(store.database()), recordedLevels);
        QVERIFY(scalar(store, "SELECT sql FROM sqlite_master WHERE name = 'runs_lot'").toString().contains("panel_last"));
        QVERIFY(!scalar(store, "SELECT sql FROM sqlite_master WHERE name = 'runs'").toString().contains("UNIQUE"));
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM items").toInt(), scalar(reference, "SELECT COUNT(*) FROM items").toInt());
        // What the old runs were judged against is not known.
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs WHERE profile_sha1 IS NULL AND baseline_sha1 IS NULL"
                               " AND firmware_sha1 IS NULL AND software_version IS NULL")
                     .toInt(),
                 names.size());
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM texts").toInt(), 0);
        // Written to as a store of today: a retest of SN2 moves its flags.
        QVERIFY(write(dir.filePath("resultsFAIL/SN2-20261207080000-00-00-Fail.csv"), stationResultFile("run-fail-30x20.csv")));
        RunContext retest = contextFromFile(dir.filePath("resultsFAIL/SN2-20261207080000-00-00-Fail.csv"), "ST1");
        retest.profile = "p.ini";
        retest.profileText = "x=1\n";
        retest.baselineText = "Debug:\n";
        QCOMPARE(store.record(retest, &error), Recorded::Added);
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs r JOIN texts p ON p.sha1 = r.profile_sha1"
                               " JOIN texts b ON b.sha1 = r.baseline_sha1 JOIN profile_versions v"
                               " ON v.profile = r.profile AND v.profile_sha1 = r.profile_sha1 AND v.station = 'ST1'")
                     .toInt(),
                 1);
        QCOMPARE(flags(store.database()).last(), QStringLiteral("SN2:01"));
        QCOMPARE(yieldRows(store.database(), true), yieldRows(store.database(), false));
    }

    // Pruning the runs the line has: what goes, what stays (the outbox's, the
    // quarantine's, a run right at the cut), and that the yield per quarter
    // and the panels' flags, after retests of panels whose runs were pruned,
    // are those of a store that pruned nothing. The filed files stay, and a
    // catch-up or a rebuild never brings a pruned run back.
    void pruningKeepsCountsAndWhatTheLineLacks_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("in steps") << "steps";
        QTest::newRow("a dry run") << "dry run";
        QTest::newRow("by the recorder (keep_days), then a catch-up") << "recorder";
        QTest::newRow("then found damaged and rebuilt") << "rebuilt";
    }
    void pruningKeepsCountsAndWhatTheLineLacks()
    {
        QFETCH(QString, how);
        QTemporaryDir dir;
        const QString db = dir.filePath("results.db");
        constexpr int KeepDays = 10;
        constexpr qint64 Day = 86400;
        // The cut as the recorder takes it: a whole quarter of an hour.
        const qint64 cut = retention::quarterStart(QDateTime::currentMSecsSinceEpoch() - KeepDays * Day * 1000);
        // The recorder takes its own cut, which may be a quarter later: no
        // run lies right at it then.
        const bool edges = how != "recorder";
        struct Run
        {
            QString key, barcode;
            qint64 at; // seconds from the cut
            bool pass;
            QString state; // "sent", "waiting", "refused"
        };
        std::vector<Run> runs{{"A", "SN-A", -10 * Day + 8 * 3600, true, "sent"},
                              {"B1", "SN-B", -9 * Day, false, "sent"},
                              {"B2", "SN-B", -9 * Day + 3600, true, "sent"},
                              {"C1", "SN-C", -8 * Day, false, "sent"},
                              {"C2", "SN-C", 2 * Day, true, "sent"},
                              {"W", "SN-W", -7 * Day, true, "waiting"},
                              {"Q", "SN-Q", -6 * Day, true, "refused"},
                              {"N", "", -5 * Day, true, "sent"}};
        if (edges) {
            runs.push_back({"E", "SN-E", 0, true, "sent"});
            runs.push_back({"F", "SN-F", -1, true, "sent"});
        }
        std::vector<Run> retests{{"A'", "SN-A", Day, false, ""}, {"B3", "SN-B", Day, true, ""}, {"C3", "SN-C", 3 * Day, false, ""}};
        if (edges)
            retests.push_back({"F'", "SN-F", Day, true, ""});
        QHash<QString, QString> path, key;
        // Filed when the row needs them: a catch-up would record a retest
        // filed before.
        const auto file = [&](const Run &r) {
            const QDateTime at = QDateTime::fromMSecsSinceEpoch(cut + r.at * 1000);
            const QString name = r.barcode.isEmpty() ? at.toString("MM-dd-hh-mm-ss") + ".csv"
                                                     : QStringLiteral("%1-%2-00-00-%3.csv")
                                                           .arg(r.barcode, at.toString("yyyyMMddhhmmss"),
                                                                r.pass ? "Pass" : "Fail");
            const QByteArray content = stationResultFile(r.pass ? "run-pass-30x20.csv" : "run-fail-30x20.csv");
            path[r.key] = dir.filePath((r.pass ? "resultsPASS/" : "resultsFAIL/") + name);
            key[fileRunId("ST1", name, contentHash(content))] = r.key;
            bool ok = write(path[r.key], content);
            // An Auto name has no year: the file's date gives it.
            if (r.barcode.isEmpty()) {
                QFile f(path[r.key]);
                ok = ok && f.open(QIODevice::ReadWrite) && f.setFileTime(at, QFileDevice::FileModificationTime);
            }
            return ok;
        };
        for (const Run &r : runs)
            QVERIFY(file(r));
        QVERIFY(file(retests.front()));
        const auto keysOf = [&](const QSqlDatabase &d, const QString &sql) {
            QStringList keys;
            QSqlQuery q(d);
            q.exec(sql);
            while (q.next())
                keys << key.value(q.value(0).toString(), q.value(0).toString()) + q.value(1).toString();
            keys.sort();
            return keys;
        };
        // A run's two flags after its key.
        const QString flags = "SELECT run_id, panel_first || '' || panel_last FROM runs";
        const auto dump = [](const QSqlDatabase &d) {
            QStringList rows;
            for (const char *table : {"runs", "items", "outbox", "quarantine", "yield_quarters", "pruned_runs", "pruning"}) {
                QSqlQuery q(d);
                q.exec(QStringLiteral("SELECT * FROM %1").arg(table));
                while (q.next()) {
                    QStringList values{QLatin1String(table)};
                    for (int i = 0; i < q.record().count(); ++i)
                        values << q.value(i).toString();
                    rows << values.join('|');
                }
            }
            rows.sort();
            return rows;
        };

        // A store that prunes nothing, for what the counts must be.
        ResultStore reference;
        QVERIFY(reference.openLocal(dir.filePath("reference.db"), nullptr));
        QStringList yieldBefore, stays;
        {
            ResultStore store;
            QVERIFY(store.openLocal(db, nullptr));
            for (const Run &r : runs) {
                // Judged under one profile text, which every run names.
                RunContext judged = contextFromFile(path[r.key], "ST1");
                judged.profileText = "[General]\nElectric_thr=20\n";
                for (ResultStore *s : {&store, &reference})
                    QCOMPARE(s->record(judged, nullptr), Recorded::Added);
                QSqlQuery q(store.database());
                const QString runId = scalar(store, "SELECT run_id FROM runs WHERE file_path = ?", {path[r.key]}).toString();
                if (r.state != "waiting")
                    QVERIFY(q.exec("DELETE FROM outbox WHERE run_id = '" + runId + "'"));
                if (r.state == "refused")
                    QVERIFY(q.exec("INSERT INTO quarantine (run_id, refused_at, attempts, reason) VALUES ('" + runId
                                   + "', 0, 3, 'refused')"));
                if (r.at >= 0 || r.state != "sent")
                    stays << r.key;
            }
            yieldBefore = yieldRows(store.database(), true);
            QCOMPARE(scalar(store, "SELECT COUNT(DISTINCT run_id) FROM measurements").toInt(), int(runs.size()));
            retention::Pruned surveyed;
            QString error;
            QVERIFY2(retention::survey(store.database(), cut, surveyed, &error), qPrintable(error));
            QCOMPARE(surveyed.runs, edges ? 6 : 5);
            QCOMPARE(surveyed.waiting, 1);
            QCOMPARE(surveyed.refused, 1);
            const QStringList before = dump(store.database());
            if (how == "dry run") {
                QCOMPARE(dump(store.database()), before);
                return;
            }
            if (how != "recorder") {
                // Two runs a step: the walk goes on from where it stopped.
                retention::Walk walk;
                walk.before = cut;
                retention::Pruned pruned;
                for (int steps = 0; !walk.done; ++steps) {
                    QVERIFY2(retention::step(store.database(), walk, 2, pruned, &error), qPrintable(error));
                    QVERIFY(steps < 10);
                }
                QCOMPARE(pruned.runs, surveyed.runs);
                QCOMPARE(pruned.waiting, 1);
                QCOMPARE(pruned.refused, 1);
            }
        }
        const QStringList folders{dir.filePath("resultsPASS"), dir.filePath("resultsFAIL")};
        if (how == "recorder") {
            ResultRecorder recorder(db);
            QSignalSpy recorded(&recorder, &ResultRecorder::recorded);
            recorder.retain(KeepDays);
            {
                ResultStore look;
                QVERIFY(look.openLocal(db, nullptr));
                QTRY_COMPARE(scalar(look, "SELECT runs FROM pruning").toInt(), 5);
            }
            // The files are all there, changed today: the catch-up looks at
            // every one of them and records none of the pruned again.
            recorder.catchUp({folders, {}, {}, "ST1"});
            recorder.record(contextFromFile(path["A'"], "ST1"));
            QTRY_VERIFY(!recorded.isEmpty() && recorded.last().at(0).toString() == path["A'"]);
        } else if (how == "rebuilt") {
            {
                ResultStore store;
                QVERIFY(store.openLocal(db, nullptr));
                QSqlQuery q(store.database());
                QVERIFY(q.exec("SELECT rootpage FROM sqlite_master WHERE name = 'runs_lot'") && q.next());
                const qint64 page = q.value(0).toLongLong();
                QVERIFY(q.exec("PRAGMA page_size") && q.next());
                const qint64 pageSize = q.value(0).toLongLong();
                q.finish();
                store.close();
                QFile file(db);
                QVERIFY(file.open(QIODevice::ReadWrite) && file.seek((page - 1) * pageSize)
                        && file.write(QByteArray(int(pageSize), '\xff')) == pageSize);
            }
            ResultRecorder recorder(db);
            QSignalSpy rebuilt(&recorder, &ResultRecorder::rebuilt);
            QSignalSpy recorded(&recorder, &ResultRecorder::recorded);
            recorder.catchUp({folders, {}, {}, "ST1"});
            recorder.record(contextFromFile(path["A'"], "ST1"));
            QTRY_COMPARE_WITH_TIMEOUT(rebuilt.count(), 1, 20000);
            QTRY_VERIFY(!recorded.isEmpty() && recorded.last().at(0).toString() == path["A'"]);
        }

        ResultStore store;
        QVERIFY(store.openLocal(db, nullptr));
        // What went: the acknowledged runs before the cut, with their items;
        // the files stay.
        QStringList kept = keysOf(store.database(), "SELECT run_id, '' FROM runs");
        kept.removeAll("A'");
        stays.sort();
        QCOMPARE(kept, stays);
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM items WHERE run_id NOT IN (SELECT run_id FROM runs)").toInt(), 0);
        // Their measurements went with them; the profile text the kept runs
        // name stays, with its version in the profile's history (a store
        // rebuilt from a damaged one no longer knows what its runs were
        // judged against).
        QCOMPARE(scalar(store, "SELECT COUNT(DISTINCT run_id) FROM measurements").toInt(),
                 scalar(store, "SELECT COUNT(*) FROM runs").toInt());
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM measurements WHERE run_id NOT IN (SELECT run_id FROM runs)").toInt(), 0);
        if (how != "rebuilt") {
            QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs r JOIN texts t ON t.sha1 = r.profile_sha1").toInt(),
                     int(kept.size()));
            QCOMPARE(scalar(store, "SELECT COUNT(*) FROM profile_versions").toInt(), 1);
        }
        for (const QString &file : std::as_const(path))
            QVERIFY(QFile::exists(file));
        qint64 horizon = 0;
        QVERIFY(retention::horizon(store.database(), horizon, nullptr));
        QVERIFY2(horizon == cut || (how == "recorder" && horizon == cut + retention::QuarterMs),
                 qPrintable(QString::number(horizon - cut)));
        // The pruned panels' first and latest runs, nothing of a run without
        // a barcode; the counts of the quarters before the cut as they were.
        QStringList husks{"A11", "B110", "B201", "C110"};
        if (edges)
            husks << "F11";
        if (how == "recorder" || how == "rebuilt")
            husks[0] = "A10"; // its retest came meanwhile
        const QString huskFlags = "SELECT run_id, panel_first || '' || panel_last FROM pruned_runs";
        QCOMPARE(keysOf(store.database(), huskFlags), husks);
        if (how == "steps") {
            QCOMPARE(yieldRows(store.database(), true), yieldBefore);
            QCOMPARE(scalar(store, "SELECT runs FROM pruning").toInt(), 6);
        }
        // The line still lacks these: a rebuilt store sends them (again);
        // the run the server refused stays aside, rebuilt or not.
        const QStringList waiting = how == "recorder" || how == "rebuilt" ? QStringList{"A'", "W"} : QStringList{"W"};
        QCOMPARE(keysOf(store.database(), "SELECT run_id, '' FROM outbox"), waiting);
        QCOMPARE(keysOf(store.database(), "SELECT run_id, '' FROM quarantine"), QStringList{"Q"});

        // The retests, on both stores: a retest of a panel whose first (and
        // latest) run was pruned is a retest, never a new panel.
        for (const Run &r : retests) {
            QVERIFY(path.contains(r.key) || file(r));
            if (r.key != "A'" || how == "steps")
                QCOMPARE(store.record(contextFromFile(path[r.key], "ST1"), nullptr), Recorded::Added);
            QCOMPARE(reference.record(contextFromFile(path[r.key], "ST1"), nullptr), Recorded::Added);
            stays << r.key;
        }
        QCOMPARE(yieldRows(store.database(), true), yieldRows(reference.database(), true));
        QStringList referenceFlags;
        for (const QString &flagged : keysOf(reference.database(), flags))
            if (stays.contains(flagged.chopped(2)))
                referenceFlags << flagged;
        QCOMPARE(keysOf(store.database(), flags), referenceFlags);
        husks = QStringList{"A10", "B110", "C110"};
        if (edges)
            husks << "F10";
        QCOMPARE(keysOf(store.database(), huskFlags), husks);
    }

    // The station says once when line.ini is unsafe: a password in it, or
    // a file that others may read.
    void lineSettingsSaySoWhenUnsafe_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("othersRead");
        QTest::addColumn<QStringList>("says");
        const QByteArray plain = "[line]\nconnection=host=db user=st07 sslmode=verify-full\n";
        QTest::newRow("safe") << plain << false << QStringList();
        QTest::newRow("a password") << QByteArray("[line]\nconnection=host=db user=st07 password=x\n") << false
                                    << QStringList{"holds a password"};
        QTest::newRow("a password in a URI") << QByteArray("[line]\nconnection=\"postgresql://st07:x@db/results\"\n")
                                             << false << QStringList{"holds a password"};
        QTest::newRow("a password for reading only")
            << QByteArray("[line]\nconnection=host=db\nreader=host=db password = y\n") << false
            << QStringList{"holds a password"};
        QTest::newRow("readable by others") << plain << true << QStringList{"can be read by other users"};
        QTest::newRow("both") << QByteArray("[line]\nconnection=password=x\n") << true
                              << QStringList{"holds a password", "can be read by other users"};
    }
    void lineSettingsSaySoWhenUnsafe()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, othersRead);
        QFETCH(QStringList, says);
        QTemporaryDir dir;
        const QString ini = dir.filePath("line.ini");
        QCOMPARE(lineSettingsWarnings(ini), QStringList());
        QVERIFY(write(ini, text));
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::WriteOwner
                                               | (othersRead ? QFile::ReadOther : QFile::Permissions())));
        const QStringList warnings = lineSettingsWarnings(ini);
        QCOMPARE(warnings.size(), says.size());
        for (qsizetype i = 0; i < says.size(); ++i)
            QVERIFY2(warnings[i].contains(says[i]), qPrintable(warnings[i]));
    }

    // The identity a station claims its id with: the same at every start,
    // another for another station folder; its key readable by its owner only.
    void machineIdentityKeptBesideTheStation()
    {
        QTemporaryDir dir;
        const QString key = dir.filePath("line.id");
        const QString identity = machineIdentity(key);
        QCOMPARE(identity.size(), 32);
        QCOMPARE(machineIdentity(key), identity);
        QCOMPARE(QFile::permissions(key) & (QFile::ReadGroup | QFile::ReadOther), QFile::Permissions());
        QVERIFY(machineIdentity(dir.filePath("other.id")) != identity);
        QVERIFY(QFile::remove(key));
        QVERIFY(machineIdentity(key) != identity);
    }

    void aNewerStoreIsRefused()
    {
        QTemporaryDir dir;
        {
            ResultStore store;
            QVERIFY(store.openLocal(dir.filePath("results.db"), nullptr));
            QSqlQuery(store.database()).exec("UPDATE schema_version SET version = 99");
        }
        ResultStore again;
        QString error;
        QVERIFY(!again.openLocal(dir.filePath("results.db"), &error));
        QVERIFY2(error.contains("newer"), qPrintable(error));
    }

    // A store that another program holds locked, that the station may not
    // write, or whose disk is full: the reason once, and once it is fixed
    // the run kept meanwhile is recorded with the next.
    void recorderThroughAStoreThatRefuses_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::newRow("locked") << "locked";
        QTest::newRow("read-only") << "read-only";
        QTest::newRow("full") << "full";
    }
    void recorderThroughAStoreThatRefuses()
    {
        QFETCH(QString, fault);
        QTemporaryDir dir;
        const QString db = dir.filePath("results.db");
        QStringList filed;
        for (int i = 0; i < 3; ++i) {
            filed << dir.filePath(QStringLiteral("resultsPASS/SN%1-2026120609410%1-00-00-Pass.csv").arg(i));
            QVERIFY(write(filed.last(), stationResultFile("run-pass-30x20.csv")));
        }
        {
            ResultStore store; // the file exists before the fault
            QVERIFY(store.openLocal(db, nullptr));
        }
        ResultStore locker;
        std::optional<FileModesBind> asAUser;
        if (fault == "read-only") {
            // The recorder's thread is made without root's right to write anyway.
            QVERIFY(QFile::setPermissions(db, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
            asAUser.emplace();
        }
        ResultRecorder recorder(db);
        asAUser.reset();
        QSignalSpy down(&recorder, &ResultRecorder::unavailable);
        QSignalSpy up(&recorder, &ResultRecorder::available);
        QSignalSpy recorded(&recorder, &ResultRecorder::recorded);
        if (fault == "full") {
            recorder.record(contextFromFile(filed[0], "ST1"));
            QTRY_COMPARE(recorded.count(), 1);
            // No file may grow past what it is now, as on a full disk. (One
            // limit for all: the log's, which the next run's rows would
            // grow, where it is smaller than the store.)
            const qint64 wal = QFileInfo(db + "-wal").size();
            const qint64 now = wal > 0 ? std::min(QFileInfo(db).size(), wal) : QFileInfo(db).size();
            QVERIFY(now > 0);
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{rlim_t(now), RLIM_INFINITY};
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
        } else if (fault == "locked") {
            QVERIFY(locker.openLocal(db, nullptr));
            QVERIFY(QSqlQuery(locker.database()).exec("BEGIN EXCLUSIVE"));
        }
        recorder.record(contextFromFile(filed[1], "ST1"));
        QTRY_COMPARE_WITH_TIMEOUT(down.count(), 1, 10000);
        QVERIFY2(!down.first().at(0).toString().isEmpty(), "no reason given");

        if (fault == "full") {
            const rlimit none{RLIM_INFINITY, RLIM_INFINITY};
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &none), 0);
        } else if (fault == "locked") {
            QVERIFY(QSqlQuery(locker.database()).exec("ROLLBACK"));
            locker.close();
        } else {
            // SQLite made its -wal and -shm files as read-only as the store:
            // the store is the three files.
            for (const QString &file : {db, db + "-wal", db + "-shm"})
                QVERIFY(!QFile::exists(file)
                        || QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        }
        recorder.record(contextFromFile(filed[2], "ST1"));
        QTRY_COMPARE_WITH_TIMEOUT(up.count(), 1, 10000);
        QTRY_COMPARE(recorded.count(), fault == "full" ? 3 : 2);
        QCOMPARE(down.count(), 1);
        ResultStore store;
        QVERIFY(store.openLocal(db, nullptr));
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs").toInt(), fault == "full" ? 3 : 2);
    }

    // The recorder through a store that cannot be written, then a corrupt one:
    // the reason once, the runs kept and recorded once the store works, a
    // corrupt file moved aside and the store rebuilt from the folders.
    void recorderThroughABrokenStore()
    {
        QTemporaryDir dir;
        const QString db = dir.filePath("results.db");
        QVERIFY(QDir().mkpath(db)); // a folder where the file should be
        const QString filed = dir.filePath("resultsPASS/SN1-20261206094107-00-00-Pass.csv");
        QVERIFY(write(filed, stationResultFile("run-pass-30x20.csv")));
        {
            ResultRecorder recorder(db);
            QSignalSpy down(&recorder, &ResultRecorder::unavailable);
            QSignalSpy up(&recorder, &ResultRecorder::available);
            QSignalSpy recorded(&recorder, &ResultRecorder::recorded);
            RunContext c = contextFromFile(filed, "ST1");
            recorder.record(c);
            recorder.record(c);
            QTRY_COMPARE(down.count(), 1);
            QVERIFY(QDir().rmdir(db));
            // Fixed: the next run brings the kept ones in too.
            const QString second = dir.filePath("resultsFAIL/SN2-20261206094108-00-00-Fail.csv");
            QVERIFY(write(second, stationResultFile("run-fail-30x20.csv")));
            recorder.record(contextFromFile(second, "ST1"));
            QTRY_COMPARE(up.count(), 1);
            QTRY_COMPARE(recorded.count(), 3);
            QCOMPARE(down.count(), 1);
        }
        ResultStore store;
        QVERIFY(store.openLocal(db, nullptr));
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs").toInt(), 2);
    }

    // What was filed but never recorded is found at start-up among the files
    // changed since a day before the newest run recorded up to now: a run
    // recorded while the clock was ahead bounds nothing.
    void catchUpFindsWhatWasNeverRecorded_data()
    {
        QTest::addColumn<qint64>("newestRun"); // recorded at, from now, in minutes
        QTest::addColumn<qint64>("filed");     // the unrecorded file's time, from now, in minutes
        QTest::addColumn<bool>("found");
        QTest::newRow("stopped between filing and recording") << qint64(-120) << qint64(-60) << true;
        QTest::newRow("clock set back two hours") << qint64(-60) << qint64(-180) << true;
        QTest::newRow("a run recorded while the clock was a year ahead") << qint64(365 * 1440) << qint64(-60) << true;
        QTest::newRow("a day and a minute before the newest run") << qint64(-60) << qint64(-60 - 1441) << false;
    }
    void catchUpFindsWhatWasNeverRecorded()
    {
        QFETCH(qint64, newestRun);
        QFETCH(qint64, filed);
        QFETCH(bool, found);
        QTemporaryDir dir;
        const QString db = dir.filePath("results.db");
        const QString recorded = dir.filePath("resultsPASS/SN1-20261206090000-00-00-Pass.csv");
        const QString missing = dir.filePath("resultsPASS/SN2-20261206100000-00-00-Pass.csv");
        const QString next = dir.filePath("resultsPASS/SN3-20261206110000-00-00-Pass.csv");
        for (const QString &file : {recorded, missing, next})
            QVERIFY(write(file, stationResultFile("run-pass-30x20.csv") + QFileInfo(file).fileName().toLatin1()));
        const QDateTime now = QDateTime::currentDateTime();
        {
            QFile f(missing);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.setFileTime(now.addSecs(filed * 60), QFileDevice::FileModificationTime));
            ResultStore store;
            QVERIFY(store.openLocal(db, nullptr));
            QCOMPARE(store.record(contextFromFile(recorded, "ST1"), nullptr), Recorded::Added);
            QSqlQuery q(store.database());
            QVERIFY(q.exec(QStringLiteral("UPDATE runs SET recorded_at = %1")
                               .arg(now.addSecs(newestRun * 60).toMSecsSinceEpoch())));
        }
        {
            ResultRecorder recorder(db);
            QSignalSpy spy(&recorder, &ResultRecorder::recorded);
            recorder.catchUp({{dir.filePath("resultsPASS")}, {}, {}, "ST1"});
            recorder.record(contextFromFile(next, "ST1")); // taken after the catch-up
            QTRY_VERIFY(!spy.isEmpty() && spy.last().at(0).toString() == next);
        }
        ResultStore store;
        QVERIFY(store.openLocal(db, nullptr));
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM runs WHERE file_path = ?", {missing}).toInt(), found ? 1 : 0);
    }

    // A store that SQLite finds damaged, on opening it or only when a run is
    // written: what it still holds is salvaged (runs whose files were
    // archived away included, a run that filed nothing, the items a run
    // handed beside its file), the folders it named are read again with the
    // configured ones, runs keep their ids (an older version's too), the sent
    // stay sent, the refused stay aside with the server's reason, and the
    // unsent keep their place in the outbox and their refusals so far.
    void recorderRebuildsADamagedStore_data()
    {
        QTest::addColumn<QString>("damage");
        // "ids": its runs have ids from before ids were made from files; "schema
        // 2": and it is as that version left it (no quarantine, no refusals kept).
        QTest::addColumn<QString>("made");
        QTest::addColumn<QStringList>("runs");   // the files whose runs are there afterwards
        QTest::addColumn<QStringList>("kept");   // of the unsent, those that keep their place, in order
        QTest::addColumn<QStringList>("queued"); // sent anew, in any order
        const QStringList unsent{"P2", "P3", "P4", "O1"};
        const QStringList all{"P1", "P2", "P3", "P4", "A1", "O1", "Q1", "O2", "P5", "P6"};
        // Damaged where it cannot be read at all: only the configured folders are left.
        QTest::newRow("not a database") << "header" << "" << QStringList{"P1", "P2", "P3", "P4", "P5", "P6"}
                                        << QStringList{} << QStringList{"P1", "P2", "P3", "P4", "P5", "P6"};
        // Shows only when a run is written into the index.
        QTest::newRow("an index page") << "index" << "" << all << unsent << QStringList{"O2", "P5", "P6"};
        QTest::newRow("an index page, ids of an older version") << "index" << "ids" << all << unsent
                                                                << QStringList{"O2", "P5", "P6"};
        // The first leaf of runs: the runs on it are read again from their
        // files (the test finds which), and queued anew, even one sent before.
        QTest::newRow("a page of runs") << "runs" << "" << all << unsent << QStringList{"O2", "P5", "P6"};
        QTest::newRow("a page of runs, ids of an older version") << "runs" << "ids" << all << unsent
                                                                 << QStringList{"O2", "P5", "P6"};
        QTest::newRow("an index page, a store of schema 2") << "index" << "schema 2" << all << unsent
                                                            << QStringList{"O2", "P5", "P6"};
    }
    void recorderRebuildsADamagedStore()
    {
        QFETCH(QString, damage);
        QFETCH(QString, made);
        const bool older = !made.isEmpty();
        const bool refusalsKept = made != "schema 2";
        QFETCH(QStringList, runs);
        QFETCH(QStringList, kept);
        QFETCH(QStringList, queued);
        QTemporaryDir dir;
        const QString db = dir.filePath("results.db");
        // P: the configured folder; A: an archive whose file is gone since;
        // O and Q: another profile's log folder, named only by its runs.
        QHash<QString, QString> path;
        QHash<QString, QString> id; // each key's run id from its file
        const auto add = [&](const QString &key, const QString &folder, int second) {
            path[key] = dir.filePath(QStringLiteral("%1/%2-202612060900%3-00-00-Pass.csv")
                                         .arg(folder, key)
                                         .arg(second, 2, 10, QLatin1Char('0')));
            const QByteArray content = stationResultFile("run-pass-30x20.csv") + key.toLatin1() + "\n";
            id[key] = fileRunId("ST1", QFileInfo(path[key]).fileName(), contentHash(content));
            return write(path[key], content);
        };
        const auto folderOf = [](const QString &key) {
            return key.startsWith('P') ? "resultsPASS" : key.startsWith('A') ? "archive" : "logpass";
        };
        const QStringList before{"P1", "P2", "P3", "P4", "A1", "O1", "Q1"};
        int second = 0;
        for (const QString &key : before)
            QVERIFY(add(key, folderOf(key), ++second));
        // A run that filed nothing, with what it handed over.
        RunContext nothing;
        nothing.runId = newRunId();
        nothing.station = "ST1";
        nothing.barcode = "N1";
        nothing.startedAt = QDateTime(QDate(2026, 12, 6), QTime(9, 30));
        nothing.endedAt = nothing.startedAt.addSecs(5);
        nothing.verdict = "FAIL";
        nothing.items = {{"button_status", false, QVariant(), "no answer"}};
        QStringList outboxBefore;
        QHash<QString, QString> salvagedId; // what the damaged store had each run under
        {
            ResultStore store;
            QVERIFY(store.openLocal(db, nullptr));
            for (const QString &key : before) {
                RunContext c = contextFromFile(path[key], "ST1");
                // P2 handed the operator's border test over beside its file.
                if (key == "P2")
                    c.items = {{"border", true, QVariant(), QString()}};
                QCOMPARE(store.record(c, nullptr), Recorded::Added);
                salvagedId[key] = id[key];
            }
            QCOMPARE(store.record(nothing, nullptr), Recorded::Added);
            QSqlQuery q(store.database());
            if (older) {
                // Recorded before ids were made from the files: each its own UUID.
                QVERIFY(q.exec("PRAGMA foreign_keys=OFF"));
                for (const QString &key : before) {
                    salvagedId[key] = newRunId();
                    for (const char *table : {"runs", "items", "failing_cells", "failing_electrodes", "outbox"})
                        QVERIFY(q.exec(QStringLiteral("UPDATE %1 SET run_id = '%2' WHERE run_id = '%3'")
                                           .arg(table, salvagedId[key], id[key])));
                }
                QVERIFY(q.exec("PRAGMA foreign_keys=ON"));
            }
            // P1 and A1 were sent, Q1 refused three times and put aside, P3
            // refused once; the outbox's order is not that of the ids.
            QVERIFY(q.exec("DELETE FROM outbox WHERE run_id IN (SELECT run_id FROM runs WHERE file_path LIKE '%P1-%'"
                           " OR file_path LIKE '%A1-%')"));
            QVERIFY(q.exec("INSERT INTO quarantine (run_id, refused_at, attempts, reason) SELECT run_id, 77, 3,"
                           " 'a value out of range' FROM runs WHERE file_path LIKE '%Q1-%'"));
            QVERIFY(q.exec("DELETE FROM outbox WHERE run_id IN (SELECT run_id FROM quarantine)"));
            QVERIFY(q.exec("UPDATE outbox SET attempts = 1, last_error = 'a lock timed out' WHERE run_id IN"
                           " (SELECT run_id FROM runs WHERE file_path LIKE '%P3-%')"));
            QVERIFY(q.exec("UPDATE outbox SET queued_at = (SELECT 100 - started_at / 1000 % 100 FROM runs"
                           " WHERE runs.run_id = outbox.run_id)"));
            QVERIFY(q.exec("UPDATE outbox SET queued_at = 200 WHERE run_id = '" + nothing.runId + "'"));
            if (!refusalsKept) {
                // Schema 2 kept neither: Q1 was taken as sent.
                QVERIFY(q.exec("DROP TABLE quarantine"));
                QVERIFY(q.exec("ALTER TABLE outbox DROP COLUMN attempts"));
                QVERIFY(q.exec("ALTER TABLE outbox DROP COLUMN last_error"));
                QVERIFY(q.exec("UPDATE schema_version SET version = 2"));
            }
            QVERIFY(q.exec("SELECT r.file_path FROM outbox o JOIN runs r ON r.run_id = o.run_id"
                           " WHERE r.file_name <> '' ORDER BY o.queued_at, o.run_id"));
            while (q.next())
                outboxBefore << QFileInfo(q.value(0).toString()).fileName().left(2);
            QCOMPARE(outboxBefore, (QStringList{"O1", "P4", "P3", "P2"}));
            if (damage == "runs") {
                // The first leaf in key order holds the first runs recorded;
                // A1, whose file is gone, must not be among them.
                QVERIFY(q.exec("SELECT pageno, ncell FROM dbstat WHERE name = 'runs' AND pagetype = 'leaf' ORDER BY path"));
                QVERIFY(q.next());
                const int lost = q.value(1).toInt();
                QVERIFY2(lost >= 1 && lost <= 4, qPrintable(QString::number(lost)));
                for (const QString &key : QStringList{"P1", "P2", "P3", "P4"}.mid(0, lost)) {
                    kept.removeOne(key);
                    queued << key;
                    salvagedId.remove(key);
                }
                queued.sort();
            } else {
                QVERIFY(q.exec("SELECT rootpage FROM sqlite_master WHERE name = 'runs_lot'") && q.next());
            }
            const qint64 page = q.value(0).toLongLong();
            q.finish();
            QVERIFY(q.exec("PRAGMA page_size") && q.next());
            const qint64 pageSize = q.value(0).toLongLong();
            q.finish();
            store.close();
            QVERIFY(!QFile::exists(db + "-wal")); // everything is in the file itself
            QFile file(db);
            QVERIFY(file.open(QIODevice::ReadWrite));
            if (damage == "header")
                QVERIFY(file.write(QByteArray(8192, 'x')) == 8192);
            else
                QVERIFY(file.seek((page - 1) * pageSize) && file.write(QByteArray(int(pageSize), '\xff')) == pageSize);
        }
        if (damage == "header")
            salvagedId.clear();
        QVERIFY(QFile::remove(path["A1"]));                         // archived away
        QVERIFY(add("O2", "logpass", 7) && add("P5", "resultsPASS", 8)); // filed, never recorded
        QVERIFY(add("P6", "resultsPASS", 9));
        QString summary;
        {
            ResultRecorder recorder(db);
            QSignalSpy rebuilt(&recorder, &ResultRecorder::rebuilt);
            QSignalSpy recorded(&recorder, &ResultRecorder::recorded);
            recorder.catchUp({{dir.filePath("resultsPASS"), dir.filePath("resultsFAIL")}, {}, {}, "ST1"});
            recorder.record(contextFromFile(path["P6"], "ST1")); // handed over meanwhile
            QTRY_COMPARE_WITH_TIMEOUT(rebuilt.count(), 1, 20000);
            QTRY_VERIFY(recorded.count() > 0 && recorded.last().at(0).toString() == path["P6"]);
            summary = rebuilt.first().at(0).toString();
            QVERIFY2(summary.contains("results.db.corrupt-") && !summary.contains('\n'), qPrintable(summary));
        }
        QCOMPARE(QDir(dir.path()).entryList({"results.db.corrupt-*"}).size(), 1);
        QCOMPARE(QDir(dir.path()).entryList({"results.db.rebuild*"}), QStringList());
        const bool salvaged = damage != "header";
        QCOMPARE(summary.contains(", 1 kept aside as the line's server refused them"), salvaged && refusalsKept);

        ResultStore store;
        QVERIFY(store.openLocal(db, nullptr));
        QSqlQuery q(store.database());
        QStringList found;
        QVERIFY(q.exec("SELECT file_path, run_id FROM runs WHERE file_name <> '' ORDER BY file_path"));
        QHash<QString, QString> ids;
        while (q.next()) {
            const QString key = QFileInfo(q.value(0).toString()).fileName().left(2);
            found << key;
            ids[key] = q.value(1).toString();
        }
        QStringList expected = runs;
        expected.sort();
        found.sort();
        QCOMPARE(found.join(" "), expected.join(" "));
        // Runs keep their ids: the salvaged ones what the store had them
        // under, the ones read again from their files the files' own.
        for (const QString &key : std::as_const(found))
            QCOMPARE(ids[key], salvagedId.value(key, id[key]));
        QStringList outbox;
        QVERIFY(q.exec("SELECT r.file_path FROM outbox o JOIN runs r ON r.run_id = o.run_id WHERE r.file_name <> ''"
                       " ORDER BY o.queued_at, o.run_id"));
        while (q.next())
            outbox << QFileInfo(q.value(0).toString()).fileName().left(2);
        QStringList keptBefore;
        for (const QString &key : outboxBefore)
            if (kept.contains(key))
                keptBefore << key;
        QCOMPARE(outbox.mid(0, kept.size()), keptBefore);
        QStringList anew = outbox.mid(kept.size());
        anew.sort();
        QCOMPARE(anew, queued);
        // A refusal so far stays with its run; the run put aside stays aside.
        QCOMPARE(scalar(store, "SELECT attempts || ':' || last_error FROM outbox WHERE run_id = ?", {ids["P3"]}).toString(),
                 salvagedId.contains("P3") && refusalsKept ? "1:a lock timed out" : "0:");
        QCOMPARE(scalar(store, "SELECT attempts || ':' || reason || ':' || refused_at FROM quarantine WHERE run_id = ?",
                        {ids.value("Q1")})
                     .toString(),
                 salvaged && refusalsKept ? "3:a value out of range:77" : QString());
        // The run that filed nothing, with its item and its place in the outbox.
        QCOMPARE(scalar(store,
                        "SELECT r.verdict || ':' || i.item || ':' || i.text || ':' || o.queued_at FROM runs r"
                        " JOIN items i ON i.run_id = r.run_id JOIN outbox o ON o.run_id = r.run_id WHERE r.run_id = ?",
                        {nothing.runId})
                     .toString(),
                 salvaged ? "FAIL:button_status:no answer:200" : QString());
        // What P2 handed beside its file, where P2 was salvaged.
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM items WHERE item = 'border' AND pass = 1").toInt(),
                 salvagedId.contains("P2") ? 1 : 0);
        // Everything a run's text gives is made anew from it.
        QCOMPARE(scalar(store, "SELECT COUNT(*) FROM items WHERE item = 'reset'").toInt(), runs.size());
        QCOMPARE(yieldRows(store.database(), true), yieldRows(store.database(), false));
    }
};

QTEST_GUILESS_MAIN(TestResultsStore)
#include "tst_results_store.moc"
