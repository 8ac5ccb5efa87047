#include "paneldescription.h"

#include <QFileInfo>
#include <QSettings>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <type_traits>
#include <utility>

namespace emulator {

RegisterAddresses addressesOf(RegisterMap map)
{
    if (map == RegisterMap::Alternate)
        return {0x42, 0x48, 0x45};
    return {0x88, 0x8E, 0x8B};
}

int ElectrodeLevels::xAt(int i) const
{
    return i >= 0 && static_cast<std::size_t>(i) < xValues.size() ? xValues[static_cast<std::size_t>(i)] : x;
}

int ElectrodeLevels::yAt(int i) const
{
    return i >= 0 && static_cast<std::size_t>(i) < yValues.size() ? yValues[static_cast<std::size_t>(i)] : y;
}

int PanelDescription::rasterOffsetAt(int row, int column) const
{
    int sum = 0;
    for (const RasterOffset &o : rasterOffsets)
        if (o.covers(row, column))
            sum += o.delta;
    return sum;
}

std::uint16_t PanelDescription::rawCurrent() const
{
    // The board measures across a shunt: 4096 counts is 0 mA, 0 counts 33 mA.
    const double raw = std::round((33.0 - currentMa) * 4096.0 / 33.0);
    if (raw <= 0.0)
        return 0;
    if (raw >= 65535.0)
        return 65535;
    return static_cast<std::uint16_t>(raw);
}

bool I2cSpots::empty() const
{
    return !bootloader && windows == 0 && std::none_of(registers.begin(), registers.end(), [](bool r) { return r; });
}

namespace {

const std::pair<const char *, I2cSpots::Window> WindowNames[] = {
    {"information", I2cSpots::Information}, {"debug", I2cSpots::Debug}, {"m0", I2cSpots::M0},
    {"raster", I2cSpots::Raster},           {"internal_raster", I2cSpots::InternalRaster},
};

} // namespace

std::optional<I2cSpots> I2cSpots::parse(const QString &text)
{
    I2cSpots spots;
    if (text.trimmed().compare(QLatin1String("off"), Qt::CaseInsensitive) == 0)
        return spots;
    for (const QString &raw : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString part = raw.trimmed().toLower();
        if (part.isEmpty())
            continue;
        if (part == QLatin1String("bootloader")) {
            spots.bootloader = true;
            continue;
        }
        if (part.startsWith(QLatin1String("window:"))) {
            const QString name = part.mid(7);
            const auto it = std::find_if(std::begin(WindowNames), std::end(WindowNames),
                                         [&name](const auto &w) { return name == QLatin1String(w.first); });
            if (it == std::end(WindowNames))
                return std::nullopt;
            spots.windows |= it->second;
            continue;
        }
        bool ok = false;
        const uint reg = part.toUInt(&ok, 0);
        if (!ok || reg > 0xFF)
            return std::nullopt;
        spots.registers[reg] = true;
    }
    return spots;
}

QString I2cSpots::text() const
{
    QStringList parts;
    for (std::size_t r = 0; r < registers.size(); ++r) {
        if (registers[r])
            parts << QStringLiteral("0x") + QString::number(uint(r), 16).rightJustified(2, QLatin1Char('0')).toUpper();
    }
    if (bootloader)
        parts << QStringLiteral("bootloader");
    for (const auto &w : WindowNames) {
        if (windows & w.second)
            parts << QStringLiteral("window:") + QLatin1String(w.first);
    }
    return parts.join(QStringLiteral(", "));
}

namespace {

// QSettings hands a value with commas back as a list; join it again so that
// every parser below sees the text as written.
QString textOf(const QVariant &v)
{
    return v.toStringList().join(QLatin1Char(','));
}

std::optional<long long> integer(const QString &text, int base = 0)
{
    QString t = text.trimmed();
    bool negative = false;
    if (t.startsWith(QLatin1Char('-'))) {
        negative = true;
        t = t.mid(1);
    }
    if (base == 16 && (t.startsWith(QLatin1String("0x")) || t.startsWith(QLatin1String("0X"))))
        t = t.mid(2);
    bool ok = false;
    const long long v = t.toLongLong(&ok, base);
    if (!ok || t.isEmpty())
        return std::nullopt;
    return negative ? -v : v;
}

std::optional<std::vector<int>> integerList(const QString &text, long long lo, long long hi, int base = 0)
{
    std::vector<int> out;
    const QStringList parts = text.split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString &p : parts) {
        const auto v = integer(p, base);
        if (!v || *v < lo || *v > hi)
            return std::nullopt;
        out.push_back(static_cast<int>(*v));
    }
    return out;
}

// "first-last" or one number, 0..255 (a row or a column).
std::optional<std::pair<int, int>> span(const QString &text)
{
    const QStringList ends = text.trimmed().split(QLatin1Char('-'));
    if (ends.size() > 2)
        return std::nullopt;
    const auto first = integer(ends.front(), 10);
    const auto last = integer(ends.back(), 10);
    if (!first || !last || *first < 0 || *last < *first || *last > 255)
        return std::nullopt;
    return std::make_pair(static_cast<int>(*first), static_cast<int>(*last));
}

// "ROWS:COLUMNS:DELTA,..." with ROWS and COLUMNS one number or a range a-b.
std::optional<std::vector<RasterOffset>> parseRasterOffsets(const QString &text)
{
    std::vector<RasterOffset> out;
    for (const QString &entry : text.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QStringList parts = entry.split(QLatin1Char(':'));
        if (parts.size() != 3)
            return std::nullopt;
        const auto rows = span(parts[0]);
        const auto columns = span(parts[1]);
        const auto delta = integer(parts[2], 10);
        if (!rows || !columns || !delta || *delta < -65535 || *delta > 65535)
            return std::nullopt;
        out.push_back({rows->first, rows->second, columns->first, columns->second, static_cast<int>(*delta)});
    }
    return out;
}

std::optional<bool> boolean(const QString &text)
{
    const QString t = text.trimmed().toLower();
    if (t == QLatin1String("true") || t == QLatin1String("1") || t == QLatin1String("yes") || t == QLatin1String("on"))
        return true;
    if (t == QLatin1String("false") || t == QLatin1String("0") || t == QLatin1String("no") || t == QLatin1String("off"))
        return false;
    return std::nullopt;
}

} // namespace

std::optional<PanelDescription> PanelDescription::load(const QString &path, QString *error)
{
    auto fail = [error](const QString &why) -> std::optional<PanelDescription> {
        if (error)
            *error = why;
        return std::nullopt;
    };

    if (!QFileInfo(path).isFile())
        return fail(QStringLiteral("%1: no such file").arg(path));
    QSettings ini(path, QSettings::IniFormat);
    if (ini.status() != QSettings::NoError)
        return fail(QStringLiteral("%1: not a readable ini file").arg(path));

    PanelDescription d;

    // Each key parses its own text; false means the value is not acceptable.
    using Parser = std::function<bool(const QString &)>;
    auto intInto = [](auto &field, long long lo, long long hi, int base = 0) {
        return Parser([&field, lo, hi, base](const QString &t) {
            const auto v = integer(t, base);
            if (!v || *v < lo || *v > hi)
                return false;
            field = static_cast<std::remove_reference_t<decltype(field)>>(*v);
            return true;
        });
    };
    auto boolInto = [](bool &field) {
        return Parser([&field](const QString &t) {
            const auto v = boolean(t);
            if (!v)
                return false;
            field = *v;
            return true;
        });
    };
    auto spotsInto = [](I2cSpots &field) {
        return Parser([&field](const QString &t) {
            const auto v = I2cSpots::parse(t);
            if (!v)
                return false;
            field = *v;
            return true;
        });
    };
    auto listInto = [](std::vector<int> &field, long long lo, long long hi) {
        return Parser([&field, lo, hi](const QString &t) {
            auto v = integerList(t, lo, hi);
            if (!v)
                return false;
            field = std::move(*v);
            return true;
        });
    };

    const std::map<QString, Parser> keys = {
        {QStringLiteral("bridge/vendor_id"), intInto(d.vendorId, 0, 0xFFFF)},
        {QStringLiteral("bridge/product_id"), intInto(d.productId, 0, 0xFFFF)},
        {QStringLiteral("bridge/release"), intInto(d.release, 0, 0xFFFF)},
        {QStringLiteral("bridge/firmware_version"),
         [&d](const QString &t) {
             const QByteArray a = t.trimmed().toLatin1();
             if (a.size() > 4)
                 return false;
             d.firmwareVersion = a;
             return true;
         }},
        {QStringLiteral("bridge/current_ma"),
         [&d](const QString &t) {
             bool ok = false;
             const double v = t.trimmed().toDouble(&ok);
             if (!ok || !std::isfinite(v))
                 return false;
             d.currentMa = v;
             return true;
         }},
        {QStringLiteral("panel/register_map"),
         [&d](const QString &t) {
             const QString m = t.trimmed().toLower();
             if (m == QLatin1String("standard"))
                 d.registerMap = RegisterMap::Standard;
             else if (m == QLatin1String("alternate"))
                 d.registerMap = RegisterMap::Alternate;
             else
                 return false;
             return true;
         }},
        {QStringLiteral("panel/x_electrodes"), intInto(d.xElectrodes, 0, 255)},
        {QStringLiteral("panel/y_electrodes"), intInto(d.yElectrodes, 0, 255)},
        {QStringLiteral("panel/x_res"), intInto(d.xResolution, 0, 0xFFFF)},
        {QStringLiteral("panel/y_res"), intInto(d.yResolution, 0, 0xFFFF)},
        {QStringLiteral("panel/crc"), intInto(d.crc, 0, 0xFFFF, 16)},
        {QStringLiteral("panel/eeprom"),
         [&d](const QString &t) {
             const QByteArray a = t.toLatin1();
             if (a.size() > 32)
                 return false;
             d.eeprom = a;
             return true;
         }},
        {QStringLiteral("panel/bootloader"),
         [&d](const QString &t) {
             const auto v = integerList(t, 0, 255, 16);
             if (!v || v->size() != 4)
                 return false;
             for (std::size_t i = 0; i < 4; ++i)
                 d.bootloader[i] = static_cast<std::uint8_t>((*v)[i]);
             return true;
         }},
        {QStringLiteral("panel/tb_readings"),
         [&d](const QString &t) {
             auto v = integerList(t, 0, 0xFFFF);
             if (!v || v->empty())
                 return false;
             d.tbReadings = std::move(*v);
             return true;
         }},
        {QStringLiteral("panel/buttons"),
         [&d](const QString &t) {
             const auto v = integerList(t, -128, 127);
             if (!v || v->size() > d.buttons.size())
                 return false;
             d.buttons.fill(0);
             for (std::size_t i = 0; i < v->size(); ++i)
                 d.buttons[i] = static_cast<std::int8_t>((*v)[i]);
             return true;
         }},
        {QStringLiteral("debug/x_level"), intInto(d.debug.x, -32768, 32767)},
        {QStringLiteral("debug/y_level"), intInto(d.debug.y, -32768, 32767)},
        {QStringLiteral("debug/x"), listInto(d.debug.xValues, -32768, 32767)},
        {QStringLiteral("debug/y"), listInto(d.debug.yValues, -32768, 32767)},
        {QStringLiteral("m0/x_level"), intInto(d.m0.x, -32768, 32767)},
        {QStringLiteral("m0/y_level"), intInto(d.m0.y, -32768, 32767)},
        {QStringLiteral("m0/x"), listInto(d.m0.xValues, -32768, 32767)},
        {QStringLiteral("m0/y"), listInto(d.m0.yValues, -32768, 32767)},
        {QStringLiteral("raster/level"), intInto(d.rasterLevel, -32768, 32767)},
        {QStringLiteral("raster/internal_level"), intInto(d.internalRasterLevel, -32768, 32767)},
        {QStringLiteral("raster/offsets"),
         [&d](const QString &t) {
             auto v = parseRasterOffsets(t);
             if (!v)
                 return false;
             d.rasterOffsets = std::move(*v);
             return true;
         }},
        {QStringLiteral("raster/noise"), intInto(d.rasterNoise, 0, 32767)},
        {QStringLiteral("raster/jitter"), intInto(d.rasterJitter, 0, 32767)},
        {QStringLiteral("debug/jitter"), intInto(d.debugJitter, 0, 32767)},
        {QStringLiteral("m0/jitter"), intInto(d.m0Jitter, 0, 32767)},
        {QStringLiteral("faults/i2c_nack"), boolInto(d.faults.i2cNack)},
        {QStringLiteral("faults/i2c_timeout"), boolInto(d.faults.i2cTimeout)},
        {QStringLiteral("faults/i2c_nack_at"), spotsInto(d.faults.nackAt)},
        {QStringLiteral("faults/i2c_timeout_at"), spotsInto(d.faults.timeoutAt)},
        {QStringLiteral("faults/short_answers"),
         [&d](const QString &t) {
             const auto v = integerList(t, 0, 7);
             if (!v)
                 return false;
             d.faults.shortAnswers = 0;
             for (int c : *v)
                 d.faults.shortAnswers |= std::uint8_t(1u << c);
             return true;
         }},
        {QStringLiteral("faults/short_answer_bytes"), intInto(d.faults.shortAnswerBytes, 1, 63)},
        {QStringLiteral("faults/silent"), boolInto(d.faults.silent)},
        {QStringLiteral("faults/attention_line"), boolInto(d.faults.attentionLine)},
        {QStringLiteral("faults/refuse_record"), intInto(d.faults.refuseRecord, 0, 1000000)},
        {QStringLiteral("faults/bootloader_silent_from"), intInto(d.faults.bootloaderSilentFrom, 0, 1000000)},
    };

    QStringList problems;
    const QStringList present = ini.allKeys();
    for (const QString &key : present) {
        const auto it = keys.find(key);
        if (it == keys.end()) {
            problems << QStringLiteral("unknown key %1").arg(key);
            continue;
        }
        const QString text = textOf(ini.value(key));
        if (!it->second(text))
            problems << QStringLiteral("bad value for %1: '%2'").arg(key, text);
    }
    if (!problems.isEmpty())
        return fail(QStringLiteral("%1: %2").arg(path, problems.join(QStringLiteral("; "))));
    return d;
}

} // namespace emulator
