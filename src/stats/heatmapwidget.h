#ifndef HEATMAPWIDGET_H
#define HEATMAPWIDGET_H

#include <QColor>
#include <QVector>
#include <QWidget>

#include <vector>

namespace stats {

// The colour of a cell that failed on `panels` panels where the worst cell
// failed on `most`: the raster table's bands, white for none, then the three
// red bands as the share of the worst grows. A dent that many panels share
// stands out as a block of the darkest red.
QColor failureColour(qint64 panels, qint64 most);

// The counts each colour of failureColour() stands for, lightest first: white
// for 0, then each red band that holds a count (a band below one count is
// left out).
struct ScaleBand
{
    QColor colour;
    qint64 low = 0;
    qint64 high = 0;
};
std::vector<ScaleBand> failureScale(qint64 most);

// One raster as a grid of cells, each coloured by how many runs failed there
// and labelled with the count (or its share of the runs) where it fits; rows
// and columns numbered as the result file numbers them (from 0), the colour
// scale beneath.
class HeatMapWidget : public QWidget
{
    Q_OBJECT

public:
    explicit HeatMapWidget(QWidget *parent = nullptr);

    // rows x columns counts, row by row; a title above the grid. runs: the
    // runs the counts are of; share: labels and scale in percent of them.
    void setCounts(const QString &title, int rows, int columns, const QVector<qint64> &counts, qint64 runs = 0,
                   bool share = false);
    qint64 count(int row, int column) const;
    qint64 most() const { return m_most; }
    // A cell's label as drawn ("12", "3.4"); empty for none.
    QString label(int row, int column) const;
    // The scale beneath the grid, as drawn: "0", "1–27", ...
    QStringList scaleTexts() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString amount(qint64 n) const;

    QString m_title;
    int m_rows = 0;
    int m_columns = 0;
    QVector<qint64> m_counts;
    qint64 m_most = 0;
    qint64 m_runs = 0;
    bool m_share = false;
};

} // namespace stats

#endif
