#ifndef DEBUGSETDIALOG_H
#define DEBUGSETDIALOG_H

#include <QDialog>
#include <QString>
#include <QStringList>

class QTableWidget;
class Settings;

// Lets the administrator adjust the M0 limits of single electrodes: the
// profile's RowSetData ("xmin,.../xmax,.../ymin,.../ymax,...") as a table with
// one column per channel, X channels in rows 0 to 2, Y channels in rows 3 to 5.
// "save" writes the table back into the store and the profile file.
class DebugSetDialog : public QDialog
{
    Q_OBJECT

public:
    // store and profilePath are the window's; the dialog does not own them.
    DebugSetDialog(Settings *store, const QString &profilePath, QWidget *parent = nullptr);

    QTableWidget *table() const { return m_table; }

public slots:
    // Builds RowSetData from the table, stores it, saves the profile, accepts.
    void Set();

private:
    void fillTable();
    QStringList partFromRow(int row, const QStringList &before, int cells) const;
    int yCells() const;

    Settings *m_store = nullptr;
    QString m_profilePath;
    bool m_haveRows = false; // RowSetData had four parts
    QStringList m_xMin, m_xMax, m_yMin, m_yMax;
    int m_nx = 0; // X channels + 1
    int m_ny = 0; // Y channels + 1
    QTableWidget *m_table = nullptr;
};

#endif
