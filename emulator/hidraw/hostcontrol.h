#ifndef EMULATOR_HOSTCONTROL_H
#define EMULATOR_HOSTCONTROL_H

#include "hidrawhost.h"

#include <QObject>
#include <QString>

class QLocalServer;

namespace emulator {

// What can be done to the emulated board from outside: one line in, one line
// out. Used by the control socket (tests, scripts) and the control window.
//
//   plug | unplug | status
//   panel FILE                   next plug is this panel
//   fault NAME on|off            nack, timeout, silent, attention
//   fault refuse_record N        the bootloader refuses record N (0: none)
//   fault bootloader_silent_from N
//   touch [ID:X:Y[,ID:X:Y...]]   fingers on the panel; none lifts them all
//   key MASK                     pressed keys, bit 0 = key 0 (decimal or 0x..)
//   latency MICROSECONDS
class HostControl : public QObject
{
    Q_OBJECT
public:
    explicit HostControl(HidrawHost &host, QObject *parent = nullptr);

    // Answers "ok ..." or "error ...".
    QString execute(const QString &line);

    // Serves the commands on a local socket at `path`.
    bool listen(const QString &path, QString *error);

signals:
    void changed();

private:
    void onConnection();

    HidrawHost &m_host;
    QLocalServer *m_server = nullptr;
};

} // namespace emulator

#endif
