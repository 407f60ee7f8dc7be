#pragma once

#include <QWidget>

class CleanSpin;
class DeckModel;
class LiveOptions;
class QAction;
class QCheckBox;
class Score;

// The practice loop's part of the deck dock: the Loop box, the tempo
// step-up, and the actions that mark the loop at the current position.
class LoopControls : public QWidget
{
    Q_OBJECT
public:
    LoopControls(DeckModel& deck, LiveOptions& options, Score* score, QWidget* parent = nullptr);

    QCheckBox* loop;
    QCheckBox* stepUp;
    CleanSpin* stepFrom;
    CleanSpin* stepBy;
    QAction* markStart;
    QAction* markEnd;
    QAction* clear;

    // The Loop box follows the marks.
    void showLoop();

private:
    DeckModel& deck_;
    LiveOptions& options_;
    Score* score_;
};
