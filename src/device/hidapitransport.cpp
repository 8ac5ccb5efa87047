#include "hidapitransport.h"

#include <hidapi.h>

#include <algorithm>

namespace device {

HidapiTransport::~HidapiTransport()
{
    close();
}

std::vector<HidDeviceInfo> HidapiTransport::enumerate()
{
    std::vector<HidDeviceInfo> devices;
    // hid_enumerate initialises the library itself when it has to.
    hid_device_info *list = hid_enumerate(0, 0);
    for (const hid_device_info *d = list; d; d = d->next) {
        HidDeviceInfo info;
        info.vendorId = d->vendor_id;
        info.productId = d->product_id;
        info.releaseNumber = d->release_number;
        info.interfaceNumber = d->interface_number;
        info.path = QByteArray(d->path ? d->path : "");
        if (d->product_string)
            info.product = QString::fromWCharArray(d->product_string);
        devices.push_back(info);
    }
    hid_free_enumeration(list);
    return devices;
}

bool HidapiTransport::open(std::uint16_t vendorId, std::uint16_t productId)
{
    close();
    m_device = hid_open(vendorId, productId, nullptr);
    return m_device != nullptr;
}

void HidapiTransport::close()
{
    if (!m_device)
        return;
    hid_close(m_device);
    m_device = nullptr;
    hid_exit();
}

bool HidapiTransport::isOpen() const
{
    return m_device != nullptr;
}

int HidapiTransport::write(const std::uint8_t *data, std::size_t length)
{
    if (!m_device)
        return -1;
    return hid_write(m_device, data, length);
}

int HidapiTransport::read(std::uint8_t *data, std::size_t length, int timeoutMs)
{
    if (!m_device)
        return -1;
    // hidapi reads a negative time-out as "wait forever"; the seam promises
    // never to block longer than asked.
    return hid_read_timeout(m_device, data, length, std::max(timeoutMs, 0));
}

int HidapiTransport::sendFeatureReport(const std::uint8_t *data, std::size_t length)
{
    if (!m_device)
        return -1;
    return hid_send_feature_report(m_device, data, length);
}

int HidapiTransport::getFeatureReport(std::uint8_t *data, std::size_t length)
{
    if (!m_device)
        return -1;
    return hid_get_feature_report(m_device, data, length);
}

} // namespace device
