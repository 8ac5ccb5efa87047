#ifndef SETTINGDLG_H
#define SETTINGDLG_H

#include <QByteArray>
#include <QDialog>
#include <QString>

#include <functional>
#include <vector>

class HidCommand;
class QCheckBox;
class QLineEdit;
class QPushButton;
class Settings;

// The administrator's editor of the whole test profile: every key it shows is
// one check box or one line edit, named after its key. Nothing reaches the
// store before "Save"; "Save" then hands the file name question to the window.
class SettingDlg : public QDialog
{
    Q_OBJECT

public:
    enum class Kind { Check, Line };

    // One field of the form. The form is built from this table and saved back
    // through it, so a key cannot be shown and then forgotten on save.
    struct Field
    {
        const char *key;
        const char *group; // group box title
        const char *text;  // check box text or line edit label; none for qlxfile_path
        Kind kind;
    };
    static const std::vector<Field> &fields();

    // store and command are the window's and outlive the dialog; command may be
    // null (then "Read Panel" does nothing). saveProfileAs is the window's own
    // "save as", called by "Save" once the store holds the form.
    SettingDlg(Settings *store, HidCommand *command, std::function<void()> saveProfileAs,
               QWidget *parent = nullptr);

    QLineEdit *lineEdit(const QByteArray &key) const;
    QCheckBox *checkBox(const QByteArray &key) const;

    // "x,...(n-1 times)/..." rows of M0 limits for XN and YN electrodes.
    static QByteArray regeneratedRows(int xn, int yn, const QByteArray &min, const QByteArray &max);

public slots:
    void OnReadPanel();
    void OnPathDlg();
    void OnSave();

private:
    QString fieldText(const char *key) const;

    Settings *m_store = nullptr;
    HidCommand *m_command = nullptr;
    std::function<void()> m_saveProfileAs;
    QString m_openedXn;
    QString m_openedYn;
    QPushButton *m_readPanel = nullptr;
};

// What "Qlx Path" keeps of a chosen file: the part from its last "/QlxFiles"
// on, or nothing when the path has no such folder.
QString qlxPathPart(const QString &chosen);

#endif
