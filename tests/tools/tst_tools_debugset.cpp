// The debug row settings dialog: RowSetData opened as a table, edited and
// saved back into the store and the profile file.
#include "debugsetdialog.h"
#include "settings.h"

#include <QtTest>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

namespace {

QString cell(const QTableWidget *table, int row, int column)
{
    const QTableWidgetItem *item = table->item(row, column);
    return item ? item->text() : QStringLiteral("<none>");
}

QStringList row(const QTableWidget *table, int r)
{
    QStringList texts;
    for (int c = 0; c < table->columnCount(); ++c)
        texts << cell(table, r, c);
    return texts;
}

} // namespace

class TestToolsDebugSet : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString profilePath() const { return m_dir.filePath(QStringLiteral("p.ini")); }

    // Saves through the dialog's own button, as the administrator does.
    static void clickSave(DebugSetDialog &dialog)
    {
        auto *save = dialog.findChild<QPushButton *>();
        QVERIFY(save);
        QCOMPARE(save->text(), QStringLiteral("save"));
        QTest::mouseClick(save, Qt::LeftButton);
    }

    QByteArray savedRowSetData() const
    {
        Settings reread;
        reread.load(profilePath());
        return reread.value("RowSetData");
    }

private slots:
    void init() { QFile::remove(profilePath()); }

    void opensAsTable()
    {
        Settings store;
        store.set("RowSetData", "10,10,10/200,200,200/10,10/200,200");
        DebugSetDialog dialog(&store, profilePath());
        const QTableWidget *t = dialog.table();
        QCOMPARE(t->rowCount(), 6);
        QCOMPARE(t->columnCount(), 5);
        QVERIFY(t->horizontalHeader()->isHidden());
        QVERIFY(t->verticalHeader()->isHidden());
        QCOMPARE(row(t, 0), (QStringList{"XChannels", "X0", "X1", "X2", "<none>"}));
        QCOMPARE(row(t, 1), (QStringList{"Min", "10", "10", "10", "<none>"}));
        QCOMPARE(row(t, 2), (QStringList{"Max", "200", "200", "200", "<none>"}));
        QCOMPARE(row(t, 3), (QStringList{"YChannels", "Y0", "Y1", "<none>", "<none>"}));
        QCOMPARE(row(t, 4), (QStringList{"Min", "10", "10", "<none>", "<none>"}));
        QCOMPARE(row(t, 5), (QStringList{"Max", "200", "200", "<none>", "<none>"}));
        QCOMPARE(t->columnWidth(1), 50);
        QCOMPARE(t->columnWidth(3), 50);
    }

    void savesBack_data()
    {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<int>("columns");
        QTest::addColumn<int>("editRow");
        QTest::addColumn<int>("editColumn");
        QTest::addColumn<QString>("edit");
        QTest::addColumn<QByteArray>("saved");

        QTest::newRow("unchanged") << QByteArray("10,10,10/200,200,200/10,10/200,200") << 5 << -1 << -1
                                   << "" << QByteArray("10,10,10/200,200,200/10,10/200,200");
        QTest::newRow("no X channels") << QByteArray("//10/200") << 3 << -1 << -1 << ""
                                       << QByteArray("//10/200");
        QTest::newRow("one X maximum edited") << QByteArray("10,10,10/200,200,200/10,10/200,200") << 5
                                              << 2 << 2 << "180"
                                              << QByteArray("10,10,10/200,180,200/10,10/200,200");
        QTest::newRow("one Y minimum edited") << QByteArray("10,10,10/200,200,200/10,10/200,200") << 5
                                              << 4 << 2 << "x"
                                              << QByteArray("10,10,10/200,200,200/10,x/200,200");
        // Only Y0 has a cell; Y1 and Y2 keep their texts.
        QTest::newRow("more Y than X channels") << QByteArray("10/200/1,2,3/4,5,6") << 3 << 4 << 1 << "9"
                                                << QByteArray("10/200/9,2,3/4,5,6");
        QTest::newRow("a short X maximum part is kept short") << QByteArray("1,2,3/7/1/2") << 5 << -1 << -1
                                                              << "" << QByteArray("1,2,3/7/1/2");
        QTest::newRow("a new value in a short part") << QByteArray("1,2,3/7/1/2") << 5 << 2 << 3 << "9"
                                                     << QByteArray("1,2,3/7,,9/1/2");
    }
    void savesBack()
    {
        QFETCH(QByteArray, rows);
        QFETCH(int, columns);
        QFETCH(int, editRow);
        QFETCH(int, editColumn);
        QFETCH(QString, edit);
        QFETCH(QByteArray, saved);

        Settings store;
        store.set("RowSetData", rows);
        store.set("x_electrodes", "3");
        DebugSetDialog dialog(&store, profilePath());
        QCOMPARE(dialog.table()->columnCount(), columns);
        if (editRow >= 0) {
            QTableWidget *t = dialog.table();
            if (QTableWidgetItem *item = t->item(editRow, editColumn))
                item->setText(edit);
            else
                t->setItem(editRow, editColumn, new QTableWidgetItem(edit));
        }
        clickSave(dialog);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(store.value("RowSetData"), saved);
        // The whole store went to the profile file, the new rows included.
        QCOMPARE(savedRowSetData(), saved);
        Settings reread;
        reread.load(profilePath());
        QCOMPARE(reread.value("x_electrodes"), QByteArray("3"));
    }

    void withoutRowSetDataNothingIsStored_data()
    {
        QTest::addColumn<bool>("present");
        QTest::addColumn<QByteArray>("rows");
        QTest::newRow("absent") << false << QByteArray();
        QTest::newRow("three parts") << true << QByteArray("1/2/3");
    }
    void withoutRowSetDataNothingIsStored()
    {
        QFETCH(bool, present);
        QFETCH(QByteArray, rows);
        Settings store;
        if (present)
            store.set("RowSetData", rows);
        DebugSetDialog dialog(&store, profilePath());
        QCOMPARE(dialog.table()->rowCount(), 0);
        clickSave(dialog);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(store.value("RowSetData"), present ? rows : QByteArray("0"));
        QVERIFY(!QFile::exists(profilePath()));
    }
};

QTEST_MAIN(TestToolsDebugSet)
#include "tst_tools_debugset.moc"
