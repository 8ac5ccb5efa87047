// The result-file reader on the station's own files and on what a folder of
// copied, cut or hand-made files may hold.
#include "resultreader.h"

#include <QFile>
#include "resultdata.h"

#include <QtTest>

using results::ResultRecord;

namespace {

bool read(const QByteArray &text, ResultRecord &record)
{
    return results::readResult(std::string_view(text.constData(), std::size_t(text.size())), record);
}

// The station's passing file up to (not with) its line number line (from 1).
QByteArray passingUpToLine(int line)
{
    const QByteArray whole = stationResultFile("run-pass-30x20.csv");
    qsizetype at = 0;
    for (int i = 1; i < line && at >= 0; ++i)
        at = whole.indexOf('\n', at) + 1;
    return whole.left(at);
}

} // namespace

class TestResultsReader : public QObject
{
    Q_OBJECT

private slots:
    void stationFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("crlf");
        QTest::addColumn<bool>("openShortPass");
        QTest::addColumn<int>("firstCell");
        QTest::newRow("passing panel") << "run-pass-30x20.csv" << false << true << 988;
        QTest::newRow("open electrode") << "run-fail-30x20.csv" << false << false << 990;
        QTest::newRow("open electrode, CR LF") << "run-fail-30x20.csv" << true << false << 990;
    }
    void stationFiles()
    {
        QFETCH(QString, file);
        QFETCH(bool, crlf);
        QFETCH(bool, openShortPass);
        QFETCH(int, firstCell);
        QByteArray text = stationResultFile(file);
        QVERIFY(!text.isEmpty());
        if (crlf)
            text.replace("\n", "\r\n");
        ResultRecord r;
        QVERIFY(read(text, r));
        QCOMPARE(r.strayLines, 0);
        QVERIFY2(r.whole(), r.cut);
        QVERIFY(r.electricPresent && r.electricPass);
        QVERIFY(r.currentMa[1] == 17.9985f || r.currentMa[1] == 18.498f);
        QCOMPARE(QString::fromStdString(r.usbVersion.text), QString("W103"));
        QCOMPARE(QString::fromStdString(r.crcVersion.text), QString("5A3C"));
        QCOMPARE(QString::fromStdString(r.eepromVersion.text), QString("V1.0A"));
        QVERIFY(r.usbVersion.pass && r.crcVersion.pass && r.eepromVersion.pass && r.attb.pass && r.reset.pass);
        QCOMPARE(r.tb.size(), std::size_t(5));
        QCOMPARE(r.tb[0], 650);
        QCOMPARE(r.openShort.pass, openShortPass);
        QVERIFY(r.openShort.linesRead);
        QCOMPARE(r.openShort.x.values.size(), std::size_t(29));
        QCOMPARE(r.openShort.y.values.size(), std::size_t(19));
        QCOMPARE(r.openShort.x.fields(), std::size_t(30)); // the empty text after the final comma
        if (!openShortPass) {
            QCOMPARE(r.openShort.x.values[4], 397);
            QCOMPARE(r.openShort.failing.size(), std::size_t(2));
            QCOMPARE(r.openShort.failing[1].line, 'X');
            QCOMPARE(r.openShort.failing[1].index, 5);
            QCOMPARE(r.openShort.failing[1].value, -149);
            QCOMPARE(r.openShort.open.size(), std::size_t(1));
            QCOMPARE(r.openShort.open[0].first, 5);
            QCOMPARE(r.openShort.open[0].second, 6);
            QVERIFY(r.openShort.shorts.empty());
        }
        // The differences to the baseline, as the station judged them.
        QCOMPARE(r.openShort.xDifferences.size(), std::size_t(29));
        QCOMPARE(r.openShort.yDifferences.size(), std::size_t(19));
        QCOMPARE(r.openShort.xDifferences[4], openShortPass ? 0.0f : 277.0f);
        QCOMPARE(r.openShort.xDifferences[5], openShortPass ? 0.0f : -269.0f);
        QCOMPARE(r.openShort.yDifferences[7], openShortPass ? 0.0f : -3.0f);
        for (const results::RasterBlock *b : {&r.rasterX, &r.rasterY}) {
            QVERIFY(b->present && b->pass && b->failing.empty());
            QCOMPARE(b->rows(), 21);
            QCOMPARE(b->differenceStart.size(), std::size_t(22));
            for (int row = 0; row < b->rows(); ++row) {
                QCOMPARE(b->rowLength(row), std::size_t(31));
                QCOMPARE(b->differenceStart[std::size_t(row) + 1] - b->differenceStart[std::size_t(row)],
                         std::size_t(31));
            }
        }
        if (openShortPass) {
            QCOMPARE(r.rasterX.differences[4], -1.0f);      // row 0, column 4
            QCOMPARE(r.rasterX.differences[31 + 3], -1.0f); // row 1, column 3
        }
        QCOMPARE(r.rasterX.row(0)[0], firstCell);
        QCOMPARE(r.buttons.size(), std::size_t(8));
        QCOMPARE(r.buttons[0], 120);
    }

    void oddInput_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<bool>("isResult");
        QTest::addColumn<QString>("check");
        QTest::addColumn<QString>("cut"); // where the file reads as cut short; empty: whole
        const QString rasterXShort = "the X raster ends inside its differences to the baseline";
        const QString noYDifferences = "the Y raster ends before its differences to the baseline";
        QTest::newRow("not a result file") << QByteArray("hello,world\n1,2,3\n") << false << "stray 2" << "";
        QTest::newRow("empty file") << QByteArray() << false << "stray 0" << "";
        QTest::newRow("failing raster cells")
            << QByteArray("RasterX:,FAIL,RasterX[2][5]=95 ,RasterX[0][0]=-3 ,\n1,2,\n3,x,\nRJitterX:\n0,0,\n")
            << true << "raster 2 rows, cells 2,5=95 0,0=-3, row1 3,0" << rasterXShort;
        QTest::newRow("raster cut short") << QByteArray("RasterY:,PASS,\n5,6,7,\n8\n") << true
                                          << "rasterY rows 3,1" << noYDifferences;
        QTest::newRow("button read that failed") << QByteArray("BtnData\nReset:,FAIL\n") << true
                                                 << "buttons 0, reset FAIL" << "";
        QTest::newRow("TB stuck") << QByteArray("Tb_Value,FAIL,900,2048\r\n") << true << "tb 900 2048 FAIL" << "";
        QTest::newRow("values beyond int and not numbers")
            << QByteArray("BtnData,99999999999,+7, 8 ,abc\n") << true << "buttons 0 7 8 0" << "";
        QTest::newRow("open/short header alone at the end")
            << QByteArray("OpenShort:,FAIL,Y[3]=5 ,\n") << true << "open/short lines missing"
            << "the open/short block ends before its X and Y lines";
        // Differences in general notation: what is no whole number is read as written.
        QTest::newRow("differences that are no whole numbers")
            << QByteArray("OpenShort:,PASS,\nX,1,2,3,\nY,4,\nDJitter:\nX,1.5,-3.7,1e+03\nY,-0.25\n"
                          "RasterY:,PASS,\n5,6,\nRJitterY:\n-2.5,x,\n")
            << true << "differences 1.5 -3.7 1000, -0.25, -2.5 0" << "";
        QTest::newRow("short pairs on the Y line")
            << QByteArray("OpenShort:,FAIL,\nX,1,2,\nY,3,4,\nXopen:\nXshort:\nYopen:\nYshort:,Y3:Y4,Y7:Y8\n"
                          "DJitter:\nX,0,0\nY,0,0\n")
            << true << "Y shorts 3:4 7:8" << "";
        // The station's passing file (102 lines) cut short where a copy may
        // break off: inside a line, and at the end of lines inside blocks.
        const QByteArray passing = stationResultFile("run-pass-30x20.csv");
        QTest::newRow("cut inside a raster row") << passing.left(3000) << true << "cut"
                                                 << "the X raster ends before its differences to the baseline";
        QTest::newRow("cut inside the last line") << passing.chopped(1) << true << "cut"
                                                  << "its last line has no line end";
        const QString noDifferences = "the open/short block ends before its differences to the baseline";
        QTest::newRow("open/short without its differences") << passingUpToLine(10) << true << "cut" << noDifferences;
        QTest::newRow("open/short without its Y difference") << passingUpToLine(12) << true << "cut" << noDifferences;
        QTest::newRow("raster header alone") << passingUpToLine(58) << true << "cut"
                                             << "the Y raster ends before its rows";
        QTest::newRow("raster rows without differences") << passingUpToLine(79) << true << "cut" << noYDifferences;
        QTest::newRow("raster differences cut at a line end")
            << passingUpToLine(100) << true << "cut" << "the Y raster ends inside its differences to the baseline";
        // At the end of a block the file is whole as far as it can tell: a
        // profile may well have ended the run there.
        QTest::newRow("cut at the end of a block") << passingUpToLine(101) << true << "cut" << "";
    }
    void oddInput()
    {
        QFETCH(QByteArray, text);
        QFETCH(bool, isResult);
        QFETCH(QString, check);
        QFETCH(QString, cut);
        ResultRecord r;
        // Whatever a previous file left is gone.
        QVERIFY(read(stationResultFile("run-fail-30x20.csv"), r));
        QVERIFY(read(stationResultFile("run-pass-30x20.csv").left(100), r) && !r.whole());
        QCOMPARE(read(text, r), isResult);
        QCOMPARE(QString::fromLatin1(r.cut), cut);
        if (check.startsWith("stray")) {
            QCOMPARE(r.strayLines, check.mid(6).toInt());
            QVERIFY(!r.openShort.present && !r.rasterX.present && r.buttons.empty());
        } else if (check.startsWith("raster 2")) {
            QCOMPARE(r.rasterX.rows(), 2);
            QVERIFY(!r.rasterX.pass);
            QCOMPARE(r.rasterX.failing.size(), std::size_t(2));
            QCOMPARE(r.rasterX.failing[0].row, 2);
            QCOMPARE(r.rasterX.failing[0].column, 5);
            QCOMPARE(r.rasterX.failing[0].value, 95);
            QCOMPARE(r.rasterX.failing[1].value, -3);
            QCOMPARE(r.rasterX.row(1)[0], 3);
            QCOMPARE(r.rasterX.row(1)[1], 0);
            QVERIFY(!r.rasterY.present);
        } else if (check.startsWith("rasterY")) {
            QCOMPARE(r.rasterY.rows(), 2);
            QCOMPARE(r.rasterY.rowLength(0), std::size_t(3));
            QCOMPARE(r.rasterY.rowLength(1), std::size_t(1));
            QCOMPARE(r.rasterY.rowFields(1), std::size_t(1));
        } else if (check.startsWith("buttons 0,")) {
            QVERIFY(r.buttonsPresent && r.buttons.empty());
            QVERIFY(r.reset.present && !r.reset.pass);
        } else if (check.startsWith("tb")) {
            QCOMPARE(r.tb, (std::vector<int>{900, 2048}));
            QVERIFY(r.tbPresent && !r.tbPass);
        } else if (check.startsWith("buttons 0 7")) {
            QCOMPARE(r.buttons, (std::vector<int>{0, 7, 8, 0}));
        } else if (check.startsWith("Y shorts")) {
            QCOMPARE(r.openShort.shorts.size(), std::size_t(2));
            QVERIFY(r.openShort.open.empty());
            for (const results::ElectrodePair &p : r.openShort.shorts)
                QCOMPARE(p.line, 'Y');
            QCOMPARE(r.openShort.shorts[0].first, 3);
            QCOMPARE(r.openShort.shorts[0].second, 4);
            QCOMPARE(r.openShort.shorts[1].first, 7);
            QCOMPARE(r.openShort.shorts[1].second, 8);
        } else if (check.startsWith("differences")) {
            QCOMPARE(r.openShort.xDifferences, (std::vector<float>{1.5f, -3.7f, 1000.0f}));
            QCOMPARE(r.openShort.yDifferences, std::vector<float>{-0.25f});
            QCOMPARE(r.rasterY.differences, (std::vector<float>{-2.5f, 0.0f}));
            QCOMPARE(r.rasterY.differenceStart, (std::vector<std::size_t>{0, 2}));
        } else if (check == "cut") {
            QVERIFY(r.electricPresent && r.attb.present); // what came before the cut is read
        } else {
            QVERIFY(r.openShort.present && r.openShort.headerRead && !r.openShort.linesRead);
            QCOMPARE(r.openShort.failing.size(), std::size_t(1));
            QCOMPARE(r.openShort.failing[0].line, 'Y');
        }
    }
};

QTEST_GUILESS_MAIN(TestResultsReader)
#include "tst_results_reader.moc"
