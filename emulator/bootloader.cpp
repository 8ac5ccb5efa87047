#include "bootloader.h"

namespace emulator {

void Bootloader::reset()
{
    stage_ = Stage::Idle;
    recordsInDownload_ = 0;
    accepted_ = 0;
    broken_ = false;
    hung_ = false;
    crc_ = kCrcStart;
    eeprom_.reset();
}

void Bootloader::beginDownload()
{
    stage_ = Stage::Loading;
    accepted_ = 0;
    broken_ = false;
    crc_ = kCrcStart;
    eeprom_.reset();
}

Bootloader::Outcome Bootloader::take(const FirmwareRecord &r, bool complete)
{
    Outcome outcome;
    if (hung_)
        return outcome;
    if (r[0] == record::Start && complete)
        recordsInDownload_ = 0;
    const int n = ++recordsInDownload_;
    if (silentFrom_ > 0 && n >= silentFrom_) {
        hung_ = true;
        return outcome;
    }

    const std::uint8_t status = check(r, complete, outcome);
    if (status == Accepted)
        ++accepted_;
    else
        broken_ = true;

    Report answer{};
    answer[0] = kBridgeReportId;
    answer[1] = r[0];
    answer[2] = static_cast<std::uint8_t>(accepted_ & 0xFF);
    answer[3] = status;
    answer[4] = code_;
    outcome.answer = answer;

    if (r[0] == record::End && complete && recordIntact(r)) {
        // Whatever the outcome, the next record begins a new download.
        recordsInDownload_ = 0;
        if (stage_ == Stage::Loading)
            stage_ = outcome.installed ? Stage::Installed : Stage::Idle;
    }
    return outcome;
}

std::uint8_t Bootloader::check(const FirmwareRecord &r, bool complete, Outcome &outcome)
{
    if (!complete)
        return PartsOutOfOrder;
    if (!recordIntact(r))
        return BadChecksum;
    if (refuseRecord_ > 0 && recordsInDownload_ == refuseRecord_)
        return WriteFailed;

    const std::uint8_t type = r[0];
    if (type > record::LastSent)
        return Malformed;

    if (type == record::Start) {
        if (r[1] == code_) {
            beginDownload();
            return Accepted;
        }
        if (stage_ == Stage::Installed || stage_ == Stage::Skipping) {
            stage_ = Stage::Skipping;
            return Accepted;
        }
        // The records that follow are not for this controller: none of them may install.
        beginDownload();
        return OtherBootloader;
    }
    if (stage_ == Stage::Installed || stage_ == Stage::Skipping)
        return Accepted;
    if (stage_ == Stage::Idle)
        beginDownload();

    switch (type) {
    case record::Data: {
        const std::size_t length = r[3];
        if (length > record::MaxData)
            return Malformed;
        crc_ = crc16(crc_, r.data() + 4, length);
        return Accepted;
    }
    case record::Text: {
        const std::size_t length = r[1];
        if (length > record::MaxText)
            return Malformed;
        eeprom_ = QByteArray(reinterpret_cast<const char *>(r.data() + 2), static_cast<int>(length));
        return Accepted;
    }
    case record::End: {
        const auto carried = static_cast<std::uint16_t>(r[1] | r[2] << 8);
        if (broken_ || carried != crc_)
            return ImageBroken;
        outcome.installed = Image{crc_, eeprom_};
        return Accepted;
    }
    default:
        return Accepted;
    }
}

} // namespace emulator
