#include "vorlane.h"

#include "devicelink.h"
#include "devicewatcher.h"
#include "displaycontext.h"
#include "displayview.h"
#include "formresources.h"
#include "hidcommand.h"
#include "myusbhid.h"
#include "qtwindowimp.h"
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
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTextBrowser>
#include <QThread>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const char kStationFile[] = "./config.txt";
// The panel reports at most 79 electrodes a side; a profile value beyond that
// would only make the table huge.
constexpr int kMaxElectrodes = 79;
} // namespace

Vorlane::Vorlane(QWidget *parent, Qt::WindowFlags flags)
    : QMainWindow(parent, flags)
{
    kavelInitFormResources();

    // The enumeration log is written afresh by every run of the station.
    QFile::remove(QStringLiteral("./log.txt"));
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

    ReadConfigText();
    ui.lineEdit_8->setText(m_profilePath);

    buildRasterTable();

    loadProfile();
    readProfileVariant();
    applyTitleVariant();

    restoreStartMode();

    probeDevice();

    connect(ui.actionChinese, &QAction::triggered, this, &Vorlane::setChinese);
    connect(ui.actionEnglish, &QAction::triggered, this, &Vorlane::setEnglish);
    connect(ui.refreshBtn, &QPushButton::clicked, this, &Vorlane::On_refreshBtnClicked);
    connect(ui.loadfileBtn, &QPushButton::clicked, this, &Vorlane::On_loadfileBtnClicked);
    connect(ui.resetHidBtn, &QPushButton::clicked, this, &Vorlane::ResetHidCom);
    connect(ui.resetKavelBtn, &QPushButton::clicked, this, &Vorlane::ResetKavelCCom);
    connect(m_clearBtn, &QPushButton::clicked, this, &Vorlane::Clear);
    connect(m_command.get(), &HidCommand::setTextEdit, ui.textBrowser, &QTextBrowser::setText);
    connect(m_deviceWatcher, &DeviceWatcher::deviceArrived, this, &Vorlane::onDeviceArrived);
    connect(m_deviceWatcher, &DeviceWatcher::deviceRemoved, this, &Vorlane::onDeviceRemoved);
}

Vorlane::~Vorlane()
{
    m_usbHid.reset();
    m_command.reset();
    m_parserState.reset();
    m_windowImp.reset();
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
    m_displayDialog->showMaximized();
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
    m_rasterTable->showMaximized();
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

void Vorlane::loadProfile()
{
    QDir().mkpath(QStringLiteral("./Config"));
    // A folder is no profile: the three-line station file leaves the path at the
    // working directory itself.
    if (!QFileInfo(m_profilePath).isFile()) {
        QMessageBox::about(this, QStringLiteral("error"), QStringLiteral("load config file error!!"));
        return;
    }
    m_settings->load(m_profilePath);
    m_xElectrodes = profile::toInt(m_settings->value("x_electrodes"));
    m_yElectrodes = profile::toInt(m_settings->value("y_electrodes"));
    m_xRes = profile::toInt(m_settings->value("x_res"));
    m_yRes = profile::toInt(m_settings->value("y_res"));
    m_cf48 = profile::toInt(m_settings->value("CF48"));
    m_command->setRegisterMapSelector(m_cf48);
    resizeRasterTable();
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
    ui.lineEdit_8->setText(fileName);
    m_profilePath = fileName;
    loadProfile();
    // A signed-in administrator goes on to the project settings dialog from here.
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
    // A missing file leaves the translator empty, so the source texts show.
    if (!m_translator.load(qmFile, QDir::currentPath()))
        (void)m_translator.load(QString());
    QCoreApplication::installTranslator(&m_translator);
    ui.retranslateUi(this);
    m_firmwareOpenBtn->setText(tr("open file"));
}

void Vorlane::closeEvent(QCloseEvent *event)
{
    const auto answer = QMessageBox::question(this, tr("QLX HID GUI"), tr("Do you really want to exit?"),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    if (answer != QMessageBox::Yes) {
        event->ignore();
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
    // The acquisition threads are stopped here, in the order normal data, debug
    // data, firmware download, each asked to stop and waited for.
}

void Vorlane::leaveBridgeReporting()
{
    // The bridge is told to report touches again here, so the panel keeps working
    // as a touch screen once the station is gone.
}

void Vorlane::probeDevice()
{
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
    if (device::link::isOpen())
        return;
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
    // A power-on test run starts here once the test run exists.
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
    stopWorkerThreads();
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
