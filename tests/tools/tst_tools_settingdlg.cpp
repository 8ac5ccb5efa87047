// The project settings dialog: every key of the profile it edits goes from the
// store into its field and back, RowSetData is rebuilt only when the M0 limits
// or the electrode counts change, "Qlx Path" keeps the QlxFiles part, and
// "Read Panel" fills the identification fields from an emulated panel.
#include "settingdlg.h"
#include "settings.h"

#include "../app/modalanswer.h"
#include "../production/panelfixture.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {

// The keys the administrator edits here, written out independently of the
// dialog's own table so that a key dropped from the form is noticed.
const QByteArrayList CheckKeys = {
    "CF48", "baseline0", "ModeSwitch/Power_On_Test", "ModeSwitch/Debug_Mode",
    "ModeSwitch/RasterX_Mode", "ModeSwitch/RasterY_Mode", "ModeSwitch/Tb_Mode",
    "ModeSwitch/Electric_Mode", "ModeSwitch/Nomal_Mode", "ModeSwitch/BtnData_Mode",
    "ModeSwitch/BtnStatus_Mode", "ModeSwitch/UsbVersion_Mode", "ModeSwitch/eeprom_Version",
    "ModeSwitch/CRC_Version", "ModeSwitch/Bootloader_Auto", "ModeSwitch/Calibrate_Mode",
    "ModeSwitch/Bootloader_Forced", "ModeSwitch/Attb_Mode", "ModeSwitch/Reset_Mode",
    "ModeSwitch/Border_Mode",
};

const QByteArrayList LineKeys = {
    "LogPASS_Path", "LogFAIL_Path", "Init_time", "eeprom_Version", "CRC_Version", "Usb_Version",
    "x_electrodes", "y_electrodes", "x_res", "y_res", "M0_thr_min", "M0_thr_max", "M1_thr_min",
    "M1_thr_max", "Count_thr", "Count_thr_mid", "RasterX_edge_min", "RasterX_edge_max",
    "RasterX_edge_count", "RasterY_edge_min", "RasterY_edge_max", "RasterY_edge_count",
    "Raster_edge_ratio", "Tb_value_thr", "Electric_thr", "Btn_Min", "Btn_Max", "Btn_Time",
    "Btn_Num", "qlxfile_path", "Calibrate_time", "Border_width", "Border_test_time",
    "Border_height",
};

QPushButton *button(const QDialog &dialog, const QString &text)
{
    for (QPushButton *b : dialog.findChildren<QPushButton *>())
        if (b->text() == text)
            return b;
    return nullptr;
}

void clickSave(SettingDlg &dialog)
{
    QPushButton *save = button(dialog, QStringLiteral("Save"));
    QVERIFY(save);
    QTest::mouseClick(save, Qt::LeftButton);
}

// A profile as loaded: 3 x 2 electrodes, M0 limits 10 and 200, its own rows.
void fillProfile(Settings &store)
{
    store.set("x_electrodes", "3");
    store.set("y_electrodes", "2");
    store.set("M0_thr_min", "10");
    store.set("M0_thr_max", "200");
    store.set("Btn_Max", "90");
    store.set("RowSetData", "1,2/3,4/5/6");
}

} // namespace

class TestToolsSettingDlg : public QObject
{
    Q_OBJECT

private slots:
    void everyKeyRoundTrips()
    {
        Settings store;
        for (int i = 0; i < LineKeys.size(); ++i)
            store.set(LineKeys.at(i), "v" + QByteArray::number(i) + " text");
        // Every other switch on, one of them by a number other than 1.
        for (int i = 0; i < CheckKeys.size(); ++i)
            store.set(CheckKeys.at(i), i % 2 ? "0" : (i == 2 ? "7" : "1"));

        int saves = 0;
        SettingDlg dialog(&store, nullptr, [&] {
            ++saves;
            // The window saves what the form holds, so the store is filled first.
            QCOMPARE(store.value("Btn_Num"), QByteArray("v28 text!"));
        });
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Setting"));
        QCOMPARE(dialog.findChildren<QLineEdit *>().size(), LineKeys.size());
        QCOMPARE(dialog.findChildren<QCheckBox *>().size(), CheckKeys.size());

        for (int i = 0; i < LineKeys.size(); ++i) {
            QLineEdit *edit = dialog.lineEdit(LineKeys.at(i));
            QVERIFY2(edit, LineKeys.at(i).constData());
            QCOMPARE(edit->text(), QStringLiteral("v%1 text").arg(i));
            edit->setText(edit->text() + QLatin1Char('!'));
        }
        for (int i = 0; i < CheckKeys.size(); ++i) {
            QCheckBox *box = dialog.checkBox(CheckKeys.at(i));
            QVERIFY2(box, CheckKeys.at(i).constData());
            QCOMPARE(box->isChecked(), i % 2 == 0);
            box->setChecked(!box->isChecked());
        }
        clickSave(dialog);

        QCOMPARE(saves, 1);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        for (int i = 0; i < LineKeys.size(); ++i)
            QCOMPARE(store.value(LineKeys.at(i)), "v" + QByteArray::number(i) + " text!");
        for (int i = 0; i < CheckKeys.size(); ++i)
            QCOMPARE(store.value(CheckKeys.at(i)), QByteArray(i % 2 ? "1" : "0"));
    }

    void absentKeysOpenEmptyAndSaveEmpty()
    {
        Settings store;
        fillProfile(store);
        store.set("Tb_value_thr", "300");
        SettingDlg dialog(&store, nullptr, {});
        QVERIFY(dialog.lineEdit("Btn_Num")->text().isEmpty());
        QVERIFY(!dialog.checkBox("ModeSwitch/Tb_Mode")->isChecked());
        QCOMPARE(dialog.lineEdit("Tb_value_thr")->text(), QStringLiteral("300"));
        clickSave(dialog);
        ConfigParameter saved;
        QVERIFY(store.find("Btn_Num", saved));
        QCOMPARE(saved.value(), QByteArray(""));
        QCOMPARE(store.value("ModeSwitch/Tb_Mode"), QByteArray("0"));
    }

    void closingWithoutSaveLeavesStore()
    {
        Settings store;
        fillProfile(store);
        const Settings::Map before = store.entries();
        SettingDlg dialog(&store, nullptr, [] { QFAIL("no save without the button"); });
        dialog.lineEdit("M0_thr_min")->setText(QStringLiteral("55"));
        dialog.reject();
        QCOMPARE(store.entries().size(), before.size());
        QCOMPARE(store.value("M0_thr_min"), QByteArray("10"));
        QCOMPARE(store.value("RowSetData"), QByteArray("1,2/3,4/5/6"));
    }

    void rowSetData_data()
    {
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("rows");
        const QByteArray kept = "1,2/3,4/5/6";
        QTest::newRow("only Btn_Max") << QByteArray("Btn_Max") << "120" << kept;
        QTest::newRow("nothing") << QByteArray("Btn_Num") << "" << kept;
        QTest::newRow("M0 min") << QByteArray("M0_thr_min") << "20" << QByteArray("20,20/200,200/20/200");
        QTest::newRow("M0 max") << QByteArray("M0_thr_max") << "300" << QByteArray("10,10/300,300/10/300");
        QTest::newRow("XN") << QByteArray("x_electrodes") << "4" << QByteArray("10,10,10/200,200,200/10/200");
        QTest::newRow("YN") << QByteArray("y_electrodes") << "1" << QByteArray("10,10/200,200//");
        QTest::newRow("XN not a number") << QByteArray("x_electrodes") << "abc"
                                         << QByteArray("//10/200");
    }

    void rowSetData()
    {
        QFETCH(QByteArray, key);
        QFETCH(QString, text);
        QFETCH(QByteArray, rows);
        Settings store;
        fillProfile(store);
        SettingDlg dialog(&store, nullptr, {});
        dialog.lineEdit(key)->setText(text);
        clickSave(dialog);
        QCOMPARE(store.value("RowSetData"), rows);
    }

    void rowsRegeneratedOnceForNewCounts()
    {
        // The counts at opening follow a save: saving the same form again keeps
        // rows the administrator edited in between.
        Settings store;
        fillProfile(store);
        SettingDlg dialog(&store, nullptr, {});
        dialog.lineEdit("x_electrodes")->setText(QStringLiteral("3"));
        dialog.lineEdit("y_electrodes")->setText(QStringLiteral("3"));
        clickSave(dialog);
        QCOMPARE(store.value("RowSetData"), QByteArray("10,10/200,200/10,10/200,200"));
        store.set("RowSetData", "edited");
        clickSave(dialog);
        QCOMPARE(store.value("RowSetData"), QByteArray("edited"));
    }

    void hugeCountsStayBounded()
    {
        const QByteArray rows = SettingDlg::regeneratedRows(2000000000, 2, "1", "2");
        QVERIFY(rows.size() < 100000);
        QVERIFY(rows.endsWith("/1/2"));
    }

    void qlxPathPart_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("kept");
        QTest::newRow("inside") << "/home/op/station/QlxFiles/a.qlx" << "/QlxFiles/a.qlx";
        QTest::newRow("last of two") << "/QlxFiles/old/QlxFiles/b.qlx" << "/QlxFiles/b.qlx";
        QTest::newRow("subfolder") << "/x/QlxFiles/v2/c.qlx" << "/QlxFiles/v2/c.qlx";
        QTest::newRow("outside") << "/home/op/firmware/a.qlx" << "";
        QTest::newRow("other case") << "/home/op/qlxfiles/a.qlx" << "";
    }

    void qlxPathPart()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, kept);
        QCOMPARE(::qlxPathPart(chosen), kept);
    }

    void qlxPathButton()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("QlxFiles")));
        const QString inside = dir.filePath(QStringLiteral("QlxFiles/a.qlx"));
        const QString outside = dir.filePath(QStringLiteral("b.qlx"));
        for (const QString &name : {inside, outside}) {
            QFile f(name);
            QVERIFY(f.open(QIODevice::WriteOnly));
        }

        Settings store;
        store.set("qlxfile_path", "/QlxFiles/old.qlx");
        SettingDlg dialog(&store, nullptr, {});
        QPushButton *qlx = button(dialog, QStringLiteral("Qlx Path"));
        QVERIFY(qlx);
        QLineEdit *field = dialog.lineEdit("qlxfile_path");

        ModalAnswerer answer;
        answer.thenFile(QString()); // cancelled
        answer.thenFile(inside);
        answer.thenFile(outside);
        QTest::mouseClick(qlx, Qt::LeftButton);
        QCOMPARE(field->text(), QStringLiteral("/QlxFiles/old.qlx"));
        QTest::mouseClick(qlx, Qt::LeftButton);
        QCOMPARE(field->text(), QStringLiteral("/QlxFiles/a.qlx"));
        QTest::mouseClick(qlx, Qt::LeftButton);
        QCOMPARE(field->text(), QString());
        QCOMPARE(answer.fileDialogTitles, (QList<QString>{"Open File", "Open File", "Open File"}));
        QCOMPARE(store.value("qlxfile_path"), QByteArray("/QlxFiles/old.qlx"));
    }

    void readPanel()
    {
        PanelFixture fixture(PanelFixture::panelFile(QStringLiteral("demo.ini")));
        QVERIFY(fixture.opened());
        fixture.store.set("x_electrodes", "9");
        SettingDlg dialog(&fixture.store, &fixture.command(), {});
        ModalAnswerer answer;
        QPushButton *read = button(dialog, QStringLiteral("Read Panel"));
        QVERIFY(read);
        QTest::mouseClick(read, Qt::LeftButton);
        QVERIFY(read->isEnabled());
        QCOMPARE(dialog.lineEdit("Usb_Version")->text(), QStringLiteral("W103"));
        QCOMPARE(dialog.lineEdit("CRC_Version")->text(), QStringLiteral("5A3C"));
        QCOMPARE(dialog.lineEdit("eeprom_Version")->text(), QStringLiteral("V1.0A"));
        QCOMPARE(dialog.lineEdit("x_electrodes")->text(), QStringLiteral("30"));
        QCOMPARE(dialog.lineEdit("y_electrodes")->text(), QStringLiteral("20"));
        QCOMPARE(dialog.lineEdit("x_res")->text(), QStringLiteral("1280"));
        QCOMPARE(dialog.lineEdit("y_res")->text(), QStringLiteral("800"));
        // Nothing reaches the store before "Save".
        QCOMPARE(fixture.store.value("x_electrodes"), QByteArray("9"));
        QVERIFY(answer.boxes.isEmpty());
    }

    void readPanelFailingKeepsFields()
    {
        PanelFixture fixture(PanelFixture::panelFile(QStringLiteral("crc_nack.ini")));
        QVERIFY(fixture.opened());
        for (const char *key : {"x_electrodes", "y_electrodes", "x_res", "y_res"})
            fixture.store.set(key, QByteArray("old ") + key);
        SettingDlg dialog(&fixture.store, &fixture.command(), {});
        ModalAnswerer answer;
        QPushButton *read = button(dialog, QStringLiteral("Read Panel"));
        QTest::mouseClick(read, Qt::LeftButton);
        QVERIFY(read->isEnabled());
        for (const char *key : {"x_electrodes", "y_electrodes", "x_res", "y_res"})
            QCOMPARE(dialog.lineEdit(key)->text(), QStringLiteral("old ") + QLatin1String(key));
        // The bridge itself still answers.
        QCOMPARE(dialog.lineEdit("Usb_Version")->text(), QStringLiteral("W103"));
    }
};

QTEST_MAIN(TestToolsSettingDlg)
#include "tst_tools_settingdlg.moc"
