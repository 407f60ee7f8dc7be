#pragma once

#include <QEvent>
#include <QString>
#include <QtGlobal>

class QObject;

// In a ThreadSanitizer build, lets it see that posted events reach their
// receivers through Qt's queue; call once after the application object is
// made. Nothing in other builds.
void watchPostedEventsForSanitizer();

// Custom event types shared by every sender and receiver. Comments name the
// class that carries the payload, plain QEvent when none is named; the
// payloads of more than one value are read and made through the named views
// below.
enum EventType : int {
    SessionFinishedEvent = 1001, // IntIntEvent: notes rung while recording, notes recorded free
    HaltSessionEvent = 1002,
    RepaintDiagramEvent = 1004,
    ClockStepEvent = 1005,
    WarningMessageEvent = 1013, // MessageEvent
    DeviceFailureEvent = 1018,  // MessageEvent: the main window unloads the song
    ResizeRequestEvent = 1020,  // MessageEvent carrying kResizeRequestText
    ReloadRequestEvent = 1021,  // the main window reloads the song
    CloseDocWindowEvent = 1022, // MessageEvent carrying kCloseDocWindowText
    AutoRepeatOnEvent = 1027,
    AutoRepeatOffEvent = 1028,
    RecordButtonCheckEvent = 1029,
    FileTempoEvent = 1032, // IntEvent: microseconds per quarter note
    SongEndEvent = 1034,   // UlongintEvent, payload 0
    BeatEvent = 1035,
    SessionStartedEvent = 1038,
    UserNoteOnEvent = 1039,          // IntIntIntIntEvent: note, client, port, zone
    UserNoteOffEvent = 1040,         // IntIntIntIntEvent: note, client, port, zone
    OutputNoteOnEvent = 1041,        // IntEvent: note
    OutputNoteOffEvent = 1042,       // IntEvent: note
    KeyHintOnEvent = 1043,           // IntIntIntIntEvent: note, client, port, key state; priority 1
    KeyHintOffEvent = 1044,          // IntIntIntIntEvent: note, client, port, 0; priority 1
    AccompanimentNoteOnEvent = 1045, // IntIntIntIntEvent: note, client, port, 6
    AccompanimentNoteOffEvent = 1046, // IntIntIntIntEvent: note, client, port, 0
    LyricSelectEvent = 1047,          // UintIntEvent: byte position, byte length
    StatusTextEvent = 1050,           // StatusbarEvent: a text the status bar keeps
    ClearStatusbarEvent = 1051,       // StatusbarEvent, empty text
    TempoRatioEvent = 1064,           // DoubleEvent: accompaniment progress / player progress
    LoopSeamEvent = 1065,             // IntIntEvent: the loop's first beat, the pass's boost or 0
    ResetKeyboardsEvent = 1066,       // every virtual keyboard back to its resting colours
    DeviceGoneEvent = 1067,           // IntIntIntIntEvent: client, port, 1 for an output, 0
    RescanDevicesEvent = 1068,        // the main window reads the sequencer's ports again
    ShowLyricsEvent = 1201,           // BoolEvent
    ToggleTrackSelectEvent = 1202,    // BoolEvent
    ShowTrackControlsEvent = 1203,    // BoolEvent

    // Ranges the main window treats generically.
    FirstWarningMessageEvent = 1013,
    LastWarningMessageEvent = 1025,
    FirstStatusbarEvent = 1050,
    LastStatusbarEvent = 1060,
};

extern const char* const kResizeRequestText;  // "Dear TopWidget please resize yourself!"
extern const char* const kCloseDocWindowText; // "Dear TopWidget please close docdialog!"

// 1013..1025 other than 1018, 1020, 1021 and 1022: a warning box with the text.
bool isWarningMessageType(int type);
// 1050..1060 other than 1051: status bar text without time-out.
bool isStatusbarTextType(int type);
// 1 for the key hints (1043, 1044), else 0.
int postingPriority(int type);

// Posts with the priority of its type. Qt takes ownership of the event: it
// is deleted after delivery, or when the receiver dies first.
void postEvent(QObject* receiver, QEvent* event);

inline QEvent::Type eventType(int type)
{
    return static_cast<QEvent::Type>(type);
}

class IntEvent : public QEvent
{
public:
    explicit IntEvent(int type, qint32 v = 0) : QEvent(eventType(type)), value(v) {}
    ~IntEvent() override;
    qint32 value;
};

class IntIntEvent : public QEvent
{
public:
    explicit IntIntEvent(int type, qint32 va = 0, qint32 vb = 0)
        : QEvent(eventType(type)), a(va), b(vb)
    {
    }
    ~IntIntEvent() override;
    qint32 a;
    qint32 b;
};

class IntIntIntIntEvent : public QEvent
{
public:
    explicit IntIntIntIntEvent(int type, qint32 va = 0, qint32 vb = 0, qint32 vc = 0, qint32 vd = 0)
        : QEvent(eventType(type)), a(va), b(vb), c(vc), d(vd)
    {
    }
    ~IntIntIntIntEvent() override;
    qint32 a;
    qint32 b;
    qint32 c;
    qint32 d;
};

class UintIntEvent : public QEvent
{
public:
    explicit UintIntEvent(int type, quint32 va = 0, qint32 vb = 0)
        : QEvent(eventType(type)), a(va), b(vb)
    {
    }
    ~UintIntEvent() override;
    quint32 a;
    qint32 b;
};

class UlongintEvent : public QEvent
{
public:
    explicit UlongintEvent(int type, quint64 v = 0) : QEvent(eventType(type)), value(v) {}
    ~UlongintEvent() override;
    quint64 value;
};

class DoubleEvent : public QEvent
{
public:
    explicit DoubleEvent(int type, double v = 0) : QEvent(eventType(type)), value(v) {}
    ~DoubleEvent() override;
    double value;
};

class BoolEvent : public QEvent
{
public:
    explicit BoolEvent(int type, bool v = false) : QEvent(eventType(type)), value(v) {}
    ~BoolEvent() override;
    bool value;
};

class MessageEvent : public QEvent
{
public:
    explicit MessageEvent(int type, const QString& message = QString())
        : QEvent(eventType(type)), text(message)
    {
    }
    ~MessageEvent() override;
    QString text; // already translated
};

class StatusbarEvent : public QEvent
{
public:
    explicit StatusbarEvent(int type, const QString& message = QString())
        : QEvent(eventType(type)), text(message)
    {
    }
    ~StatusbarEvent() override;
    QString text;
};

// Named views of the payloads that carry more than one value. Senders make
// the event through them and receivers read it through them; the classes
// above stay the contract between the threads.

// UserNoteOn/Off, KeyHintOn/Off, AccompanimentNoteOn/Off: a key to colour on
// the keyboards of the device client:port.
class KeyDisplayPayload
{
public:
    // A key the player rang or released, with the zone whose colour it shows.
    static IntIntIntIntEvent* userNote(bool on, int note, int client, int port, int zone)
    {
        return new IntIntIntIntEvent(on ? UserNoteOnEvent : UserNoteOffEvent, note, client, port,
                                     zone);
    }
    // A key the player is expected to strike, in a key state; 0 at off.
    static IntIntIntIntEvent* keyHint(bool on, int note, int client, int port, int keyState)
    {
        return new IntIntIntIntEvent(on ? KeyHintOnEvent : KeyHintOffEvent, note, client, port,
                                     keyState);
    }
    // A note the accompaniment plays on an output, in a key state; 0 at off.
    static IntIntIntIntEvent* accompanimentNote(bool on, int note, int client, int port,
                                                int keyState)
    {
        return new IntIntIntIntEvent(on ? AccompanimentNoteOnEvent : AccompanimentNoteOffEvent,
                                     note, client, port, keyState);
    }

    explicit KeyDisplayPayload(const QEvent* event)
        : e_(*static_cast<const IntIntIntIntEvent*>(event))
    {
    }
    int note() const { return e_.a; }
    int client() const { return e_.b; }
    int port() const { return e_.c; }
    int zone() const { return e_.d; }     // UserNote*
    int keyState() const { return e_.d; } // KeyHint*, AccompanimentNote*

private:
    const IntIntIntIntEvent& e_;
};

// DeviceGoneEvent: the port client:port left the sequencer during a session.
class DeviceGonePayload
{
public:
    static IntIntIntIntEvent* make(int client, int port, bool output)
    {
        return new IntIntIntIntEvent(DeviceGoneEvent, client, port, output ? 1 : 0);
    }

    explicit DeviceGonePayload(const QEvent* event)
        : e_(*static_cast<const IntIntIntIntEvent*>(event))
    {
    }
    int client() const { return e_.a; }
    int port() const { return e_.b; }
    bool isOutput() const { return e_.c != 0; }

private:
    const IntIntIntIntEvent& e_;
};

// SessionFinishedEvent: what the session's notes were while recording.
class SessionFinishedPayload
{
public:
    static IntIntEvent* make(int interactiveNotes, int freeNotes)
    {
        return new IntIntEvent(SessionFinishedEvent, interactiveNotes, freeNotes);
    }

    explicit SessionFinishedPayload(const QEvent* event)
        : e_(*static_cast<const IntIntEvent*>(event))
    {
    }
    int interactiveNotes() const { return e_.a; } // rung on interactive tracks
    int freeNotes() const { return e_.b; }        // recorded on free tracks

private:
    const IntIntEvent& e_;
};

// LoopSeamEvent: the practice loop starts over.
class LoopSeamPayload
{
public:
    static IntIntEvent* make(int firstBeat, int passBoost)
    {
        return new IntIntEvent(LoopSeamEvent, firstBeat, passBoost);
    }

    explicit LoopSeamPayload(const QEvent* event) : e_(*static_cast<const IntIntEvent*>(event)) {}
    int firstBeat() const { return e_.a; }
    int passBoost() const { return e_.b; } // 0 when the pass keeps the user's boost

private:
    const IntIntEvent& e_;
};

// LyricSelectEvent: the lyric or marker text the song has reached.
class LyricSelectPayload
{
public:
    static UintIntEvent* make(quint32 bytePosition, int byteLength)
    {
        return new UintIntEvent(LyricSelectEvent, bytePosition, byteLength);
    }

    explicit LyricSelectPayload(const QEvent* event) : e_(*static_cast<const UintIntEvent*>(event))
    {
    }
    // In bytes of the lyrics as the file holds them.
    quint32 bytePosition() const { return e_.a; }
    int byteLength() const { return e_.b; }

private:
    const UintIntEvent& e_;
};

// The deck's arithmetic on 1032 and 1064.
// File tempo x 100 / boost; the file tempo itself for a boost of 0 or less.
int effectiveTempo(int fileTempo, int tempoBoost);
// 60 000 000 / effective tempo, truncated; 0 for a tempo of 0 or less.
int beatsPerMinute(int effectiveTempo);
// boost / ratio truncated, clamped to 83..120; no quotient (NaN) leaves the boost.
int followedTempoBoost(int tempoBoost, double ratio);
