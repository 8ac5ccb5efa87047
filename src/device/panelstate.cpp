#include "panelstate.h"

#include <QMutex>
#include <QMutexLocker>

#include <atomic>

namespace device {
namespace panel {

namespace {

struct State
{
    std::atomic<int> xn{0};
    std::atomic<int> yn{0};
    std::atomic<int> xRes{0};
    std::atomic<int> yRes{0};
    QMutex flagMutex;
    QByteArray calibrateFlag{"0"};
};

State &state()
{
    static State s;
    return s;
}

} // namespace

int xn()
{
    return state().xn.load();
}

int yn()
{
    return state().yn.load();
}

void setElectrodeCounts(int x, int y)
{
    state().xn.store(x);
    state().yn.store(y);
}

int xResolution()
{
    return state().xRes.load();
}

int yResolution()
{
    return state().yRes.load();
}

void setResolution(int x, int y)
{
    state().xRes.store(x);
    state().yRes.store(y);
}

QByteArray calibrateFlag()
{
    State &s = state();
    QMutexLocker lock(&s.flagMutex);
    return s.calibrateFlag;
}

void setCalibrateFlag(const QByteArray &flag)
{
    State &s = state();
    QMutexLocker lock(&s.flagMutex);
    s.calibrateFlag = flag;
}

} // namespace panel
} // namespace device
