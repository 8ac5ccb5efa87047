#include "hidthread.h"

#include "myusbhid.h"
#include "streamkind.h"
#include "streammailbox.h"

HidThread::HidThread(MyUsbHid *usb, QObject *parent)
    : WorkerThread(parent)
    , m_usb(usb)
{
}

HidThread::~HidThread()
{
    stopBeforeDestruction();
}

void HidThread::run()
{
    const device::StopToken token = stopToken();
    if (!m_usb || !m_usb->enableStream(token))
        return;
    while (!token.requested()) {
        if (m_mailbox && !m_mailbox->waitForRoom(token))
            break;
        // Read afresh every pass: the button status test switches the kind
        // while the stream runs.
        if (device::stream::debugDataKind() == device::stream::kind::KeyCodes)
            m_usb->readKeyCode(token);
        else
            m_usb->readStreamRecord(token);
    }
}
