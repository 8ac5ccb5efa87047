#include "hidthreadboot.h"

#include "hidcommand.h"

HidThreadBoot::HidThreadBoot(HidCommand *command, QObject *parent)
    : WorkerThread(parent)
    , m_command(command)
{
}

HidThreadBoot::~HidThreadBoot()
{
    stopBeforeDestruction();
}

void HidThreadBoot::run()
{
    if (m_command)
        m_command->downloadFirmware(stopToken());
}
