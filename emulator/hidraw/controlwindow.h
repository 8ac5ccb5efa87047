#ifndef EMULATOR_CONTROLWINDOW_H
#define EMULATOR_CONTROLWINDOW_H

#include <QWidget>

#include <cstdint>
#include <memory>

class QCheckBox;
class QFile;
class QPlainTextEdit;
class QTimer;
class QLabel;
class QLineEdit;
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
    ~ControlWindow() override;

private:
    void refresh();
    void run(const QString &command);
    void followTrace(bool on);
    void readTrace();

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
    QLineEdit *m_refused = nullptr;
    TouchPad *m_pad = nullptr;
    QCheckBox *m_traceOn = nullptr;
    QPlainTextEdit *m_trace = nullptr;
    QTimer *m_traceTimer = nullptr;
    std::unique_ptr<QFile> m_traceFile;
    QByteArray m_tracePending;
    std::uint8_t m_keys = 0;
};

} // namespace emulator

#endif
