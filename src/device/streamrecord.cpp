#include "streamrecord.h"

#include <algorithm>

namespace device {
namespace record {

namespace {

constexpr int TouchSlots = 5;

void appendNumber(QString &text, int value)
{
    text += QString::number(value);
    text += QLatin1Char(',');
}

int little16(const Report &r, std::size_t low)
{
    return r[low + 1] * 256 + r[low];
}

} // namespace

std::optional<QString> touchRecord(const Report &report)
{
    const int count = report[1];
    if (count > TouchSlots)
        return std::nullopt;
    QString text;
    text.reserve(64);
    appendNumber(text, count);
    for (std::size_t k = 0; k < TouchSlots; ++k) {
        appendNumber(text, report[7 + 5 * k] % 8);
        appendNumber(text, little16(report, 3 + 5 * k));
        appendNumber(text, little16(report, 5 + 5 * k));
    }
    return text;
}

QString keyCodeText(const Report &report)
{
    return QString::number(report[2]);
}

int rawValue(std::uint8_t low, std::uint8_t high)
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(high << 8 | low));
}

int debugValue(std::uint8_t low, std::uint8_t high)
{
    return std::clamp(rawValue(low, high), -255, 255);
}

void appendValues(QString &text, const Report &answer, int count, bool clamp)
{
    const int bytes = std::clamp(count, 0, ChunkBytes);
    for (int i = 1; i + 1 <= bytes; i += 2) {
        const std::uint8_t low = answer[static_cast<std::size_t>(i)];
        const std::uint8_t high = answer[static_cast<std::size_t>(i + 1)];
        appendNumber(text, clamp ? debugValue(low, high) : rawValue(low, high));
    }
}

std::vector<Chunk> blockChunks(int start, int length)
{
    std::vector<Chunk> chunks;
    if (length < 0)
        return chunks;
    const int full = length / ChunkBytes;
    chunks.reserve(static_cast<std::size_t>(full) + 1);
    for (int j = 0; j < full; ++j)
        chunks.push_back({start + ChunkBytes * j, static_cast<std::uint8_t>(ChunkBytes)});
    chunks.push_back({start + ChunkBytes * full, static_cast<std::uint8_t>(length % ChunkBytes)});
    return chunks;
}

} // namespace record
} // namespace device
