#include "devicelink.h"

#include "hidapitransport.h"

#include <QMutex>
#include <QMutexLocker>

#include <atomic>

namespace device {
namespace link {

namespace {

struct State
{
    std::unique_ptr<Transport> transport;
    std::atomic<std::uint8_t> connected{0};
    std::atomic<std::uint64_t> breaks{0};
    std::atomic<std::uint64_t> refusals{0};
    QMutex interfaceMutex;
    std::optional<HidDeviceInfo> interfaceInfo;
};

State &state()
{
    static State s;
    return s;
}

} // namespace

Transport &transport()
{
    State &s = state();
    if (!s.transport)
        s.transport = std::make_unique<HidapiTransport>();
    return *s.transport;
}

bool isOpen()
{
    return transport().isOpen();
}

std::unique_ptr<Transport> install(std::unique_ptr<Transport> next)
{
    State &s = state();
    std::unique_ptr<Transport> previous = std::move(s.transport);
    s.transport = next ? std::move(next) : std::make_unique<HidapiTransport>();
    noteBreak();
    return previous;
}

std::uint8_t connected()
{
    return state().connected.load();
}

void setConnected(std::uint8_t flag)
{
    state().connected.store(flag);
}

std::uint64_t breaks()
{
    return state().breaks.load();
}

void noteBreak()
{
    ++state().breaks;
}

std::uint64_t refusals()
{
    return state().refusals.load();
}

void noteRefusal()
{
    ++state().refusals;
}

bool probe()
{
    Transport &t = transport();
    std::uint8_t report[64];
    if (t.isOpen() && t.read(report, sizeof report, 0) >= 0)
        return true;
    noteBreak();
    return false;
}

bool Watch::held() const
{
    return breaks() == m_from && isOpen() && connected() == 1;
}

bool Watch::answered() const
{
    return held() && refusals() == m_refusedFrom;
}

std::optional<HidDeviceInfo> interfaceInfo()
{
    State &s = state();
    QMutexLocker lock(&s.interfaceMutex);
    return s.interfaceInfo;
}

void setInterfaceInfo(const std::optional<HidDeviceInfo> &info)
{
    State &s = state();
    QMutexLocker lock(&s.interfaceMutex);
    s.interfaceInfo = info;
}

} // namespace link
} // namespace device
