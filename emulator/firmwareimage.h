#ifndef EMULATOR_FIRMWAREIMAGE_H
#define EMULATOR_FIRMWAREIMAGE_H

#include "report.h"

#include <QByteArray>

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace emulator {

// What the emulated controller's bootloader understands. The station only
// knows that a record is 143 bytes whose first byte is its type and that the
// bootloader answers each one; the rest is this bootloader's own protocol:
//
//   byte 0        type
//   bytes 1..141  by type (below), unused bytes 0x00
//   byte 142      checksum: all 143 bytes add up to 0 modulo 256
//
//   0x02 start    byte 1: the bootloader code (fourth version byte) the image is for
//   0x00 data     bytes 1, 2: address, high byte first; byte 3: length n (0..128);
//                 bytes 4..4+n-1: program bytes
//   0x04 text     byte 1: length n (0..32); bytes 2..2+n-1: the EEPROM version text
//   0x01 end      bytes 1, 2: the image CRC, low byte first (as the controller shows it)
//   0x03, 0x05, 0x06  taken without effect
//   0x0F note     free text for people; the station never sends a type above 0x06
//
// The image CRC is CRC-16 (polynomial 0x1021, start 0xFFFF, not reflected, no
// final xor) over the program bytes of the data records in the order sent, so
// a record lost, repeated or garbled on the way makes the image fail its check.
namespace record {
constexpr std::uint8_t Data = 0x00;
constexpr std::uint8_t End = 0x01;
constexpr std::uint8_t Start = 0x02;
constexpr std::uint8_t Text = 0x04;
constexpr std::uint8_t LastSent = 0x06;
constexpr std::uint8_t Note = 0x0F;
constexpr std::size_t MaxData = 128;
constexpr std::size_t MaxText = 32;
constexpr std::size_t Checksum = firmware::RecordSize - 1;
} // namespace record

using FirmwareRecord = std::array<std::uint8_t, firmware::RecordSize>;

constexpr std::uint16_t kCrcStart = 0xFFFF;
std::uint16_t crc16(std::uint16_t crc, const std::uint8_t *data, std::size_t length);

// Sets the checksum byte; intact() tells whether a record still adds up.
void sealRecord(FirmwareRecord &r);
bool recordIntact(const FirmwareRecord &r);

// The firmware for one bootloader: one section of an image file.
struct FirmwareSection
{
    std::uint8_t bootloaderCode = 0x48;
    std::vector<std::uint8_t> program;
    QByteArray eeprom; // empty: the image leaves the EEPROM text alone

    std::uint16_t crc() const;
    // start, data..., text (when there is one), end; each sealed.
    std::vector<FirmwareRecord> records() const;

    // Program bytes from a seed, with two more bytes chosen so that the image
    // CRC comes out as wanted: an image that brings a panel to a profile's CRC.
    static FirmwareSection generate(std::uint8_t bootloaderCode, std::uint16_t wantedCrc, const QByteArray &eeprom,
                                    std::size_t programSize, std::uint32_t seed);
};

// One record as a data line: "$" and 286 upper-case hex digits.
QByteArray qlxLine(const FirmwareRecord &r);

// An image file with these sections in order. Each starts with a version line
// naming its bootloader code, and pauses after the start record while the
// bootloader erases.
QByteArray qlxText(const std::vector<FirmwareSection> &sections);

} // namespace emulator

#endif
