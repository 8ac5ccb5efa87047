#ifndef EMULATOR_WIRETRACE_H
#define EMULATOR_WIRETRACE_H

#include <QFile>
#include <QString>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>

namespace emulator {

// Every report crossing the wire, one line each, so that a station run can be
// read back exchange by exchange:
//
//     12.031 out 02 00 00 01 88 02 02 00
//     12.040 in  02
//    112.305 out 02 00 00 00 8E 0D
//
// Milliseconds since the trace was opened, the direction (out: host to board,
// in: board to host, set/get: feature reports), the bytes in hex. Trailing
// zeros beyond the fields the report carries are left out; a non-zero byte is
// never left out.
class WireTrace
{
public:
    enum class Direction { Out, In, FeatureSet, FeatureGet };

    WireTrace() = default;
    WireTrace(const WireTrace &) = delete;
    WireTrace &operator=(const WireTrace &) = delete;

    // Starts a fresh file (truncated); false when it cannot be written.
    bool open(const QString &path);
    void close();
    bool isOpen() const;

    // meaningful: how many leading bytes belong to the report's fields.
    void record(Direction direction, const std::uint8_t *data, std::size_t length, std::size_t meaningful);

    static QString formatLine(double elapsedMs, Direction direction, const std::uint8_t *data,
                              std::size_t length, std::size_t meaningful);

private:
    mutable std::mutex mutex_;
    QFile file_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace emulator

#endif
