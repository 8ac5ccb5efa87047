#ifndef CALIBRATEDIALOG_H
#define CALIBRATEDIALOG_H

#include <QDialog>
#include <QTimer>

class HidCommand;
class QLabel;
class QLCDNumber;
class Settings;
class QWidget;

// Calibration makes the controller measure its untouched state again, so the
// panel must not be touched meanwhile: the dialog counts down first, then
// sends the calibration command on three ticks in a row (seconds 0, -1, -2)
// and closes itself after the third. The label shows the latest answer.
class CalibrateDialog : public QDialog
{
    Q_OBJECT

public:
    // Starts counting at once. command is not owned and must outlive the dialog.
    CalibrateDialog(int seconds, HidCommand *command, QWidget *parent = nullptr);

    int secondsLeft() const { return m_secondsLeft; }
    // Commands sent so far, and whether the latest one was taken.
    int commandsSent() const { return m_sent; }
    bool lastAccepted() const { return m_lastAccepted; }
    // The countdown ran to its end and closed the dialog itself (not Esc, not
    // the title bar's close button).
    bool ranToEnd() const { return m_ranToEnd; }
    // Seconds the dialog counted before it closed.
    int secondsCounted() const { return m_ticks; }

public slots:
    // One tick of the countdown.
    void StartCalibrate();

private:
    HidCommand *m_command = nullptr;
    QLabel *m_label = nullptr;
    QLabel *m_timeShow = nullptr;
    QLCDNumber *m_lcd = nullptr;
    QTimer m_timer;
    int m_secondsLeft = 0;
    int m_sent = 0;
    int m_ticks = 0;
    bool m_lastAccepted = false;
    bool m_ranToEnd = false;
};

namespace production {

// The calibration as the station runs it from the menu, the Z key, the
// command layer's request and the test run: a modal countdown of the
// profile's Calibrate_time over parent, then the command. Blocks until the
// dialog has closed (about Calibrate_time + 2 s) and deletes it. The caller
// checks first that a board is open.
struct Calibration
{
    // The countdown ran to its end and the controller took the last command.
    // Closed early (Esc, the close button) or refused, the panel is not calibrated.
    bool completed = false;
    int seconds = 0; // seconds counted before the dialog closed
};
Calibration calibrate(HidCommand &command, const Settings &store, QWidget *parent);

} // namespace production

#endif
