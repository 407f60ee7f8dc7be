#pragma once

#include <QGroupBox>

class CleanSpin;
class QAction;
class QCheckBox;
class QLineEdit;

// The controls of the "Quick settings" dock, left to right. The deck sets
// their values and connects their changes to its slots.
class QuickSettings : public QGroupBox
{
    Q_OBJECT
public:
    explicit QuickSettings(QWidget* parent = nullptr);

    CleanSpin* tolerance;
    CleanSpin* tempo; // read-only: beats per minute actually played
    CleanSpin* boost;
    CleanSpin* zoom;
    QAction* faster;
    QAction* slower;
    QAction* wider;
    QAction* narrower;
    QCheckBox* metRecord;
    QCheckBox* metPlay;
    QCheckBox* allTracks;
    QCheckBox* tempoAdapt;
    QLineEdit* beat;
};
