#ifndef DEVICELINK_H
#define DEVICELINK_H

#include "transport.h"

#include <cstdint>
#include <memory>
#include <optional>

// The process-wide device link: the one transport that carries the bridge
// reports, the connected flag, and the enumerated interface that discovery
// picked. There is one board per station, and the discovery layer, the command
// layer and the worker threads all talk to it, so it lives here rather than in
// any of them. There is no lock: the station never lets two threads exchange
// reports at the same time.
namespace device {
namespace link {

// The transport in use; a hidapi transport unless another one was installed.
// "The device is open" means transport().isOpen().
Transport &transport();
bool isOpen();

// Puts another transport (an emulated board, a test double) in place of the
// current one and hands the previous one back. Call it only while no thread
// uses the link. A null argument restores the hidapi transport.
std::unique_ptr<Transport> install(std::unique_ptr<Transport> transport);

// 1 while a matching bridge board is open and identified, else 0.
std::uint8_t connected();
void setConnected(std::uint8_t flag);

// Breaks of the link since the process began: a request that could not be
// written, an answer that did not come in time, a request made while no board
// was open, the device closed. Every bridge exchange reports its failures here.
std::uint64_t breaks();
void noteBreak();

// Answers that came but carry nothing: a report shorter than a whole one, or
// an I2C transfer the bridge flags as not acknowledged or timed out (the data
// bytes of such an answer are zeros, not the panel's). The live modes show
// what arrives regardless; a test run's item takes them for no answer.
std::uint64_t refusals();
void noteRefusal();

// Whether the board is still there, asked without sending it anything: a read
// that returns at once. A board pulled out since the last exchange fails it
// (and counts as a break). Any report it finds was nobody's answer.
bool probe();

// Whether the board has answered everything since the watch began: no break
// of the link since, and the board still open and identified. A test run
// watches its items with it, so that an item the board could not answer never
// passes on the failure values the reads return.
class Watch
{
public:
    Watch() : m_from(breaks()), m_refusedFrom(refusals()) {}
    bool held() const;
    // held(), and every answer since carried the panel's data (no refusal).
    bool answered() const;

private:
    std::uint64_t m_from;
    std::uint64_t m_refusedFrom;
};

// The interface that enumeration last opened and kept; empty when none is held.
std::optional<HidDeviceInfo> interfaceInfo();
void setInterfaceInfo(const std::optional<HidDeviceInfo> &info);

} // namespace link
} // namespace device

#endif
