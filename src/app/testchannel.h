#ifndef TESTCHANNEL_H
#define TESTCHANNEL_H

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QTimer>

class QTextBrowser;
class QWidget;

// A window into the running station for the automated tests that start the real
// executable. It is off unless KAVEL_STATION_TEST_CHANNEL names a file; then every
// message box is written to that file as "box|<title>|<text>" and answered with its
// default button, and the station notes what it does ("window|shown", "pane|<line>",
// "shown|<class>|<title>" and "hidden|..." for its other windows).
//
// It also watches the GUI thread: a timer every 50 ms measures how late it fires,
// "stall|<ms>" is written for every gap over 250 ms, and "tick|<n>" once a second
// shows the event loop is still turning. The test drives the station's own
// controls through lines appended to the same file name plus ".in" (see
// execute()), as an operator would with mouse and keyboard: a control that is
// disabled or behind a modal window refuses, as it does for a person.
// Operators never see it: it adds no control and has no effect on what the
// station does with its device or files.
class TestChannel : public QObject
{
    Q_OBJECT
public:
    // Installs the channel on the application when the variable is set.
    static void installIfRequested();
    // Writes one line when the channel is on; does nothing otherwise.
    static void note(const QString &line);

    static constexpr int ProbeIntervalMs = 50;
    static constexpr int StallReportMs = 250;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TestChannel(const QString &fileName, QObject *parent);
    void write(const QString &line);
    // Every line the message pane gets, as "pane|<line>"; "pane-reset" when it is replaced.
    void watchPane(QTextBrowser *pane);
    void paneChanged();

    void probe();
    void readCommands();
    // One command from the test; answers "did|<command>" or "refused|<command>|<why>".
    void execute(const QString &command);
    QString refusal(QWidget *target) const;

    QFile m_file;
    QPointer<QTextBrowser> m_pane;
    QString m_paneText;

    QTimer m_probe;
    QElapsedTimer m_sinceLastProbe;
    QElapsedTimer m_sinceLastTick;
    qint64 m_ticks = 0;
    QFile m_input;
    QByteArray m_pendingInput;
};

#endif
