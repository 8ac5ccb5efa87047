#include "testchannel.h"

#include "bridgereport.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>

namespace {
TestChannel *g_channel = nullptr;
}

TestChannel::TestChannel(const QString &fileName, QObject *parent)
    : QObject(parent), m_file(fileName)
{
    m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text | QIODevice::Unbuffered);
    m_input.setFileName(fileName + QStringLiteral(".in"));
    m_probe.setTimerType(Qt::PreciseTimer);
    m_probe.setInterval(ProbeIntervalMs);
    connect(&m_probe, &QTimer::timeout, this, &TestChannel::probe);
    m_sinceLastProbe.start();
    m_sinceLastTick.start();
    m_probe.start();
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

void TestChannel::probe()
{
    const qint64 gap = m_sinceLastProbe.restart();
    if (gap > StallReportMs)
        write(QStringLiteral("stall|%1").arg(gap));
    if (m_sinceLastTick.elapsed() >= 1000) {
        m_sinceLastTick.restart();
        write(QStringLiteral("tick|%1").arg(++m_ticks));
    }
    readCommands();
}

void TestChannel::readCommands()
{
    if (!m_input.isOpen()) {
        if (!m_input.exists() || !m_input.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            return;
    }
    m_pendingInput += m_input.readAll();
    for (;;) {
        const qsizetype end = m_pendingInput.indexOf('\n');
        if (end < 0)
            break;
        const QString command = QString::fromUtf8(m_pendingInput.left(end)).trimmed();
        m_pendingInput.remove(0, end + 1);
        if (command.isEmpty())
            continue;
        // Queued, so that a command that opens a modal window runs its loop
        // outside the probe, which keeps measuring meanwhile.
        QTimer::singleShot(0, this, [this, command] { execute(command); });
    }
}

QString TestChannel::refusal(QWidget *target) const
{
    if (!target)
        return QStringLiteral("no such control");
    if (!target->isEnabled())
        return QStringLiteral("disabled");
    if (!target->window()->isVisible())
        return QStringLiteral("not shown");
    QWidget *modal = QApplication::activeModalWidget();
    if (modal && modal != target->window() && !modal->isAncestorOf(target))
        return QStringLiteral("behind a modal window");
    return QString();
}

namespace {

QWidget *mainWindow()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (w->objectName() == QLatin1String("VorlaneClass"))
            return w;
    }
    return nullptr;
}

template <typename T>
T *findNamed(const QString &name)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *w : windows) {
        if (auto *hit = qobject_cast<T *>(w); hit && w->objectName() == name)
            return hit;
        if (T *hit = w->findChild<T *>(name))
            return hit;
    }
    return nullptr;
}

} // namespace

// The commands, one a line:
//   click|<button>        clicks the button
//   press|<button text>   clicks the button showing this text in the active modal
//                         window, else the main window
//   action|<menu action>  triggers the menu entry (enabled, main window not behind a modal)
//   key|<key>             presses and releases the key (QKeySequence text) in the
//                         active modal window, else the main window
//   text|<line edit>|<t>  types the text into the line edit, replacing what it held
//   close-modal           closes the active modal window, as its title bar's close button
//   close-window          closes the main window the same way (the station asks first)
//   query|<widget>        answers "state|<widget>|<usable 0/1>|<visible 0/1>"
void TestChannel::execute(const QString &command)
{
    // An operator's clicks and keys are held back while the GUI thread waits
    // for the board; so are the test's.
    if (device::bridge::guiThreadWaiting()) {
        QTimer::singleShot(ProbeIntervalMs, this, [this, command] { execute(command); });
        return;
    }
    const QStringList parts = command.split(QLatin1Char('|'));
    const QString verb = parts.value(0);
    QString why;
    if (verb == QLatin1String("click") && parts.size() == 2) {
        QAbstractButton *button = findNamed<QAbstractButton>(parts[1]);
        why = refusal(button);
        if (why.isEmpty()) {
            write(QStringLiteral("did|") + command);
            button->click();
            return;
        }
    } else if (verb == QLatin1String("press") && parts.size() == 2) {
        // A button found by the text it shows, in the window the operator works in.
        QWidget *window = QApplication::activeModalWidget();
        if (!window)
            window = mainWindow();
        QAbstractButton *button = nullptr;
        if (window) {
            const QList<QAbstractButton *> buttons = window->findChildren<QAbstractButton *>();
            for (QAbstractButton *candidate : buttons) {
                if (candidate->text().remove(QLatin1Char('&')) == parts[1] && candidate->isVisible()) {
                    button = candidate;
                    break;
                }
            }
        }
        why = refusal(button);
        if (why.isEmpty()) {
            write(QStringLiteral("did|") + command);
            button->click();
            return;
        }
    } else if (verb == QLatin1String("action") && parts.size() == 2) {
        QWidget *window = mainWindow();
        QAction *action = window ? window->findChild<QAction *>(parts[1]) : nullptr;
        why = !action ? QStringLiteral("no such action")
              : !action->isEnabled() ? QStringLiteral("disabled")
                                     : refusal(window);
        if (why.isEmpty()) {
            write(QStringLiteral("did|") + command);
            action->trigger();
            return;
        }
    } else if (verb == QLatin1String("key") && parts.size() == 2) {
        const QKeySequence sequence = QKeySequence::fromString(parts[1]);
        QWidget *target = QApplication::activeModalWidget();
        if (!target)
            target = mainWindow();
        if (sequence.isEmpty() || !target) {
            why = QStringLiteral("no key or no window");
        } else {
            write(QStringLiteral("did|") + command);
            const QKeyCombination key = sequence[0];
            QKeyEvent press(QEvent::KeyPress, key.key(), key.keyboardModifiers(), parts[1]);
            QApplication::sendEvent(target, &press);
            QKeyEvent release(QEvent::KeyRelease, key.key(), key.keyboardModifiers(), parts[1]);
            QApplication::sendEvent(target, &release);
            return;
        }
    } else if (verb == QLatin1String("text") && parts.size() == 3) {
        QLineEdit *edit = findNamed<QLineEdit>(parts[1]);
        why = refusal(edit);
        if (why.isEmpty()) {
            edit->setText(parts[2]);
            write(QStringLiteral("did|") + command);
            return;
        }
    } else if (verb == QLatin1String("query") && parts.size() == 2) {
        // Not an operator's act: reads whether the control is there and usable.
        QWidget *widget = findNamed<QWidget>(parts[1]);
        if (widget) {
            write(QStringLiteral("state|%1|%2|%3")
                      .arg(parts[1])
                      .arg(refusal(widget).isEmpty() ? 1 : 0)
                      .arg(widget->isVisible() ? 1 : 0));
            return;
        }
        why = QStringLiteral("no such control");
    } else if (verb == QLatin1String("close-window") && parts.size() == 1) {
        QWidget *window = mainWindow();
        why = refusal(window);
        if (why.isEmpty()) {
            write(QStringLiteral("did|") + command);
            window->close();
            return;
        }
    } else if (verb == QLatin1String("close-modal") && parts.size() == 1) {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            write(QStringLiteral("did|") + command);
            modal->close();
            return;
        }
        why = QStringLiteral("no modal window");
    } else {
        why = QStringLiteral("unknown command");
    }
    write(QStringLiteral("refused|%1|%2").arg(command, why));
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
    if ((event->type() == QEvent::Show || event->type() == QEvent::Hide) && watched->isWidgetType()) {
        auto *widget = static_cast<QWidget *>(watched);
        if (widget->isWindow() && !qobject_cast<QMessageBox *>(widget)
            && widget->objectName() != QLatin1String("VorlaneClass"))
            write(QStringLiteral("%1|%2|%3")
                      .arg(event->type() == QEvent::Show ? QStringLiteral("shown") : QStringLiteral("hidden"),
                           QString::fromLatin1(widget->metaObject()->className()), widget->windowTitle()));
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
