// The command layer's streams and the firmware download: what the worker
// threads run. They never touch a widget; records and texts reach the window
// through signals and appendMessage(), both queued from a worker.
#include "hidcommand.h"

#include "devicelink.h"
#include "firmwareimage.h"
#include "panelstate.h"
#include "streamrecord.h"

using namespace device;
using bridge::Report;

namespace {

// Between each request and its answer in the alternate debug read and the
// raster reads.
constexpr int StreamRequestWaitMs = 2;

// The bootloader's answer to a record, and the pauses of the download.
constexpr int AcknowledgeTimeoutMs = 2000;
constexpr int PauseLineMs = 300;
constexpr int SettleAfterLastRecordMs = 200;
constexpr int SettleBeforeAboutMs = 100;

// A refused record: the bootloader's first four answer bytes, as it gave them.
QString refusedText(const Report &answer)
{
    QString text = QStringLiteral("BootloadVersion:");
    for (std::size_t i = 1; i <= 4; ++i)
        text += QStringLiteral("%1,").arg(answer[i], 2, 16, QLatin1Char('0'));
    return text;
}

} // namespace

HidCommand::BlockRead HidCommand::readBlock(int start, int length, int waitMs, bool clamp,
                                            QString &text, const StopToken &stop)
{
    const std::uint8_t window = registerMap().window;
    const std::vector<record::Chunk> chunks = record::blockChunks(start, length);
    Report answer;
    for (std::size_t j = 0; j < chunks.size(); ++j) {
        if (stop.requested())
            return BlockRead::Stopped;
        const record::Chunk &c = chunks[j];
        const auto reg = static_cast<std::uint8_t>(window + c.offset);
        if (!bridge::transfer(bridge::i2cRead(reg, c.count), waitMs, &answer, stop).ok())
            return j + 1 < chunks.size() ? BlockRead::FullChunkFailed : BlockRead::RemainderFailed;
        record::appendValues(text, answer, c.count, clamp);
    }
    return BlockRead::Done;
}

bool HidCommand::readDebugBlock(bool alternate, const StopToken &stop)
{
    if (!ready(Need::Connected))
        return false;
    const int xn = panel::xn();
    const int yn = panel::yn();
    // Before the panel is identified there is no block to read; a count of 0
    // would ask for a negative number of bytes.
    if (!record::streamableCount(xn) || !record::streamableCount(yn))
        return false;

    const int waitMs = alternate ? StreamRequestWaitMs : 0;
    const int xBytes = record::debugBlockBytes(xn);
    QString x = QStringLiteral("X");
    x.reserve(1 + 5 * xn);
    if (readBlock(0, xBytes, waitMs, true, x, stop) != BlockRead::Done)
        return false;
    emit readDebug(x);

    QString y = QStringLiteral("Y");
    y.reserve(1 + 5 * yn);
    const BlockRead yRead = readBlock(xBytes, record::debugBlockBytes(yn), waitMs, true, y, stop);
    if (yRead != BlockRead::Done) {
        if (!alternate && yRead == BlockRead::FullChunkFailed)
            appendMessage(QStringLiteral("debug error1"));
        else if (!alternate && yRead == BlockRead::RemainderFailed)
            appendMessage(QStringLiteral("debug error2"));
        return false;
    }
    emit readDebug(y);
    emit readDebugD(x + QStringLiteral("\r\n") + y);
    return true;
}

bool HidCommand::readDebugData(const StopToken &stop)
{
    return readDebugBlock(false, stop);
}

bool HidCommand::readDebugDataAlt(const StopToken &stop)
{
    return readDebugBlock(true, stop);
}

bool HidCommand::readRasterRows(bool internal, const StopToken &stop)
{
    if (!ready(Need::Connected))
        return false;
    const int xn = panel::xn();
    const int yn = panel::yn();
    if (!record::streamableCount(xn) || !record::streamableCount(yn))
        return false;

    const bridge::RegisterMap map = registerMap();
    const int rowBytes = record::rasterRowBytes(xn);
    for (int i = 0; i <= yn; ++i) {
        if (stop.requested())
            return false;
        const Report select = bridge::i2cWrite(map.rowSelect, {static_cast<std::uint8_t>(i), 0x00});
        if (!bridge::transfer(select, StreamRequestWaitMs, nullptr, stop).ok())
            return false;
        QString row = i == 0 ? QStringLiteral("S") : QStringLiteral("R");
        row.reserve(1 + 6 * (xn + 1));
        if (readBlock(0, rowBytes, StreamRequestWaitMs, false, row, stop) != BlockRead::Done)
            return false;
        if (internal)
            emit readInternalRaster(row, i);
        else
            emit readRaster(row, i);
    }
    return true;
}

bool HidCommand::readRasterData(const StopToken &stop)
{
    return readRasterRows(false, stop);
}

bool HidCommand::readInternalRasterData(const StopToken &stop)
{
    return readRasterRows(true, stop);
}

void HidCommand::sendFirmwarePart(std::uint8_t part, const std::uint8_t *bytes, std::size_t count,
                                  const QString &failure)
{
    Report r = bridge::request(bridge::FirmwarePart, {part});
    for (std::size_t i = 0; i < count && 3 + i < r.size(); ++i)
        r[3 + i] = bytes[i];
    if (!bridge::send(r))
        appendMessage(failure);
}

void HidCommand::sendFirmwarePart1(const std::array<std::uint8_t, firmware::Part1Bytes> &bytes)
{
    sendFirmwarePart(0x01, bytes.data(), bytes.size(), QStringLiteral("HidD_SetFeatureD1 is Fail !\r\n"));
}

void HidCommand::sendFirmwarePart2(const std::array<std::uint8_t, firmware::Part2Bytes> &bytes)
{
    sendFirmwarePart(0x00, bytes.data(), bytes.size(), QStringLiteral("HidD_SetFeatureD2 is Fail !\r\n"));
}

void HidCommand::sendFirmwarePart3(const std::array<std::uint8_t, firmware::Part3Bytes> &bytes)
{
    sendFirmwarePart(0x02, bytes.data(), bytes.size(), QStringLiteral("HidD_SetFeatureD3 is Fail !\r\n"));
}

void HidCommand::downloadFirmware(const StopToken &stop)
{
    const firmware::ReadResult read = firmware::readFile(firmware::filePath(), m_bootloaderCode);
    firmware::setDownloadedText(read.outcome == firmware::Outcome::Ok ? read.text : QByteArray());
    switch (read.outcome) {
    case firmware::Outcome::Ok:
        break;
    case firmware::Outcome::CannotOpen:
    case firmware::Outcome::NothingSelected:
        return;
    case firmware::Outcome::TooManyLines:
    case firmware::Outcome::TooManyDataLines:
    case firmware::Outcome::BadRecord:
        // Nothing was sent: the controller keeps the firmware it has.
        emit readBootFail(QStringLiteral("file format error! line %1").arg(read.fileLine));
        return;
    }

    const std::vector<firmware::Line> &lines = read.image.lines;
    const std::size_t last = lines.size() - 1;
    int acknowledged = 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (stop.requested())
            return;
        const firmware::Line &line = lines[i];
        if (line.kind == firmware::Line::Pause) {
            if (!pauseUnlessStopped(PauseLineMs, stop))
                return;
            continue;
        }
        if (line.kind != firmware::Line::Data || !line.sent)
            continue;

        std::array<std::uint8_t, firmware::Part1Bytes> part1{};
        std::array<std::uint8_t, firmware::Part2Bytes> part2{};
        std::array<std::uint8_t, firmware::Part3Bytes> part3{};
        auto from = line.record.begin();
        std::copy(from, from + firmware::Part1Bytes, part1.begin());
        from += firmware::Part1Bytes;
        std::copy(from, from + firmware::Part2Bytes, part2.begin());
        from += firmware::Part2Bytes;
        std::copy(from, from + firmware::Part3Bytes, part3.begin());
        sendFirmwarePart1(part1);
        sendFirmwarePart2(part2);
        sendFirmwarePart3(part3);

        Report answer;
        if (!bridge::receive(answer, AcknowledgeTimeoutMs)) {
            emit readBootFail(QStringLiteral("read file error!"));
            return;
        }
        // Every record but the last must be taken with status 0; the answer
        // to the last one does not decide the download.
        if (answer[3] != 0 && i != last) {
            emit readBootFail(refusedText(answer));
            return;
        }
        ++acknowledged;
        emit readline(acknowledged, read.image.dataLines);
        if (i == last) {
            // Stopped while the bootloader takes the image: the window that
            // stops it resets the controller or talks to it next anyway, and
            // a stopped download says nothing.
            if (!pauseUnlessStopped(SettleAfterLastRecordMs, stop)
                || !pauseUnlessStopped(SettleBeforeAboutMs, stop))
                return;
            if (panel::calibrateFlag() == "1")
                emit GoCalibrte();
            else
                emit readAbout();
            return;
        }
    }
}
