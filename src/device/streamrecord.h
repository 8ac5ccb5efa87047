#ifndef STREAMRECORD_H
#define STREAMRECORD_H

#include "bridgereport.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

// The text records the streams hand to the window, built from raw input
// reports. Plain functions, so that every rule can be checked (and fuzzed)
// against hand-made reports; none of them reads outside the report it is given.
// Every number is decimal and followed by one comma, the key code excepted.
namespace device {
namespace record {

using bridge::Report;

// A forwarded touch report: the count in byte 1, then five slots of id (modulo
// 8), a and b (little-endian) from byte 3 on. A count above five is no touch
// report of ours and yields nothing. All five slots are always written.
std::optional<QString> touchRecord(const Report &report);

// The key code: byte 2 in decimal, no comma.
QString keyCodeText(const Report &report);

// Signed 16-bit value, low byte first. Debug values are clamped to -255..255
// (the display's scale); raster values are passed on as they are.
int rawValue(std::uint8_t low, std::uint8_t high);
int debugValue(std::uint8_t low, std::uint8_t high);

// Appends the values in answer bytes 1..count (pairs (1,2), (3,4), ...) to
// text. count is what was asked of the data window; it never reaches past the
// 60 bytes one answer carries.
void appendValues(QString &text, const Report &answer, int count, bool clamp);

// One data window request of a block: bytes from offset (relative to the
// window; the register wraps at 8 bits), count bytes.
struct Chunk
{
    int offset = 0;
    std::uint8_t count = 0;

    bool operator==(const Chunk &o) const { return offset == o.offset && count == o.count; }
};

constexpr int ChunkBytes = 60;

// The requests that read length bytes from start on: full 60-byte chunks, then
// one request for the rest, which is sent with count 0 when the block is a
// multiple of 60 (the controller counts its block reads that way). Empty for
// a negative length.
std::vector<Chunk> blockChunks(int start, int length);

// Electrode counts that size a block: the information page holds them in one
// byte, and no count below 1 gives a block at all.
constexpr bool streamableCount(int n)
{
    return n >= 1 && n <= 255;
}

// XN - 1 (or YN - 1) debug values, two bytes each.
constexpr int debugBlockBytes(int electrodes)
{
    return 2 * electrodes - 2;
}

// XN + 1 raster values, two bytes each.
constexpr int rasterRowBytes(int xn)
{
    return 2 * xn + 2;
}

} // namespace record
} // namespace device

#endif
