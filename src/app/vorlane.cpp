#include "vorlane.h"

#include "devicelink.h"
#include "devicewatcher.h"
#include "diskspace.h"
#include "displaycontext.h"
#include "displayview.h"
#include "formresources.h"
#include "coredebug.h"
#include "corenormal.h"
#include "coreraster.h"
#include "firmwareimage.h"
#include "baseline.h"
#include "borderwidget.h"
#include "btnscene.h"
#include "btnstatusdlg.h"
#include "calibratedialog.h"
#include "hidcommand.h"
#include "resultfile.h"
#include "linesettings.h"
#include "lineuploader.h"
#include "profiletext.h"
#include "resultrecorder.h"
#include "shiftyield.h"
#include "paneltests.h"
#include "rowlimits.h"
#include "hidthread.h"
#include "hidthreadboot.h"
#include "hidthreaddebug.h"
#include "installpaths.h"
#include "logrotation.h"
#include "myusbhid.h"
#include "streamkind.h"
#include "streammailbox.h"
#include "qtwindowimp.h"
#include "passworddialog.h"
#include "scene.h"
#include "settingdlg.h"
#include "signin.h"
#include "rastertable.h"
#include "settings.h"
#include "state.h"
#include "stationfile.h"
#include "stationids.h"
#include "values.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const char kStationFile[] = "./config.txt";
// The panel reports at most 79 electrodes a side; a profile value beyond that
// would only make the table huge.
constexpr int kMaxElectrodes = 79;

// The window's inputs for the records of the streams.
enum StreamChannel { DebugRecord, DebugPair, ButtonValues, RasterRow, InternalRasterRow, TouchOrKey };

// Frames of the newest-frame views that may wait for the window: enough that
// a board at the bus's real rate (up to 8 button or 4 debug frames per
// delivery) loses none, few enough that a board with no bus time costs the
// window a bounded amount of work per delivery.
constexpr std::size_t kFramesWaiting = 16;
// Touch records and key codes that may wait; then the stream thread waits.
constexpr std::size_t kRecordsWaiting = 256;

// Maximized, also where no window manager does it (a bare X server on a test rig).
void showFullScreenSized(QWidget *window)
{
    if (QScreen *screen = window->screen())
        window->setGeometry(screen->availableGeometry());
    window->showMaximized();
    window->raise();
}
} // namespace

Vorlane::Vorlane(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    kavelInitFormResources();

    // The enumeration log is written afresh by every run of the station, the
    // parts a long session rotated away included.
    files::removeWithParts(QStringLiteral("./log.txt"), MyUsbHid::LogPartsKept);
    m_running = false;

    // Arrival and removal of HID devices, heard on the GUI thread.
    m_deviceWatcher = new DeviceWatcher(this);

    ui.setupUi(this);

    QDir().mkpath(QStringLiteral("./resultsPASS"));
    QDir().mkpath(QStringLiteral("./resultsFAIL"));

    buildDisplayDialog();
    buildFirmwareDialog();

    m_displayContext = std::make_unique<quilex_gui_qtlib::DisplayContext>();
    setChinese();
    m_displayContext->view = m_displayView;

    m_windowImp = std::make_unique<quilex_gui_qtlib::QtWindowImp>(m_displayContext.get());
    m_settings = m_windowImp->settings();

    m_command = std::make_unique<HidCommand>(this, &ui, m_settings);
    m_usbHid = std::make_unique<MyUsbHid>();
    m_hidThread = std::make_unique<HidThread>(m_usbHid.get());
    m_bootThread = std::make_unique<HidThreadBoot>(m_command.get());
    m_debugThread = std::make_unique<HidThreadDebug>(m_command.get());
    wireStreams();
    m_result = std::make_unique<production::ResultFile>(this);
    m_baseline = std::make_unique<production::Baseline>();
    m_profileText = std::make_unique<ProfileText>();
    m_rowLimits = std::make_unique<production::RowLimits>();
    m_panelTests = std::make_unique<production::PanelTests>();

    ReadConfigText();
    ui.lineEdit_8->setText(m_profilePath);

    buildRasterTable();

    m_borderWidget = new BorderWidget(this);
    m_borderWidget->setWindowFlags(Qt::Window);
    showFullScreenSized(m_borderWidget);
    m_borderWidget->hide();
    m_btnStatusDlg = new BtnStatusDlg(this);
    connect(m_btnStatusDlg, &BtnStatusDlg::getResultSignal, this, &Vorlane::GetBtnStatusResult);

    loadProfile();
    readProfileVariant();
    applyTitleVariant();

    restoreStartMode();

    startRecording();
    watchDisk();
    probeDevice();

    connect(ui.actionChinese, &QAction::triggered, this, &Vorlane::setChinese);
    connect(ui.actionEnglish, &QAction::triggered, this, &Vorlane::setEnglish);
    connect(ui.refreshBtn, &QPushButton::clicked, this, &Vorlane::On_refreshBtnClicked);
    connect(ui.pushButton_2, &QPushButton::clicked, this, &Vorlane::start);
    connect(ui.lineEdit_4, &QLineEdit::returnPressed, this, &Vorlane::On_returnPressed);
    connect(ui.actionDebugData_settings, &QAction::triggered, this, &Vorlane::SetDebugData);
    connect(ui.actionReference_value_check, &QAction::triggered, this, &Vorlane::On_generateCsvClicked);
    connect(ui.actionCalibrate, &QAction::triggered, this, &Vorlane::Calibrate);
    connect(ui.actionLog_Analysis, &QAction::triggered, this, &Vorlane::LogAnalysisClicked);
    // The line statistics open from the tools menu too; the form stays as it is.
    ui.menuTools->addSeparator();
    m_statsAction = ui.menuTools->addAction(tr("Line statistics"));
    m_statsAction->setObjectName(QStringLiteral("actionLine_statistics"));
    connect(m_statsAction, &QAction::triggered, this, &Vorlane::LineStatisticsClicked);
    connect(m_command.get(), &HidCommand::GoCalibrte, this, &Vorlane::KavelCalibrate);
    connect(ui.btnDataBtn, &QPushButton::clicked, this, &Vorlane::On_btnData);
    connect(ui.btnSignalBtn, &QPushButton::clicked, this, &Vorlane::On_btnSignal);
    connect(ui.btnStatusBtn, &QPushButton::clicked, this, &Vorlane::On_btnStatus);
    connect(m_borderWidget, &BorderWidget::getResultSignal, this, &Vorlane::getBorderResult);
    connect(m_result.get(), &production::ResultFile::appendFailed, this, [this] {
        // A run goes on after a block it could not write; its buttons come back when it ends.
        if (m_running)
            return;
        ui.pushButton_2->setEnabled(true);
        ui.refreshBtn->setEnabled(true);
    });
    connect(ui.dengluBtn, &QPushButton::clicked, this, &Vorlane::login);
    connect(ui.actionChange_password, &QAction::triggered, this, &Vorlane::ChangePassword);
    connect(ui.loadfileBtn, &QPushButton::clicked, this, &Vorlane::On_loadfileBtnClicked);
    connect(ui.actionIC_firware_update, &QAction::triggered, this, &Vorlane::icUpdateClicked);
    connect(ui.actionSwitch_Windows, &QAction::triggered, this, &Vorlane::SwitchWindows);
    connect(m_firmwareOpenBtn, &QPushButton::clicked, this, &Vorlane::openFileCom);
    connect(m_firmwareDownloadBtn, &QPushButton::clicked, this, &Vorlane::DownloadCom);
    connect(ui.resetHidBtn, &QPushButton::clicked, this, &Vorlane::ResetHidCom);
    connect(ui.nomalBtn, &QPushButton::clicked, this, &Vorlane::NormalMode);
    connect(ui.pushButton, &QPushButton::clicked, this, &Vorlane::DebugCom);
    connect(ui.internalBtn, &QPushButton::clicked, this, &Vorlane::InternalCom);
    connect(ui.rasterXBtn, &QPushButton::clicked, this, &Vorlane::HidRasterMode);
    connect(ui.rasterYBtn, &QPushButton::clicked, this, &Vorlane::RasterInternalCom);
    connect(ui.InternalRXBtn, &QPushButton::clicked, this, &Vorlane::On_InterRXBtnClicked);
    connect(ui.InternalRYBtn, &QPushButton::clicked, this, &Vorlane::On_InterRYBtnClicked);
    connect(m_command.get(), &HidCommand::readline, this, &Vorlane::startProgress);
    connect(m_command.get(), &HidCommand::readAbout, this, &Vorlane::registerAbout);
    connect(m_command.get(), &HidCommand::readAboutFail, this, &Vorlane::registerAboutFail);
    connect(m_command.get(), &HidCommand::readCommFail, this, &Vorlane::registerCommFail);
    connect(m_command.get(), &HidCommand::readBootFail, this, &Vorlane::registerBootFail);
    connect(m_command.get(), &HidCommand::readFileAVertionFail, this, &Vorlane::registerFileAVertionFail);
    connect(ui.resetKavelBtn, &QPushButton::clicked, this, &Vorlane::ResetKavelCCom);
    connect(m_clearBtn, &QPushButton::clicked, this, &Vorlane::Clear);
    connect(m_command.get(), &HidCommand::setTextEdit, ui.textBrowser, &QTextBrowser::setText);
    connect(m_deviceWatcher, &DeviceWatcher::deviceArrived, this, &Vorlane::onDeviceArrived);
    connect(m_deviceWatcher, &DeviceWatcher::deviceRemoved, this, &Vorlane::onDeviceRemoved);
}

Vorlane::~Vorlane()
{
    // The threads use the discovery and command layers: they stop first.
    stopWorkerThreads();
    m_usbHid.reset();
    m_command.reset();
    m_parserState.reset();
    m_windowImp.reset();
    m_hidThread.reset();
    m_bootThread.reset();
    m_debugThread.reset();
}

void Vorlane::wireStreams()
{
    using device::stream::Mail;
    using device::stream::Mailbox;
    // The stream threads' signals are taken on the thread that emits them and
    // only posted here: the mailboxes bound what waits for the window.
    m_frameMailbox = new Mailbox(Mailbox::Policy::NewestFrames, kFramesWaiting, [this](const Mail &mail) {
        switch (mail.channel) {
        case DebugRecord:
            receiveDebug(mail.text);
            break;
        case DebugPair:
            receiveDebugD(mail.text);
            break;
        case ButtonValues:
            receiveBtnData(mail.text);
            break;
        case RasterRow:
            receiveRaster(mail.text, mail.row);
            break;
        case InternalRasterRow:
            receiveRasterInternal(mail.text, mail.row);
            break;
        default:
            break;
        }
    }, this);
    m_frameMailbox->setObjectName(QStringLiteral("streamFrames"));
    m_recordMailbox = new Mailbox(Mailbox::Policy::EveryRecord, kRecordsWaiting,
                                  [this](const Mail &mail) { DisplayHID(mail.text); }, this);
    m_recordMailbox->setObjectName(QStringLiteral("streamRecords"));
    m_hidThread->setMailbox(m_recordMailbox);
    m_debugThread->setMailbox(m_frameMailbox);

    Mailbox *frames = m_frameMailbox;
    Mailbox *records = m_recordMailbox;
    const auto direct = Qt::DirectConnection;
    connect(m_usbHid.get(), &MyUsbHid::HidData, records,
            [records](const QString &text) { records->post({TouchOrKey, 0, text, true}); }, direct);
    connect(m_command.get(), &HidCommand::readDebug, frames, [frames](const QString &text) {
        frames->post({DebugRecord, 0, text, text.startsWith(QLatin1Char('X'))});
    }, direct);
    connect(m_command.get(), &HidCommand::readDebugD, frames,
            [frames](const QString &text) { frames->post({DebugPair, 0, text, false}); }, direct);
    connect(m_command.get(), qOverload<const QString &>(&HidCommand::readBtnData), frames,
            [frames](const QString &text) { frames->post({ButtonValues, 0, text, true}); }, direct);
    connect(m_command.get(), &HidCommand::readRaster, frames,
            [frames](const QString &line, int row) { frames->post({RasterRow, row, line, row == 0}); }, direct);
    connect(m_command.get(), &HidCommand::readInternalRaster, frames, [frames](const QString &line, int row) {
        frames->post({InternalRasterRow, row, line, row == 0});
    }, direct);
}

void Vorlane::buildDisplayDialog()
{
    m_displayDialog = new QDialog(this, Qt::Window);
    m_displayView = new quilex_gui_qtlib::DisplayView;
    m_recordText = new QTextBrowser;
    m_clearBtn = new QPushButton(QStringLiteral("clear"));
    m_clearBtn->setMaximumWidth(100);
    auto *layout = new QVBoxLayout;
    layout->addWidget(m_displayView, 3);
    layout->addWidget(m_recordText, 1);
    layout->addWidget(m_clearBtn, 1);
    showFullScreenSized(m_displayDialog);
    m_displayDialog->setLayout(layout);
    m_displayDialog->hide();
}

void Vorlane::buildFirmwareDialog()
{
    m_firmwareDialog = new QDialog(this, Qt::Window);
    auto *layout = new QVBoxLayout(m_firmwareDialog);
    m_firmwareText = new QTextBrowser;
    layout->addWidget(m_firmwareText);

    auto *fileRow = new QHBoxLayout;
    m_firmwarePath = new QLineEdit;
    m_firmwareOpenBtn = new QPushButton(tr("open file"));
    fileRow->addWidget(new QLabel(QStringLiteral("FW(*.qlx)File")), 1);
    fileRow->addWidget(m_firmwarePath, 5);
    fileRow->addWidget(m_firmwareOpenBtn, 1);
    layout->addLayout(fileRow);

    auto *progressRow = new QHBoxLayout;
    m_firmwareProgress = new QProgressBar;
    m_firmwareDownloadBtn = new QPushButton(QStringLiteral("download"));
    progressRow->addWidget(new QLabel(QStringLiteral("Update Progress")), 1);
    progressRow->addWidget(m_firmwareProgress, 5);
    progressRow->addWidget(m_firmwareDownloadBtn, 1);
    layout->addLayout(progressRow);

    m_firmwareDialog->resize(600, 300);
    m_firmwareDialog->hide();
}

void Vorlane::buildRasterTable()
{
    m_rasterTable = new QTableWidget(1, 1, this);
    m_rasterTable->setWindowFlags(Qt::Window);
    m_rasterTable->horizontalHeader()->hide();
    m_rasterTable->verticalHeader()->hide();
    m_rasterTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    showFullScreenSized(m_rasterTable);
    m_rasterTable->hide();
}

void Vorlane::ReadConfigText()
{
    station::StationFile values;
    if (!station::readStationFile(QString::fromLatin1(kStationFile), QDir::currentPath(), values)) {
        QMessageBox::about(this, QStringLiteral("file error"), QStringLiteral("can't find config.txt!!"));
        return;
    }
    station::setBridgeIds(values.ids);
    m_profilePath = values.profilePath;
}

void Vorlane::startRecording()
{
    m_recorder = std::make_unique<results::ResultRecorder>(QStringLiteral("./results.db"));
    connect(m_recorder.get(), &results::ResultRecorder::unavailable, this, [this](const QString &reason) {
        ui.textBrowser->append(tr("results store unavailable: %1").arg(reason));
    });
    connect(m_recorder.get(), &results::ResultRecorder::available, this,
            [this] { ui.textBrowser->append(tr("results store available again")); });
    connect(m_recorder.get(), &results::ResultRecorder::rebuilt, this,
            [this](const QString &summary) { ui.textBrowser->append(tr("results store rebuilt: %1").arg(summary)); });
    // Whatever was filed but never recorded (the station stopped between the
    // two) is recorded now; the filed files are the truth.
    results::ResultRecorder::Folders folders;
    folders.station = results::stationId();
    folders.passFolder = production::logFolder(*m_settings, QStringLiteral("PASS"));
    folders.failFolder = production::logFolder(*m_settings, QStringLiteral("FAIL"));
    folders.folders = QStringList{QStringLiteral("./resultsPASS"), QStringLiteral("./resultsFAIL"), folders.passFolder,
                                  folders.failFolder};
    m_recorder->catchUp(folders);

    m_shiftState = new QLabel(this);
    m_shiftState->setObjectName(QStringLiteral("shiftYield"));
    statusBar()->addPermanentWidget(m_shiftState);
    const auto startShiftYield = [this, station = folders.station] {
        m_shiftYield = std::make_unique<stats::ShiftYield>(QStringLiteral("./results.db"), station);
        connect(m_shiftYield.get(), &stats::ShiftYield::changed, m_shiftState, &QLabel::setText);
        connect(m_recorder.get(), &results::ResultRecorder::recorded, m_shiftYield.get(), &stats::ShiftYield::refresh);
        m_shiftYield->refresh();
    };
    startShiftYield();
    // A rebuilt store is another file: connections kept open would go on
    // reading the damaged one, kept aside.
    connect(m_recorder.get(), &results::ResultRecorder::rebuilt, this, startShiftYield);

    const results::LineSettings line = results::readLineSettings();
    if (line.connection.isEmpty())
        return;
    // Only what the line's server has acknowledged is ever pruned.
    m_recorder->retain(line.keepDays);
    m_storeState = new QLabel(this);
    m_storeState->setObjectName(QStringLiteral("lineStoreState"));
    statusBar()->addPermanentWidget(m_storeState);
    // Said once, where the operator and whoever looks after the station see it.
    const QStringList unsafe = results::lineSettingsWarnings();
    for (const QString &warning : unsafe)
        ui.textBrowser->append(tr("line store: %1").arg(warning));
    if (!unsafe.isEmpty())
        statusBar()->showMessage(tr("line store: %1").arg(unsafe.join(QStringLiteral("; "))));
    const auto startUploader = [this, connection = line.connection, station = folders.station] {
        m_uploader = std::make_unique<results::LineUploader>(QStringLiteral("./results.db"), connection, station,
                                                             results::machineIdentity());
        connect(m_recorder.get(), &results::ResultRecorder::recorded, m_uploader.get(), &results::LineUploader::kick);
        connect(m_uploader.get(), &results::LineUploader::stateChanged, this,
                [this](const results::LineUploader::State &state) {
                    m_storeState->setText(results::LineUploader::describe(state));
                });
        connect(m_uploader.get(), &results::LineUploader::refused, this,
                [this](const QString &runId, const QString &path, const QString &reason) {
                    ui.textBrowser->append(tr("line store refused %1: %2").arg(path.isEmpty() ? runId : path, reason));
                });
    };
    startUploader();
    // A rebuilt store is another file: the uploader's connection would go on
    // reading the one moved aside.
    connect(m_recorder.get(), &results::ResultRecorder::rebuilt, this, [this, startUploader] {
        m_uploader.reset();
        startUploader();
    });
}

void Vorlane::watchDisk()
{
    m_diskLevels = files::readDiskLevels();
    m_diskState = new QLabel(this);
    m_diskState->setObjectName(QStringLiteral("diskState"));
    statusBar()->addPermanentWidget(m_diskState);
    // Something else on the machine may fill the disk between runs; a look
    // a minute costs a few system calls.
    auto *timer = new QTimer(this);
    timer->setInterval(60 * 1000);
    connect(timer, &QTimer::timeout, this, [this] { checkDisk(); });
    timer->start();
    checkDisk();
}

files::DiskRoom Vorlane::checkDisk()
{
    // The working folder holds the working file and ./results.db.
    const files::DiskRoom room = files::diskRoom(production::runFolders(*m_settings), m_diskLevels);
    if (!room.belowWarning) {
        m_diskState->clear();
        m_diskState->hide();
        return room;
    }
    m_diskState->setText(tr("disk: %1 MB free").arg(room.freeMb()));
    m_diskState->setToolTip(QDir::cleanPath(QDir().absoluteFilePath(room.folder)));
    m_diskState->setStyleSheet(room.belowFloor ? QStringLiteral("color:#c62828;font-weight:bold")
                                               : QStringLiteral("color:#b25e00"));
    m_diskState->show();
    return room;
}

bool Vorlane::roomForRun()
{
    const files::DiskRoom room = checkDisk();
    if (room.belowFloor)
        appendRed(tr("disk almost full: %1 MB free").arg(room.freeMb()));
    return !room.belowFloor;
}

bool Vorlane::loadProfile()
{
    QDir().mkpath(QStringLiteral("./Config"));
    // A folder is no profile: the three-line station file leaves the path at the
    // working directory itself.
    if (!QFileInfo(m_profilePath).isFile() || !m_settings->load(m_profilePath)) {
        QMessageBox::about(this, QStringLiteral("error"), QStringLiteral("load config file error!!"));
        return false;
    }
    m_xElectrodes = profile::toInt(m_settings->value("x_electrodes"));
    m_yElectrodes = profile::toInt(m_settings->value("y_electrodes"));
    m_xRes = profile::toInt(m_settings->value("x_res"));
    m_yRes = profile::toInt(m_settings->value("y_res"));
    m_cf48 = profile::toInt(m_settings->value("CF48"));
    m_command->setRegisterMapSelector(m_cf48);
    resizeRasterTable();
    keepProfileText(false);
    return true;
}

void Vorlane::keepProfileText(bool saved)
{
    m_profileText->capture(m_profilePath);
    if (saved && m_recorder && !m_profileText->captured().isEmpty())
        m_recorder->profileSaved(QFileInfo(m_profilePath).fileName(), m_profileText->captured(),
                                 results::stationId());
}

void Vorlane::resizeRasterTable()
{
    rastertable::resize(m_rasterTable, std::clamp(m_xElectrodes, 0, kMaxElectrodes),
                        std::clamp(m_yElectrodes, 0, kMaxElectrodes));
}

void Vorlane::readProfileVariant()
{
    m_cf48 = profile::toInt(m_settings->value("CF48"));
    m_rasterEdgeRatio = profile::toInt(m_settings->value("Raster_edge_ratio"));
}

void Vorlane::applyTitleVariant()
{
    QString title = windowTitle();
    if (m_cf48 == 1)
        title.replace(QLatin1String("32"), QLatin1String("48"));
    else
        title.replace(QLatin1String("48"), QLatin1String("32"));
    setWindowTitle(title);
}

void Vorlane::restoreStartMode()
{
    m_startModeGroup = new QButtonGroup(this);
    m_startModeGroup->addButton(ui.radioButton_1, 0);
    m_startModeGroup->addButton(ui.radioButton_2, 1);
    m_startModeGroup->addButton(ui.radioButton_3, 2);
    const int index = profile::toInt(m_settings->value("RadioBtnIndex"));
    if (QAbstractButton *button = m_startModeGroup->button(index))
        button->setChecked(true);
    ui.radioButton_1->setEnabled(false);
    ui.radioButton_2->setEnabled(false);
    ui.radioButton_3->setEnabled(false);
}

int Vorlane::checkedStartMode() const
{
    return m_startModeGroup->checkedId();
}

void Vorlane::On_loadfileBtnClicked()
{
    QString startFolder = ui.lineEdit_8->text();
    const int at = startFolder.lastIndexOf(QLatin1String("/Config"));
    startFolder = QLatin1Char('.') + (at >= 0 ? startFolder.mid(at) : startFolder);
    if (!QFile::exists(startFolder))
        startFolder = QStringLiteral("./Config");

    const QString fileName = QFileDialog::getOpenFileName(this, QStringLiteral("Open File"), startFolder,
                                                          QStringLiteral("Config File (*.ini)"));
    if (fileName.isEmpty())
        return;
    const QString previous = m_profilePath;
    ui.lineEdit_8->setText(fileName);
    m_profilePath = fileName;
    if (!loadProfile()) {
        // The store still holds the previous profile: under the new name the
        // run would judge by one profile and name another, and the exit would
        // write the old values into the new file.
        m_profilePath = previous;
        ui.lineEdit_8->setText(previous);
        return;
    }
    // A signed-in administrator goes on to edit the profile just loaded.
    if (ui.dengluBtn->isCheckable()) {
        SettingDlg dialog(m_settings, m_command.get(), [this] { saveProfileAs(); }, this);
        dialog.exec();
    }
}

void Vorlane::saveProfileAs()
{
    const int at = m_profilePath.indexOf(QLatin1String("/Config"));
    const QString startName = QLatin1Char('.') + (at >= 0 ? m_profilePath.mid(at) : m_profilePath);
    const QString fileName = QFileDialog::getSaveFileName(this, QStringLiteral("save"), startName,
                                                          QStringLiteral("Config Files (*.ini)"), nullptr,
                                                          QFileDialog::DontConfirmOverwrite);
    if (fileName.isEmpty())
        return;
    ui.lineEdit_8->setText(fileName);
    m_settings->save(fileName);
    m_profilePath = fileName;
    keepProfileText(true);
    readProfileVariant();
    applyTitleVariant();
    m_command->setRegisterMapSelector(m_cf48);
}

void Vorlane::setChinese()
{
    applyLanguage(QStringLiteral("vorlane_zh.qm"));
}

void Vorlane::setEnglish()
{
    applyLanguage(QStringLiteral("vorlane_en.qm"));
}

void Vorlane::applyLanguage(const QString &qmFile)
{
    QCoreApplication::removeTranslator(&m_translator);
    // The working folder's file, else an installed station's own; a missing file
    // leaves the translator empty, so the source texts show.
    if (!m_translator.load(installpaths::translation(qmFile)))
        (void)m_translator.load(QString());
    QCoreApplication::installTranslator(&m_translator);
    ui.retranslateUi(this);
    m_firmwareOpenBtn->setText(tr("open file"));
    if (m_statsAction)
        m_statsAction->setText(tr("Line statistics"));
    if (m_shiftYield)
        m_shiftYield->refresh();
    if (m_diskState)
        checkDisk();
}

void Vorlane::closeEvent(QCloseEvent *event)
{
    if (!m_closeConfirmed) {
        const auto answer = QMessageBox::question(this, tr("QLX HID GUI"), tr("Do you really want to exit?"),
                                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes) {
            event->ignore();
            return;
        }
    }
    m_closeConfirmed = false;
    if (m_running) {
        // A pending run ends first: the item it waits for fails and what was
        // measured is filed and recorded; then the window closes (afterRun()).
        m_closeAfterRun = true;
        event->ignore();
        endPendingStage();
        return;
    }

    stopWorkerThreads();

    m_settings->set("RadioBtnIndex", QByteArray::number(checkedStartMode()));
    if (!m_profilePath.isEmpty())
        m_settings->save(m_profilePath);

    station::StationFile values;
    values.ids = station::bridgeIds();
    values.profilePath = m_profilePath;
    if (station::writeStationFile(QString::fromLatin1(kStationFile), QDir::currentPath(), values))
        leaveBridgeReporting();

    event->accept();
}

void Vorlane::stopWorkerThreads()
{
    // Each is asked to stop after the exchange in progress and waited for, so no
    // answer is left half-read for the next command.
    m_hidThread->stop();
    m_debugThread->stop();
    m_bootThread->stop();
}

void Vorlane::leaveBridgeReporting()
{
    // The panel keeps working as a touch screen once the station is gone.
    m_command->enableInterrupt();
}

void Vorlane::probeDevice()
{
    searchInterfaces();
    if (!m_usbHid->openDevice())
        return;
    m_command->writeRegister33();
    if (m_command->readUsbVersion().isEmpty())
        ui.textBrowser->append(QStringLiteral("read Version error!!"));
    else
        ui.textBrowser->append(QStringLiteral("HID_Arrived!\r\n"));
}

void Vorlane::onDeviceArrived()
{
    // Heard while a run is pending (its dialogs and waits let events through):
    // taken, and a power-on run started, only once that run has ended.
    if (m_running) {
        m_arrivalDuringRun = true;
        return;
    }
    if (device::link::isOpen())
        return;
    searchInterfaces();
    if (!m_usbHid->openDevice())
        return;
    m_command->writeRegister33();
    if (m_command->readUsbVersion().isEmpty()) {
        ui.textBrowser->append(QStringLiteral("read Version error!!"));
        return;
    }
    ui.textBrowser->append(QStringLiteral("HID_Arrived!\r\n"));
    // The panel needs time to come up after power; the alternate controller more.
    if (m_command->registerMapSelector() == 1)
        QThread::msleep(1000);
    QThread::msleep(std::max(0, profile::toInt(m_settings->value("Init_time"))));
    if (profile::isOn(m_settings->value("ModeSwitch/Power_On_Test")))
        start();
}

void Vorlane::searchInterfaces()
{
    // Nothing is shown whatever it finds: the search is for ./log.txt, which
    // tells service why a board was not taken. It runs before the open, which
    // sets the connected flag for the board it opens, whatever the search said.
    (void)m_usbHid->findHidDevice();
}

void Vorlane::onDeviceRemoved()
{
    if (!device::link::isOpen())
        return;
    device::link::setConnected(0);
    ui.lineEdit->clear();
    ui.lineEdit_6->clear();
    ui.lineEdit_7->clear();
    StopCom();
    m_usbHid->closeDevice();
    m_displayDialog->close();
    m_rasterTable->close();
    ui.textBrowser->setText(QStringLiteral("HID_Removed!\r\n"));
}

void Vorlane::drain(int timeoutMs, int limit)
{
    if (!device::link::isOpen())
        return;
    std::uint8_t report[64];
    for (int i = 0; i < limit; ++i) {
        if (device::link::transport().read(report, sizeof report, timeoutMs) <= 0)
            return;
    }
}

void Vorlane::StopCom()
{
    m_bootThread->stop();
    m_hidThread->stop();
    m_debugThread->stop();
    m_command->disableInterruptReport();
    drain(300, 6);
}

void Vorlane::On_refreshBtnClicked()
{
    if (!device::link::isOpen() && !m_usbHid->openDevice())
        ui.textBrowser->append(QStringLiteral("no tp found!!!"));
    ui.refreshBtn->setEnabled(false);
    ui.textBrowser->append(QStringLiteral("reading version..."));
    QCoreApplication::processEvents();
    StopCom();
    // Whatever the board still holds would be taken for an answer.
    drain(200, 1000);
    readPanel();
    ui.textBrowser->append(QStringLiteral("Complete read version !"));
    ui.refreshBtn->setEnabled(true);
}

void Vorlane::appendRed(const QString &text)
{
    ui.textBrowser->append(QStringLiteral("<p style=color:red>%1</p>").arg(text));
}

void Vorlane::readPanel()
{
    m_command->writeRegister33();
    if (m_command->readUsbVersion().isEmpty()) {
        ui.textBrowser->append(QStringLiteral("read Version error!!"));
        return;
    }
    const QString crc = m_command->readCrcVersion();
    if (crc == QLatin1String("error1")) {
        appendRed(QStringLiteral("I2C NO ACK!"));
        return;
    }
    if (crc == QLatin1String("error2")) {
        appendRed(QStringLiteral("I2C Timeout!"));
        return;
    }
    ui.lineEdit_6->setText(crc);
    ui.lineEdit_7->setText(m_command->readEepromVersion());
    m_command->readXnYn();
    m_command->readResolution();
    m_usbHid->enableStream();
    m_command->disableInterruptReport();
}

void Vorlane::ResetHidCom()
{
    m_command->resetHid();
    ui.textBrowser->append(QStringLiteral("Send ResetHID!!!"));
}

void Vorlane::ResetKavelCCom()
{
    m_command->resetKavelC();
    ui.textBrowser->append(QStringLiteral("Send ResetKavelC!!!"));
}

void Vorlane::Clear()
{
    m_windowImp->refreshScene();
    ui.textBrowser->clear();
}

bool Vorlane::deviceOpenOrSay()
{
    if (device::link::isOpen())
        return true;
    QMessageBox::about(this, QStringLiteral("error"), tr("can't find device!\r\n"));
    return false;
}

void Vorlane::startDebugStream(int kind)
{
    device::stream::setDebugDataKind(kind);
    m_debugThread->start();
}

void Vorlane::startTouchStream()
{
    m_hidThread->start();
}

void Vorlane::runDisplayDialog(bool showClear)
{
    m_clearBtn->setVisible(showClear);
    // Modality takes hold when a window is shown: exec() finds the display
    // already up and would leave the main window open to clicks.
    m_displayDialog->setWindowModality(Qt::ApplicationModal);
    showFullScreenSized(m_displayDialog);
    m_displayDialog->exec();
}

bool Vorlane::clearButtonShown() const
{
    // Its own setting, as the last mode left it: while the display dialog is
    // closed the button is never "visible", whatever that setting says.
    return !m_clearBtn->isHidden();
}

void Vorlane::NormalMode()
{
    if (!deviceOpenOrSay())
        return;
    StopCom();
    startTouchReporting(device::stream::kind::Touch);
    m_parserState = std::make_shared<quilex_gui::CoreNormal>(m_windowImp.get());
    if (m_borderRouting == 1) {
        runDisplayDialog(true);
        // Closed by the operator: the stream ends, then the panel stops
        // reporting. In the other order the stream would read the answer to
        // the disable, and the command would wait for it in vain.
        StopCom();
    } else {
        startBorderTest();
    }
}

void Vorlane::startBorderTest()
{
    showFullScreenSized(m_borderWidget);
    m_borderWidget->setup(profile::toInt(m_settings->value("Border_test_time")),
                          profile::toInt(m_settings->value("Border_width")),
                          profile::toInt(m_settings->value("Border_height")));
    m_borderWidget->place();
    m_borderWidget->start();
}

void Vorlane::runDebugDisplay(int kind, bool showClear)
{
    if (!deviceOpenOrSay())
        return;
    StopCom();
    startDebugStream(kind);
    m_parserState = std::make_shared<quilex_gui::CoreDebug>(m_windowImp.get());
    runDisplayDialog(showClear);
    // Closed by the operator: the stream it showed ends with it.
    m_debugThread->stop();
}

void Vorlane::DebugCom()
{
    runDebugDisplay(device::stream::kind::Debug, false);
}

void Vorlane::InternalCom()
{
    runDebugDisplay(device::stream::kind::InternalM0, clearButtonShown());
}

void Vorlane::startRasterMode(int kind)
{
    if (!deviceOpenOrSay())
        return;
    StopCom();
    startDebugStream(kind);
    // The stream runs on after this returns, until the next command stops it.
    showFullScreenSized(m_rasterTable);
}

void Vorlane::HidRasterMode()
{
    startRasterMode(device::stream::kind::RasterX);
}

void Vorlane::RasterInternalCom()
{
    startRasterMode(device::stream::kind::RasterY);
}

void Vorlane::On_InterRXBtnClicked()
{
    startRasterMode(device::stream::kind::InternalRasterX);
}

void Vorlane::On_InterRYBtnClicked()
{
    startRasterMode(device::stream::kind::InternalRasterY);
}

void Vorlane::SwitchWindows()
{
    if (!deviceOpenOrSay())
        return;
    m_command->setNormalMode();
    QThread::msleep(100);
    m_command->enableInterrupt();
    m_command->enableInterruptReport();
}

void Vorlane::keyPressEvent(QKeyEvent *event)
{
    using namespace device::stream;
    const auto restartDebug = [this](int kind, bool rasterParser) {
        m_bootThread->stop();
        m_hidThread->stop();
        m_debugThread->stop();
        startDebugStream(kind);
        if (rasterParser)
            m_parserState = std::make_shared<quilex_gui::CoreRaster>(m_windowImp.get());
        else
            m_parserState = std::make_shared<quilex_gui::CoreDebug>(m_windowImp.get());
    };
    // The keys switch streams and modes: never under a run pending.
    if (m_running) {
        QMainWindow::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_C:
        Clear();
        break;
    case Qt::Key_N:
        Clear();
        m_bootThread->stop();
        m_debugThread->stop();
        m_command->enableInterruptReport();
        m_command->resetKavelCDelayed();
        startTouchStream();
        m_parserState = std::make_shared<quilex_gui::CoreNormal>(m_windowImp.get());
        break;
    case Qt::Key_D:
        restartDebug(kind::Debug, false);
        break;
    case Qt::Key_I:
        restartDebug(kind::InternalM0, false);
        break;
    case Qt::Key_R:
        restartDebug(kind::RasterX, true);
        break;
    case Qt::Key_W:
        restartDebug(kind::RasterY, true);
        break;
    case Qt::Key_Z:
        Calibrate();
        break;
    default:
        QMainWindow::keyPressEvent(event);
        break;
    }
}

void Vorlane::DisplayHID(const QString &text)
{
    if (device::stream::debugDataKind() == device::stream::kind::KeyCodes) {
        m_btnStatusDlg->keyCode(text.toInt());
        return;
    }
    if (m_borderRouting == 0) {
        // The border drawing test owns the stream: a finger down goes to it,
        // scaled from panel to widget coordinates.
        const auto point = border::scaledTouch(text, m_xRes, m_yRes);
        if (point && !m_borderWidget->resultIsFail())
            m_borderWidget->touch(point->x(), point->y());
        return;
    }
    if (m_parserState)
        m_parserState->input(text.toLatin1().constData());
    m_recordText->setText(text);
}

void Vorlane::receiveDebug(const QString &text)
{
    if (m_parserState)
        m_parserState->input(text.toLatin1().constData());
}

void Vorlane::receiveDebugD(const QString &text)
{
    m_recordText->setText(text);
}

void Vorlane::receiveBtnData(const QString &text)
{
    if (m_running)
        return;
    QList<int> values;
    for (const QString &part : text.split(QLatin1Char(','), Qt::SkipEmptyParts))
        values.append(part.trimmed().toInt());
    if (auto scene = m_displayView->currentScene())
        scene->setData(values);
    m_recordText->setText(QStringLiteral("BtnData:") + text);
}

void Vorlane::fillRasterRow(const QString &line, int row)
{
    rastertable::fillRow(m_rasterTable, line, row, device::stream::debugDataKind(),
                         std::clamp(m_xElectrodes, 0, kMaxElectrodes), std::clamp(m_yElectrodes, 0, kMaxElectrodes),
                         m_rasterEdgeRatio);
}

void Vorlane::receiveRaster(const QString &line, int row)
{
    fillRasterRow(line, row);
}

void Vorlane::receiveRasterInternal(const QString &line, int row)
{
    fillRasterRow(line, row);
}

bool Vorlane::icUpdateFun(bool isAuto)
{
    if (!deviceOpenOrSay())
        return false;
    ReadHIDKavelCbootloaderVersion();
    const QString path = QString::fromLocal8Bit(m_settings->value("qlxfile_path"));
    device::firmware::setFilePath(path);
    m_firmwarePath->setText(path);
    if (isAuto)
        DownloadCom();
    if (m_firmwareDialog->exec() != QDialog::Accepted) {
        // Whatever the download left half-done, the controller starts over.
        m_bootThread->stop();
        m_command->resetKavelC();
        return false;
    }
    ui.textBrowser->append(QStringLiteral("KavelC Initialization ..."));
    QCoreApplication::processEvents();
    setEnabled(false);
    QThread::msleep(std::max(0, profile::toInt(m_settings->value("Init_time"))));
    const QString crc = m_command->readCrcVersion();
    if (crc == QLatin1String("error1") || crc == QLatin1String("error2")) {
        appendRed(crc == QLatin1String("error1") ? QStringLiteral("I2C NO ACK!") : QStringLiteral("I2C Timeout!"));
        setEnabled(true);
        return false;
    }
    ui.lineEdit_6->setText(crc);
    ui.lineEdit_7->setText(m_command->readEepromVersion());
    m_command->readXnYn();
    m_command->readResolution();
    m_usbHid->enableStream();
    m_command->disableInterruptReport();
    setEnabled(true);
    ui.textBrowser->append(QStringLiteral("KavelC Initialization complete"));
    return true;
}

void Vorlane::icUpdateClicked()
{
    icUpdateFun(false);
}

void Vorlane::openFileCom()
{
    const QString fileName = QFileDialog::getOpenFileName(nullptr, QStringLiteral("FileName"),
                                                          QStringLiteral("./QlxFiles"), QStringLiteral("All Files (*)"));
    if (fileName.isEmpty())
        return;
    device::firmware::setFilePath(fileName);
    m_firmwarePath->setText(fileName);
    m_settings->set("qlxfile_path", fileName.toLocal8Bit());
    if (!m_profilePath.isEmpty()) {
        m_settings->save(m_profilePath);
        keepProfileText(false);
    }
}

void Vorlane::DownloadCom()
{
    device::firmware::setFilePath(QString::fromLocal8Bit(m_settings->value("qlxfile_path")));
    m_hidThread->stop();
    m_debugThread->stop();
    m_firmwareProgress->setValue(0);
    m_firmwareProgress->show();
    // A download already under way goes on: started again it would send a
    // section's first records to a bootloader that is part-way through it.
    // start() leaves a running thread alone, so the click only resets the bar.
    m_bootThread->start();
}

void Vorlane::startProgress(int sent, int total)
{
    m_firmwareProgress->setRange(0, total);
    m_firmwareProgress->setValue(sent);
    if (sent == total) {
        m_firmwareProgress->reset();
        m_firmwareProgress->hide();
    }
}

void Vorlane::ReadHIDKavelCbootloaderVersion()
{
    stopWorkerThreads();
    m_command->disableInterruptReport();
    drain(500, 6);
    m_firmwareText->append(m_command->readBootloadVersion());
}

void Vorlane::registerAbout()
{
    m_firmwareText->append(QStringLiteral("Download succeed!"));
    m_firmwareDialog->accept();
}

void Vorlane::registerAboutFail(const QString &text)
{
    m_firmwareText->append(QStringLiteral("Download fail!"));
    m_firmwareText->append(text);
}

void Vorlane::registerCommFail()
{
    QMessageBox::about(this, QStringLiteral("Download"), QStringLiteral("HID communicate error"));
}

void Vorlane::registerBootFail(const QString &text)
{
    QMessageBox::about(this, QStringLiteral("Download"), QStringLiteral("HID Download file error"));
    m_firmwareText->append(text);
}

void Vorlane::registerFileAVertionFail()
{
    QMessageBox::about(this, QStringLiteral("Download"), QStringLiteral("Download file mismatch error"));
}

void Vorlane::login()
{
    if (ui.dengluBtn->isCheckable()) {
        loginout();
        return;
    }
    if (!signin::accepts(ui.lineEdit_5->text(), m_settings->value("qvd")))
        return;
    ui.dengluBtn->setCheckable(true);
    ui.dengluBtn->setText(QStringLiteral("loginout"));
    ui.groupBox->setEnabled(true);
    ui.actionDebugData_settings->setEnabled(true);
    ui.actionDefault_settings->setEnabled(true);
    ui.pushButton_2->setEnabled(false);
    ui.actionReference_value_check->setEnabled(true);
    ui.actionCalibrate->setEnabled(true);
    ui.radioButton_1->setEnabled(true);
    ui.radioButton_2->setEnabled(true);
    ui.radioButton_3->setEnabled(true);
    // A run pending (its border test) has the board: no reads in between.
    if (m_running)
        return;
    m_command->writeRegister33();
    m_command->readXnYn();
    m_command->readResolution();
    m_borderRouting = 1;
}

void Vorlane::loginout()
{
    ui.dengluBtn->setCheckable(false);
    ui.dengluBtn->setText(QStringLiteral("login"));
    ui.groupBox->setEnabled(false);
    // A run pending keeps its start button off, and its streams.
    ui.pushButton_2->setEnabled(!m_running);
    ui.actionReference_value_check->setEnabled(false);
    ui.actionDebugData_settings->setEnabled(false);
    ui.actionDefault_settings->setEnabled(false);
    ui.radioButton_1->setEnabled(false);
    ui.radioButton_2->setEnabled(false);
    ui.radioButton_3->setEnabled(false);
    ui.actionCalibrate->setEnabled(false);
    if (!m_running)
        StopCom();
}

void Vorlane::ChangePassword()
{
    PasswordDialog dialog(m_settings, m_profilePath, this);
    if (dialog.exec() == QDialog::Accepted)
        keepProfileText(false);
}

void Vorlane::Calibrate()
{
    // A run calibrates as one of its items; from the menu or the Z key it
    // would take the board from the run pending.
    if (m_running)
        return;
    if (!deviceOpenOrSay())
        return;
    // After the border test, or from the menu during a live mode, a stream
    // thread may still be reading: the calibration must have the board alone.
    StopCom();
    production::calibrate(*m_command, *m_settings, this);
}

void Vorlane::KavelCalibrate()
{
    Calibrate();
}

void Vorlane::runButtonScene(int kind)
{
    if (!deviceOpenOrSay())
        return;
    StopCom();
    m_windowImp->clearScene();
    startDebugStream(kind);
    auto scene = std::make_shared<quilex_gui_qtlib::BtnScene>(profile::toInt(m_settings->value("Btn_Min")),
                                                             profile::toInt(m_settings->value("Btn_Max")),
                                                             m_displayView->graphicsScene());
    m_displayView->setCurrentScene(scene);
    runDisplayDialog(clearButtonShown());
    m_debugThread->stop();
}

void Vorlane::On_btnData()
{
    runButtonScene(device::stream::kind::ButtonData);
}

void Vorlane::On_btnSignal()
{
    runButtonScene(device::stream::kind::ButtonSignal);
}

void Vorlane::startTouchReporting(int kind)
{
    m_command->setNormalMode();
    // The stream thread picks touches or key codes by the kind when it starts.
    device::stream::setDebugDataKind(kind);
    startTouchStream();
    m_command->enableInterruptReport();
}

void Vorlane::runButtonStatusDialog()
{
    startTouchReporting(device::stream::kind::KeyCodes);
    m_btnStatusDlg->setup(profile::toInt(m_settings->value("Btn_Num")),
                          profile::toInt(m_settings->value("Btn_Time")));
    m_btnStatusDlg->exec();
}

void Vorlane::On_btnStatus()
{
    if (!deviceOpenOrSay())
        return;
    StopCom();
    m_windowImp->clearScene();
    runButtonStatusDialog();
}
