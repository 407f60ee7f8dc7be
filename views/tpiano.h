#pragma once

#include "views/vpiano.h"

// A traditional piano keyboard, from the first note up to B6 (note 95).
class TPiano : public VPiano
{
    Q_OBJECT
public:
    static constexpr int kLastNote = 95;

    TPiano(LiveOptions& options, bool big, InputDevice* input, OutputDevice* output,
           QWidget* parent = nullptr);

    int restingState(int note) const override;
    int noteAt(int x, int y) const override;

protected:
    void paintKeys(QPainter& painter) override;

private:
    struct CutOuts {
        int left;
        int right;
    };
    // Where the black neighbours overlap a white key, by its degree 0 (C) .. 6 (B).
    CutOuts cutOuts(int degree) const;
    int whiteX(int note) const;
    void paintWhite(QPainter& painter, int note);
    void paintBlack(QPainter& painter, int note);
};
