// libFuzzer target: loads arbitrary bytes as a MIDI file and aborts when the
// song left behind breaks an invariant the rest of the program relies on, or
// when writing it and loading it again changes its tracks. A song that loads
// is then prepared as a deck would and saved, and must come back the same.

#include "core/devices.h"
#include "core/messages.h"
#include "song/deckmodel.h"
#include "song/preparation.h"
#include "song/smfencode.h"
#include "song/songloader.h"
#include "song/songsaver.h"

#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace
{

// libFuzzer captured the original stderr before we start, and sanitizers
// write to descriptor 2 directly; only the loader's chatter goes to /dev/null.
FILE* realStderr = nullptr;
QString roundTripPath;

void require(bool ok, const char* what)
{
    if (ok) return;
    std::fprintf(realStderr, "fuzz_load invariant broken: %s\n", what);
    std::abort();
}

// Per track, the (type, tick) of every node in list order; the lyric and text
// marks only when `marks` (the deck's save rebuilds them).
std::vector<std::vector<std::pair<int, uint64_t>>> checkedTracks(const Song& song, bool loaded,
                                                                 bool marks = true)
{
    const FileFacts& f = song.facts;
    require(song.events.isSorted(), "list not sorted by tick");
    require(f.noteOnCounts.size() == size_t(f.ntracks) && f.trackNames.size() == size_t(f.ntracks),
            "per-track facts disagree with ntracks");
    std::vector<std::vector<std::pair<int, uint64_t>>> tracks(size_t(f.ntracks));
    size_t count = 0;
    const EventNode* previous = nullptr;
    for (const EventNode* n = song.events.head(); n; previous = n, n = n->next) {
        require(n->prev == previous && ++count <= song.events.size(), "links broken");
        require(!loaded || n->track < tracks.size(), "node track >= ntracks");
        const bool mark = n->type() == kTypeLyricMark || n->type() == kTypeTextMark;
        if (n->track < tracks.size() && (marks || !mark))
            tracks[n->track].emplace_back(n->type(), n->tick);
    }
    require(song.events.tail() == previous && count == song.events.size(), "ends or size wrong");
    return tracks;
}

QByteArray takeWritten()
{
    QFile file(roundTripPath);
    require(file.open(QIODevice::ReadOnly), "written file cannot be opened");
    const QByteArray bytes = file.readAll();
    file.remove(); // before anything can abort
    return bytes;
}

// A prepared song holds its free tracks past the file tracks: they are not
// written unless bound, and the saved marks are rebuilt.
void compareWritten(const Song& first, const LoadOptions& options, bool prepared, const char* what)
{
    Song second;
    require(loadSongFromBytes(takeWritten(), QStringLiteral("round trip"), options, second),
            "a written song does not load back");
    auto a = checkedTracks(first, !prepared, !prepared), b = checkedTracks(second, true, !prepared);
    // Deltas of 2^63 and more saturate when read back; smaller ones survive.
    if (first.events.tail() && first.events.tail()->tick >= (uint64_t(1) << 62))
        for (auto* tracks : {&a, &b})
            for (auto& track : *tracks)
                for (auto& event : track) event.second = 0;
    require(a == b, what);
}

void checkRoundTrip(const Song& first, const LoadOptions& options)
{
    const FileFacts& f = first.facts;
    require(writeSongFile(roundTripPath, first.events, f.format, f.ntracks, f.division).ok,
            "writing a loaded song failed");
    compareWritten(first, options, false, "round trip changed a track's events or ticks");
}

// One keyboard and one synthesizer, so the deck adds a free track.
void checkPreparedSave(Song& song, const LoadOptions& options)
{
    DeviceSet devices;
    devices.inputs.push_back(std::make_unique<InputDevice>());
    devices.inputs.back()->client = 20;
    devices.outputs.push_back(std::make_unique<OutputDevice>());
    devices.outputs.back()->client = 128;
    devices.defaultOutput.client = 128;
    DeckModel deck(song, devices);
    deck.fileName = QStringLiteral("fuzz.mid");
    require(prepareSong(deck) == PrepareResult::Prepared, "a loaded song does not prepare");
    checkedTracks(song, false);
    require(saveSong(deck, roundTripPath), "saving a prepared song failed");
    compareWritten(song, options, true, "saving a prepared song changed its tracks");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    realStderr = stderr;
    // The loader's chatter on every bad file would drown libFuzzer's output.
    if (FILE* null = std::fopen("/dev/null", "w")) stdout = stderr = null;
    Messages::setSink(new ScriptedMessageSink);
    roundTripPath = QStringLiteral("%1/clavion-fuzz-%2.mid")
                        .arg(::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp")
                        .arg(::getpid());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    for (bool split : {true, false}) {
        LoadOptions options;
        options.splitFormat0 = split;
        options.strictLyrics = size > 0 && (data[size - 1] & 1);
        Song song;
        const bool loaded = loadSongFromBytes(bytes, QStringLiteral("fuzz.mid"), options, song);
        checkedTracks(song, loaded);
        if (!loaded) continue;
        checkRoundTrip(song, options);
        checkPreparedSave(song, options);
    }
    return 0;
}
