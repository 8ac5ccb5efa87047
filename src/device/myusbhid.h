#ifndef MYUSBHID_H
#define MYUSBHID_H

#include "bridgereport.h"
#include "stoptoken.h"
#include "transport.h"

#include <QObject>
#include <QString>

#include <optional>

// Finds and opens the bridge board. Two independent ways, as the window uses
// them: an enumeration of the HID interfaces that identifies the board and logs
// why it did not (./log.txt), and an open by vendor and product id that gives
// the device carrying the bridge reports. Both work on the process-wide device
// link; this object holds nothing of its own.
class MyUsbHid : public QObject
{
    Q_OBJECT

public:
    // Clears the connected flag: nothing is known about the board yet.
    explicit MyUsbHid(QObject *parent = nullptr);
    ~MyUsbHid() override;

    // Looks at the first ten HID interfaces and keeps the first that is ours.
    bool findHidDevice();

    // Interface number index, or nothing when there is none (or ./log.txt cannot
    // be written, in which case nothing is enumerated at all). Failures are
    // logged to ./log.txt.
    std::optional<device::HidDeviceInfo> openInterface(int index);

    // Checks the held interface against the station's bridge ids and publishes
    // its identity on a match. Vendor and product id are matched independently.
    bool checkAttributes();

    // Opens the board by the maker's id pair, else the customer's. Only the two
    // straight pairs are tried.
    bool openDevice();
    bool closeDevice();

    // The station file's id texts are hexadecimal without prefix; text that does
    // not convert (or is out of range) reads as 0.
    static unsigned parseId(const QByteArray &text);

    // The interrupt stream (HidThread). enableStream() asks the bridge to
    // forward the controller's reports; false when no board is connected. A
    // stop request cuts its waits short (the answer is still read).
    bool enableStream(const device::StopToken &stop = device::StopToken());
    // Each waits up to StreamTimeoutMs for one forwarded report. readKeyCode()
    // emits HidData with its key code, "0" when none came; readStreamRecord()
    // emits the touch record, nothing when none came. A stop request ends the
    // wait at once and emits nothing.
    void readKeyCode(const device::StopToken &stop = device::StopToken());
    void readStreamRecord(const device::StopToken &stop = device::StopToken());

    static constexpr int StreamTimeoutMs = 300;

    // ./log.txt grows by one search's lines at every arrival of any HID device:
    // over a long session of a loose cable it is rotated at this size, and a
    // few older parts are kept (log.txt.1 the newest). About 8 000 searches
    // fit in one part.
    static constexpr qint64 LogLimitBytes = 1 << 20;
    static constexpr int LogPartsKept = 3;

signals:
    void readdata(const unsigned char *data);
    void setVidTextEdit(const QString &vid);
    void setPidTextEdit(const QString &pid);
    void setTextEdit(const QString &text);
    void setVertEdit(const QString &version);
    void HidData(const QString &data);

private:
    enum class StreamRead { Report, Nothing, Stopped };
    static StreamRead readStreamReport(device::bridge::Report &report, const device::StopToken &stop);
};

#endif
