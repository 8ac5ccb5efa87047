#include "testchannel.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

namespace {
TestChannel *g_channel = nullptr;
}

TestChannel::TestChannel(const QString &fileName, QObject *parent)
    : QObject(parent), m_file(fileName)
{
    m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered);
}

void TestChannel::installIfRequested()
{
    const QByteArray path = qgetenv("KAVEL_STATION_TEST_CHANNEL");
    if (path.isEmpty() || g_channel || !QCoreApplication::instance())
        return;
    g_channel = new TestChannel(QString::fromLocal8Bit(path), QCoreApplication::instance());
    QCoreApplication::instance()->installEventFilter(g_channel);
}

void TestChannel::note(const QString &line)
{
    if (g_channel)
        g_channel->write(line);
}

void TestChannel::write(const QString &line)
{
    if (!m_file.isOpen())
        return;
    QString flat = line;
    flat.replace(QLatin1Char('\n'), QLatin1String("\\n"));
    flat.replace(QLatin1Char('\r'), QLatin1String("\\r"));
    m_file.write(flat.toUtf8() + '\n');
}

bool TestChannel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show) {
        if (auto *box = qobject_cast<QMessageBox *>(watched)) {
            write(QStringLiteral("box|%1|%2").arg(box->windowTitle(), box->text()));
            QPointer<QMessageBox> guarded(box);
            QTimer::singleShot(0, this, [guarded] {
                if (!guarded)
                    return;
                QAbstractButton *answer = guarded->defaultButton();
                if (!answer && !guarded->buttons().isEmpty())
                    answer = guarded->buttons().constFirst();
                if (answer)
                    answer->click();
                else
                    guarded->reject();
            });
        }
    }
    return QObject::eventFilter(watched, event);
}
