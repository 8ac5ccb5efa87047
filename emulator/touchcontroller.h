#ifndef EMULATOR_TOUCHCONTROLLER_H
#define EMULATOR_TOUCHCONTROLLER_H

#include "paneldescription.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace emulator {

// The touch controller behind the bridge, as its I2C registers show it.
//
// A flat page of 256 byte registers, with a few that do something: the mode
// register chooses what the data window shows, the row select picks the raster
// row, the command register starts calibration and the TB measurement. Buttons,
// TB value, CRC and EEPROM text are read-only. The page of the register map the
// panel does not use is plain storage, so a station that writes the wrong map's
// mode register changes nothing and reads back whatever is there.
class TouchController
{
public:
    // The modes the controller knows; any other mode word shows no data window.
    enum Mode : std::uint16_t {
        Normal = 0x0000,
        Information = 0x0002,        // bytes 0x02 0x00
        Debug = 0x0101,              // 0x01 0x01
        M0 = 0x0109,                 // 0x09 0x01
        Raster = 0x0185,             // 0x85 0x01
        RasterAlt = 0x018D,          // 0x8D 0x01
        InternalRaster = 0x01C5,     // 0xC5 0x01
        InternalRasterAlt = 0x01CD,  // 0xCD 0x01
    };

    static constexpr std::uint8_t RegButtons = 0x2B;
    static constexpr std::uint8_t RegInit = 0x33;
    static constexpr std::uint8_t RegAttention = 0x34;
    static constexpr std::uint8_t RegCommand = 0x3A;
    static constexpr std::uint8_t RegTb = 0x3B;
    static constexpr std::uint8_t RegCrc = 0x3E;
    static constexpr std::uint8_t RegEeprom = 0x40;

    static constexpr std::uint8_t CommandCalibrate = 0x03;
    static constexpr std::uint8_t CommandMeasureTb = 0x04;
    static constexpr std::uint8_t AttentionTest = 0x08;
    static constexpr std::uint16_t TbNotReady = 2048;

    explicit TouchController(const PanelDescription &panel);
    TouchController(const TouchController &) = delete;
    TouchController &operator=(const TouchController &) = delete;

    // Power-on or a pulse on the reset line.
    void reset();

    void write(std::uint8_t reg, const std::uint8_t *data, std::size_t count);
    void read(std::uint8_t reg, std::uint8_t *out, std::size_t count);
    // The bootloader answers on its own I2C address with its version bytes.
    void readBootloader(std::uint8_t reg, std::uint8_t *out, std::size_t count) const;

    // True while the controller holds its attention line for the bridge's check.
    bool attentionRequested() const;
    // Whether a read starting at reg would be served from the data window now.
    bool servesWindow(std::uint8_t reg) const;

    std::uint16_t mode() const { return mode_; }
    int selectedRow() const { return row_; }
    int calibrations() const { return calibrations_; }
    int tbMeasurements() const { return tbMeasurements_; }
    std::uint8_t registerValue(std::uint8_t reg) const { return regs_[reg]; }
    // What the data window shows in the current mode (empty in normal mode).
    const std::vector<std::uint8_t> &windowBlock() const { return block_; }
    // Blocks sampled so far: a new one at each mode write, row select and
    // each time the reader gets through the block.
    std::uint32_t frame() const { return frame_; }

private:
    bool readOnly(std::uint8_t reg) const;
    // Where the station's reads of the fixed registers begin.
    static bool fixedStart(std::uint8_t reg);
    bool covers(std::uint8_t start, std::size_t count, std::uint8_t reg) const;
    void rebuildBlock();
    void appendValue(int value);
    int electrodeValue(const ElectrodeLevels &levels, int jitter, bool yAxis, int i) const;
    int rasterValue(bool internal, int row, int column) const;
    std::size_t windowOffset(std::uint8_t reg) const;
    void runCommand(std::uint8_t command);
    void setTb(std::uint16_t value);

    const PanelDescription &panel_;
    RegisterAddresses map_{};
    std::array<std::uint8_t, 256> regs_{};
    std::uint16_t mode_ = Normal;
    int row_ = 0;
    std::vector<std::uint8_t> block_;
    // Offset in the block where the last window read ended; tells which of the
    // offsets that share an 8-bit address a read means once a block passes 256 bytes.
    std::size_t cursor_ = 0;
    std::size_t nextTb_ = 0;
    std::uint32_t frame_ = 0;
    int calibrations_ = 0;
    int tbMeasurements_ = 0;
};

} // namespace emulator

#endif
