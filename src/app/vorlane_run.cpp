// The test run of the main window: the fixed sequence of items, the verdict,
// and the result file from its working name to its folder.
#include "vorlane.h"

#include "baseline.h"
#include "borderwidget.h"
#include "debugsetdialog.h"
#include "generatecsv.h"
#include "loganalysisdialog.h"
#include "paneltests.h"
#include "devicelink.h"
#include "firmwareimage.h"
#include "hidcommand.h"
#include "hidthread.h"
#include "hidthreadboot.h"
#include "hidthreaddebug.h"
#include "resultfile.h"
#include "linesettings.h"
#include "profiletext.h"
#include "resultrecorder.h"
#include "rowlimits.h"
#include "settings.h"
#include "shortitems.h"
#include "stationversion.h"
#include "statswindow.h"
#include "streamkind.h"
#include "values.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QMessageBox>
#include <QThread>

using production::ItemOutcome;
using production::RunEnd;

namespace {
bool gateOn(const Settings &store, const char *key)
{
    return profile::isOn(store.value(key));
}
} // namespace

void Vorlane::On_returnPressed()
{
    if (ui.radioButton_3->isChecked() && ui.refreshBtn->isEnabled() && !m_running)
        start();
}

void Vorlane::endRun()
{
    ui.refreshBtn->setEnabled(true);
    ui.pushButton_2->setEnabled(true);
    m_running = false;
}

void Vorlane::clearTestMessage()
{
    ui.lineEdit_2->clear();
    ui.lineEdit_3->clear();
    ui.lineEdit_4->clear();
}

void Vorlane::settleVerdict()
{
    // Whatever the items said, a board that went away or fell silent at any
    // moment since they began leaves the panel without its full evidence. A
    // board pulled after the last exchange is caught here, before the verdict;
    // not while a stream thread reads the board (the border test's touches).
    if (!m_hidThread->isRunning() && !m_debugThread->isRunning() && !m_bootThread->isRunning())
        device::link::probe();
    if (!m_link.held())
        m_verdict = QStringLiteral("FAIL");
}

void Vorlane::appendVerdict()
{
    ui.textBrowser->append(m_verdict == QLatin1String("PASS")
                               ? QStringLiteral("<p style=color:green;font-size:40px>PASS</p>")
                               : QStringLiteral("<p style=color:red;font-size:40px>FAIL</p>"));
}

void Vorlane::fileResult(int ending)
{
    const production::StoreOutcome outcome =
        m_result->storeResultFile(*m_settings, m_verdict, production::Ending(ending));
    if (!outcome.paneLine.isEmpty())
        ui.textBrowser->append(outcome.paneLine);
    if (outcome.stored && !outcome.path.isEmpty()) {
        // The store reads the filed file on its own thread; the run goes on.
        m_runContext.endedAt = QDateTime::currentDateTime();
        m_runContext.verdict = m_verdict;
        m_runContext.path = QFileInfo(outcome.path).absoluteFilePath();
        m_recorder->record(m_runContext);
    }
    checkDisk();
}

void Vorlane::start()
{
    // 1: nothing to test without the bridge board.
    if (!device::link::isOpen()) {
        QMessageBox::about(this, QStringLiteral("error"), tr("can't find device!\r\n"));
        return;
    }

    // 2
    m_running = true;
    ui.refreshBtn->setEnabled(false);
    ui.pushButton_2->setEnabled(false);
    ui.textBrowser->clear();
    // A panel measured and then not filed is worse than one not measured.
    if (!roomForRun()) {
        endRun();
        return;
    }

    // 3: the working result file. Its checks come before anything is sent, so
    // a typing mistake never touches the panel.
    const int checked = checkedStartMode();
    const auto mode = production::StartMode(checked >= 0 ? checked : 0);
    switch (m_result->begin(mode, ui.lineEdit_2->text(), ui.lineEdit_3->text(), ui.lineEdit_4->text())) {
    case production::ResultFile::Start::NoInput:
        QMessageBox::about(this, QStringLiteral("error"), tr("no input"));
        endRun();
        return;
    case production::ResultFile::Start::Repeated:
        QMessageBox::about(this, QStringLiteral("error"), tr("repeated test message!"));
        endRun();
        return;
    case production::ResultFile::Start::Ready:
        break;
    }
    static const char *const ModeNames[] = {"Auto", "Manual", "Barcode"};
    m_runContext = results::RunContext();
    m_runContext.runId = results::newRunId();
    m_runContext.station = results::stationId();
    m_runContext.startMode = QString::fromLatin1(ModeNames[int(mode)]);
    m_runContext.lot = ui.lineEdit_2->text();
    m_runContext.worker = ui.lineEdit_3->text();
    m_runContext.barcode = ui.lineEdit_4->text();
    m_runContext.profile = QFileInfo(m_profilePath).fileName();
    m_runContext.profileText = m_profileText->current(*m_settings);
    m_runContext.softwareVersion = stationVersion();
    m_runContext.startedAt = QDateTime::currentDateTime();
    StopCom();
    m_verdict = QStringLiteral("PASS");

    // 4
    m_command->writeRegister33();

    // 5: firmware that does not match the profile is replaced first.
    if (gateOn(*m_settings, "ModeSwitch/Bootloader_Auto")) {
        const bool crcDiffers = m_command->readCrcVersion().toLocal8Bit() != m_settings->value("CRC_Version");
        const bool eepromDiffers =
            m_command->readEepromVersion().toLocal8Bit() != m_settings->value("eeprom_Version");
        if (gateOn(*m_settings, "ModeSwitch/Bootloader_Forced") || crcDiffers || eepromDiffers) {
            if (!icUpdateFun(true)) {
                m_verdict = QStringLiteral("FAIL");
                endRun();
                return;
            }
            m_runContext.firmwareText = device::firmware::downloadedText();
            StopCom();
        }
    }

    // 6, 7: the panel must be the one the profile describes.
    m_xElectrodes = profile::toInt(m_settings->value("x_electrodes"));
    m_yElectrodes = profile::toInt(m_settings->value("y_electrodes"));
    m_xRes = profile::toInt(m_settings->value("x_res"));
    m_yRes = profile::toInt(m_settings->value("y_res"));
    const QString paneBefore = ui.textBrowser->toPlainText();
    if (!m_command->readXnYn() || !m_command->readResolution()) {
        // A panel that gives no answer at all says nothing of itself; the
        // operator must still learn why the run ended without a verdict.
        if (ui.textBrowser->toPlainText() == paneBefore)
            ui.textBrowser->append(QCoreApplication::translate("HidCommand", "read XN,YN error!"));
        endRun();
        return;
    }

    // From here on every item's evidence depends on the board answering.
    m_link = device::link::Watch();

    // 9: the per-electrode limits and the baseline.
    if (!production::readRowLimits(m_settings->value("RowSetData"), *m_rowLimits)
        || !production::loadBaseline(*m_settings, m_xElectrodes, m_yElectrodes, *m_baseline, this)) {
        endRun();
        return;
    }

    const auto pane = [this](const QString &line) { ui.textBrowser->append(line); };
    const auto recordItem = [&](const ItemOutcome &outcome) {
        production::record(outcome, m_verdict, *m_result, pane);
    };

    // 10 to 13
    recordItem(production::electricItem(*m_command, *m_settings, m_verdict, m_link));
    ItemOutcome usb = production::usbVersionItem(*m_command, *m_settings, m_verdict, m_link);
    recordItem(usb);
    if (usb.ran)
        ui.lineEdit->setText(usb.shownVersion);
    ItemOutcome crc = production::crcVersionItem(*m_command, *m_settings, m_verdict, m_link);
    recordItem(crc);
    if (crc.end == RunEnd::DiscardResult) {
        m_result->discard();
        endRun();
        return;
    }
    if (crc.ran)
        ui.lineEdit_6->setText(crc.shownVersion);
    ItemOutcome eeprom = production::eepromVersionItem(*m_command, *m_settings, m_link);
    recordItem(eeprom);
    if (eeprom.ran)
        ui.lineEdit_7->setText(eeprom.shownVersion);

    // 14
    if (gateOn(*m_settings, "ModeSwitch/Calibrate_Mode") && m_verdict == QLatin1String("PASS"))
        Calibrate();

    // 15, 16
    recordItem(production::tbItem(*m_command, *m_settings, m_link));
    ItemOutcome attb = production::attbItem(*m_command, *m_settings, m_link);
    recordItem(attb);
    if (attb.end == RunEnd::FileAsFailed) {
        m_verdict = QStringLiteral("FAIL");
        ui.refreshBtn->setEnabled(true);
        ui.pushButton_2->setEnabled(true);
        appendVerdict();
        fileResult(int(production::Ending::Attb));
        clearTestMessage();
        m_running = false;
        return;
    }

    // 17 to 20
    runPanelItems();

    // 21, 22
    testBtnData();
}

void Vorlane::testBtnData()
{
    if (gateOn(*m_settings, "ModeSwitch/BtnData_Mode")) {
        // A good read always brings a value for every key; a refused mode
        // switch or a failed read leaves the keys unmeasured, which is a FAIL.
        bool pass = false;
        if (m_link.held()) {
            const device::link::Watch item;
            if (m_command->setDebugMode()) {
                std::vector<int> values;
                pass = m_command->readBtnData(values) && item.held();
                const int low = profile::toInt(m_settings->value("Btn_Min"));
                const int high = profile::toInt(m_settings->value("Btn_Max"));
                for (int v : values)
                    pass = pass && v >= low && v <= high;
                pass = m_result->appendResultLine(production::btnDataBlock(values)) && pass;
            }
        }
        ui.textBrowser->append(pass ? QStringLiteral("Button Data: PASS") : QStringLiteral("Button Data: FAIL"));
        if (!pass)
            m_verdict = QStringLiteral("FAIL");
    }
    testBtnStatus();
}

void Vorlane::testBtnStatus()
{
    if (!gateOn(*m_settings, "ModeSwitch/BtnStatus_Mode") || m_verdict != QLatin1String("PASS")) {
        finishTest();
        return;
    }
    // The run goes on in GetBtnStatusResult() when the dialog closes.
    runButtonStatusDialog();
}

void Vorlane::GetBtnStatusResult(bool ok)
{
    if (!m_running)
        return;
    if (ok) {
        ui.textBrowser->append(QStringLiteral("Button Status: PASS"));
    } else {
        ui.textBrowser->append(QStringLiteral("Button Status: FAIL"));
        m_verdict = QStringLiteral("FAIL");
    }
    m_hidThread->stop();
    drain(300, 6);
    QThread::msleep(100);
    m_command->disableInterruptReport();
    finishTest();
}

void Vorlane::finishTest()
{
    settleVerdict();
    const bool pass = m_verdict == QLatin1String("PASS");
    const auto pane = [this](const QString &line) { ui.textBrowser->append(line); };
    if (gateOn(*m_settings, "ModeSwitch/Border_Mode") && pass) {
        // The operator traces the border next; the run ends in getBorderResult().
        m_borderRouting = 0;
        production::record(production::resetItem(*m_command, *m_settings, m_link), m_verdict, *m_result, pane);
        NormalMode();
    } else {
        production::record(production::resetItem(*m_command, *m_settings, m_link), m_verdict, *m_result, pane);
        settleVerdict();
        appendVerdict();
        if (gateOn(*m_settings, "ModeSwitch/Nomal_Mode") && m_verdict == QLatin1String("PASS")) {
            m_borderRouting = 1;
            NormalMode();
        }
        fileResult(int(production::Ending::Normal));
    }
    clearTestMessage();
    ui.lineEdit_4->setFocus();
    ui.pushButton_2->setEnabled(true);
    ui.textBrowser->setFocus();
    ui.refreshBtn->setEnabled(true);
    m_running = false;
}

void Vorlane::getBorderResult(int result)
{
    // The border test is over: the touch stream feeds the live display again.
    m_borderWidget->hide();
    m_borderRouting = 1;
    if (result == 1) {
        ui.textBrowser->append(QStringLiteral("border: PASS"));
        if (gateOn(*m_settings, "ModeSwitch/Calibrate_Mode") && m_verdict == QLatin1String("PASS"))
            Calibrate();
        if (gateOn(*m_settings, "ModeSwitch/Nomal_Mode") && m_verdict == QLatin1String("PASS")) {
            m_borderRouting = 1;
            NormalMode();
        }
    } else {
        ui.textBrowser->append(QStringLiteral("border: FAIL"));
        m_verdict = QStringLiteral("FAIL");
    }
    settleVerdict();
    appendVerdict();
    fileResult(int(production::Ending::Normal));
    clearTestMessage();
    m_running = false;
}

void Vorlane::runPanelItems()
{
    // The baseline these items subtract, where one was read (not while collecting).
    if (gateOn(*m_settings, "ModeSwitch/Debug_Mode") || gateOn(*m_settings, "ModeSwitch/RasterX_Mode")
        || gateOn(*m_settings, "ModeSwitch/RasterY_Mode"))
        m_runContext.baselineText = m_baseline->fileText;
    m_panelTests->begin(*m_settings, m_xElectrodes, m_yElectrodes, m_command->registerMapSelector(), *m_baseline,
                        *m_rowLimits);
    const auto showProgress = [this] {
        QCoreApplication::processEvents();
        ui.textBrowser->setFocus();
    };
    // An item passes only when its mode was set, every read was answered and
    // its block is in the file. A refused mode switch means the board is gone:
    // the item cannot run, and fails.
    const auto setMode = [this](bool (HidCommand::*set)()) { return m_link.held() && (m_command.get()->*set)(); };

    // 17: three open/short rounds, one block.
    if (gateOn(*m_settings, "ModeSwitch/Debug_Mode")) {
        const device::link::Watch item;
        bool pass = false;
        if (setMode(&HidCommand::setDebugMode)) {
            const production::OpenShortOutcome outcome = m_panelTests->openShort();
            const bool written = outcome.block.isEmpty() || m_result->appendResultLine(outcome.block);
            pass = outcome.pass && written && item.held();
        }
        ui.textBrowser->append(pass ? tr("OpenShort: PASS") : tr("OpenShort: FAIL"));
        if (!pass)
            m_verdict = QStringLiteral("FAIL");
        showProgress();
    }

    // 18 to 20: the X raster in raster mode, the Y raster in internal raster mode.
    struct Raster
    {
        const char *gate;
        production::RasterAxis axis;
        bool (HidCommand::*setMode)();
        QString testing;
        QString result;
    };
    const Raster rasters[] = {
        {"ModeSwitch/RasterX_Mode", production::RasterAxis::X, &HidCommand::setRasterMode, tr("Planeness_Y: Testing"),
         tr("Planeness_Y: %1")},
        {"ModeSwitch/RasterY_Mode", production::RasterAxis::Y, &HidCommand::setInternalRasterMode,
         tr("Planeness_X: Testing"), tr("Planeness_X: %1")},
    };
    for (const Raster &raster : rasters) {
        if (!gateOn(*m_settings, raster.gate))
            continue;
        ui.textBrowser->append(raster.testing);
        QCoreApplication::processEvents();
        const device::link::Watch watch;
        bool pass = false;
        if (setMode(raster.setMode)) {
            const production::RasterItemResult item = m_panelTests->rasterItem(raster.axis);
            if (item.readError) {
                // The rows could not be read: the board went away or fell
                // silent. What the earlier items measured is kept and filed.
                appendRed(QStringLiteral("Read Data Error!"));
            } else {
                const bool written = m_result->appendResultLine(item.block);
                pass = item.pass && written && watch.held();
            }
        }
        if (!pass)
            m_verdict = QStringLiteral("FAIL");
        // Baseline collection keeps a copy of every good panel's file so far.
        if (raster.axis == production::RasterAxis::Y && pass && profile::isOn(m_settings->value("baseline0"))
            && m_verdict == QLatin1String("PASS"))
            m_result->copyToLog();
        ui.textBrowser->append(raster.result.arg(pass ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
        showProgress();
    }
}

void Vorlane::LogAnalysisClicked()
{
    LogAnalysisDialog dialog(m_settings, this);
    dialog.exec();
}

void Vorlane::LineStatisticsClicked()
{
    if (!m_statsWindow) {
        stats::StatsWindow::Options options;
        options.lineConnection = results::readLineSettings().readConnection();
        options.station = results::stationId();
        options.profile = QFileInfo(m_profilePath).fileName();
        // The loaded profile's panel, or another profile's beside it.
        options.geometry = [this](const QString &profile) {
            if (profile == QFileInfo(m_profilePath).fileName())
                return QSize(m_xElectrodes, m_yElectrodes);
            Settings other;
            const QString path = QFileInfo(m_profilePath).dir().filePath(profile);
            if (profile.isEmpty() || !QFileInfo(path).isFile() || !other.load(path))
                return QSize();
            return QSize(profile::toInt(other.value("x_electrodes")), profile::toInt(other.value("y_electrodes")));
        };
        m_statsWindow = new stats::StatsWindow(options, this);
        connect(m_statsWindow, &stats::StatsWindow::openResult, this,
                [this](const QString &path, const QByteArray &content) {
                    auto *viewer = new LogAnalysisDialog(m_settings, this);
                    viewer->setAttribute(Qt::WA_DeleteOnClose);
                    viewer->showResult(path, content);
                    viewer->show();
                });
    }
    m_statsWindow->show();
    m_statsWindow->raise();
    m_statsWindow->activateWindow();
}

void Vorlane::On_generateCsvClicked()
{
    GenerateCsv dialog(*m_settings, *m_baseline, this);
    dialog.exec();
}

void Vorlane::SetDebugData()
{
    DebugSetDialog dialog(m_settings, m_profilePath, this);
    if (dialog.exec() == QDialog::Accepted)
        keepProfileText(true);
}
