#pragma once

#include "song/eventlist.h"

#include <QString>
#include <vector>

class SmfWriter;

// Nodes of each track 0 .. ntracks-1 in list order, gathered in one pass.
std::vector<std::vector<const EventNode*>> nodesByTrack(const EventList& list, int ntracks);

// Writes one track's nodes with deltas from the previous node of the track,
// then the end-of-track meta event.
void writeTrackNodes(SmfWriter& writer, const std::vector<const EventNode*>& nodes);

struct SmfWriteResult {
    enum Stage { Open, Write, Close };
    bool ok = false;
    Stage stage = Open;  // where it failed
    QString error;       // the system's or the writer's text
    int errorNumber = 0; // errno, when the system failed
};

// Writes the list as a Standard MIDI File. The file is written next to the
// target under a temporary name and renamed over it only once complete, so a
// failed write leaves any existing file untouched.
SmfWriteResult writeSongFile(const QString& path, const EventList& list, int format, int ntracks,
                             int division);
