#include "bridgereport.h"

#include "devicelink.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include <chrono>
#include <future>

namespace device {
namespace bridge {

Report request(std::uint8_t command, std::initializer_list<std::uint8_t> parameters)
{
    Report r{};
    r[0] = ReportId;
    r[1] = command;
    std::size_t i = 2;
    for (std::uint8_t p : parameters) {
        if (i >= r.size())
            break;
        r[i++] = p;
    }
    return r;
}

Report i2cWrite(std::uint8_t registerAddress, std::initializer_list<std::uint8_t> data)
{
    Report r = request(I2cTransfer, {TargetController, DirectionWrite, registerAddress,
                                     static_cast<std::uint8_t>(data.size())});
    std::size_t i = 6;
    for (std::uint8_t b : data) {
        if (i >= r.size())
            break;
        r[i++] = b;
    }
    return r;
}

Report i2cRead(std::uint8_t registerAddress, std::uint8_t count, std::uint8_t target)
{
    return request(I2cTransfer, {target, DirectionRead, registerAddress, count});
}

Report modeWrite(const RegisterMap &map, Mode mode)
{
    return i2cWrite(map.mode, {mode.low, mode.high});
}

namespace {

bool broken()
{
    link::noteBreak();
    return false;
}

// A read's outcome: nothing is a break of the link; a report shorter than a
// whole one arrived, but what it lacks reads as zeros, which are nobody's answer.
bool taken(int n)
{
    if (n <= 0)
        return broken();
    if (n < static_cast<int>(ReportSize))
        link::noteRefusal();
    return true;
}

} // namespace

bool send(const Report &request)
{
    // An exchange started from a timer or a queued call handled while the GUI
    // thread awaits a late answer would put a second request on the wire under
    // the pending read and could take its answer: it is refused instead.
    if (guiThreadWaiting())
        return broken();
    Transport &t = link::transport();
    if (!t.isOpen())
        return broken();
    return t.write(request.data(), request.size()) > 0 || broken();
}

bool receive(Report &answer)
{
    return receive(answer, AnswerTimeoutMs);
}

namespace {

bool onGuiThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// An answer later than this keeps the window's events going while it is awaited.
constexpr int LateAnswerMs = 100;

// Only touched on the GUI thread.
int g_guiWaits = 0;

constexpr QEventLoop::ProcessEventsFlags HeldBack =
    QEventLoop::ExcludeUserInputEvents | QEventLoop::ExcludeSocketNotifiers;

struct GuiWait
{
    GuiWait() { ++g_guiWaits; }
    ~GuiWait() { --g_guiWaits; }
    GuiWait(const GuiWait &) = delete;
    GuiWait &operator=(const GuiWait &) = delete;
};

} // namespace

bool receive(Report &answer, int timeoutMs)
{
    Transport &t = link::transport();
    answer.fill(0);
    if (!t.isOpen())
        return broken();
    if (!onGuiThread())
        return taken(t.read(answer.data(), answer.size(), timeoutMs));
    // Nothing is read under a pending read (see send()): waits never nest.
    if (g_guiWaits > 0)
        return broken();

    // The test run and the operator's commands talk to the board from the GUI
    // thread. A board that has gone silent would freeze the window for the whole
    // time-out of every request; so the read (the same one read, with the same
    // time-out) is made on a helper thread. An answer in time is taken as it
    // comes; one that is late is waited for with the GUI thread handling its
    // timers, painting and queued calls. Neither the operator's input nor the
    // device notifications are taken meanwhile: nothing can start another
    // exchange or close the device under the read.
    const GuiWait waiting;
    QEventLoop loop;
    std::future<int> got = std::async(std::launch::async, [&t, &answer, timeoutMs, &loop] {
        const int n = t.read(answer.data(), answer.size(), timeoutMs);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
        return n;
    });
    if (got.wait_for(std::chrono::milliseconds(LateAnswerMs)) != std::future_status::ready)
        loop.exec(HeldBack);
    return taken(got.get());
}

Transfer transfer(const Report &request, int delayMs, Report *answer)
{
    return transfer(request, delayMs, answer, StopToken());
}

Transfer transfer(const Report &request, int delayMs, Report *answer, const StopToken &stop)
{
    Transfer result;
    if (!link::isOpen()) {
        link::noteBreak();
        return result;
    }
    result.written = send(request);
    pauseUnlessStopped(delayMs, stop);
    Report scratch;
    Report &got = answer ? *answer : scratch;
    result.answered = receive(got);
    // The bridge answers an I2C transfer the panel did not take all the same,
    // with zeros and a flag.
    if (result.answered && request[1] == I2cTransfer && (got[I2cTimeoutFlag] == 1 || got[I2cNoAckFlag] == 1))
        link::noteRefusal();
    return result;
}

void awaitEnd(QThread &thread)
{
    // Nested in another wait, the plain wait: waits never nest.
    if (!onGuiThread() || g_guiWaits > 0 || thread.wait(LateAnswerMs)) {
        thread.wait();
        return;
    }
    const GuiWait waiting;
    QEventLoop loop;
    // Queued: an end between this and exec() is still a quit the loop takes.
    QObject::connect(&thread, &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    if (!thread.isFinished())
        loop.exec(HeldBack);
    thread.wait();
}

bool guiThreadWaiting()
{
    return onGuiThread() && g_guiWaits > 0;
}

void pause(int ms)
{
    if (ms > 0)
        QThread::msleep(static_cast<unsigned long>(ms));
}

} // namespace bridge
} // namespace device
