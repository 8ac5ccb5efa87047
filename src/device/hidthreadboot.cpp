#include "hidthreadboot.h"

#include "hidcommand.h"

HidThreadBoot::HidThreadBoot(HidCommand *command, QObject *parent)
    : WorkerThread(parent)
    , m_command(command)
{
}

HidThreadBoot::~HidThreadBoot()
{
    stop();
}

void HidThreadBoot::run()
{
    if (m_command)
        m_command->downloadFirmware(stopToken());
}
