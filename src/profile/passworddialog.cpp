#include "passworddialog.h"

#include "settings.h"
#include "signin.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

PasswordDialog::PasswordDialog(Settings *store, const QString &profilePath, QWidget *parent)
    : QDialog(parent), m_store(store), m_profilePath(profilePath)
{
    setObjectName(QStringLiteral("passwordDialog"));
    setWindowTitle(QCoreApplication::translate("passwordDialog", "PasswordDialog"));
    auto *layout = new QGridLayout(this);
    m_admin = new QLineEdit;
    m_admin->setObjectName(QStringLiteral("adminEdit"));
    m_admin->setEchoMode(QLineEdit::Password);
    m_new = new QLineEdit;
    m_new->setObjectName(QStringLiteral("newEdit"));
    m_new->setEchoMode(QLineEdit::Password);
    m_new->setValidator(new QIntValidator(m_new));
    m_new->setMaxLength(6);
    auto *confirm = new QPushButton(QCoreApplication::translate("passwordDialog", "confirm"));
    layout->addWidget(new QLabel(QCoreApplication::translate("passwordDialog", "administrator password:")), 0, 0);
    layout->addWidget(m_admin, 0, 1);
    layout->addWidget(new QLabel(QCoreApplication::translate("passwordDialog", "new password:")), 1, 0);
    layout->addWidget(m_new, 1, 1);
    layout->addWidget(
        new QLabel(QCoreApplication::translate("passwordDialog", "new password must be number,and it's maxlength is 6.")),
        2, 0, 1, 2);
    layout->addWidget(confirm, 3, 1);
    connect(confirm, &QPushButton::clicked, this, &PasswordDialog::Set);
}

void PasswordDialog::Set()
{
    if (m_admin->text() != QLatin1String(signin::kMasterPassword)) {
        QMessageBox::about(nullptr, QStringLiteral("error"), tr("admin password is error!"));
        return;
    }
    m_store->set("qvd", signin::encodePassword(m_new->text()));
    m_store->save(m_profilePath);
    accept();
}
