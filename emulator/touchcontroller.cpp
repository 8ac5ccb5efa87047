#include "touchcontroller.h"

#include <algorithm>

namespace emulator {

namespace {

// A fixed spread per raster cell: the same every frame, so a baseline taken
// from this panel matches it again, and different from cell to cell.
int cellSpread(int row, int column, int amplitude)
{
    if (amplitude <= 0)
        return 0;
    std::uint32_t h = static_cast<std::uint32_t>(row) * 0x9E3779B1u ^ static_cast<std::uint32_t>(column) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    const auto span = static_cast<std::uint32_t>(2 * amplitude + 1);
    return static_cast<int>(h % span) - amplitude;
}

// Movement from one frame to the next: different per value and per frame,
// but the same run after run, so a failing test can be replayed.
int frameJitter(std::uint32_t frame, int a, int b, int amplitude)
{
    if (amplitude <= 0)
        return 0;
    return cellSpread(static_cast<int>(frame * 0x632BE5ABu) ^ a, b * 7919 + 1, amplitude);
}

} // namespace

TouchController::TouchController(const PanelDescription &panel)
    : panel_(panel)
{
    reset();
}

void TouchController::reset()
{
    map_ = addressesOf(panel_.registerMap);
    regs_.fill(0);
    for (std::size_t i = 0; i < panel_.buttons.size(); ++i)
        regs_[RegButtons + i] = static_cast<std::uint8_t>(panel_.buttons[i]);
    setTb(TbNotReady);
    regs_[RegCrc] = static_cast<std::uint8_t>(panel_.crc & 0xFF);
    regs_[RegCrc + 1] = static_cast<std::uint8_t>(panel_.crc >> 8);
    // With the alternate map the mode register sits right behind 0x40, so that
    // controller keeps a single version character there.
    const int eepromLength = panel_.registerMap == RegisterMap::Alternate ? 1 : 32;
    for (int i = 0; i < eepromLength && i < panel_.eeprom.size(); ++i)
        regs_[RegEeprom + i] = static_cast<std::uint8_t>(panel_.eeprom.at(i));
    mode_ = Normal;
    row_ = 0;
    cursor_ = 0;
    block_.clear();
}

bool TouchController::readOnly(std::uint8_t reg) const
{
    if (reg >= RegButtons && reg < RegButtons + 8)
        return true;
    if (reg == RegTb || reg == RegTb + 1 || reg == RegCrc || reg == RegCrc + 1)
        return true;
    const int eepromLength = panel_.registerMap == RegisterMap::Alternate ? 1 : 32;
    return reg >= RegEeprom && reg < RegEeprom + eepromLength;
}

bool TouchController::covers(std::uint8_t start, std::size_t count, std::uint8_t reg) const
{
    const std::size_t distance = static_cast<std::uint8_t>(reg - start);
    return distance < count;
}

void TouchController::write(std::uint8_t reg, const std::uint8_t *data, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const auto r = static_cast<std::uint8_t>(reg + i);
        if (!readOnly(r))
            regs_[r] = data[i];
    }
    const auto modeHigh = static_cast<std::uint8_t>(map_.mode + 1);
    const auto rowHigh = static_cast<std::uint8_t>(map_.rowSelect + 1);
    if (covers(reg, count, map_.mode) || covers(reg, count, modeHigh)) {
        mode_ = static_cast<std::uint16_t>(regs_[map_.mode] | regs_[modeHigh] << 8);
        cursor_ = 0;
        rebuildBlock();
    }
    if (covers(reg, count, map_.rowSelect) || covers(reg, count, rowHigh)) {
        row_ = regs_[map_.rowSelect] | regs_[rowHigh] << 8;
        cursor_ = 0;
        rebuildBlock();
    }
    if (covers(reg, count, RegCommand))
        runCommand(regs_[RegCommand]);
}

std::size_t TouchController::windowOffset(std::uint8_t reg) const
{
    // Register numbers are 8 bits: a block longer than 256 bytes is addressed
    // twice over. The controller follows the reader, as its auto-increment
    // pointer would: of the two offsets, the one nearer to where the last read ended.
    const std::size_t low = static_cast<std::uint8_t>(reg - map_.window);
    const std::size_t high = low + 256;
    if (high >= block_.size())
        return low;
    const auto distance = [this](std::size_t offset) {
        return offset > cursor_ ? offset - cursor_ : cursor_ - offset;
    };
    return distance(high) < distance(low) ? high : low;
}

bool TouchController::fixedStart(std::uint8_t reg)
{
    return reg == RegButtons || reg == RegTb || reg == RegCrc || reg == RegEeprom;
}

bool TouchController::servesWindow(std::uint8_t reg) const
{
    // A block past 157 bytes (227 with the alternate map) reaches round to the
    // fixed registers, but the reader's 60-byte chunks never start at one: a
    // read that does is for the register itself, in whatever mode.
    return !block_.empty() && !fixedStart(reg) && windowOffset(reg) < block_.size();
}

void TouchController::read(std::uint8_t reg, std::uint8_t *out, std::size_t count)
{
    if (servesWindow(reg)) {
        const std::size_t offset = windowOffset(reg);
        {
            for (std::size_t i = 0; i < count; ++i)
                out[i] = offset + i < block_.size() ? block_[offset + i] : 0;
            cursor_ = offset + count >= block_.size() ? 0 : offset + count;
            // Read through: the next pass sees the next frame.
            if (cursor_ == 0 && count > 0)
                rebuildBlock();
            return;
        }
    }
    for (std::size_t i = 0; i < count; ++i)
        out[i] = regs_[static_cast<std::uint8_t>(reg + i)];
}

void TouchController::readBootloader(std::uint8_t reg, std::uint8_t *out, std::size_t count) const
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t at = reg + i;
        out[i] = at < panel_.bootloader.size() ? panel_.bootloader[at] : 0;
    }
}

bool TouchController::attentionRequested() const
{
    return regs_[RegAttention] == AttentionTest;
}

void TouchController::appendValue(int value)
{
    const auto v = static_cast<std::uint16_t>(static_cast<std::int16_t>(std::clamp(value, -32768, 32767)));
    block_.push_back(static_cast<std::uint8_t>(v & 0xFF));
    block_.push_back(static_cast<std::uint8_t>(v >> 8));
}

int TouchController::electrodeValue(const ElectrodeLevels &levels, int jitter, bool yAxis, int i) const
{
    const int level = yAxis ? levels.yAt(i) : levels.xAt(i);
    return level + frameJitter(frame_, yAxis ? 1 : 0, i, jitter);
}

int TouchController::rasterValue(bool internal, int row, int column) const
{
    const int level = internal ? panel_.internalRasterLevel : panel_.rasterLevel;
    return level + panel_.rasterOffsetAt(row, column) + cellSpread(row, column, panel_.rasterNoise)
           + frameJitter(frame_, row, column, panel_.rasterJitter);
}

void TouchController::rebuildBlock()
{
    ++frame_;
    block_.clear();
    const int xn = panel_.xElectrodes;
    const int yn = panel_.yElectrodes;
    switch (mode_) {
    case Information:
        block_.assign(60, 0);
        block_[0] = panel_.xElectrodes;
        block_[1] = panel_.yElectrodes;
        block_[9] = static_cast<std::uint8_t>(panel_.xResolution & 0xFF);
        block_[10] = static_cast<std::uint8_t>(panel_.xResolution >> 8);
        block_[11] = static_cast<std::uint8_t>(panel_.yResolution & 0xFF);
        block_[12] = static_cast<std::uint8_t>(panel_.yResolution >> 8);
        break;
    case Debug:
    case M0: {
        const ElectrodeLevels &levels = mode_ == Debug ? panel_.debug : panel_.m0;
        const int jitter = mode_ == Debug ? panel_.debugJitter : panel_.m0Jitter;
        // One value per pair of neighbouring electrodes: XN - 1 for X, then YN - 1 for Y.
        for (int i = 0; i + 1 < xn; ++i)
            appendValue(electrodeValue(levels, jitter, false, i));
        for (int i = 0; i + 1 < yn; ++i)
            appendValue(electrodeValue(levels, jitter, true, i));
        break;
    }
    case Raster:
    case RasterAlt:
    case InternalRaster:
    case InternalRasterAlt: {
        const bool internal = mode_ == InternalRaster || mode_ == InternalRasterAlt;
        const bool rowExists = row_ >= 0 && row_ <= yn;
        for (int column = 0; column <= xn; ++column)
            appendValue(rowExists ? rasterValue(internal, row_, column) : 0);
        break;
    }
    default:
        break;
    }
}

void TouchController::runCommand(std::uint8_t command)
{
    if (command == CommandCalibrate) {
        ++calibrations_;
    } else if (command == CommandMeasureTb) {
        ++tbMeasurements_;
        const std::vector<int> &readings = panel_.tbReadings;
        const int value = readings.empty() ? 0 : readings[nextTb_ % readings.size()];
        ++nextTb_;
        setTb(static_cast<std::uint16_t>(value));
    }
    // The controller clears its command register once the command has started.
    regs_[RegCommand] = 0;
}

void TouchController::setTb(std::uint16_t value)
{
    regs_[RegTb] = static_cast<std::uint8_t>(value & 0xFF);
    regs_[RegTb + 1] = static_cast<std::uint8_t>(value >> 8);
}

} // namespace emulator
