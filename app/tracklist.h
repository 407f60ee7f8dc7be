#pragma once

#include <QWidget>

class DeckModel;
struct DeviceSet;

// One row per bound track: whether the user plays it, from which keyboard,
// and whether it is heard. The deck shows it until the track strip arrives.
class TrackList : public QWidget
{
    Q_OBJECT
public:
    TrackList(DeckModel& deck, DeviceSet& devices, QWidget* parent = nullptr);

signals:
    void changed();

private:
    DeckModel& deck_;
};
