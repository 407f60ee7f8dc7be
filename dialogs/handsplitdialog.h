#pragma once

#include "song/handsplit.h"

#include <QColor>
#include <QDialog>

class DeckModel;
class MidiCleanSpin;
class QLabel;
class QRadioButton;

// Chooses how one bound track is split into its two hands: by following the
// music, or at a key. Each change plans the split anew and says so, so the
// piano roll can show it before OK; the caller applies the plan on OK.
class HandSplitDialog : public QDialog
{
    Q_OBJECT
public:
    // `first` is the automatic plan of the track; the colours are the ones
    // the piano roll draws each hand in.
    HandSplitDialog(QWidget* parent, const DeckModel& deck, HandSplitPlan first,
                    const QColor& right, const QColor& left);

    const HandSplitPlan& plan() const { return plan_; }
    QRadioButton* automaticButton() const { return automatic_; }
    QRadioButton* atKeyButton() const { return atKey_; }
    MidiCleanSpin* keyBox() const { return key_; }
    QLabel* countsLabel() const { return counts_; }

signals:
    void planChanged(const HandSplitPlan* plan);

private:
    void replan();
    void showCounts();

    const DeckModel& deck_;
    HandSplitPlan plan_;
    QRadioButton* automatic_;
    QRadioButton* atKey_;
    MidiCleanSpin* key_;
    QLabel* counts_;
};
