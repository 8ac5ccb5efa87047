#ifndef PANELFIXTURE_H
#define PANELFIXTURE_H

#include "devicelink.h"
#include "hidcommand.h"
#include "myusbhid.h"
#include "settings.h"
#include "stationids.h"
#include "ui_vorlane.h"

#include <inprocesstransport.h>
#include <paneldescription.h>

#include <QDir>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// A scratch working folder and an emulated board carrying one panel, found and
// opened the way the window does it, with the command layer over a window form.
class PanelFixture
{
public:
    explicit PanelFixture(const emulator::PanelDescription &panel)
        : m_oldDir(QDir::currentPath())
    {
        QDir::setCurrent(m_dir.path());
        station::setBridgeIds({"1A86", "E0A1", "1A86", "E0A1"});
        auto board = std::make_unique<emulator::InProcessTransport>(panel);
        m_board = board.get();
        m_previous = device::link::install(std::move(board));
        m_ui.setupUi(&m_window);
        m_command = std::make_unique<HidCommand>(&m_window, &m_ui, &store);
        MyUsbHid usb;
        m_opened = usb.findHidDevice() && usb.openDevice();
    }

    ~PanelFixture()
    {
        m_command.reset();
        device::link::setConnected(0);
        device::link::install(std::move(m_previous));
        QDir::setCurrent(m_oldDir);
    }

    // The panel descriptions that ship with the emulator.
    static emulator::PanelDescription panelFile(const QString &name)
    {
        QString error;
        const auto panel = emulator::PanelDescription::load(
            QStringLiteral(KAVEL_SOURCE_DIR "/emulator/panels/") + name, &error);
        if (!panel)
            qWarning("%s", qPrintable(error));
        return panel.value_or(emulator::PanelDescription());
    }

    bool opened() const { return m_opened; }
    HidCommand &command() { return *m_command; }
    emulator::InProcessTransport &board() { return *m_board; }
    Ui::VorlaneClass &ui() { return m_ui; }

    Settings store;

private:
    QTemporaryDir m_dir;
    QString m_oldDir;
    QMainWindow m_window;
    Ui::VorlaneClass m_ui;
    emulator::InProcessTransport *m_board = nullptr;
    std::unique_ptr<device::Transport> m_previous;
    std::unique_ptr<HidCommand> m_command;
    bool m_opened = false;
};

#endif
