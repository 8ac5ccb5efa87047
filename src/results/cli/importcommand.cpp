#include "commands.h"
#include "output.h"

#include "foundresult.h"
#include "resultstore.h"
#include "retention.h"
#include "runcontext.h"
#include "textcodec.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringDecoder>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <mutex>
#include <thread>

#include <dirent.h>
#include <malloc.h>
#include <sys/stat.h>
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
    qsizetype cut = 0;
};

// A path as the file system has it, and as it is shown and stored: old
// archives hold names a station wrote in its legacy code page, which are not
// UTF-8; those are taken byte by byte (as Latin-1), so that no file is left
// out and its bytes can be had back from the text.
QString shownPath(const QByteArray &path)
{
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8(path);
    return utf8.hasError() ? QString::fromLatin1(path) : text;
}

struct Found
{
    enum Kind { File, Dangling, NotRegular };
    QByteArray path;
    Kind kind = File;

    bool operator<(const Found &other) const { return path < other.path; }
    bool operator==(const Found &other) const { return path == other.path; }
};

// What a name found in a folder is; false for a folder (walked, or, behind a
// link, left alone as before) and for what is gone meanwhile.
bool classify(const QByteArray &path, const struct stat &link, Found::Kind &kind)
{
    struct stat target {};
    if (S_ISLNK(link.st_mode)) {
        if (::stat(path.constData(), &target) != 0) {
            kind = Found::Dangling;
            return true;
        }
    } else {
        target = link;
    }
    if (S_ISDIR(target.st_mode))
        return false;
    kind = S_ISREG(target.st_mode) ? Found::File : Found::NotRegular;
    return true;
}

// Every file under folder, its hidden ones and links included. A folder that
// cannot be read is named; false then.
bool walk(const QByteArray &folder, std::vector<Found> &files)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir) {
        err(QStringLiteral("import: cannot read the folder (%1): %2\n")
                .arg(QString::fromLocal8Bit(std::strerror(errno)), shownPath(folder)));
        return false;
    }
    bool ok = true;
    std::vector<QByteArray> folders;
    while (const dirent *entry = ::readdir(dir)) {
        const QByteArray name(entry->d_name);
        if (name == "." || name == "..")
            continue;
        const QByteArray path = folder + '/' + name;
        struct stat link {};
        if (::lstat(path.constData(), &link) != 0)
            continue;
        Found::Kind kind = Found::File;
        if (S_ISDIR(link.st_mode))
            folders.push_back(path);
        else if (classify(path, link, kind))
            files.push_back({path, kind});
    }
    ::closedir(dir);
    for (const QByteArray &sub : folders)
        ok = walk(sub, files) && ok;
    return ok;
}

// Every file under the arguments, each once, in the order of their bytes so
// that an import is repeatable. False when an argument names nothing; a
// folder that cannot be read clears complete, and the rest is taken.
bool collectFiles(const QStringList &arguments, std::vector<Found> &files, bool &complete)
{
    for (const QString &argument : arguments) {
        const QByteArray path = QFile::encodeName(QDir::cleanPath(QFileInfo(argument).absoluteFilePath()));
        struct stat link {};
        Found::Kind kind = Found::File;
        if (::lstat(path.constData(), &link) != 0) {
            err(QStringLiteral("import: no such file or folder: %1\n").arg(argument));
            return false;
        }
        if (!classify(path, link, kind))
            complete = walk(path, files) && complete;
        else
            files.push_back({path, kind});
    }
    std::sort(files.begin(), files.end());
    files.erase(std::unique(files.begin(), files.end()), files.end());
    return true;
}

// A file read, parsed and hashed, ready for the store.
struct Prepared
{
    enum Kind { Result, NotAResult, Empty, Unreadable, Dangling, NotRegular } kind = NotAResult;
    QString path;
    QString why; // Unreadable: the system's reason
    RunContext context;
    QByteArray content;
    QByteArray sha1;
    QByteArray packed; // content as the station's store keeps it
    ResultRecord parsed;
};

// Reads, parses, hashes and (for the station's store) packs the files on a
// thread of its own while the caller writes the ones before into the store:
// the two take about as long, so the import runs at the pace of the slower
// instead of their sum. At most a few dozen files wait between the two.
class FileFeed
{
public:
    FileFeed(const std::vector<Found> &files, const Invocation &invocation, const QString &station, bool pack)
        : m_files(files)
        , m_invocation(invocation)
        , m_station(station)
        , m_pack(pack)
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
        for (const Found &file : m_files) {
            Prepared p;
            read(file, p, buffer);
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait(lock, [this] { return m_stopped || m_ready.size() < Ahead; });
            if (m_stopped)
                return;
            m_ready.push_back(std::move(p));
            lock.unlock();
            m_changed.notify_all();
        }
    }

    bool writerBehind()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_ready.size() >= Ahead / 2;
    }

    void read(const Found &file, Prepared &p, std::string &buffer)
    {
        p.path = shownPath(file.path);
        if (file.kind != Found::File) {
            p.kind = file.kind == Found::Dangling ? Prepared::Dangling : Prepared::NotRegular;
            return;
        }
        // Result files are always filed as .csv; anything else is not read.
        if (!file.path.toLower().endsWith(".csv"))
            return;
        if (!readFileBytes(file.path.toStdString(), buffer)) {
            p.kind = Prepared::Unreadable;
            p.why = QString::fromLocal8Bit(std::strerror(errno));
            return;
        }
        if (buffer.empty()) {
            p.kind = Prepared::Empty;
            return;
        }
        readResult(buffer, p.parsed);
        if (!p.parsed.anyBlock())
            return;
        p.kind = Prepared::Result;
        p.content = QByteArray(buffer.data(), qsizetype(buffer.size()));
        p.sha1 = contentHash(p.content);
        // Packing is what the two threads share: done here while the writer
        // is behind, else left to it, so that neither waits for the other.
        if (m_pack && writerBehind())
            p.packed = textcodec::pack(p.content);
        p.context = contextFromFile(p.path, m_station, m_invocation.passFolder, m_invocation.failFolder);
        if (!p.context.endedAt.isValid()) {
            // A name that is no UTF-8 cannot be found again by its text:
            // its times are taken here, from its bytes.
            struct stat info {};
            if (::stat(file.path.constData(), &info) == 0)
                p.context.endedAt = QDateTime::fromMSecsSinceEpoch(qint64(info.st_mtim.tv_sec) * 1000
                                                                   + info.st_mtim.tv_nsec / 1000000);
            if (!p.context.startedAt.isValid())
                p.context.startedAt = p.context.endedAt;
        }
    }

    const std::vector<Found> &m_files;
    const Invocation &m_invocation;
    const QString m_station;
    const bool m_pack;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Prepared> m_ready;
    bool m_stopped = false;
    std::thread m_thread; // last: starts once everything above is there
};

} // namespace

int importFiles(const Invocation &invocation, ResultStore &store)
{
    std::vector<Found> files;
    bool complete = true;
    if (!collectFiles(invocation.arguments, files, complete))
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
    // Without TZ the C library looks at /etc/localtime again at every local
    // time it converts (a file's name gives its start in local time): a third
    // of the import. Told where the zone is (the same file), it reads it once.
    if (qEnvironmentVariableIsEmpty("TZ"))
        qputenv("TZ", ":/etc/localtime");
    QString error;
    if (!store.setBulk(&error)) {
        err(QStringLiteral("import: the store refused a write: %1\n").arg(error));
        return ExitFailure;
    }
    Counts committed, pending;
    qsizetype skipped = 0;
    const qsizetype total = qsizetype(files.size());
    Progress progress(total);
    QElapsedTimer batchClock;
    const auto summary = [&] {
        progress.clear();
        const QString imported = committed.cut == 0
                                     ? QString::number(committed.imported)
                                     : QStringLiteral("%1 (%2 cut short)").arg(committed.imported).arg(committed.cut);
        out(QStringLiteral("imported %1, known %2, skipped %3\n").arg(imported).arg(committed.known).arg(skipped));
    };
    const auto commit = [&] {
        if (!store.commitBatch(&error))
            return false;
        committed.imported += pending.imported;
        committed.known += pending.known;
        committed.cut += pending.cut;
        pending = Counts();
        return true;
    };
    // A file left out is named with why; all but "not a result file" make
    // the import's exit status 1, for they may be results that were lost.
    const auto skip = [&](const QString &why, const QString &path, bool lost) {
        progress.clear();
        err(QStringLiteral("skipped, %1: %2\n").arg(why, path));
        ++skipped;
        complete = complete && !lost;
    };

    // A file that started before the station's store pruned was recorded
    // and pruned: recording it again would count it twice.
    qint64 horizon = 0;
    if (!invocation.line && !retention::horizon(store.database(), horizon, &error)) {
        err(QStringLiteral("import: cannot read the store: %1\n").arg(error));
        return ExitFailure;
    }
    const QString pruned = QStringLiteral("started before the store's pruned runs (%1)")
                               .arg(QDateTime::fromMSecsSinceEpoch(horizon).toString(QStringLiteral("yyyy-MM-dd HH:mm")));
    QSqlQuery held(store.database());
    if (horizon > 0
        && !held.prepare(QStringLiteral("SELECT 1 FROM runs WHERE file_name = ? AND file_name <> '' AND station = ?"
                                        " AND content_sha1 = ?"))) {
        err(QStringLiteral("import: cannot read the store: %1\n").arg(held.lastError().text()));
        return ExitFailure;
    }

    bool ok = true;
    FileFeed feed(files, invocation, station, !invocation.line);
    for (qsizetype i = 0; ok && i < total; ++i) {
        const Prepared file = feed.next();
        if (!store.inBatch()) {
            if (!(ok = store.beginBatch(&error)))
                break;
            batchClock.start();
        }
        switch (file.kind) {
        case Prepared::NotAResult: skip(QStringLiteral("not a result file"), file.path, false); break;
        case Prepared::Empty: skip(QStringLiteral("an empty file"), file.path, true); break;
        case Prepared::Unreadable: skip(QStringLiteral("cannot be read (%1)").arg(file.why), file.path, true); break;
        case Prepared::Dangling: skip(QStringLiteral("a link to nothing"), file.path, true); break;
        case Prepared::NotRegular: skip(QStringLiteral("not a regular file"), file.path, true); break;
        case Prepared::Result:
            if (file.context.startedAt.toMSecsSinceEpoch() < horizon) {
                // Unless the store holds it still (not sent when it pruned).
                held.addBindValue(QFileInfo(file.path).fileName());
                held.addBindValue(file.context.station);
                held.addBindValue(QString::fromLatin1(file.sha1));
                if (!held.exec()) {
                    error = held.lastError().text();
                    ok = false;
                    break;
                }
                const bool known = held.next();
                held.finish();
                if (known)
                    ++pending.known;
                else
                    skip(pruned, file.path, false);
                break;
            }
            if (!file.packed.isNull())
                store.usePacked(file.content, file.packed);
            switch (recordFound(store, file.context, file.content, file.sha1, file.parsed, &error, queueForLine)) {
            case Recorded::Added:
                ++pending.imported;
                if (!file.parsed.whole()) {
                    // Recorded, for it is what there is, but never as a whole run.
                    ++pending.cut;
                    progress.clear();
                    err(QStringLiteral("imported as incomplete, %1: %2\n")
                            .arg(QLatin1String(file.parsed.cut), file.path));
                    complete = false;
                }
                break;
            case Recorded::Known:
                ++pending.known;
                break;
            case Recorded::NotAResult:
            case Recorded::Unreadable:
                break; // read already
            case Recorded::Failed:
                error = QStringLiteral("%1: %2").arg(file.path, error);
                ok = false;
                break;
            }
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
        err(QStringLiteral("import: the store refused a write: %1\n").arg(error.simplified()));
    }
    summary();
    return ok && complete ? ExitOk : ExitFailure;
}

} // namespace results::cli
