#include "borderwidget.h"

#include <QCloseEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QScreen>
#include <QStringList>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace border {

Grid makeGrid(int width, int height, int areaWidth, int areaHeight)
{
    Grid g;
    g.cellWidth = std::max(width, 1);
    g.cellHeight = std::max(height, 1);
    if (areaHeight % g.cellHeight == 0)
        ++g.cellHeight;
    if (areaWidth % g.cellWidth == 0)
        ++g.cellWidth;

    const int across = areaWidth / g.cellWidth;
    const int down = areaHeight / g.cellHeight;
    g.columns = across + 1;
    g.rows = down + 1;
    g.interiorColumns = std::max(across - 1, 0);
    g.interiorRows = std::max(down - 1, 0);

    g.columnWidths.assign(g.columns, g.cellWidth);
    if (g.columns > 1)
        g.columnWidths[1] = areaWidth % g.cellWidth;
    g.rowHeights.assign(g.rows, g.cellHeight);
    g.rowHeights[down] = areaHeight % g.cellHeight;
    return g;
}

std::optional<Cell> cellAt(const Grid &grid, int x, int y, int areaWidth, int areaHeight)
{
    if (x < 0 || y < 0 || x >= areaWidth || y >= areaHeight)
        return std::nullopt;
    const int cw = grid.cellWidth;
    const int ch = grid.cellHeight;
    if (cw < x && x < areaWidth - cw && ch < y && y < areaHeight - ch)
        return std::nullopt;

    const auto firstExceeding = [](const std::vector<int> &sizes, int at) -> std::optional<int> {
        int end = 0;
        for (std::size_t i = 0; i < sizes.size(); ++i) {
            end += sizes[i];
            if (end > at)
                return int(i);
        }
        return std::nullopt;
    };
    const auto column = firstExceeding(grid.columnWidths, x);
    const auto row = firstExceeding(grid.rowHeights, y);
    if (!column || !row)
        return std::nullopt;
    return Cell{*row, *column};
}

std::optional<QPoint> scaledTouch(const QString &record, int xRes, int yRes)
{
    if (!record.startsWith(QLatin1Char('1')) || xRes <= 0 || yRes <= 0)
        return std::nullopt;
    const QStringList fields = record.mid(4).split(QLatin1Char(','));
    if (fields.size() < 3) // x, y and what follows y's comma
        return std::nullopt;
    bool xOk = false;
    bool yOk = false;
    const qint64 x = fields.at(0).toInt(&xOk);
    const qint64 y = fields.at(1).toInt(&yOk);
    if (!xOk || !yOk)
        return std::nullopt;
    // 64-bit, so that no int the text can carry overflows the product.
    const qint64 sx = x * AreaWidth / xRes;
    const qint64 sy = y * AreaHeight / yRes;
    // Past the area there is no cell to mark either.
    if (sx <= 2 || sy <= 2 || sx >= AreaWidth || sy >= AreaHeight)
        return std::nullopt;
    return QPoint(int(sx), int(sy));
}

} // namespace border

namespace {
const QString LabelStyle = QStringLiteral("color:red;font-size:45px;");
const QString PassStyle = QStringLiteral("color:green;font-size:45px;");
constexpr int LabelBox = 300;
} // namespace

// A window of its own even when the main window owns it: it is shown maximised.
BorderWidget::BorderWidget(QWidget *parent) : QWidget(parent, Qt::Window)
{
    m_table = new QTableWidget(this);
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    // Cells of a few pixels are part of the grid (the remainders).
    m_table->horizontalHeader()->setMinimumSectionSize(0);
    m_table->verticalHeader()->setMinimumSectionSize(0);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionMode(QAbstractItemView::NoSelection);
    m_table->setFocusPolicy(Qt::NoFocus);
    m_table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_table->setShowGrid(true);

    m_group = new QGroupBox(tr("test result"), this);
    m_group->resize(LabelBox, LabelBox);
    m_label = new QLabel(m_group);
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setStyleSheet(LabelStyle);
    auto *layout = new QVBoxLayout(m_group);
    layout->addWidget(m_label);

    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &BorderWidget::updateLabel);
}

void BorderWidget::setup(int seconds, int cellWidth, int cellHeight)
{
    m_timer.stop();
    m_resultPending = false;
    m_secondsLeft = seconds;
    m_grid = border::makeGrid(cellWidth, cellHeight);

    m_table->clear();
    m_table->clearSpans();
    m_table->setRowCount(m_grid.rows);
    m_table->setColumnCount(m_grid.columns);
    m_table->resize(border::AreaWidth + 2, border::AreaHeight + 2);
    if (m_grid.interiorRows > 0 && m_grid.interiorColumns > 0)
        m_table->setSpan(1, 1, m_grid.interiorRows, m_grid.interiorColumns);
    for (int c = 0; c < m_grid.columns; ++c)
        m_table->setColumnWidth(c, m_grid.columnWidths[c]);
    for (int r = 0; r < m_grid.rows; ++r)
        m_table->setRowHeight(r, m_grid.rowHeights[r]);
    for (int r = 0; r < m_grid.rows; ++r) {
        for (int c = 0; c < m_grid.columns; ++c) {
            auto *item = new QTableWidgetItem;
            item->setBackground(QBrush(Qt::blue));
            m_table->setItem(r, c, item);
        }
    }
    if (m_grid.interiorRows > 0 && m_grid.interiorColumns > 0)
        paint(1, 1, Qt::gray);

    m_label->setStyleSheet(LabelStyle);
    m_label->setText(QString::number(seconds));
}

void BorderWidget::place()
{
    m_table->resize(border::AreaWidth + 2, border::AreaHeight + 2);
    const QScreen *s = screen();
    const QSize area = s ? s->geometry().size() : size();
    // On a screen smaller than the table its top-left corner stays in view.
    const QPoint at(std::max((area.width() - m_table->width()) / 2, 0),
                    std::max((area.height() - m_table->height()) / 2, 0));
    m_table->move(at);
    m_group->move(at + QPoint(border::AreaWidth / 2 - LabelBox / 2, border::AreaHeight / 2 - LabelBox / 2));
    m_group->raise();
}

void BorderWidget::start()
{
    for (int r = 0; r < m_grid.rows; ++r) {
        for (int c = 0; c < m_grid.columns; ++c) {
            if (m_grid.isRing(r, c))
                paint(r, c, Qt::blue);
        }
    }
    m_resultPending = true;
    m_timer.start();
}

void BorderWidget::touch(int x, int y)
{
    if (const auto cell = border::cellAt(m_grid, x, y))
        paint(cell->row, cell->column, Qt::white);
}

bool BorderWidget::isTouched(int row, int column) const
{
    const QTableWidgetItem *item = m_table->item(row, column);
    return item && item->background().color() == QColor(Qt::white);
}

bool BorderWidget::ringComplete() const
{
    return cellsLeft() == 0;
}

int BorderWidget::cellsLeft() const
{
    const int blue = QColor(Qt::blue).hue();
    int left = 0;
    for (int r = 0; r < m_grid.rows; ++r) {
        for (int c = 0; c < m_grid.columns; ++c) {
            if (!m_grid.isRing(r, c))
                continue;
            const QTableWidgetItem *item = m_table->item(r, c);
            if (!item || item->background().color().hue() == blue)
                ++left;
        }
    }
    return left;
}

QString BorderWidget::labelText() const
{
    return m_label->text();
}

bool BorderWidget::resultIsFail() const
{
    return m_label->text() == QLatin1String("FAIL");
}

void BorderWidget::updateLabel()
{
    if (m_secondsLeft <= 0) {
        m_label->setText(QStringLiteral("FAIL"));
        finish(0);
        return;
    }
    if (ringComplete()) {
        m_label->setStyleSheet(PassStyle);
        m_label->setText(QStringLiteral("PASS"));
        finish(1);
        return;
    }
    m_label->setText(QString::number(m_secondsLeft));
    --m_secondsLeft;
}

void BorderWidget::closeEvent(QCloseEvent *event)
{
    // Closed by hand before the ring was complete: the test has failed, and
    // the label says so, so that the window forwards no more touches.
    if (m_resultPending)
        m_label->setText(QStringLiteral("FAIL"));
    finish(0);
    event->accept();
}

void BorderWidget::finish(int result)
{
    m_timer.stop();
    hide();
    // One result per start(): a second one would end the run twice.
    if (!m_resultPending)
        return;
    m_resultPending = false;
    emit getResultSignal(result);
}

void BorderWidget::paint(int row, int column, Qt::GlobalColor colour)
{
    if (QTableWidgetItem *item = m_table->item(row, column))
        item->setBackground(QBrush(colour));
}
