#ifndef EMUDCONTROL_H
#define EMUDCONTROL_H

#include <QLocalSocket>
#include <QString>

// Talks to the control socket of the emulated-board host that runs this test
// (its path comes in KAVEL_EMUD_CONTROL): plug, unplug, faults, panels.
class EmudControl
{
public:
    bool connectToHost(QString path = qEnvironmentVariable("KAVEL_EMUD_CONTROL"))
    {
        if (path.isEmpty())
            return false;
        // A host that ended leaves the socket behind; a new one is reached afresh.
        m_socket.abort();
        m_socket.connectToServer(path);
        return m_socket.waitForConnected(5000);
    }

    // The host's one-line answer, or an empty text when it did not answer in time.
    QString send(const QString &command)
    {
        m_socket.write(command.toUtf8() + '\n');
        m_socket.flush();
        while (!m_socket.canReadLine()) {
            if (!m_socket.waitForReadyRead(5000))
                return {};
        }
        return QString::fromUtf8(m_socket.readLine()).trimmed();
    }

private:
    QLocalSocket m_socket;
};

#endif
