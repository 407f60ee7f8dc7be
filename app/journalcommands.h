#pragma once

#include "song/practicejournal.h"

#include <QObject>
#include <memory>

class Journal;
class PlayDialog;
class TopWidget;

// The practice journal seen from the main window: every session of the open
// song is kept, its history shown in a window of its own and painted on the
// piano roll's measures, and the weakest measures looped on request.
class JournalCommands : public QObject
{
    Q_OBJECT
public:
    explicit JournalCommands(TopWidget& window);
    ~JournalCommands() override;

    // Opened on first use, in the user's data folder.
    Journal& journal();
    MasteryRules rules() const;
    // A song was opened on this deck: its sessions are kept from now on.
    void songOpened(PlayDialog* deck);
    void showHistory();
    // Loops the weakest measures with the tempo stepping up from where they
    // were last good, or tells why there are none.
    void practiseWeakest();

private:
    void sessionFinished();
    // The roll's measures and an open history window follow the journal.
    void showMastery();

    TopWidget& window_;
    std::unique_ptr<Journal> journal_;
};
