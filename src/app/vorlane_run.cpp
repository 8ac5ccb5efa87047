// The test run of the main window: the fixed sequence of items, the verdict,
// and the result file from its working name to its folder.
#include "vorlane.h"

#include "baseline.h"
#include "borderwidget.h"
#include "btnstatusdlg.h"
#include "calibratedialog.h"
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
#include <QTimer>

#include <algorithm>

using production::ItemOutcome;
using production::RunEnd;

namespace {
bool gateOn(const Settings &store, const char *key)
{
    return profile::isOn(store.value(key));
}

const QString Pass = QStringLiteral("PASS");
const QString Fail = QStringLiteral("FAIL");

// The store's names of the items, as the run hands them over beside the file.
namespace item {
const QString Electric = QStringLiteral("electric");
const QString UsbVersion = QStringLiteral("usb_version");
const QString CrcVersion = QStringLiteral("crc_version");
const QString EepromVersion = QStringLiteral("eeprom_version");
const QString Tb = QStringLiteral("tb");
const QString Attb = QStringLiteral("attb");
const QString OpenShort = QStringLiteral("open_short");
const QString RasterX = QStringLiteral("raster_x");
const QString RasterY = QStringLiteral("raster_y");
const QString ButtonData = QStringLiteral("button_data");
const QString Reset = QStringLiteral("reset");
const QString ButtonStatus = QStringLiteral("button_status");
const QString Border = QStringLiteral("border");
const QString Calibration = QStringLiteral("calibration");
const QString Drawing = QStringLiteral("drawing");
// Steps before the items that end a run all the same.
const QString FirmwareUpdate = QStringLiteral("firmware_update");
const QString Geometry = QStringLiteral("geometry");
} // namespace item
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
    m_stage = RunStage::Items;
    afterRun();
}

void Vorlane::afterRun()
{
    if (m_closeAfterRun) {
        // The operator said yes already; the window goes once this call has returned.
        m_closeAfterRun = false;
        m_arrivalDuringRun = false;
        m_closeConfirmed = true;
        QTimer::singleShot(0, this, [this] { close(); });
        return;
    }
    if (m_arrivalDuringRun) {
        m_arrivalDuringRun = false;
        QTimer::singleShot(0, this, &Vorlane::onDeviceArrived);
    }
}

void Vorlane::clearTestMessage()
{
    ui.lineEdit_2->clear();
    ui.lineEdit_3->clear();
    ui.lineEdit_4->clear();
}

void Vorlane::addEvidence(const QString &name, bool pass, const QVariant &value, const QString &text)
{
    std::vector<results::ItemEvidence> &items = m_runContext.items;
    const auto it = std::find_if(items.begin(), items.end(),
                                 [&name](const results::ItemEvidence &e) { return e.item == name; });
    if (it == items.end())
        items.push_back({name, pass, value, text});
    else if (it->pass)
        *it = {name, pass, value, text};
}

void Vorlane::settleVerdict()
{
    // Whatever the items said, a board that went away or fell silent at any
    // moment since they began leaves the panel without its full evidence. A
    // stream still running (the border test's touches) is stopped first, so
    // that the check below has the board to itself; a board pulled after the
    // last exchange is caught here, before the verdict.
    if (m_hidThread->isRunning() || m_debugThread->isRunning() || m_bootThread->isRunning())
        StopCom();
    device::link::probe();
    if (!m_link.held())
        m_verdict = Fail;
}

void Vorlane::appendVerdict()
{
    ui.textBrowser->append(m_verdict == Pass ? QStringLiteral("<p style=color:green;font-size:40px>PASS</p>")
                                             : QStringLiteral("<p style=color:red;font-size:40px>FAIL</p>"));
}

void Vorlane::fileResult(int ending)
{
    const production::StoreOutcome outcome =
        m_result->storeResultFile(*m_settings, m_verdict, production::Ending(ending));
    if (!outcome.paneLine.isEmpty())
        ui.textBrowser->append(outcome.paneLine);
    // Every run that began is recorded, a run that filed nothing too; the
    // store reads the filed file on its own thread, and the run goes on.
    m_runContext.endedAt = QDateTime::currentDateTime();
    m_runContext.verdict = m_verdict;
    m_runContext.path =
        outcome.stored && !outcome.path.isEmpty() ? QFileInfo(outcome.path).absoluteFilePath() : QString();
    m_recorder->record(m_runContext);
    checkDisk();
}

void Vorlane::concludeRun(int ending, bool clearFields)
{
    settleVerdict();
    // Baseline collection takes only panels that passed as a whole.
    if (m_rasterYPassed && m_verdict == Pass && profile::isOn(m_settings->value("baseline0")))
        m_result->copyToLog();
    // The file first: a verdict on the screen is one the records hold.
    fileResult(ending);
    appendVerdict();
    if (clearFields) {
        clearTestMessage();
        ui.lineEdit_4->setFocus();
    }
    ui.textBrowser->setFocus();
    endRun();
}

void Vorlane::start()
{
    // Whatever asks (the button, Enter, a board arriving, a control switched
    // back on), a run never begins inside another one.
    if (m_running) {
        ui.textBrowser->append(tr("Test run in progress: start refused"));
        return;
    }

    // 1: nothing to test without the bridge board.
    if (!device::link::isOpen()) {
        QMessageBox::about(this, QStringLiteral("error"), tr("can't find device!\r\n"));
        return;
    }

    // 2
    m_running = true;
    m_stage = RunStage::Items;
    m_rasterYPassed = false;
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
    m_verdict = Pass;
    // The run has begun: from here on it ends with a verdict, filed and recorded.
    m_link = device::link::Watch();

    // 4
    m_command->writeRegister33();

    // 5: firmware that does not match the profile is replaced first.
    if (gateOn(*m_settings, "ModeSwitch/Bootloader_Auto")) {
        const bool crcDiffers = m_command->readCrcVersion().toLocal8Bit() != m_settings->value("CRC_Version");
        const bool eepromDiffers =
            m_command->readEepromVersion().toLocal8Bit() != m_settings->value("eeprom_Version");
        if (gateOn(*m_settings, "ModeSwitch/Bootloader_Forced") || crcDiffers || eepromDiffers) {
            if (!icUpdateFun(true)) {
                m_verdict = Fail;
                addEvidence(item::FirmwareUpdate, false);
                concludeRun(int(production::Ending::Normal), false);
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
    const device::link::Watch identification;
    if (!m_command->readXnYn() || !m_command->readResolution() || !identification.answered()) {
        // A panel that gives no answer at all says nothing of itself; the
        // operator must still learn why the run failed.
        if (ui.textBrowser->toPlainText() == paneBefore)
            ui.textBrowser->append(QCoreApplication::translate("HidCommand", "read XN,YN error!"));
        m_verdict = Fail;
        addEvidence(item::Geometry, false);
        concludeRun(int(production::Ending::Normal), false);
        return;
    }

    // From here on every item's evidence depends on the board answering.
    m_link = device::link::Watch();

    // 9: the per-electrode limits and the baseline. Without them the station
    // cannot judge the panel: nothing of the panel is recorded.
    if (!production::readRowLimits(m_settings->value("RowSetData"), *m_rowLimits)
        || !production::loadBaseline(*m_settings, m_xElectrodes, m_yElectrodes, *m_baseline, this)) {
        endRun();
        return;
    }

    const auto pane = [this](const QString &line) { ui.textBrowser->append(line); };
    const auto recordItem = [&](const QString &name, const ItemOutcome &outcome) {
        const bool passed = production::record(outcome, m_verdict, *m_result, pane);
        if (outcome.ran)
            addEvidence(name, passed, QVariant(), outcome.shownVersion);
    };

    // 10 to 13
    recordItem(item::Electric, production::electricItem(*m_command, *m_settings, m_verdict, m_link));
    ItemOutcome usb = production::usbVersionItem(*m_command, *m_settings, m_verdict, m_link);
    recordItem(item::UsbVersion, usb);
    if (usb.ran)
        ui.lineEdit->setText(usb.shownVersion);
    ItemOutcome crc = production::crcVersionItem(*m_command, *m_settings, m_verdict, m_link);
    recordItem(item::CrcVersion, crc);
    if (crc.end == RunEnd::EndAsFailed) {
        // The panel did not answer on I2C: what was measured before is filed.
        concludeRun(int(production::Ending::Normal), false);
        return;
    }
    if (crc.ran)
        ui.lineEdit_6->setText(crc.shownVersion);
    ItemOutcome eeprom = production::eepromVersionItem(*m_command, *m_settings, m_link);
    recordItem(item::EepromVersion, eeprom);
    if (eeprom.ran)
        ui.lineEdit_7->setText(eeprom.shownVersion);

    // 14
    if (gateOn(*m_settings, "ModeSwitch/Calibrate_Mode") && m_verdict == Pass)
        runCalibration();

    // 15, 16
    recordItem(item::Tb, production::tbItem(*m_command, *m_settings, m_link));
    ItemOutcome attb = production::attbItem(*m_command, *m_settings, m_link);
    recordItem(item::Attb, attb);
    if (attb.end == RunEnd::FileAsFailed) {
        m_verdict = Fail;
        concludeRun(int(production::Ending::Attb), true);
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
                pass = m_command->readBtnData(values) && item.answered();
                const int low = profile::toInt(m_settings->value("Btn_Min"));
                const int high = profile::toInt(m_settings->value("Btn_Max"));
                for (int v : values)
                    pass = pass && v >= low && v <= high;
                pass = m_result->appendResultLine(production::btnDataBlock(values)) && pass;
            }
        }
        ui.textBrowser->append(pass ? QStringLiteral("Button Data: PASS") : QStringLiteral("Button Data: FAIL"));
        if (!pass)
            m_verdict = Fail;
        addEvidence(item::ButtonData, pass);
    }
    testBtnStatus();
}

void Vorlane::testBtnStatus()
{
    if (!gateOn(*m_settings, "ModeSwitch/BtnStatus_Mode") || m_verdict != Pass) {
        finishTest();
        return;
    }
    const int keys = profile::toInt(m_settings->value("Btn_Num"));
    if (keys <= 0 || m_closeAfterRun) {
        // No keys to press is no key seen: the item cannot pass.
        if (keys <= 0)
            ui.textBrowser->append(tr("Btn_Num is %1: no keys to press").arg(keys));
        ui.textBrowser->append(QStringLiteral("Button Status: FAIL"));
        m_verdict = Fail;
        addEvidence(item::ButtonStatus, false, 0, QStringLiteral("0/%1").arg(std::max(keys, 0)));
        finishTest();
        return;
    }
    // The run goes on in GetBtnStatusResult() when the dialog closes.
    m_stage = RunStage::Keys;
    runButtonStatusDialog();
}

void Vorlane::GetBtnStatusResult(bool ok)
{
    // Only the run's own dialog; the manual tool's result colours its keys alone.
    if (!m_running || m_stage != RunStage::Keys)
        return;
    m_stage = RunStage::Items;
    if (ok) {
        ui.textBrowser->append(QStringLiteral("Button Status: PASS"));
    } else {
        ui.textBrowser->append(QStringLiteral("Button Status: FAIL"));
        m_verdict = Fail;
    }
    const int seen = m_btnStatusDlg->keysSeen();
    addEvidence(item::ButtonStatus, ok, seen, QStringLiteral("%1/%2").arg(seen).arg(m_btnStatusDlg->keyCount()));
    m_hidThread->stop();
    drain(300, 6);
    QThread::msleep(100);
    m_command->disableInterruptReport();
    finishTest();
}

void Vorlane::finishTest()
{
    settleVerdict();
    const auto pane = [this](const QString &line) { ui.textBrowser->append(line); };
    const auto resetItem = [&] {
        const ItemOutcome reset = production::resetItem(*m_command, *m_settings, m_link);
        const bool passed = production::record(reset, m_verdict, *m_result, pane);
        if (reset.ran)
            addEvidence(item::Reset, passed);
    };
    if (gateOn(*m_settings, "ModeSwitch/Border_Mode") && m_verdict == Pass) {
        // The operator traces the border next; the run ends in getBorderResult().
        m_borderRouting = 0;
        resetItem();
        m_stage = RunStage::Border;
        if (!m_closeAfterRun)
            NormalMode();
        if (!m_borderWidget->isCounting()) {
            // No board to take the touches, or the operator is leaving: no border test.
            getBorderResult(0);
            return;
        }
        // The fields are free for the next panel's input; the run is still pending.
        clearTestMessage();
        ui.lineEdit_4->setFocus();
        ui.textBrowser->setFocus();
        return;
    }
    resetItem();
    settleVerdict();
    if (gateOn(*m_settings, "ModeSwitch/Nomal_Mode") && m_verdict == Pass)
        runDrawingCheck();
    concludeRun(int(production::Ending::Normal), true);
}

void Vorlane::getBorderResult(int result)
{
    // The border test is over: the touch stream feeds the live display again.
    m_borderWidget->hide();
    m_borderRouting = 1;
    if (!m_running || m_stage != RunStage::Border)
        return;
    m_stage = RunStage::Items;
    const int left = m_borderWidget->cellsLeft();
    addEvidence(item::Border, result == 1, left, QString::number(left));
    // The touches end with the test; the presence check then has the board alone.
    StopCom();
    if (result == 1) {
        ui.textBrowser->append(QStringLiteral("border: PASS"));
        if (gateOn(*m_settings, "ModeSwitch/Calibrate_Mode") && m_verdict == Pass)
            runCalibration();
        if (gateOn(*m_settings, "ModeSwitch/Nomal_Mode") && m_verdict == Pass)
            runDrawingCheck();
    } else {
        ui.textBrowser->append(QStringLiteral("border: FAIL"));
        m_verdict = Fail;
    }
    concludeRun(int(production::Ending::Normal), true);
}

void Vorlane::runCalibration()
{
    production::Calibration outcome;
    if (!m_closeAfterRun && device::link::isOpen()) {
        m_stage = RunStage::Calibration;
        StopCom();
        outcome = production::calibrate(*m_command, *m_settings, this);
        m_stage = RunStage::Items;
    }
    addEvidence(item::Calibration, outcome.completed, outcome.seconds, QString::number(outcome.seconds));
    // Closed before its end, or not taken by the controller: the panel is not calibrated.
    if (!outcome.completed) {
        ui.textBrowser->append(tr("Calibrate: FAIL"));
        m_verdict = Fail;
    }
}

void Vorlane::runDrawingCheck()
{
    bool pass = false;
    if (!m_closeAfterRun && device::link::isOpen()) {
        // The operator draws on the live display; the board must stay for all of it.
        const device::link::Watch drawing;
        m_stage = RunStage::Drawing;
        m_borderRouting = 1;
        NormalMode();
        m_stage = RunStage::Items;
        pass = drawing.held() && !m_closeAfterRun;
    }
    addEvidence(item::Drawing, pass);
    if (!pass) {
        ui.textBrowser->append(tr("Drawing: FAIL"));
        m_verdict = Fail;
    }
}

void Vorlane::endPendingStage()
{
    switch (m_stage) {
    case RunStage::Border:
        // Closed by hand, the border test reports its failure and the run ends.
        m_borderWidget->close();
        break;
    case RunStage::Keys:
        m_btnStatusDlg->close();
        break;
    case RunStage::Calibration:
        if (auto *dialog = findChild<CalibrateDialog *>(QStringLiteral("calibrateDialog")))
            dialog->close();
        break;
    case RunStage::Drawing:
        m_displayDialog->close();
        break;
    case RunStage::Items:
        // The automatic items go on to their end; the hands-on ones then fail.
        break;
    }
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
            pass = outcome.pass && written && item.answered();
        }
        ui.textBrowser->append(pass ? tr("OpenShort: PASS") : tr("OpenShort: FAIL"));
        if (!pass)
            m_verdict = Fail;
        addEvidence(item::OpenShort, pass);
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
        QString item;
    };
    const Raster rasters[] = {
        {"ModeSwitch/RasterX_Mode", production::RasterAxis::X, &HidCommand::setRasterMode, tr("Planeness_Y: Testing"),
         tr("Planeness_Y: %1"), item::RasterX},
        {"ModeSwitch/RasterY_Mode", production::RasterAxis::Y, &HidCommand::setInternalRasterMode,
         tr("Planeness_X: Testing"), tr("Planeness_X: %1"), item::RasterY},
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
                pass = item.pass && written && watch.answered();
            }
        }
        if (!pass)
            m_verdict = Fail;
        addEvidence(raster.item, pass);
        // Baseline collection keeps the file as it is now; it goes to ./log
        // only if the whole run passes.
        if (raster.axis == production::RasterAxis::Y && pass && m_verdict == Pass) {
            m_rasterYPassed = true;
            if (profile::isOn(m_settings->value("baseline0")))
                m_result->holdForLog();
        }
        ui.textBrowser->append(raster.result.arg(pass ? Pass : Fail));
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
