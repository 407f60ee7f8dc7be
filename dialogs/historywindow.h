#pragma once

#include "song/practicejournal.h"

#include <QDialog>

class HistoryPlot;
class Journal;
class MasteryMap;
class QLabel;
class QPushButton;

// The open song's practice history: its sessions over the days, the time
// practised, and each measure's mastery. It reads the journal again after
// every session (reload) and can export or forget the song's history.
class HistoryWindow : public QDialog
{
    Q_OBJECT
public:
    HistoryWindow(Journal& journal, const SongIdentity& song, const MasteryRules& rules,
                  QWidget* parent = nullptr);

    // Reads the song's history from the journal and shows it.
    void reload();
    const SongHistory& history() const { return history_; }
    HistoryPlot* plot() const { return plot_; }
    MasteryMap* map() const { return map_; }
    // Writes the song's clusters as CSV; a failure is told to the user.
    bool exportCsv(const QString& path);
    // Drops the song's sessions once the user agrees.
    void forget();
    // A session running now cannot have its loop changed.
    void setPractiseEnabled(bool on);

    // "1 h 05 min", "12 min 30 s": the time practised.
    static QString duration(qint64 seconds);

signals:
    void practiseWeakestRequested();
    // Forget dropped the sessions.
    void historyForgotten();

private:
    void chooseCsvFile();

    Journal& journal_;
    SongIdentity song_;
    MasteryRules rules_;
    SongHistory history_;
    HistoryPlot* plot_;
    MasteryMap* map_;
    QLabel* empty_;
    QLabel* total_;
    QLabel* sessions_;
    QPushButton* weakest_;
    QPushButton* csv_;
    QPushButton* forget_;
    bool practiseAllowed_ = true;
};
