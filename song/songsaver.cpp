#include "song/songsaver.h"

#include "core/messages.h"
#include "core/programname.h"
#include "song/deckmodel.h"
#include "song/smfencode.h"
#include "song/smfwriter.h"
#include "song/songloader.h"
#include "song/trackediting.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

namespace
{
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(SongSaver)
};
} // namespace

bool saveSong(DeckModel& deck, const QString& path)
{
    TrackTables& t = deck.tracks;
    bool unbound = false;
    for (int j = 0; j < t.freeTracks; ++j)
        if (t.noteOnCount[size_t(t.boundTracks + j)] > 0) unbound = true;
    if (unbound) {
        const int answer =
            Messages::question(Texts::tr("Unbounded free tracks exist.\n") +
                                   Texts::tr("Do you want to include them in the saved file?\n"),
                               Yes | No, Yes);
        // Bind the free tracks that hold notes; asking to bind the empty ones
        // too would refuse the lot and silently leave the take out.
        if (answer == Yes) {
            deck.selected.resize(size_t(t.displayCount()), 0);
            for (int j = 0; j < t.freeTracks; ++j)
                deck.selected[size_t(t.boundTracks + j)] =
                    t.noteOnCount[size_t(t.boundTracks + j)] > 0 ? 1 : 0;
            bindFree(deck, false);
        }
    }

    // One chunk per track: a song that gained tracks cannot stay format 0.
    const int ntracks = t.fileTracks;
    const int format = deck.format == 0 && ntracks > 1 ? 1 : deck.format;
    const SmfWriteResult r =
        writeSongFile(path, deck.song.events, format, ntracks, deck.timing.tick4qn);
    if (!r.ok) {
        reportSaveFailure(r, path);
        return false;
    }
    deck.format = format;
    deck.clearModified();
    return true;
}

void reportSaveFailure(const SmfWriteResult& r, const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    switch (r.stage) {
    case SmfWriteResult::Open:
        std::printf("%s: unable to open file %s for writing.\n", App::kProgramName,
                    name.constData());
        std::fflush(stdout);
        Messages::warning(Texts::tr("Unable to open file %1 for writing").arg(path) +
                          Texts::tr(" :\n%1").arg(r.error));
        break;
    case SmfWriteResult::Close:
        std::fprintf(stderr, "Error %i in fclose (%s).\n", r.errorNumber,
                     r.error.toLocal8Bit().constData());
        break;
    case SmfWriteResult::Write:
        std::fprintf(stderr, "can't write file %s\n", name.constData());
        Messages::warning(
            Texts::tr("Could not write %1 as a midi file.").arg(QFileInfo(path).fileName()));
        break;
    }
}

void newSong(int ppq, int beatsPerMeasure, int beatValueIndex, int bpm, Song& song)
{
    // Built as file bytes and read back, so a new song is exactly what
    // loading such a file gives.
    QByteArray body;
    SmfWriter w;
    w.cb.putByte = [&body](int c) {
        body.append(char(c));
        return c;
    };
    const unsigned char timeSig[] = {static_cast<unsigned char>(beatsPerMeasure),
                                     static_cast<unsigned char>(beatValueIndex), 24, 8};
    w.writeMetaEvent(0, 0x58, timeSig, 4);
    w.writeTempo(0, uint32_t(60000000 / (bpm > 0 ? bpm : 120)));
    const uint64_t q = uint64_t(ppq);
    struct Step {
        uint64_t tick;
        int status;
        int channel;
        int note;
        int velocity;
    };
    const Step tune[] = {
        {0, 0x90, 0, 72, 100},     {q, 0x90, 0, 76, 100},     {2 * q, 0x90, 0, 79, 100},
        {3 * q, 0x90, 1, 72, 100}, {3 * q, 0x90, 1, 76, 100}, {3 * q, 0x90, 1, 79, 100},
        {3 * q, 0x90, 1, 84, 100}, {4 * q, 0x80, 0, 72, 60},  {5 * q, 0x80, 0, 76, 60},
        {6 * q, 0x80, 0, 79, 60},  {7 * q, 0x80, 1, 72, 60},  {7 * q, 0x80, 1, 76, 60},
        {7 * q, 0x80, 1, 79, 60},  {7 * q, 0x80, 1, 84, 60},
    };
    uint64_t previous = 0;
    for (const Step& s : tune) {
        const unsigned char data[] = {static_cast<unsigned char>(s.note),
                                      static_cast<unsigned char>(s.velocity)};
        w.writeMidiEvent(s.tick - previous, s.status, s.channel, data, 2);
        previous = s.tick;
    }
    w.writeMetaEvent(0, 0x2F, nullptr, 0);

    auto be = [](uint32_t v, int bytes) {
        QByteArray out;
        for (int i = bytes - 1; i >= 0; --i) out.append(char((v >> (8 * i)) & 0xFF));
        return out;
    };
    const QByteArray file = QByteArray("MThd") + be(6, 4) + be(1, 2) + be(1, 2) +
                            be(uint32_t(ppq), 2) + QByteArray("MTrk") +
                            be(uint32_t(body.size()), 4) + body;
    loadSongFromBytes(file, QStringLiteral("new.mid"), LoadOptions(), song);
}
