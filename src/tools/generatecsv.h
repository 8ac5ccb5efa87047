#ifndef GENERATECSV_H
#define GENERATECSV_H

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>

class QLabel;
class QPushButton;
class QTextStream;
class Settings;

namespace production {
struct Baseline;
}

// Building the baseline: the cell by cell mean of the passing result files
// collected in ./log, rounded up, written to ./log/baseline.csv and taken into
// the window's baseline at once. Plain functions, so that the arithmetic and
// the file handling can be checked without the dialog.
namespace tools {

struct BaselineGeneration
{
    enum class Status {
        Written,     // baseline.csv replaced, the tables updated, the files used removed
        NoFiles,     // nothing usable in the folder; nothing changed
        OpenFailed,  // failedFile could not be opened; nothing changed
        WriteFailed, // baseline.csv could not be written; the old one and the files stay
    };
    Status status = Status::NoFiles;
    int used = 0;        // files averaged (N)
    QStringList skipped; // files without the marker lines or that end early; left in place
    QString failedFile;
};

// The text of baseline.csv for the tables: every cell rounded up (stored back
// into the tables), followed by ",", lines ended by "\n". The raster has
// 2*yn+2 rows.
QByteArray baselineText(production::Baseline &baseline, int yn);

// Averages the result files of folder (all files but baseline.csv itself, in
// name order) for a panel of xn by yn electrodes. A file that lacks a marker
// line ("OpenShort", "RasterX", "RasterY") or ends before its rows or values
// do is skipped, not counted, and kept. The new baseline.csv replaces the old
// one only once it is complete; until then the old one stays.
// A panel beyond production::Baseline::MaxElectrodes reads no file (NoFiles).
// betweenFiles, when given, is called after every file read (a few thousand
// files take seconds: the dialog keeps its window painted from there).
BaselineGeneration generateBaseline(const QString &folder, int xn, int yn, production::Baseline &baseline,
                                    const std::function<void()> &betweenFiles = {});

// One result file's text as the generation reads it: values gets the panel's
// size (production::Baseline::reset) and every value the text gives, in place.
// False when a marker line is missing or the text ends before its rows or
// values do: such a file is skipped.
bool readResultValues(QTextStream &in, int xn, int yn, production::Baseline &values);

} // namespace tools

// The administrator's "Reference value check": one button that generates the
// baseline from ./log, and a status line.
class GenerateCsv : public QDialog
{
    Q_OBJECT

public:
    // baseline is the window's baseline, which the dialog clears on opening
    // and fills when it generates. logFolder is ./log except in tests.
    GenerateCsv(const Settings &store, production::Baseline &baseline, QWidget *parent = nullptr,
                const QString &logFolder = QStringLiteral("./log"));

    QLabel *statusLabel() const { return m_status; }
    QPushButton *generateButton() const { return m_button; }

public slots:
    void On_ButtonClicked();

private:
    production::Baseline &m_baseline;
    QString m_logFolder;
    int m_xn = 0;
    int m_yn = 0;
    QPushButton *m_button = nullptr;
    QLabel *m_status = nullptr;
};

#endif
