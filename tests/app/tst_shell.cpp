#include "filemodesbind.h"
#include "modalanswer.h"
#include "settings.h"
#include "stationfile.h"
#include "stationids.h"
#include "vorlane.h"

#include <QAction>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

void writeText(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(content);
}

QByteArray readText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

const QByteArray kStation = "QuilexVID=1A86\nQuilexPID=E0A1\nCustomerVID=0483\nCustomerPID=5750\nConfigPath=Config/p.ini\n";

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_startDir;

    // A scratch working folder with a station file, a profile and, if asked, the
    // compiled translations.
    void makeStation(const QByteArray &profile, bool withTranslations = true,
                     const QByteArray &station = kStation)
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir::setCurrent(m_dir->path()));
        QDir().mkpath("Config");
        if (!station.isNull())
            writeText("config.txt", station);
        writeText("Config/p.ini", profile);
        if (withTranslations) {
            for (const char *qm : {"vorlane_zh.qm", "vorlane_en.qm"})
                QVERIFY(QFile::copy(QString(KAVEL_BINARY_DIR "/translations/") + qm, qm));
        }
    }

    QString cwd() const { return QDir::currentPath(); }

    // Closes the window, answering the exit question.
    static void closeWith(Vorlane &w, QMessageBox::StandardButton answer)
    {
        ModalAnswerer answerer;
        answerer.thenBox(answer);
        w.close();
        QCOMPARE(answerer.pending(), 0);
        QCOMPARE(answerer.boxes.size(), 1);
        QCOMPARE(answerer.boxes[0].text, QCoreApplication::translate("Vorlane", "Do you really want to exit?"));
    }

private slots:
    void initTestCase() { m_startDir = QDir::currentPath(); }
    void cleanup()
    {
        QDir::setCurrent(m_startDir);
        m_dir.reset();
    }

    void stationFileReadsByPosition_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QByteArray>("makerVid");
        QTest::addColumn<QByteArray>("customerPid");
        QTest::addColumn<QString>("profileTail");
        QTest::newRow("as written") << kStation << QByteArray("1A86") << QByteArray("5750") << "/Config/p.ini";
        QTest::newRow("any ten characters for the first key")
            << QByteArray("abcdefghij0x1234\nQuilexPID=1\nCustomerVID=2\nCustomerPID=3\nConfigPath=x.ini\n")
            << QByteArray("0x1234") << QByteArray("3") << "/x.ini";
        QTest::newRow("three lines") << QByteArray("QuilexVID=1\nQuilexPID=2\nCustomerVID=3\n") << QByteArray("1")
                                     << QByteArray("") << "/";
        QTest::newRow("lines shorter than their keys") << QByteArray("Q\n\nC\nCus\nConfig\n") << QByteArray("")
                                                       << QByteArray("") << "/";
        QTest::newRow("CR LF endings and a sixth line")
            << QByteArray("QuilexVID=AA\r\nQuilexPID=BB\r\nCustomerVID=CC\r\nCustomerPID=DD\r\nConfigPath=c.ini\r\nextra\r\n")
            << QByteArray("AA") << QByteArray("DD") << "/c.ini";
    }
    void stationFileReadsByPosition()
    {
        QFETCH(QByteArray, content);
        QFETCH(QByteArray, makerVid);
        QFETCH(QByteArray, customerPid);
        QFETCH(QString, profileTail);
        QTemporaryDir dir;
        writeText(dir.filePath("config.txt"), content);
        station::StationFile values;
        QVERIFY(station::readStationFile(dir.filePath("config.txt"), "/work/dir", values));
        QCOMPARE(values.ids.makerVid, makerVid);
        QCOMPARE(values.ids.customerPid, customerPid);
        QCOMPARE(values.profilePath, "/work/dir" + profileTail);
    }

    void stationFileWritesFiveLinesRelativeToTheWorkingFolder()
    {
        QTemporaryDir dir;
        const QString file = dir.filePath("config.txt");
        station::StationFile values;
        values.ids = {"1A86", "E0A1", "", "5750"};
        values.profilePath = "/work/dir/Config/p.ini";
        QVERIFY(station::writeStationFile(file, "/work/dir", values));
        QCOMPARE(readText(file), QByteArray("QuilexVID=1A86\nQuilexPID=E0A1\nCustomerVID=\nCustomerPID=5750\n"
                                            "ConfigPath=Config/p.ini\n"));
        // A profile outside the working folder is written back whole.
        values.profilePath = "/elsewhere/p.ini";
        QVERIFY(station::writeStationFile(file, "/work/dir", values));
        QVERIFY(readText(file).endsWith("ConfigPath=/elsewhere/p.ini\n"));
        // And read back it names a file under the working folder that does not exist.
        station::StationFile back;
        QVERIFY(station::readStationFile(file, "/work/dir", back));
        QCOMPARE(back.profilePath, QString("/work/dir//elsewhere/p.ini"));
        QCOMPARE(back.ids.customerPid, QByteArray("5750"));

        QVERIFY(!station::readStationFile(dir.filePath("none.txt"), "/w", back));
        QVERIFY(!station::writeStationFile(dir.filePath("no/such/folder/config.txt"), "/w", values));
    }

    void startUpStates()
    {
        makeStation("[General]\nx_electrodes=20\ny_electrodes=12\nx_res=1280\ny_res=800\nRadioBtnIndex=2\n");
        writeText("log.txt", "old enumeration log");
        writeText("log.txt.1", "older part");
        writeText("log.txt.3", "oldest part");
        Vorlane w;
        // Written afresh by the start-up search, with none of a former session's parts.
        QVERIFY(!readText("log.txt").contains("old enumeration log"));
        QVERIFY(!QFile::exists("log.txt.1") && !QFile::exists("log.txt.3"));
        QVERIFY(QDir("resultsPASS").exists());
        QVERIFY(QDir("resultsFAIL").exists());
        QCOMPARE(w.size(), QSize(796, 489));
        QCOMPARE(w.minimumSize(), w.maximumSize());
        QCOMPARE(w.objectName(), QString("VorlaneClass"));
        QCOMPARE(w.windowTitle(), QString("KavelC-HID_V3.1_20171213_Q93F32"));
        QVERIFY(!w.windowIcon().isNull());

        QVERIFY(!w.findChild<QGroupBox *>("groupBox")->isEnabled());
        auto action = [&](const char *name) { return w.findChild<QAction *>(name); };
        QVERIFY(!action("actionDefault_settings")->isEnabled());
        QVERIFY(!action("actionDefault_settings")->isVisible());
        QVERIFY(!action("actionDebugData_settings")->isEnabled());
        QVERIFY(!action("actionReference_value_check")->isEnabled());
        QVERIFY(!action("actionCalibrate")->isEnabled());
        QVERIFY(action("actionChange_password")->isEnabled());
        QVERIFY(!action("actionIC_firware_update")->isCheckable());

        for (const char *radio : {"radioButton_1", "radioButton_2", "radioButton_3"})
            QVERIFY(!w.findChild<QRadioButton *>(radio)->isEnabled());
        QVERIFY(w.findChild<QRadioButton *>("radioButton_3")->isChecked());
        QVERIFY(w.findChild<QPushButton *>("pushButton_2")->isEnabled());
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_5")->echoMode(), QLineEdit::Password);

        QCOMPARE(w.currentProfilePath(), cwd() + "/Config/p.ini");
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_8")->text(), w.currentProfilePath());
        QCOMPARE(station::bridgeIds().customerVid, QByteArray("0483"));

        // The raster table is sized by the profile's electrode counts.
        auto *table = w.findChild<QTableWidget *>();
        QVERIFY(table);
        QCOMPARE(table->rowCount(), 13);
        QCOMPARE(table->columnCount(), 21);

        // Menus in order, each entry separated from the next.
        auto *setting = w.findChild<QMenu *>("menuSetting");
        QStringList names;
        for (QAction *a : setting->actions())
            names << (a->isSeparator() ? QString("|") : a->objectName());
        QCOMPARE(names, (QStringList{"actionDefault_settings", "|", "actionDebugData_settings", "|",
                                     "actionChange_password", "|", "actionReference_value_check"}));
        QCOMPARE(w.findChild<QMenu *>("menuLanguage")->actions().size(), 3);
    }

    void startModeRestore_data()
    {
        QTest::addColumn<QByteArray>("index");
        QTest::addColumn<QString>("checked");
        QTest::newRow("manual") << QByteArray("1") << "radioButton_2";
        QTest::newRow("out of range") << QByteArray("7") << "radioButton_1";
        QTest::newRow("negative") << QByteArray("-1") << "radioButton_1";
        QTest::newRow("not a number") << QByteArray("x") << "radioButton_1";
    }
    void startModeRestore()
    {
        QFETCH(QByteArray, index);
        QFETCH(QString, checked);
        makeStation("[General]\nRadioBtnIndex=" + index + "\n");
        Vorlane w;
        QVERIFY(w.findChild<QRadioButton *>(checked)->isChecked());
    }

    void titleFollowsTheRegisterMapVariant()
    {
        makeStation("[General]\nCF48=1\n");
        Vorlane w;
        QCOMPARE(w.windowTitle(), QString("KavelC-HID_V3.1_20171213_Q93F48"));
        // The language switch puts the translated title back, undoing the variant.
        w.setEnglish();
        QCOMPARE(w.windowTitle(), QString("KavelC-HID_V3.1_20171213_Q93F32"));

        // Saving under a new name re-applies it both ways.
        ModalAnswerer answerer;
        answerer.thenFile(cwd() + "/Config/saved48.ini");
        w.saveProfileAs();
        QCOMPARE(w.windowTitle(), QString("KavelC-HID_V3.1_20171213_Q93F48"));
        QCOMPARE(w.currentProfilePath(), cwd() + "/Config/saved48.ini");
        QCOMPARE(answerer.fileDialogTitles, QStringList{"save"});

        w.settings()->set("CF48", "0");
        answerer.thenFile(cwd() + "/Config/saved32.ini");
        w.saveProfileAs();
        QCOMPARE(w.windowTitle(), QString("KavelC-HID_V3.1_20171213_Q93F32"));
        Settings back;
        back.load("Config/saved32.ini");
        QCOMPARE(back.value("CF48"), QByteArray("0"));

        // Cancelled: nothing written, the values stay in the store.
        w.settings()->set("x_res", "640");
        answerer.thenFile(QString());
        w.saveProfileAs();
        QCOMPARE(w.currentProfilePath(), cwd() + "/Config/saved32.ini");
        back.load("Config/saved32.ini");
        QCOMPARE(back.value("x_res"), QByteArray("0"));
        QCOMPARE(w.settings()->value("x_res"), QByteArray("640"));
        QCOMPARE(answerer.pending(), 0);
    }

    void languageSwitch()
    {
        makeStation("[General]\n");
        {
            Vorlane w;
            auto *refresh = w.findChild<QPushButton *>("refreshBtn");
            // Chinese is the start-up language when its file is there.
            QCOMPARE(refresh->text(), QString::fromUtf8("刷新"));
            QCOMPARE(w.findChild<QMenu *>("menuLanguage")->title(), QString::fromUtf8("语言"));
            w.findChild<QAction *>("actionEnglish")->trigger();
            QCOMPARE(refresh->text(), QString("refresh"));
            QCOMPARE(w.findChild<QLabel *>("label_10")->text(), QString("TP Number\nbarcode："));
            w.findChild<QAction *>("actionChinese")->trigger();
            QCOMPARE(refresh->text(), QString::fromUtf8("刷新"));
            // Without the English file the source texts show all the same.
            QFile::remove("vorlane_en.qm");
            w.setEnglish();
            QCOMPARE(refresh->text(), QString("refresh"));
        }
        QFile::remove("vorlane_zh.qm");
        Vorlane w;
        QCOMPARE(w.findChild<QPushButton *>("refreshBtn")->text(), QString("refresh"));
        QCOMPARE(w.findChild<QPushButton *>("pushButton_2")->text(), QString("start"));
    }

    void exitAnsweredNoKeepsEverything()
    {
        makeStation("[General]\nRadioBtnIndex=1\n");
        Vorlane w;
        w.show();
        closeWith(w, QMessageBox::No);
        QVERIFY(w.isVisible());
        QCOMPARE(readText("config.txt"), kStation);
        Settings back;
        back.load("Config/p.ini");
        QCOMPARE(back.value("RadioBtnIndex"), QByteArray("1"));
    }

    void exitRewritesStationFileAndStoresStartMode()
    {
        // The ids on disk are changed behind the station's back: it writes back what it read.
        makeStation("[General]\nRadioBtnIndex=0\nonly_in_file=1\n");
        Vorlane w;
        w.show();
        writeText("config.txt", "garbage\n");
        w.findChild<QRadioButton *>("radioButton_3")->setChecked(true);
        closeWith(w, QMessageBox::Yes);
        QVERIFY(!w.isVisible());
        const QList<QByteArray> lines = readText("config.txt").split('\n');
        QCOMPARE(lines.size(), 6); // five lines, each ended
        QCOMPARE(readText("config.txt"), kStation);
        Settings back;
        back.load("Config/p.ini");
        QCOMPARE(back.value("RadioBtnIndex"), QByteArray("2"));
        QCOMPARE(back.value("only_in_file"), QByteArray("1"));
    }

    void missingStationFile()
    {
        station::setBridgeIds({});
        makeStation("[General]\n", true, QByteArray());
        ModalAnswerer answerer;
        auto w = std::make_unique<Vorlane>();
        QTRY_COMPARE(answerer.boxes.size(), 2);
        QCOMPARE(answerer.boxes[0].title, QString("file error"));
        QCOMPARE(answerer.boxes[0].text, QString("can't find config.txt!!"));
        QCOMPARE(answerer.boxes[1].title, QString("error"));
        QCOMPARE(answerer.boxes[1].text, QString("load config file error!!"));
        QVERIFY(w->currentProfilePath().isEmpty());
        QVERIFY(station::bridgeIds().makerVid.isEmpty());
        answerer.thenBox(QMessageBox::Yes);
        w->close();
        // Created at exit with empty values.
        QCOMPARE(readText("config.txt"),
                 QByteArray("QuilexVID=\nQuilexPID=\nCustomerVID=\nCustomerPID=\nConfigPath=\n"));
    }

    void loadingAnotherProfileMergesAndResizes()
    {
        makeStation("[General]\nx_electrodes=20\ny_electrodes=12\nCount_thr=3\n");
        writeText("Config/b.ini", "[General]\nx_electrodes=4\n");
        Vorlane w;
        auto *table = w.findChild<QTableWidget *>();
        ModalAnswerer answerer;
        answerer.thenFile(cwd() + "/Config/b.ini");
        w.findChild<QPushButton *>("loadfileBtn")->click();
        QCOMPARE(answerer.fileDialogTitles, QStringList{"Open File"});
        QCOMPARE(w.currentProfilePath(), cwd() + "/Config/b.ini");
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_8")->text(), cwd() + "/Config/b.ini");
        QCOMPARE(w.settings()->value("Count_thr"), QByteArray("3"));
        QCOMPARE(table->columnCount(), 5);
        QCOMPARE(table->rowCount(), 13);

        // Cancel changes nothing.
        answerer.thenFile(QString());
        w.findChild<QPushButton *>("loadfileBtn")->click();
        QCOMPARE(w.currentProfilePath(), cwd() + "/Config/b.ini");

        // A broken section header: every key Qt makes out still counts.
        writeText("Config/c.ini", "[General\nx_electrodes=6\n");
        answerer.thenFile(cwd() + "/Config/c.ini");
        w.findChild<QPushButton *>("loadfileBtn")->click();
        QCOMPARE(table->columnCount(), 7);
        // One that cannot be read at all: c's values stay, under c's name.
        writeText("Config/d.ini", "[General]\nx_electrodes=9\n");
        QVERIFY(QFile::setPermissions("Config/d.ini", QFileDevice::WriteOwner));
        {
            FileModesBind modes;
            answerer.thenFile(cwd() + "/Config/d.ini");
            answerer.thenBox(QMessageBox::Ok);
            w.findChild<QPushButton *>("loadfileBtn")->click();
        }
        QCOMPARE(answerer.boxes.last().text, QString("load config file error!!"));
        QCOMPARE(w.currentProfilePath(), cwd() + "/Config/c.ini");
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_8")->text(), cwd() + "/Config/c.ini");
        QCOMPARE(w.settings()->value("x_electrodes"), QByteArray("6"));

        // A profile that has gone away: the error box, and the store and table stay.
        QFile::remove("Config/c.ini");
        w.loadProfile();
        QCOMPARE(answerer.boxes.last().text, QString("load config file error!!"));
        QCOMPARE(table->columnCount(), 7);
        QCOMPARE(answerer.pending(), 0);
    }

    void absentCountsGiveAOneCellTable()
    {
        makeStation("[General]\nx_electrodes=-5\n");
        Vorlane w;
        auto *table = w.findChild<QTableWidget *>();
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->columnCount(), 1);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
