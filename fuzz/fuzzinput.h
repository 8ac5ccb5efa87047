#ifndef FUZZINPUT_H
#define FUZZINPUT_H

// What the fuzz targets share: the libFuzzer entry point, a check that stays
// on in every build type, and the panel sizes some inputs start with.

#include <QByteArray>
#include <QList>

#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size);

// An invariant of the reader; unlike assert() it is never compiled out, and the
// fuzzer (or the replay test) reports the input that broke it.
#define FUZZ_CHECK(condition)                                                                      \
    do {                                                                                           \
        if (!(condition)) {                                                                        \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition);    \
            std::abort();                                                                          \
        }                                                                                          \
    } while (false)

namespace fuzz {

// An electrode count from one input byte: the byte itself for the counts of real
// panels, and the few bytes at the top for the counts a damaged profile can hold.
inline int electrodeCount(std::uint8_t b)
{
    switch (b) {
    case 0xFF:
        return INT_MAX;
    case 0xFE:
        return INT_MIN;
    case 0xFD:
        return 256;
    case 0xFC:
        return -1;
    default:
        return b;
    }
}

// The input after its first `skip` bytes (empty when it is shorter).
inline QByteArray rest(const std::uint8_t *data, std::size_t size, std::size_t skip)
{
    if (size <= skip)
        return QByteArray();
    return QByteArray(reinterpret_cast<const char *>(data + skip), static_cast<qsizetype>(size - skip));
}

} // namespace fuzz

#endif
