#ifndef MODALANSWER_H
#define MODALANSWER_H

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QTimer>

#include <functional>

// Answers the modal dialogs a call is about to open, the way an operator would:
// each handler gets the next modal widget that shows up. Boxes seen are recorded.
class ModalAnswerer : public QObject
{
public:
    struct Box
    {
        QString title;
        QString text;
    };

    using Handler = std::function<void(QWidget *)>;

    explicit ModalAnswerer(QObject *parent = nullptr) : QObject(parent)
    {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, &ModalAnswerer::poll);
        m_timer.start();
    }

    void then(Handler handler) { m_handlers.push_back(std::move(handler)); }

    void thenBox(QMessageBox::StandardButton button)
    {
        then([button](QWidget *w) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box)
                return;
            if (QAbstractButton *b = box->button(button))
                b->click();
            else
                box->reject();
        });
    }

    void thenFile(const QString &fileName)
    {
        then([fileName](QWidget *w) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog)
                return;
            if (fileName.isEmpty()) {
                dialog->reject();
            } else {
                // Typed into the name field, as a person would; selectFile() ignores
                // a name that does not exist yet.
                if (auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                    edit->setText(fileName);
                else
                    dialog->selectFile(fileName);
                static_cast<QDialog *>(dialog)->accept();
            }
        });
    }

    QList<Box> boxes;
    QList<QString> fileDialogTitles;
    int pending() const { return int(m_handlers.size()); }

private:
    void poll()
    {
        QWidget *w = QApplication::activeModalWidget();
        if (!w || w == m_last)
            return;
        m_last = w;
        if (auto *box = qobject_cast<QMessageBox *>(w))
            boxes.push_back({box->windowTitle(), box->text()});
        if (auto *dialog = qobject_cast<QFileDialog *>(w))
            fileDialogTitles.push_back(dialog->windowTitle());
        if (m_handlers.empty()) {
            // Nobody expected this one: close it so the test fails on its checks, not by hanging.
            if (auto *d = qobject_cast<QDialog *>(w))
                QTimer::singleShot(0, d, &QDialog::reject);
            return;
        }
        Handler handler = m_handlers.front();
        m_handlers.erase(m_handlers.begin());
        QPointer<QWidget> guarded(w);
        QTimer::singleShot(0, this, [handler, guarded] {
            if (guarded)
                handler(guarded);
        });
    }

    QTimer m_timer;
    QPointer<QWidget> m_last;
    std::vector<Handler> m_handlers;
};

#endif
