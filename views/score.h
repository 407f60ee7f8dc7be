#pragma once

#include "song/practiceloop.h"

#include <QMenu>
#include <QPointer>
#include <QSlider>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

class DeckModel;
class Diagram;
class LiveOptions;
class QCheckBox;
class QGridLayout;
class QKeyEvent;
class QLabel;
class QPushButton;
class QSignalMapper;

// What the strip asks of the deck that holds it; any hook may stay empty.
struct DeckHooks {
    // A key while the PC keyboard may play: true when the deck took it.
    std::function<bool(QKeyEvent* event, bool pressed)> pcKey;
    // A signed step for every output's volume, when no track is selected.
    std::function<void(int step)> masterVolumeStep;
    // Runs the track configuration dialog for a display index.
    std::function<void(int displayIndex)> configureTrack;
    // The selection changed: selected bound and free tracks.
    std::function<void(int bound, int free)> selectionChanged;
};

// The song position in beats; its page is one measure.
class ScoreSlider : public QSlider
{
    Q_OBJECT
public:
    ScoreSlider(int beats, int beatsPerMeasure, QWidget* parent = nullptr);

    // The loop's menu for the beat under `point`; its actions ask the strip.
    void buildLoopMenu(const QPoint& point);
    QMenu* loopMenu() const { return menu_; }

signals:
    void loopMarkRequested(LoopEdge edge, int beat);
    void loopClearRequested();

public slots:
    void measurePrevious();
    void measureNext();

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QPointer<QMenu> menu_;
};

// The deck's centre: the piano roll, the position slider, and one row of
// controls per displayed track (keyboard, mute, solo, configuration). It owns
// the song position the roll shows.
class Score : public QWidget
{
    Q_OBJECT
public:
    // `deckReceiver` gets the strip's events for the deck (record check, halt).
    Score(DeckModel& deck, LiveOptions& options, QObject* deckReceiver, QWidget* parent = nullptr);

    DeckHooks hooks;

    DeckModel& deck() const { return deck_; }
    LiveOptions& options() const { return options_; }
    Diagram* diagram() const { return diagram_; }
    ScoreSlider* slider() const { return slider_; }

    uint64_t position() const { return position_; }
    void setPosition(uint64_t tick);
    // One clock step of the engine.
    void advancePosition();

    // Marks an edge of the practice loop at the measure boundary nearest a
    // tick; a refusal is shown to the user and gives false.
    bool markLoop(LoopEdge edge, uint64_t tick);
    void clearLoop();
    // The loop around one measure, counted from 1.
    void loopAround(int measure);
    // The loop over measures first to last, counted from 1.
    void loopMeasures(int first, int last);

    // Whether tracks nobody plays get a lane too.
    bool allTracks() const { return allTracks_; }
    void setAllTracks(bool on);

    // Rebuilds every row after the track set changed.
    void buildRows();
    // Rebuilds the rows when the tracks are no longer those of the rows,
    // else refreshes them.
    void syncRows();
    void refreshRows();
    void placeSlider();

signals:
    // The roll has a different number of lanes.
    void rowsChanged();
    // The practice loop's edges moved.
    void loopChanged();

public slots:
    void intflipKeyboard(int displayIndex);
    void intflipMuted(int displayIndex);
    void intflipSolo(int displayIndex);
    void inttrackPorts(int displayIndex);

private:
    void addRow(int d);
    void clearRows();
    QString buttonText(int d) const;
    void setBox(QCheckBox* box, bool on);
    bool halted(int d);
    void afterFlip();

    DeckModel& deck_;
    LiveOptions& options_;
    QObject* deckReceiver_;
    uint64_t position_ = 0;
    bool allTracks_ = true;
    int rowHeight_;
    int lastRow_ = 1; // the grids' row after the tracks

    QGridLayout* gridDiagram_;
    QGridLayout* gridControls_;
    Diagram* diagram_;
    ScoreSlider* slider_;
    std::vector<QCheckBox*> keyboardBoxes_;
    std::vector<QCheckBox*> muteBoxes_;
    std::vector<QCheckBox*> soloBoxes_;
    std::vector<QPushButton*> configButtons_;
    QSignalMapper* keyboardMapper_;
    QSignalMapper* muteMapper_;
    QSignalMapper* soloMapper_;
    QSignalMapper* configMapper_;
    QLabel* headers_[4];
};
