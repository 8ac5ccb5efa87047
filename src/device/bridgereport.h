#ifndef BRIDGEREPORT_H
#define BRIDGEREPORT_H

#include "stoptoken.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>

class QThread;

// The bridge report: the only way the station reaches the panel. Every request
// is built here, so that the byte layout and the register map live in one place,
// and every exchange goes write, delay, read through the device link.
namespace device {
namespace bridge {

constexpr std::size_t ReportSize = 64;
using Report = std::array<std::uint8_t, ReportSize>;

// How long the station waits for the answer to a request. The board answers in
// a few milliseconds; a board that says nothing for this long is taken as a
// failed read instead of freezing the station.
constexpr int AnswerTimeoutMs = 2000;

constexpr std::uint8_t ReportId = 0x02;

enum Command : std::uint8_t {
    I2cTransfer = 0x00,
    AttentionCheck = 0x01,
    Reset = 0x02,
    Interrupt = 0x03,
    FirmwareVersion = 0x04,
    InterruptReport = 0x05,
    FirmwarePart = 0x06,
    SupplyCurrent = 0x07,
};

// I2C transfer header, bytes 2..5 of a command 0x00 request.
constexpr std::uint8_t TargetController = 0x00;
constexpr std::uint8_t TargetBootloader = 0x02;
constexpr std::uint8_t DirectionRead = 0x00;
constexpr std::uint8_t DirectionWrite = 0x01;

// Answer bytes 62 and 63 of an I2C read.
constexpr std::size_t I2cTimeoutFlag = 62;
constexpr std::size_t I2cNoAckFlag = 63;

// Controller registers that are the same in both register maps.
namespace reg {
constexpr std::uint8_t ButtonData = 0x2B;
constexpr std::uint8_t Init33 = 0x33;
constexpr std::uint8_t Attention = 0x34;
constexpr std::uint8_t Command = 0x3A;
constexpr std::uint8_t TbValue = 0x3B;
constexpr std::uint8_t Crc = 0x3E;
constexpr std::uint8_t Eeprom = 0x40;
constexpr std::uint8_t BootloaderVersion = 0x00;
} // namespace reg

// Values written to the command register 0x3A.
constexpr std::uint8_t StartCalibration = 0x03;
constexpr std::uint8_t StartTbMeasurement = 0x04;

// The registers that moved between the controller's two register maps.
struct RegisterMap
{
    std::uint8_t mode;
    std::uint8_t window;
    std::uint8_t rowSelect;
};

constexpr RegisterMap StandardMap{0x88, 0x8E, 0x8B};
constexpr RegisterMap AlternateMap{0x42, 0x48, 0x45};

// The profile's CF48: 1 picks the alternate map, anything else the standard one.
constexpr RegisterMap registerMap(int selector)
{
    return selector == 1 ? AlternateMap : StandardMap;
}

// Chunk k of a long block sits 60 bytes further on; the register address is
// 8 bits and wraps, as it does in the controller.
constexpr std::uint8_t windowChunk(const RegisterMap &map, int chunk)
{
    return static_cast<std::uint8_t>(map.window + 60 * chunk);
}

// Controller operating modes, the two bytes written to the mode register.
struct Mode
{
    std::uint8_t low;
    std::uint8_t high;
};

namespace mode {
constexpr Mode Normal{0x00, 0x00};
constexpr Mode Information{0x02, 0x00};
constexpr Mode Debug{0x01, 0x01};
constexpr Mode DebugAlt{0x09, 0x01};
constexpr Mode Raster{0x85, 0x01};
constexpr Mode RasterAlt{0x8D, 0x01};
constexpr Mode InternalRaster{0xC5, 0x01};
constexpr Mode InternalRasterAlt{0xCD, 0x01};
} // namespace mode

// A zeroed request: report id, command, then the parameters from byte 2 on.
// Parameters beyond the report are dropped.
Report request(std::uint8_t command, std::initializer_list<std::uint8_t> parameters = {});

// I2C register transfers (command 0x00).
Report i2cWrite(std::uint8_t registerAddress, std::initializer_list<std::uint8_t> data);
Report i2cRead(std::uint8_t registerAddress, std::uint8_t count,
               std::uint8_t target = TargetController);
Report modeWrite(const RegisterMap &map, Mode mode);

// The outcome of one request on the wire.
struct Transfer
{
    bool written = false;
    bool answered = false;

    bool ok() const { return written && answered; }
};

// Sends the request on the device link, sleeps delayMs, then reads one answer
// (at most AnswerTimeoutMs). An answer that arrives after a failed write is
// still read, so that requests and answers stay paired, but the transfer counts
// as failed. answer may be null when the caller does not look at it. An
// answer that is short, or that flags an I2C transfer as not acknowledged or
// timed out, counts as answered here and as a refusal of the link (see
// link::refusals()): the caller decides what it is worth.
Transfer transfer(const Report &request, int delayMs = 0, Report *answer = nullptr);
// The same for the stream threads: a stop request ends the delay early, but
// the answer is read all the same (it is due whether or not anyone waited for
// it), so that a stop leaves request and answer paired.
Transfer transfer(const Report &request, int delayMs, Report *answer, const StopToken &stop);

// Only the write, for the requests the board never answers (bridge reset,
// firmware parts).
bool send(const Report &request);

// One answer on its own; false when none arrived in time. On the GUI thread
// the window keeps handling its timers and painting while it waits.
bool receive(Report &answer);
// The same with a time-out of the caller's (the bootloader's acknowledgement).
bool receive(Report &answer, int timeoutMs);

// True while the GUI thread waits for an answer and handles the window's
// events meanwhile (see receive()); the operator's input is held back then.
bool guiThreadWaiting();

// Waits for thread to end. On the GUI thread an end that is late (a stream
// thread in a read the board never answers) is waited for as a late answer
// is: the window's timers and painting go on, the operator's input and any
// new exchange are held back.
void awaitEnd(QThread &thread);

// The fixed waits between a request and its answer.
void pause(int ms);

} // namespace bridge
} // namespace device

#endif
