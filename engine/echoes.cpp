#include "engine/echoes.h"

#include "core/settings.h"
#include "song/eventnode.h"

void makeDisplayEcho(snd_seq_event_t& ev, snd_seq_addr_t self, int type, int tag, int flag,
                     int note, int client, int port)
{
    snd_seq_ev_clear(&ev);
    ev.type = static_cast<snd_seq_event_type_t>(type);
    ev.tag = static_cast<char>(tag);
    ev.data.raw8.d[EchoKeyState] = static_cast<unsigned char>(flag);
    ev.data.raw8.d[EchoNote] = static_cast<unsigned char>(note);
    ev.data.raw8.d[EchoClient] = static_cast<unsigned char>(client);
    ev.data.raw8.d[EchoPort] = static_cast<unsigned char>(port);
    snd_seq_ev_set_dest(&ev, self.client, self.port);
}

void makeLyricEcho(snd_seq_event_t& ev, snd_seq_addr_t self, const EventNode& mark)
{
    snd_seq_ev_clear(&ev);
    ev.type = static_cast<snd_seq_event_type_t>(mark.type());
    ev.data.raw32.d[EchoBytePosition] = mark.event.data.raw32.d[kMarkBytePosition];
    ev.data.raw32.d[EchoByteLength] = mark.event.data.raw32.d[kMarkByteLength];
    snd_seq_ev_set_dest(&ev, self.client, self.port);
}

bool isLyricMark(int type)
{
    return type == kTypeLyricMark || type == kTypeTextMark;
}

bool filterPasses(const LiveOptions& options, Keys::EventFilters::FilterSet set, int type)
{
    using namespace Keys::EventFilters;
    FilterKind kind;
    switch (type) {
    case SND_SEQ_EVENT_KEYPRESS:
        kind = KeyPress;
        break;
    case SND_SEQ_EVENT_CONTROLLER:
        kind = Controller;
        break;
    case SND_SEQ_EVENT_PGMCHANGE:
        kind = ProgramChange;
        break;
    case SND_SEQ_EVENT_CHANPRESS:
        kind = ChannelPressure;
        break;
    case SND_SEQ_EVENT_PITCHBEND:
        kind = PitchBend;
        break;
    case SND_SEQ_EVENT_TEMPO:
        return options.keepTempo.load(std::memory_order_relaxed);
    default:
        return true;
    }
    return options.filters[size_t(set)][kind].load(std::memory_order_relaxed);
}
