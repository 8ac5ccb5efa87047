#include "myusbhid.h"

#include "devicelink.h"
#include "logrotation.h"
#include "stationids.h"
#include "streamrecord.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>

namespace {

// What the enumeration log calls "no more items"; the service tooling on the
// line reads this log the same way on every platform.
constexpr int NoMoreItems = 259;
constexpr int InterfacesExamined = 10;

// How often a stream read looks at the stop request while it waits.
constexpr int StreamSliceMs = 10;

QString hex4(unsigned value)
{
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0'));
}

} // namespace

MyUsbHid::MyUsbHid(QObject *parent)
    : QObject(parent)
{
    device::link::setConnected(0);
}

MyUsbHid::~MyUsbHid() = default;

unsigned MyUsbHid::parseId(const QByteArray &text)
{
    bool ok = false;
    const unsigned value = text.toUInt(&ok, 16);
    return ok && value <= 0xFFFF ? value : 0;
}

bool MyUsbHid::findHidDevice()
{
    for (int index = 0; index < InterfacesExamined; ++index) {
        const std::optional<device::HidDeviceInfo> info = openInterface(index);
        device::link::setInterfaceInfo(info);
        if (info && checkAttributes())
            return device::link::connected() != 0;
    }
    return false;
}

std::optional<device::HidDeviceInfo> MyUsbHid::openInterface(int index)
{
    // Not opened as text: the log carries CR LF on every platform.
    const QString logPath = QStringLiteral("./log.txt");
    files::rotateWhenFull(logPath, LogLimitBytes, LogPartsKept);
    QFile log(logPath);
    if (!log.open(QIODevice::WriteOnly | QIODevice::Append))
        return std::nullopt;

    const std::vector<device::HidDeviceInfo> interfaces = device::link::transport().enumerate();
    if (index < 0 || static_cast<std::size_t>(index) >= interfaces.size()) {
        log.write("error2\r\n");
        log.write(QByteArray::number(NoMoreItems) + "\r\n");
        return std::nullopt;
    }
    return interfaces[static_cast<std::size_t>(index)];
}

bool MyUsbHid::checkAttributes()
{
    const std::optional<device::HidDeviceInfo> info = device::link::interfaceInfo();
    if (!info)
        return false;

    const station::BridgeIds &ids = station::bridgeIds();
    const unsigned makerVid = parseId(ids.makerVid);
    const unsigned makerPid = parseId(ids.makerPid);
    const unsigned customerVid = parseId(ids.customerVid);
    const unsigned customerPid = parseId(ids.customerPid);

    const bool vendorMatches = info->vendorId == makerVid || info->vendorId == customerVid;
    const bool productMatches = info->productId == makerPid || info->productId == customerPid;
    if (!vendorMatches || !productMatches) {
        device::link::setInterfaceInfo(std::nullopt);
        device::link::setConnected(0);
        return false;
    }

    device::link::setConnected(1);
    emit setVidTextEdit(hex4(info->vendorId));
    emit setPidTextEdit(hex4(info->productId));
    emit setVertEdit(hex4(info->releaseNumber));
    emit setTextEdit(QStringLiteral("Found ONE HID IO Board!\r\n"));
    return device::link::connected() != 0;
}

bool MyUsbHid::openDevice()
{
    const station::BridgeIds &ids = station::bridgeIds();
    device::Transport &transport = device::link::transport();

    const auto tryPair = [&transport](const QByteArray &vid, const QByteArray &pid) {
        const unsigned v = parseId(vid);
        const unsigned p = parseId(pid);
        // hidapi takes id 0 as "any": an empty or broken id in the station file
        // would open whatever HID device comes first and send it bridge reports.
        if (v == 0 || p == 0)
            return false;
        return transport.open(static_cast<std::uint16_t>(v), static_cast<std::uint16_t>(p));
    };
    if (!tryPair(ids.makerVid, ids.makerPid) && !tryPair(ids.customerVid, ids.customerPid))
        return false;
    device::link::setConnected(1);
    return true;
}

bool MyUsbHid::closeDevice()
{
    device::Transport &transport = device::link::transport();
    if (transport.isOpen()) {
        transport.close();
        // Whatever was being asked of the board when it went has no answer.
        device::link::noteBreak();
    }
    return true;
}

bool MyUsbHid::enableStream(const device::StopToken &stop)
{
    if (device::link::connected() == 0 || !device::link::isOpen())
        return false;
    device::bridge::transfer(device::bridge::request(device::bridge::Interrupt, {0x00, 0x01}), 10, nullptr, stop);
    device::pauseUnlessStopped(10, stop);
    return true;
}

// One stream read of up to StreamTimeoutMs, taken in slices so that a stop
// request never waits for the whole time-out. Nothing is asked of the board
// here, so giving up between slices leaves nothing pending.
MyUsbHid::StreamRead MyUsbHid::readStreamReport(device::bridge::Report &report,
                                                const device::StopToken &stop)
{
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (stop.requested())
            return StreamRead::Stopped;
        const qint64 left = StreamTimeoutMs - clock.elapsed();
        if (left <= 0)
            return StreamRead::Nothing;
        const int slice = static_cast<int>(std::min<qint64>(left, StreamSliceMs));
        const qint64 sliceStart = clock.elapsed();
        report.fill(0);
        device::Transport &t = device::link::transport();
        const int n = t.isOpen() ? t.read(report.data(), report.size(), slice) : -1;
        if (n > 0)
            return StreamRead::Report;
        // Silence is a stream with nothing to say; a failed read is a board
        // that went away, which whoever watches the link must learn of.
        if (n < 0)
            device::link::noteBreak();
        // A board that is gone fails its reads at once: wait the slice out
        // rather than spin on it.
        const qint64 spent = clock.elapsed() - sliceStart;
        if (spent < slice)
            QThread::msleep(static_cast<unsigned long>(slice - spent));
    }
}

void MyUsbHid::readKeyCode(const device::StopToken &stop)
{
    device::bridge::Report report{};
    if (readStreamReport(report, stop) == StreamRead::Stopped)
        return;
    emit HidData(device::record::keyCodeText(report));
}

void MyUsbHid::readStreamRecord(const device::StopToken &stop)
{
    device::bridge::Report report{};
    if (readStreamReport(report, stop) != StreamRead::Report)
        return;
    if (const std::optional<QString> text = device::record::touchRecord(report))
        emit HidData(*text);
}
