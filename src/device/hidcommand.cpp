#include "hidcommand.h"

#include "devicelink.h"
#include "panelcodec.h"
#include "panelstate.h"
#include "settings.h"
#include "ui_vorlane.h"
#include "values.h"

#include <QMessageBox>
#include <QMetaObject>
#include <QRegularExpression>
#include <QThread>

#include <array>

using namespace device;
using bridge::Report;

namespace {

const QString EnableFailed = QStringLiteral("Send Kavel C interrupt Enable SetFeature failed!\r\n");
const QString EnableGaveUp = QStringLiteral("Send Kavel C interrupt Enable SetFeature time!\r\n");
const QString DisableFailed = QStringLiteral("Send Kavel C interrupt disable SetFeature failed!\r\n");

constexpr int EnableRepetitions = 5;

// Feature reports: report id 0 and 32 bytes.
constexpr std::size_t FeatureSize = 33;
constexpr std::size_t FeatureDataFirst = 4;
constexpr int FeatureReadMax = static_cast<int>(FeatureSize) - 2;
constexpr int FeatureWriteMax = static_cast<int>(FeatureSize - FeatureDataFirst);

} // namespace

HidCommand::HidCommand(QWidget *window, Ui::VorlaneClass *ui, Settings *store, QObject *parent)
    : QObject(parent)
    , m_window(window)
    , m_ui(ui)
    , m_store(store)
    , m_bootloaderCode(QStringLiteral("NULL"))
{
    m_registerMapSelector = profile::toInt(profileValue("CF48"));
    panel::setElectrodeCounts(profile::toInt(profileValue("x_electrodes")),
                              profile::toInt(profileValue("y_electrodes")));
    panel::setResolution(profile::toInt(profileValue("x_res")),
                         profile::toInt(profileValue("y_res")));
    panel::setCalibrateFlag(profileValue("CalibrateFlag"));
}

HidCommand::~HidCommand() = default;

bool HidCommand::ready(Need need)
{
    // Never hand the transport a request while no device is open, whatever the
    // connected flag says: discovery can set it for a board it did not open.
    if (!link::isOpen())
        return false;
    return need == Need::Handle || link::connected() == 1;
}

bridge::RegisterMap HidCommand::registerMap() const
{
    return bridge::registerMap(m_registerMapSelector);
}

QByteArray HidCommand::profileValue(const QByteArray &key) const
{
    return m_store ? m_store->value(key) : QByteArrayLiteral("0");
}

void HidCommand::appendMessage(const QString &text)
{
    if (!m_ui || !m_ui->textBrowser)
        return;
    QTextBrowser *pane = m_ui->textBrowser;
    if (QThread::currentThread() == pane->thread())
        pane->append(text);
    else
        QMetaObject::invokeMethod(pane, [pane, text] { pane->append(text); }, Qt::QueuedConnection);
}

void HidCommand::showBox(const QString &title, const QString &text)
{
    QMessageBox::about(m_window, title, text);
}

// The information page: mode write (its answer discarded), a wait, then the
// data window.
bool HidCommand::readInformation(int count, int modeWaitBeforeAnswer, int waitAfterMode,
                                 Report &answer)
{
    const bridge::RegisterMap map = registerMap();
    bridge::transfer(bridge::modeWrite(map, bridge::mode::Information), modeWaitBeforeAnswer);
    bridge::pause(waitAfterMode);
    return bridge::transfer(bridge::i2cRead(map.window, static_cast<std::uint8_t>(count)), 0, &answer)
        .ok();
}

bool HidCommand::readXnYn()
{
    if (!ready(Need::Connected))
        return false;
    Report answer;
    if (!readInformation(13, 0, 100, answer))
        return false;

    const codec::ElectrodeCounts counts = codec::electrodeCounts(answer);
    m_ui->XNEdit->setText(QString::number(counts.x));
    m_ui->YNEdit->setText(QString::number(counts.y));
    if (!codec::electrodeCountValid(counts.x) || !codec::electrodeCountValid(counts.y)) {
        // Counts this far out size no data block sensibly: the last good ones stay.
        showBox(QStringLiteral("error"), tr("read XN,YN error!"));
        return false;
    }
    panel::setElectrodeCounts(counts.x, counts.y);

    if (counts.x == profile::toInt(profileValue("x_electrodes"))
        && counts.y == profile::toInt(profileValue("y_electrodes")))
        return true;
    appendMessage(tr("XN,YN mismatch!"));
    return false;
}

QStringList HidCommand::readXnYnList()
{
    if (!ready(Need::Connected))
        return {};
    Report answer;
    if (!readInformation(13, 0, 100, answer))
        return {};

    const codec::ElectrodeCounts counts = codec::electrodeCounts(answer);
    m_ui->XNEdit->setText(QString::number(counts.x));
    m_ui->YNEdit->setText(QString::number(counts.y));
    if (!codec::electrodeCountValid(counts.x) || !codec::electrodeCountValid(counts.y)) {
        showBox(QStringLiteral("error"), tr("read XN,YN error!"));
        return {};
    }
    panel::setElectrodeCounts(counts.x, counts.y);
    return {QString::number(counts.x), QString::number(counts.y)};
}

bool HidCommand::readResolution()
{
    if (!ready(Need::Handle))
        return false;
    if (link::connected() != 1)
        return true;

    Report answer;
    if (readInformation(33, 10, 0, answer)) {
        const codec::Resolution r = codec::resolution(answer);
        panel::setResolution(r.x, r.y);
        m_ui->XResEdit->setText(QString::number(r.x));
        m_ui->YResEdit->setText(QString::number(r.y));
    }
    if (panel::xResolution() == profile::toInt(profileValue("x_res"))
        && panel::yResolution() == profile::toInt(profileValue("y_res")))
        return true;
    appendMessage(tr("xRes,yRes mismatch!"));
    return false;
}

QStringList HidCommand::readResolutionList()
{
    if (!ready(Need::Connected))
        return {};
    Report answer;
    if (!readInformation(33, 10, 0, answer))
        return {};
    const codec::Resolution r = codec::resolution(answer);
    panel::setResolution(r.x, r.y);
    m_ui->XResEdit->setText(QString::number(r.x));
    m_ui->YResEdit->setText(QString::number(r.y));
    return {QString::number(r.x), QString::number(r.y)};
}

QString HidCommand::readCrcVersion()
{
    if (!ready(Need::Connected))
        return QString();
    const Report request = bridge::i2cRead(bridge::reg::Crc, 2);
    Report answer;
    if (!bridge::transfer(request, 0, &answer).ok())
        return QString();
    const QString i2cError = codec::i2cError(answer);
    if (!i2cError.isEmpty())
        return i2cError;

    // A controller still starting up may give a stale CRC; a few re-reads settle
    // it. Every re-read is compared, the last one included.
    const QString expected = QString::fromLocal8Bit(profileValue("CRC_Version"));
    QString text = codec::crcText(answer);
    for (int reread = 0; reread < 3; ++reread) {
        if (text.compare(expected, Qt::CaseInsensitive) == 0)
            return text;
        if (!bridge::transfer(request, 0, &answer).ok())
            return text;
        text = codec::crcText(answer);
    }
    return text;
}

QString HidCommand::readEepromVersion()
{
    if (!ready(Need::Connected))
        return QString();
    Report answer;
    if (!bridge::transfer(bridge::i2cRead(bridge::reg::Eeprom, 32), 0, &answer).ok())
        return QString();
    return codec::eepromText(answer, m_registerMapSelector);
}

QString HidCommand::readUsbVersion()
{
    if (!ready(Need::Connected))
        return QString();
    Report answer;
    if (!bridge::transfer(bridge::request(bridge::FirmwareVersion), 20, &answer).ok())
        return QString();
    const QString text = codec::usbVersionText(answer);
    m_ui->lineEdit->setText(text);
    return codec::usbVersionAccepted(text) ? text : QString();
}

bool HidCommand::readBootloader(QString &text, bool &accepted)
{
    accepted = false;
    text = QStringLiteral("BootloadVersion:");
    m_bootloaderCode = QStringLiteral("NULL");
    Report answer;
    bool ok = false;
    if (ready(Need::Connected)) {
        ok = bridge::transfer(bridge::i2cRead(bridge::reg::BootloaderVersion, 4,
                                              bridge::TargetBootloader),
                              50, &answer)
                 .ok();
    } else {
        // Nothing was asked, so nothing is read: an answer read now could only
        // be a stray report, or a two-second wait for none.
        bridge::pause(50);
    }
    if (!ok)
        return false;
    text = codec::bootloaderText(answer);
    m_bootloaderCode = codec::bootloaderCode(answer);
    accepted = codec::bootloaderAccepted(answer);
    return true;
}

QString HidCommand::readBootloadVersion()
{
    QString text;
    bool accepted = false;
    readBootloader(text, accepted);
    return text;
}

QString HidCommand::checkBootloadVersion()
{
    QString text;
    bool accepted = false;
    if (readBootloader(text, accepted))
        resetKavelC();
    return accepted ? QStringLiteral("PASS") : QStringLiteral("FAIL");
}

float HidCommand::readElectric()
{
    if (!ready(Need::Handle))
        return 0.0f;
    Report answer;
    if (!bridge::transfer(bridge::request(bridge::SupplyCurrent), 0, &answer).ok())
        return 0.0f;
    return codec::currentFromRaw(codec::currentRaw(answer));
}

int HidCommand::readTbValue()
{
    if (!ready(Need::Connected))
        return 0;
    bridge::transfer(bridge::i2cWrite(bridge::reg::Command, {bridge::StartTbMeasurement}));
    Report answer;
    if (!bridge::transfer(bridge::i2cRead(bridge::reg::TbValue, 2), 0, &answer).ok())
        return 0;
    return codec::tbValue(answer);
}

QString HidCommand::attbTest()
{
    const QString fail = QStringLiteral("FAIL");
    if (!ready(Need::Handle))
        return fail;
    bridge::transfer(bridge::i2cWrite(bridge::reg::Attention, {0x08}), 5);
    Report answer;
    if (!bridge::transfer(bridge::request(bridge::AttentionCheck, {0x01}), 0, &answer).ok()
        || !codec::attentionPassed(answer))
        return fail;
    bridge::transfer(bridge::i2cWrite(bridge::reg::Attention, {0x0B}));
    return QStringLiteral("PASS");
}

bool HidCommand::readBtnData(std::vector<int> &values)
{
    if (!ready(Need::Handle))
        return false;
    Report answer;
    if (!bridge::transfer(bridge::i2cRead(bridge::reg::ButtonData, 8), 0, &answer).ok())
        return false;
    const std::vector<int> read = codec::buttonValues(answer);
    values.insert(values.end(), read.begin(), read.end());
    emit readBtnData(codec::buttonText(read));
    return true;
}

bool HidCommand::startCalibrate()
{
    if (!ready(Need::Connected))
        return false;
    // A command the controller did not acknowledge was not taken.
    const link::Watch command;
    return bridge::transfer(bridge::i2cWrite(bridge::reg::Command, {bridge::StartCalibration})).ok()
           && command.answered();
}

void HidCommand::writeRegister33()
{
    if (!ready(Need::Handle))
        return;
    bridge::transfer(bridge::i2cWrite(bridge::reg::Init33, {0x00}));
}

void HidCommand::resetKavelC()
{
    if (!ready(Need::Connected))
        return;
    bridge::transfer(bridge::request(bridge::Reset, {0x00, 0x00}));
}

void HidCommand::resetKavelCDelayed()
{
    if (!ready(Need::Connected))
        return;
    bridge::transfer(bridge::request(bridge::Reset, {0x00, 0x00}), 5);
}

void HidCommand::resetHid()
{
    if (!ready(Need::Connected))
        return;
    // The bridge restarts and never answers this one.
    bridge::send(bridge::request(bridge::Reset, {0x00, 0x01}));
}

void HidCommand::enableWithRetries(const Report &request, int waitBeforeAnswer, int waitAfterFirst)
{
    bool written = bridge::transfer(request, waitBeforeAnswer).written;
    bridge::pause(waitAfterFirst);
    for (int repetition = 1; !written && repetition <= EnableRepetitions; ++repetition) {
        appendMessage(EnableFailed);
        written = bridge::transfer(request, waitBeforeAnswer).written;
        if (repetition == EnableRepetitions)
            appendMessage(EnableGaveUp);
    }
}

void HidCommand::enableInterrupt()
{
    if (!ready(Need::Connected))
        return;
    enableWithRetries(bridge::request(bridge::Interrupt, {0x00, 0x00}), 0, 5);
}

void HidCommand::enableInterruptReport()
{
    if (!ready(Need::Connected))
        return;
    enableWithRetries(bridge::request(bridge::InterruptReport, {0x00, 0x00}), 5, 0);
}

void HidCommand::disableInterruptReport()
{
    if (!ready(Need::Connected))
        return;
    if (!bridge::transfer(bridge::request(bridge::InterruptReport, {0x00, 0x01, 0x01}), 5).written)
        appendMessage(DisableFailed);
}

bool HidCommand::setNormalMode()
{
    if (!ready(Need::Handle))
        return false;
    return bridge::transfer(bridge::modeWrite(registerMap(), bridge::mode::Normal)).ok();
}

// The other modes report only whether they could be asked for. A run skips an
// item whose mode switch is refused, so a board that stops answering must not
// turn into a refused switch: its item then fails on the data it cannot read.
bool HidCommand::setMode(bridge::Mode mode, int waitMs, const StopToken &stop)
{
    if (!ready(Need::Connected))
        return false;
    bridge::transfer(bridge::modeWrite(registerMap(), mode), waitMs, nullptr, stop);
    return true;
}

bool HidCommand::setDebugMode(const StopToken &stop)
{
    return setMode(bridge::mode::Debug, DebugModeSettleMs, stop);
}

bool HidCommand::setDebugModeAlt(const StopToken &stop)
{
    return setMode(bridge::mode::DebugAlt, DebugModeSettleMs, stop);
}

bool HidCommand::setRasterMode(const StopToken &stop)
{
    return setMode(bridge::mode::Raster, 20, stop);
}

bool HidCommand::setRasterModeAlt(const StopToken &stop)
{
    return setMode(bridge::mode::RasterAlt, 20, stop);
}

bool HidCommand::setInternalRasterMode(const StopToken &stop)
{
    return setMode(bridge::mode::InternalRaster, 10, stop);
}

bool HidCommand::setInternalRasterModeAlt(const StopToken &stop)
{
    return setMode(bridge::mode::InternalRasterAlt, 10, stop);
}

void HidCommand::readFeatureRegister(const QString &address, const QString &length)
{
    if (link::connected() != 1 || !link::isOpen())
        return;
    bool addressOk = false;
    bool lengthOk = false;
    const uint reg = address.trimmed().toUInt(&addressOk, 16);
    const int count = length.trimmed().toInt(&lengthOk, 10);
    // Without a usable address and length there is nothing to ask the board.
    if (!addressOk || !lengthOk || reg > 0xFF || count < 1 || count > FeatureReadMax) {
        showBox(QStringLiteral("Read"), QStringLiteral("Read address and length is Empty !"));
        return;
    }

    std::array<std::uint8_t, FeatureSize> report{};
    report[4] = static_cast<std::uint8_t>(reg);
    report[5] = static_cast<std::uint8_t>(count);
    Transport &transport = link::transport();
    transport.sendFeatureReport(report.data(), report.size());

    std::array<std::uint8_t, FeatureSize> answer{};
    if (transport.getFeatureReport(answer.data(), answer.size()) <= 0)
        return;
    QString text;
    for (int i = 2; i <= count + 1; ++i)
        text += QStringLiteral("%1,").arg(answer[static_cast<std::size_t>(i)], 2, 16, QLatin1Char('0')).toUpper();
    appendMessage(text);
}

void HidCommand::writeFeatureRegister(const QString &data)
{
    if (link::connected() != 1 || !link::isOpen())
        return;
    QString digits = data;
    digits.remove(QRegularExpression(QStringLiteral("[\\s,]")));
    if (digits.isEmpty()) {
        showBox(QStringLiteral("Write"), QStringLiteral("Write is Empty !"));
        return;
    }
    const QByteArray latin = digits.toLatin1();
    const QByteArray bytes = QByteArray::fromHex(latin);
    // fromHex skips what is not a digit; a register write must be exactly what
    // was typed, or nothing.
    if (digits.size() % 2 != 0 || bytes.toHex().compare(latin, Qt::CaseInsensitive) != 0
        || bytes.size() > FeatureWriteMax) {
        showBox(QStringLiteral("Write"), QStringLiteral("Write data is not valid !"));
        return;
    }

    std::array<std::uint8_t, FeatureSize> report{};
    report[3] = 0x01;
    for (int i = 0; i < bytes.size(); ++i)
        report[FeatureDataFirst + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(bytes[i]);
    link::transport().sendFeatureReport(report.data(), report.size());
}
