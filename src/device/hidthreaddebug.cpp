#include "hidthreaddebug.h"

#include "hidcommand.h"
#include "streamkind.h"
#include "streammailbox.h"

#include <vector>

using namespace device::stream;

HidThreadDebug::HidThreadDebug(HidCommand *command, QObject *parent)
    : WorkerThread(parent)
    , m_command(command)
{
}

HidThreadDebug::~HidThreadDebug()
{
    stopBeforeDestruction();
}

void HidThreadDebug::run()
{
    const int k = debugDataKind();
    if (!m_command || !isDebugKind(k))
        return;

    HidCommand &c = *m_command;
    const device::StopToken token = stopToken();
    bool ready = false;
    switch (k) {
    case kind::Debug:
    case kind::ButtonData:
        ready = c.setDebugMode(token);
        break;
    case kind::InternalM0:
    case kind::ButtonSignal:
        ready = c.setDebugModeAlt(token);
        break;
    case kind::RasterX:
        ready = c.setRasterMode(token);
        break;
    case kind::RasterY:
        ready = c.setInternalRasterMode(token);
        break;
    case kind::InternalRasterX:
        ready = c.setRasterModeAlt(token);
        break;
    case kind::InternalRasterY:
        ready = c.setInternalRasterModeAlt(token);
        break;
    }

    // The button passes fill a list nobody reads; it is emptied every pass.
    std::vector<int> buttons;
    while (ready && !token.requested()) {
        if (m_mailbox && !m_mailbox->waitForRoom(token))
            break;
        bool passed = false;
        switch (k) {
        case kind::Debug:
            passed = c.readDebugData(token);
            break;
        case kind::InternalM0:
            passed = c.readDebugDataAlt(token);
            break;
        case kind::RasterX:
        case kind::InternalRasterX:
            passed = c.readRasterData(token);
            break;
        case kind::RasterY:
        case kind::InternalRasterY:
            passed = c.readInternalRasterData(token);
            break;
        default:
            buttons.clear();
            passed = c.readBtnData(buttons);
            break;
        }
        if (!passed)
            device::pauseUnlessStopped(FailedPassPauseMs, token);
    }
}
