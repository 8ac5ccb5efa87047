#ifndef PANELCODEC_H
#define PANELCODEC_H

#include "bridgereport.h"

#include <QString>

#include <cstdint>
#include <vector>

// Turning the panel's answers into numbers, texts and verdicts. Kept apart from
// the exchanges so that every rule can be checked against a hand-made answer.
namespace device {
namespace codec {

using bridge::Report;

// Electrode counts the controller may report; anything else is a broken answer.
constexpr int MinElectrodes = 1;
constexpr int MaxElectrodes = 79;

struct ElectrodeCounts
{
    int x = 0;
    int y = 0;
};
// Information page: XN in byte 1, YN in byte 2.
ElectrodeCounts electrodeCounts(const Report &answer);
bool electrodeCountValid(int count);

struct Resolution
{
    int x = 0;
    int y = 0;
};
// Information page: x in bytes 10/11, y in bytes 12/13, little-endian.
Resolution resolution(const Report &answer);

// "error1" when the controller did not acknowledge (byte 63), else "error2" when
// it timed out (byte 62), else empty. No-acknowledge wins when both are set.
QString i2cError(const Report &answer);

// Firmware CRC as four upper-case hex digits, high byte first.
QString crcText(const Report &answer);

// The EEPROM version: the printable characters '+' to 'z' of bytes 1..32, others
// skipped. With the alternate register map the controller keeps only one
// character, in byte 1.
QString eepromText(const Report &answer, int registerMapSelector);

// Bridge firmware version: bytes 1,2 then 3,4 as characters; a zero byte ends
// its pair.
QString usbVersionText(const Report &answer);
// Only our bridge firmware starts its version with 'W'.
bool usbVersionAccepted(const QString &text);

// "BootloadVersion:" and the four version bytes as "%02X," each.
QString bootloaderText(const Report &answer);
// The fourth version byte, two upper-case hex digits; picks the firmware section.
QString bootloaderCode(const Report &answer);
// Bootloaders 0x47 to 0x4A are the ones our firmware images support.
bool bootloaderAccepted(const Report &answer);

// TB reading, bytes 1/2 little-endian.
int tbValue(const Report &answer);

// Supply current: the raw reading is big-endian in bytes 2/3, full scale 4096
// for 0 mA down from 33 mA at 0.
int currentRaw(const Report &answer);
float currentFromRaw(int raw);

// The attention line check passes when byte 3 is 0 or 1.
bool attentionPassed(const Report &answer);

// Button data: eight signed bytes, each doubled.
std::vector<int> buttonValues(const Report &answer);
// Each value in decimal followed by ",".
QString buttonText(const std::vector<int> &values);

} // namespace codec
} // namespace device

#endif
