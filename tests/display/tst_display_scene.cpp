#include "btnscene.h"
#include "coredebug.h"
#include "corenormal.h"
#include "coreraster.h"
#include "debugscene.h"
#include "displaycontext.h"
#include "displayview.h"
#include "geometry.h"
#include "normalscene.h"
#include "pens.h"
#include "qtwindowimp.h"
#include "rasterscene.h"

#include <QGraphicsEllipseItem>
#include <QGraphicsLineItem>
#include <QGraphicsScene>
#include <QGraphicsSimpleTextItem>
#include <QLabel>
#include <QSignalSpy>
#include <QTextEdit>
#include <QtTest>

#include <memory>

using namespace quilex_gui;
using namespace quilex_gui_qtlib;

namespace {

QByteArray record(const char *tag, const QList<int> &values)
{
    QByteArray text(tag);
    for (int v : values)
        text += QByteArray::number(v) + ',';
    return text;
}

// A display window on a view whose scene is `width` x `height`, without showing it.
struct DisplayRig
{
    explicit DisplayRig(qreal width = 800, qreal height = 600)
    {
        context.view = &view;
        view.graphicsScene()->setSceneRect(0, 0, width, height);
    }
    template <class T> std::shared_ptr<T> current() const
    {
        return std::dynamic_pointer_cast<T>(view.currentScene());
    }
    int items() const { return static_cast<int>(view.graphicsScene()->items().size()); }

    DisplayView view;
    DisplayContext context;
    QtWindowImp window{&context};
};

// Brings a debug parser to its running phase with X and Y records of the given sizes.
void startDebug(CoreDebug &parser, int xCount, int yCount)
{
    for (int i = 0; i < 4; ++i) {
        parser.input(record("X", QList<int>(xCount, 0)).constData());
        parser.input(record("Y", QList<int>(yCount, 0)).constData());
    }
}

void startRaster(CoreRaster &parser, const QList<QList<int>> &frame)
{
    // Two sweeps and the first row of a third: the frame is installed.
    for (int sweep = 0; sweep < 2; ++sweep) {
        parser.input(record("S", frame.last()).constData());
        for (int r = 0; r + 1 < frame.size(); ++r)
            parser.input(record("R", frame[r]).constData());
    }
    parser.input(record("S", frame.last()).constData());
    parser.input(record("R", frame.first()).constData());
}

bool samePen(const QPen &a, const QPen &b)
{
    return a.color() == b.color() && a.widthF() == b.widthF() && a.style() == b.style()
           && a.capStyle() == b.capStyle() && a.joinStyle() == b.joinStyle();
}

} // namespace

class TestDisplayScene : public QObject
{
    Q_OBJECT

private slots:
    void pensAreTheDisplaysColours()
    {
        QCOMPARE(pens::framePen().color(), QColor(128, 128, 128, 255));
        QCOMPARE(pens::framePen().style(), Qt::DashDotLine);
        QCOMPARE(pens::layoutPen().color(), QColor(192, 192, 192, 255));
        QCOMPARE(pens::layoutPen().widthF(), 2.0);
        QCOMPARE(pens::inRangePen().color(), QColor(0, 255, 0, 160));
        QCOMPARE(pens::inRangePen().capStyle(), Qt::RoundCap);
        QCOMPARE(pens::outOfRangePen().color(), QColor(255, 0, 0, 120));
        QCOMPARE(pens::outOfRangePen().widthF(), 6.0);
        QCOMPARE(pens::trailPen(6).color(), QColor(150, 150, 0, 100));
        QVERIFY(samePen(pens::trailPen(13), pens::trailPen(3)));
        QCOMPARE(pens::trailPen(0).joinStyle(), Qt::BevelJoin);
    }

    void debugStepDecidesWhetherStrokesAreMade_data()
    {
        QTest::addColumn<int>("electrodes");
        QTest::addColumn<qreal>("step");
        QTest::addColumn<bool>("made");
        QTest::newRow("40 electrodes") << 40 << 9.75 << true;
        QTest::newRow("98 electrodes") << 98 << 390.0 / 98 << false;
        QTest::newRow("78 electrodes, step 5") << 78 << 5.0 << true;
        QTest::newRow("97 electrodes, step 4.02") << 97 << 390.0 / 97 << true;
    }
    void debugStepDecidesWhetherStrokesAreMade()
    {
        QFETCH(int, electrodes);
        QFETCH(qreal, step);
        QFETCH(bool, made);
        QCOMPARE(geometry::debugStep(800, electrodes), step);

        DisplayRig d(800, 600);
        CoreDebug parser(&d.window);
        startDebug(parser, electrodes, 10);
        auto scene = d.current<DebugScene>();
        QVERIFY(scene);
        QCOMPARE(scene->xLines().size(), made ? std::size_t(electrodes) : std::size_t(0));
        QCOMPARE(scene->yLines().size(), made ? std::size_t(10) : std::size_t(0));
        QCOMPARE(scene->xLabels().size(), scene->xLines().size());
        // The frame lines are there either way.
        QCOMPARE(scene->layoutLine(0)->line(), QLineF(0, 300, 800, 300));
        // An update with no strokes to move is harmless.
        parser.input(record("X", QList<int>(electrodes, 5)).constData());
        parser.input(record("Y", QList<int>(10, 5)).constData());
    }

    void debugThresholdsAreInclusive_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("inRange");
        QTest::newRow("at min") << -40 << true;
        QTest::newRow("below min") << -41 << false;
        QTest::newRow("at max") << 120 << true;
        QTest::newRow("above max") << 121 << false;
        QTest::newRow("between") << 0 << true;
    }
    void debugThresholdsAreInclusive()
    {
        QFETCH(int, value);
        QFETCH(bool, inRange);
        DisplayRig d(800, 600);
        d.window.settings()->set("M0_thr_min", "-40");
        d.window.settings()->set("M0_thr_max", "120");
        CoreDebug parser(&d.window);
        startDebug(parser, 3, 2);
        auto scene = d.current<DebugScene>();
        QVERIFY(scene);
        QCOMPARE(scene->thresholdMin(), -40);
        QCOMPARE(scene->layoutLine(2)->line(), QLineF(0, 300 - 60, 800, 300 - 60)); // max
        QCOMPARE(scene->layoutLine(3)->line(), QLineF(0, 300 + 20, 800, 300 + 20)); // min

        parser.input(record("X", {0, value, 0}).constData());
        parser.input(record("Y", {value, 0}).constData());
        const QPen &expected = inRange ? scene->inRangePen() : scene->outOfRangePen();
        QVERIFY(samePen(scene->xLines()[1]->pen(), expected));
        QVERIFY(samePen(scene->yLines()[0]->pen(), expected));
        QVERIFY(samePen(scene->xLines()[0]->pen(), scene->inRangePen()));
    }

    void debugStrokesSitHalfTheirValueAboveCentre()
    {
        DisplayRig d(800, 600);
        CoreDebug parser(&d.window);
        startDebug(parser, 3, 2);
        auto scene = d.current<DebugScene>();
        QVERIFY(scene);
        parser.input("X10,-21,0,");
        parser.input("Y255,7,");
        // n = 3, step = (400 - 10) / 3 = 130, centre (400, 300).
        QCOMPARE(scene->xLines()[0]->line(), QLineF(394, 295, 274, 295));
        QCOMPARE(scene->xLines()[1]->line(), QLineF(400 - 130 - 6, 310, 400 - 260 + 4, 310));
        QCOMPARE(scene->yLines()[0]->line(), QLineF(406, 300 - 127, 526, 300 - 127));
        QCOMPARE(scene->yLines()[1]->line(), QLineF(400 + 130 + 6, 297, 400 + 260 - 4, 297));
        QCOMPARE(scene->xLabels()[0]->pos(), QPointF(400 - 65 - 5, 295 - 20));
        QCOMPARE(scene->yLabels()[1]->pos(), QPointF(400 + 130 + 65 - 5, 297 - 20));
        QCOMPARE(scene->xLabels()[2]->text(), QString("3"));
        QCOMPARE(scene->xLabels()[2]->brush().color(), QColor(Qt::red));

        // Inactive: labels hide and stay where they were.
        d.window.setSceneActive(false);
        parser.input("X50,50,50,");
        parser.input("Y50,50,");
        QVERIFY(!scene->xLabels()[0]->isVisible());
        QCOMPARE(scene->xLabels()[0]->pos(), QPointF(330, 275));
        QCOMPARE(scene->xLines()[0]->line().y1(), 275.0);
        d.window.setSceneActive(true);
        parser.input("Y50,50,"); // too long a Y list: nothing moves
        QVERIFY(!scene->xLabels()[0]->isVisible());
    }

    void debugResetTakesStrokesOut()
    {
        DisplayRig d(800, 600);
        CoreDebug parser(&d.window);
        startDebug(parser, 3, 2);
        auto scene = d.current<DebugScene>();
        QVERIFY(scene);
        const int before = d.items();
        d.window.refreshScene();
        QCOMPARE(d.items(), before - 5);
        QCOMPARE(scene->xLines()[0]->scene(), nullptr);
        QVERIFY(!scene->xLines()[0]->isVisible());
        QCOMPARE(scene->layoutLine(0)->line(), QLineF());
        d.window.refreshScene(); // twice is harmless
        // The next frame brings the frame lines back.
        parser.input("X1,1,1,");
        parser.input("Y1,1,");
        QCOMPARE(scene->layoutLine(0)->line(), QLineF(0, 300, 800, 300));
    }

    void trailsFollowFingersInARing()
    {
        DisplayRig d(820, 620);
        d.window.settings()->set("x_res", "400");
        d.window.settings()->set("y_res", "300");
        CoreNormal parser(&d.window);
        parser.input("0,");
        auto scene = d.current<NormalScene>();
        QVERIFY(scene);
        // s = min(800 / 400, 600 / 300) = 2, no offset beyond the margin.
        QCOMPARE(scene->frame().scale, 2.0);
        QCOMPARE(scene->outline(0)->line(), QLineF(10, 10, 10, 610));
        QCOMPARE(scene->outline(3)->line(), QLineF(810, 610, 810, 10));
        QVERIFY(samePen(scene->outline(1)->pen(), pens::framePen()));
        QCOMPARE(scene->trailCount(), 5);
        QVERIFY(samePen(scene->trail(2, 599)->pen(), pens::trailPen(2)));

        // A finger that just touched draws nothing; its next movement does.
        parser.input("1,1,0,0,");
        QVERIFY(!scene->trail(1, 0)->isVisible());
        for (int k = 1; k <= NormalScene::RingSize; ++k)
            parser.input(record("", {1, 1, k, k % 7, 0, 0, 0}).constData());
        QCOMPARE(scene->ringPosition(1), NormalScene::RingSize);
        QCOMPARE(scene->trail(1, 0)->line(), QLineF(12, 12, 10, 10));
        QVERIFY(scene->trail(1, 599)->isVisible());
        QCOMPARE(scene->ringPosition(0), 0);

        // The 601st movement reuses the first segment.
        parser.input("1,1,300,150,");
        QCOMPARE(scene->ringPosition(1), 1);
        QCOMPARE(scene->trail(1, 0)->line(), QLineF(610, 310, 10 + 2 * 600, 10 + 2 * (600 % 7)));
        QCOMPARE(scene->trail(1, 1)->line(), QLineF(14, 14, 12, 12));
    }

    void resizeClearsTrailsAndMovesOutline()
    {
        DisplayRig d;
        d.view.resize(420, 320);
        d.view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d.view));
        QTRY_COMPARE(d.view.graphicsScene()->sceneRect(), QRectF(0, 0, 420, 320));
        CoreNormal parser(&d.window);
        parser.input("0,");
        parser.input("1,0,100,100,");
        parser.input("1,0,200,200,");
        auto scene = d.current<NormalScene>();
        QVERIFY(scene);
        QVERIFY(scene->trail(0, 0)->isVisible());
        QCOMPARE(scene->ringPosition(0), 1);

        d.view.resize(820, 620);
        QTRY_COMPARE(d.view.graphicsScene()->sceneRect(), QRectF(0, 0, 820, 620));
        QVERIFY(!scene->trail(0, 0)->isVisible());
        QCOMPARE(scene->trail(0, 0)->line(), QLineF());
        QCOMPARE(scene->ringPosition(0), 0);
        // 800 x 600 over the default 800 x 600 resolution: scale 1.
        QCOMPARE(scene->outline(1)->line(), QLineF(10, 10, 810, 10));

        // A viewport without width changes nothing.
        d.view.resize(0, 300);
        QTest::qWait(20);
        QCOMPARE(d.view.graphicsScene()->sceneRect(), QRectF(0, 0, 820, 620));
    }

    void rasterDotRadius_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<qreal>("radius");
        QTest::newRow("10") << 10 << 0.5;
        QTest::newRow("-10") << -10 << 0.5;
        QTest::newRow("20") << 20 << 0.8;
        QTest::newRow("-110") << -110 << 0.5;
        QTest::newRow("-210") << -210 << 1.0;
        QTest::newRow("110") << 110 << 8.0;
    }
    void rasterDotRadius()
    {
        QFETCH(int, value);
        QFETCH(qreal, radius);
        QVERIFY(qFuzzyCompare(geometry::rasterDotRadius(value), radius));

        DisplayRig d(660, 460);
        d.window.settings()->set("x_electrodes", "2");
        d.window.settings()->set("y_electrodes", "1");
        CoreRaster parser(&d.window);
        const QList<QList<int>> frame = {{0, 0, 0}, {0, value, 0}};
        startRaster(parser, frame);
        auto scene = d.current<RasterScene>();
        QVERIFY(scene);
        QCOMPARE(scene->rows(), 2);
        QCOMPARE(scene->columns(), 3);
        parser.input(record("S", frame.last()).constData());
        // The S row is the last row of the frame: bottom middle, (330, 430).
        const QRectF rect = scene->dot(1, 1)->rect();
        QVERIFY(qFuzzyCompare(rect.width() / 2, radius));
        QVERIFY(qFuzzyCompare(rect.center().x(), 330.0));
        QVERIFY(qFuzzyCompare(rect.center().y(), 430.0));
        QCOMPARE(scene->dot(1, 1)->brush().color(), QColor(255, 0, 0));
        QCOMPARE(scene->dot(1, 1)->brush().style(), Qt::SolidPattern);
        QCOMPARE(scene->dot(0, 0)->rect().center(), QPointF(30, 30));
    }

    void rasterSkipsUpdatesInASmallView()
    {
        DisplayRig d(60, 400);
        d.window.settings()->set("x_electrodes", "1");
        d.window.settings()->set("y_electrodes", "1");
        CoreRaster parser(&d.window);
        startRaster(parser, {{50, 50}, {50, 50}});
        auto scene = d.current<RasterScene>();
        QVERIFY(scene);
        parser.input("S50,50,");
        QCOMPARE(scene->dot(0, 0)->rect(), QRectF(0, 0, 1, 1));
        d.window.resetScene();
        QCOMPARE(scene->dot(0, 0)->scene(), nullptr);
        QCOMPARE(scene->dot(0, 0)->rect(), QRectF());
    }

    void buttonBarsAreClamped_data()
    {
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("drawn");
        QTest::addColumn<bool>("inRange");
        // H = 400: values are clamped into [-99, 99]; Btn_Min 20, Btn_Max 150.
        QTest::newRow("within") << 50 << 50 << true;
        QTest::newRow("at min") << 20 << 20 << true;
        QTest::newRow("below min") << 19 << 19 << false;
        QTest::newRow("clamped high, coloured by the clamp") << 500 << 99 << true;
        QTest::newRow("clamped low") << -500 << -99 << false;
    }
    void buttonBarsAreClamped()
    {
        QFETCH(int, value);
        QFETCH(int, drawn);
        QFETCH(bool, inRange);
        QGraphicsScene graphics(0, 0, 1600, 400);
        BtnScene scene(20, 150, &graphics);
        scene.setData({value, 0, 0, 0, 0, 0, 0, value});
        QCOMPARE(scene.bar(0)->line(), QLineF(0, 200 - 2 * drawn, 100, 200 - 2 * drawn));
        QCOMPARE(scene.bar(7)->line(), QLineF(1400, 200 - 2 * drawn, 1500, 200 - 2 * drawn));
        QVERIFY(samePen(scene.bar(0)->pen(), inRange ? scene.inRangePen() : scene.outOfRangePen()));
        QCOMPARE(scene.layoutLine(1)->line(), QLineF(0, 200 - 300, 1600, 200 - 300));
        QCOMPARE(scene.layoutLine(2)->line(), QLineF(0, 160, 1600, 160));
    }

    void buttonListOfOtherLengthOnlyBuildsFrame()
    {
        QGraphicsScene graphics(0, 0, 1600, 400);
        BtnScene scene(0, 100, &graphics);
        scene.setData({1, 2, 3});
        QCOMPARE(graphics.items().size(), 3 + 8);
        QCOMPARE(scene.bar(3)->line(), QLineF(600, 200, 700, 200));
        scene.setData({1, 2, 3, 4, 5, 6, 7, 8});
        QCOMPARE(graphics.items().size(), 3 + 8);
        QCOMPARE(scene.bar(3)->line(), QLineF(600, 192, 700, 192));
        QCOMPARE(geometry::clampButtonValue(5, 0), 1); // no room at all, still defined
    }

    void logPaneIsClearedPastTwoThousandLines()
    {
        DisplayRig d;
        QTextEdit log;
        d.context.logPane = &log;
        for (int i = 0; i < 2000; ++i)
            d.window.appendLog(QByteArray::number(i).constData());
        QCOMPARE(log.document()->lineCount(), 2000);
        d.window.appendLog("2001st");
        QCOMPARE(log.document()->lineCount(), 2001);
        d.window.appendLog("2002nd");
        QCOMPARE(log.document()->lineCount(), 1);
        QCOMPARE(log.toPlainText(), QString("2002nd"));
        d.window.clearLog();
        QVERIFY(log.toPlainText().isEmpty());
    }

    void windowWithoutWidgetsDoesNothing()
    {
        DisplayContext empty;
        QtWindowImp window(&empty);
        window.appendLog("x");
        window.clearLog();
        window.showMasterVersion("1.0");
        window.showDebugScene(nullptr);
        window.updateScene();
        window.clearScene();
        window.setSceneActive(false);
        CoreNormal parser(&window);
        parser.input("1,0,1,1,");
        QtWindowImp noContext(nullptr);
        noContext.showBlankScene();
        QVERIFY(window.settings() != noContext.settings());
    }

    void windowObjectInterface()
    {
        DisplayRig d;
        QVERIFY(d.window.qt_metacast("quilex_gui_qtlib::QtWindowImp") == &d.window);
        QVERIFY(d.window.qt_metacast("quilex_gui::WindowImp")
                == static_cast<WindowImp *>(&d.window));
        QCOMPARE(d.window.parent(), nullptr);

        const QMetaObject *meta = d.window.metaObject();
        QStringList signalNames;
        for (int i = meta->methodOffset(); i < meta->methodCount(); ++i) {
            if (meta->method(i).methodType() == QMetaMethod::Signal)
                signalNames << QString::fromLatin1(meta->method(i).methodSignature());
        }
        QCOMPARE(signalNames,
                 (QStringList{"ScanParameters()", "DrawEffect()", "CheckCrossX()", "CheckCrossY()",
                              "SignalRequestMasterDownload()", "SignalMasterVersion(const char*)",
                              "SignalSlaveVersion(const char*)", "SignalElectrodesX(const char*)",
                              "SignalElectrodesY(const char*)", "SignalCommand(int)"}));

        QSignalSpy command(&d.window, SIGNAL(SignalCommand(int)));
        QSignalSpy download(&d.window, SIGNAL(SignalRequestMasterDownload()));
        WindowImp &imp = d.window;
        imp.sendCommand(7);
        imp.requestMasterDownload();
        QCOMPARE(command.size(), 1);
        QCOMPARE(command.first().first().toInt(), 7);
        QCOMPARE(download.size(), 1);

        imp.setCrossX(12);
        imp.setCrossY(-3);
        QCOMPARE(imp.settings()->value("x_cross"), QByteArray("12"));
        QCOMPARE(imp.settings()->value("y_cross"), QByteArray("-3"));

        QLabel caption;
        QLabel text;
        d.context.versionCaption = &caption;
        d.context.versionText = &text;
        imp.showMasterVersion("V2.07");
        QCOMPARE(caption.text(), QString("Master Version:"));
        QCOMPARE(text.text(), QString("V2.07"));
    }

    void otherSceneKindsDrawNothing()
    {
        DisplayRig d;
        CoreDebug parser(&d.window);
        WindowImp &imp = d.window;
        const int before = d.items();
        imp.showQualificationScene(&parser);
        QVERIFY(d.view.currentScene());
        imp.showMultiFingerScene(&parser);
        imp.showBendingDebugScene(&parser);
        imp.updateScene();
        imp.resetScene();
        QCOMPARE(d.items(), before);
    }

    void clearingTheSceneLeavesNoDanglingItems()
    {
        DisplayRig d;
        CoreDebug parser(&d.window);
        startDebug(parser, 3, 2);
        QVERIFY(d.items() > 0);
        d.window.clearScene();
        QCOMPARE(d.items(), 0);
        // The debug scene is still current; its next update must not touch
        // the deleted items.
        parser.input("X1,2,3,");
        parser.input("Y1,2,");
        d.window.refreshScene();
        QCOMPARE(d.items(), 0);

        CoreNormal touch(&d.window);
        touch.input("0,");
        touch.input("1,0,5,5,");
        d.window.clearScene();
        touch.input("1,0,6,6,");
        d.view.resize(300, 200);
        d.view.currentScene()->relayout();
        QCOMPARE(d.items(), 0);
    }

    void viewRefusesToCloseWhileFullScreen()
    {
        DisplayView view;
        view.showFullScreen();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QVERIFY(!view.close());
        QVERIFY(view.isVisible());
        view.showNormal();
        QVERIFY(view.close());
        QVERIFY(!view.isVisible());
    }
};

QTEST_MAIN(TestDisplayScene)
#include "tst_display_scene.moc"
