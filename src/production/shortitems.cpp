#include "shortitems.h"

#include "hidcommand.h"
#include "resultfile.h"
#include "settings.h"
#include "values.h"

#include <QThread>

#include <algorithm>

namespace production {

namespace {

const QString Pass = QStringLiteral("PASS");
const QString Fail = QStringLiteral("FAIL");

// The controller answers "FFFF" while it is still starting up.
const QString CrcNotReady = QStringLiteral("FFFF");
constexpr int CrcReads = 3;
const QString I2cNoAck = QStringLiteral("error1");
const QString I2cTimeout = QStringLiteral("error2");

constexpr int TbWaitMs = 30;

QString passFail(bool pass)
{
    return pass ? Pass : Fail;
}

QString verdictAfter(const QString &verdict, bool pass)
{
    return pass ? verdict : Fail;
}

ItemOutcome ran()
{
    ItemOutcome outcome;
    outcome.ran = true;
    return outcome;
}

bool on(const Settings &store, const char *gate)
{
    return profile::isOn(store.value(gate));
}

void sleepMs(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace

QString resultNumber(double value)
{
    return QString::number(value, 'g', 6);
}

ItemOutcome judgeElectric(std::array<float, 3> readings, float threshold, const QString &verdict, bool answered)
{
    std::sort(readings.begin(), readings.end());
    const float median = readings[1];
    // Written so that a threshold that is not a number fails the panel.
    const bool pass = answered && median < threshold;

    ItemOutcome outcome = ran();
    outcome.pass = pass;
    outcome.block = QStringLiteral("Electric,%1,%2MA,%3MA,%4MA\n")
                        .arg(verdictAfter(verdict, pass), resultNumber(readings[0]),
                             resultNumber(readings[1]), resultNumber(readings[2]));
    outcome.paneLines << QStringLiteral("read Electric:") + QString::number(median, 'g', 3)
                             + (pass ? QStringLiteral("MA PASS") : QStringLiteral("MA FAIL"));
    return outcome;
}

ItemOutcome judgeUsbVersion(const QString &read, const QByteArray &expected, const QString &verdict,
                            bool answered)
{
    const bool pass = answered && read.toLocal8Bit() == expected;
    ItemOutcome outcome = ran();
    outcome.pass = pass;
    outcome.block = QStringLiteral("Usb_Version,") + read + QLatin1Char(',')
                    + verdictAfter(verdict, pass) + QLatin1Char('\n');
    outcome.paneLines << (pass ? QStringLiteral("Read Usb_Version: PASS")
                               : QStringLiteral("read Usb_Version:") + read + QStringLiteral(" FAIL"));
    outcome.shownVersion = read;
    return outcome;
}

ItemOutcome judgeCrcVersion(const QString &answer, const QString &expected, const QString &verdict,
                            bool answered)
{
    ItemOutcome outcome = ran();
    if (answer == I2cNoAck || answer == I2cTimeout) {
        outcome.pass = false;
        outcome.end = RunEnd::EndAsFailed;
        outcome.paneLines << (answer == I2cNoAck ? QStringLiteral("<p style=color:red>I2C NO ACK!</p>")
                                                 : QStringLiteral("<p style=color:red>I2C Timeout!</p>"));
        outcome.shownVersion = answer;
        return outcome;
    }
    const bool pass = answered && answer.compare(expected, Qt::CaseInsensitive) == 0;
    outcome.pass = pass;
    outcome.block = QStringLiteral("CRC_Version,") + answer + QLatin1Char(',')
                    + verdictAfter(verdict, pass) + QLatin1Char('\n');
    outcome.paneLines << (pass ? QStringLiteral("Read CRC_Version: PASS")
                               : QStringLiteral("read CRC_Version:") + answer + QStringLiteral(" FAIL"));
    outcome.shownVersion = answer;
    return outcome;
}

ItemOutcome judgeEepromVersion(const QString &read, const QByteArray &expected, bool answered)
{
    const bool pass = answered && read.toLocal8Bit() == expected;
    ItemOutcome outcome = ran();
    outcome.pass = pass;
    outcome.block = QStringLiteral("eeprom_Version,") + read + QLatin1Char(',') + passFail(pass)
                    + QLatin1Char('\n');
    outcome.paneLines << (pass ? QStringLiteral("Read eeprom_Version: PASS")
                               : QStringLiteral("read eeprom_Version:") + read + QStringLiteral(" FAIL"));
    outcome.shownVersion = read;
    return outcome;
}

QString settledCrc(const std::function<QString()> &read)
{
    QString answer;
    for (int n = 0; n < CrcReads; ++n) {
        answer = read();
        if (answer != CrcNotReady)
            break;
    }
    return answer;
}

TbReadout collectTb(const std::function<int()> &read, const std::function<void()> &waitAfterAccepted)
{
    TbReadout readout;
    int rereads = 0;
    while (static_cast<int>(readout.accepted.size()) < TbReadings) {
        const int value = read();
        if (value == TbNotReady) {
            if (rereads == MaxTbRereads) {
                readout.stuck = true;
                break;
            }
            ++rereads;
            continue;
        }
        rereads = 0;
        readout.accepted.push_back(value);
        if (waitAfterAccepted)
            waitAfterAccepted();
    }
    return readout;
}

ItemOutcome judgeTb(const TbReadout &readout, int threshold, bool answered)
{
    const auto below = std::count_if(readout.accepted.begin(), readout.accepted.end(),
                                     [threshold](int v) { return v < threshold; });
    const bool pass = answered && !readout.stuck && below < TbReadings;

    ItemOutcome outcome = ran();
    outcome.pass = pass;
    outcome.block = QStringLiteral("Tb_Value,") + passFail(pass);
    for (const int v : readout.accepted)
        outcome.block += QLatin1Char(',') + QString::number(v);
    if (readout.stuck)
        outcome.block += QLatin1Char(',') + QString::number(TbNotReady);
    outcome.block += QLatin1Char('\n');
    outcome.paneLines << (pass ? QStringLiteral("TB_Test: PASS") : QStringLiteral("TB_Test: FAIL"));
    return outcome;
}

ItemOutcome judgeAttb(const QString &read, bool answered)
{
    const QString answer = answered ? read : Fail;
    ItemOutcome outcome = ran();
    outcome.paneLines << QStringLiteral("Attb Test:") + answer;
    outcome.block = QStringLiteral("Attb:,") + answer + QLatin1Char('\n');
    if (answer == Fail) {
        outcome.pass = false;
        outcome.end = RunEnd::FileAsFailed;
    }
    return outcome;
}

ItemOutcome judgeReset(const QString &read, bool answered)
{
    const QString answer = answered ? read : Fail;
    ItemOutcome outcome = ran();
    outcome.pass = answer != Fail;
    outcome.paneLines << QStringLiteral("Reset:") + answer;
    outcome.block = QStringLiteral("Reset:,") + answer + QLatin1Char('\n');
    return outcome;
}

QString btnDataBlock(const std::vector<int> &values)
{
    QString block = QStringLiteral("BtnData");
    for (const int v : values)
        block += QLatin1Char(',') + QString::number(v);
    return block + QLatin1Char('\n');
}

ItemOutcome electricItem(HidCommand &command, const Settings &store, const QString &verdict,
                         const device::link::Watch &run)
{
    if (!on(store, gate::Electric))
        return {};
    const float threshold = profile::toDecimal(store.value("Electric_thr"));
    return measure(
        run,
        [&command](const device::link::Watch &item) {
            std::array<float, 3> readings{};
            for (float &r : readings)
                r = item.held() ? command.readElectric() : 0.0f;
            return readings;
        },
        [threshold, verdict](const std::array<float, 3> &readings, bool answered) {
            return judgeElectric(readings, threshold, verdict, answered);
        });
}

ItemOutcome usbVersionItem(HidCommand &command, const Settings &store, const QString &verdict,
                           const device::link::Watch &run)
{
    if (!on(store, gate::UsbVersion))
        return {};
    const QByteArray expected = store.value("Usb_Version");
    return measure(
        run, [&command](const device::link::Watch &) { return command.readUsbVersion(); },
        [expected, verdict](const QString &version, bool answered) {
            return judgeUsbVersion(version, expected, verdict, answered);
        });
}

ItemOutcome crcVersionItem(HidCommand &command, const Settings &store, const QString &verdict,
                           const device::link::Watch &run)
{
    if (!on(store, gate::CrcVersion))
        return {};
    const QString expected = QString::fromLocal8Bit(store.value("CRC_Version"));
    return measure(
        run,
        [&command](const device::link::Watch &) {
            return settledCrc([&command] { return command.readCrcVersion(); });
        },
        [expected, verdict](const QString &answer, bool answered) {
            return judgeCrcVersion(answer, expected, verdict, answered);
        });
}

ItemOutcome eepromVersionItem(HidCommand &command, const Settings &store, const device::link::Watch &run)
{
    if (!on(store, gate::EepromVersion))
        return {};
    const QByteArray expected = store.value("eeprom_Version");
    return measure(
        run, [&command](const device::link::Watch &) { return command.readEepromVersion(); },
        [expected](const QString &version, bool answered) {
            return judgeEepromVersion(version, expected, answered);
        });
}

ItemOutcome tbItem(HidCommand &command, const Settings &store, const device::link::Watch &run)
{
    if (!on(store, gate::Tb))
        return {};
    const int threshold = profile::toInt(store.value("Tb_value_thr"));
    return measure(
        run,
        [&command](const device::link::Watch &item) {
            return collectTb([&command, &item] { return item.held() ? command.readTbValue() : 0; },
                             [] { sleepMs(TbWaitMs); });
        },
        [threshold](const TbReadout &readout, bool answered) { return judgeTb(readout, threshold, answered); });
}

ItemOutcome attbItem(HidCommand &command, const Settings &store, const device::link::Watch &run)
{
    if (!on(store, gate::Attb))
        return {};
    return measure(run, [&command](const device::link::Watch &) { return command.attbTest(); }, &judgeAttb);
}

ItemOutcome resetItem(HidCommand &command, const Settings &store, const device::link::Watch &run)
{
    if (!on(store, gate::Reset))
        return {};
    const int initMs = profile::toInt(store.value("Init_time"));
    return measure(
        run,
        [&command, initMs](const device::link::Watch &) {
            const QString answer = command.checkBootloadVersion();
            // The panel comes up again after its reset; the wait is part of the item.
            sleepMs(initMs);
            return answer;
        },
        &judgeReset);
}

bool record(const ItemOutcome &outcome, QString &verdict, ResultFile &file,
            const std::function<void(const QString &)> &pane)
{
    if (!outcome.ran)
        return false;
    const bool written = outcome.block.isEmpty() || file.appendResultLine(outcome.block);
    const ItemOutcome &shown = !written && outcome.pass && outcome.asFailed ? outcome.asFailed() : outcome;
    const bool passed = shown.pass && written;
    if (!passed)
        verdict = Fail;
    for (const QString &line : shown.paneLines)
        pane(line);
    return passed;
}

} // namespace production
