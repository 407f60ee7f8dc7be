#pragma once

#include <QDialog>

class CleanCombo;
class CleanSpin;

// Asks for the four values a new song starts from.
class NewFileDB : public QDialog
{
    Q_OBJECT
public:
    explicit NewFileDB(QWidget* parent = nullptr);

    int bpm() const;
    int ppq() const;
    int beatsPerMeasure() const;
    int beatValueIndex() const; // 0 whole note .. 6 64th note: the denominator's power of two

private:
    CleanSpin* bpm_;
    CleanSpin* ppq_;
    CleanSpin* beats_;
    CleanCombo* beatValue_;
};
