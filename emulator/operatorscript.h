#ifndef EMULATOR_OPERATORSCRIPT_H
#define EMULATOR_OPERATORSCRIPT_H

#include "bridgeboard.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace emulator {

class InProcessTransport;

// What the operator's hands do to the panel, as a time table: at each step's
// time the fingers, the keys held or both change. Host-independent: a player
// puts the steps on a board as their time comes.
struct OperatorStep
{
    std::chrono::milliseconds at{0};
    std::optional<std::vector<Touch>> touches; // none: the fingers stay as they are
    std::optional<std::uint8_t> keys;          // none: the keys stay as they are
};

using OperatorScript = std::vector<OperatorStep>;

namespace script {

// Sides of the panel, for a border trace that leaves some out.
enum Side : unsigned { Top = 1, Right = 2, Bottom = 4, Left = 8, AllSides = 15 };

// How far in from each edge the finger runs, in panel pixels.
struct Insets
{
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// One finger drawn clockwise along the border from the top-left corner: the
// top edge, the right, the bottom, the left, back to the corner, at
// pixelsPerSecond, with a point every step. Over the sides left out the
// finger is lifted and the time passes all the same. The finger is lifted at
// the end. Empty for a panel without area or a speed of 0 or less.
OperatorScript borderTrace(int xRes, int yRes, double pixelsPerSecond, unsigned sides = AllSides,
                           Insets insets = Insets(),
                           std::chrono::milliseconds step = std::chrono::milliseconds(10));

// Key presses one after the other: each mask (bit k: key k) is held for hold
// and released, then gap passes before the next.
OperatorScript keyPresses(const std::vector<std::uint8_t> &masks, std::chrono::milliseconds hold,
                          std::chrono::milliseconds gap);
// Keys 0 .. count - 1 in turn.
std::vector<std::uint8_t> everyKey(int count);

// The script moved later by offset.
OperatorScript delayed(OperatorScript s, std::chrono::milliseconds offset);
// Both scripts at once, in time order (at the same time, a's step first).
OperatorScript merged(const OperatorScript &a, const OperatorScript &b);
// When the last step happens.
std::chrono::milliseconds duration(const OperatorScript &s);

} // namespace script

// Plays a script on an in-process board from a thread of its own, so that the
// steps come on time also while the station's thread sleeps or waits in a
// modal dialog. Destroying the player stops it.
class ScriptPlayer
{
public:
    explicit ScriptPlayer(InProcessTransport &board);
    ~ScriptPlayer();
    ScriptPlayer(const ScriptPlayer &) = delete;
    ScriptPlayer &operator=(const ScriptPlayer &) = delete;

    // Starts the script now; one still playing is stopped first.
    void play(OperatorScript script);
    // Stops between two steps; the panel keeps what the last step put on it.
    void stop();
    // True once the last step was played; false when the time ran out first.
    bool waitFinished(std::chrono::milliseconds timeout);

private:
    void run(OperatorScript script);

    InProcessTransport &board_;
    std::thread thread_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool stopRequested_ = false;
    bool finished_ = true;
};

} // namespace emulator

#endif
