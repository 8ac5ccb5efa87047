#ifndef STATIONFIXTURE_H
#define STATIONFIXTURE_H

#include "devicelink.h"
#include "stationids.h"

#include <inprocesstransport.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A scratch working folder with a station file and a profile, and the emulated
// board (in-process) installed as the station's device link.
class StationFixture
{
public:
    explicit StationFixture(const QByteArray &profile, bool plugged = true,
                            emulator::PanelDescription panel = emulator::PanelDescription())
        : m_oldDir(QDir::currentPath())
    {
        QDir::setCurrent(m_dir.path());
        QDir().mkpath(QStringLiteral("Config"));
        write(QStringLiteral("config.txt"),
              "QuilexVID=1A86\nQuilexPID=E0A1\nCustomerVID=1A86\nCustomerPID=E0A1\nConfigPath=Config/p.ini\n");
        write(QStringLiteral("Config/p.ini"), profile);
        auto board = std::make_unique<emulator::InProcessTransport>(panel);
        m_board = board.get();
        if (!plugged)
            m_board->unplug();
        m_previous = device::link::install(std::move(board));
        device::link::setConnected(0);
    }

    ~StationFixture()
    {
        device::link::setConnected(0);
        device::link::install(std::move(m_previous));
        QDir::setCurrent(m_oldDir);
    }

    emulator::InProcessTransport &board() { return *m_board; }
    QString path(const QString &name) const { return m_dir.filePath(name); }

private:
    static void write(const QString &name, const QByteArray &content)
    {
        QFile f(name);
        if (f.open(QIODevice::WriteOnly))
            f.write(content);
    }

    QTemporaryDir m_dir;
    QString m_oldDir;
    emulator::InProcessTransport *m_board = nullptr;
    std::unique_ptr<device::Transport> m_previous;
};

#endif
