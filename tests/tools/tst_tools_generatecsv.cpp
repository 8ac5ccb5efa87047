// Baseline generation: the average of the collected result files, rounded up,
// written whole or not at all, and read back by the run.
#include "../app/modalanswer.h"
#include "baseline.h"
#include "generatecsv.h"
#include "settings.h"

#include "markingtranslator.h"

#include <QtTest>

#include <cmath>
#include <QLabel>
#include <QPushButton>

#include <climits>
#include <functional>

using tools::BaselineGeneration;
using tools::generateBaseline;

namespace {

using Cell = std::function<int(int table, int row, int column)>;

// A result file as the run writes it, each cell's value from cell(): table 0
// the X line, 1 the Y line, 2 the raster rows 0..2*YN+1. extra values go
// after each line's own, as a longer panel's file would have them.
QByteArray resultFile(int xn, int yn, const Cell &cell, int extra = 0)
{
    const auto line = [&](int table, int row, int count) {
        QByteArray text;
        for (int k = 0; k < count + extra; ++k)
            text += QByteArray::number(k < count ? cell(table, row, k) : 99999) + ',';
        return text + '\n';
    };
    QByteArray f = "Electric,PASS,12MA,12MA,13MA\nOpenShort:,PASS,\n";
    f += "X," + line(0, 0, xn - 1) + "Y," + line(1, 0, yn - 1) + "DJitter:\nX,0\nY,0\n";
    f += "RasterX:,PASS,\n";
    for (int r = 0; r <= yn; ++r)
        f += line(2, r, xn + 1);
    f += "RJitterX:\n0,\n";
    f += "RasterY:,PASS,\n";
    for (int r = yn + 1; r <= 2 * yn + 1; ++r)
        f += line(2, r, xn + 1);
    f += "RJitterY:\n0,\nReset:,PASS\n";
    return f;
}

Cell constant(int v)
{
    return [v](int, int, int) { return v; };
}

// Different in every cell, so that a value landing in the wrong cell shows.
int pattern(int table, int row, int column)
{
    return 1000 * table + 40 * row + column;
}

void write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(bytes), bytes.size());
}

QByteArray read(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

bool everyCell(const production::Baseline &b, float v)
{
    for (float c : b.x)
        if (c != v)
            return false;
    for (float c : b.y)
        if (c != v)
            return false;
    for (const auto &row : b.raster)
        for (float c : row)
            if (c != v)
                return false;
    return true;
}

} // namespace

class TestToolsGenerateCsv : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString log() const { return m_dir.filePath(QStringLiteral("log")); }
    QString at(const QString &name) const { return log() + QLatin1Char('/') + name; }

private slots:
    void init()
    {
        QDir(log()).removeRecursively();
        QVERIFY(QDir().mkpath(log()));
    }

    void roundsUp_data()
    {
        QTest::addColumn<QList<int>>("files");
        QTest::addColumn<int>("expected");

        QTest::newRow("ten files of 1") << QList<int>(10, 1) << 2;
        QTest::newRow("fourteen of 10") << QList<int>(14, 10) << 11;
        QTest::newRow("three of 10") << QList<int>(3, 10) << 10;
        QTest::newRow("10, 10, 11") << QList<int>{10, 10, 11} << 11;
        QTest::newRow("one file") << QList<int>{-37} << -37;
        QTest::newRow("-2.5 rounds to -2") << QList<int>{-2, -3} << -2;
    }

    void roundsUp()
    {
        QFETCH(QList<int>, files);
        QFETCH(int, expected);
        for (int i = 0; i < files.size(); ++i)
            write(at(QStringLiteral("%1.csv").arg(i, 2, 10, QLatin1Char('0'))), resultFile(5, 4, constant(files[i])));
        production::Baseline baseline;
        const BaselineGeneration g = generateBaseline(log(), 5, 4, baseline);
        QCOMPARE(g.status, BaselineGeneration::Status::Written);
        QCOMPARE(g.used, int(files.size()));
        QVERIFY(everyCell(baseline, float(expected)));
        const QByteArray v = QByteArray::number(expected) + ',';
        QCOMPARE(read(at("baseline.csv")).split('\n').at(1), v + v + v + v);
        // The collected files are used up; only the baseline remains.
        QCOMPARE(QDir(log()).entryList(QDir::Files), QStringList{"baseline.csv"});
    }

    // Every value lands in its own cell; the layout is the one the run reads.
    void oneFileReproducesItself()
    {
        write(at("a.csv"), resultFile(3, 2, pattern));
        production::Baseline baseline;
        QCOMPARE(generateBaseline(log(), 3, 2, baseline).status, BaselineGeneration::Status::Written);
        QCOMPARE(read(at("baseline.csv")), QByteArray("Debug:\n0,1,\n1000,\nRasterX:\n"
                                                      "2000,2001,2002,2003,\n2040,2041,2042,2043,\n"
                                                      "2080,2081,2082,2083,\nRasterY:\n"
                                                      "2120,2121,2122,2123,\n2160,2161,2162,2163,\n"
                                                      "2200,2201,2202,2203,\n"));
        production::Baseline loaded;
        Settings store;
        QVERIFY(production::loadBaseline(store, 3, 2, loaded, nullptr, log()));
        QCOMPARE(loaded.x, baseline.x);
        QCOMPARE(loaded.y, baseline.y);
        QCOMPARE(loaded.raster, baseline.raster);
    }

    void singleXElectrodeWritesAnEmptyLine()
    {
        write(at("a.csv"), resultFile(1, 2, constant(5)));
        production::Baseline baseline;
        QCOMPARE(generateBaseline(log(), 1, 2, baseline).status, BaselineGeneration::Status::Written);
        QVERIFY(read(at("baseline.csv")).startsWith("Debug:\n\n5,\nRasterX:\n5,5,\n"));
    }

    // Files that stop early or lack a marker are skipped: not counted, named,
    // kept; a longer line gives no more values than the table holds.
    void skipsIncompleteFiles_data()
    {
        QTest::addColumn<QByteArray>("broken");

        const QByteArray whole = resultFile(5, 4, constant(100));
        QTest::newRow("ends in the X raster") << whole.left(whole.indexOf("RasterX:") + 40);
        QTest::newRow("ends inside the last row") << whole.left(whole.indexOf("RJitterY") - 6);
        QTest::newRow("no RasterY") << QByteArray(whole).replace("RasterY", "RasterZ");
        QTest::newRow("no OpenShort") << QByteArray(whole).replace("OpenShort", "Open");
        QTest::newRow("ends after OpenShort") << whole.left(whole.indexOf("X,"));
        QTest::newRow("short X line") << QByteArray(whole).replace("X,100,100,100,100,", "X,100,100,");
        QTest::newRow("empty") << QByteArray();
    }

    void skipsIncompleteFiles()
    {
        QFETCH(QByteArray, broken);
        write(at("a.csv"), resultFile(5, 4, constant(10), 3));
        write(at("b.csv"), broken);
        write(at("c.csv"), resultFile(5, 4, constant(20)));
        write(at("D.csv"), broken); // named in Qt's default order: case does not count

        production::Baseline baseline;
        const BaselineGeneration g = generateBaseline(log(), 5, 4, baseline);
        QCOMPARE(g.status, BaselineGeneration::Status::Written);
        QCOMPARE(g.used, 2);
        QCOMPARE(g.skipped, (QStringList{"b.csv", "D.csv"}));
        QVERIFY(everyCell(baseline, 15.0f));
        QCOMPARE(QDir(log()).entryList(QDir::Files, QDir::Name | QDir::IgnoreCase),
                 (QStringList{"b.csv", "baseline.csv", "D.csv"}));
    }

    // The old baseline goes only when a complete new one takes its place.
    void oldBaselineStaysUntilReplaced()
    {
        write(at("baseline.csv"), "old");
        write(at("broken.csv"), "OpenShort:,PASS,\nX,1,\n");
        production::Baseline baseline;
        baseline.reset(5, 4);
        baseline.x[0] = 7.0f;
        const BaselineGeneration g = generateBaseline(log(), 5, 4, baseline);
        QCOMPARE(g.status, BaselineGeneration::Status::NoFiles);
        QCOMPARE(read(at("baseline.csv")), QByteArray("old"));
        QCOMPARE(baseline.x[0], 7.0f);

        // baseline.csv cannot be written: a folder stands in its way.
        QVERIFY(QFile::remove(at("baseline.csv")));
        QVERIFY(QDir(log()).mkdir("baseline.csv"));
        write(at("good.csv"), resultFile(5, 4, constant(3)));
        QCOMPARE(generateBaseline(log(), 5, 4, baseline).status, BaselineGeneration::Status::WriteFailed);
        QCOMPARE(baseline.x[0], 7.0f);
        QVERIFY(QFile::exists(at("good.csv")));
        QCOMPARE(QDir(log()).entryList(QDir::Files), (QStringList{"broken.csv", "good.csv"}));
    }

    // A file named like a baseline takes part but is kept.
    void keepsOtherBaselineFiles()
    {
        write(at("a.csv"), resultFile(5, 4, constant(4)));
        write(at("baseline-old.csv"), resultFile(5, 4, constant(6)));
        production::Baseline baseline;
        QCOMPARE(generateBaseline(log(), 5, 4, baseline).used, 2);
        QVERIFY(everyCell(baseline, 5.0f));
        QCOMPARE(QDir(log()).entryList(QDir::Files), (QStringList{"baseline-old.csv", "baseline.csv"}));
    }

    // The run refuses a baseline whose X or Y line does not fit the panel.
    void wrongSizeRefused_data()
    {
        QTest::addColumn<QByteArray>("from");
        QTest::addColumn<QByteArray>("to");
        QTest::newRow("one X value more") << QByteArray("Debug:\n4,4,4,4,\n") << QByteArray("Debug:\n4,4,4,4,4,\n");
        QTest::newRow("one X value fewer") << QByteArray("Debug:\n4,4,4,4,\n") << QByteArray("Debug:\n4,4,4,\n");
        QTest::newRow("one Y value fewer") << QByteArray("\n4,4,4,\nRasterX") << QByteArray("\n4,4,\nRasterX");
    }

    void wrongSizeRefused()
    {
        QFETCH(QByteArray, from);
        QFETCH(QByteArray, to);
        write(at("a.csv"), resultFile(5, 4, constant(4)));
        production::Baseline baseline;
        QCOMPARE(generateBaseline(log(), 5, 4, baseline).status, BaselineGeneration::Status::Written);
        const QByteArray text = read(at("baseline.csv"));
        QVERIFY(text.contains(from));
        write(at("baseline.csv"), QByteArray(text).replace(from, to));

        ModalAnswerer answer;
        answer.thenBox(QMessageBox::Ok);
        Settings store;
        QVERIFY(!production::loadBaseline(store, 5, 4, baseline, nullptr, log()));
        QCOMPARE(answer.boxes.size(), 1);
        QCOMPARE(answer.boxes.front().text, QStringLiteral("please update baseline!!"));
    }

    // A damaged profile can give counts no panel has: they size no table (a
    // count near INT_MAX used to overflow and allocate without bound), the
    // generation reads nothing and the run refuses the baseline.
    void countsBeyondAnyPanel_data()
    {
        QTest::addColumn<int>("xn");
        QTest::addColumn<int>("yn");
        QTest::newRow("256 X electrodes") << 256 << 4;
        QTest::newRow("largest X count") << INT_MAX << 4;
        QTest::newRow("largest Y count") << 5 << INT_MAX;
        QTest::newRow("largest counts") << INT_MAX << INT_MAX;
    }

    void countsBeyondAnyPanel()
    {
        QFETCH(int, xn);
        QFETCH(int, yn);
        production::Baseline baseline;
        baseline.reset(5, 4);
        baseline.reset(xn, yn);
        QVERIFY(baseline.x.empty() && baseline.y.empty() && baseline.raster.empty());

        write(at("a.csv"), resultFile(5, 4, constant(3)));
        const BaselineGeneration g = generateBaseline(log(), xn, yn, baseline);
        QCOMPARE(g.status, BaselineGeneration::Status::NoFiles);
        QVERIFY(QFile::exists(at("a.csv")));
        QVERIFY(!QFile::exists(at("baseline.csv")));

        QCOMPARE(generateBaseline(log(), 5, 4, baseline).status, BaselineGeneration::Status::Written);
        ModalAnswerer answer;
        answer.thenBox(QMessageBox::Ok);
        Settings store;
        QVERIFY(!production::loadBaseline(store, xn, yn, baseline, nullptr, log()));
        QCOMPARE(answer.boxes.size(), 1);
        QCOMPARE(answer.boxes.front().text, QStringLiteral("please update baseline!!"));
        QVERIFY(baseline.x.empty() && baseline.raster.empty());
    }

    // Negative counts (a profile without the keys reads 0, a damaged one less)
    // size every table empty, the smallest as -1 does.
    void negativeCountsSizeNothing()
    {
        production::Baseline baseline;
        for (int n : {-1, -7, INT_MIN}) {
            baseline.reset(n, n);
            QVERIFY(baseline.x.empty() && baseline.y.empty() && baseline.raster.empty());
        }
        baseline.reset(INT_MIN, 0);
        QCOMPARE(baseline.raster.size(), std::size_t(2));
        QVERIFY(baseline.raster[0].empty());
        QCOMPARE(tools::baselineText(baseline, INT_MIN), QByteArray("Debug:\n\n\nRasterX:\nRasterY:\n"));
    }

    // The text entry reads what generateBaseline reads from a file.
    void resultTextIsReadInPlace()
    {
        production::Baseline values;
        QByteArray text = resultFile(5, 4, pattern);
        QTextStream in(&text);
        QVERIFY(tools::readResultValues(in, 5, 4, values));
        QCOMPARE(values.x[3], float(pattern(0, 0, 3)));
        QCOMPARE(values.y[2], float(pattern(1, 0, 2)));
        QCOMPARE(values.raster[9][5], float(pattern(2, 9, 5)));

        QByteArray cut = resultFile(5, 4, pattern);
        cut.truncate(cut.indexOf("RJitterY"));
        cut.chop(20);
        QTextStream shortIn(&cut);
        QVERIFY(!tools::readResultValues(shortIn, 5, 4, values));
    }

    void dialogGenerates()
    {
        write(at("a.csv"), resultFile(5, 4, constant(8)));
        write(at("b.csv"), "no markers here\n");
        Settings store;
        store.set("x_electrodes", "5");
        store.set("y_electrodes", "4");
        production::Baseline baseline;
        baseline.reset(2, 2);
        GenerateCsv dialog(store, baseline, nullptr, log());
        // Opening clears the window's baseline to the profile's size.
        QCOMPARE(baseline.x.size(), std::size_t(4));
        QVERIFY(everyCell(baseline, 0.0f));

        dialog.show();
        MarkingTranslator translated;
        QTest::mouseClick(dialog.generateButton(), Qt::LeftButton);
        QVERIFY(everyCell(baseline, 8.0f));
        QCOMPARE(dialog.statusLabel()->text(), QStringLiteral("OK\nskipped, incomplete (left in ./log): b.csv"));
        // Open until the administrator has seen which file was left out.
        QVERIFY(dialog.isVisible());

        QVERIFY(QFile::remove(at("b.csv")));
        write(at("c.csv"), resultFile(5, 4, constant(9)));
        QTest::mouseClick(dialog.generateButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QVERIFY(everyCell(baseline, 9.0f));
    }

    // A line's log holds thousands of files: while they are read the window
    // keeps its timers and painting, and the button cannot be pressed again.
    void dialogKeepsTheWindowGoingWhileItReads()
    {
        const QByteArray file = resultFile(40, 30, pattern);
        for (int i = 0; i < 1000; ++i)
            write(at(QStringLiteral("p%1.csv").arg(i, 4, 10, QLatin1Char('0'))), file);
        Settings store;
        store.set("x_electrodes", "40");
        store.set("y_electrodes", "30");
        production::Baseline baseline;
        GenerateCsv dialog(store, baseline, nullptr, log());
        dialog.show();
        int ticks = 0;
        bool buttonWasOff = true;
        QTimer timer;
        timer.setInterval(10);
        connect(&timer, &QTimer::timeout, this, [&] {
            ++ticks;
            buttonWasOff = buttonWasOff && !dialog.generateButton()->isEnabled();
        });
        timer.start();
        QElapsedTimer clock;
        clock.start();
        QTest::mouseClick(dialog.generateButton(), Qt::LeftButton);
        const qint64 took = clock.elapsed();
        const int ticksDuring = ticks;
        timer.stop();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        // (the average of many equal files rounds up by one, as the line's always have)
        QVERIFY(std::abs(baseline.raster[3][7] - float(pattern(2, 3, 7))) <= 1.0f);
        qInfo("%d ticks in %lld ms", ticksDuring, took);
        QVERIFY2(took < 150 || ticksDuring >= took / 150,
                 qPrintable(QStringLiteral("%1 ticks in %2 ms").arg(ticksDuring).arg(took)));
        QVERIFY(buttonWasOff);
        QVERIFY(dialog.generateButton()->isEnabled());
    }

    void dialogWithNothingToAverage()
    {
        Settings store;
        store.set("x_electrodes", "5");
        store.set("y_electrodes", "4");
        production::Baseline baseline;
        MarkingTranslator translated;
        GenerateCsv dialog(store, baseline, nullptr, log());
        dialog.show();
        QCOMPARE(dialog.generateButton()->text(), QStringLiteral("[Generate Files]")); // the form's are translated
        QTest::mouseClick(dialog.generateButton(), Qt::LeftButton);
        QCOMPARE(dialog.statusLabel()->text(), QStringLiteral("can't find PASS files"));
        QVERIFY(dialog.isVisible());
        QVERIFY(!QFile::exists(at("baseline.csv")));
    }
};

QTEST_MAIN(TestToolsGenerateCsv)
#include "tst_tools_generatecsv.moc"
