#pragma once

#include "views/vpiano.h"

// The bilinear uniform chromatic keyboard: even notes in the front row, odd
// notes in the back row, each back key straddling two front keys. Small
// dots mark the C's.
class UPiano : public VPiano
{
    Q_OBJECT
public:
    UPiano(LiveOptions& options, bool big, InputDevice* input, OutputDevice* output,
           QWidget* parent = nullptr);

    int restingState(int note) const override;
    int noteAt(int x, int y) const override;

protected:
    void paintKeys(QPainter& painter) override;

private:
    int columnX(int note) const;
    void paintFront(QPainter& painter, int note);
    void paintBack(QPainter& painter, int note);
    void paintCMarker(QPainter& painter, int note);
};
