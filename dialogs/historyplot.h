#pragma once

#include "song/practicejournal.h"

#include <QColor>
#include <QWidget>
#include <array>
#include <vector>

// Each practice session of a song over the days: its median and 90th
// percentile deviation from the file, and the 90th percentile of its
// steadiness against the player's own tempo, in milliseconds.
class HistoryPlot : public QWidget
{
    Q_OBJECT
public:
    enum Series { Median, P90, Steadiness, SeriesCount };

    explicit HistoryPlot(QWidget* parent = nullptr);

    void setSessions(const std::vector<JournalSession>& sessions);
    size_t pointCount() const { return points_.size(); }
    // Where a session's value of a series is drawn.
    QPointF pointOf(size_t session, Series series) const;
    double msRange() const { return msRange_; }

    QSize sizeHint() const override { return {720, 260}; }
    QSize minimumSizeHint() const override { return {360, 180}; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    struct Point {
        qint64 secs;
        std::array<double, SeriesCount> ms;
    };
    QRectF plotArea() const;
    double xOf(qint64 secs) const;
    double yOf(double ms) const;
    void paintAxes(class QPainter& p, const QRectF& area) const;

    std::vector<Point> points_;
    qint64 firstSecs_ = 0, lastSecs_ = 1;
    double msRange_ = 50;
};

// One cell per measure, from red (score 0) to green (mastered), grey while
// unplayed; the tool tip names the measure and its state.
class MasteryMap : public QWidget
{
    Q_OBJECT
public:
    explicit MasteryMap(QWidget* parent = nullptr);

    void setMap(const std::vector<MeasureMastery>& map);
    const std::vector<MeasureMastery>& map() const { return map_; }
    static QColor colourOf(const MeasureMastery& m);
    static QString stateText(Mastery state);
    // The measure's cell, counted from 0; the index under a point or -1.
    QRect cellRect(size_t index) const;
    int indexAt(const QPoint& point) const;

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent*) override;

private:
    int columns(int width) const;

    std::vector<MeasureMastery> map_;
};
