#ifndef EMULATOR_LATENCYMODEL_H
#define EMULATOR_LATENCYMODEL_H

#include <chrono>

namespace emulator {

// How long one report takes on the bus. A request costs one report time
// before the board has it, its answer one more before the host can read it.
struct LatencyModel
{
    std::chrono::microseconds perReport{0};

    // Unit tests: answers are there as soon as the request is written.
    static LatencyModel none() { return {}; }
    // A full-speed HID device is polled once per 1 ms frame in each direction.
    static LatencyModel usbFullSpeed() { return {std::chrono::milliseconds(1)}; }
};

} // namespace emulator

#endif
