#include "btnstatusdlg.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPalette>
#include <QVBoxLayout>

namespace {
constexpr int IndicatorSize = 40;
}

BtnStatusDlg::BtnStatusDlg(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(tr("Dialog"));

    m_group = new QGroupBox(tr("Btn Status"), this);
    m_row = new QHBoxLayout(m_group);

    m_seconds = new QLabel(QStringLiteral("10"), this);
    m_seconds->setAlignment(Qt::AlignCenter);
    QFont font = m_seconds->font();
    font.setPointSize(24);
    m_seconds->setFont(font);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_group);
    layout->addWidget(m_seconds);

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &BtnStatusDlg::On_timeOut);
}

void BtnStatusDlg::setup(int keyCount, int seconds)
{
    m_timer.stop();
    qDeleteAll(m_indicators);
    m_indicators.clear();
    m_pressed.clear();

    for (int i = 0; i < keyCount; ++i) {
        auto *indicator = new QWidget(m_group);
        indicator->setObjectName(QStringLiteral("indicator%1").arg(i));
        indicator->setAutoFillBackground(true);
        indicator->setMinimumSize(IndicatorSize, IndicatorSize);
        m_row->addWidget(indicator);
        m_indicators.append(indicator);
        paint(i, Qt::yellow);
    }

    m_secondsGiven = seconds;
    m_secondsLeft = seconds;
    m_seconds->setText(QString::number(seconds));
    m_result = false;
    m_resultPending = true;
    m_timer.start();
}

QColor BtnStatusDlg::indicatorColor(int index) const
{
    if (index < 0 || index >= m_indicators.size())
        return QColor();
    return m_indicators.at(index)->palette().color(QPalette::Window);
}

int BtnStatusDlg::keyIndex(int code)
{
    if (code <= 0)
        return -1;
    int index = 0;
    while (!(code & (1 << index)))
        ++index;
    return index;
}

void BtnStatusDlg::keyCode(int code)
{
    if (code > 0) {
        const int index = keyIndex(code);
        if (index >= m_indicators.size())
            return;
        paint(index, Qt::red);
        if (!m_pressed.contains(index))
            m_pressed.append(index);
        return;
    }
    for (int index : std::as_const(m_pressed))
        paint(index, Qt::green);
    m_pressed.clear();
}

void BtnStatusDlg::On_timeOut()
{
    if (timeLimited()) {
        --m_secondsLeft;
        m_seconds->setText(QString::number(m_secondsLeft));
        if (m_secondsLeft == 0) {
            m_result = false;
            close();
            return;
        }
    }
    if (allSeen()) {
        m_result = true;
        close();
    }
}

int BtnStatusDlg::keysSeen() const
{
    int seen = 0;
    for (int index = 0; index < m_indicators.size(); ++index)
        seen += indicatorColor(index) == QColor(Qt::green) ? 1 : 0;
    return seen;
}

bool BtnStatusDlg::allSeen() const
{
    int green = 0;
    while (green < m_indicators.size() && indicatorColor(green) == QColor(Qt::green))
        ++green;
    return green == m_indicators.size();
}

void BtnStatusDlg::done(int r)
{
    m_timer.stop();
    QDialog::done(r);
    finish();
}

void BtnStatusDlg::closeEvent(QCloseEvent *event)
{
    m_timer.stop();
    // Hides the dialog and leaves a modal exec() through done().
    QDialog::closeEvent(event);
    hide();
    event->accept();
    finish();
}

void BtnStatusDlg::finish()
{
    if (!m_resultPending)
        return;
    m_resultPending = false;
    // Closed by hand between two ticks: the keys seen so far decide.
    if ((!timeLimited() || m_secondsLeft > 0) && allSeen())
        m_result = true;
    emit getResultSignal(m_result);
}

void BtnStatusDlg::paint(int index, Qt::GlobalColor colour)
{
    QWidget *indicator = m_indicators.at(index);
    QPalette palette = indicator->palette();
    palette.setColor(QPalette::Window, colour);
    indicator->setPalette(palette);
}
