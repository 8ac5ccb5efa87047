#ifndef RESULTRECORDER_H
#define RESULTRECORDER_H

#include "runcontext.h"

#include <QObject>
#include <QStringList>
#include <QThread>

namespace results {

class RecorderWorker;

// Records every filed result in the station's own store, on a thread of its
// own: the run hands the filed file's context over and goes on. A store that
// cannot be written costs the run nothing; what it could not take is kept and
// taken once the store works again, and what was filed but never recorded (a
// crash between the two) is found by catchUp(). A store that SQLite finds
// damaged (when it is opened or only when a run is written) is rebuilt: the
// runs it still holds keep their ids and their place in the outbox, and the
// result folders it named are read again.
class ResultRecorder : public QObject
{
    Q_OBJECT

public:
    struct Folders
    {
        QStringList folders;  // where filed results lie (the results folders, the profile's log folders)
        QString passFolder;   // the profile's log folder for passing panels, if any
        QString failFolder;
        QString station;
    };

    // storePath: the SQLite file (created when absent).
    explicit ResultRecorder(const QString &storePath, QObject *parent = nullptr);
    // Records what was handed over before it stops.
    ~ResultRecorder() override;

    // Hands a run over, filed or (with an empty path) one that filed nothing;
    // returns at once.
    void record(const RunContext &context);
    // Records the files of the folders that the store does not hold yet.
    void catchUp(const Folders &folders);
    // The station saved a profile (its file name, the text written): a
    // version in its history from now. Returns at once.
    void profileSaved(const QString &profile, const QByteArray &text, const QString &station);
    // Keeps keepDays days of runs once the line's server has them, pruning
    // older ones (retention.h) now and every hour, a few at a time between
    // the runs handed over; 0 prunes nothing.
    void retain(int keepDays);

signals:
    // Once when the store stops taking records, with the reason; once when it
    // takes them again.
    void unavailable(const QString &reason);
    void available();
    // A filed file is in the store (or was there already).
    void recorded(const QString &path);
    // The store was found damaged and has been rebuilt: what became of it, in
    // one line for the message pane.
    void rebuilt(const QString &summary);

private:
    QThread m_thread;
    RecorderWorker *m_worker = nullptr; // lives on m_thread, deleted when it finishes
};

} // namespace results

#endif
