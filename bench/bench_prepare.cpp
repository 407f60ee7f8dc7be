// How long preparing a song takes when its notes are laid out to hurt the
// pairing pass, against an ordinary song of a million notes.
//
//   bench_prepare [REPS]
//
// Hostile songs: 40,000 Note Ons of one key at one tick (their Note Offs a
// beat later), and 40,000 drum hits without Note Offs. Both must cost less
// than the ordinary million notes (16 tracks, notes of a sixteenth).

#include "core/devices.h"
#include "core/messages.h"
#include "song/deckmodel.h"
#include "song/preparation.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

namespace
{

class SilentSink : public MessageSink
{
public:
    int show(const Message&) override { return NoButton; }
};

struct Note {
    uint64_t tick;
    int track;
    int type;
    int channel;
    int key;
};

void fill(Song& song, int tracks, std::vector<Note> notes)
{
    song.clear();
    std::stable_sort(notes.begin(), notes.end(),
                     [](const Note& a, const Note& b) { return a.tick < b.tick; });
    FileFacts& f = song.facts;
    f.format = 1;
    f.ntracks = tracks;
    f.division = 96;
    f.noteOnCounts.assign(size_t(tracks), 0);
    f.trackNames.assign(size_t(tracks), QByteArray());
    for (const Note& n : notes) {
        EventNode* e = song.events.newNode();
        e->tick = n.tick;
        e->track = uint32_t(n.track);
        e->event.type = static_cast<snd_seq_event_type_t>(n.type);
        e->event.time.tick = static_cast<snd_seq_tick_time_t>(n.tick);
        e->event.data.note.channel = static_cast<unsigned char>(n.channel);
        e->event.data.note.note = static_cast<unsigned char>(n.key);
        e->event.data.note.velocity = 100;
        if (n.type == SND_SEQ_EVENT_NOTEON) ++f.noteOnCounts[size_t(n.track)];
        song.events.insertSorted(e);
    }
}

std::vector<Note> oneTick()
{
    std::vector<Note> v;
    for (int i = 0; i < 40000; ++i) v.push_back({0, 0, SND_SEQ_EVENT_NOTEON, 0, 60});
    for (int i = 0; i < 40000; ++i) v.push_back({96, 0, SND_SEQ_EVENT_NOTEOFF, 0, 60});
    return v;
}

std::vector<Note> noNoteOffs()
{
    std::vector<Note> v;
    for (int i = 0; i < 40000; ++i)
        v.push_back({uint64_t(i) * 24, 0, SND_SEQ_EVENT_NOTEON, 9, 36 + i % 8});
    return v;
}

std::vector<Note> ordinary()
{
    std::vector<Note> v;
    const int tracks = 16;
    for (int i = 0; i < 1000000; ++i) {
        const int track = i % tracks;
        const uint64_t on = uint64_t(i / tracks) * 24 + uint64_t(track);
        const int key = 36 + (i * 7) % 48;
        v.push_back({on, track, SND_SEQ_EVENT_NOTEON, track, key});
        v.push_back({on + 20, track, SND_SEQ_EVENT_NOTEOFF, track, key});
    }
    return v;
}

double medianSeconds(int tracks, const std::function<std::vector<Note>()>& make, int reps)
{
    std::vector<double> times;
    for (int r = 0; r < reps; ++r) {
        Song song;
        fill(song, tracks, make());
        DeviceSet devices;
        auto out = std::make_unique<OutputDevice>();
        out->client = 128;
        devices.outputs.push_back(std::move(out));
        devices.defaultOutput.client = 128;
        DeckModel deck(song, devices);
        const auto start = std::chrono::steady_clock::now();
        prepareSong(deck);
        times.push_back(
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    SilentSink sink;
    ScopedMessageSink installed(&sink);
    const int reps = argc > 1 ? std::max(1, std::atoi(argv[1])) : 3;
    const double million = medianSeconds(16, ordinary, reps);
    const double stacked = medianSeconds(1, oneTick, reps);
    const double drums = medianSeconds(1, noNoteOffs, reps);
    std::printf("prepare 1,000,000 ordinary notes:        %8.3f s\n", million);
    std::printf("prepare 40,000 Note Ons at one tick:     %8.3f s  ratio %.3f\n", stacked,
                stacked / million);
    std::printf("prepare 40,000 Note Ons without offs:    %8.3f s  ratio %.3f\n", drums,
                drums / million);
    const bool ok = stacked < million && drums < million;
    std::printf("%s\n", ok ? "hostile songs cost less than the ordinary million"
                           : "a hostile song costs more than the ordinary million");
    return ok ? 0 : 1;
}
