#include "rastertable.h"

#include "rasterbands.h"

#include <QTableWidget>

#include <algorithm>
#include <limits>

namespace rastertable {

QColor cellColour(int v)
{
    return production::rasterBandColour(v);
}

bool onEdgeBand(int row, int column, int xElectrodes, int yElectrodes)
{
    return row == 0 || row == 1 || row == yElectrodes - 1 || row == yElectrodes || column == 0 || column == 1
           || column == xElectrodes - 1 || column == xElectrodes;
}

int shownValue(int value, int kind, int row, int column, int xElectrodes, int yElectrodes, int ratio)
{
    if ((kind != 3 && kind != 4) || !onEdgeBand(row, column, xElectrodes, yElectrodes))
        return value;
    // Only 0 is taken as 1, as the result file takes it: a negative ratio
    // divides there, and the live table must show what will be filed. In 64
    // bits, as INT_MIN / -1 does not fit.
    const qint64 quotient = qint64(value) / (ratio == 0 ? 1 : ratio);
    return int(std::clamp<qint64>(quotient, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

QVector<int> parseRow(const QString &line, int columns)
{
    QVector<int> values(std::max(columns, 0), 0);
    const QStringList fields = line.mid(1).split(QLatin1Char(','));
    for (int c = 0; c < values.size() && c < fields.size(); ++c) {
        bool ok = false;
        const int v = fields[c].trimmed().toInt(&ok);
        values[c] = ok ? v : 0;
    }
    return values;
}

void resize(QTableWidget *table, int xElectrodes, int yElectrodes)
{
    const int columns = std::max(xElectrodes, 0) + 1;
    const int rows = std::max(yElectrodes, 0) + 1;
    table->setRowCount(rows);
    table->setColumnCount(columns);
    const int share = (table->width() - 2) / columns;
    const int columnWidth = share < 35 ? 35 : share;
    const int rowHeight = std::max((table->height() - 2) / rows, 1);
    for (int c = 0; c < columns; ++c)
        table->setColumnWidth(c, columnWidth);
    for (int r = 0; r < rows; ++r) {
        table->setRowHeight(r, rowHeight);
        for (int c = 0; c < columns; ++c)
            table->setItem(r, c, new QTableWidgetItem(QStringLiteral("123")));
    }
}

void fillRow(QTableWidget *table, const QString &line, int row, int kind, int xElectrodes, int yElectrodes,
             int ratio)
{
    if (row < 0 || row >= table->rowCount())
        return;
    const int columns = std::min(xElectrodes + 1, table->columnCount());
    const QVector<int> values = parseRow(line, columns);
    for (int c = 0; c < columns; ++c) {
        const int v = values[c];
        QTableWidgetItem *item = table->item(row, c);
        if (!item) {
            item = new QTableWidgetItem;
            table->setItem(row, c, item);
        }
        item->setText(QString::number(shownValue(v, kind, row, c, xElectrodes, yElectrodes, ratio)));
        item->setBackground(cellColour(v));
    }
}

} // namespace rastertable
