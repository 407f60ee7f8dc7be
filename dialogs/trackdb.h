#pragma once

#include "core/devices.h"
#include "dialogs/midiiotab.h"

#include <QFont>
#include <array>
#include <cstdint>

class CleanCombo;
class CleanSpin;
class DeckModel;
class DeckSession;
class NiceQListBox;
class QCheckBox;
class QGroupBox;
class QPlainTextEdit;
class QRadioButton;
struct OutputDevice;

// The configuration of one track of the deck, by display index: its ports and
// zone, its channel, velocity shift, transposition and patch, and what it holds.
// Safe while a session runs: what it changes goes through the deck's lock
// and the session.
class TrackDB : public OptioDB
{
    Q_OBJECT
public:
    TrackDB(QWidget* parent, DeckModel& deck, DeckSession& session, int displayIndex);

    // "bound track 3", "free drum track 1" and so on, as the title says it.
    static QString titleFor(const DeckModel& deck, int displayIndex);
    // For texts read in columns.
    static QFont fixedFont();
};

class TrackMidiTab : public MidiIOTab
{
    Q_OBJECT
public:
    TrackMidiTab(OptioDB* dialog, DeckModel& deck, DeckSession& session, int displayIndex);

    void setOptions() override;
    void firstShow() override;
    void devicesChanged() override;

public slots:
    void zoneLabelling(int index);

private:
    void applyInput();
    void applyOutput();

    DeckModel& deck_;
    DeckSession& session_;
    int d_;
    bool free_;
    CleanCombo* input_;
    CleanCombo* output_;
    QGroupBox* zoneGroup_;
    std::array<QRadioButton*, kSplitZones> zones_;
};

class TuneTab : public OptionsTab
{
    Q_OBJECT
public:
    TuneTab(OptioDB* dialog, DeckModel& deck, DeckSession& session, int displayIndex);

    void setOptions() override;
    void unsetOptions() override;
    void firstShow() override;

    // Row r of the patch list: "r    name" (program r - 1), row 0 "0    default".
    static QString patchRowText(int row);

public slots:
    void setChannelTo(int newChannel);
    void setVolumeShiftTo(int newvolshift);
    void setTransposeTo(int newtranspose);
    void setPatchTo(int newRow);

protected:
    void showEvent(QShowEvent* event) override;

private:
    // Takes the track's values as the ones Cancel goes back to.
    void keepCurrent();

    DeckModel& deck_;
    DeckSession& session_;
    int d_;
    CleanSpin* channel_;
    CleanSpin* velocityShift_;
    CleanSpin* transpose_;
    QCheckBox* transposeAll_;
    NiceQListBox* patches_;
    int savedVelocityShift_ = 0;
    int savedTranspose_ = 0;
    OutputDevice* savedOutput_ = nullptr;
    std::array<int, 16> savedPatches_{};
    int channels_ = 0;        // in the pattern
    int currentChannel_ = 16; // its one channel, 16 = none
    int chosenChannel_ = 16;  // 16 = none
};

class InfoTab : public OptionsTab
{
    Q_OBJECT
public:
    InfoTab(OptioDB* dialog, DeckModel& deck, int displayIndex);

    // The tab's text: the track, its channel pattern and its events per channel.
    static QString infoText(const DeckModel& deck, int displayIndex);

protected:
    void showEvent(QShowEvent* event) override;

private:
    DeckModel& deck_;
    int d_;
    QPlainTextEdit* text_;
};
