#ifndef LINEUPLOADER_H
#define LINEUPLOADER_H

#include <QObject>
#include <QString>
#include <QThread>

namespace results {

class UploadWorker;

// Sends the runs of the station's store that the line's server has not
// acknowledged, oldest first, from a thread of its own: the station never
// waits for the server. Each run goes in one server transaction keyed by its
// run id, and leaves the outbox only after the server committed it, so a
// crash or a lost connection at any moment sends it again and the server
// keeps it once. While the server is away the uploader backs off (1 s,
// doubling, at most 30 s).
class LineUploader : public QObject
{
    Q_OBJECT

public:
    struct State
    {
        bool connected = false;
        int waiting = 0;     // runs in the outbox
        QString reason;      // why the server is not reached, when it is not
    };

    // localStore: the station's SQLite file; connection: the line's libpq
    // connection string (see linesettings.h).
    LineUploader(const QString &localStore, const QString &connection, QObject *parent = nullptr);
    ~LineUploader() override;

    // A run was recorded: send it now rather than at the next poll.
    void kick();
    // Sends what is waiting now and reports; for the tool's "sync" and tests.
    // Blocks the calling thread until the attempt is over.
    State syncNow();

    // The state line the window shows: "line store: connected", "line store:
    // 12 waiting", and why the server is not reached.
    static QString describe(const State &state);

signals:
    // After every attempt: connected or not, what is waiting.
    void stateChanged(const results::LineUploader::State &state);
    // A run reached the server (its run id).
    void uploaded(const QString &runId);

private:
    QThread m_thread;
    UploadWorker *m_worker = nullptr; // lives on m_thread, deleted when it finishes
};

} // namespace results

Q_DECLARE_METATYPE(results::LineUploader::State)

#endif
