#ifndef PASSWORDDIALOG_H
#define PASSWORDDIALOG_H

#include <QDialog>
#include <QString>

class QLineEdit;
class Settings;

// Changes the administrator password kept in the profile; only someone who
// knows the master password may.
class PasswordDialog : public QDialog
{
    Q_OBJECT
public:
    PasswordDialog(Settings *store, const QString &profilePath, QWidget *parent = nullptr);

public slots:
    void Set();

private:
    Settings *m_store;
    QString m_profilePath;
    QLineEdit *m_admin = nullptr;
    QLineEdit *m_new = nullptr;
};

#endif
