#ifndef BORDERWIDGET_H
#define BORDERWIDGET_H

#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <optional>
#include <vector>

class QCloseEvent;
class QGroupBox;
class QLabel;
class QTableWidget;

// The grid of the border drawing test, in area pixels. Plain arithmetic, kept
// apart from the widget so that every size can be checked directly.
namespace border {

// The drawing area the panel is mapped onto.
inline constexpr int AreaWidth = 883;
inline constexpr int AreaHeight = 683;

struct Cell
{
    int row = 0;
    int column = 0;
    bool operator==(const Cell &o) const { return row == o.row && column == o.column; }
};

// A ring of cells along the edge of the area: row 0, the last row, column 0
// and the last column. Column 1 takes the remainder of the width and the last
// row the remainder of the height; a cell size that divides the area exactly
// is made one larger, so that neither remainder is empty. Everything between
// the ring cells (rows 1 .. interiorRows, columns 1 .. interiorColumns) is one
// joined interior cell.
struct Grid
{
    int cellWidth = 1;
    int cellHeight = 1;
    int rows = 1;
    int columns = 1;
    int interiorRows = 0;
    int interiorColumns = 0;
    std::vector<int> columnWidths;
    std::vector<int> rowHeights;

    bool isRing(int row, int column) const
    {
        return row == 0 || row == rows - 1 || column == 0 || column == columns - 1;
    }
};

// width and height are the profile's cell size; sizes below 1 are taken as 1
// (the profile reads an absent key as 0, and a cell of 0 pixels has no grid).
Grid makeGrid(int width, int height, int areaWidth = AreaWidth, int areaHeight = AreaHeight);

// The cell under the area point (x, y). None when the point lies strictly
// inside the ring (the interior takes no touches) or outside the area.
std::optional<Cell> cellAt(const Grid &grid, int x, int y, int areaWidth = AreaWidth,
                           int areaHeight = AreaHeight);

// A touch record of the normal stream ("1,<id>,<x>,<y>,..." while one finger is
// down) scaled from panel resolution to the area, or none when the record
// carries no touch, its numbers cannot be read, a resolution is not positive,
// or the point lies on the area's outermost pixels (x' or y' of 2 or less) or past it.
std::optional<QPoint> scaledTouch(const QString &record, int xRes, int yRes);

} // namespace border

// The border drawing test: a ring of blue cells along the edge of the area;
// every ring cell the operator's finger passes turns white, and the test
// passes when the whole ring is white before the countdown ends.
//
// The window creates it once. For each test: showMaximized(), setup(), place(),
// start(); then touch() for each scaled touch point while resultIsFail() is
// false. The result leaves through getResultSignal() once per start(): 1 when
// the ring was complete, 0 at the time-out or when the operator closes it.
class BorderWidget : public QWidget
{
    Q_OBJECT

public:
    explicit BorderWidget(QWidget *parent = nullptr);

    // Builds the grid, all blue with a gray interior, and shows the seconds.
    void setup(int seconds, int cellWidth, int cellHeight);
    // Sizes the table to the area plus its frame and centres it on the screen.
    void place();
    // Colours the ring blue and starts the countdown.
    void start();
    // Marks the ring cell under the area point (x, y) as touched.
    void touch(int x, int y);

    const border::Grid &grid() const { return m_grid; }
    bool isTouched(int row, int column) const;
    bool ringComplete() const;
    // Ring cells not touched yet.
    int cellsLeft() const;
    int secondsLeft() const { return m_secondsLeft; }
    QString labelText() const;
    // The window stops forwarding touches once the test has failed.
    bool resultIsFail() const;
    bool isCounting() const { return m_timer.isActive(); }

public slots:
    // One tick of the countdown: judge the ring, then count.
    void updateLabel();

signals:
    void getResultSignal(int result);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void finish(int result);
    void paint(int row, int column, Qt::GlobalColor colour);

    QTableWidget *m_table = nullptr;
    QGroupBox *m_group = nullptr;
    QLabel *m_label = nullptr;
    QTimer m_timer;
    border::Grid m_grid;
    int m_secondsLeft = 0;
    bool m_resultPending = false;
};

#endif
