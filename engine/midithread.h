#pragma once

#include "engine/interactive.h"
#include "engine/listenloop.h"
#include "engine/seqclient.h"

#include <QThread>
#include <atomic>
#include <climits>
#include <memory>

class DeckModel;
class LiveOptions;

// The engine thread: one run is one session. It opens its own sequencer
// client, plays the accompaniment a beat ahead on one queue, reacts to the
// echoes it schedules to itself, and reports to the deck and the main window
// by posted events only.
class MidiThread : public QThread
{
    Q_OBJECT
public:
    MidiThread(DeckModel& deck, const LiveOptions& options, QObject* deckReceiver,
               QObject* mainReceiver);
    ~MidiThread() override;

    // Queue tempo in microseconds per quarter note and ticks per quarter note.
    virtual void setTempo(int tempo, int ppq);
    virtual bool getTempo(int* tempo, int* ppq);
    void stopQueue();
    void continueQueue();
    // The deck's pause (GUI thread): the queue stops and what sounds is
    // silenced; resumed, it goes on from where it stopped.
    void setPaused(bool paused);
    // Makes a waiting session look at its stop flag now rather than at the
    // next poll time-out.
    void wake();
    // A PC-keyboard note, sent to our own input port as if from a keyboard
    // (called on the GUI thread). The sequencer's result, or -1 with no session.
    int sendPcNote(int note, bool pressed);
    bool isSessionRunning() const { return running_.load(); }
    // Waits for the thread to end; true when it did. Afterwards all the
    // thread wrote is visible here.
    bool join(unsigned long ms = ULONG_MAX);
    // Raw senders the deck uses while a session runs.
    void setVolume(const OutputDevice& out, int value);
    void programChanges(const OutputDevice& out, uint16_t pattern,
                        const std::array<int, 16>& programs);
    void channelsOff(const OutputDevice& out, uint16_t pattern);
    // A track moved to another device while a session runs (with the deck's
    // mutex held, so the session cannot open or close meanwhile).
    SeqClient::Live connectInput(const InputDevice& in, QString* error);
    void disconnectInput(const InputDevice& in);
    SeqClient::Live connectOutput(const OutputDevice& out, QString* error);
    void disconnectOutput(const OutputDevice& out);
    // A device left the sequencer, or came back to it at the address its
    // record has now, while a session runs (window's thread). A keyboard's
    // held keys end; an output gets the song's sound back, its patches and
    // the volume given.
    void inputGone(const InputDevice& in);
    void outputGone(const OutputDevice& out);
    SeqClient::Live inputBack(const InputDevice& in, QString* error);
    SeqClient::Live outputBack(const OutputDevice& out, int volume, QString* error);

    // Counts of the last session: interactive notes rung while recording and
    // notes recorded into free tracks.
    int interactiveNotes() const { return interactiveNotes_; }
    int freeNotes() const { return freeNotes_; }

protected:
    void run() override;

private:
    void handle(const snd_seq_event_t& ev);
    void endSession();
    // With the deck's mutex held, once the echoes due before a pause are in.
    void followPause();
    void sendPatches();
    void sendPatches(const OutputDevice& out);
    void deviceEcho(const snd_seq_event_t& ev);
    int sendDeviceEcho(int what, int client, int port, int volume = 0);
    static void applyFileTempo(void* self, int fileTempo);
    static void loopSeam(void* self, const LoopSeam& seam);
    static bool songAlive(void* self);
    static snd_seq_event_t startEvent();

    DeckModel& deck_;
    const LiveOptions& options_;
    QObject* deckReceiver_;
    QObject* mainReceiver_;
    SeqClient client_;
    std::unique_ptr<ListenLoop> loop_;
    std::unique_ptr<InteractiveLoop> interactive_;
    std::atomic<bool> running_{false};
    bool silenced_ = false; // the outputs were silenced for a pause
    TempoFollower follower_;
    unsigned followerPreparation_ = 0;
    int interactiveNotes_ = 0;
    int freeNotes_ = 0;
};
