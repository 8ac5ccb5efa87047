#ifndef LOGANALYSISDIALOG_H
#define LOGANALYSISDIALOG_H

#include "logresult.h"

#include <QDialog>
#include <QString>

class LogRasterScene;
class QButtonGroup;
class QGraphicsView;
class QRadioButton;
class QTextEdit;
class QTreeWidget;
class QTreeWidgetItem;
class Settings;

// Browses the stored result files of the PASS and FAIL folders, shows one as
// text and draws its measurements. Reads only; never writes a file.
class LogAnalysisDialog : public QDialog
{
    Q_OBJECT

public:
    // store is the window's and outlives the dialog. The dialog opens maximized.
    explicit LogAnalysisDialog(Settings *store, QWidget *parent = nullptr);

    QTreeWidget *tree() const { return m_tree; }
    QTextEdit *text() const { return m_text; }
    QRadioButton *radio(int chart) const;
    QGraphicsView *view() const { return m_view; }
    LogRasterScene *scene() const { return m_scene; }
    const LogData &data() const { return m_data; }

    // Shows a result file found elsewhere (the results store names it): its
    // name under its folder in the tree, the text given and its charts. The
    // text is the store's, so a file filed on another station shows too.
    void showResult(const QString &path, const QByteArray &content);

public slots:
    void TreeItemClicked(QTreeWidgetItem *item, int column);
    void RadioButtonClicked(int number);

protected:
    void showEvent(QShowEvent *event) override;

private:
    void addFolder(const QString &folder);
    void showContent(const QByteArray &content);
    void draw();

    Settings *m_store = nullptr;
    LogData m_data;
    QTreeWidget *m_tree = nullptr;
    QTextEdit *m_text = nullptr;
    QButtonGroup *m_charts = nullptr;
    QGraphicsView *m_view = nullptr;
    LogRasterScene *m_scene = nullptr;
    bool m_sized = false;
    bool m_drawn = false; // a file was read and drawn
};

#endif
