#pragma once

#include "song/song.h"

#include <string>
#include <vector>

// One line per node with everything a file can carry, for comparing songs.
inline std::string describe(const EventNode* n)
{
    const snd_seq_event_t& e = n->event;
    std::string s = std::to_string(n->track) + "@" + std::to_string(n->tick) + " t" +
                    std::to_string(int(e.type));
    if (n->ownsData()) {
        s += " len" + std::to_string(n->dataLength()) + " ";
        for (uint32_t i = 0; i < n->dataLength(); ++i) s += std::to_string(n->data()[i]) + ",";
    } else {
        for (int i = 0; i < 12; ++i) s += " " + std::to_string(int(e.data.raw8.d[i]));
    }
    return s;
}

inline std::vector<std::string> describeAll(const Song& song)
{
    std::vector<std::string> out;
    for (const EventNode* n = song.events.head(); n; n = n->next) out.push_back(describe(n));
    return out;
}
