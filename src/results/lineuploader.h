#ifndef LINEUPLOADER_H
#define LINEUPLOADER_H

#include <QObject>
#include <QString>
#include <QThread>
#include <QTimer>

#include <memory>

namespace results {

class ResultStore;
class UploadWorker;
struct ServerLink;

// Sends the runs of the station's store that the line's server has not
// acknowledged, oldest first, from a thread of its own: the station never
// waits for the server. Each run goes whole in one call of the server's
// record_run() and leaves the outbox only after the server committed it, so a
// crash or a lost connection at any moment sends it again and the server
// keeps it once. While the server is away the uploader backs off (1 s,
// doubling, at most 30 s; back to 1 s after an attempt that reached it).
//
// At connect the uploader looks at the server's schema (it writes nothing to
// a server of another version), claims its station id for this machine, and
// compares its clock with the server's. A run the server refuses (a value it
// cannot take, a run id it holds with other content, a station this role may
// not write) does not stop the others: it is tried again, and after a few
// refusals put in quarantine with the server's reason, until retryRefused().
//
// A server may also hold a call without answering: a commit that waits for a
// synchronous standby that is away. The run stays in the outbox until the
// server's answer; meanwhile the state says how long the server has been
// silent, and closing the uploader cuts the connection (never cancels the
// call, which would let the server confirm a commit its standby lacks) rather
// than wait for it.
class LineUploader : public QObject
{
    Q_OBJECT

public:
    struct State
    {
        bool connected = false;
        int waiting = 0;           // runs in the outbox
        int refused = 0;           // runs in quarantine
        QString reason;            // why the server is not reached, when it is not
        QString refusal;           // the server's latest reason to refuse a run
        int sent = 0;              // runs the server acknowledged in this attempt
        int retryMs = 0;           // after a failed attempt: when the next comes
        qint64 clockOffsetMs = 0;  // this station's clock minus the server's, at connect
    };

    // How often the server refuses a run before it goes into quarantine.
    static constexpr int RefusalsBeforeQuarantine = 3;
    // A call unanswered this long makes the state "not reached" until the
    // answer comes.
    static constexpr int SilenceMs = 10000;

    // localStore: the station's SQLite file; connection: the line's libpq
    // connection string (see linesettings.h); station: the id this station
    // claims on the line; machine: this machine's identity (machineIdentity()).
    // Polling: the uploader sends by itself, at once, after each kick() and
    // every little while (the station). WhenAsked: only in syncNow(), so that
    // what it reports is all that was sent and tried (the tool's "sync").
    enum class Attempts { Polling, WhenAsked };

    LineUploader(const QString &localStore, const QString &connection, const QString &station,
                 const QString &machine, Attempts attempts = Attempts::Polling, QObject *parent = nullptr);
    ~LineUploader() override;

    // A run was recorded: send it now rather than at the next poll.
    void kick();
    // Sends what is waiting now and reports; for the tool's "sync" and tests.
    // Blocks the calling thread until the attempt is over.
    State syncNow();

    // Puts the quarantined runs of the store back into the outbox, to be
    // tried afresh; count: how many.
    static bool retryRefused(ResultStore &local, int *count, QString *error);

    // The state line the window shows: "line store: connected", "line store:
    // 12 waiting", "…, 2 refused", why the server is not reached, and a clock
    // that differs from the server's by more than a minute.
    static QString describe(const State &state);

signals:
    // After every attempt: connected or not, what is waiting.
    void stateChanged(const results::LineUploader::State &state);
    // A run reached the server (its run id).
    void uploaded(const QString &runId);
    // A run went into quarantine: its id, its file and the server's reason.
    void refused(const QString &runId, const QString &path, const QString &reason);

private:
    void watchSilence();

    QThread m_thread;
    UploadWorker *m_worker = nullptr; // lives on m_thread, deleted when it finishes
    std::shared_ptr<ServerLink> m_link; // the worker's connection, as this thread may touch it
    QTimer m_watch;
    QString m_localPath;
    State m_last; // the worker's latest state
    bool m_silent = false;
};

} // namespace results

Q_DECLARE_METATYPE(results::LineUploader::State)

#endif
