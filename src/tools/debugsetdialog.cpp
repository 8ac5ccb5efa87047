#include "debugsetdialog.h"

#include "settings.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {

constexpr int Rows = 6;
constexpr int ColumnWidth = 50;

enum Row { XLabels = 0, XMin = 1, XMax = 2, YLabels = 3, YMin = 4, YMax = 5 };

void setCell(QTableWidget *table, int row, int column, const QString &text)
{
    table->setItem(row, column, new QTableWidgetItem(text));
}

QString entry(const QStringList &list, int index)
{
    return index < list.size() ? list.at(index) : QString();
}

} // namespace

DebugSetDialog::DebugSetDialog(Settings *store, const QString &profilePath, QWidget *parent)
    : QDialog(parent), m_store(store), m_profilePath(profilePath)
{
    setWindowTitle(tr("Dialog"));
    auto *group = new QGroupBox(tr("Row Data"), this);
    m_table = new QTableWidget(group);
    m_table->setObjectName(QStringLiteral("tableWidget"));
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    auto *groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(m_table);

    auto *save = new QPushButton(tr("save"), this);
    save->setObjectName(QStringLiteral("pushButton"));
    connect(save, &QPushButton::clicked, this, &DebugSetDialog::Set);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(save, 0, Qt::AlignRight);
    resize(800, 300);

    fillTable();
}

int DebugSetDialog::yCells() const
{
    // The table has a column per X channel; Y channels beyond them get no cell.
    return std::min(m_ny - 1, m_nx);
}

void DebugSetDialog::fillTable()
{
    if (!m_store)
        return;
    const QStringList parts = QString::fromLocal8Bit(m_store->value("RowSetData")).split(QLatin1Char('/'));
    if (parts.size() != 4)
        return;
    m_haveRows = true;
    m_xMin = parts[0].split(QLatin1Char(','));
    m_xMax = parts[1].split(QLatin1Char(','));
    m_yMin = parts[2].split(QLatin1Char(','));
    m_yMax = parts[3].split(QLatin1Char(','));
    m_nx = int(m_xMin.size()) + 1;
    m_ny = int(m_yMin.size()) + 1;

    m_table->setRowCount(Rows);
    m_table->setColumnCount(m_nx + 1);
    setCell(m_table, XLabels, 0, QStringLiteral("XChannels"));
    setCell(m_table, XMin, 0, QStringLiteral("Min"));
    setCell(m_table, XMax, 0, QStringLiteral("Max"));
    setCell(m_table, YLabels, 0, QStringLiteral("YChannels"));
    setCell(m_table, YMin, 0, QStringLiteral("Min"));
    setCell(m_table, YMax, 0, QStringLiteral("Max"));
    // A part shorter than the X minimums leaves its cells empty.
    for (int c = 1; c < m_nx; ++c) {
        setCell(m_table, XLabels, c, QStringLiteral("X%1").arg(c - 1));
        setCell(m_table, XMin, c, entry(m_xMin, c - 1));
        setCell(m_table, XMax, c, entry(m_xMax, c - 1));
        m_table->setColumnWidth(c, ColumnWidth);
    }
    for (int c = 1; c <= yCells(); ++c) {
        setCell(m_table, YLabels, c, QStringLiteral("Y%1").arg(c - 1));
        setCell(m_table, YMin, c, entry(m_yMin, c - 1));
        setCell(m_table, YMax, c, entry(m_yMax, c - 1));
        m_table->setColumnWidth(c, ColumnWidth);
    }
}

QStringList DebugSetDialog::partFromRow(int row, const QStringList &before, int cells) const
{
    // Channels with a cell take the cell's text as it stands; channels without
    // one keep the text they had, so a save never drops limits it did not show.
    QStringList part;
    const int channels = std::max(int(before.size()), cells);
    for (int j = 0; j < channels; ++j) {
        const QTableWidgetItem *item = j < cells ? m_table->item(row, j + 1) : nullptr;
        part << (item ? item->text() : entry(before, j));
    }
    // Cells shown only to line up with the X minimums, and left empty, add nothing.
    while (part.size() > before.size() && part.last().isEmpty())
        part.removeLast();
    return part;
}

void DebugSetDialog::Set()
{
    if (m_haveRows && m_store) {
        const QString text = partFromRow(XMin, m_xMin, m_nx - 1).join(QLatin1Char(',')) + QLatin1Char('/')
                             + partFromRow(XMax, m_xMax, m_nx - 1).join(QLatin1Char(',')) + QLatin1Char('/')
                             + partFromRow(YMin, m_yMin, yCells()).join(QLatin1Char(',')) + QLatin1Char('/')
                             + partFromRow(YMax, m_yMax, yCells()).join(QLatin1Char(','));
        m_store->set("RowSetData", text.toLocal8Bit());
        m_store->save(m_profilePath);
    }
    accept();
}
