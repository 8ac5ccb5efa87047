// The hands-on items driven by the emulated operator: a finger traced along
// the border and keys pressed in turn, read from the board's touch reports and
// key codes as the normal stream sees them, into the border widget and the key
// status dialog.
#include "borderwidget.h"
#include "btnstatusdlg.h"
#include "streamrecord.h"

#include <inprocesstransport.h>
#include <operatorscript.h>

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(std::vector<std::uint8_t>)

using namespace std::chrono_literals;
using emulator::InProcessTransport;
using emulator::ScriptPlayer;
namespace script = emulator::script;

namespace {

// The board with forwarding and interrupt reports switched on, and a pump on
// the test's thread that hands each report to a handler, as the stream does.
class ForwardingBoard
{
public:
    ForwardingBoard()
    {
        board.setScanInterval(1ms);
        board.open(0x1A86, 0xE0A1);
        command({0x02, 0x03, 0x00, 0x01});
        command({0x02, 0x05, 0x00, 0x00});
        pump.setInterval(2);
    }

    template <typename F>
    void onReport(F handler)
    {
        QObject::connect(&pump, &QTimer::timeout, [this, handler] {
            device::bridge::Report r{};
            while (board.read(r.data(), r.size(), 0) == 64)
                handler(r);
        });
        pump.start();
    }

    InProcessTransport board;
    QTimer pump;

private:
    void command(std::initializer_list<std::uint8_t> bytes)
    {
        device::bridge::Report r{};
        std::copy(bytes.begin(), bytes.end(), r.begin());
        board.write(r.data(), r.size());
        board.read(r.data(), r.size(), 100);
    }
};

} // namespace

class TestProductionOperatorScript : public QObject
{
    Q_OBJECT

private slots:
    void traceShape_data()
    {
        QTest::addColumn<unsigned>("sides");
        QTest::newRow("all") << unsigned(script::AllSides);
        QTest::newRow("no top") << unsigned(script::AllSides & ~script::Top);
        QTest::newRow("no left") << unsigned(script::AllSides & ~script::Left);
    }
    void traceShape()
    {
        QFETCH(unsigned, sides);
        const script::Insets in{8, 8, 8, 1};
        const auto s = script::borderTrace(1280, 800, 1000, sides, in, 10ms);
        QVERIFY(!s.empty());
        // 2 x (1263 + 791) px at 1000 px/s, 10 ms a point: about 4.1 s.
        QVERIFY(script::duration(s) >= 4000ms && script::duration(s) <= 4200ms);
        QVERIFY(s.back().touches && s.back().touches->empty());
        bool onSide[4] = {};
        emulator::Touch previous{};
        bool hasPrevious = false;
        for (const auto &st : s) {
            QVERIFY(st.touches && !st.keys);
            QVERIFY(st.touches->size() <= 1);
            if (st.touches->empty())
                hasPrevious = false;
            for (const auto &t : *st.touches) {
                QVERIFY(t.x >= 8 && t.x <= 1271 && t.y >= 8 && t.y <= 798);
                // About 10 px from the previous point: no cell is jumped.
                if (hasPrevious)
                    QVERIFY(std::abs(t.x - previous.x) + std::abs(t.y - previous.y) <= 11);
                previous = t;
                hasPrevious = true;
                onSide[0] |= t.y == 8 && t.x > 8 && t.x < 1271;
                onSide[1] |= t.x == 1271 && t.y > 8 && t.y < 798;
                onSide[2] |= t.y == 798 && t.x > 8 && t.x < 1271;
                onSide[3] |= t.x == 8 && t.y > 8 && t.y < 798;
            }
        }
        QCOMPARE(onSide[0], bool(sides & script::Top));
        QCOMPARE(onSide[1], bool(sides & script::Right));
        QCOMPARE(onSide[2], bool(sides & script::Bottom));
        QCOMPARE(onSide[3], bool(sides & script::Left));
        QVERIFY(script::borderTrace(0, 800, 1000).empty());
        QVERIFY(script::borderTrace(1280, 800, 0).empty());
    }

    void keyScript()
    {
        const auto s = script::keyPresses({1, 4, 3}, 50ms, 20ms);
        QCOMPARE(int(s.size()), 6);
        QCOMPARE(s[0].at, 0ms);
        QCOMPARE(int(*s[0].keys), 1);
        QCOMPARE(s[1].at, 50ms);
        QCOMPARE(int(*s[1].keys), 0);
        QCOMPARE(s[2].at, 70ms);
        QCOMPARE(int(*s[5].keys), 0);
        QCOMPARE(script::duration(s), 190ms);
        QCOMPARE(script::everyKey(3), (std::vector<std::uint8_t>{1, 2, 4}));
        const auto both = script::merged(script::delayed(s, 10ms), script::borderTrace(100, 100, 1000));
        QVERIFY(std::is_sorted(both.begin(), both.end(), [](const auto &a, const auto &b) { return a.at < b.at; }));
        QCOMPARE(both.size(), s.size() + script::borderTrace(100, 100, 1000).size());
    }

    void borderDrawnByTheScript_data()
    {
        QTest::addColumn<unsigned>("sides");
        QTest::addColumn<int>("result");
        QTest::newRow("whole border passes") << unsigned(script::AllSides) << 1;
        QTest::newRow("right side missing fails") << unsigned(script::AllSides & ~script::Right) << 0;
    }
    void borderDrawnByTheScript()
    {
        QFETCH(unsigned, sides);
        QFETCH(int, result);

        ForwardingBoard b;
        BorderWidget w;
        QSignalSpy spy(&w, &BorderWidget::getResultSignal);
        w.showMaximized();
        w.setup(4, 40, 40);
        w.place();
        w.start();
        const int xRes = 1280;
        const int yRes = 800;
        b.onReport([&](const device::bridge::Report &r) {
            const auto record = device::record::touchRecord(r);
            if (!record || w.resultIsFail())
                return;
            if (const auto p = border::scaledTouch(*record, xRes, yRes))
                w.touch(p->x(), p->y());
        });
        ScriptPlayer player(b.board);
        // The station drops the outermost area pixels at the top and left, and
        // its bottom row is a few pixels high: the finger runs close to the
        // bottom edge.
        player.play(script::borderTrace(xRes, yRes, 3000, sides, {8, 8, 8, 1}, 1ms));
        QVERIFY(spy.wait(8000));
        QCOMPARE(spy.at(0).at(0).toInt(), result);
        QVERIFY(player.waitFinished(2000ms));
    }

    void keysPressedByTheScript_data()
    {
        QTest::addColumn<std::vector<std::uint8_t>>("masks");
        QTest::addColumn<bool>("ok");
        QTest::newRow("every key") << script::everyKey(3) << true;
        QTest::newRow("every key, in another order") << std::vector<std::uint8_t>{4, 1, 2} << true;
        QTest::newRow("key 1 missed") << std::vector<std::uint8_t>{1, 4} << false;
        QTest::newRow("a key the panel does not have") << std::vector<std::uint8_t>{1, 8, 4} << false;
    }
    void keysPressedByTheScript()
    {
        QFETCH(std::vector<std::uint8_t>, masks);
        QFETCH(bool, ok);

        ForwardingBoard b;
        BtnStatusDlg dlg;
        QSignalSpy spy(&dlg, &BtnStatusDlg::getResultSignal);
        dlg.setup(3, 2);
        dlg.show();
        b.onReport([&](const device::bridge::Report &r) {
            dlg.keyCode(device::record::keyCodeText(r).toInt());
        });
        ScriptPlayer player(b.board);
        player.play(script::keyPresses(masks, 60ms, 40ms));
        QVERIFY(spy.wait(5000));
        QCOMPARE(spy.at(0).at(0).toBool(), ok);
        // Success at the first tick, the time-out at the second.
        QCOMPARE(dlg.secondsLeft(), ok ? 1 : 0);
    }
};

QTEST_MAIN(TestProductionOperatorScript)
#include "tst_production_operatorscript.moc"
