// The live display's record parsers (touch, debug X/Y, raster S/R) and the
// border test's touch reader, fed the lines of one input as stream records.
//
// Input: byte 0 x_electrodes, byte 1 y_electrodes (fuzz::electrodeCount),
// byte 2 flags for the touch parser's profile keys, then one record per line.
// Every record goes to all three parsers, as a mode switch would leave them.
#include "fuzzinput.h"
#include "silentwindow.h"

#include "borderwidget.h"
#include "coredebug.h"
#include "corenormal.h"
#include "coreraster.h"

#include <QList>
#include <QString>

#include <algorithm>
#include <optional>
#include <string>

using namespace quilex_gui;

namespace {

// A display window that checks what a scene would rely on whenever a parser
// asks it to draw.
class CheckingWindow : public fuzz::SilentWindow
{
public:
    void updateScene() override { check(m_current); }
    void showNormalScene(State *source) override { show(source); }
    void showDebugScene(State *source) override { show(source); }
    void showBendingDebugScene(State *source) override { show(source); }
    void showRasterScene(State *source) override { show(source); }
    void showSingleDebugScene(State *source) override { show(source); }
    void showSingleDebugThresholdScene(State *source) override { show(source); }
    void showSingleDebugZeroScene(State *source) override { show(source); }
    void showMultiFingerLiftScene(State *source) override { show(source); }
    void showMultiFingerScene(State *source) override { show(source); }
    void showQualificationScene(State *source) override { show(source); }

    // The parser whose records are being fed; updateScene() concerns it.
    void feeding(State *parser) { m_current = parser; }

private:
    void show(State *source)
    {
        // A parser shows its scene only while its own record is fed (or, the touch
        // parser, while it is made).
        FUZZ_CHECK(m_current == nullptr || source == m_current);
        check(source);
    }

    static void check(State *source)
    {
        if (const auto *raster = dynamic_cast<const CoreRaster *>(source)) {
            // The raster scene draws rowCount() rows of the first row's length.
            if (raster->isStarting())
                return;
            const int rows = raster->rowCount();
            FUZZ_CHECK(rows == raster->expectedRows());
            for (int r = 0; r < rows; ++r)
                FUZZ_CHECK(static_cast<int>(raster->row(r).size()) == raster->expectedColumns());
        } else if (const auto *debug = dynamic_cast<const CoreDebug *>(source)) {
            if (debug->isStarting())
                return;
            FUZZ_CHECK(static_cast<int>(debug->xValues().size()) == debug->expectedXCount());
            FUZZ_CHECK(static_cast<int>(debug->yValues().size()) == debug->expectedYCount());
            FUZZ_CHECK(debug->yValues().size() <= CoreDebug::MaxLineValues);
        } else if (const auto *normal = dynamic_cast<const Normal *>(source)) {
            FUZZ_CHECK(normal->xResolution() > 0 && normal->yResolution() > 0);
        }
    }

    State *m_current = nullptr;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 3)
        return 0;
    CheckingWindow window;
    Settings &store = *window.settings();
    store.set("x_electrodes", QByteArray::number(fuzz::electrodeCount(data[0])));
    store.set("y_electrodes", QByteArray::number(fuzz::electrodeCount(data[1])));
    const std::uint8_t flags = data[2];
    if (flags & 1)
        store.set("x_res", flags & 2 ? "-5" : "99999999999");
    if (flags & 4)
        store.set("y_res", flags & 8 ? "0" : "1024");
    store.set("x_reverse", flags & 16 ? "True" : "False");
    store.set("y_reverse", flags & 32 ? "True" : "true");

    window.feeding(nullptr);
    CoreNormal normal(&window);
    CoreDebug debug(&window);
    CoreRaster raster(&window);

    const QList<QByteArray> records = fuzz::rest(data, size, 3).split('\n');
    for (const QByteArray &record : records) {
        // The window hands each record over as a C string, as its Latin-1 text.
        const std::string text = record.toStdString();
        window.feeding(&normal);
        normal.input(text.c_str());
        window.feeding(&debug);
        debug.input(text.c_str());
        window.feeding(&raster);
        raster.input(text.c_str());

        FUZZ_CHECK(raster.rowCount() >= 0 && raster.rowCount() <= std::max(raster.expectedRows(), 0));
        FUZZ_CHECK(debug.yValues().size() <= CoreDebug::MaxLineValues);
        for (int i = 0; i < normal.slotCount(); ++i)
            FUZZ_CHECK(normal.slot(i).a >= 0 && normal.slot(i).b >= 0);

        const QString touch = QString::fromLatin1(record);
        if (const std::optional<QPoint> point = border::scaledTouch(touch, normal.xResolution(), normal.yResolution())) {
            FUZZ_CHECK(point->x() > 2 && point->x() < border::AreaWidth);
            FUZZ_CHECK(point->y() > 2 && point->y() < border::AreaHeight);
        }
        border::scaledTouch(touch, 1, 1);
    }
    return 0;
}
