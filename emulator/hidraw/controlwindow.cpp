#include "controlwindow.h"

#include "hidrawhost.h"
#include "hostcontrol.h"
#include "touchpad.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QFile>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <sys/stat.h>

namespace emulator {

ControlWindow::ControlWindow(HidrawHost &host, HostControl &control, QWidget *parent)
    : QWidget(parent), m_host(host), m_control(control)
{
    setWindowTitle(QStringLiteral("Emulated bridge board"));
    auto *layout = new QVBoxLayout(this);

    auto *board = new QGroupBox(QStringLiteral("Board"));
    auto *boardLayout = new QVBoxLayout(board);
    m_state = new QLabel;
    m_panel = new QLabel;
    m_panel->setWordWrap(true);
    m_plug = new QPushButton;
    auto *choose = new QPushButton(QStringLiteral("Panel description..."));
    boardLayout->addWidget(m_state);
    boardLayout->addWidget(m_panel);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_plug);
    buttons->addWidget(choose);
    boardLayout->addLayout(buttons);
    layout->addWidget(board);

    auto *faults = new QGroupBox(QStringLiteral("Faults"));
    auto *faultLayout = new QVBoxLayout(faults);
    m_nack = new QCheckBox(QStringLiteral("I2C not acknowledged"));
    m_timeout = new QCheckBox(QStringLiteral("I2C time-out"));
    m_silent = new QCheckBox(QStringLiteral("Board silent"));
    m_attention = new QCheckBox(QStringLiteral("Attention line stuck"));
    const std::pair<QCheckBox *, const char *> faultBoxes[] = {
        {m_nack, "nack"}, {m_timeout, "timeout"}, {m_silent, "silent"}, {m_attention, "attention"}};
    for (const auto &[box, name] : faultBoxes) {
        faultLayout->addWidget(box);
        const QString fault = QString::fromLatin1(name);
        connect(box, &QCheckBox::toggled, this, [this, fault](bool on) {
            run(QStringLiteral("fault %1 %2").arg(fault, on ? QStringLiteral("on") : QStringLiteral("off")));
        });
    }
    // One item of a run fails alone when the panel refuses only its register.
    auto *refusedRow = new QHBoxLayout;
    refusedRow->addWidget(new QLabel(QStringLiteral("Not acknowledged only at")));
    m_refused = new QLineEdit;
    m_refused->setObjectName(QStringLiteral("nackAt"));
    m_refused->setPlaceholderText(QStringLiteral("0x2B, bootloader, window:debug"));
    m_refused->setToolTip(QStringLiteral("Registers (0x..), bootloader, or window:information / debug / m0 / raster / "
                                         "internal_raster; Enter applies, empty clears"));
    refusedRow->addWidget(m_refused, 1);
    faultLayout->addLayout(refusedRow);
    connect(m_refused, &QLineEdit::returnPressed, this, [this] {
        const QString spots = m_refused->text().trimmed();
        run(QStringLiteral("fault nack_at ") + (spots.isEmpty() ? QStringLiteral("off") : spots));
    });
    layout->addWidget(faults);

    auto *panelBox = new QGroupBox(QStringLiteral("Panel: touch and keys"));
    auto *panelLayout = new QVBoxLayout(panelBox);
    m_pad = new TouchPad;
    m_pad->setSink([this](const std::vector<Touch> &touches) { m_host.setTouches(touches); });
    panelLayout->addWidget(m_pad, 1);
    auto *keys = new QGridLayout;
    for (int k = 0; k < 8; ++k) {
        auto *key = new QPushButton(QStringLiteral("K%1").arg(k));
        key->setObjectName(QStringLiteral("key%1").arg(k));
        const std::uint8_t bit = std::uint8_t(1u << k);
        connect(key, &QPushButton::pressed, this, [this, bit] {
            m_keys |= bit;
            m_host.setKeys(m_keys);
        });
        connect(key, &QPushButton::released, this, [this, bit] {
            m_keys &= std::uint8_t(~bit);
            m_host.setKeys(m_keys);
        });
        keys->addWidget(key, k / 4, k % 4);
    }
    panelLayout->addLayout(keys);
    layout->addWidget(panelBox, 1);

    auto *traceBox = new QGroupBox(QStringLiteral("Wire"));
    auto *traceLayout = new QVBoxLayout(traceBox);
    m_traceOn = new QCheckBox(QStringLiteral("Show every report on the wire"));
    m_trace = new QPlainTextEdit;
    m_trace->setReadOnly(true);
    m_trace->setMaximumBlockCount(400);
    m_trace->setFont(QFont(QStringLiteral("monospace"), 8));
    m_trace->setLineWrapMode(QPlainTextEdit::NoWrap);
    traceLayout->addWidget(m_traceOn);
    traceLayout->addWidget(m_trace, 1);
    layout->addWidget(traceBox, 1);
    m_traceTimer = new QTimer(this);
    m_traceTimer->setInterval(250);
    connect(m_traceTimer, &QTimer::timeout, this, &ControlWindow::readTrace);
    connect(m_traceOn, &QCheckBox::toggled, this, &ControlWindow::followTrace);
    if (!m_host.tracePath().isEmpty()) {
        // Started with --trace: follow that file.
        const QSignalBlocker block(m_traceOn);
        m_traceOn->setChecked(true);
        m_traceFile = std::make_unique<QFile>(m_host.tracePath());
        if (m_traceFile->open(QIODevice::ReadOnly | QIODevice::Text))
            m_traceTimer->start();
    }

    m_reply = new QLabel;
    layout->addWidget(m_reply);

    connect(m_plug, &QPushButton::clicked, this,
            [this] { run(m_host.isPlugged() ? QStringLiteral("unplug") : QStringLiteral("plug")); });
    connect(choose, &QPushButton::clicked, this, [this] {
        const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Panel description"), QString(),
                                                          QStringLiteral("Panel (*.ini)"));
        if (!file.isEmpty())
            run(QStringLiteral("panel ") + file);
    });
    connect(&m_control, &HostControl::changed, this, &ControlWindow::refresh);
    refresh();
}

ControlWindow::~ControlWindow() = default;

void ControlWindow::followTrace(bool on)
{
    m_traceTimer->stop();
    m_traceFile.reset();
    m_tracePending.clear();
    if (!on) {
        m_host.stopTrace();
        return;
    }
    QString path = m_host.tracePath();
    if (path.isEmpty()) {
        path = m_host.testbedRoot() + QStringLiteral("/wire-trace.txt");
        if (!m_host.startTrace(path)) {
            m_reply->setText(QStringLiteral("error cannot write the wire trace"));
            return;
        }
    }
    m_traceFile = std::make_unique<QFile>(path);
    if (m_traceFile->open(QIODevice::ReadOnly | QIODevice::Text))
        m_traceTimer->start();
}

namespace {

// The trace was rotated: the name is another file than the one being read.
bool renamedAway(const QFile &file)
{
    struct stat reading{}, named{};
    return ::fstat(file.handle(), &reading) == 0
           && (::stat(QFile::encodeName(file.fileName()).constData(), &named) != 0
               || named.st_ino != reading.st_ino || named.st_dev != reading.st_dev);
}

} // namespace

void ControlWindow::readTrace()
{
    if (!m_traceFile)
        return;
    // The trace only grows; take what came since the last look, whole lines.
    // Once it has been rotated, the rest of the old part, then the new file.
    const bool rotated = renamedAway(*m_traceFile);
    m_tracePending += m_traceFile->readAll();
    if (rotated) {
        // Until the new file is there, the old part is read on.
        auto next = std::make_unique<QFile>(m_traceFile->fileName());
        if (next->open(QIODevice::ReadOnly | QIODevice::Text))
            m_traceFile = std::move(next);
    }
    const int end = m_tracePending.lastIndexOf('\n');
    if (end < 0)
        return;
    m_trace->appendPlainText(QString::fromLatin1(m_tracePending.left(end)));
    m_tracePending.remove(0, end + 1);
}

void ControlWindow::run(const QString &command)
{
    m_reply->setText(m_control.execute(command));
    refresh();
}

void ControlWindow::refresh()
{
    const bool plugged = m_host.isPlugged();
    m_state->setText(plugged ? QStringLiteral("<b style='color:#2e7d32'>plugged in</b> as /dev/hidraw0")
                             : QStringLiteral("<b style='color:#c62828'>unplugged</b>"));
    m_plug->setText(plugged ? QStringLiteral("Unplug") : QStringLiteral("Plug in"));
    const PanelDescription p = m_host.panel();
    m_pad->setResolution(p.xResolution, p.yResolution);
    m_panel->setText(QStringLiteral("Board %1:%2, panel %3 x %4 electrodes, %5 x %6, %7 map")
                         .arg(p.vendorId, 4, 16, QLatin1Char('0'))
                         .arg(p.productId, 4, 16, QLatin1Char('0'))
                         .arg(p.xElectrodes)
                         .arg(p.yElectrodes)
                         .arg(p.xResolution)
                         .arg(p.yResolution)
                         .arg(p.registerMap == RegisterMap::Standard ? QStringLiteral("standard")
                                                                    : QStringLiteral("alternate")));
    const QSignalBlocker b1(m_nack), b2(m_timeout), b3(m_silent), b4(m_attention);
    m_nack->setChecked(p.faults.i2cNack);
    m_timeout->setChecked(p.faults.i2cTimeout);
    m_silent->setChecked(p.faults.silent);
    m_attention->setChecked(p.faults.attentionLine);
    if (!m_refused->hasFocus())
        m_refused->setText(p.faults.nackAt.text());
}

} // namespace emulator
