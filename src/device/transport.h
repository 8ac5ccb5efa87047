#ifndef TRANSPORT_H
#define TRANSPORT_H

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>
#include <vector>

// The one seam between the station and the bridge board. Everything that talks
// to the board goes through a Transport: the real one over hidapi, or the
// emulated board. Shaped like the hidapi calls the station needs, and nothing more.
namespace device {

struct HidDeviceInfo
{
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    std::uint16_t releaseNumber = 0;
    int interfaceNumber = -1;
    QByteArray path;
    QString product;
};

class Transport
{
public:
    virtual ~Transport() = default;

    // Every HID device the transport can see (no filtering).
    virtual std::vector<HidDeviceInfo> enumerate() = 0;

    // Opens the first device with these ids; false when there is none or it
    // cannot be opened. Opening while open closes the previous device first.
    virtual bool open(std::uint16_t vendorId, std::uint16_t productId) = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;

    // Output report, report id in byte 0. Bytes written, or -1.
    virtual int write(const std::uint8_t *data, std::size_t length) = 0;
    // Input report. Bytes read, 0 when nothing arrived within timeoutMs, -1 on error
    // (an unplugged board included). Never blocks longer than timeoutMs.
    virtual int read(std::uint8_t *data, std::size_t length, int timeoutMs) = 0;

    // Feature reports, report id in byte 0. Bytes transferred, or -1.
    virtual int sendFeatureReport(const std::uint8_t *data, std::size_t length) = 0;
    virtual int getFeatureReport(std::uint8_t *data, std::size_t length) = 0;
};

} // namespace device

#endif
