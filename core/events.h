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
// class that carries the payload; plain QEvent when none is named.
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
    LyricSelectEvent = 1047,          // UintIntEvent: character position, length
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

// The deck's arithmetic on 1032 and 1064.
// File tempo x 100 / boost; the file tempo itself for a boost of 0 or less.
int effectiveTempo(int fileTempo, int tempoBoost);
// 60 000 000 / effective tempo, truncated; 0 for a tempo of 0 or less.
int beatsPerMinute(int effectiveTempo);
// boost / ratio truncated, clamped to 83..120; no quotient (NaN) leaves the boost.
int followedTempoBoost(int tempoBoost, double ratio);
