#pragma once

#include "core/settings.h"

#include <alsa/asoundlib.h>

struct EventNode;

// Events the engine sends to its own input port, and the event filters both
// loops apply.

// A display echo: USR3/USR4 for a key hint or an accompaniment note on/off
// as its tag says, USR6/USR7 for a user note. Its raw8 bytes carry the key
// state (the zone for a user note), the note and the device's address.
enum DisplayEchoTag { UserNoteEcho = 0, KeyHintEcho = 2, AccompanimentEcho = 3 };
enum DisplayEchoByte { EchoKeyState = 0, EchoNote = 1, EchoClient = 2, EchoPort = 3 };
void makeDisplayEcho(snd_seq_event_t& ev, snd_seq_addr_t self, int type, int tag, int flag,
                     int note, int client, int port);
// The echo of a lyric or marker node, carrying its text position and length
// in raw32.
enum LyricEchoWord { EchoBytePosition = 0, EchoByteLength = 1 };
// The loop's seam (SETPOS_TICK) carries in raw32 the first beat of the loop,
// the file tempo in force there (0: the one playing) and the next pass's boost.
enum SeamEchoWord { SeamFirstBeat = 0, SeamFileTempo = 1, SeamPassBoost = 2 };
// A device left the sequencer or came back while the session runs: the
// engine's wake-up (USR1), sent by the window's thread, whose raw8 carries
// what happened (0 for a plain wake-up), the device's address and, for an
// output back, the volume it is to get.
enum DeviceEchoKind { InputGoneEcho = 1, OutputBackEcho = 2 };
enum DeviceEchoByte {
    DeviceEchoWhat = 0,
    DeviceEchoClient = 1,
    DeviceEchoPort = 2,
    DeviceEchoVolume = 3
};
void makeLyricEcho(snd_seq_event_t& ev, snd_seq_addr_t self, const EventNode& mark);
bool isLyricMark(int type);
// Whether the tracks of the set keep events of this type; read live.
bool filterPasses(const LiveOptions& options, Keys::EventFilters::FilterSet set, int type);
