#ifndef HIDAPITRANSPORT_H
#define HIDAPITRANSPORT_H

#include "transport.h"

// hidapi's handle type, declared here so that no one above this folder sees
// hidapi.h.
struct hid_device_;

namespace device {

// The real bridge board, through hidapi's hidraw backend.
class HidapiTransport : public Transport
{
public:
    HidapiTransport() = default;
    ~HidapiTransport() override;

    HidapiTransport(const HidapiTransport &) = delete;
    HidapiTransport &operator=(const HidapiTransport &) = delete;

    std::vector<HidDeviceInfo> enumerate() override;
    bool open(std::uint16_t vendorId, std::uint16_t productId) override;
    // Also releases hidapi's own resources; the next call initialises it again.
    void close() override;
    bool isOpen() const override;

    int write(const std::uint8_t *data, std::size_t length) override;
    int read(std::uint8_t *data, std::size_t length, int timeoutMs) override;

    int sendFeatureReport(const std::uint8_t *data, std::size_t length) override;
    int getFeatureReport(std::uint8_t *data, std::size_t length) override;

private:
    hid_device_ *m_device = nullptr;
};

} // namespace device

#endif
