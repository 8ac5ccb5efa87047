#include "bridgeboard.h"

#include "wiretrace.h"

#include <algorithm>
#include <utility>

namespace emulator {

BridgeBoard::BridgeBoard(PanelDescription panel)
    : panel_(std::move(panel))
    , controller_(panel_)
{
    configureBootloader();
}

void BridgeBoard::setSink(Sink sink)
{
    sink_ = std::move(sink);
}

void BridgeBoard::setTrace(WireTrace *trace)
{
    trace_ = trace;
}

void BridgeBoard::setPanel(const PanelDescription &panel)
{
    panel_ = panel;
    powerOn();
}

void BridgeBoard::setFaults(const Faults &faults)
{
    panel_.faults = faults;
    configureBootloader();
    stopReportingIfOff();
}

void BridgeBoard::configureBootloader()
{
    bootloader_.setCode(panel_.bootloader[3]);
    bootloader_.setRefuseRecord(panel_.faults.refuseRecord);
    bootloader_.setSilentFrom(panel_.faults.bootloaderSilentFrom);
}

void BridgeBoard::powerOn()
{
    controller_.reset();
    interruptEnabled_ = false;
    forwarding_ = false;
    interruptReports_ = false;
    features_.clear();
    configureBootloader();
    bootloader_.reset();
    recordFill_ = 0;
    recordInOrder_ = false;
    stopReportingIfOff();
}

std::size_t BridgeBoard::requestLength(const Report &r)
{
    switch (r[1]) {
    case cmd::I2cTransfer:
        return r[i2c::Direction] == i2c::DirWrite ? i2c::Data + std::min<std::size_t>(r[i2c::Count], i2c::MaxWrite)
                                                  : i2c::Data;
    case cmd::AttentionCheck:
        return 3;
    case cmd::Reset:
    case cmd::Interrupt:
        return 4;
    case cmd::InterruptReport:
        return r[3] == 0x01 ? 5 : 4;
    case cmd::FirmwarePart:
        return r[2] == 0x02 ? 3 + 23 : 3 + 60;
    default:
        return 2;
    }
}

void BridgeBoard::receive(const std::uint8_t *data, std::size_t length)
{
    Report request{};
    std::copy_n(data, std::min(length, kReportSize), request.begin());
    if (trace_)
        trace_->record(WireTrace::Direction::Out, request.data(), kReportSize, requestLength(request));

    if (request[0] != kBridgeReportId || panel_.faults.silent)
        return;
    const bool cut = request[1] < 8 && (panel_.faults.shortAnswers & (1u << request[1])) != 0;
    replyLength_ = cut ? std::clamp<std::size_t>(std::size_t(std::max(panel_.faults.shortAnswerBytes, 1)), 1,
                                                 kReportSize - 1)
                       : kReportSize;
    handle(request);
    replyLength_ = kReportSize;
    // A disable, a mode write or a reset may have stopped the reports; a
    // scan already put out stays queued with the host.
    stopReportingIfOff();
}

void BridgeBoard::handle(const Report &request)
{
    Report reply{};
    reply[0] = kBridgeReportId;
    switch (request[1]) {
    case cmd::I2cTransfer:
        handleI2c(request);
        return;
    case cmd::AttentionCheck: {
        // The controller pulls its attention line only while register 0x34
        // asks it to; the bridge reports 1 when it saw the line follow, 2 when not.
        const bool followed = controller_.attentionRequested() && !panel_.faults.attentionLine;
        reply[3] = followed ? 0x01 : 0x02;
        answer(reply, 4);
        return;
    }
    case cmd::Reset:
        if (request[3] == 0x01) {
            // The bridge restarts itself and has nobody to answer to.
            ++bridgeResets_;
            interruptEnabled_ = false;
            forwarding_ = false;
            interruptReports_ = false;
            return;
        }
        if (request[3] == 0x00) {
            ++controllerResets_;
            controller_.reset();
            bootloader_.reset();
            recordFill_ = 0;
            recordInOrder_ = false;
        }
        answer(reply, 1);
        return;
    case cmd::Interrupt:
        if (request[3] == 0x00)
            interruptEnabled_ = true;
        else if (request[3] == 0x01)
            forwarding_ = true;
        answer(reply, 1);
        return;
    case cmd::FirmwareVersion:
        for (int i = 0; i < 4 && i < panel_.firmwareVersion.size(); ++i)
            reply[1 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(panel_.firmwareVersion.at(i));
        answer(reply, 5);
        return;
    case cmd::InterruptReport:
        if (request[3] == 0x00)
            interruptReports_ = true;
        else if (request[3] == 0x01 && request[4] == 0x01)
            interruptReports_ = false;
        answer(reply, 1);
        return;
    case cmd::FirmwarePart:
        handleFirmwarePart(request);
        return;
    case cmd::SupplyCurrent: {
        const std::uint16_t raw = panel_.rawCurrent();
        reply[2] = static_cast<std::uint8_t>(raw >> 8);
        reply[3] = static_cast<std::uint8_t>(raw & 0xFF);
        answer(reply, 4);
        return;
    }
    default:
        // Unknown commands are dropped by the bridge firmware without an answer.
        return;
    }
}

void BridgeBoard::handleI2c(const Report &request)
{
    Report reply{};
    reply[0] = kBridgeReportId;
    const std::uint8_t target = request[i2c::Target];
    const bool isRead = request[i2c::Direction] == i2c::DirRead;
    const std::uint8_t reg = request[i2c::Register];
    const std::size_t count = std::min<std::size_t>(request[i2c::Count], isRead ? i2c::MaxRead : i2c::MaxWrite);
    const std::size_t shown = isRead ? 1 + count : 1;

    const bool known = target == i2c::TargetController || target == i2c::TargetBootloader;
    const bool nack = !known || panel_.faults.i2cNack || refused(panel_.faults.nackAt, target, isRead, reg);
    const bool timeout = known && (panel_.faults.i2cTimeout || refused(panel_.faults.timeoutAt, target, isRead, reg));
    if (nack || timeout) {
        // Nothing reached the controller: no data, no effect, only the flags.
        reply[i2c::NackFlag] = nack ? 1 : 0;
        reply[i2c::TimeoutFlag] = timeout ? 1 : 0;
        answer(reply, shown);
        return;
    }

    if (target == i2c::TargetBootloader) {
        // The bootloader only tells its version here; writes to it are for the download.
        if (isRead)
            controller_.readBootloader(reg, reply.data() + 1, count);
    } else if (isRead) {
        controller_.read(reg, reply.data() + 1, count);
    } else {
        controller_.write(reg, request.data() + i2c::Data, count);
    }
    answer(reply, shown);
}

bool BridgeBoard::refused(const I2cSpots &spots, std::uint8_t target, bool isRead, std::uint8_t reg) const
{
    if (target == i2c::TargetBootloader)
        return spots.bootloader;
    if (spots.registers[reg])
        return true;
    if (!isRead || spots.windows == 0 || !controller_.servesWindow(reg))
        return false;
    switch (controller_.mode()) {
    case TouchController::Information:
        return spots.windows & I2cSpots::Information;
    case TouchController::Debug:
        return spots.windows & I2cSpots::Debug;
    case TouchController::M0:
        return spots.windows & I2cSpots::M0;
    case TouchController::Raster:
    case TouchController::RasterAlt:
        return spots.windows & I2cSpots::Raster;
    case TouchController::InternalRaster:
    case TouchController::InternalRasterAlt:
        return spots.windows & I2cSpots::InternalRaster;
    default:
        return false;
    }
}

void BridgeBoard::handleFirmwarePart(const Report &request)
{
    // The parts themselves are not answered; the bootloader answers the
    // record once its last part is in.
    const std::uint8_t *data = request.data() + firmware::Data;
    switch (request[firmware::PartByte]) {
    case firmware::PartFirst:
        record_.fill(0);
        std::copy_n(data, firmware::FullPart, record_.begin());
        recordFill_ = firmware::FullPart;
        recordInOrder_ = true;
        return;
    case firmware::PartMiddle:
        recordInOrder_ = recordInOrder_ && recordFill_ == firmware::FullPart;
        std::copy_n(data, firmware::FullPart, record_.begin() + firmware::FullPart);
        recordFill_ = 2 * firmware::FullPart;
        return;
    case firmware::PartLast: {
        const bool inOrder = recordInOrder_ && recordFill_ == 2 * firmware::FullPart;
        std::copy_n(data, firmware::LastPart, record_.begin() + 2 * firmware::FullPart);
        recordFill_ = 0;
        recordInOrder_ = false;
        const Bootloader::Outcome outcome = bootloader_.take(record_, inOrder);
        if (outcome.answer)
            answer(*outcome.answer, 5);
        if (outcome.installed)
            install(*outcome.installed);
        return;
    }
    default:
        recordInOrder_ = false;
        return;
    }
}

void BridgeBoard::install(const Bootloader::Image &image)
{
    // The image stays in flash: it outlives unplugging, not a change of panel.
    panel_.crc = image.crc;
    if (image.eeprom)
        panel_.eeprom = *image.eeprom;
    // The bootloader starts the new firmware.
    controller_.reset();
    stopReportingIfOff();
}

bool BridgeBoard::reporting() const
{
    return forwarding_ && interruptReports_ && !panel_.faults.silent && controller_.mode() == TouchController::Normal;
}

void BridgeBoard::stopReportingIfOff()
{
    if (reporting())
        return;
    owed_.clear();
    reportedActive_ = false;
}

void BridgeBoard::setTouches(const std::vector<Touch> &touches)
{
    if (touches == contact_.touches)
        return;
    contact_.touches = touches;
    contactChanged();
}

void BridgeBoard::setKeys(std::uint8_t mask)
{
    if (mask == contact_.keys)
        return;
    contact_.keys = mask;
    contactChanged();
}

void BridgeBoard::contactChanged()
{
    if (!reporting())
        return;
    // A host that stops scanning must not make the board hoard states.
    constexpr std::size_t kMaxOwed = 32;
    owed_.push_back(contact_);
    while (owed_.size() > kMaxOwed)
        owed_.pop_front();
}

bool BridgeBoard::reportDue() const
{
    return reporting() && (!owed_.empty() || contact_.active() || reportedActive_);
}

bool BridgeBoard::tick()
{
    if (!reporting()) {
        stopReportingIfOff();
        return false;
    }
    while (!owed_.empty()) {
        const Contact c = owed_.front();
        owed_.pop_front();
        // A lift of something never reported says nothing.
        if (!c.active() && !reportedActive_)
            continue;
        reportedActive_ = c.active();
        sendContact(c);
        return true;
    }
    if (!contact_.active() && !reportedActive_)
        return false;
    reportedActive_ = contact_.active();
    sendContact(contact_);
    return true;
}

void BridgeBoard::sendContact(const Contact &c)
{
    Report r{};
    r[0] = kBridgeReportId;
    r[touch::Count] = static_cast<std::uint8_t>(std::min<std::size_t>(c.touches.size(), 0xFF));
    r[touch::Keys] = c.keys;
    for (std::size_t k = 0; k < touch::Slots && k < c.touches.size(); ++k) {
        const Touch &t = c.touches[k];
        const std::size_t slot = touch::FirstSlot + k * touch::SlotSize;
        r[slot + touch::XOffset] = static_cast<std::uint8_t>(t.x & 0xFF);
        r[slot + touch::XOffset + 1] = static_cast<std::uint8_t>(t.x >> 8);
        r[slot + touch::YOffset] = static_cast<std::uint8_t>(t.y & 0xFF);
        r[slot + touch::YOffset + 1] = static_cast<std::uint8_t>(t.y >> 8);
        r[slot + touch::IdOffset] = t.id;
    }
    answer(r, touch::Length);
}

void BridgeBoard::answer(const Report &report, std::size_t meaningful)
{
    const std::size_t length = replyLength_;
    if (trace_)
        trace_->record(WireTrace::Direction::In, report.data(), length, std::min(meaningful, length));
    if (sink_)
        sink_(report, length);
}

int BridgeBoard::setFeature(const std::uint8_t *data, std::size_t length)
{
    if (length == 0)
        return -1;
    if (trace_)
        trace_->record(WireTrace::Direction::FeatureSet, data, length, length);
    if (panel_.faults.silent)
        return -1;
    features_[data[0]] = QByteArray(reinterpret_cast<const char *>(data), static_cast<int>(length));
    return static_cast<int>(length);
}

int BridgeBoard::getFeature(std::uint8_t *data, std::size_t length)
{
    if (length == 0 || panel_.faults.silent)
        return -1;
    const std::uint8_t id = data[0];
    std::fill_n(data, length, std::uint8_t{0});
    data[0] = id;
    const auto it = features_.find(id);
    if (it != features_.end())
        std::copy_n(it->second.constBegin(), std::min<std::size_t>(length, static_cast<std::size_t>(it->second.size())), data);
    if (trace_)
        trace_->record(WireTrace::Direction::FeatureGet, data, length, length);
    return static_cast<int>(length);
}

} // namespace emulator
