#ifndef SHORTITEMS_H
#define SHORTITEMS_H

#include "devicelink.h"

#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <vector>

class HidCommand;
class Settings;

namespace production {
class ResultFile;
}

// The short items of a test run: supply current, the three versions, TB, Attb
// and reset. Each asks the panel through HidCommand, judges against the
// profile and hands back what the run records; the run owns the verdict, the
// result file and the message pane. The judging is kept in plain functions so
// that it can be checked without a panel.
namespace production {

// How the run goes on after an item.
enum class RunEnd {
    Continue,
    // The panel did not answer on I2C (the CRC read's "error1" / "error2"):
    // the run ends early as a failed run; what was measured before is filed.
    EndAsFailed,
    // Attb failed: the run ends as a failed run and its file is filed at once.
    FileAsFailed,
};

struct ItemOutcome
{
    bool ran = false;        // false: the item's switch is off; nothing else is set
    bool pass = true;        // false: the run's verdict becomes "FAIL"
    QString block;           // for the result file; empty when the item writes none
    QStringList paneLines;   // for the message pane, in order
    RunEnd end = RunEnd::Continue;
    QString shownVersion;    // for the item's version field (USB, CRC, EEPROM)
    // The same item judged as failed on the same readings: what the pane shows
    // when its block cannot be written. Unset for an item that failed already.
    std::function<ItemOutcome()> asFailed;
};

// The switches that gate the items ("1" exactly means on).
namespace gate {
inline constexpr char Electric[] = "ModeSwitch/Electric_Mode";
inline constexpr char UsbVersion[] = "ModeSwitch/UsbVersion_Mode";
inline constexpr char CrcVersion[] = "ModeSwitch/CRC_Version";
inline constexpr char EepromVersion[] = "ModeSwitch/eeprom_Version";
inline constexpr char Tb[] = "ModeSwitch/Tb_Mode";
inline constexpr char Attb[] = "ModeSwitch/Attb_Mode";
inline constexpr char Reset[] = "ModeSwitch/Reset_Mode";
} // namespace gate

// ---- judging -----------------------------------------------------------
// Plain functions from what was read to what the run records. answered is
// false when the board did not answer every exchange behind the readings:
// the values are then the failure values of the reads, and the item fails
// whatever they are.

// Numbers in result files: general notation, up to six significant digits.
QString resultNumber(double value);

// Three current readings: the middle one after sorting is the measured value,
// which passes only when below the threshold (a threshold that is not a
// number passes nothing).
ItemOutcome judgeElectric(std::array<float, 3> readings, float threshold, const QString &verdict,
                          bool answered = true);

// The USB and EEPROM versions are compared byte for byte, the CRC ignoring
// letter case. A CRC answer of "error1" / "error2" (no acknowledge / time-out
// on I2C) ends the run.
ItemOutcome judgeUsbVersion(const QString &read, const QByteArray &expected, const QString &verdict,
                            bool answered = true);
ItemOutcome judgeCrcVersion(const QString &answer, const QString &expected, const QString &verdict,
                            bool answered = true);
ItemOutcome judgeEepromVersion(const QString &read, const QByteArray &expected, bool answered = true);

// The CRC read: "error1" / "error2" end it at once; "FFFF" (a controller not
// yet ready) is asked again, three reads in all; anything else is kept.
QString settledCrc(const std::function<QString()> &read);

// TB: five accepted readings; 2048 means "not ready" and is read again at once,
// but never more than MaxTbRereads times in a row: a panel that never gets
// ready must not hold the line.
constexpr int TbNotReady = 2048;
constexpr int TbReadings = 5;
constexpr int MaxTbRereads = 20;

struct TbReadout
{
    std::vector<int> accepted; // in reading order
    bool stuck = false;        // still "not ready" after MaxTbRereads re-reads
};
// waitAfterAccepted runs after each accepted reading (the run waits 30 ms).
TbReadout collectTb(const std::function<int()> &read,
                    const std::function<void()> &waitAfterAccepted = {});
// Fails when all five readings are below the threshold, or when the panel got
// stuck; a stuck panel's line ends with the readings taken and the 2048 that
// never settled.
ItemOutcome judgeTb(const TbReadout &readout, int threshold, bool answered = true);

// The panel's own answers, "PASS" or "FAIL".
// An answer the board did not give in full is "FAIL".
ItemOutcome judgeAttb(const QString &answer, bool answered = true);
ItemOutcome judgeReset(const QString &answer, bool answered = true);

// "BtnData,<v1>,<v2>,...\n".
QString btnDataBlock(const std::vector<int> &values);

// ---- the items ---------------------------------------------------------
// Each checks its own switch first and reads the panel only when it is on;
// verdict is the run's verdict before the item, which some lines carry.
//
// run watches the link since the run began. An item passes only on readings
// the board answered in full: an answer that came short, or that flags the
// panel's I2C as not acknowledged or timed out, carries no reading. Once the link has broken, an item no longer asks
// the board (a silent board would hold the line for every read's time-out):
// it fails, and writes no block, as it measured nothing.

ItemOutcome electricItem(HidCommand &command, const Settings &store, const QString &verdict,
                         const device::link::Watch &run);
ItemOutcome usbVersionItem(HidCommand &command, const Settings &store, const QString &verdict,
                           const device::link::Watch &run);
ItemOutcome crcVersionItem(HidCommand &command, const Settings &store, const QString &verdict,
                           const device::link::Watch &run);
ItemOutcome eepromVersionItem(HidCommand &command, const Settings &store, const device::link::Watch &run);
ItemOutcome tbItem(HidCommand &command, const Settings &store, const device::link::Watch &run);
ItemOutcome attbItem(HidCommand &command, const Settings &store, const device::link::Watch &run);
// Ends with the wait of Init_time milliseconds the panel needs after its reset.
ItemOutcome resetItem(HidCommand &command, const Settings &store, const device::link::Watch &run);

// The rule every short item follows: read (unless the link already broke),
// then judge what was read, as answered or not. read gets the item's own
// watch, so that an item of several reads stops asking once one went
// unanswered.
template <typename Read, typename Judge>
ItemOutcome measure(const device::link::Watch &run, Read read, Judge judge)
{
    const device::link::Watch item;
    using Value = decltype(read(item));
    if (!run.held()) {
        ItemOutcome outcome = judge(Value{}, false);
        outcome.block.clear();
        return outcome;
    }
    const Value value = read(item);
    ItemOutcome outcome = judge(value, item.answered());
    if (outcome.pass)
        outcome.asFailed = [judge, value] { return judge(value, false); };
    return outcome;
}

// Records an outcome the way the run does for every item: the block first,
// then the verdict and the pane lines. A block that cannot be written fails
// its item: a PASS is never shown for evidence the file does not hold. pane
// appends one line. True when the item ran and passed as recorded.
bool record(const ItemOutcome &outcome, QString &verdict, ResultFile &file,
            const std::function<void(const QString &)> &pane);

} // namespace production

#endif
