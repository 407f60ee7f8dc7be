// Loads a MIDI file exactly as the program does and prints what it read.

#include "core/devices.h"
#include "core/messages.h"
#include "song/deckmodel.h"
#include "song/handsplit.h"
#include "song/preparation.h"
#include "song/smfencode.h"
#include "song/songloader.h"
#include "song/songsaver.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>
#include <unistd.h>

namespace
{

void printEscaped(const QByteArray& text)
{
    std::putchar('"');
    for (unsigned char c : text) {
        if (c == '\\')
            std::fputs("\\\\", stdout);
        else if (c == '"')
            std::fputs("\\\"", stdout);
        else if (c == '\n')
            std::fputs("\\n", stdout);
        else if (c < 0x20 || c > 0x7E)
            std::printf("\\x%02x", c);
        else
            std::putchar(c);
    }
    std::putchar('"');
}

void printHex(const unsigned char* data, uint32_t length)
{
    for (uint32_t i = 0; i < length; ++i) std::printf("%02x", data[i]);
}

void printEvent(const EventNode* n)
{
    const snd_seq_event_t& e = n->event;
    std::printf("event %u %llu ", n->track, static_cast<unsigned long long>(n->tick));
    switch (e.type) {
    case SND_SEQ_EVENT_NOTEON:
    case SND_SEQ_EVENT_NOTEOFF:
    case SND_SEQ_EVENT_KEYPRESS: {
        const char* kind = e.type == SND_SEQ_EVENT_NOTEON    ? "on"
                           : e.type == SND_SEQ_EVENT_NOTEOFF ? "off"
                                                             : "kp";
        std::printf("%s %d %d %d", kind, e.data.note.channel, e.data.note.note,
                    e.data.note.velocity);
        break;
    }
    case SND_SEQ_EVENT_CONTROLLER:
        std::printf("cc %d %u %d", e.data.control.channel, e.data.control.param,
                    e.data.control.value);
        break;
    case SND_SEQ_EVENT_PGMCHANGE:
        std::printf("pc %d %d", e.data.control.channel, e.data.control.value);
        break;
    case SND_SEQ_EVENT_CHANPRESS:
        std::printf("cp %d %d", e.data.control.channel, e.data.control.value);
        break;
    case SND_SEQ_EVENT_PITCHBEND:
        std::printf("pb %d %d", e.data.control.channel, e.data.control.value);
        break;
    case SND_SEQ_EVENT_TEMPO:
        std::printf("tempo %d", e.data.queue.param.value);
        break;
    case SND_SEQ_EVENT_TIMESIGN:
        std::printf("timesig %d %d %d %d", e.data.raw8.d[0], e.data.raw8.d[1], e.data.raw8.d[2],
                    e.data.raw8.d[3]);
        break;
    case SND_SEQ_EVENT_KEYSIGN:
        std::printf("keysig %d %d", static_cast<signed char>(e.data.raw8.d[0]), e.data.raw8.d[1]);
        break;
    case SND_SEQ_EVENT_SYSEX:
        std::fputs("sysex ", stdout);
        printHex(n->data(), n->dataLength());
        break;
    case kTypeLyricMark:
    case kTypeTextMark:
        std::printf("mark%d %u %u", e.type == kTypeLyricMark ? 5 : 9,
                    e.data.raw32.d[kMarkBytePosition], e.data.raw32.d[kMarkByteLength]);
        break;
    default:
        if (isTextType(e.type)) {
            std::printf("text %d ", e.type - kTypeTextBase);
            printHex(n->data(), n->dataLength());
        } else {
            std::printf("type %d", e.type);
        }
        break;
    }
    std::putchar('\n');
}

void dump(const Song& song)
{
    const FileFacts& f = song.facts;
    std::printf("format %d tracks %d division %d\n", f.format, f.ntracks, f.division);
    if (f.firstTempo == kNoTempo)
        std::printf("tempo none\n");
    else
        std::printf("tempo %u\n", f.firstTempo);
    std::printf("timesig %u %u %u %u\n", f.timeSigNumerator, f.timeSigDenominator, f.clocksPerClick,
                f.thirtySecondsPerQuarter);
    std::printf("keysig %d %d\n", f.keySharpsFlats, f.keyMode);
    for (int i = 0; i < f.ntracks; ++i) {
        std::printf("track %d notes %u name ", i, f.noteOnCounts[size_t(i)]);
        printEscaped(f.trackNames[size_t(i)]);
        std::putchar('\n');
    }
    std::fputs("lyrics ", stdout);
    printEscaped(f.lyrics);
    std::putchar('\n');
    for (const EventNode* n = song.events.head(); n; n = n->next) printEvent(n);
}

void dumpPairs(const DeckModel& deck)
{
    deck.timing.showParams(stdout);
    for (const EventNode* n = deck.song.events.head(); n; n = n->next) {
        if (!n->isSoundingNoteOn()) continue;
        std::printf("pair %u %llu %d %d ", n->track, static_cast<unsigned long long>(n->tick),
                    n->channel(), n->note());
        if (!n->partner) {
            std::printf("unpaired\n");
            continue;
        }
        std::printf("-> %llu gap ", static_cast<unsigned long long>(n->partner->tick));
        if (n->noteGap == kNoGap)
            std::printf("none\n");
        else
            std::printf("%u\n", n->noteGap);
    }
}

// On standard error with status 2 for a wrong command line; --help asks
// for it on standard output.
int usage(FILE* to = stderr)
{
    std::fprintf(to, "usage: smfdump [--no-split] [--strict-lyrics] FILE\n"
                     "       smfdump [--no-split] [--strict-lyrics] --prepare FILE\n"
                     "       smfdump [--no-split] [--strict-lyrics] --save OUT FILE\n"
                     "       smfdump [--no-split] [--strict-lyrics] --split-hands TRACK[:KEY] OUT "
                     "FILE\n"
                     "       smfdump --new OUT PPQ BEATS BEATVALUEINDEX BPM\n"
                     "--split-hands splits track TRACK (1 = the first track with notes) into a\n"
                     "right hand and a left hand, from KEY up (0..127 or a name like C4, F#3,\n"
                     "Bb2; C4 = 60) or by following the music without KEY, saves the song to\n"
                     "OUT and prints \"right N left M\", the notes of each hand.\n");
    return to == stderr ? 2 : 0;
}

// Runs fn with standard output sent to standard error, for the parts that
// may print there while the real output must stay clean.
template <typename F> auto quietly(F fn)
{
    std::fflush(stdout);
    const int savedStdout = dup(STDOUT_FILENO);
    dup2(STDERR_FILENO, STDOUT_FILENO);
    auto result = fn();
    std::fflush(stdout);
    dup2(savedStdout, STDOUT_FILENO);
    close(savedStdout);
    return result;
}

bool parseInt(const QString& text, int lo, int hi, int* out)
{
    bool ok = false;
    *out = text.toInt(&ok);
    return ok && *out >= lo && *out <= hi;
}

// A MIDI key number, or a note name with an optional sharp or flat and an
// octave from -1 (C4 = 60).
int parseKey(const QString& text)
{
    int key = -1;
    if (parseInt(text, 0, 127, &key)) return key;
    static const int kSemitones[] = {9, 11, 0, 2, 4, 5, 7}; // A to G
    if (text.isEmpty() || text[0].toUpper() < QLatin1Char('A') ||
        text[0].toUpper() > QLatin1Char('G'))
        return -1;
    key = kSemitones[text[0].toUpper().unicode() - 'A'];
    QString rest = text.mid(1);
    if (rest.startsWith(QLatin1Char('#')))
        ++key, rest.remove(0, 1);
    else if (rest.startsWith(QLatin1Char('b')))
        --key, rest.remove(0, 1);
    int octave = 0;
    if (!parseInt(rest, -1, 9, &octave)) return -1;
    key += (octave + 1) * 12;
    return key >= 0 && key <= 127 ? key : -1;
}

// TRACK[:KEY]; the key is kAutomaticSplit when absent.
bool parseSplit(const QString& text, int* track, int* key)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    *key = kAutomaticSplit;
    if (colon >= 0 && (*key = parseKey(text.mid(colon + 1))) < 0) return false;
    return parseInt(text.left(colon), 1, 0xFFFF, track);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    LoadOptions options;
    QString saveTo;
    QString file;
    bool prepare = false;
    QStringList newArgs;
    QStringList splitArgs;
    const QStringList args = app.arguments().mid(1);
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--help") || a == QLatin1String("-h"))
            return usage(stdout);
        else if (a == QLatin1String("--no-split"))
            options.splitFormat0 = false;
        else if (a == QLatin1String("--strict-lyrics"))
            options.strictLyrics = true;
        else if (a == QLatin1String("--prepare"))
            prepare = true;
        else if (a == QLatin1String("--save") && i + 1 < args.size())
            saveTo = args[++i];
        else if (a == QLatin1String("--split-hands") && i + 2 < args.size())
            splitArgs = args.mid(i + 1, 2), i += 2;
        else if (a == QLatin1String("--new") && i + 5 < args.size())
            newArgs = args.mid(i + 1, 5), i += 5;
        else if (a.startsWith(QLatin1String("--")) || !file.isEmpty())
            return usage();
        else
            file = a;
    }

    Song& song = theSong();
    DeviceSet devices; // no sequencer: no devices
    DeckModel deck(song, devices);
    if (!newArgs.isEmpty()) {
        int ppq, beats, beatValue, bpm;
        if (!file.isEmpty() || !parseInt(newArgs[1], 48, 1920, &ppq) ||
            !parseInt(newArgs[2], 1, 24, &beats) || !parseInt(newArgs[3], 0, 6, &beatValue) ||
            !parseInt(newArgs[4], 10, 500, &bpm))
            return usage();
        newSong(ppq, beats, beatValue, bpm, song);
        deck.fileName = QFileInfo(newArgs[0]).fileName();
        quietly([&] { return prepareSong(deck); });
        return saveSong(deck, newArgs[0]) ? 0 : 1;
    }
    int splitTrack = 0, splitKey = kAutomaticSplit;
    if (file.isEmpty() ||
        (!splitArgs.isEmpty() &&
         (prepare || !saveTo.isEmpty() || !parseSplit(splitArgs[0], &splitTrack, &splitKey))))
        return usage();

    // Loading may print on standard output (an unsupported format); keep the
    // dump alone there.
    const bool loaded = quietly([&] { return loadSong(file, options, song); });
    if (!loaded) {
        if (!song.lastParseError.isEmpty())
            std::fprintf(stderr, "%s\n", song.lastParseError.toLocal8Bit().constData());
        return 1;
    }
    if (prepare || !saveTo.isEmpty() || !splitArgs.isEmpty()) {
        deck.fileName = QFileInfo(file).fileName();
        quietly([&] { return prepareSong(deck); });
    }
    if (!splitArgs.isEmpty()) {
        if (splitTrack > deck.boundTracks()) {
            std::fprintf(stderr, "smfdump: %s has %d tracks with notes\n",
                         qPrintable(deck.fileName), deck.boundTracks());
            return usage();
        }
        const HandSplitPlan plan = planHandSplit(deck, splitTrack - 1, splitKey);
        if (!plan.refusal.isEmpty()) {
            std::fprintf(stderr, "%s\n", plan.refusal.toLocal8Bit().constData());
            return 1;
        }
        if (applyHandSplit(deck, plan) == 0) {
            std::fprintf(stderr, "smfdump: the split was not applied\n");
            return 1;
        }
        if (!quietly([&] { return saveSong(deck, splitArgs[1]); })) return 1;
        std::printf("right %d left %d\n", plan.rightNotes, plan.leftNotes);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    if (!saveTo.isEmpty()) return quietly([&] { return saveSong(deck, saveTo); }) ? 0 : 1;
    if (prepare)
        dumpPairs(deck);
    else
        dump(song);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
