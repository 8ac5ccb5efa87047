#include "loganalysisdialog.h"

#include "lograsterscene.h"
#include "resultfile.h"
#include "settings.h"
#include "values.h"

#include <QButtonGroup>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGraphicsView>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMessageBox>
#include <QRadioButton>
#include <QTextEdit>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

// The profile's log folder for the verdict, or the results folder beside the
// application when the profile names none that exists.
QString resultFolder(const Settings &store, const char *verdict)
{
    const QString configured = production::logFolder(store, QString::fromLatin1(verdict));
    if (!configured.isEmpty() && QFileInfo::exists(configured))
        return configured;
    return QCoreApplication::applicationDirPath() + QStringLiteral("/results") + QLatin1String(verdict);
}

} // namespace

LogAnalysisDialog::LogAnalysisDialog(Settings *store, QWidget *parent)
    : QDialog(parent), m_store(store)
{
    setWindowTitle(tr("Dialog"));

    auto *fileGroup = new QGroupBox(tr("选择文件"), this);
    m_tree = new QTreeWidget(fileGroup);
    m_tree->setColumnCount(1);
    m_tree->setHeaderHidden(true);
    m_tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    (new QVBoxLayout(fileGroup))->addWidget(m_tree);

    auto *textGroup = new QGroupBox(tr("日志信息"), this);
    m_text = new QTextEdit(textGroup);
    m_text->setReadOnly(true);
    (new QVBoxLayout(textGroup))->addWidget(m_text);

    auto *chartGroup = new QGroupBox(tr("功能选择"), this);
    auto *chartLayout = new QHBoxLayout(chartGroup);
    m_charts = new QButtonGroup(this);
    const char *const names[] = {QT_TR_NOOP("OpenShort 测试"), QT_TR_NOOP("平整度测试_Y驱动"),
                                 QT_TR_NOOP("平整度测试_X驱动"), QT_TR_NOOP("Button Data")};
    for (int number = 0; number < 4; ++number) {
        auto *button = new QRadioButton(tr(names[number]), chartGroup);
        button->setEnabled(false);
        m_charts->addButton(button, number);
        chartLayout->addWidget(button);
    }
    m_charts->button(LogRasterScene::OpenShort)->setChecked(true);

    m_view = new QGraphicsView(this);
    m_view->setStyleSheet(QStringLiteral("padding:0px;border:0px"));
    m_scene = new LogRasterScene(m_view->size(), this);
    m_view->setScene(m_scene);

    auto *left = new QVBoxLayout;
    left->addWidget(fileGroup, 1);
    left->addWidget(textGroup, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(chartGroup);
    right->addWidget(m_view, 1);
    auto *top = new QHBoxLayout(this);
    top->addLayout(left, 1);
    top->addLayout(right, 3);

    addFolder(resultFolder(*m_store, "PASS"));
    addFolder(resultFolder(*m_store, "FAIL"));

    connect(m_tree, &QTreeWidget::itemClicked, this, &LogAnalysisDialog::TreeItemClicked);
    connect(m_charts, &QButtonGroup::idClicked, this, &LogAnalysisDialog::RadioButtonClicked);
    setWindowState(windowState() | Qt::WindowMaximized);
}

QRadioButton *LogAnalysisDialog::radio(int chart) const
{
    return qobject_cast<QRadioButton *>(m_charts->button(chart));
}

void LogAnalysisDialog::addFolder(const QString &folder)
{
    auto *top = new QTreeWidgetItem(m_tree, QStringList{folder});
    QDir dir(folder);
    dir.setFilter(QDir::Files | QDir::Hidden | QDir::NoSymLinks);
    for (const QString &name : dir.entryList())
        new QTreeWidgetItem(top, QStringList{name});
    top->setExpanded(true);
}

void LogAnalysisDialog::showResult(const QString &path, const QByteArray &content)
{
    const QFileInfo file(path);
    QTreeWidgetItem *folder = nullptr;
    for (int i = 0; !folder && i < m_tree->topLevelItemCount(); ++i) {
        if (QFileInfo(m_tree->topLevelItem(i)->text(0)) == QFileInfo(file.path()))
            folder = m_tree->topLevelItem(i);
    }
    if (!folder) {
        folder = new QTreeWidgetItem(m_tree, QStringList{file.path()});
        folder->setExpanded(true);
    }
    QTreeWidgetItem *item = nullptr;
    for (int i = 0; !item && i < folder->childCount(); ++i) {
        if (folder->child(i)->text(0) == file.fileName())
            item = folder->child(i);
    }
    if (!item)
        item = new QTreeWidgetItem(folder, QStringList{file.fileName()});
    m_tree->setCurrentItem(item);
    m_tree->scrollToItem(item);
    for (QAbstractButton *button : m_charts->buttons())
        button->setEnabled(true);
    showContent(content);
}

void LogAnalysisDialog::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // The view has its real size only once the maximized dialog is laid out;
    // the charts are drawn to that size. A result handed over before the
    // dialog was shown (from the statistics) was drawn to the unshown view's
    // default size, a speck: it is drawn again.
    if (!m_sized) {
        m_sized = true;
        m_scene->setSceneRect(QRectF(QPointF(0, 0), m_view->viewport()->size()));
        if (m_drawn)
            draw();
    }
}

void LogAnalysisDialog::TreeItemClicked(QTreeWidgetItem *item, int)
{
    if (!item || !item->parent())
        return;
    for (QAbstractButton *button : m_charts->buttons())
        button->setEnabled(true);

    // Read-only: the viewer must never create or alter a result file.
    QFile file(item->parent()->text(0) + QLatin1Char('/') + item->text(0));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QByteArray content = file.readAll();
    file.close();
    showContent(content);
}

void LogAnalysisDialog::showContent(const QByteArray &content)
{
    m_text->setPlainText(QString::fromLocal8Bit(content));

    if (!readResultText(content, m_data)) {
        QMessageBox::about(this, QStringLiteral("error"), QStringLiteral("csv format error!!!"));
        return;
    }
    m_charts->button(LogRasterScene::OpenShort)->setChecked(true);
    m_scene->setChart(LogRasterScene::OpenShort);
    draw();
    m_drawn = true;
}

void LogAnalysisDialog::RadioButtonClicked(int number)
{
    m_scene->setChart(number);
    draw();
}

void LogAnalysisDialog::draw()
{
    switch (m_scene->chart()) {
    case LogRasterScene::OpenShort:
        m_scene->drawOpenShort(m_data, profile::toInt(m_store->value("M0_thr_min")),
                               profile::toInt(m_store->value("M0_thr_max")));
        break;
    case LogRasterScene::RasterX:
        m_scene->drawRaster(m_data, 0);
        break;
    case LogRasterScene::RasterY:
        m_scene->drawRaster(m_data, qsizetype(m_data.yn) + 1);
        break;
    case LogRasterScene::Buttons:
        m_scene->drawButtons(m_data.buttons, profile::toInt(m_store->value("Btn_Min")),
                             profile::toInt(m_store->value("Btn_Max")));
        break;
    default:
        break;
    }
}
