#ifndef LOGRESULT_H
#define LOGRESULT_H

#include <QByteArray>
#include <QList>

// What the log viewer takes from one stored result file: the open/short X and
// Y lines, the raster rows of both sections and the button values.
struct LogData
{
    QList<int> xLine;
    QList<int> yLine;
    QList<int> buttons;
    // Electrode counts implied by the file (line lengths + 1); the viewer's
    // counts before any file has been read.
    int xn = 38;
    int yn = 28;
    // Rows 0..yn from the "RasterX" section, then rows yn+1..2*yn+1 from "RasterY".
    // A file that stopped early leaves fewer rows, and rows may be shorter than
    // xn + 1 values: drawers take only what is there.
    QList<QList<int>> rasterRows;
};

// Reads the blocks of a result file (LF or CR LF lines) into data, marker by
// marker: "OpenShort" and the X and Y lines after it, the "RasterX" and
// "RasterY" rows, the "BtnData" line. Answers false at the first marker the
// file lacks; data then keeps what was read before it (new lines, old rows).
// Fields are split at commas, empty ones dropped, anything not a decimal
// integer reads as 0. Only the lines the file has are read.
bool readResultText(const QByteArray &content, LogData &data);

// "a,b,,c" -> the integers of the non-empty fields.
QList<int> resultFields(const QByteArray &line);

#endif
