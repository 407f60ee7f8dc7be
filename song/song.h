#pragma once

#include "song/eventlist.h"
#include "song/filefacts.h"

#include <QString>

// The one song that is open: its events and the facts its file gave.
struct Song {
    EventList events;
    FileFacts facts;
    QString lastParseError;

    void clear()
    {
        events.clear();
        facts = FileFacts();
    }
};

// The process-wide song.
Song& theSong();
