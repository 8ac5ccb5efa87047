#include "hostcontrol.h"

#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringList>

namespace emulator {

HostControl::HostControl(HidrawHost &host, QObject *parent)
    : QObject(parent), m_host(host)
{
}

QString HostControl::execute(const QString &line)
{
    const QStringList words = line.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (words.isEmpty())
        return QStringLiteral("error empty command");
    const QString verb = words.first();
    QString reply;
    if (verb == QLatin1String("plug")) {
        QString error;
        reply = m_host.plug(&error) ? QStringLiteral("ok plugged") : QStringLiteral("error ") + error;
    } else if (verb == QLatin1String("unplug")) {
        m_host.unplug();
        reply = QStringLiteral("ok unplugged");
    } else if (verb == QLatin1String("status")) {
        reply = m_host.isPlugged() ? QStringLiteral("ok plugged") : QStringLiteral("ok unplugged");
        return reply;
    } else if (verb == QLatin1String("panel") && words.size() == 2) {
        QString error;
        const auto panel = PanelDescription::load(words[1], &error);
        if (!panel)
            return QStringLiteral("error ") + error;
        m_host.setPanel(*panel);
        reply = QStringLiteral("ok panel");
    } else if (verb == QLatin1String("fault") && words.size() == 3
               && (words[1] == QLatin1String("refuse_record") || words[1] == QLatin1String("bootloader_silent_from"))) {
        bool ok = false;
        const int record = words[2].toInt(&ok);
        if (!ok || record < 0)
            return QStringLiteral("error bad record number");
        Faults faults = m_host.panel().faults;
        (words[1] == QLatin1String("refuse_record") ? faults.refuseRecord : faults.bootloaderSilentFrom) = record;
        m_host.setFaults(faults);
        reply = QStringLiteral("ok fault");
    } else if (verb == QLatin1String("fault") && words.size() >= 3
               && (words[1] == QLatin1String("nack_at") || words[1] == QLatin1String("timeout_at"))) {
        const auto spots = I2cSpots::parse(words.mid(2).join(QLatin1Char(' ')));
        if (!spots)
            return QStringLiteral("error bad register list");
        Faults faults = m_host.panel().faults;
        (words[1] == QLatin1String("nack_at") ? faults.nackAt : faults.timeoutAt) = *spots;
        m_host.setFaults(faults);
        reply = QStringLiteral("ok fault");
    } else if (verb == QLatin1String("fault") && words.size() >= 3 && words[1] == QLatin1String("short_answers")) {
        std::uint8_t commands = 0;
        if (words[2] != QLatin1String("off")) {
            for (const QString &c : words.mid(2).join(QString()).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                bool ok = false;
                const uint command = c.toUInt(&ok, 0);
                if (!ok || command > 7)
                    return QStringLiteral("error bad command list");
                commands |= std::uint8_t(1u << command);
            }
        }
        Faults faults = m_host.panel().faults;
        faults.shortAnswers = commands;
        m_host.setFaults(faults);
        reply = QStringLiteral("ok fault");
    } else if (verb == QLatin1String("touch")) {
        std::vector<Touch> touches;
        const QStringList fingers = words.mid(1).join(QString()).split(QLatin1Char(','), Qt::SkipEmptyParts);
        for (const QString &finger : fingers) {
            const QStringList parts = finger.split(QLatin1Char(':'));
            bool okId = false, okX = false, okY = false;
            const int id = parts.value(0).toInt(&okId);
            const int x = parts.value(1).toInt(&okX);
            const int y = parts.value(2).toInt(&okY);
            if (parts.size() != 3 || !okId || !okX || !okY || id < 0 || id > 255 || x < 0 || x > 0xFFFF || y < 0
                || y > 0xFFFF)
                return QStringLiteral("error bad finger ") + finger;
            touches.push_back(Touch{std::uint8_t(id), std::uint16_t(x), std::uint16_t(y)});
        }
        m_host.setTouches(touches);
        return QStringLiteral("ok touch %1").arg(touches.size());
    } else if (verb == QLatin1String("key") && words.size() == 2) {
        bool ok = false;
        const uint mask = words[1].toUInt(&ok, 0);
        if (!ok || mask > 0xFF)
            return QStringLiteral("error bad key mask");
        m_host.setKeys(std::uint8_t(mask));
        return QStringLiteral("ok key");
    } else if (verb == QLatin1String("fault") && words.size() == 3
               && (words[2] == QLatin1String("on") || words[2] == QLatin1String("off"))) {
        Faults faults = m_host.panel().faults;
        const bool on = words[2] == QLatin1String("on");
        const QString &name = words[1];
        if (name == QLatin1String("nack"))
            faults.i2cNack = on;
        else if (name == QLatin1String("timeout"))
            faults.i2cTimeout = on;
        else if (name == QLatin1String("silent"))
            faults.silent = on;
        else if (name == QLatin1String("attention"))
            faults.attentionLine = on;
        else
            return QStringLiteral("error unknown fault ") + name;
        m_host.setFaults(faults);
        reply = QStringLiteral("ok fault");
    } else if (verb == QLatin1String("latency") && words.size() == 2) {
        bool ok = false;
        const int us = words[1].toInt(&ok);
        if (!ok || us < 0)
            return QStringLiteral("error bad latency");
        m_host.setLatency(LatencyModel{std::chrono::microseconds(us)});
        reply = QStringLiteral("ok latency");
    } else {
        return QStringLiteral("error unknown command ") + line.simplified();
    }
    emit changed();
    return reply;
}

bool HostControl::listen(const QString &given, QString *error)
{
    // A name without a folder would land in Qt's own socket folder.
    const QString path = QFileInfo(given).absoluteFilePath();
    QFile::remove(path);
    m_server = new QLocalServer(this);
    if (!m_server->listen(path)) {
        if (error)
            *error = m_server->errorString();
        return false;
    }
    connect(m_server, &QLocalServer::newConnection, this, &HostControl::onConnection);
    return true;
}

void HostControl::onConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            while (socket->canReadLine()) {
                const QString line = QString::fromUtf8(socket->readLine()).trimmed();
                socket->write(execute(line).toUtf8() + '\n');
                socket->flush();
            }
        });
    }
}

} // namespace emulator
