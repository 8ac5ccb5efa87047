#ifndef BTNSTATUSDLG_H
#define BTNSTATUSDLG_H

#include <QColor>
#include <QDialog>
#include <QList>
#include <QTimer>

class QCloseEvent;
class QGroupBox;
class QHBoxLayout;
class QLabel;

// The operator presses every touch key of the panel in turn while this dialog
// shows which keys were seen: yellow not yet, red held now, green pressed and
// released. It passes when every key has gone green before the seconds run out.
//
// The window creates it once and reuses it: setup() before each use, then
// keyCode() for every key code the normal stream delivers. The result leaves
// through getResultSignal() exactly once per setup(): when every key was seen,
// at the time-out, or when the operator closes the dialog (also with Escape).
class BtnStatusDlg : public QDialog
{
    Q_OBJECT

public:
    explicit BtnStatusDlg(QWidget *parent = nullptr);

    // Rebuilds one yellow indicator per key and starts the countdown. A
    // profile without a time (0, or below) sets no limit: the countdown never
    // reaches 0, and the dialog ends when every key was seen or it is closed.
    // Its label then keeps showing the time as given.
    void setup(int keyCount, int seconds);

    int keyCount() const { return int(m_indicators.size()); }
    // Keys pressed and released so far (green).
    int keysSeen() const;
    int secondsLeft() const { return m_secondsLeft; }
    bool result() const { return m_result; }
    // The background of indicator index; invalid when there is no such key.
    QColor indicatorColor(int index) const;

    // The key a code names: the lowest set bit (1 gives 0, 6 gives 1); -1 for a
    // code of 0 or less, which releases the keys held.
    static int keyIndex(int code);

public slots:
    // A key code from the stream: above 0 a key went down, 0 all keys are up.
    // A code naming a key the panel does not have changes nothing.
    void keyCode(int code);
    // One tick of the countdown.
    void On_timeOut();

    void done(int r) override;

signals:
    void getResultSignal(bool ok);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool timeLimited() const { return m_secondsGiven > 0; }
    bool allSeen() const;
    void finish();
    void paint(int index, Qt::GlobalColor colour);

    QGroupBox *m_group = nullptr;
    QHBoxLayout *m_row = nullptr;
    QLabel *m_seconds = nullptr;
    QTimer m_timer;
    QList<QWidget *> m_indicators;
    QList<int> m_pressed;
    int m_secondsGiven = 10;
    int m_secondsLeft = 10;
    bool m_result = false;
    // Set by setup(), cleared when the result has gone out: a dialog closed
    // twice must not end the run's item twice.
    bool m_resultPending = false;
};

#endif
