#ifndef PANELSTATE_H
#define PANELSTATE_H

#include <QByteArray>

// What the station knows about the panel on the bridge, for the whole process:
// the electrode counts and resolution size every data block, table and scene,
// and the worker threads read them while the window may update them. The
// identification reads of the command layer keep them current.
namespace device {
namespace panel {

int xn();
int yn();
void setElectrodeCounts(int xn, int yn);

int xResolution();
int yResolution();
void setResolution(int x, int y);

// The profile's CalibrateFlag text as it was when the command layer was built.
QByteArray calibrateFlag();
void setCalibrateFlag(const QByteArray &flag);

} // namespace panel
} // namespace device

#endif
