#include "testchannel.h"

#include <QAbstractButton>
#include <QPushButton>
#include <QCoreApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QTextBrowser>
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
    g_channel->write(QStringLiteral("pid|%1").arg(QCoreApplication::applicationPid()));
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

void TestChannel::watchPane(QTextBrowser *pane)
{
    if (m_pane == pane)
        return;
    m_pane = pane;
    m_paneText.clear();
    connect(pane, &QTextBrowser::textChanged, this, &TestChannel::paneChanged);
    // What the window wrote before it was shown (the start-up probe) counts too.
    paneChanged();
}

void TestChannel::paneChanged()
{
    if (!m_pane)
        return;
    const QString text = m_pane->toPlainText();
    QString added;
    if (text.startsWith(m_paneText)) {
        added = text.mid(m_paneText.size());
    } else {
        write(QStringLiteral("pane-reset"));
        added = text;
    }
    m_paneText = text;
    added.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    added.replace(QChar::LineSeparator, QLatin1Char('\n'));
    for (const QString &line : added.split(QLatin1Char('\n'))) {
        const QString trimmed = line.trimmed();
        if (!trimmed.isEmpty())
            write(QStringLiteral("pane|") + trimmed);
    }
}

bool TestChannel::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::Show && watched->objectName() == QLatin1String("VorlaneClass")) {
        if (auto *pane = watched->findChild<QTextBrowser *>(QStringLiteral("textBrowser")))
            watchPane(pane);
    }
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
