#pragma once

#include <alsa/asoundlib.h>

class LiveOptions;
struct EventNode;

// Events the engine sends to its own input port, and the event filters both
// loops apply.

// A display echo: its tag, then (flag or zone, note, client, port).
void makeDisplayEcho(snd_seq_event_t& ev, snd_seq_addr_t self, int type, int tag, int flag,
                     int note, int client, int port);
// The echo of a lyric or marker node, carrying its text position and length.
void makeLyricEcho(snd_seq_event_t& ev, snd_seq_addr_t self, const EventNode& mark);
bool isLyricMark(int type);
// Filter set 0 interactive, 1 accompaniment, 2 free tracks; read live.
bool filterPasses(const LiveOptions& options, int set, int type);
