#include "calibratedialog.h"

#include "hidcommand.h"
#include "settings.h"
#include "values.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLCDNumber>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

CalibrateDialog::CalibrateDialog(int seconds, HidCommand *command, QWidget *parent)
    : QDialog(parent), m_command(command), m_secondsLeft(seconds)
{
    setWindowTitle(tr("Calibrate"));
    const QFont tahoma(QStringLiteral("Tahoma"), 14);

    m_label = new QLabel(tr("Calibrating...\nPlease don't touch the screen!"), this);
    m_label->setObjectName(QStringLiteral("label"));
    m_label->setFont(tahoma);
    m_label->setAlignment(Qt::AlignCenter);

    m_timeShow = new QLabel(this);
    m_timeShow->setObjectName(QStringLiteral("timeShow"));
    m_timeShow->setFont(tahoma);

    m_lcd = new QLCDNumber(this);
    m_lcd->setObjectName(QStringLiteral("lcdNumber"));
    m_lcd->setFont(tahoma);
    m_lcd->setSegmentStyle(QLCDNumber::Flat);
    m_lcd->setMinimumSize(120, 60);
    m_lcd->display(seconds);

    auto *time = new QHBoxLayout;
    time->addWidget(m_timeShow);
    time->addWidget(m_lcd);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_label);
    layout->addLayout(time);

    connect(&m_timer, &QTimer::timeout, this, &CalibrateDialog::StartCalibrate);
    m_timer.start(1000);
}

void CalibrateDialog::StartCalibrate()
{
    ++m_ticks;
    --m_secondsLeft;
    if (m_secondsLeft >= 0)
        m_lcd->display(m_secondsLeft);
    if (m_secondsLeft < 1) {
        m_lastAccepted = m_command && m_command->startCalibrate();
        ++m_sent;
        m_label->setText(m_lastAccepted ? tr("Ok") : tr("fail"));
    }
    if (m_secondsLeft < -1) {
        m_timer.stop();
        m_ranToEnd = true;
        close();
    }
}

namespace production {

Calibration calibrate(HidCommand &command, const Settings &store, QWidget *parent)
{
    const int seconds = profile::toInt(store.value("Calibrate_time"));
    // Owned by parent meanwhile; the guard covers a parent that goes away
    // while the dialog's own event loop runs.
    QPointer<CalibrateDialog> dialog = new CalibrateDialog(seconds, &command, parent);
    dialog->setObjectName(QStringLiteral("calibrateDialog"));
    dialog->exec();
    Calibration outcome;
    if (!dialog)
        return outcome;
    outcome.completed = dialog->ranToEnd() && dialog->lastAccepted();
    outcome.seconds = dialog->secondsCounted();
    delete dialog;
    return outcome;
}

} // namespace production
