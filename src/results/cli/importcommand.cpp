#include "commands.h"
#include "output.h"

#include "resultstore.h"
#include "runcontext.h"

#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include <malloc.h>
#include <unistd.h>

namespace results::cli {

namespace {

// A bar on stderr while someone watches a terminal; a log or a pipe gets only
// the messages.
class Progress
{
public:
    explicit Progress(qsizetype total) : m_total(total), m_shown(total > 0 && ::isatty(STDERR_FILENO) == 1)
    {
        m_clock.start();
    }

    void step(qsizetype done)
    {
        if (!m_shown || (done != m_total && m_clock.elapsed() - m_drawnAt < 100))
            return;
        m_drawnAt = m_clock.elapsed();
        constexpr int Width = 30;
        const int filled = int(qint64(Width) * done / m_total);
        err(QStringLiteral("\rimport [%1%2] %3/%4 files")
                .arg(QString(filled, QLatin1Char('#')), QString(Width - filled, QLatin1Char('.')))
                .arg(done)
                .arg(m_total));
        m_drawn = true;
    }

    // Gives the line back to a message.
    void clear()
    {
        if (m_drawn)
            err(QStringLiteral("\r\x1b[K"));
        m_drawn = false;
        m_drawnAt = -1000;
    }

private:
    qsizetype m_total;
    bool m_shown;
    bool m_drawn = false;
    qint64 m_drawnAt = -1000;
    QElapsedTimer m_clock;
};

struct Counts
{
    qsizetype imported = 0;
    qsizetype known = 0;
};

// Every file under the arguments, each once, in name order so that an import
// is repeatable. False when an argument names nothing.
bool collectFiles(const QStringList &arguments, QStringList &files)
{
    for (const QString &argument : arguments) {
        const QFileInfo info(argument);
        if (info.isDir()) {
            QDirIterator it(argument, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << QDir::cleanPath(QFileInfo(it.next()).absoluteFilePath());
        } else if (info.exists()) {
            files << QDir::cleanPath(info.absoluteFilePath());
        } else {
            err(QStringLiteral("import: no such file or folder: %1\n").arg(argument));
            return false;
        }
    }
    files.sort();
    files.removeDuplicates();
    return true;
}

// A file read, parsed and hashed, ready for the store.
struct Prepared
{
    enum Kind { Result, NotAResult, Unreadable } kind = NotAResult;
    RunContext context;
    QByteArray content;
    QByteArray sha1;
    ResultRecord parsed;
};

// Reads, parses and hashes the files on a thread of its own while the caller
// writes the ones before into the store: the two take about as long, so the
// import runs at the pace of the slower instead of their sum. At most a few
// dozen files wait between the two.
class FileFeed
{
public:
    FileFeed(const QStringList &files, const Invocation &invocation, const QString &station)
        : m_files(files)
        , m_invocation(invocation)
        , m_station(station)
        , m_thread([this] { produce(); })
    {
    }

    ~FileFeed()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stopped = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }

    FileFeed(const FileFeed &) = delete;
    FileFeed &operator=(const FileFeed &) = delete;

    // The next file, in the order given.
    Prepared next()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_ready.empty(); });
        Prepared p = std::move(m_ready.front());
        m_ready.pop_front();
        lock.unlock();
        m_changed.notify_all();
        return p;
    }

private:
    static constexpr std::size_t Ahead = 64;

    void produce()
    {
        std::string buffer;
        for (const QString &path : m_files) {
            Prepared p;
            // Result files are always filed as .csv; anything else is not read.
            if (path.endsWith(QLatin1String(".csv"), Qt::CaseInsensitive)) {
                p.context = contextFromFile(path, m_station, m_invocation.passFolder, m_invocation.failFolder);
                if (!readFileBytes(QFile::encodeName(path).toStdString(), buffer)) {
                    p.kind = Prepared::Unreadable;
                } else {
                    readResult(buffer, p.parsed);
                    if (p.parsed.anyBlock()) {
                        p.kind = Prepared::Result;
                        p.content = QByteArray(buffer.data(), qsizetype(buffer.size()));
                        p.sha1 = contentHash(p.content);
                    }
                }
            }
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopped || m_ready.size() < Ahead; });
            if (m_stopped)
                return;
            m_ready.push_back(std::move(p));
            lock.unlock();
            m_changed.notify_all();
        }
    }

    const QStringList &m_files;
    const Invocation &m_invocation;
    const QString m_station;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Prepared> m_ready;
    bool m_stopped = false;
    std::thread m_thread; // last: starts once everything above is there
};

} // namespace

int importFiles(const Invocation &invocation, ResultStore &store)
{
    QStringList files;
    if (!collectFiles(invocation.arguments, files))
        return ExitFailure;
    const QString station = invocation.station.isEmpty() ? stationId() : invocation.station;
    // The line's server is where the outbox sends to; runs imported there
    // directly must not be sent again.
    const bool queueForLine = !invocation.line;

    // Every file's text and readings are allocated and freed again; without
    // this the heap is handed back to the system and asked for again all the
    // time, which costs a tenth of the import.
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    mallopt(M_TOP_PAD, 64 << 20);
    QString error;
    if (!store.setBulk(&error)) {
        err(QStringLiteral("import: the store refused a write: %1\n").arg(error));
        return ExitFailure;
    }
    Counts committed, pending;
    qsizetype skipped = 0;
    bool unreadable = false;
    Progress progress(files.size());
    QElapsedTimer batchClock;
    const auto summary = [&] {
        progress.clear();
        out(QStringLiteral("imported %1, known %2, skipped %3\n").arg(committed.imported).arg(committed.known).arg(skipped));
    };
    const auto commit = [&] {
        if (!store.commitBatch(&error))
            return false;
        committed.imported += pending.imported;
        committed.known += pending.known;
        pending = Counts();
        return true;
    };

    bool ok = true;
    FileFeed feed(files, invocation, station);
    for (qsizetype i = 0; ok && i < files.size(); ++i) {
        const QString &path = files.at(i);
        const Prepared file = feed.next();
        if (!store.inBatch()) {
            if (!(ok = store.beginBatch(&error)))
                break;
            batchClock.start();
        }
        const Recorded recorded =
            file.kind == Prepared::Result
                ? store.record(file.context, file.content, file.sha1, file.parsed, &error, queueForLine)
                : file.kind == Prepared::Unreadable ? Recorded::Unreadable : Recorded::NotAResult;
        switch (recorded) {
        case Recorded::Added:
            ++pending.imported;
            break;
        case Recorded::Known:
            ++pending.known;
            break;
        case Recorded::NotAResult:
            progress.clear();
            err(QStringLiteral("skipped, not a result file: %1\n").arg(path));
            ++skipped;
            break;
        case Recorded::Unreadable:
            progress.clear();
            err(QStringLiteral("skipped, cannot be read: %1\n").arg(path));
            ++skipped;
            unreadable = true;
            break;
        case Recorded::Failed:
            error = QStringLiteral("%1: %2").arg(path, error);
            ok = false;
            break;
        }
        // Short transactions: the station's own recorder may be waiting to
        // write to the same file.
        if (ok && (batchClock.elapsed() >= 250 || pending.imported + pending.known >= 1000))
            ok = commit();
        progress.step(i + 1);
    }
    ok = ok && commit();
    if (!ok) {
        store.rollbackBatch();
        progress.clear();
        err(QStringLiteral("import: the store refused a write: %1\n").arg(error));
    }
    summary();
    return ok && !unreadable ? ExitOk : ExitFailure;
}

} // namespace results::cli
