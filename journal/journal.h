#pragma once

#include "song/practicejournal.h"

#include <QString>

// The practice journal: every session's clusters, kept in an SQLite file so
// a song's history lasts across runs. All calls come from the GUI thread
// (or a tool); the engine never waits on it. A database that cannot be used
// is told once through the message module, and practice goes on without it.
class Journal
{
public:
    // The schema this build writes; older files are migrated on open.
    static constexpr int kSchemaVersion = 2;

    explicit Journal(QString path = defaultPath());
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // ~/.local/share/clavion/journal.sqlite, following XDG_DATA_HOME.
    static QString defaultPath();
    const QString& path() const { return path_; }

    // Opens (creating or migrating) on first use. A file that is not a
    // journal is renamed aside with a message and a new one started.
    bool open();
    bool isOpen() const;

    // Writes the session, its measures and clusters in one transaction;
    // fills session.id.
    bool record(const SongIdentity& song, JournalSession& session);
    // The song's sessions, oldest first, with their measures but no clusters.
    SongHistory history(const SongIdentity& song);
    // Every cluster of the song's sessions as CSV, for a spreadsheet.
    QByteArray csv(const SongIdentity& song);
    bool exportCsv(const SongIdentity& song, const QString& file, QString* error);
    // Drops every session of the song.
    bool forget(const SongIdentity& song);

    // Why the last call failed; empty after a success.
    const QString& lastError() const { return error_; }

private:
    bool fail(const QString& what);
    bool setAside();
    // A query met damage: the file is set aside and the journal closed; false for other errors.
    bool setAsideIfDamaged(const QString& error);
    bool migrate(int version);
    bool summariseOldSessions();
    bool writeSummaries(const JournalSession& session);
    bool writeClusters(const JournalSession& session);
    // The song's row; 0 when it has none and `create` is false, -1 on a failure.
    qint64 songId(const SongIdentity& song, bool create);

    QString path_;
    QString connection_;
    QString error_;
    bool told_ = false; // a failure is told once per journal
    bool opened_ = false;
};
