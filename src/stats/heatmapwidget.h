#ifndef HEATMAPWIDGET_H
#define HEATMAPWIDGET_H

#include <QColor>
#include <QVector>
#include <QWidget>

namespace stats {

// The colour of a cell that failed on `panels` panels where the worst cell
// failed on `most`: the raster table's bands, white for none, then the three
// red bands as the share of the worst grows. A dent that many panels share
// stands out as a block of the darkest red.
QColor failureColour(qint64 panels, qint64 most);

// One raster as a grid of cells, each coloured by how many panels failed there
// and labelled with the count where it fits.
class HeatMapWidget : public QWidget
{
public:
    explicit HeatMapWidget(QWidget *parent = nullptr);

    // rows x columns counts, row by row; a title above the grid.
    void setCounts(const QString &title, int rows, int columns, const QVector<qint64> &counts);
    qint64 count(int row, int column) const;
    qint64 most() const { return m_most; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    int m_rows = 0;
    int m_columns = 0;
    QVector<qint64> m_counts;
    qint64 m_most = 0;
};

} // namespace stats

#endif
