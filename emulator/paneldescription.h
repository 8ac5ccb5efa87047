#ifndef EMULATOR_PANELDESCRIPTION_H
#define EMULATOR_PANELDESCRIPTION_H

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace emulator {

// Where the controller keeps its mode register, data window and raster row select.
enum class RegisterMap { Standard, Alternate };

struct RegisterAddresses
{
    std::uint8_t mode;
    std::uint8_t window;
    std::uint8_t rowSelect;
};

RegisterAddresses addressesOf(RegisterMap map);

// Levels of one per-electrode data kind (debug, M0): one level for every X and
// one for every Y electrode, unless single electrodes are listed.
struct ElectrodeLevels
{
    int x = 0;
    int y = 0;
    std::vector<int> xValues; // electrode i uses xValues[i] when present
    std::vector<int> yValues;

    int xAt(int i) const;
    int yAt(int i) const;
};

// A change of the raster surface over a block of cells, in both rasters:
// rows first..last, columns first..last (inclusive) read delta more.
struct RasterOffset
{
    int firstRow = 0, lastRow = 0;
    int firstColumn = 0, lastColumn = 0;
    int delta = 0;

    bool covers(int row, int column) const
    {
        return row >= firstRow && row <= lastRow && column >= firstColumn && column <= lastColumn;
    }
};

// Where on its I2C bus a panel fails to answer, so that one item of a run can
// be made to fail alone: single controller registers (a transfer that starts
// at one of them, read or write), the bootloader's address, or the data
// window while the controller shows a given mode (the identification, the
// open/short and the two rasters all read the same window).
struct I2cSpots
{
    enum Window : std::uint8_t {
        Information = 1u << 0, // mode 02 00
        Debug = 1u << 1,       // 01 01
        M0 = 1u << 2,          // 09 01
        Raster = 1u << 3,      // 85 01, 8D 01
        InternalRaster = 1u << 4, // C5 01, CD 01
    };

    std::array<bool, 256> registers{};
    bool bootloader = false;
    std::uint8_t windows = 0; // Window bits

    bool empty() const;
    bool operator==(const I2cSpots &o) const
    {
        return registers == o.registers && bootloader == o.bootloader && windows == o.windows;
    }

    // "0x2B, 0x3A, bootloader, window:debug" (registers take 0x for hex, as
    // everywhere); window names: information, debug, m0, raster,
    // internal_raster. Empty text (or "off") is no spot. nullopt when a
    // part is not understood.
    static std::optional<I2cSpots> parse(const QString &text);
    QString text() const;
};

// Things that go wrong on a real line, switched on one by one.
struct Faults
{
    bool i2cNack = false;       // every I2C answer carries the no-acknowledge flag
    bool i2cTimeout = false;    // every I2C answer carries the time-out flag
    bool silent = false;        // the board takes every report and never answers
    bool attentionLine = false; // the attention line never follows the controller
    int refuseRecord = 0;         // the bootloader refuses record n of a download (from 1); 0 none
    int bootloaderSilentFrom = 0; // no answer from record n of a download on, until a reset; 0 never
    // Only these transfers carry the flag (no data), the rest work.
    I2cSpots nackAt{};
    I2cSpots timeoutAt{};
    // Bit c: the answers to bridge command c come short, shortAnswerBytes long
    // (the rest of the report missing, as from a bridge that sends less).
    std::uint8_t shortAnswers = 0;
    int shortAnswerBytes = 3;
};

// One panel and the bridge board it sits on, as the emulator plays it.
// Counts and versions are kept as the wire carries them, so a description can
// hold values a good panel never reports (XN 0 or 80, bootloader 0x4B...).
struct PanelDescription
{
    // bridge board
    std::uint16_t vendorId = 0x1A86;
    std::uint16_t productId = 0xE0A1;
    std::uint16_t release = 0x0103;
    QByteArray firmwareVersion = "W103"; // four ASCII characters
    double currentMa = 18.0;

    // touch controller
    RegisterMap registerMap = RegisterMap::Standard;
    std::uint8_t xElectrodes = 30;
    std::uint8_t yElectrodes = 20;
    std::uint16_t xResolution = 1280;
    std::uint16_t yResolution = 800;
    std::uint16_t crc = 0x5A3C;
    QByteArray eeprom = "V1.0A";
    std::array<std::uint8_t, 4> bootloader{{0x02, 0x01, 0x00, 0x48}};
    std::vector<int> tbReadings{650}; // one per TB measurement, taken in turn, then again from the start
    std::array<std::int8_t, 8> buttons{{60, 58, 62, 0, 0, 0, 0, 0}};
    ElectrodeLevels debug{120, 110, {}, {}};
    ElectrodeLevels m0{100, 96, {}, {}};
    int rasterLevel = 1000;
    int internalRasterLevel = 800;
    int rasterNoise = 0; // fixed per-cell spread, +-noise around the level
    std::vector<RasterOffset> rasterOffsets; // dents and bumps, added up where they overlap
    // Frame-to-frame movement of every value, +-jitter, new each time a block is read through.
    int debugJitter = 0;
    int m0Jitter = 0;
    int rasterJitter = 0;

    Faults faults;

    // Reads a description file; absent keys keep the defaults above. Unknown
    // keys and unreadable values are errors, so a misspelt fault is never
    // silently ignored.
    static std::optional<PanelDescription> load(const QString &path, QString *error = nullptr);

    std::uint16_t rawCurrent() const; // what command 0x07 reports for currentMa
    int rasterOffsetAt(int row, int column) const;
};

} // namespace emulator

#endif
