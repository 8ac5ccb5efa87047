#include "installpaths.h"
#include "singleinstance.h"
#include "testchannel.h"
#include "vorlane.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>

#include <memory>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestChannel::installIfRequested();

    QFile css(installpaths::styleSheet());
    if (css.open(QIODevice::ReadOnly)) {
        app.setStyleSheet(QString::fromLatin1(css.readAll()));
        css.close();
    }

    SingleInstanceGuard guard;
    if (!guard.acquire()) {
        QMessageBox::about(nullptr, QStringLiteral("warning"), QStringLiteral("gui is running !"));
        return 0;
    }

    auto window = std::make_unique<Vorlane>();
    window->show();
    TestChannel::note(QStringLiteral("window|shown"));
    const int result = app.exec();
    window.reset();
    return result;
}
