#ifndef HIDCOMMAND_H
#define HIDCOMMAND_H

#include "bridgereport.h"
#include "firmwareimage.h"
#include "myusbhid.h"
#include "stoptoken.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

class QWidget;
class Settings;
namespace Ui {
class VorlaneClass;
}

// The station's vocabulary for the panel: each operation is one short, fixed
// sequence of bridge reports with fixed waits, and the decoding of the answer.
// Operations block the calling thread for the whole exchange and return a
// failure value (false, empty text or list, 0, "FAIL") when the board is not
// there or does not answer; none of them closes the device.
//
// Operations that touch the window (the identification reads, the USB version
// and the message box) belong to the GUI thread. Message-pane texts may come
// from a worker thread; they are handed to the GUI thread.
class HidCommand : public QObject
{
    Q_OBJECT

public:
    // window is the parent of the message boxes, ui the main window's form
    // (message pane and identification fields), store the test profile. The
    // electrode counts, resolution and calibrate flag are taken from the store
    // now, as is CF48.
    HidCommand(QWidget *window, Ui::VorlaneClass *ui, Settings *store, QObject *parent = nullptr);
    ~HidCommand() override;

    // The profile's CF48; the window sets it again whenever a profile is loaded
    // or saved under a new name.
    int registerMapSelector() const { return m_registerMapSelector; }
    void setRegisterMapSelector(int cf48) { m_registerMapSelector = cf48; }

    // Two hex digits of the bootloader's fourth version byte, or "NULL" when the
    // last bootloader read failed (or none was made); picks the firmware section.
    QString bootloaderCode() const { return m_bootloaderCode; }

    // Identification and versions.
    bool readXnYn();
    QStringList readXnYnList();
    bool readResolution();
    QStringList readResolutionList();
    QString readCrcVersion();
    QString readEepromVersion();
    QString readUsbVersion();
    QString readBootloadVersion();
    QString checkBootloadVersion();

    // Measurements and checks.
    float readElectric();
    int readTbValue();
    QString attbTest();
    bool readBtnData(std::vector<int> &values);
    bool startCalibrate();

    // Control.
    void writeRegister33();
    void resetKavelC();
    void resetKavelCDelayed();
    void resetHid();
    void enableInterrupt();
    void enableInterruptReport();
    void disableInterruptReport();

    // Controller modes. Each waits the controller's settling time between the
    // mode write and its answer; the stream thread's own calls end that wait
    // early when it is asked to stop (the answer is still read).
    bool setNormalMode();
    bool setDebugMode() { return setDebugMode(device::StopToken()); }
    bool setDebugModeAlt() { return setDebugModeAlt(device::StopToken()); }
    bool setRasterMode() { return setRasterMode(device::StopToken()); }
    bool setRasterModeAlt() { return setRasterModeAlt(device::StopToken()); }
    bool setInternalRasterMode() { return setInternalRasterMode(device::StopToken()); }
    bool setInternalRasterModeAlt() { return setInternalRasterModeAlt(device::StopToken()); }
    bool setDebugMode(const device::StopToken &stop);
    bool setDebugModeAlt(const device::StopToken &stop);
    bool setRasterMode(const device::StopToken &stop);
    bool setRasterModeAlt(const device::StopToken &stop);
    bool setInternalRasterMode(const device::StopToken &stop);
    bool setInternalRasterModeAlt(const device::StopToken &stop);

    // The settling time of both debug modes, the longest of the mode switches.
    static constexpr int DebugModeSettleMs = 500;

    // Data streams, one pass each: a debug block (X record, Y record, then the
    // pair), or the YN + 1 raster rows. Sized by the process-wide electrode
    // counts at the start of the pass. A failed answer or a stop request ends
    // the pass; a stop is taken between transactions (it may cut the wait
    // before an answer short, but the answer is read), so nothing is left
    // pending. True when the whole pass was read and emitted.
    bool readDebugData(const device::StopToken &stop = device::StopToken());
    // The same with 2 ms between each request and its answer, and no failure
    // texts.
    bool readDebugDataAlt(const device::StopToken &stop = device::StopToken());
    bool readRasterData(const device::StopToken &stop = device::StopToken());
    bool readInternalRasterData(const device::StopToken &stop = device::StopToken());

    // One firmware record in three reports; the board answers none of them.
    // A failed write is reported in the message pane; the bootloader's answer
    // to the whole record decides.
    void sendFirmwarePart1(const std::array<std::uint8_t, device::firmware::Part1Bytes> &bytes);
    void sendFirmwarePart2(const std::array<std::uint8_t, device::firmware::Part2Bytes> &bytes);
    void sendFirmwarePart3(const std::array<std::uint8_t, device::firmware::Part3Bytes> &bytes);

    // Sends the process-wide firmware file's section for this bootloader
    // (bootloaderCode()). Reports through readline, then readAbout (or
    // GoCalibrte with the calibrate flag "1"), or readBootFail. A stop request
    // is taken between records; a stopped download says nothing.
    void downloadFirmware(const device::StopToken &stop = device::StopToken());

    // Engineering access to the bridge's feature registers. address is a hex
    // register number, length a decimal byte count (1 to 31), data hex byte
    // pairs (at most 29 bytes). Without input they only say so.
    void readFeatureRegister(const QString &address = QString(), const QString &length = QString());
    void writeFeatureRegister(const QString &data = QString());

signals:
    void setTextEdit(const QString &text);
    void readline(int sent, int total);
    void readDebug(const QString &record);
    void readDebugD(const QString &record);
    void readRaster(const QString &row, int index);
    void readBtnData(const QString &values);
    void readInternalRaster(const QString &row, int index);
    void readAbout();
    void readAboutFail(const QString &text);
    void readCommFail();
    void readBootFail(const QString &text);
    void GoCalibrte();
    void readFileAVertionFail();

private:
    enum class Need { Handle, Connected };
    static bool ready(Need need);

    device::bridge::RegisterMap registerMap() const;
    QByteArray profileValue(const QByteArray &key) const;

    bool readInformation(int count, int modeWaitBeforeAnswer, int waitAfterMode,
                         device::bridge::Report &answer);
    // True when the bootloader answered; accepted when its version is one we support.
    bool readBootloader(QString &text, bool &accepted);
    bool setMode(device::bridge::Mode mode, int waitMs, const device::StopToken &stop);
    void enableWithRetries(const device::bridge::Report &request, int waitBeforeAnswer,
                           int waitAfterFirst);

    enum class BlockRead { Done, FullChunkFailed, RemainderFailed, Stopped };
    BlockRead readBlock(int start, int length, int waitMs, bool clamp, QString &text,
                        const device::StopToken &stop);
    bool readDebugBlock(bool alternate, const device::StopToken &stop);
    bool readRasterRows(bool internal, const device::StopToken &stop);
    void sendFirmwarePart(std::uint8_t part, const std::uint8_t *bytes, std::size_t count,
                          const QString &failure);

    void appendMessage(const QString &text);
    void showBox(const QString &title, const QString &text);

    int m_registerMapSelector = 0;
    QWidget *m_window = nullptr;
    Ui::VorlaneClass *m_ui = nullptr;
    Settings *m_store = nullptr;
    QString m_bootloaderCode;
    MyUsbHid m_usbHid;
};

#endif
