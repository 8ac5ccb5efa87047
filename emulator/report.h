#ifndef EMULATOR_REPORT_H
#define EMULATOR_REPORT_H

#include <array>
#include <cstddef>
#include <cstdint>

namespace emulator {

// Every report between the station and the bridge board is 64 bytes, report id first.
constexpr std::size_t kReportSize = 64;
using Report = std::array<std::uint8_t, kReportSize>;

// Output reports the board acts on carry this id; its answers carry it too.
constexpr std::uint8_t kBridgeReportId = 0x02;

namespace cmd {
constexpr std::uint8_t I2cTransfer = 0x00;
constexpr std::uint8_t AttentionCheck = 0x01;
constexpr std::uint8_t Reset = 0x02;
constexpr std::uint8_t Interrupt = 0x03;
constexpr std::uint8_t FirmwareVersion = 0x04;
constexpr std::uint8_t InterruptReport = 0x05;
constexpr std::uint8_t FirmwarePart = 0x06;
constexpr std::uint8_t SupplyCurrent = 0x07;
} // namespace cmd

// Positions inside an I2C transfer request and its answer.
namespace i2c {
constexpr std::size_t Target = 2;
constexpr std::size_t Direction = 3;
constexpr std::size_t Register = 4;
constexpr std::size_t Count = 5;
constexpr std::size_t Data = 6;
constexpr std::uint8_t DirWrite = 0x01;
constexpr std::uint8_t DirRead = 0x00;
constexpr std::uint8_t TargetController = 0x00;
constexpr std::uint8_t TargetBootloader = 0x02;
// The bridge reads at most this many bytes per transfer; answer bytes 61..63 are its own.
constexpr std::size_t MaxRead = 60;
constexpr std::size_t MaxWrite = kReportSize - Data;
constexpr std::size_t TimeoutFlag = 62;
constexpr std::size_t NackFlag = 63;
} // namespace i2c

// A forwarded controller report: the fingers on the panel and the keys held.
// Slot k holds x at 3 + 5k (low byte first), y at 5 + 5k, the finger id at 7 + 5k.
namespace touch {
constexpr std::size_t Count = 1;
constexpr std::size_t Keys = 2;
constexpr std::size_t FirstSlot = 3;
constexpr std::size_t SlotSize = 5;
constexpr std::size_t Slots = 5;
constexpr std::size_t XOffset = 0;
constexpr std::size_t YOffset = 2;
constexpr std::size_t IdOffset = 4;
constexpr std::size_t Length = FirstSlot + Slots * SlotSize; // bytes 0..27
} // namespace touch

// Firmware parts (command 0x06): byte 2 says which part of a record it is.
namespace firmware {
constexpr std::size_t PartByte = 2;
constexpr std::size_t Data = 3;
constexpr std::uint8_t PartFirst = 0x01;
constexpr std::uint8_t PartMiddle = 0x00;
constexpr std::uint8_t PartLast = 0x02;
constexpr std::size_t FullPart = 60;
constexpr std::size_t LastPart = 23;
constexpr std::size_t RecordSize = 2 * FullPart + LastPart; // 143
} // namespace firmware

} // namespace emulator

#endif
