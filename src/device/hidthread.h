#ifndef HIDTHREAD_H
#define HIDTHREAD_H

#include "workerthread.h"

class MyUsbHid;

namespace device {
namespace stream {
class Mailbox;
}
} // namespace device

// The interrupt stream: asks the bridge to forward the controller's reports,
// then reads them until stopped: key codes while the debug data kind is 9,
// touch records otherwise (MyUsbHid::HidData). The window sets the kind and
// switches interrupt reports on; after stop() it switches them off and drains
// what the board sent meanwhile.
//
// With a mailbox set, the thread reads the next report only when the mailbox
// has room: while the window is behind, the reports wait in the board's own
// buffer, and none is lost inside the station.
class HidThread : public WorkerThread
{
public:
    // usb is not owned and must outlive the thread.
    explicit HidThread(MyUsbHid *usb, QObject *parent = nullptr);
    ~HidThread() override;

    // The mailbox the records go to (not owned; it must outlive the thread's
    // runs), or nullptr to read without waiting. Set while stopped.
    void setMailbox(device::stream::Mailbox *mailbox) { m_mailbox = mailbox; }

protected:
    void run() override;

private:
    MyUsbHid *m_usb;
    device::stream::Mailbox *m_mailbox = nullptr;
};

#endif
