#include "settingdlg.h"

#include "hidcommand.h"
#include "settings.h"
#include "values.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr char ProjectGroup[] = QT_TRANSLATE_NOOP("SettingDlg", "Project Settings");
constexpr char FwGroup[] = QT_TRANSLATE_NOOP("SettingDlg", "FW Message");
constexpr char DataGroup[] = QT_TRANSLATE_NOOP("SettingDlg", "Data Setting");
constexpr char SystemGroup[] = QT_TRANSLATE_NOOP("SettingDlg", "System Setting");
constexpr char IoGroup[] = QT_TRANSLATE_NOOP("SettingDlg", "IO Setting");
constexpr char DrawingGroup[] = QT_TRANSLATE_NOOP("SettingDlg", "Drawing Setting");

constexpr char QlxKey[] = "qlxfile_path";

// A typed count of a billion would otherwise build gigabytes of rows; no panel
// comes near this, and the run reads far fewer channels anyway.
constexpr int MaxRowCopies = 4096;

struct GroupShape
{
    const char *title;
    int lineColumns; // label/edit pairs side by side
};

const GroupShape Groups[] = {
    {ProjectGroup, 1}, {FwGroup, 2}, {DataGroup, 3}, {SystemGroup, 1}, {IoGroup, 1}, {DrawingGroup, 1},
};

QByteArray repeated(const QByteArray &text, int count)
{
    QByteArrayList copies;
    for (int i = 0; i < std::min(count, MaxRowCopies); ++i)
        copies << text;
    return copies.join(',');
}

} // namespace

const std::vector<SettingDlg::Field> &SettingDlg::fields()
{
    using K = Kind;
    static const std::vector<Field> table = {
        {"CF48", ProjectGroup, QT_TRANSLATE_NOOP("SettingDlg", "CF48_Mode"), K::Check},
        {"baseline0", ProjectGroup, QT_TRANSLATE_NOOP("SettingDlg", "baseline0"), K::Check},
        {"ModeSwitch/Power_On_Test", ProjectGroup, QT_TRANSLATE_NOOP("SettingDlg", "Power_On_Test"), K::Check},
        {"LogPASS_Path", ProjectGroup, QT_TRANSLATE_NOOP("SettingDlg", "LogPASS_Path:"), K::Line},
        {"LogFAIL_Path", ProjectGroup, QT_TRANSLATE_NOOP("SettingDlg", "LogFAIL_Path:"), K::Line},
        {"Init_time", ProjectGroup, QT_TRANSLATE_NOOP("SettingDlg", "Init_time(ms)::"), K::Line},

        {"eeprom_Version", FwGroup, QT_TRANSLATE_NOOP("SettingDlg", "eeprom_Version:"), K::Line},
        {"CRC_Version", FwGroup, QT_TRANSLATE_NOOP("SettingDlg", "CRC_Version:"), K::Line},
        {"Usb_Version", FwGroup, QT_TRANSLATE_NOOP("SettingDlg", "Usb_Version:"), K::Line},
        {"x_electrodes", FwGroup, QT_TRANSLATE_NOOP("SettingDlg", "XN:"), K::Line},
        {"y_electrodes", FwGroup, QT_TRANSLATE_NOOP("SettingDlg", "YN:"), K::Line},
        {"x_res", FwGroup, QT_TRANSLATE_NOOP("SettingDlg", "Xres:"), K::Line},
        {"y_res", FwGroup, QT_TRANSLATE_NOOP("SettingDlg", "YRes:"), K::Line},

        {"ModeSwitch/Debug_Mode", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "OpenShort_Mode"), K::Check},
        {"ModeSwitch/RasterX_Mode", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Planeness_X_Mode"), K::Check},
        {"ModeSwitch/RasterY_Mode", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Planeness_Y_Mode"), K::Check},
        {"ModeSwitch/Tb_Mode", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "TB_Test"), K::Check},
        {"ModeSwitch/Electric_Mode", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Electric_Mode"), K::Check},
        {"ModeSwitch/Nomal_Mode", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Nomal Mode"), K::Check},
        {"ModeSwitch/BtnData_Mode", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Button_Data"), K::Check},
        {"ModeSwitch/BtnStatus_Mode", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Button_Status"), K::Check},
        {"M0_thr_min", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "M0_thr_min:"), K::Line},
        {"M0_thr_max", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "M0_thr_max:"), K::Line},
        {"M1_thr_min", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "M1_thr_min:"), K::Line},
        {"M1_thr_max", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "M1_thr_max:"), K::Line},
        {"Count_thr", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Count_thr_edge:"), K::Line},
        {"Count_thr_mid", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Count_thr_mid::"), K::Line},
        {"RasterX_edge_min", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "edge_min:"), K::Line},
        {"RasterX_edge_max", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "edge_max:"), K::Line},
        {"RasterX_edge_count", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "edge_Count:"), K::Line},
        {"RasterY_edge_min", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "edge_min:"), K::Line},
        {"RasterY_edge_max", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "edge_max:"), K::Line},
        {"RasterY_edge_count", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "edge_Count:"), K::Line},
        {"Raster_edge_ratio", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Raster_edge_ratio:"), K::Line},
        {"Tb_value_thr", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "TB_value_thr:"), K::Line},
        {"Electric_thr", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "Electric_thr:"), K::Line},
        {"Btn_Min", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "thr_min:"), K::Line},
        {"Btn_Max", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "thr_max:"), K::Line},
        {"Btn_Time", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "btn_time:"), K::Line},
        {"Btn_Num", DataGroup, QT_TRANSLATE_NOOP("SettingDlg", "btn_num:"), K::Line},

        {"ModeSwitch/UsbVersion_Mode", SystemGroup, QT_TRANSLATE_NOOP("SettingDlg", "UsbVersion_Mode"), K::Check},
        {"ModeSwitch/eeprom_Version", SystemGroup, QT_TRANSLATE_NOOP("SettingDlg", "eeprom_Version"), K::Check},
        {"ModeSwitch/CRC_Version", SystemGroup, QT_TRANSLATE_NOOP("SettingDlg", "CRC_Version"), K::Check},
        {"ModeSwitch/Bootloader_Auto", SystemGroup, QT_TRANSLATE_NOOP("SettingDlg", "Bootloader_Auto"), K::Check},
        {"ModeSwitch/Calibrate_Mode", SystemGroup, QT_TRANSLATE_NOOP("SettingDlg", "Calibrate"), K::Check},
        {"ModeSwitch/Bootloader_Forced", SystemGroup, QT_TRANSLATE_NOOP("SettingDlg", "Bootloader_Forced"), K::Check},
        {QlxKey, SystemGroup, nullptr, K::Line},
        {"Calibrate_time", SystemGroup, QT_TRANSLATE_NOOP("SettingDlg", "Calibrate time:"), K::Line},

        {"ModeSwitch/Attb_Mode", IoGroup, QT_TRANSLATE_NOOP("SettingDlg", "Attb_Mode"), K::Check},
        {"ModeSwitch/Reset_Mode", IoGroup, QT_TRANSLATE_NOOP("SettingDlg", "Reset_Mode"), K::Check},

        {"ModeSwitch/Border_Mode", DrawingGroup, QT_TRANSLATE_NOOP("SettingDlg", "Border_Mode"), K::Check},
        {"Border_width", DrawingGroup, QT_TRANSLATE_NOOP("SettingDlg", "Border_width:"), K::Line},
        {"Border_test_time", DrawingGroup, QT_TRANSLATE_NOOP("SettingDlg", "Border_time:"), K::Line},
        {"Border_height", DrawingGroup, QT_TRANSLATE_NOOP("SettingDlg", "Border_height:"), K::Line},
    };
    return table;
}

SettingDlg::SettingDlg(Settings *store, HidCommand *command, std::function<void()> saveProfileAs,
                       QWidget *parent)
    : QDialog(parent), m_store(store), m_command(command), m_saveProfileAs(std::move(saveProfileAs))
{
    setWindowTitle(tr("Setting"));
    auto *top = new QVBoxLayout(this);
    auto *columns = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    auto *right = new QVBoxLayout;
    columns->addLayout(left);
    columns->addLayout(right);
    top->addLayout(columns);

    m_readPanel = new QPushButton(tr("Read Panel"), this);
    auto *qlxPath = new QPushButton(tr("Qlx Path"), this);
    auto *save = new QPushButton(tr("Save"), this);

    for (const GroupShape &shape : Groups) {
        auto *box = new QGroupBox(tr(shape.title), this);
        auto *lines = new QGridLayout;
        auto *checks = new QGridLayout;
        auto *boxLayout = new QVBoxLayout(box);
        boxLayout->addLayout(lines);
        boxLayout->addLayout(checks);
        int lineIndex = 0;
        int checkIndex = 0;
        for (const Field &field : fields()) {
            if (qstrcmp(field.group, shape.title) != 0)
                continue;
            const QString key = QString::fromLatin1(field.key);
            if (field.kind == Kind::Check) {
                auto *check = new QCheckBox(tr(field.text), box);
                check->setObjectName(key);
                checks->addWidget(check, checkIndex / 3, checkIndex % 3);
                ++checkIndex;
                continue;
            }
            auto *edit = new QLineEdit(box);
            edit->setObjectName(key);
            const int row = lineIndex / shape.lineColumns;
            const int column = 2 * (lineIndex % shape.lineColumns);
            if (field.text)
                lines->addWidget(new QLabel(tr(field.text), box), row, column);
            else
                lines->addWidget(qlxPath, row, column); // the button labels its path
            lines->addWidget(edit, row, column + 1);
            ++lineIndex;
        }
        if (shape.title == FwGroup)
            boxLayout->addWidget(m_readPanel);
        (shape.title == DataGroup ? right : left)->addWidget(box);
    }
    left->addStretch();
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(save);
    top->addLayout(buttons);

    connect(m_readPanel, &QPushButton::clicked, this, &SettingDlg::OnReadPanel);
    connect(qlxPath, &QPushButton::clicked, this, &SettingDlg::OnPathDlg);
    connect(save, &QPushButton::clicked, this, &SettingDlg::OnSave);

    for (const Field &field : fields()) {
        ConfigParameter parameter;
        if (!m_store->find(field.key, parameter))
            continue;
        if (field.kind == Kind::Check)
            checkBox(field.key)->setChecked(profile::toInt(parameter.value()) != 0);
        else
            lineEdit(field.key)->setText(QString::fromLocal8Bit(parameter.value()));
    }
    m_openedXn = fieldText("x_electrodes");
    m_openedYn = fieldText("y_electrodes");
}

QLineEdit *SettingDlg::lineEdit(const QByteArray &key) const
{
    return findChild<QLineEdit *>(QString::fromLatin1(key));
}

QCheckBox *SettingDlg::checkBox(const QByteArray &key) const
{
    return findChild<QCheckBox *>(QString::fromLatin1(key));
}

QString SettingDlg::fieldText(const char *key) const
{
    return lineEdit(key)->text();
}

QByteArray SettingDlg::regeneratedRows(int xn, int yn, const QByteArray &min, const QByteArray &max)
{
    return repeated(min, xn - 1) + '/' + repeated(max, xn - 1) + '/' + repeated(min, yn - 1) + '/'
        + repeated(max, yn - 1);
}

void SettingDlg::OnReadPanel()
{
    if (!m_command)
        return;
    m_readPanel->setEnabled(false);
    lineEdit("Usb_Version")->setText(m_command->readUsbVersion());
    lineEdit("CRC_Version")->setText(m_command->readCrcVersion());
    lineEdit("eeprom_Version")->setText(m_command->readEepromVersion());
    const QStringList counts = m_command->readXnYnList();
    if (counts.size() == 2) {
        lineEdit("x_electrodes")->setText(counts.at(0));
        lineEdit("y_electrodes")->setText(counts.at(1));
        const QStringList resolution = m_command->readResolutionList();
        if (resolution.size() == 2) {
            lineEdit("x_res")->setText(resolution.at(0));
            lineEdit("y_res")->setText(resolution.at(1));
        }
    }
    m_readPanel->setEnabled(true);
}

QString qlxPathPart(const QString &chosen)
{
    const int at = chosen.lastIndexOf(QLatin1String("/QlxFiles"));
    return at < 0 ? QString() : chosen.mid(at);
}

void SettingDlg::OnPathDlg()
{
    const QString start = QStringLiteral(".") + fieldText(QlxKey);
    const QString chosen =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open File"), start, QStringLiteral("Qlx File (*.qlx)"));
    if (chosen.isEmpty())
        return;
    lineEdit(QlxKey)->setText(qlxPathPart(chosen));
}

void SettingDlg::OnSave()
{
    const QByteArray oldMin = m_store->value("M0_thr_min");
    const QByteArray oldMax = m_store->value("M0_thr_max");
    for (const Field &field : fields()) {
        if (field.kind == Kind::Check)
            m_store->set(field.key, checkBox(field.key)->isChecked() ? "1" : "0");
        else
            m_store->set(field.key, lineEdit(field.key)->text().toLocal8Bit());
    }

    const QByteArray newMin = fieldText("M0_thr_min").toLocal8Bit();
    const QByteArray newMax = fieldText("M0_thr_max").toLocal8Bit();
    const QString xn = fieldText("x_electrodes");
    const QString yn = fieldText("y_electrodes");
    if (newMin != oldMin || newMax != oldMax || xn != m_openedXn || yn != m_openedYn) {
        m_openedXn = xn;
        m_openedYn = yn;
        m_store->set("RowSetData", regeneratedRows(profile::toInt(xn), profile::toInt(yn), newMin, newMax));
    }

    if (m_saveProfileAs)
        m_saveProfileAs();
    accept();
}
