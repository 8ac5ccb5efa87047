#ifndef TESTCHANNEL_H
#define TESTCHANNEL_H

#include <QFile>
#include <QObject>
#include <QPointer>

class QTextBrowser;

// A window into the running station for the automated tests that start the real
// executable. It is off unless KAVEL_STATION_TEST_CHANNEL names a file; then every
// message box is written to that file as "box|<title>|<text>" and answered with its
// default button, and the station notes what it does ("window|shown", "pane|<line>").
// Operators never see it: it has no control and no effect on what the station does
// with its device or files.
class TestChannel : public QObject
{
    Q_OBJECT
public:
    // Installs the channel on the application when the variable is set.
    static void installIfRequested();
    // Writes one line when the channel is on; does nothing otherwise.
    static void note(const QString &line);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    explicit TestChannel(const QString &fileName, QObject *parent);
    void write(const QString &line);
    // Every line the message pane gets, as "pane|<line>"; "pane-reset" when it is replaced.
    void watchPane(QTextBrowser *pane);
    void paneChanged();

    QFile m_file;
    QPointer<QTextBrowser> m_pane;
    QString m_paneText;
};

#endif
