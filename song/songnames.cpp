#include "song/songnames.h"

#include <QCoreApplication>
#include <alsa/asoundlib.h>

namespace
{
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(SongNames)
};
} // namespace

QString keySignatureName(int sf, int mode)
{
    static const char* const major[] = {QT_TRANSLATE_NOOP("SongNames", "G flat major"),
                                        QT_TRANSLATE_NOOP("SongNames", "D flat major"),
                                        QT_TRANSLATE_NOOP("SongNames", "A flat major"),
                                        QT_TRANSLATE_NOOP("SongNames", "E flat major"),
                                        QT_TRANSLATE_NOOP("SongNames", "B flat major"),
                                        QT_TRANSLATE_NOOP("SongNames", "F major"),
                                        QT_TRANSLATE_NOOP("SongNames", "C major"),
                                        QT_TRANSLATE_NOOP("SongNames", "G major"),
                                        QT_TRANSLATE_NOOP("SongNames", "D major"),
                                        QT_TRANSLATE_NOOP("SongNames", "A major"),
                                        QT_TRANSLATE_NOOP("SongNames", "E major"),
                                        QT_TRANSLATE_NOOP("SongNames", "B major")};
    static const char* const minor[] = {QT_TRANSLATE_NOOP("SongNames", "E flat minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "B flat minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "F minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "C minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "G minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "D minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "A minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "E minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "B minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "F sharp minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "C sharp minor"),
                                        QT_TRANSLATE_NOOP("SongNames", "G sharp minor")};
    if (mode != 0 && mode != 1) return Texts::tr("Unknown mode");
    if (sf < -6 || sf > 5)
        return mode == 0 ? Texts::tr("Unknown major") : Texts::tr("Unknown minor");
    return Texts::tr(mode == 0 ? major[sf + 6] : minor[sf + 6]);
}

QString eventKindName(int type, uint32_t count)
{
    const QString word = count < 2 ? Texts::tr("event") : Texts::tr("events");
    switch (type) {
    case SND_SEQ_EVENT_NOTE:
        return Texts::tr("Integrated note %1").arg(word);
    case SND_SEQ_EVENT_NOTEON:
        return Texts::tr("Note on %1").arg(word);
    case SND_SEQ_EVENT_NOTEOFF:
        return Texts::tr("Note off %1").arg(word);
    case SND_SEQ_EVENT_KEYPRESS:
        return Texts::tr("After touch %1 (individual key pressure)").arg(word);
    case SND_SEQ_EVENT_CONTROLLER:
        return Texts::tr("Controller %1").arg(word);
    case SND_SEQ_EVENT_PGMCHANGE:
        return Texts::tr("Program change %1 (patch number)").arg(word);
    case SND_SEQ_EVENT_CHANPRESS:
        return Texts::tr("Channel pressure %1 (overall pressure for channel)").arg(word);
    case SND_SEQ_EVENT_PITCHBEND:
        return Texts::tr("Pitch bend %1 (vibrato)").arg(word);
    case SND_SEQ_EVENT_CONTROL14:
        return QStringLiteral("SND_SEQ_EVENT_CONTROL14");
    case SND_SEQ_EVENT_NONREGPARAM:
        return QStringLiteral("SND_SEQ_EVENT_NONREGPARAM");
    case SND_SEQ_EVENT_REGPARAM:
        return QStringLiteral("SND_SEQ_EVENT_REGPARAM");
    case SND_SEQ_EVENT_SONGPOS:
        return QStringLiteral("SND_SEQ_EVENT_SONGPOS");
    default:
        return word;
    }
}

uint16_t channelBit(int channel)
{
    return uint16_t(1u << (15 - (channel & 15)));
}

int firstClearChannel(uint16_t pattern)
{
    for (int c = 0; c < 16; ++c)
        if (!(pattern & channelBit(c))) return c;
    return 1;
}

int firstSetChannel(uint16_t pattern)
{
    for (int c = 0; c < 16; ++c)
        if (pattern & channelBit(c)) return c;
    return 1;
}

QString noteName(int note, const QString& languageCode)
{
    static const char* const en[] = {"C",  "C#", "D",  "D#", "E",  "F",
                                     "F#", "G",  "G#", "A",  "A#", "B"};
    static const char* const solfege[] = {"Do",  "Do#", "Ré",   "Ré#", "Mi",  "Fa",
                                          "Fa#", "Sol", "Sol#", "La",  "La#", "Si"};
    note &= 127;
    const char* name = languageCode == QLatin1String("en") ? en[note % 12] : solfege[note % 12];
    return QString::fromUtf8(name) + QString::number(note / 12 - 1);
}
