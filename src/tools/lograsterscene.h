#ifndef LOGRASTERSCENE_H
#define LOGRASTERSCENE_H

#include "logresult.h"

#include <QColor>
#include <QGraphicsScene>
#include <QSizeF>

// The charts of the log viewer, drawn into a scene the size of its view: the
// open/short lines against the M0 limits, a raster section as a coloured grid,
// and the button values against their limits. A press zooms raster and button
// charts in and, pressed again, out.
class LogRasterScene : public QGraphicsScene
{
    Q_OBJECT

public:
    enum Chart { OpenShort = 0, RasterX = 1, RasterY = 2, Buttons = 3 };

    explicit LogRasterScene(const QSizeF &size, QObject *parent = nullptr);

    int chart() const { return m_chart; }
    void setChart(int chart) { m_chart = chart; }
    bool zoomed() const { return m_zoomed; }

    // Each clears the scene first.
    void drawOpenShort(const LogData &data, int m0Min, int m0Max);
    // The grid of rows firstRow..firstRow+yn; cells the file did not give stay undrawn.
    void drawRaster(const LogData &data, qsizetype firstRow);
    // Values are clamped into what the scene can show; the clamped values
    // replace the given ones.
    void drawButtons(QList<int> &values, int btnMin, int btnMax);

    static QColor rasterFill(int value);
    static QString cellToolTip(int column, int row);

protected:
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;

private:
    int m_chart = OpenShort;
    bool m_zoomed = false;
};

#endif
