#pragma once

// The player's side of a session against a recording sink: songs described by
// absolute ticks, a deck with one keyboard and one synthesizer, what was sent.

#include "deckfixture.h"

#include "core/events.h"
#include "core/settings.h"
#include "engine/echoes.h"
#include "engine/interactive.h"
#include "engine/listenloop.h"
#include "engine/seqclient.h"

#include <QCoreApplication>
#include <algorithm>
#include <array>
#include <atomic>
#include <map>
#include <sstream>
#include <tuple>
#include <utility>

constexpr int kKeyboard = 20; // DeckFixture's first input device
constexpr snd_seq_addr_t kSelf{130, 1};

// What the engine sent, in order: now ('!'), at a queue tick ('@') or in
// some ticks ('+'). As text, "on 60/77 c1 +10" is a note-on of key 60 at
// velocity 77 on channel 2 in 10 ticks; "lit 64 z4 k21 +10" shows the key in
// zone 4 of keyboard 21. Channel and keyboard show when not the first.
struct Sent {
    char kind;
    uint64_t time;
    snd_seq_event_t ev;

    bool toSelf() const { return ev.dest.client == kSelf.client && ev.dest.port == kSelf.port; }
    int type() const { return ev.type; }
    std::string str() const
    {
        static const std::map<int, std::string> names = {
            {SND_SEQ_EVENT_NOTEON, "on"}, {SND_SEQ_EVENT_NOTEOFF, "off"},
            {SND_SEQ_EVENT_NOTE, "note"}, {SND_SEQ_EVENT_CONTROLLER, "ctl"},
            {SND_SEQ_EVENT_USR3, "show"}, {SND_SEQ_EVENT_USR4, "hide"},
            {SND_SEQ_EVENT_USR6, "lit"},  {SND_SEQ_EVENT_USR7, "unlit"}};
        std::string s = names.count(type()) ? names.at(type()) : "type" + std::to_string(type());
        const auto& d = ev.data.raw8.d;
        const auto& n = ev.data.note;
        if (toSelf()) {
            s += " " + std::to_string(d[EchoNote]) + " z" + std::to_string(d[EchoKeyState]);
            if (d[EchoClient] != kKeyboard) s += " k" + std::to_string(d[EchoClient]);
        } else if (type() != SND_SEQ_EVENT_CONTROLLER) {
            s += " " + std::to_string(n.note) + "/" + std::to_string(n.velocity);
            if (type() == SND_SEQ_EVENT_NOTE) s += ":" + std::to_string(n.duration);
            if (n.channel) s += " c" + std::to_string(n.channel);
        }
        return s + " " + kind + (kind == '!' ? "" : std::to_string(time));
    }
};

class RecordingSink : public EventSink
{
public:
    RecordingSink() { sent.reserve(1 << 16); }

    void scheduleAt(snd_seq_event_t& ev, uint64_t at) override { sent.push_back({'@', at, ev}); }
    void scheduleIn(snd_seq_event_t& ev, uint64_t in) override { sent.push_back({'+', in, ev}); }
    void sendNow(snd_seq_event_t& ev) override { sent.push_back({'!', 0, ev}); }
    uint64_t currentTick() override { return tick; }
    snd_seq_addr_t self() const override { return kSelf; }
    void scheduleTempo(int tempo, uint64_t at) override
    {
        snd_seq_event_t ev{};
        snd_seq_ev_set_queue_tempo(&ev, 0, tempo);
        sent.push_back({'@', at, ev});
    }

    // What was sent for the outputs, or shown on the keyboards.
    std::string played(bool shown = false) const
    {
        std::string out;
        for (const Sent& s : sent)
            if (s.toSelf() == shown) out += (out.empty() ? "" : ", ") + s.str();
        return out;
    }
    // Keys starting to sound: note-ons with a velocity, and whole notes.
    std::vector<int> ringingKeys() const
    {
        std::vector<int> keys;
        for (const Sent& s : sent)
            if (!s.toSelf() && ((s.type() == SND_SEQ_EVENT_NOTEON && s.ev.data.note.velocity) ||
                                s.type() == SND_SEQ_EVENT_NOTE))
                keys.push_back(s.ev.data.note.note);
        return keys;
    }

    uint64_t tick = 0;
    std::vector<Sent> sent;
};

// The deck's or the main window's side: the types posted, and tempo ratios.
class Receiver : public QObject
{
public:
    std::vector<int> types;
    std::vector<double> ratios;
    std::atomic<bool>* repaintPosted = nullptr;

    int count(int type) const { return int(std::count(types.begin(), types.end(), type)); }

protected:
    void customEvent(QEvent* event) override
    {
        const int type = event->type();
        types.push_back(type);
        if (type == TempoRatioEvent) ratios.push_back(static_cast<DoubleEvent*>(event)->value);
        // As the deck does: the next key press may ask for a repaint again.
        if (type == RepaintDiagramEvent && repaintPosted) *repaintPosted = false;
    }
};

// A track described by absolute ticks, ends before starts at the same tick
// as files store legato.
struct TrackPlan {
    std::multimap<std::pair<uint32_t, bool>, std::array<int, 3>> items;

    TrackPlan& note(uint32_t tick, uint32_t length, int key, int velocity = 100, int ch = 0)
    {
        return add(tick, 0x90 | ch, key, velocity).add(tick + length, 0x80 | ch, key, 64);
    }
    TrackPlan& add(uint32_t tick, int status, int d1, int d2)
    {
        items.insert({{tick, (status & 0xF0) == 0x90}, {status, d1, d2}});
        return *this;
    }
    // `count` single notes rising from `key`, one every `step` ticks.
    TrackPlan& run(uint32_t step, int count, int key, int ch)
    {
        for (int i = 0; i < count; ++i) note(uint32_t(i) * step, step / 2, key + i % 12, 100, ch);
        return *this;
    }
};

// A format 1 song at 480 ppq, 4/4, by default 120 quarter notes a minute.
inline QByteArray songBytes(const std::vector<TrackPlan>& tracks,
                            const std::vector<std::pair<uint32_t, uint32_t>>& tempos = {
                                {0, 500000}})
{
    TrackBuilder conductor;
    conductor.timeSig(0, 4, 2);
    uint32_t at = 0;
    for (const auto& [tick, usec] : tempos) conductor.tempo(tick - std::exchange(at, tick), usec);
    std::vector<TrackBuilder> built{conductor.end()};
    for (const TrackPlan& plan : tracks) {
        TrackBuilder tb;
        uint32_t last = 0;
        for (const auto& [when, e] : plan.items) {
            const uint32_t delta = when.first - std::exchange(last, when.first);
            if ((e[0] & 0xE0) == 0xC0) // program change and channel pressure have one data byte
                tb.channel(delta, e[0], {e[1]});
            else
                tb.channel(delta, e[0], {e[1], e[2]});
        }
        built.push_back(tb.end());
    }
    return smfFile(1, 480, built);
}

struct Interactive : DeckFixture {
    LiveOptions options;
    RecordingSink out;
    Receiver deckRx, mainRx;
    std::unique_ptr<InteractiveLoop> loop;

    Interactive() { deckRx.repaintPosted = &deck.repaintPosted; }

    // The listed tracks are played from the first keyboard.
    bool load(const QByteArray& bytes, std::initializer_list<int> played)
    {
        if (devices.inputs.empty()) addDevices(1);
        devices.defaultInput.client = kKeyboard;
        if (!loadAndPrepare(bytes)) return false;
        for (int d : played) deck.tracks.keyboard.at(size_t(d)) = 1;
        return true;
    }
    InputDevice& keyboard() { return *devices.inputs[0]; }

    void start(uint64_t startTick = 0)
    {
        loop = std::make_unique<InteractiveLoop>(deck, options, out, &deckRx, &mainRx);
        loop->begin(startTick, deck.currentBeat, SessionValues::fromDeck(deck).ticksPerMeasure);
    }
    void key(bool on, int note, int velocity, int client = kKeyboard, int port = 0)
    {
        snd_seq_event_t ev{};
        ev.type = on ? SND_SEQ_EVENT_NOTEON : SND_SEQ_EVENT_NOTEOFF;
        ev.source = {uint8_t(client), uint8_t(port)};
        ev.dest = kSelf;
        ev.data.note = {0, uint8_t(note), uint8_t(velocity), 0, 0};
        loop->handle(ev);
    }
    // Keys from the first keyboard, after forgetting what was sent: "@1000"
    // sets the queue tick, "+60/77" presses key 60 at velocity 77 (100
    // without), "-60" releases it.
    void play(const std::string& keys)
    {
        out.sent.clear();
        std::istringstream in(keys);
        for (std::string w; in >> w;) {
            const size_t slash = w.find('/');
            const int k = std::stoi(w.substr(1)); // up to the slash
            if (w[0] == '@')
                out.tick = uint64_t(k);
            else
                key(w[0] == '+', k, slash == w.npos ? 100 : std::stoi(w.substr(slash + 1)));
        }
    }
    // The notes one press rings, in order.
    std::vector<int> strike(int note)
    {
        play("+" + std::to_string(note) + " -" + std::to_string(note));
        return out.ringingKeys();
    }
    void deliver() { QCoreApplication::sendPostedEvents(); }

    // A track's notes in list order, "60@0-100": key, tick and its end's tick.
    std::string notes(int track) const
    {
        std::string text;
        for (const EventNode* n : eventsOf(track))
            if (n->isSoundingNoteOn())
                text += (text.empty() ? "" : " ") + std::to_string(n->note()) + "@" +
                        std::to_string(n->tick) + "-" +
                        (n->partner ? std::to_string(n->partner->tick) : "?");
        return text;
    }
};

using Notes = std::vector<int>;
