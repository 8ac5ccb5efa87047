// The log viewer: the result-file reader on files of real runs and on broken
// ones, the charts read back as scene items, the zoom, and the dialog's tree.
#include "loganalysisdialog.h"
#include "logresult.h"
#include "lograsterscene.h"
#include "markingtranslator.h"
#include "settings.h"

#include "../app/modalanswer.h"

#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QRadioButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <QtTest>

namespace {

QByteArray dataFile(const char *name)
{
    QFile f(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/tools/") + QLatin1String(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

template<typename T>
QList<T *> itemsOf(const QGraphicsScene &scene)
{
    QList<T *> found;
    for (QGraphicsItem *item : scene.items(Qt::AscendingOrder))
        if (auto *t = dynamic_cast<T *>(item))
            found << t;
    return found;
}

QStringList texts(const QGraphicsScene &scene)
{
    QStringList all;
    for (auto *t : itemsOf<QGraphicsSimpleTextItem>(scene))
        all << t->text();
    return all;
}

QList<int> run(int from, int count)
{
    QList<int> values;
    for (int i = 0; i < count; ++i)
        values << from + i;
    return values;
}

} // namespace

class TestToolsLogAnalysis : public QObject
{
    Q_OBJECT

private slots:
    void readsSmallFile()
    {
        LogData data;
        QVERIFY(readResultText(dataFile("small-4x3.csv"), data));
        QCOMPARE(data.xLine, (QList<int>{100, 40, 250}));
        QCOMPARE(data.yLine, (QList<int>{120, 110}));
        QCOMPARE(data.xn, 4);
        QCOMPARE(data.yn, 3);
        QCOMPARE(data.rasterRows.size(), 8);
        QCOMPARE(data.rasterRows.at(0), (QList<int>{-151, -150, -101, -100, -51}));
        QCOMPARE(data.rasterRows.at(3), (QList<int>{1, 2, 3, 4, 5}));
        QCOMPARE(data.rasterRows.at(4), (QList<int>{10, 11, 12, 13, 14}));
        QCOMPARE(data.rasterRows.at(7), (QList<int>{40, 41, 42, 43, 44}));
        QCOMPARE(data.buttons, (QList<int>{60, 500, -7}));
    }

    void readsFilesOfRealRuns_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("fifthX");
        QTest::newRow("pass") << QByteArray("run-pass-30x20.csv") << 120;
        QTest::newRow("fail") << QByteArray("run-fail-30x20.csv") << 397;
    }

    void readsFilesOfRealRuns()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, fifthX);
        LogData data;
        QVERIFY(readResultText(dataFile(file.constData()), data));
        QCOMPARE(data.xn, 30);
        QCOMPARE(data.yn, 20);
        QCOMPARE(data.xLine.at(4), fifthX);
        QCOMPARE(data.rasterRows.size(), 42);
        for (const QList<int> &row : data.rasterRows)
            QCOMPARE(row.size(), 31);
        // The X-drive section is at the raster level, the Y-drive one lower.
        QVERIFY(data.rasterRows.at(0).at(0) > 900);
        QVERIFY(data.rasterRows.at(21).at(0) < 900);
        QCOMPARE(data.buttons, (QList<int>{120, 116, 124, 0, 0, 0, 0, 0}));
    }

    void countsComeFromTheFile()
    {
        QByteArray text = "OpenShort:,PASS,\nX";
        for (int i = 0; i < 38; ++i)
            text += ",1";
        text += "\nY";
        for (int i = 0; i < 27; ++i)
            text += ",2";
        text += ",\n";
        LogData data;
        QVERIFY(!readResultText(text, data)); // no raster sections
        QCOMPARE(data.xn, 39);
        QCOMPARE(data.yn, 28);
    }

    void missingMarkerKeepsWhatWasRead()
    {
        LogData data;
        QVERIFY(readResultText(dataFile("small-4x3.csv"), data));
        QVERIFY(!readResultText(dataFile("no-rastery.csv"), data));
        QCOMPARE(data.xLine, run(1, 5));
        QCOMPARE(data.xn, 6);
        QCOMPARE(data.yn, 4);
        QCOMPARE(data.rasterRows.size(), 5); // the RasterX rows of the new file
        QCOMPARE(data.buttons, (QList<int>{60, 500, -7})); // never reached

        LogData none;
        QVERIFY(!readResultText("Electric,PASS\nRasterX:,\n", none));
        QCOMPARE(none.xn, 38);
        QCOMPARE(none.yn, 28);
        QVERIFY(none.xLine.isEmpty());
    }

    void shortRowsAreKeptShort()
    {
        LogData data;
        QVERIFY(!readResultText(dataFile("short-rows.csv"), data)); // ends before BtnData
        QCOMPARE(data.rasterRows.size(), 5);
        QCOMPARE(data.rasterRows.at(1), (QList<int>{7, 8}));
        QVERIFY(data.rasterRows.at(2).isEmpty());
        QCOMPARE(data.rasterRows.at(3), (QList<int>{0}));
        QCOMPARE(data.rasterRows.at(4), (QList<int>{9, 9, 9, 9, 9}));

        LogRasterScene scene(QSizeF(600, 400));
        scene.drawRaster(data, 0);
        QCOMPARE(itemsOf<QGraphicsRectItem>(scene).size(), 5 + 2 + 0 + 1);
        scene.drawRaster(data, data.yn + 1);
        QCOMPARE(itemsOf<QGraphicsRectItem>(scene).size(), 5);
    }

    void everyCutOfAFileReadsSafely()
    {
        // Cut at every byte: each prefix is read or refused, and no row is
        // longer than a line of the file.
        const QByteArray whole = dataFile("small-4x3.csv");
        QVERIFY(!whole.isEmpty());
        for (int cut = 0; cut <= whole.size(); ++cut) {
            LogData data;
            const bool read = readResultText(whole.left(cut), data);
            QCOMPARE(read, whole.left(cut).contains("BtnData"));
            QVERIFY(data.rasterRows.size() <= 8);
            for (const QList<int> &row : data.rasterRows)
                QVERIFY(row.size() <= 5);
        }
    }

    void rasterFill_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<QColor>("fill");
        QTest::newRow("-151") << -151 << QColor(Qt::red);
        QTest::newRow("-150") << -150 << QColor(255, 80, 80);
        QTest::newRow("-101") << -101 << QColor(255, 80, 80);
        QTest::newRow("-100") << -100 << QColor(255, 155, 155);
        QTest::newRow("-51") << -51 << QColor(255, 155, 155);
        QTest::newRow("-50") << -50 << QColor(255, 255, 255);
        QTest::newRow("49") << 49 << QColor(255, 255, 255);
        QTest::newRow("50") << 50 << QColor(255, 255, 125);
        QTest::newRow("99") << 99 << QColor(255, 255, 125);
        QTest::newRow("100") << 100 << QColor(255, 255, 0);
        QTest::newRow("149") << 149 << QColor(255, 255, 0);
        QTest::newRow("150") << 150 << QColor(224, 224, 0);
    }

    void rasterFill()
    {
        QFETCH(int, value);
        QFETCH(QColor, fill);
        QCOMPARE(LogRasterScene::rasterFill(value), fill);
    }

    void rasterGridItems()
    {
        LogData data;
        QVERIFY(readResultText(dataFile("small-4x3.csv"), data));
        LogRasterScene scene(QSizeF(502, 402)); // cells 100 x 100
        scene.drawRaster(data, 0);
        const QList<QGraphicsRectItem *> cells = itemsOf<QGraphicsRectItem>(scene);
        QCOMPARE(cells.size(), 20);
        QGraphicsRectItem *first = nullptr;
        QGraphicsRectItem *fifty = nullptr;
        for (QGraphicsRectItem *cell : cells) {
            if (cell->rect() == QRectF(0, 0, 100, 100))
                first = cell;
            if (cell->rect() == QRectF(300, 100, 100, 100))
                fifty = cell;
        }
        QVERIFY(first && fifty);
        QCOMPARE(first->brush().color(), QColor(Qt::red));
        QCOMPARE(first->toolTip(), QStringLiteral("<p style=color:red;font-size:15px> (0,0)</p>"));
        QCOMPARE(fifty->brush().color(), QColor(255, 255, 125)); // 99
        QCOMPARE(fifty->toolTip(), QStringLiteral("<p style=color:red;font-size:15px> (3,1)</p>"));
        QVERIFY(texts(scene).contains(QStringLiteral("-151")));
        for (auto *t : itemsOf<QGraphicsSimpleTextItem>(scene))
            if (t->text() == QLatin1String("-151"))
                QCOMPARE(t->pos(), QPointF(3, 3));

        scene.drawRaster(data, data.yn + 1);
        QCOMPARE(itemsOf<QGraphicsRectItem>(scene).size(), 20);
        QVERIFY(texts(scene).contains(QStringLiteral("44")));
        QVERIFY(!texts(scene).contains(QStringLiteral("-151")));
    }

    void buttonChartClamps()
    {
        QList<int> values{500, 50, -7};
        LogRasterScene scene(QSizeF(800, 400));
        scene.drawButtons(values, 0, 60);
        QCOMPARE(values, (QList<int>{99, 50, -7}));
        const QList<QGraphicsLineItem *> lines = itemsOf<QGraphicsLineItem>(scene);
        QCOMPARE(lines.size(), 3 + 3);
        // The three reference lines: centre, max and min.
        QCOMPARE(lines.at(0)->line(), QLineF(0, 200, 800, 200));
        QCOMPARE(lines.at(1)->line(), QLineF(0, 80, 800, 80));
        QCOMPARE(lines.at(2)->line(), QLineF(0, 200, 800, 200));
        QCOMPARE(lines.at(3)->line(), QLineF(0, 2, 100, 2));
        QCOMPARE(lines.at(3)->pen().color(), QColor(255, 0, 0, 120)); // 99 > 60
        QCOMPARE(lines.at(4)->line(), QLineF(200, 100, 300, 100));
        QCOMPARE(lines.at(4)->pen().color(), QColor(0, 255, 0, 160));
        QCOMPARE(lines.at(5)->pen().color(), QColor(255, 0, 0, 120)); // -7 < 0
        QCOMPARE(texts(scene), (QStringList{"99", "50", "-7"}));

        QList<int> none;
        scene.drawButtons(none, 0, 60);
        QCOMPARE(itemsOf<QGraphicsLineItem>(scene).size(), 3);
    }

    void openShortChart()
    {
        LogData data;
        QVERIFY(readResultText(dataFile("small-4x3.csv"), data));
        LogRasterScene scene(QSizeF(420, 400));
        const qreal step = (210 - 10) / 3.0; // not cut to 66
        scene.drawOpenShort(data, 50, 200);
        const QList<QGraphicsLineItem *> lines = itemsOf<QGraphicsLineItem>(scene);
        QCOMPARE(lines.size(), 4 + 3 + 2);
        QCOMPARE(lines.at(2)->line(), QLineF(0, 100, 420, 100)); // 200 / 2 under the centre
        QCOMPARE(lines.at(3)->line(), QLineF(0, 175, 420, 175));
        // X runs leftwards: X1 = 100 from the centre, X2 = 40 under the limit.
        QCOMPARE(lines.at(4)->line(), QLineF(210, 150, 210 - (step - 4), 150));
        QCOMPARE(lines.at(4)->pen().color(), QColor(0, 255, 0, 160));
        QCOMPARE(lines.at(5)->line(), QLineF(210 - step, 180, 210 - (2 * step - 4), 180));
        QCOMPARE(lines.at(5)->pen().color(), QColor(255, 0, 0, 120));
        QCOMPARE(lines.at(6)->pen().color(), QColor(255, 0, 0, 120)); // 250
        // Y runs rightwards.
        QCOMPARE(lines.at(7)->line(), QLineF(210, 140, 210 + step - 4, 140));
        QCOMPARE(texts(scene), (QStringList{"1", "2", "3", "1", "2"}));
        const auto labels = itemsOf<QGraphicsSimpleTextItem>(scene);
        QCOMPARE(labels.at(0)->pos(), QPointF(210 - step / 2 - 5, 150 - 20));
        QCOMPARE(labels.at(3)->pos(), QPointF(210 + step / 2 - 5, 140 - 20));

        LogData twenty;
        twenty.xLine = run(1, 20);
        LogRasterScene narrow(QSizeF(100, 400));
        narrow.drawOpenShort(twenty, 50, 200);
        QCOMPARE(itemsOf<QGraphicsLineItem>(narrow).size(), 4);
        QVERIFY(texts(narrow).isEmpty());
        // Nine values: a step of 4.4, which is more than 4 and draws them.
        LogData nine;
        nine.xLine = run(1, 9);
        narrow.drawOpenShort(nine, 50, 200);
        QCOMPARE(itemsOf<QGraphicsLineItem>(narrow).size(), 4 + 9);

        LogData empty; // no lines at all must not divide by zero
        narrow.drawOpenShort(empty, 50, 200);
        QCOMPARE(itemsOf<QGraphicsLineItem>(narrow).size(), 4);
    }

    void dialogBrowsesAndDraws()
    {
        QTemporaryDir pass;
        QTemporaryDir fail;
        for (const char *name : {"small-4x3.csv", "no-rastery.csv"})
            QVERIFY(QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/tools/") + QLatin1String(name),
                                pass.filePath(QLatin1String(name))));
        QVERIFY(QFile::copy(QStringLiteral(KAVEL_SOURCE_DIR "/tests/data/tools/run-fail-30x20.csv"),
                            fail.filePath(QStringLiteral("run.csv"))));
        Settings store;
        store.set("LogPASS_Path", pass.path().toLocal8Bit());
        store.set("LogFAIL_Path", fail.path().toLocal8Bit());
        store.set("M0_thr_min", "50");
        store.set("M0_thr_max", "200");

        LogAnalysisDialog dialog(&store);
        dialog.show();
        QTreeWidget *tree = dialog.tree();
        QCOMPARE(tree->topLevelItemCount(), 2);
        QTreeWidgetItem *passItem = tree->topLevelItem(0);
        QCOMPARE(passItem->text(0), pass.path());
        QCOMPARE(passItem->childCount(), 2);
        QCOMPARE(passItem->child(0)->text(0), QStringLiteral("no-rastery.csv"));
        QCOMPARE(tree->topLevelItem(1)->child(0)->text(0), QStringLiteral("run.csv"));
        QVERIFY(passItem->isExpanded());

        // A folder changes nothing.
        dialog.TreeItemClicked(passItem, 0);
        for (int chart = 0; chart < 4; ++chart)
            QVERIFY(!dialog.radio(chart)->isEnabled());
        QVERIFY(dialog.text()->toPlainText().isEmpty());
        QCOMPARE(dialog.data().xn, 38);

        dialog.TreeItemClicked(passItem->child(1), 0);
        QVERIFY(dialog.radio(3)->isEnabled());
        QVERIFY(dialog.text()->toPlainText().startsWith(QStringLiteral("Electric,PASS")));
        QCOMPARE(dialog.data().xn, 4);
        QCOMPARE(dialog.scene()->chart(), 0);
        QVERIFY(dialog.radio(0)->isChecked());
        QCOMPARE(texts(*dialog.scene()), (QStringList{"1", "2", "3", "1", "2"}));

        dialog.radio(2)->click(); // "平整度测试_X驱动" shows the RasterY section
        QCOMPARE(dialog.scene()->chart(), 2);
        QVERIFY(texts(*dialog.scene()).contains(QStringLiteral("44")));
        const int itemsBefore = dialog.scene()->items().size();

        ModalAnswerer answer;
        answer.thenBox(QMessageBox::Ok);
        MarkingTranslator translated;
        dialog.TreeItemClicked(passItem->child(0), 0);
        QCOMPARE(answer.boxes.size(), 1);
        QCOMPARE(answer.boxes.at(0).title, QStringLiteral("error"));
        QCOMPARE(answer.boxes.at(0).text, QStringLiteral("csv format error!!!"));
        QCOMPARE(dialog.scene()->items().size(), itemsBefore); // nothing new drawn
        QCOMPARE(dialog.data().xLine, run(1, 5));
        QCOMPARE(dialog.data().buttons, (QList<int>{60, 500, -7}));
        QVERIFY(QFile(pass.filePath(QStringLiteral("no-rastery.csv"))).size() > 0);

        // A result handed over before the dialog is shown, as the statistics
        // window opens one, is drawn at the shown view's size: every
        // electrode of the 30 x 20 panel labelled, not a speck of a cross.
        LogAnalysisDialog handed(&store);
        handed.showResult(fail.filePath(QStringLiteral("run.csv")), dataFile("run-fail-30x20.csv"));
        handed.show();
        QVERIFY(QTest::qWaitForWindowExposed(&handed));
        QCOMPARE(texts(*handed.scene()).size(), 29 + 19);
        // The first grid line crosses the whole scene, as sized when shown.
        QCOMPARE(itemsOf<QGraphicsLineItem>(*handed.scene()).at(0)->line().length(),
                 handed.scene()->sceneRect().width());
    }

    void fallbackFolders()
    {
        Settings store;
        store.set("LogPASS_Path", "/nonexistent/pass");
        LogAnalysisDialog dialog(&store);
        QCOMPARE(dialog.tree()->topLevelItem(0)->text(0),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/resultsPASS"));
        QCOMPARE(dialog.tree()->topLevelItem(1)->text(0),
                 QCoreApplication::applicationDirPath() + QStringLiteral("/resultsFAIL"));
    }

    void zoomInAndOut()
    {
        LogRasterScene scene(QSizeF(400, 300));
        QGraphicsView view(&scene);
        view.resize(420, 320);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const QPoint at = view.mapFromScene(QPointF(100, 100));

        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(view.transform().m11(), 1.0); // open/short does not zoom

        scene.setChart(LogRasterScene::RasterX);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
        QVERIFY(scene.zoomed());
        QCOMPARE(view.transform().m11(), 2.5);
        QCOMPARE(view.transform().m22(), 2.5);
        QTest::mouseClick(view.viewport(), Qt::LeftButton, {}, at);
        QVERIFY(!scene.zoomed());
        QVERIFY(qFuzzyCompare(view.transform().m11(), 1.0));
    }
};

QTEST_MAIN(TestToolsLogAnalysis)
#include "tst_tools_loganalysis.moc"
