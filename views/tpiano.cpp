#include "views/tpiano.h"

#include "core/devices.h"
#include "core/midi.h"

#include <QPainter>

namespace
{
// The white keys' positions inside an octave, and the white key each note sits on.
constexpr int kWhiteDegree[12] = {0, 0, 1, 1, 2, 3, 3, 4, 4, 5, 5, 6};
constexpr int kWhiteNote[7] = {0, 2, 4, 5, 7, 9, 11};

int whiteIndex(int note)
{
    return 7 * (note / 12) + kWhiteDegree[note % 12];
}

bool isWhite(int note)
{
    return kWhiteNote[kWhiteDegree[note % 12]] == note % 12;
}
} // namespace

TPiano::TPiano(LiveOptions& options, bool big, InputDevice* input, OutputDevice* output,
               QWidget* parent)
    : VPiano(options, big, input, output, parent)
{
    if (output)
        setToolTip(tr("<qt><nobr>Output keyboard <br>Change volume and channel in Default IO "
                      "tab</nobr></qt>"));
    else if (input && input->kbmode == AllClusterNotes)
        setToolTip(tr("<qt><nobr>Input keyboard<br>Shows notes that you must play "
                      "simultaneously.</nobr></qt>"));
    else if (input)
        setToolTip(tr("<qt><nobr>Input keyboard<br>Shows notes you triggered by a single "
                      "keystroke.</nobr></qt>"));
    else
        setToolTip(tr("<qt><nobr>Sum of scheduled (non interactive) outputs on Traditional "
                      "Keyboard</nobr></qt>"));
    resetKeyColors();
}

int TPiano::restingState(int note) const
{
    return traditionalResting(note);
}

TPiano::CutOuts TPiano::cutOuts(int degree) const
{
    const int w = w_;
    switch (degree) {
    case 0:
        return {0, w / 3};
    case 1:
        return {w / 6, w / 6 + 1};
    case 2:
        return {w / 3 - 1, 0};
    case 3:
        return {0, 3 * w / 8};
    case 4:
        return {w / 8, w / 4};
    case 5:
        return {w / 4, w / 8 + 1};
    default:
        return {3 * w / 8 - 1, 0};
    }
}

int TPiano::whiteX(int note) const
{
    return (whiteIndex(note) - whiteIndex(first_)) * w_;
}

int TPiano::noteAt(int x, int y) const
{
    if (!rect().contains(x, y)) return -1;
    const int w = w_;
    const int off = x % w;
    const int white = x / w + whiteIndex(first_);
    const int degree = white % 7;
    const int base = 12 * (white / 7) + kWhiteNote[degree];
    int note = base;
    if (y <= h23_) {
        const CutOuts c = cutOuts(degree);
        // A black key on either side of this white one, as the cut-outs show.
        const bool sharpRight = c.right > 0 && off > w - c.right;
        bool flatLeft = false;
        switch (degree) {
        case 1:
        case 4:
        case 5:
            flatLeft = off <= c.left;
            break;
        case 2:
        case 6:
            flatLeft = off < c.left + 1;
            break;
        default:
            flatLeft = off == 0;
            break; // C and F: the edge belongs to the key on the left
        }
        if (sharpRight)
            note = base + 1;
        else if (flatLeft)
            note = base - 1;
    }
    return note >= first_ && note <= kLastNote ? note : -1;
}

void TPiano::paintWhite(QPainter& painter, int note)
{
    const int x = whiteX(note);
    const CutOuts c = cutOuts(kWhiteDegree[note % 12]);
    const QColor colour = stateColour(keyState(note));
    painter.fillRect(x, h23_, w_, h_ - h23_, colour);
    painter.fillRect(x + c.left, 0, w_ - c.left - c.right, h23_, colour);
    if (c.left > 0) {
        painter.drawLine(x, h23_, x + c.left, h23_);
        painter.drawLine(x + c.left, 0, x + c.left, h23_);
    }
    if (c.right > 0) painter.drawLine(x + w_ - c.right, h23_, x + w_, h23_);
    painter.drawLine(x, c.left > 0 ? h23_ : 0, x, h_ - 1);
    painter.drawLine(x, h_ - 1, x + w_, h_ - 1);
}

// Note is the black key; the white key below it decides where it starts.
void TPiano::paintBlack(QPainter& painter, int note)
{
    const int below = note - 1;
    const int x = whiteX(below) + w_ - cutOuts(kWhiteDegree[below % 12]).right;
    painter.fillRect(x, 0, w_ / 2, h23_, stateColour(keyState(note)));
    painter.drawRect(x, 0, w_ / 2, h23_);
}

void TPiano::paintKeys(QPainter& painter)
{
    const int right = width();
    for (int n = first_; n <= kLastNote; ++n) {
        if (!isWhite(n)) continue;
        if (whiteX(n) > right) break;
        paintWhite(painter, n);
        if (n + 1 <= kLastNote && !isWhite(n + 1)) paintBlack(painter, n + 1);
    }
}
