#ifndef HIDTHREADBOOT_H
#define HIDTHREADBOOT_H

#include "workerthread.h"

class HidCommand;

// The firmware download, off the GUI thread: one HidCommand::downloadFirmware()
// per start. stop() abandons it between records.
class HidThreadBoot : public WorkerThread
{
public:
    // command is not owned and must outlive the thread.
    explicit HidThreadBoot(HidCommand *command, QObject *parent = nullptr);
    ~HidThreadBoot() override;

protected:
    void run() override;

private:
    HidCommand *m_command;
};

#endif
