// libFuzzer target: loads arbitrary bytes as a MIDI file and aborts when the
// song left behind breaks an invariant the rest of the program relies on.

#include "core/messages.h"
#include "song/smfencode.h"
#include "song/songloader.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{

// libFuzzer captured the original stderr before we start, and sanitizers
// write to descriptor 2 directly; only the loader's chatter goes to /dev/null.
FILE* realStderr = nullptr;
std::string roundTripPath;
ScriptedMessageSink* sink = nullptr;

[[noreturn]] void fail(const char* what)
{
    if (realStderr) {
        std::fprintf(realStderr, "fuzz_load invariant broken: %s\n", what);
        std::fflush(realStderr);
    }
    std::abort();
}

void checkList(const Song& song, bool loaded)
{
    const EventList& list = song.events;
    if (!list.isSorted()) fail("list not sorted by tick");
    size_t count = 0;
    const EventNode* previous = nullptr;
    for (const EventNode* n = list.head(); n; n = n->next) {
        if (n->prev != previous) fail("prev does not point back to the previous node");
        if (previous && previous->next != n) fail("next/prev not mutual");
        if (loaded && n->track >= uint32_t(song.facts.ntracks)) fail("node track >= ntracks");
        previous = n;
        if (++count > list.size()) fail("walk longer than size()");
    }
    if (list.tail() != previous) fail("tail is not the last node of the walk");
    if (count != list.size()) fail("size() disagrees with a walk");
    if (list.empty() != (count == 0)) fail("empty() disagrees with a walk");

    const FileFacts& f = song.facts;
    if (f.ntracks < 0) fail("negative ntracks");
    if (f.noteOnCounts.size() != size_t(f.ntracks)) fail("noteOnCounts size != ntracks");
    if (f.trackNames.size() != size_t(f.ntracks)) fail("trackNames size != ntracks");
}

// Per track, the (type, tick) of every node in list order.
using TrackEvents = std::vector<std::vector<std::pair<int, uint64_t>>>;

TrackEvents eventsByTrack(const Song& song)
{
    TrackEvents tracks(size_t(song.facts.ntracks));
    for (const EventNode* n = song.events.head(); n; n = n->next)
        if (n->track < tracks.size()) tracks[n->track].emplace_back(n->type(), n->tick);
    return tracks;
}

void checkRoundTrip(const Song& first, const LoadOptions& options)
{
    const FileFacts& f = first.facts;
    const SmfWriteResult written = writeSongFile(QString::fromStdString(roundTripPath),
                                                 first.events, f.format, f.ntracks, f.division);
    if (!written.ok) fail("writing a loaded song failed");

    QFile file(QString::fromStdString(roundTripPath));
    if (!file.open(QIODevice::ReadOnly)) fail("written file cannot be opened");
    const QByteArray bytes = file.readAll();
    file.close();
    // Gone before anything can abort, so crashed runs leave no files behind.
    ::unlink(roundTripPath.c_str());

    Song second;
    if (!loadSongFromBytes(bytes, QStringLiteral("round trip"), options, second))
        fail("a written song does not load back");
    checkList(second, true);
    if (second.events.size() != first.events.size()) fail("round trip changed the event count");
    if (second.facts.ntracks != f.ntracks) fail("round trip changed the track count");

    const TrackEvents a = eventsByTrack(first);
    const TrackEvents b = eventsByTrack(second);
    // Deltas of 2^63 and more saturate when read back; below that the ticks
    // must survive exactly, and each track keeps its order.
    bool exactTicks = true;
    for (const EventNode* n = first.events.head(); n; n = n->next)
        if (n->tick >= (uint64_t(1) << 62)) exactTicks = false;
    for (size_t t = 0; t < a.size(); ++t) {
        if (a[t].size() != b[t].size()) fail("round trip changed a track's event count");
        for (size_t i = 0; i < a[t].size(); ++i) {
            if (a[t][i].first != b[t][i].first) fail("round trip changed a track's event types");
            if (exactTicks && a[t][i].second != b[t][i].second)
                fail("round trip changed an event's tick");
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    realStderr = stderr;
    // glibc lets the standard streams be reassigned; the loader prints to them
    // on every bad file, which would drown libFuzzer's own output.
    if (FILE* null = std::fopen("/dev/null", "w")) {
        stdout = null;
        stderr = null;
    }
    sink = new ScriptedMessageSink;
    Messages::setSink(sink);
    const char* dir = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
    roundTripPath = std::string(dir) + "/clavion-fuzz-" + std::to_string(::getpid()) + ".mid";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), int(size));
    const bool strict = size > 0 && (data[size - 1] & 1);
    for (bool split : {true, false}) {
        LoadOptions options;
        options.splitFormat0 = split;
        options.strictLyrics = strict;
        Song song;
        const bool loaded = loadSongFromBytes(bytes, QStringLiteral("fuzz.mid"), options, song);
        checkList(song, loaded);
        if (loaded) checkRoundTrip(song, options);
        sink->shown.clear();
    }
    return 0;
}
