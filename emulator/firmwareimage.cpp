#include "firmwareimage.h"

#include <algorithm>

namespace emulator {

std::uint16_t crc16(std::uint16_t crc, const std::uint8_t *data, std::size_t length)
{
    for (std::size_t i = 0; i < length; ++i) {
        crc = static_cast<std::uint16_t>(crc ^ data[i] << 8);
        for (int bit = 0; bit < 8; ++bit)
            crc = static_cast<std::uint16_t>(crc & 0x8000 ? crc << 1 ^ 0x1021 : crc << 1);
    }
    return crc;
}

namespace {

std::uint8_t byteSum(const FirmwareRecord &r, std::size_t count)
{
    unsigned sum = 0;
    for (std::size_t i = 0; i < count; ++i)
        sum += r[i];
    return static_cast<std::uint8_t>(sum);
}

FirmwareRecord typed(std::uint8_t type)
{
    FirmwareRecord r{};
    r[0] = type;
    return r;
}

} // namespace

void sealRecord(FirmwareRecord &r)
{
    r[record::Checksum] = static_cast<std::uint8_t>(0x100 - byteSum(r, record::Checksum));
}

bool recordIntact(const FirmwareRecord &r)
{
    return byteSum(r, r.size()) == 0;
}

std::uint16_t FirmwareSection::crc() const
{
    return crc16(kCrcStart, program.data(), program.size());
}

std::vector<FirmwareRecord> FirmwareSection::records() const
{
    std::vector<FirmwareRecord> out;
    FirmwareRecord start = typed(record::Start);
    start[1] = bootloaderCode;
    out.push_back(start);

    for (std::size_t at = 0; at < program.size(); at += record::MaxData) {
        const std::size_t n = std::min(record::MaxData, program.size() - at);
        FirmwareRecord data = typed(record::Data);
        data[1] = static_cast<std::uint8_t>(at >> 8);
        data[2] = static_cast<std::uint8_t>(at & 0xFF);
        data[3] = static_cast<std::uint8_t>(n);
        std::copy_n(program.begin() + static_cast<std::ptrdiff_t>(at), n, data.begin() + 4);
        out.push_back(data);
    }

    if (!eeprom.isEmpty()) {
        FirmwareRecord text = typed(record::Text);
        const auto n = std::min<std::size_t>(record::MaxText, static_cast<std::size_t>(eeprom.size()));
        text[1] = static_cast<std::uint8_t>(n);
        std::copy_n(eeprom.constBegin(), n, text.begin() + 2);
        out.push_back(text);
    }

    FirmwareRecord end = typed(record::End);
    const std::uint16_t c = crc();
    end[1] = static_cast<std::uint8_t>(c & 0xFF);
    end[2] = static_cast<std::uint8_t>(c >> 8);
    out.push_back(end);

    for (FirmwareRecord &r : out)
        sealRecord(r);
    return out;
}

FirmwareSection FirmwareSection::generate(std::uint8_t bootloaderCode, std::uint16_t wantedCrc,
                                          const QByteArray &eeprom, std::size_t programSize, std::uint32_t seed)
{
    FirmwareSection s;
    s.bootloaderCode = bootloaderCode;
    s.eeprom = eeprom.left(static_cast<int>(record::MaxText));
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < programSize; ++i) {
        // xorshift: varied bytes, the same for the same seed on every machine
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        s.program.push_back(static_cast<std::uint8_t>(state >> 24));
    }
    // Two trailing bytes reach every CRC value; trying all of them is quick.
    const std::uint16_t head = crc16(kCrcStart, s.program.data(), s.program.size());
    for (unsigned tail = 0; tail <= 0xFFFF; ++tail) {
        const std::uint8_t bytes[2] = {static_cast<std::uint8_t>(tail >> 8), static_cast<std::uint8_t>(tail & 0xFF)};
        if (crc16(head, bytes, 2) == wantedCrc) {
            s.program.push_back(bytes[0]);
            s.program.push_back(bytes[1]);
            break;
        }
    }
    return s;
}

QByteArray qlxLine(const FirmwareRecord &r)
{
    return '$' + QByteArray(reinterpret_cast<const char *>(r.data()), static_cast<int>(r.size())).toHex().toUpper();
}

QByteArray qlxText(const std::vector<FirmwareSection> &sections)
{
    QByteArray text = "#Kavel touch controller firmware image (emulator)\n";
    for (const FirmwareSection &s : sections) {
        const QByteArray code = QByteArray::number(s.bootloaderCode, 16).rightJustified(2, '0').toUpper();
        text += ";VERSION " + code + "\n";
        const std::vector<FirmwareRecord> records = s.records();
        for (std::size_t i = 0; i < records.size(); ++i) {
            text += qlxLine(records[i]) + '\n';
            if (records[i][0] != record::Start)
                continue;
            text += "!\n";
            // For people reading the file; the station skips the type.
            FirmwareRecord note{};
            note[0] = record::Note;
            const QByteArray about = "image for bootloader " + code;
            std::copy(about.constBegin(), about.constEnd(), note.begin() + 1);
            sealRecord(note);
            text += qlxLine(note) + '\n';
        }
    }
    return text;
}

} // namespace emulator
