#ifndef RASTERTABLE_H
#define RASTERTABLE_H

#include <QColor>
#include <QString>
#include <QVector>

class QTableWidget;

// The live raster table: one cell per electrode crossing, coloured by value.
namespace rastertable {

// Background of a cell, chosen from its undivided value.
QColor cellColour(int value);

// True for the two outermost rows and columns on each side, where raster values
// run higher and are shown divided by the profile's edge ratio.
bool onEdgeBand(int row, int column, int xElectrodes, int yElectrodes);

// The value a cell shows: divided by the edge ratio on the edge band of the
// raster X and Y modes (kinds 3 and 4), as it came otherwise. A ratio of 0 or
// below is taken as 1.
int shownValue(int value, int kind, int row, int column, int xElectrodes, int yElectrodes, int ratio);

// The values of a raster row text: its first character dropped, then one
// comma-separated field per column (the last field runs to the end); missing
// and non-numeric fields read 0.
QVector<int> parseRow(const QString &line, int columns);

// Rows = yElectrodes + 1, columns = xElectrodes + 1, sized to share the window,
// every cell holding "123" until data arrives.
void resize(QTableWidget *table, int xElectrodes, int yElectrodes);

// Fills one row; a row outside the table changes nothing.
void fillRow(QTableWidget *table, const QString &line, int row, int kind, int xElectrodes, int yElectrodes,
             int ratio);

} // namespace rastertable

#endif
