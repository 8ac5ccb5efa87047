#include "panelcodec.h"

namespace device {
namespace codec {

namespace {

QString hex2(std::uint8_t b)
{
    return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper();
}

bool versionCharacter(std::uint8_t b)
{
    return b >= 0x2B && b <= 0x7A;
}

int little16(const Report &a, std::size_t low)
{
    return a[low + 1] * 256 + a[low];
}

} // namespace

ElectrodeCounts electrodeCounts(const Report &answer)
{
    return {answer[1], answer[2]};
}

bool electrodeCountValid(int count)
{
    return count >= MinElectrodes && count <= MaxElectrodes;
}

Resolution resolution(const Report &answer)
{
    return {little16(answer, 10), little16(answer, 12)};
}

QString i2cError(const Report &answer)
{
    if (answer[bridge::I2cNoAckFlag] == 1)
        return QStringLiteral("error1");
    if (answer[bridge::I2cTimeoutFlag] == 1)
        return QStringLiteral("error2");
    return QString();
}

QString crcText(const Report &answer)
{
    return hex2(answer[2]) + hex2(answer[1]);
}

QString eepromText(const Report &answer, int registerMapSelector)
{
    QString text;
    if (registerMapSelector == 1) {
        if (versionCharacter(answer[1]))
            text += QLatin1Char(static_cast<char>(answer[1]));
        return text;
    }
    for (std::size_t i = 1; i <= 32; ++i) {
        if (versionCharacter(answer[i]))
            text += QLatin1Char(static_cast<char>(answer[i]));
    }
    return text;
}

QString usbVersionText(const Report &answer)
{
    QString text;
    for (std::size_t pair = 1; pair <= 3; pair += 2) {
        if (answer[pair] == 0)
            continue;
        text += QLatin1Char(static_cast<char>(answer[pair]));
        if (answer[pair + 1] != 0)
            text += QLatin1Char(static_cast<char>(answer[pair + 1]));
    }
    return text;
}

bool usbVersionAccepted(const QString &text)
{
    return text.startsWith(QLatin1Char('W'));
}

QString bootloaderText(const Report &answer)
{
    QString text = QStringLiteral("BootloadVersion:");
    for (std::size_t i = 1; i <= 4; ++i)
        text += hex2(answer[i]) + QLatin1Char(',');
    return text;
}

QString bootloaderCode(const Report &answer)
{
    return hex2(answer[4]);
}

bool bootloaderAccepted(const Report &answer)
{
    return answer[4] >= 0x47 && answer[4] <= 0x4A;
}

int tbValue(const Report &answer)
{
    return little16(answer, 1);
}

int currentRaw(const Report &answer)
{
    return answer[2] * 256 + answer[3];
}

float currentFromRaw(int raw)
{
    return static_cast<float>(33.0 - raw * 33.0 / 4096.0);
}

bool attentionPassed(const Report &answer)
{
    return answer[3] < 2;
}

std::vector<int> buttonValues(const Report &answer)
{
    std::vector<int> values;
    values.reserve(8);
    for (std::size_t i = 1; i <= 8; ++i)
        values.push_back(static_cast<std::int8_t>(answer[i]) * 2);
    return values;
}

QString buttonText(const std::vector<int> &values)
{
    QString text;
    for (int v : values)
        text += QString::number(v) + QLatin1Char(',');
    return text;
}

} // namespace codec
} // namespace device
