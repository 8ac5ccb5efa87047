#ifndef HIDTHREADDEBUG_H
#define HIDTHREADDEBUG_H

#include "workerthread.h"

class HidCommand;

namespace device {
namespace stream {
class Mailbox;
}
} // namespace device

// The debug, raster and button streams. At start it reads the debug data kind
// (1 to 8), puts the controller in the matching mode and then reads that
// kind's data pass after pass until stopped; any other kind ends the run at
// once. Every pass starts at the head of its block (chunk 0, row 0).
//
//   1 debug data      setDebugMode()              readDebugData()
//   2 internal M0     setDebugModeAlt()           readDebugDataAlt()
//   3 raster X        setRasterMode()             readRasterData()
//   4 raster Y        setInternalRasterMode()     readInternalRasterData()
//   5 int. raster X   setRasterModeAlt()          readRasterData()
//   6 int. raster Y   setInternalRasterModeAlt()  readInternalRasterData()
//   7 button data     setDebugMode()              readBtnData()
//   8 button signal   setDebugModeAlt()           readBtnData()
class HidThreadDebug : public WorkerThread
{
public:
    // command is not owned and must outlive the thread.
    explicit HidThreadDebug(HidCommand *command, QObject *parent = nullptr);
    ~HidThreadDebug() override;

    // The mailbox the frames go to (not owned; it must outlive the thread's
    // runs), or nullptr. With one, a pass starts only while the window is not
    // behind the stream. Set while stopped.
    void setMailbox(device::stream::Mailbox *mailbox) { m_mailbox = mailbox; }

    // After a pass that failed (no answer, no board) the next one waits this
    // long, so that a board that is gone is not hammered with requests.
    static constexpr int FailedPassPauseMs = 10;

protected:
    void run() override;

private:
    HidCommand *m_command;
    device::stream::Mailbox *m_mailbox = nullptr;
};

#endif
