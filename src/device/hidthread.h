#ifndef HIDTHREAD_H
#define HIDTHREAD_H

#include "workerthread.h"

class MyUsbHid;

// The interrupt stream: asks the bridge to forward the controller's reports,
// then reads them until stopped: key codes while the debug data kind is 9,
// touch records otherwise (MyUsbHid::HidData). The window sets the kind and
// switches interrupt reports on; after stop() it switches them off and drains
// what the board sent meanwhile.
class HidThread : public WorkerThread
{
public:
    // usb is not owned and must outlive the thread.
    explicit HidThread(MyUsbHid *usb, QObject *parent = nullptr);
    ~HidThread() override;

protected:
    void run() override;

private:
    MyUsbHid *m_usb;
};

#endif
