#ifndef RESULTFILE_H
#define RESULTFILE_H

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;
class Settings;

// One CSV result file per panel and run. During the run the file lives under a
// working name in the working folder and every item appends its block; at the
// end it is filed into the folder of the verdict.
namespace production {

// The start-mode selection of the window, in the order of its radio buttons.
enum class StartMode { Auto = 0, Manual = 1, Barcode = 2 };

// Operator input (LOT, worker ID, barcode) becomes part of a file name. Path
// separators, "..", the characters Windows refuses in file names and control
// characters are each replaced by "_", so that no input can place a result
// outside its folder or make the name unusable on the line's Windows stations.
QString safeNamePart(const QString &text);

// Working names, relative to the working folder: "./MM-dd-hh-mm-ss.csv",
// "./LOT-Worker-Barcode.csv" (each part made safe), "./test.csv".
QString autoWorkingName(const QDateTime &now);
QString manualWorkingName(const QString &lot, const QString &worker, const QString &barcode);
QString barcodeWorkingName();

// How the run ended, as far as the stored name cares: the early Attb ending of
// a Barcode run has a name of its own.
enum class Ending { Normal, Attb };

// The name the working file is filed under, for verdict "PASS" or "FAIL":
// Auto and Manual put "results<V>/" after the "./"; Barcode builds
// "./results<V>/<barcode>-yyyyMMddhhmmss-00-00-<Pass|Fail>.csv", or with the
// Attb ending "./results<V>/<barcode>-MM-dd-hh-mm-ss00-00-<Pass|Fail>.csv".
// The barcode is made safe here too.
QString storedName(StartMode mode, const QString &workingName, const QString &verdict,
                   const QString &barcode, const QDateTime &filedAt, Ending ending = Ending::Normal);

// The profile's log folder for this verdict (LogPASS_Path or LogFAIL_Path),
// with every backslash turned into "/"; empty when the profile gives none.
QString logFolder(const Settings &store, const QString &verdict);

// Every folder a run writes to: the working folder (the working file), the
// results folders, the profile's log folders and ./log (baseline collection).
QStringList runFolders(const Settings &store);

// Appends text to the file as ASCII in text mode (CR LF on Windows). The block
// is written whole or not at all: a write that fails midway is cut off again,
// so a reader never sees half a line. False when the file cannot be opened or
// written.
bool appendToFile(const QString &fileName, const QString &text);

// A copy that never replaces: false when the destination exists. The copy
// appears under its name only once it is complete.
bool copyWithoutReplacing(const QString &from, const QString &to);

// "name.csv" -> "name-<n>.csv".
QString withSuffix(const QString &fileName, int n);

struct StoreOutcome
{
    bool stored = false;  // a copy exists (or the working file was moved aside)
    QString path;         // where the result went; empty when there was no file
    QString paneLine;     // set when the result went anywhere but its usual place
};

// The working result file of one run: chosen at the start, appended to by every
// item, filed at the end. Lives in the window for as long as the window.
class ResultFile : public QObject
{
    Q_OBJECT

public:
    enum class Start { Ready, NoInput, Repeated };

    // window parents the failure box.
    explicit ResultFile(QWidget *window = nullptr, QObject *parent = nullptr);

    // Chooses the working name for a run (start of the run). Auto and Barcode
    // remove a file left under their name; Manual refuses an empty field
    // (NoInput) and a name whose file already exists (Repeated). Barcode
    // refuses an empty barcode. Nothing is touched unless the answer is Ready.
    Start begin(StartMode mode, const QString &lot, const QString &worker, const QString &barcode,
                const QDateTime &now = QDateTime::currentDateTime());

    StartMode mode() const { return m_mode; }
    QString workingName() const { return m_workingName; }
    // The barcode the run was started with, after the fields have been cleared.
    QString barcode() const { return m_barcode; }
    bool exists() const;

    // Appends one block. When the file cannot be opened or written the box
    // "error" / "open csv file fail!" is shown and appendFailed() emitted, so
    // the window can enable its start and refresh buttons; the run goes on.
    bool appendResultLine(const QString &text);

    // Files the working file into the verdict's folder (or the profile's log
    // folder) and deletes it. A result is never lost: when both usual copies
    // fail, it is stored under the stored name with -1, -2, ... and paneLine
    // says where; if even that fails it is moved aside in the working folder.
    StoreOutcome storeResultFile(const Settings &store, const QString &verdict,
                                 Ending ending = Ending::Normal,
                                 const QDateTime &filedAt = QDateTime::currentDateTime());

    // Baseline collection: holdForLog() keeps the working file's content as it
    // is now; copyToLog() writes what was held (or, with nothing held, the
    // working file as it is) to ./log under the working file's name, once the
    // run has passed as a whole. Never replaces a copy already there.
    void holdForLog();
    bool copyToLog();

    // Deletes the working file (runs that end with a read error).
    void discard();

signals:
    void appendFailed();

private:
    QWidget *m_window = nullptr;
    StartMode m_mode = StartMode::Auto;
    QString m_workingName;
    QString m_barcode;
    std::optional<QByteArray> m_heldForLog;
};

} // namespace production

#endif
