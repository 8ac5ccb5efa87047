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
//
// A trace left on for a long session is rotated at a size (wire.txt becomes
// wire.txt.1, and so on); the times go on counting from the first open.
class WireTrace
{
public:
    enum class Direction { Out, In, FeatureSet, FeatureGet };

    WireTrace() = default;
    WireTrace(const WireTrace &) = delete;
    WireTrace &operator=(const WireTrace &) = delete;

    // A run of the demo panel puts about 18 KB on the wire: one part holds
    // some 1 800 runs, the four parts about a day of production.
    static constexpr qint64 DefaultLimitBytes = qint64(32) << 20;
    static constexpr int DefaultPartsKept = 3;

    // Starts a fresh file (truncated, the parts of an earlier trace removed);
    // false when it cannot be written.
    bool open(const QString &path);
    // The size at which the file is rotated, and how many older parts stay.
    void setRotation(qint64 limitBytes, int partsKept);
    void close();
    bool isOpen() const;

    // meaningful: how many leading bytes belong to the report's fields.
    void record(Direction direction, const std::uint8_t *data, std::size_t length, std::size_t meaningful);

    static QString formatLine(double elapsedMs, Direction direction, const std::uint8_t *data,
                              std::size_t length, std::size_t meaningful);

private:
    mutable std::mutex mutex_;
    QFile file_;
    qint64 limit_ = DefaultLimitBytes;
    int kept_ = DefaultPartsKept;
    std::chrono::steady_clock::time_point start_;
};

} // namespace emulator

#endif
