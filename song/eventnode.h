#pragma once

#include <alsa/asoundlib.h>
#include <cstdint>

// One event of the song. Nodes are owned by the EventList; sysex and text
// nodes own the buffer their event points to.

constexpr uint64_t kNoTick = UINT64_MAX;
constexpr uint32_t kNoGap = UINT32_MAX;

// Event types the store uses beyond ALSA's named ones.
enum SongEventType : int {
    kTypeNote = SND_SEQ_EVENT_NOTE,             // 5
    kTypeNoteOn = SND_SEQ_EVENT_NOTEON,         // 6
    kTypeNoteOff = SND_SEQ_EVENT_NOTEOFF,       // 7
    kTypeKeyPress = SND_SEQ_EVENT_KEYPRESS,     // 8
    kTypeController = SND_SEQ_EVENT_CONTROLLER, // 10
    kTypePgmChange = SND_SEQ_EVENT_PGMCHANGE,   // 11
    kTypeChanPress = SND_SEQ_EVENT_CHANPRESS,   // 12
    kTypePitchBend = SND_SEQ_EVENT_PITCHBEND,   // 13
    kTypeTimeSign = SND_SEQ_EVENT_TIMESIGN,     // 23
    kTypeKeySign = SND_SEQ_EVENT_KEYSIGN,       // 24
    kTypeTempo = SND_SEQ_EVENT_TEMPO,           // 35
    kTypeLyricMark = SND_SEQ_EVENT_USR5,        // 95: mark of a Lyric meta event
    kTypeTextMark = SND_SEQ_EVENT_USR9,         // 99: mark of a text event used as lyrics
    kTypeSysex = SND_SEQ_EVENT_SYSEX,           // 130
    kTypeTextBase = 135,                        // 135 + meta text type 1..15
};

// A lyric or text mark keeps in raw32 where its text starts in the lyrics,
// in bytes, and how many bytes it has.
constexpr int kMarkBytePosition = 1;
constexpr int kMarkByteLength = 2;

inline bool isTextType(int type)
{
    return type > kTypeTextBase && type <= kTypeTextBase + 15;
}

struct EventNode {
    uint64_t tick = 0;
    uint64_t altTick = kNoTick;
    uint64_t tempo = 500000;
    EventNode* next = nullptr;
    EventNode* prev = nullptr;
    EventNode* partner = nullptr;
    EventNode* nextSounding = nullptr;
    uint32_t track = 0;
    uint32_t clusterOffset = 0;
    uint32_t noteGap = kNoGap;
    snd_seq_event_t event{};
    snd_seq_event_t output{};

    int type() const { return event.type; }
    int channel() const { return event.data.note.channel; }
    int note() const { return event.data.note.note; }
    int velocity() const { return event.data.note.velocity; }
    bool isNoteOn() const { return event.type == SND_SEQ_EVENT_NOTEON; }
    bool isSoundingNoteOn() const { return isNoteOn() && event.data.note.velocity > 0; }
    bool isNoteOffEvent() const
    {
        return event.type == SND_SEQ_EVENT_NOTEOFF || (isNoteOn() && event.data.note.velocity == 0);
    }
    bool ownsData() const { return event.type == kTypeSysex || isTextType(event.type); }
    const unsigned char* data() const
    {
        return static_cast<const unsigned char*>(event.data.ext.ptr);
    }
    uint32_t dataLength() const { return event.data.ext.len; }
};
