#pragma once

#include <QColor>
#include <QMenu>
#include <QPen>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <utility>
#include <vector>

class DeckModel;
class LiveOptions;
class Score;
struct EventNode;
struct HandSplitPlan;

// The piano roll: one lane per shown track, one square per note-on, time
// running right to left under a fixed mark at a third of the width.
class Diagram : public QWidget
{
    Q_OBJECT
public:
    explicit Diagram(Score* score);

    // After a change of the tracks, their flags, the all-tracks flag or the colours.
    void resetRows();
    QSize sizeHint() const override;
    // A new menu for the track under `point`; empty where there is none.
    virtual void buildTrackMenu(const QPoint& point);
    QMenu* trackMenu() const { return menu_; }

    // The song tick under an x coordinate.
    uint64_t tickAt(int x) const;
    // The display index drawn on a row, or -2.
    int trackAtRow(int row) const;
    // The row of a display index, or -2.
    int rowOf(int displayIndex) const;
    int rowCount() const { return rows_; }
    int rowHeight() const { return rowHeight_; }

    // While a split of a track into its hands is being chosen, its notes are
    // drawn by hand: the right hand's in the lane's upper half, the left
    // hand's in its lower half. Null ends it; an edit of the list ends it too.
    void setHandPreview(const HandSplitPlan* plan);
    bool previewingHands() const { return previewTrack_ >= 0; }
    // The right and left hands' colours, turned from the unplayed notes' colour.
    static std::pair<QColor, QColor> handColours(const LiveOptions& options);

    // Each measure's colour in the practice history, the first measure's
    // first; an invalid colour or none at all leaves a measure as it is.
    void setMeasureShades(std::vector<QColor> shades);
    const std::vector<QColor>& measureShades() const { return shades_; }

    // The velocity offset of the selected tracks, or the master volume.
    void volumeUp(int step);
    void volumeDown(int step);

public slots:
    void flipKeyboard();
    void flipMuted();
    void flipSolo();
    void trackPorts();
    void flipSelKeyboard();
    void flipSelMuted();
    void selTrackPorts();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;

private:
    enum Colour { Interactive, Automatic, Free, Played, Head, Body, Mark, Bars, ColourCount };
    bool interactive(int d) const;
    bool anySelected() const;
    void select(int d, Qt::KeyboardModifiers modifiers);
    void reportSelection();
    void paintNotes(QPainter& painter, uint64_t start, uint64_t end, int mark);
    void paintLoop(QPainter& painter, int mark, int height);
    void paintShades(QPainter& painter, int mark, int height);
    void addLoopActions();

    Score* score_;
    DeckModel& deck_;
    LiveOptions& options_;
    int diam_;
    int rowHeight_;
    int rows_ = 0;
    std::vector<int> rowMap_;
    QColor colours_[ColourCount];
    QPen solid_;
    QPen dotted_;
    QPointer<QMenu> menu_;
    int menuTrack_ = -2;
    uint64_t menuTick_ = 0;
    // Where the last paint began its walk, valid while the list's revision holds.
    const EventNode* anchor_ = nullptr;
    uint64_t anchorRevision_ = 0;
    // The hand preview: its track, the list's revision it holds for, and its
    // left-hand notes sorted for a binary search while painting.
    int previewTrack_ = -1;
    uint64_t previewRevision_ = 0;
    std::vector<const EventNode*> previewLeft_;
    QColor handColours_[2];
    std::vector<QColor> shades_;
};
