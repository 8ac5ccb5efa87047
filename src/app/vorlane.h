#ifndef VORLANE_H
#define VORLANE_H

#include "devicelink.h"
#include "diskspace.h"
#include "runcontext.h"
#include "ui_vorlane.h"

#include <QMainWindow>
#include <QTranslator>

#include <memory>

class BorderWidget;
class BtnStatusDlg;
class ProfileText;
class DeviceWatcher;
class HidCommand;
class HidThread;
class HidThreadBoot;
class HidThreadDebug;
class MyUsbHid;
class QButtonGroup;
class QDialog;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableWidget;
class QTextBrowser;
class Settings;

namespace device {
namespace stream {
class Mailbox;
}
} // namespace device
namespace results {
class LineUploader;
class ResultRecorder;
}
namespace stats {
class ShiftYield;
class StatsWindow;
}
namespace production {
class PanelTests;
class ResultFile;
struct Baseline;
struct RowLimits;
} // namespace production

namespace quilex_gui {
class State;
}
namespace quilex_gui_qtlib {
class DisplayView;
class QtWindowImp;
struct DisplayContext;
} // namespace quilex_gui_qtlib

// The station's one main window. It owns every long-lived object of the station
// and wires the operator's controls to the operations that serve them.
class Vorlane : public QMainWindow
{
    Q_OBJECT

public:
    explicit Vorlane(QWidget *parent = nullptr, Qt::WindowFlags flags = {});
    ~Vorlane() override;

    Settings *settings() const { return m_settings; }
    HidCommand *command() const { return m_command.get(); }
    const QString &currentProfilePath() const { return m_profilePath; }
    bool isRunning() const { return m_running; }

    // Loads the current profile over the store and takes the panel geometry from it.
    // False, after the error box, when there is no profile to read there; the
    // store and the geometry are then left as they were.
    bool loadProfile();
    // Asks for a file name and saves the store there; called by the settings dialog
    // after it has put its values into the store.
    void saveProfileAs();

public slots:
    void ReadConfigText();
    void setChinese();
    void setEnglish();
    void On_loadfileBtnClicked();

    void On_refreshBtnClicked();
    void login();
    void loginout();
    void ChangePassword();
    void SetDebugData();
    void On_generateCsvClicked();
    void LogAnalysisClicked();
    void LineStatisticsClicked();

    // The test run.
    void start();
    void On_returnPressed();
    void getBorderResult(int result);
    void GetBtnStatusResult(bool ok);
    void Calibrate();
    void KavelCalibrate();
    void On_btnData();
    void On_btnSignal();
    void On_btnStatus();
    void StopCom();
    void ResetHidCom();
    void ResetKavelCCom();
    void Clear();

    // Live acquisition modes.
    void NormalMode();
    void DebugCom();
    void InternalCom();
    void HidRasterMode();
    void RasterInternalCom();
    void On_InterRXBtnClicked();
    void On_InterRYBtnClicked();
    void SwitchWindows();
    void DisplayHID(const QString &text);
    void receiveDebug(const QString &text);
    void receiveDebugD(const QString &text);
    void receiveBtnData(const QString &text);
    void receiveRaster(const QString &line, int row);
    void receiveRasterInternal(const QString &line, int row);

    // Firmware update.
    bool icUpdateFun(bool isAuto);
    void icUpdateClicked();
    void openFileCom();
    void DownloadCom();
    void startProgress(int sent, int total);
    void ReadHIDKavelCbootloaderVersion();
    void registerAbout();
    void registerAboutFail(const QString &text);
    void registerCommFail();
    void registerBootFail(const QString &text);
    void registerFileAVertionFail();

    // The board (or any HID device) arrived or left.
    void onDeviceArrived();
    void onDeviceRemoved();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The stream threads' records reach the window through two mailboxes.
    void wireStreams();
    void buildDisplayDialog();
    void buildFirmwareDialog();
    void buildRasterTable();
    void restoreStartMode();
    void applyLanguage(const QString &qmFile);
    void applyTitleVariant();
    void readProfileVariant();
    void resizeRasterTable();
    int checkedStartMode() const;
    void probeDevice();
    // The interface search that writes ./log.txt; on attach, before the open.
    void searchInterfaces();
    void readPanel();
    // Reads and throws away what the board still has queued, up to `limit` reports.
    void drain(int timeoutMs, int limit);
    void appendRed(const QString &text);
    // True when a board is open; otherwise the "can't find device" box.
    bool deviceOpenOrSay();
    // Sets the stream kind and starts the debug-data thread.
    void startDebugStream(int kind);
    void startTouchStream();
    // Normal mode, the stream of this kind running, interrupt reports on.
    void startTouchReporting(int kind);
    void startRasterMode(int kind);
    void runDisplayDialog(bool showClear);
    // The modes that say nothing of the "clear" button keep it as it is.
    bool clearButtonShown() const;
    void runDebugDisplay(int kind, bool showClear);
    void runButtonScene(int kind);
    void startBorderTest();
    void runButtonStatusDialog();
    void fillRasterRow(const QString &line, int row);

    // Steps of the test run.
    // What a pending run waits for: its own items, or the operator's hands.
    enum class RunStage { Items, Keys, Border, Calibration, Drawing };
    void endRun();
    // The end of every run that began: the presence check, the result filed
    // and recorded, then the verdict shown; then the run ends.
    void concludeRun(int ending, bool clearFields);
    // What was asked while the run was pending and is done now: the window
    // closed, a board that arrived taken.
    void afterRun();
    // Ends the hands-on item the run waits for, as failed unless its own
    // result says otherwise.
    void endPendingStage();
    // The calibration and the drawing check of a run: each fails the run
    // when it did not run to its end.
    void runCalibration();
    void runDrawingCheck();
    // An item's outcome for the store; the first failure of an item is kept.
    void addEvidence(const QString &item, bool pass, const QVariant &value = QVariant(),
                     const QString &text = QString());
    void testBtnData();
    void testBtnStatus();
    void finishTest();
    void settleVerdict();
    void appendVerdict();
    void fileResult(int ending);
    void clearTestMessage();
    void startRecording();
    // The disks a run writes to: below the warning level the status line
    // shows their least free space; below the floor no run starts.
    void watchDisk();
    files::DiskRoom checkDisk();
    // False, with the reason in the message pane, when the disk could not
    // take the run's files.
    bool roomForRun();
    // Open/short and planeness.
    void runPanelItems();
    // Where the exit sequence stops the worker threads and leaves the bridge
    // reporting touches; both act on the device layer's objects.
    void stopWorkerThreads();
    void leaveBridgeReporting();
    // The profile file was just read into the store or written from it: its
    // text is the one runs are judged under from now on. saved: written by a
    // settings dialog, a version the results store keeps in the profile's
    // history.
    void keepProfileText(bool saved);

    Ui::VorlaneClass ui;
    QTranslator m_translator;

    // The display window object holds the station's one parameter store.
    std::unique_ptr<quilex_gui_qtlib::DisplayContext> m_displayContext;
    std::unique_ptr<quilex_gui_qtlib::QtWindowImp> m_windowImp;
    Settings *m_settings = nullptr;
    std::shared_ptr<quilex_gui::State> m_parserState;

    std::unique_ptr<HidCommand> m_command;
    std::unique_ptr<MyUsbHid> m_usbHid;
    std::unique_ptr<HidThread> m_hidThread;
    std::unique_ptr<HidThreadBoot> m_bootThread;
    std::unique_ptr<HidThreadDebug> m_debugThread;
    DeviceWatcher *m_deviceWatcher = nullptr;
    // Children of the window, so they outlive the threads, which stop first.
    device::stream::Mailbox *m_frameMailbox = nullptr;
    device::stream::Mailbox *m_recordMailbox = nullptr;

    QDialog *m_displayDialog = nullptr;
    quilex_gui_qtlib::DisplayView *m_displayView = nullptr;
    QTextBrowser *m_recordText = nullptr;
    QPushButton *m_clearBtn = nullptr;

    QDialog *m_firmwareDialog = nullptr;
    QTextBrowser *m_firmwareText = nullptr;
    QLineEdit *m_firmwarePath = nullptr;
    QPushButton *m_firmwareOpenBtn = nullptr;
    QProgressBar *m_firmwareProgress = nullptr;
    QPushButton *m_firmwareDownloadBtn = nullptr;

    QTableWidget *m_rasterTable = nullptr;
    BorderWidget *m_borderWidget = nullptr;
    BtnStatusDlg *m_btnStatusDlg = nullptr;
    QButtonGroup *m_startModeGroup = nullptr;

    int m_xElectrodes = 0;
    int m_yElectrodes = 0;
    int m_xRes = 0;
    int m_yRes = 0;
    int m_cf48 = 0;
    int m_rasterEdgeRatio = 0;
    int m_borderRouting = 1;
    // Set from the start of a run until it has ended, its border test and
    // hands-on items included: nothing starts a run meanwhile.
    bool m_running = false;
    RunStage m_stage = RunStage::Items;
    // The operator closed the window while a run was pending: the run ends
    // first (its hands-on item failed), then the window closes unasked.
    bool m_closeAfterRun = false;
    bool m_closeConfirmed = false;
    // A board arrived while a run was pending: taken when the run has ended.
    bool m_arrivalDuringRun = false;
    // The Y raster passed, for baseline collection at the end of the run.
    bool m_rasterYPassed = false;
    QString m_verdict = QStringLiteral("PASS");
    // The link since the run's items began: a run on a board that went away
    // or fell silent at any moment of it is never a PASS.
    device::link::Watch m_link;
    std::unique_ptr<production::ResultFile> m_result;
    std::unique_ptr<production::Baseline> m_baseline;
    std::unique_ptr<ProfileText> m_profileText;
    std::unique_ptr<production::RowLimits> m_rowLimits;
    std::unique_ptr<production::PanelTests> m_panelTests;
    // Every filed result goes into ./results.db as well, from a thread of its own.
    std::unique_ptr<results::ResultRecorder> m_recorder;
    // Sends the recorded runs to the line's server when ./line.ini names one.
    std::unique_ptr<results::LineUploader> m_uploader;
    QLabel *m_storeState = nullptr;
    // This station's panels and first-pass yield since the shift began.
    std::unique_ptr<stats::ShiftYield> m_shiftYield;
    QLabel *m_shiftState = nullptr;
    files::DiskLevels m_diskLevels;
    QLabel *m_diskState = nullptr;
    QAction *m_statsAction = nullptr;
    stats::StatsWindow *m_statsWindow = nullptr; // a child window, opened once
    results::RunContext m_runContext;
    QString m_profilePath;
};

#endif
