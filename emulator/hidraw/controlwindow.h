#ifndef EMULATOR_CONTROLWINDOW_H
#define EMULATOR_CONTROLWINDOW_H

#include <QWidget>

#include <cstdint>

class QCheckBox;
class QLabel;
class QPushButton;

namespace emulator {

class HidrawHost;
class HostControl;
class TouchPad;

// The small window beside the station: plug and unplug the emulated board,
// choose the panel it carries and the faults it shows.
class ControlWindow : public QWidget
{
    Q_OBJECT
public:
    ControlWindow(HidrawHost &host, HostControl &control, QWidget *parent = nullptr);

private:
    void refresh();
    void run(const QString &command);

    HidrawHost &m_host;
    HostControl &m_control;
    QLabel *m_state = nullptr;
    QLabel *m_panel = nullptr;
    QLabel *m_reply = nullptr;
    QPushButton *m_plug = nullptr;
    QCheckBox *m_nack = nullptr;
    QCheckBox *m_timeout = nullptr;
    QCheckBox *m_silent = nullptr;
    QCheckBox *m_attention = nullptr;
    TouchPad *m_pad = nullptr;
    std::uint8_t m_keys = 0;
};

} // namespace emulator

#endif
