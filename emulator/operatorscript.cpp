#include "operatorscript.h"

#include "inprocesstransport.h"

#include <algorithm>
#include <cmath>

namespace emulator {
namespace script {

namespace {

struct Point
{
    int x = 0;
    int y = 0;
};

} // namespace

OperatorScript borderTrace(int xRes, int yRes, double pixelsPerSecond, unsigned sides, Insets insets,
                           std::chrono::milliseconds step)
{
    OperatorScript s;
    if (xRes <= 0 || yRes <= 0 || !(pixelsPerSecond > 0) || step.count() <= 0)
        return s;
    const auto clampX = [xRes](int v) { return std::clamp(v, 0, xRes - 1); };
    const auto clampY = [yRes](int v) { return std::clamp(v, 0, yRes - 1); };
    const Point corners[5] = {
        {clampX(insets.left), clampY(insets.top)},
        {clampX(xRes - 1 - insets.right), clampY(insets.top)},
        {clampX(xRes - 1 - insets.right), clampY(yRes - 1 - insets.bottom)},
        {clampX(insets.left), clampY(yRes - 1 - insets.bottom)},
        {clampX(insets.left), clampY(insets.top)},
    };
    const Side order[4] = {Top, Right, Bottom, Left};
    const double perStep = pixelsPerSecond * double(step.count()) / 1000.0;

    std::chrono::milliseconds at{0};
    for (int side = 0; side < 4; ++side) {
        const Point a = corners[side];
        const Point b = corners[side + 1];
        const double length = std::hypot(double(b.x - a.x), double(b.y - a.y));
        const int steps = std::max(1, int(std::ceil(length / perStep)));
        const bool down = (sides & order[side]) != 0;
        // Each side from its first corner up to, not including, the next; the
        // last side also ends on the corner it started from.
        const int last = side == 3 ? steps : steps - 1;
        for (int i = 0; i <= last; ++i) {
            OperatorStep st;
            st.at = at;
            if (down) {
                const double f = double(i) / steps;
                st.touches = std::vector<Touch>{
                    {0, std::uint16_t(std::lround(a.x + f * (b.x - a.x))),
                     std::uint16_t(std::lround(a.y + f * (b.y - a.y)))}};
            } else {
                st.touches = std::vector<Touch>{};
            }
            s.push_back(st);
            at += step;
        }
    }
    OperatorStep lift;
    lift.at = at;
    lift.touches = std::vector<Touch>{};
    s.push_back(lift);
    return s;
}

OperatorScript keyPresses(const std::vector<std::uint8_t> &masks, std::chrono::milliseconds hold,
                          std::chrono::milliseconds gap)
{
    OperatorScript s;
    std::chrono::milliseconds at{0};
    for (std::uint8_t mask : masks) {
        OperatorStep press;
        press.at = at;
        press.keys = mask;
        s.push_back(press);
        at += hold;
        OperatorStep release;
        release.at = at;
        release.keys = std::uint8_t(0);
        s.push_back(release);
        at += gap;
    }
    return s;
}

std::vector<std::uint8_t> everyKey(int count)
{
    std::vector<std::uint8_t> masks;
    for (int k = 0; k < std::min(count, 8); ++k)
        masks.push_back(std::uint8_t(1u << k));
    return masks;
}

OperatorScript delayed(OperatorScript s, std::chrono::milliseconds offset)
{
    for (OperatorStep &st : s)
        st.at += offset;
    return s;
}

OperatorScript merged(const OperatorScript &a, const OperatorScript &b)
{
    OperatorScript s = a;
    s.insert(s.end(), b.begin(), b.end());
    std::stable_sort(s.begin(), s.end(),
                     [](const OperatorStep &x, const OperatorStep &y) { return x.at < y.at; });
    return s;
}

std::chrono::milliseconds duration(const OperatorScript &s)
{
    std::chrono::milliseconds last{0};
    for (const OperatorStep &st : s)
        last = std::max(last, st.at);
    return last;
}

} // namespace script

ScriptPlayer::ScriptPlayer(InProcessTransport &board) : board_(board) {}

ScriptPlayer::~ScriptPlayer()
{
    stop();
}

void ScriptPlayer::play(OperatorScript script)
{
    stop();
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = false;
        finished_ = false;
    }
    thread_ = std::thread(&ScriptPlayer::run, this, std::move(script));
}

void ScriptPlayer::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopRequested_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable())
        thread_.join();
}

bool ScriptPlayer::waitFinished(std::chrono::milliseconds timeout)
{
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, timeout, [this] { return finished_; });
}

void ScriptPlayer::run(OperatorScript script)
{
    const auto start = std::chrono::steady_clock::now();
    for (const OperatorStep &st : script) {
        {
            std::unique_lock<std::mutex> lock(mutex_);
            if (changed_.wait_until(lock, start + st.at, [this] { return stopRequested_; }))
                return;
        }
        if (st.touches)
            board_.setTouches(*st.touches);
        if (st.keys)
            board_.setKeys(*st.keys);
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        finished_ = true;
    }
    changed_.notify_all();
}

} // namespace emulator
