#pragma once

#include "song/takeanalysis.h"

#include <QWidget>

// The smallest of 10, 20, 25, 50, 100, 200, 250, 500 ... that holds `value`:
// the end of a plot's millisecond axis.
double roundedRange(double value);

// How early or late each cluster of a take was played, over the measures,
// against the file and against the player's own tempo, with the
// accompaniment's boost when it followed the player. Painted here:
// a few dots and one line need no charting library.
class TakePlot : public QWidget
{
    Q_OBJECT
public:
    explicit TakePlot(QWidget* parent = nullptr);

    void setAnalysis(const TakeAnalysis& analysis);
    // The measure (from 1) under a point of the widget; 0 outside the plot.
    qint64 measureAt(const QPoint& point) const;
    // Where a cluster's dot is drawn, for tests and tool tips.
    QPointF dotOf(const TakeRow& row) const;
    // Its steadiness ring: the same against the player's own tempo.
    QPointF steadyDotOf(const TakeRow& row) const;
    // The measures that get a grid line, and every how many one is labelled:
    // a few hundred at most, however many measures the take spans.
    std::vector<qint64> gridMeasures(qint64* labelEvery = nullptr) const;

    QSize sizeHint() const override { return {720, 300}; }
    QSize minimumSizeHint() const override { return {360, 200}; }

signals:
    void measureClicked(int measure);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    QRectF plotArea() const;
    double xOf(double measurePosition) const;
    double yOfMs(double ms) const;
    double yOfBoost(double boost) const;
    void paintGrid(class QPainter& p, const QRectF& area) const;
    void paintBoost(QPainter& p, const QRectF& area) const;

    TakeAnalysis analysis_;
    qint64 firstMeasure_ = 1;
    qint64 endMeasure_ = 2; // one past the last measure shown
    double msRange_ = 50;   // the deviation axis runs from -range to +range ms
    bool boostShown_ = false;
    bool worstShaded_ = false; // not when every measure is among the worst
    int boostLow_ = 80;
    int boostHigh_ = 120;
};
