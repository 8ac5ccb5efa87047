#ifndef EMULATOR_BOOTLOADER_H
#define EMULATOR_BOOTLOADER_H

#include "firmwareimage.h"
#include "report.h"

#include <QByteArray>

#include <cstdint>
#include <optional>

namespace emulator {

// The touch controller's bootloader as the bridge board reaches it: the board
// gathers the three parts of a record and hands the record over; the
// bootloader checks it and answers with one input report.
//
// Answer: byte 1 record type, byte 2 records accepted in this download
// (modulo 256), byte 3 status (0 accepted, Status below otherwise), byte 4 the
// bootloader code. The station takes byte 3 = 0 as the acknowledgement.
//
// A download is the records from a start record (or, in a file without one,
// from the first record) to the end record. An end record whose CRC matches
// the program bytes received, with nothing refused on the way, installs the
// image: the controller restarts with its CRC and, when the image carries
// one, its EEPROM text. After that, a start record for another bootloader is
// the next section of a multi-section file and is taken without effect, as is
// everything up to the next start record for this bootloader.
class Bootloader
{
public:
    enum Status : std::uint8_t {
        Accepted = 0x00,
        BadChecksum = 0x01,
        PartsOutOfOrder = 0x02,  // the record did not arrive as first, middle, last part
        OtherBootloader = 0x03,  // a start record for another bootloader, with no image installed yet
        ImageBroken = 0x04,      // end record: CRC differs, or a record was refused on the way
        Malformed = 0x05,        // unknown type or a length beyond the record
        WriteFailed = 0x06,      // the refuse_record fault
    };

    struct Image
    {
        std::uint16_t crc = 0;
        std::optional<QByteArray> eeprom;
    };

    struct Outcome
    {
        std::optional<Report> answer; // none: the bootloader is silent
        std::optional<Image> installed;
    };

    // code: the fourth bootloader version byte.
    void setCode(std::uint8_t code) { code_ = code; }
    // Record n of a download (from 1) is refused; 0 refuses none.
    void setRefuseRecord(int n) { refuseRecord_ = n; }
    // From record n of a download on (from 1) there is no answer until the
    // controller is reset; 0 never.
    void setSilentFrom(int n) { silentFrom_ = n; }

    // Power-on or a controller reset: a download in progress is abandoned.
    void reset();

    // complete: the board saw the first, middle and last part in that order.
    Outcome take(const FirmwareRecord &r, bool complete);

    int recordsInDownload() const { return recordsInDownload_; }
    bool silent() const { return hung_; }

private:
    enum class Stage { Idle, Loading, Installed, Skipping };

    std::uint8_t check(const FirmwareRecord &r, bool complete, Outcome &outcome);
    void beginDownload();

    std::uint8_t code_ = 0;
    int refuseRecord_ = 0;
    int silentFrom_ = 0;

    Stage stage_ = Stage::Idle;
    int recordsInDownload_ = 0;
    int accepted_ = 0;
    bool broken_ = false;
    bool hung_ = false;
    std::uint16_t crc_ = kCrcStart;
    std::optional<QByteArray> eeprom_;
};

} // namespace emulator

#endif
