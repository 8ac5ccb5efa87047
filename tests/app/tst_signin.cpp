#include "modalanswer.h"
#include "passworddialog.h"
#include "settings.h"
#include "signin.h"
#include "stationfixture.h"
#include "vorlane.h"

#include <QAction>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

class TestSignIn : public QObject
{
    Q_OBJECT

    static bool signedIn(Vorlane &w)
    {
        const bool in = w.findChild<QPushButton *>("dengluBtn")->isCheckable();
        // Every switched control follows the level.
        const bool consistent =
            w.findChild<QGroupBox *>("groupBox")->isEnabled() == in
            && w.findChild<QPushButton *>("pushButton_2")->isEnabled() == !in
            && w.findChild<QAction *>("actionDebugData_settings")->isEnabled() == in
            && w.findChild<QAction *>("actionReference_value_check")->isEnabled() == in
            && w.findChild<QAction *>("actionCalibrate")->isEnabled() == in
            && w.findChild<QRadioButton *>("radioButton_3")->isEnabled() == in
            && w.findChild<QPushButton *>("dengluBtn")->text() == (in ? "loginout" : "login");
        return consistent && in;
    }

    static void tryPassword(Vorlane &w, const QString &password)
    {
        w.findChild<QLineEdit *>("lineEdit_5")->setText(password);
        w.findChild<QPushButton *>("dengluBtn")->click();
    }

private slots:
    void passwords_data()
    {
        QTest::addColumn<QByteArray>("qvd");
        QTest::addColumn<QString>("entered");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("master") << QByteArray("MTIzNDU2") << "velox" << true;
        QTest::newRow("stored") << QByteArray("MTIzNDU2") << "123456" << true;
        QTest::newRow("wrong") << QByteArray("MTIzNDU2") << "12345" << false;
        QTest::newRow("case matters") << QByteArray("MTIzNDU2") << "VELOX" << false;
        QTest::newRow("no key: empty signs in") << QByteArray("0") << "" << true;
        QTest::newRow("no key: text does not") << QByteArray("0") << "0" << false;
        QTest::newRow("empty stored password") << QByteArray("") << "" << true;
    }
    void passwords()
    {
        QFETCH(QByteArray, qvd);
        QFETCH(QString, entered);
        QFETCH(bool, accepted);
        QCOMPARE(signin::accepts(entered, qvd), accepted);
    }

    void signInAndOut()
    {
        StationFixture station("[General]\nqvd=MTIzNDU2\nx_electrodes=30\ny_electrodes=20\n");
        Vorlane w;
        QVERIFY(!signedIn(w));
        tryPassword(w, "wrong");
        QVERIFY(!signedIn(w));
        QCOMPARE(w.findChild<QLineEdit *>("lineEdit_5")->text(), QString("wrong"));
        tryPassword(w, "123456");
        QVERIFY(signedIn(w));
        // Signing in also reads the panel's counts.
        QCOMPARE(w.findChild<QLineEdit *>("XNEdit")->text(), QString("30"));
        // Pressed again signs out, whatever the field holds.
        tryPassword(w, "nonsense");
        QVERIFY(!w.findChild<QPushButton *>("dengluBtn")->isCheckable());
        QVERIFY(!w.findChild<QGroupBox *>("groupBox")->isEnabled());
        QVERIFY(w.findChild<QPushButton *>("pushButton_2")->isEnabled());
    }

    void loadingAProfileSignedInOpensItsSettings()
    {
        StationFixture station("[General]\nqvd=MTIzNDU2\nx_electrodes=30\ny_electrodes=20\n");
        QFile other(station.path("Config/other.ini"));
        QVERIFY(other.open(QIODevice::WriteOnly));
        other.write("[General]\nx_res=640\n");
        other.close();
        Vorlane w;
        ModalAnswerer answerer;
        // Signed out: the profile loads, nothing more opens.
        answerer.thenFile(station.path("Config/other.ini"));
        w.On_loadfileBtnClicked();
        QCOMPARE(answerer.pending(), 0);
        tryPassword(w, "velox");
        QVERIFY(signedIn(w));
        QString opened;
        answerer.thenFile(station.path("Config/other.ini"));
        answerer.then([&](QWidget *dialog) {
            opened = dialog->metaObject()->className();
            static_cast<QDialog *>(dialog)->reject();
        });
        w.On_loadfileBtnClicked();
        QCOMPARE(opened, QString("SettingDlg"));
        // The log viewer from its menu entry.
        answerer.then([&](QWidget *dialog) {
            opened = dialog->metaObject()->className();
            static_cast<QDialog *>(dialog)->reject();
        });
        w.findChild<QAction *>("actionLog_Analysis")->trigger();
        QCOMPARE(opened, QString("LogAnalysisDialog"));
        QCOMPARE(answerer.pending(), 0);
    }

    void changingThePasswordNeedsTheMasterPassword()
    {
        StationFixture station("[General]\nqvd=MTIzNDU2\n");
        Settings store;
        store.load(station.path("Config/p.ini"));
        PasswordDialog dialog(&store, station.path("Config/p.ini"));
        auto *admin = dialog.findChild<QLineEdit *>("adminEdit");
        auto *fresh = dialog.findChild<QLineEdit *>("newEdit");
        // The field takes at most six digits (a leading minus included).
        QTest::keyClicks(fresh, "12ab34567");
        QCOMPARE(fresh->text(), QString("123456"));
        fresh->clear();
        QTest::keyClicks(fresh, "-42");
        QCOMPARE(fresh->text(), QString("-42"));

        ModalAnswerer answerer;
        answerer.thenBox(QMessageBox::Ok);
        admin->setText("123456"); // the stored password does not do here
        dialog.Set();
        QCOMPARE(answerer.boxes.value(0).text, QString("admin password is error!"));
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(store.value("qvd"), QByteArray("MTIzNDU2"));

        admin->setText("velox");
        fresh->setText("");
        dialog.Set();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(store.value("qvd"), QByteArray(""));
        Settings back;
        back.load(station.path("Config/p.ini"));
        QCOMPARE(back.value("qvd"), QByteArray(""));
        QVERIFY(signin::accepts("", back.value("qvd")));
    }
};

QTEST_MAIN(TestSignIn)
#include "tst_signin.moc"
