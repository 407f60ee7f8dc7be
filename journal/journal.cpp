#include "journal/journal.h"

#include "core/messages.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <map>

namespace
{
QString tr(const char* text)
{
    return QCoreApplication::translate("Journal", text);
}

// Each version's schema as the statements that make it from the one before.
// Version 1 kept the clusters alone; version 2 adds steadiness and the
// per-session and per-measure summaries the history reads.
const char* const kVersion1[] = {
    "CREATE TABLE songs(id INTEGER PRIMARY KEY, hash TEXT NOT NULL UNIQUE, title TEXT,"
    " path TEXT, measures INTEGER NOT NULL DEFAULT 0)",
    "CREATE TABLE sessions(id INTEGER PRIMARY KEY,"
    " song INTEGER NOT NULL REFERENCES songs(id) ON DELETE CASCADE,"
    " started TEXT NOT NULL, seconds INTEGER NOT NULL, tracks TEXT, boost INTEGER NOT NULL,"
    " loop_first INTEGER NOT NULL, loop_last INTEGER NOT NULL, recorded INTEGER NOT NULL,"
    " tick4measure INTEGER NOT NULL)",
    "CREATE INDEX sessions_by_song ON sessions(song, started)",
    "CREATE TABLE clusters(session INTEGER NOT NULL REFERENCES sessions(id) ON DELETE CASCADE,"
    " seq INTEGER NOT NULL, measure INTEGER NOT NULL, file_tick INTEGER NOT NULL,"
    " deviation_ms REAL NOT NULL, velocity INTEGER NOT NULL, boost INTEGER NOT NULL,"
    " PRIMARY KEY(session, seq)) WITHOUT ROWID",
};
const char* const kVersion2[] = {
    "ALTER TABLE clusters ADD COLUMN steadiness_ms REAL NOT NULL DEFAULT 0",
    "ALTER TABLE sessions ADD COLUMN clusters INTEGER NOT NULL DEFAULT 0",
    "ALTER TABLE sessions ADD COLUMN median_ms REAL NOT NULL DEFAULT 0",
    "ALTER TABLE sessions ADD COLUMN p90_ms REAL NOT NULL DEFAULT 0",
    "ALTER TABLE sessions ADD COLUMN median_steady_ms REAL NOT NULL DEFAULT 0",
    "ALTER TABLE sessions ADD COLUMN p90_steady_ms REAL NOT NULL DEFAULT 0",
    "CREATE TABLE measures(session INTEGER NOT NULL REFERENCES sessions(id) ON DELETE CASCADE,"
    " measure INTEGER NOT NULL, clusters INTEGER NOT NULL, p90_ms REAL NOT NULL,"
    " p90_steady_ms REAL NOT NULL, boost INTEGER NOT NULL,"
    " PRIMARY KEY(session, measure)) WITHOUT ROWID",
};

bool isDamage(const QString& error)
{
    return error.contains(QLatin1String("not a database")) ||
           error.contains(QLatin1String("malformed"));
}

template <size_t N> bool run(QSqlQuery& q, const char* const (&statements)[N])
{
    for (const char* s : statements)
        if (!q.exec(QString::fromLatin1(s))) return false;
    return true;
}

QString stamp(const QDateTime& t)
{
    return t.toString(Qt::ISODateWithMs);
}
} // namespace

Journal::Journal(QString path)
    : path_(std::move(path)),
      connection_(QStringLiteral("clavion-journal-%1").arg(quintptr(this), 0, 16))
{
}

Journal::~Journal()
{
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

QString Journal::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/clavion/journal.sqlite");
}

bool Journal::isOpen() const
{
    return opened_;
}

bool Journal::fail(const QString& what)
{
    error_ = what;
    if (!told_) {
        told_ = true;
        Messages::warning(
            tr("The practice journal %1 cannot be used: %2\nPractice goes on without it.")
                .arg(QDir::toNativeSeparators(path_), what));
    }
    return false;
}

// The schema of an empty file, or the version it has brought up to ours.
// Anything else (not a database, damaged, or ours only in name) is corrupt.
bool Journal::open()
{
    if (opened_) return true;
    error_.clear();
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(tr("Qt's SQLite driver is not installed."));
    if (!QDir().mkpath(QFileInfo(path_).absolutePath()))
        return fail(tr("its folder cannot be made."));
    for (int attempt = 0; attempt < 2; ++attempt) {
        QSqlDatabase db = QSqlDatabase::contains(connection_)
                              ? QSqlDatabase::database(connection_, false)
                              : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
        db.setDatabaseName(path_);
        // Another program holding the file briefly is waited for, not for long.
        db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=500"));
        if (!db.open()) return fail(db.lastError().text());
        QSqlQuery q(db);
        int version = -1;
        // Reading the schema finds a file that is not a database; damage
        // deeper in is found by the query that meets it (see setAsideIfDamaged).
        // A whole-file check would grow with the journal.
        int tables = -1;
        if (q.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) && q.next())
            tables = q.value(0).toInt();
        else if (!isDamage(q.lastError().text())) {
            // A lock or a read error may pass: only damage is set aside.
            const QString why = q.lastError().text();
            db.close();
            return fail(why);
        }
        if (tables >= 0 && q.exec(QStringLiteral("PRAGMA user_version")) && q.next())
            version = q.value(0).toInt();
        // Empty, or some other program's database that happens to be here.
        if (tables < 0 || (version == 0 && tables > 0)) {
            db.close();
            if (attempt == 1 || !setAside()) return fail(tr("the file is damaged."));
            continue;
        }
        if (version > kSchemaVersion) {
            db.close();
            return fail(tr("it was written by a newer version of %1.")
                            .arg(QCoreApplication::applicationName()));
        }
        q.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
        // SQLite's own rollback journal, not a write-ahead log: homes on NFS
        // are common among teachers' machines, and a write-ahead log needs
        // shared memory a network file system does not give.
        if (version < kSchemaVersion && !migrate(version)) {
            db.close();
            return fail(tr("its tables cannot be brought up to date: %1").arg(error_));
        }
        opened_ = true;
        return true;
    }
    return false;
}

bool Journal::setAside()
{
    const QString stamp = path_ + QStringLiteral(".damaged-") +
                          QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString aside = stamp;
    for (int n = 2; QFile::exists(aside); ++n) aside = stamp + QStringLiteral("-%1").arg(n);
    if (!QFile::rename(path_, aside)) return false;
    // Its rollback journal goes with it: it may hold what repairs it.
    QFile::rename(path_ + QStringLiteral("-journal"), aside + QStringLiteral("-journal"));
    Messages::warning(tr("The practice journal %1 was damaged. It was set aside as %2 and a new "
                         "one was started.")
                          .arg(QDir::toNativeSeparators(path_), QDir::toNativeSeparators(aside)));
    return true;
}

bool Journal::setAsideIfDamaged(const QString& error)
{
    if (!isDamage(error)) return false;
    QSqlDatabase::database(connection_, false).close();
    opened_ = false;
    return setAside();
}

// One transaction from `version` to ours: a failure leaves the file as it was.
bool Journal::migrate(int version)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    if (!db.transaction()) return (error_ = db.lastError().text()), false;
    bool ok = true;
    if (version < 1) ok = run(q, kVersion1);
    if (ok && version < 2) {
        ok = run(q, kVersion2);
        if (ok && version == 1) ok = summariseOldSessions();
    }
    ok = ok && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
    if (!ok) {
        error_ = q.lastError().text();
        db.rollback();
        return false;
    }
    return db.commit() || ((error_ = db.lastError().text()), false);
}

// The first schema kept only the clusters: steadiness and summaries are
// worked out from them once.
bool Journal::summariseOldSessions()
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery sessions(db), clusters(db), write(db);
    if (!sessions.exec(QStringLiteral("SELECT id, tick4measure FROM sessions"))) return false;
    clusters.prepare(QStringLiteral("SELECT measure, file_tick, deviation_ms, velocity, boost "
                                    "FROM clusters WHERE session = ? ORDER BY seq"));
    write.prepare(
        QStringLiteral("UPDATE clusters SET steadiness_ms = ? WHERE session = ? AND seq = ?"));
    std::vector<std::pair<qint64, int>> all;
    while (sessions.next())
        all.emplace_back(sessions.value(0).toLongLong(), sessions.value(1).toInt());
    for (const auto& [id, tick4measure] : all) {
        clusters.addBindValue(id);
        if (!clusters.exec()) return false;
        JournalSession s;
        std::vector<uint64_t> ticks;
        std::vector<double> deviations;
        while (clusters.next()) {
            JournalCluster c;
            c.measure = clusters.value(0).toLongLong();
            c.fileTick = clusters.value(1).toULongLong();
            c.deviationMs = clusters.value(2).toDouble();
            c.velocity = clusters.value(3).toInt();
            c.boost = clusters.value(4).toInt();
            ticks.push_back(c.fileTick);
            deviations.push_back(c.deviationMs);
            s.clusterRows.push_back(c);
        }
        const std::vector<double> steady = steadinessMs(ticks, deviations, uint64_t(tick4measure));
        for (size_t i = 0; i < steady.size(); ++i) {
            s.clusterRows[i].steadinessMs = steady[i];
            write.addBindValue(steady[i]);
            write.addBindValue(id);
            write.addBindValue(qint64(i));
            if (!write.exec()) return false;
        }
        summarise(s);
        s.id = id;
        if (!writeSummaries(s)) return false;
    }
    return true;
}

bool Journal::writeSummaries(const JournalSession& s)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("UPDATE sessions SET clusters = ?, median_ms = ?, p90_ms = ?, "
                             "median_steady_ms = ?, p90_steady_ms = ? WHERE id = ?"));
    for (const QVariant& v : {QVariant(s.clusters), QVariant(s.medianAbsMs), QVariant(s.p90AbsMs),
                              QVariant(s.medianSteadyMs), QVariant(s.p90SteadyMs), QVariant(s.id)})
        q.addBindValue(v);
    if (!q.exec()) return (error_ = q.lastError().text()), false;
    q.prepare(QStringLiteral("INSERT INTO measures(session, measure, clusters, p90_ms, "
                             "p90_steady_ms, boost) VALUES (?, ?, ?, ?, ?, ?)"));
    for (const MeasureResult& m : s.measures) {
        for (const QVariant& v : {QVariant(s.id), QVariant(m.measure), QVariant(m.clusters),
                                  QVariant(m.p90AbsMs), QVariant(m.p90SteadyMs), QVariant(m.boost)})
            q.addBindValue(v);
        if (!q.exec()) return (error_ = q.lastError().text()), false;
    }
    return true;
}

// Many rows a statement: Qt's driver runs one statement per row otherwise,
// and that costs more than SQLite's own work.
bool Journal::writeClusters(const JournalSession& s)
{
    constexpr size_t kRows = 256, kColumns = 8;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    const auto statement = [](size_t rows) {
        QString text = QStringLiteral("INSERT INTO clusters(session, seq, measure, file_tick, "
                                      "deviation_ms, steadiness_ms, velocity, boost) VALUES ");
        for (size_t r = 0; r < rows; ++r)
            text += r ? QStringLiteral(",(?,?,?,?,?,?,?,?)") : QStringLiteral("(?,?,?,?,?,?,?,?)");
        return text;
    };
    const QString full = statement(kRows);
    const std::vector<JournalCluster>& rows = s.clusterRows;
    for (size_t from = 0; from < rows.size(); from += kRows) {
        const size_t n = std::min(kRows, rows.size() - from);
        if (from == 0 || n < kRows) q.prepare(n == kRows ? full : statement(n));
        int at = 0;
        for (size_t i = from; i < from + n; ++i) {
            const JournalCluster& c = rows[i];
            q.bindValue(at++, s.id);
            q.bindValue(at++, qint64(i));
            q.bindValue(at++, c.measure);
            q.bindValue(at++, qulonglong(c.fileTick));
            q.bindValue(at++, c.deviationMs);
            q.bindValue(at++, c.steadinessMs);
            q.bindValue(at++, c.velocity);
            q.bindValue(at++, c.boost);
        }
        Q_ASSERT(size_t(at) == n * kColumns);
        if (!q.exec()) return (error_ = q.lastError().text()), false;
    }
    return true;
}

qint64 Journal::songId(const SongIdentity& song, bool create)
{
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    q.prepare(QStringLiteral("SELECT id FROM songs WHERE hash = ?"));
    q.addBindValue(song.hash);
    if (!q.exec()) {
        error_ = q.lastError().text();
        return -1;
    }
    if (q.next()) {
        const qint64 id = q.value(0).toLongLong();
        if (create) {
            // The song may have moved or been renamed since.
            q.prepare(QStringLiteral("UPDATE songs SET title = ?, path = ?, measures = ? "
                                     "WHERE id = ?"));
            q.addBindValue(song.title);
            q.addBindValue(song.path);
            q.addBindValue(song.measures);
            q.addBindValue(id);
            if (!q.exec()) return (error_ = q.lastError().text()), -1;
        }
        return id;
    }
    if (!create) return 0;
    q.prepare(QStringLiteral("INSERT INTO songs(hash, title, path, measures) VALUES (?, ?, ?, ?)"));
    q.addBindValue(song.hash);
    q.addBindValue(song.title);
    q.addBindValue(song.path);
    q.addBindValue(song.measures);
    if (!q.exec()) return (error_ = q.lastError().text()), -1;
    return q.lastInsertId().toLongLong();
}

bool Journal::record(const SongIdentity& song, JournalSession& session)
{
    if (!song.valid() || session.clusterRows.empty()) return false;
    if (!open()) return false;
    error_.clear();
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    if (!db.transaction()) return fail(db.lastError().text());
    QSqlQuery q(db);
    const qint64 song_ = songId(song, true);
    bool ok = song_ > 0;
    if (ok) {
        q.prepare(QStringLiteral(
            "INSERT INTO sessions(song, started, seconds, tracks, boost, loop_first, loop_last, "
            "recorded, tick4measure) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
        for (const QVariant& v :
             {QVariant(song_), QVariant(stamp(session.started)), QVariant(session.seconds),
              QVariant(session.tracks), QVariant(session.boost), QVariant(session.loopFirst),
              QVariant(session.loopLast), QVariant(int(session.recorded)),
              QVariant(session.tick4measure)})
            q.addBindValue(v);
        ok = q.exec();
    }
    if (ok) {
        session.id = q.lastInsertId().toLongLong();
        ok = writeClusters(session) && writeSummaries(session);
    }
    if (ok && db.commit()) return true;
    const QString why = !error_.isEmpty()         ? error_
                        : q.lastError().isValid() ? q.lastError().text()
                                                  : db.lastError().text();
    db.rollback();
    session.id = 0;
    // Damage met on the way: set aside, and the session goes into a new journal.
    if (setAsideIfDamaged(why)) return record(song, session);
    return fail(why);
}

SongHistory Journal::history(const SongIdentity& song)
{
    SongHistory h;
    h.song = song;
    if (!song.valid() || !open()) return h;
    const qint64 id = songId(song, false);
    if (id < 0 && !setAsideIfDamaged(error_)) fail(error_);
    if (id <= 0) return h;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral("SELECT id, started, seconds, tracks, boost, loop_first, loop_last, "
                             "recorded, clusters, median_ms, p90_ms, median_steady_ms, "
                             "p90_steady_ms FROM sessions WHERE song = ? ORDER BY started, id"));
    q.addBindValue(id);
    if (!q.exec()) return setAsideIfDamaged(q.lastError().text()) || fail(q.lastError().text()), h;
    std::map<qint64, size_t> index;
    while (q.next()) {
        JournalSession s;
        s.id = q.value(0).toLongLong();
        s.started = QDateTime::fromString(q.value(1).toString(), Qt::ISODateWithMs);
        s.seconds = q.value(2).toInt();
        s.tracks = q.value(3).toString();
        s.boost = q.value(4).toInt();
        s.loopFirst = q.value(5).toInt();
        s.loopLast = q.value(6).toInt();
        s.recorded = q.value(7).toBool();
        s.clusters = q.value(8).toInt();
        s.medianAbsMs = q.value(9).toDouble();
        s.p90AbsMs = q.value(10).toDouble();
        s.medianSteadyMs = q.value(11).toDouble();
        s.p90SteadyMs = q.value(12).toDouble();
        index[s.id] = h.sessions.size();
        h.sessions.push_back(std::move(s));
    }
    q.prepare(QStringLiteral("SELECT m.session, m.measure, m.clusters, m.p90_ms, "
                             "m.p90_steady_ms, m.boost FROM measures m JOIN sessions s ON "
                             "s.id = m.session WHERE s.song = ? ORDER BY m.session, m.measure"));
    q.addBindValue(id);
    if (!q.exec()) return setAsideIfDamaged(q.lastError().text()) || fail(q.lastError().text()), h;
    while (q.next()) {
        const auto at = index.find(q.value(0).toLongLong());
        if (at == index.end()) continue;
        MeasureResult m;
        m.measure = q.value(1).toLongLong();
        m.clusters = q.value(2).toInt();
        m.p90AbsMs = q.value(3).toDouble();
        m.p90SteadyMs = q.value(4).toDouble();
        m.boost = q.value(5).toInt();
        h.sessions[at->second].measures.push_back(m);
    }
    return h;
}

QByteArray Journal::csv(const SongIdentity& song)
{
    QByteArray text("session,started,seconds,session_boost,measure,file_tick,deviation_ms,"
                    "steadiness_ms,velocity,boost_percent\n");
    if (!song.valid() || !open()) return text;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    q.prepare(QStringLiteral(
        "SELECT s.id, s.started, s.seconds, s.boost, c.measure, c.file_tick, c.deviation_ms, "
        "c.steadiness_ms, c.velocity, c.boost FROM sessions s JOIN songs g ON g.id = s.song "
        "JOIN clusters c ON c.session = s.id WHERE g.hash = ? ORDER BY s.started, s.id, c.seq"));
    q.addBindValue(song.hash);
    if (!q.exec()) return fail(q.lastError().text()), text;
    while (q.next()) {
        for (int i = 0; i < 10; ++i) {
            const QVariant v = q.value(i);
            if (i) text += ',';
            text += v.type() == QVariant::Double ? QByteArray::number(v.toDouble(), 'f', 3)
                                                 : v.toString().toUtf8();
        }
        text += '\n';
    }
    return text;
}

bool Journal::exportCsv(const SongIdentity& song, const QString& file, QString* error)
{
    const QByteArray text = csv(song);
    QSaveFile out(file);
    if (out.open(QIODevice::WriteOnly) && out.write(text) >= 0 && out.commit()) return true;
    if (error) *error = out.errorString();
    return false;
}

bool Journal::forget(const SongIdentity& song)
{
    if (!song.valid() || !open()) return false;
    QSqlDatabase db = QSqlDatabase::database(connection_, false);
    QSqlQuery q(db);
    // The cascade takes the sessions, their measures and their clusters.
    q.prepare(QStringLiteral("DELETE FROM songs WHERE hash = ?"));
    q.addBindValue(song.hash);
    return q.exec() || fail(q.lastError().text());
}
