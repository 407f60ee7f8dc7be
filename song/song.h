#pragma once

#include "song/eventlist.h"
#include "song/filefacts.h"

#include <QString>

// The one song that is open: its events and the facts its file gave.
struct Song {
    EventList events;
    FileFacts facts;
    QString lastParseError;
    // Preparation moved the events from the file's division to the rounded
    // ticks per quarter note the queue runs at; a second preparation must not.
    bool ticksRescaled = false;

    void clear()
    {
        events.clear();
        facts = FileFacts();
        ticksRescaled = false;
    }
};

// The process-wide song.
Song& theSong();
