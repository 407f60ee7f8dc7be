#include "views/upiano.h"

#include "core/devices.h"
#include "core/midi.h"
#include "core/settings.h"

#include <QPainter>

UPiano::UPiano(LiveOptions& options, bool big, InputDevice* input, OutputDevice* output,
               QWidget* parent)
    : VPiano(options, big, input, output, parent)
{
    if (output)
        setToolTip(tr("<qt><nobr>Output keyboard in bilinear format<br>Small dots indicate C's "
                      "</nobr></qt>"));
    else if (input && input->kbmode == AllClusterNotes)
        setToolTip(tr("<qt><nobr>Input keyboard in bilinear format<br>Shows notes that you must "
                      "play simultaneously. <br>Small dots indicate C's.</nobr></qt>"));
    else if (input)
        setToolTip(tr("<qt><nobr>Input keyboard in bilinear format<br>Shows notes you triggered "
                      "by a single keystroke.<br>Small dots indicate C's.</nobr></qt>"));
    else
        setToolTip(tr("<qt><nobr>Sum of scheduled (non interactive) outputs on Bilinear "
                      "keyboard</nobr></qt>"));
    resetKeyColors();
}

int UPiano::restingState(int note) const
{
    if (options_.showcmkeycolors) return traditionalResting(note);
    return note % 2 == 0 ? WhiteKeyState : BlackKeyState;
}

// Both notes of a pair share a column: the odd one straddles its right edge.
int UPiano::columnX(int note) const
{
    return (note / 2 - first_ / 2) * w_;
}

int UPiano::noteAt(int x, int y) const
{
    if (!rect().contains(x, y)) return -1;
    const int w = w_, q = w_ / 4;
    const int off = x % w;
    const int base = 2 * (first_ / 2 + x / w);
    int note = base;
    if (y <= h23_) {
        if (off <= q)
            note = base - 1;
        else if (off > w - q)
            note = base + 1;
    }
    return note >= (first_ & ~1) && note < kNoteCount ? note : -1;
}

void UPiano::paintFront(QPainter& painter, int note)
{
    const int x = columnX(note), w = w_, q = w_ / 4;
    const QColor colour = stateColour(keyState(note));
    painter.fillRect(QRect(QPoint(x, h23_), QPoint(x + w - 2, h_ - 1)), colour);
    painter.fillRect(QRect(QPoint(x + q, 0), QPoint(x + w - q - 2, h23_ - 1)), colour);
}

void UPiano::paintBack(QPainter& painter, int note)
{
    const int x = columnX(note), w = w_, q = w_ / 4;
    painter.fillRect(QRect(QPoint(x + w - q, 0), QPoint(x + w - q + w / 2 - 2, h23_ - 2)),
                     stateColour(keyState(note)));
}

// A dot on every C, darker every second octave, and the octave's number.
void UPiano::paintCMarker(QPainter& painter, int note)
{
    const int x = columnX(note), w = w_, q = w_ / 4;
    const QColor dot =
        roleColour(note % 24 == 0 ? Keys::Display::AutomaticTrack : Keys::Display::PlayedNote);
    painter.save();
    painter.setPen(dot);
    painter.setBrush(dot);
    painter.drawEllipse(QRect(x + q + w / 8, 0, w / 4, h_ / 8));
    painter.restore();
    painter.drawText(QRect(x + w / 4, 13 * h_ / 16, w / 2, h_ / 8),
                     Qt::AlignCenter | Qt::TextDontClip, QStringLiteral("%1").arg(note / 12));
}

void UPiano::paintKeys(QPainter& painter)
{
    QFont font = painter.font();
    font.setPointSize(w_ == 18 ? 6 : 8);
    font.setWeight(QFont::Normal);
    font.setStyle(QFont::StyleNormal);
    font.setStyleStrategy(QFont::PreferBitmap);
    painter.setFont(font);
    const int right = width();
    for (int n = first_ & ~1; n + 1 < kNoteCount; n += 2) {
        if (columnX(n) > right) break;
        paintFront(painter, n);
        if (n % 12 == 0) paintCMarker(painter, n);
        paintBack(painter, n + 1);
    }
}
