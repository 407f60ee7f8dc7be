#include "song/songloader.h"

#include "core/messages.h"
#include "song/smfreader.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace
{

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(SongLoader)
};

// Builds the song's nodes from the reader's callbacks. Each track chunk is
// gathered into its own time-ordered chain and the chains are merged at the
// end: the same order as inserting every node in file order, without walking
// the list once per track.
class Loader
{
public:
    Loader(Song& song, const LoadOptions& options) : song_(song), options_(options) {}

    bool read(const unsigned char* data, size_t size);

private:
    EventNode* node(int type);
    void textEvent(int type, size_t length, const unsigned char* bytes);
    void splitFormat0();

    Song& song_;
    const LoadOptions& options_;
    SmfReader reader_;
    std::vector<NodeChain> chains_;
};

EventNode* Loader::node(int type)
{
    EventNode* n = song_.events.newNode();
    n->track = uint32_t(reader_.currentTrack());
    n->tick = n->altTick = reader_.currentTime();
    n->tempo = reader_.currentTempo();
    n->event.type = static_cast<snd_seq_event_type_t>(type);
    n->event.time.tick = static_cast<snd_seq_tick_time_t>(n->tick);
    n->event.dest.client = SND_SEQ_ADDRESS_SUBSCRIBERS;
    n->event.dest.port = SND_SEQ_ADDRESS_UNKNOWN;
    chains_[n->track].append(n);
    return n;
}

void Loader::textEvent(int type, size_t length, const unsigned char* bytes)
{
    FileFacts& f = song_.facts;
    QByteArray display(reinterpret_cast<const char*>(bytes), int(length));
    int breaks = 0;
    for (char& c : display) {
        if (c == '\\' || c == '/') {
            c = '\n';
            ++breaks;
        }
    }
    const int lyricsBefore = f.lyrics.size();
    const bool lyric = type == 5 || (type == 1 && !options_.strictLyrics);
    const size_t track = size_t(reader_.currentTrack());
    if (lyric) {
        f.lyrics.append(display);
    } else if (type == 2 || type == 3) {
        f.trackNames[track].prepend(display);
    } else if (type == 4) {
        f.trackNames[track].append('\n').append(display);
    }

    EventNode* n = node(kTypeTextBase + type);
    n->event.flags = SND_SEQ_EVENT_LENGTH_VARUSR;
    auto* copy = static_cast<unsigned char*>(std::malloc(length + 1));
    if (copy) {
        if (length) std::memcpy(copy, bytes, length);
        copy[length] = 0;
    }
    n->event.data.ext.ptr = copy;
    n->event.data.ext.len = copy ? uint32_t(length) : 0;

    if (lyric) {
        EventNode* mark = node(type == 5 ? kTypeLyricMark : kTypeTextMark);
        mark->event.data.raw32.d[kMarkBytePosition] = uint32_t(lyricsBefore + breaks);
        mark->event.data.raw32.d[kMarkByteLength] = uint32_t(int(length) - breaks);
    }
}

bool Loader::read(const unsigned char* data, size_t size)
{
    FileFacts& f = song_.facts;
    SmfReader::Callbacks& cb = reader_.cb;
    cb.error = [this](const char* text) {
        song_.lastParseError = QStringLiteral("Parse error :") + QString::fromLatin1(text);
        const QByteArray debug = qgetenv("QT_DEBUG3");
        if (!debug.isEmpty()) Messages::warning(song_.lastParseError);
    };
    cb.header = [this, &f](int format, int ntracks, int division) {
        if (format > 1) {
            std::printf("smf format %d not supported\n", format);
            std::fflush(stdout);
            return 1;
        }
        f.format = format;
        f.ntracks = ntracks;
        f.division = division;
        f.noteOnCounts.assign(size_t(ntracks), 0);
        f.trackNames.assign(size_t(ntracks), QByteArray());
        f.lyrics.clear();
        chains_.assign(size_t(ntracks), NodeChain());
        return 0;
    };
    auto note = [this](int type, int channel, int key, int velocity) {
        EventNode* n = node(type);
        n->event.data.note.channel = static_cast<unsigned char>(channel);
        n->event.data.note.note = static_cast<unsigned char>(key);
        n->event.data.note.velocity = static_cast<unsigned char>(velocity);
        return n;
    };
    auto control = [this](int type, int channel, unsigned param, int value) {
        EventNode* n = node(type);
        n->event.data.control.channel = static_cast<unsigned char>(channel);
        n->event.data.control.param = param;
        n->event.data.control.value = value;
    };
    cb.noteOn = [this, &f, note](int c, int k, int v) {
        note(kTypeNoteOn, c, k, v);
        f.anyNoteOn = true;
        ++f.noteOnCounts[size_t(reader_.currentTrack())];
    };
    cb.noteOff = [note](int c, int k, int v) { note(kTypeNoteOff, c, k, v); };
    cb.keyPressure = [note](int c, int k, int p) { note(kTypeKeyPress, c, k, p); };
    cb.parameter = [control](int c, int k, int v) { control(kTypeController, c, unsigned(k), v); };
    cb.program = [control](int c, int p) { control(kTypePgmChange, c, 0, p); };
    cb.channelPressure = [control](int c, int p) { control(kTypeChanPress, c, 0, p); };
    cb.pitchBend = [control](int c, int lsb, int msb) {
        control(kTypePitchBend, c, 0, lsb + 128 * msb - 8192);
    };
    cb.tempo = [this, &f](uint32_t tempo) {
        node(kTypeTempo)->event.data.queue.param.value = int(tempo);
        if (f.firstTempo == kNoTempo) f.firstTempo = tempo;
    };
    cb.timeSignature = [this, &f](int nn, int dd, int cc, int bb) {
        f.timeSigNumerator = uint32_t(nn);
        f.timeSigDenominator = dd < 32 ? 1u << dd : 0;
        f.clocksPerClick = uint32_t(cc);
        f.thirtySecondsPerQuarter = uint32_t(bb);
        EventNode* n = node(kTypeTimeSign);
        n->event.data.raw8.d[0] = static_cast<unsigned char>(nn);
        n->event.data.raw8.d[1] = static_cast<unsigned char>(dd);
        n->event.data.raw8.d[2] = static_cast<unsigned char>(cc);
        n->event.data.raw8.d[3] = static_cast<unsigned char>(bb);
    };
    cb.keySignature = [this, &f](int sf, int mi) {
        f.keySharpsFlats = sf;
        f.keyMode = mi;
        EventNode* n = node(kTypeKeySign);
        n->event.data.raw8.d[0] = static_cast<unsigned char>(sf);
        n->event.data.raw8.d[1] = static_cast<unsigned char>(mi);
    };
    cb.sysex = [this](size_t length, const unsigned char* message) {
        EventNode* n = node(kTypeSysex);
        n->event.flags = SND_SEQ_EVENT_LENGTH_VARIABLE;
        void* copy = std::malloc(length);
        if (copy) std::memcpy(copy, message, length);
        n->event.data.ext.ptr = copy;
        n->event.data.ext.len = copy ? uint32_t(length) : 0;
    };
    cb.text = [this](int type, size_t length, const unsigned char* bytes) {
        textEvent(type, length, bytes);
    };

    reader_.setSource(data, size);
    const bool ok = reader_.mfread() == 0;
    // Even a failed read leaves a consistent list behind.
    song_.events.mergeChains(chains_);
    // A header may announce up to 65535 chunks the file does not hold: the
    // song would show and save that many empty tracks.
    if (ok && reader_.currentTrack() < f.ntracks) {
        f.ntracks = reader_.currentTrack();
        f.noteOnCounts.resize(size_t(f.ntracks));
        f.trackNames.resize(size_t(f.ntracks));
    }
    if (ok && f.format == 0 && options_.splitFormat0) splitFormat0();
    return ok;
}

void Loader::splitFormat0()
{
    FileFacts& f = song_.facts;
    int trackOfChannel[16];
    std::fill(std::begin(trackOfChannel), std::end(trackOfChannel), 0);
    int tracks = 1;
    for (EventNode* n = song_.events.head(); n; n = n->next) {
        if (isChannelEvent(n->type())) {
            int& t = trackOfChannel[n->channel() & 15];
            if (!t) t = tracks++;
            n->track = uint32_t(t);
        } else {
            n->track = 0;
        }
    }
    f.ntracks = tracks;
    f.noteOnCounts.assign(size_t(tracks), 0);
    for (EventNode* n = song_.events.head(); n; n = n->next)
        if (n->isSoundingNoteOn()) ++f.noteOnCounts[n->track];
    f.trackNames.assign(size_t(tracks), QByteArray());
    f.format = 1;
}

bool finishLoad(bool parsed, const QString& path, Song& song)
{
    if (parsed && song.facts.anyNoteOn) return true;
    std::fprintf(stderr, "can't parse file %s\n", QFile::encodeName(path).constData());
    Messages::warning(
        Texts::tr("Could not parse %1 as a midi file.").arg(QFileInfo(path).fileName()));
    return false;
}

bool readBytes(const QByteArray& bytes, const LoadOptions& options, Song& song)
{
    song.clear();
    song.facts.resetSignatures();
    Loader loader(song, options);
    return loader.read(reinterpret_cast<const unsigned char*>(bytes.constData()),
                       size_t(bytes.size()));
}

} // namespace

bool loadSong(const QString& path, const LoadOptions& options, Song& song)
{
    song.clear();
    const QByteArray name = QFile::encodeName(path);
    FILE* fp = std::fopen(name.constData(), "rb");
    if (!fp) {
        std::fprintf(stderr, "can't open file %s\n", name.constData());
        return false;
    }
    BusyScope busy;
    QByteArray bytes;
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, fp)) > 0) bytes.append(buffer, int(got));
    const bool readError = std::ferror(fp) != 0;
    const bool parsed = !readError && readBytes(bytes, options, song);
    if (std::fclose(fp) != 0) {
        std::fprintf(stderr, "Error %i in fclose (%s).\n", errno, std::strerror(errno));
        return false;
    }
    return finishLoad(parsed, path, song);
}

bool loadSongFromBytes(const QByteArray& bytes, const QString& name, const LoadOptions& options,
                       Song& song)
{
    return finishLoad(readBytes(bytes, options, song), name, song);
}
