#include "song/practiceloop.h"

#include "core/messages.h"
#include "song/deckmodel.h"

#include <QCoreApplication>
#include <algorithm>
#include <mutex>

namespace
{
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(playdialog)
};

uint64_t measureTicks(const DeckModel& deck)
{
    return uint64_t(std::max(1, deck.timing.tick4measure));
}
} // namespace

int songBars(const DeckModel& deck)
{
    const int temps = std::max(1, deck.timing.temps);
    return std::max(1, (std::max(1, deck.beats) + temps - 1) / temps);
}

uint64_t barTick(const DeckModel& deck, int bar)
{
    return uint64_t(std::max(0, bar)) * measureTicks(deck);
}

int nearestBar(const DeckModel& deck, uint64_t tick)
{
    const uint64_t measure = measureTicks(deck);
    const uint64_t bar = (tick + measure / 2) / measure;
    return int(std::min<uint64_t>(bar, uint64_t(songBars(deck))));
}

bool loopTicks(const DeckModel& deck, uint64_t* start, uint64_t* end)
{
    const PracticeLoop& l = deck.loop;
    if (!l.marked()) return false;
    *start = barTick(deck, l.startBar < 0 ? 0 : l.startBar);
    *end = barTick(deck, l.endBar < 0 ? songBars(deck) : l.endBar);
    return *start < *end;
}

bool markLoop(DeckModel& deck, LoopEdge edge, uint64_t tick)
{
    const int bar = nearestBar(deck, tick);
    PracticeLoop& l = deck.loop;
    const int start = edge == LoopEdge::Start ? bar : std::max(0, l.startBar);
    const int end = edge == LoopEdge::End ? bar : l.endBar < 0 ? songBars(deck) : l.endBar;
    if (start >= end) {
        // Measures are counted from 1 as the Beat box shows them.
        Messages::warning(
            edge == LoopEdge::End
                ? Texts::tr("The loop's end must come after its start. The loop starts "
                            "at measure %1; the end asked for is at measure %2.")
                      .arg(start + 1)
                      .arg(end + 1)
                : Texts::tr("The loop's start must come before its end. The loop ends "
                            "at measure %1; the start asked for is at measure %2.")
                      .arg(end + 1)
                      .arg(start + 1));
        return false;
    }
    std::lock_guard<std::mutex> lock(deck.mutex);
    (edge == LoopEdge::Start ? l.startBar : l.endBar) = bar;
    return true;
}

void loopBars(DeckModel& deck, int startBar, int endBar)
{
    const int bars = songBars(deck);
    startBar = std::min(std::max(0, startBar), bars - 1);
    endBar = std::min(std::max(startBar + 1, endBar), bars);
    std::lock_guard<std::mutex> lock(deck.mutex);
    deck.loop.startBar = startBar;
    deck.loop.endBar = endBar;
}

void clearLoop(DeckModel& deck)
{
    std::lock_guard<std::mutex> lock(deck.mutex);
    deck.loop.startBar = deck.loop.endBar = -1;
    deck.loop.on = false;
}

void setLoopOn(DeckModel& deck, bool on)
{
    std::lock_guard<std::mutex> lock(deck.mutex);
    deck.loop.on = on && deck.loop.marked();
}
