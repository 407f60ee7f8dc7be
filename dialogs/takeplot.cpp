#include "dialogs/takeplot.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <climits>
#include <cmath>

namespace
{
const QColor kEarly(0x25, 0x63, 0xc7);
const QColor kLate(0xc2, 0x41, 0x1f);
const QColor kOnTime(0x70, 0x70, 0x70);
const QColor kBoost(0x2e, 0x8b, 0x3a);
const QColor kWorst(0xf2, 0xc1, 0x4e, 70);
const QColor kSteady(0x8e, 0x44, 0xad);

// Within half a millisecond a cluster is on time: the queue's own tick.
QColor colourOf(double deviationMs)
{
    return deviationMs <= -0.5 ? kEarly : deviationMs >= 0.5 ? kLate : kOnTime;
}
} // namespace

double roundedRange(double value)
{
    double decade = 10;
    for (;;) {
        for (double step : {1.0, 2.0, 2.5, 5.0})
            if (value <= step * decade) return step * decade;
        decade *= 10;
    }
}

TakePlot::TakePlot(QWidget* parent) : QWidget(parent)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
}

void TakePlot::setAnalysis(const TakeAnalysis& analysis)
{
    analysis_ = analysis;
    const std::vector<TakeRow>& rows = analysis_.rows;
    double worst = 0;
    int lo = 200, hi = 0;
    firstMeasure_ = rows.empty() ? 1 : rows.front().measure;
    endMeasure_ = firstMeasure_ + 1;
    for (const TakeRow& r : rows) {
        firstMeasure_ = std::min(firstMeasure_, r.measure);
        endMeasure_ = std::max(endMeasure_, std::min<qint64>(r.measure, INT64_MAX - 1) + 1);
        worst = std::max({worst, std::fabs(r.deviationMs), std::fabs(r.steadinessMs)});
        lo = std::min(lo, r.boost);
        hi = std::max(hi, r.boost);
    }
    msRange_ = roundedRange(worst);
    boostShown_ = analysis_.tempoFollowed && !rows.empty();
    worstShaded_ = qint64(analysis_.summary.worst.size()) < endMeasure_ - firstMeasure_;
    // Whole tens around the boosts played, at least 80..120 so a steady
    // tempo is a flat line and not noise magnified.
    boostLow_ = std::min(80, lo / 10 * 10);
    boostHigh_ = std::max(120, (hi + 9) / 10 * 10);
    update();
}

QRectF TakePlot::plotArea() const
{
    const int line = fontMetrics().height();
    const double left = fontMetrics().horizontalAdvance(QStringLiteral("+5000 ms")) + 10;
    const double right =
        boostShown_ ? fontMetrics().horizontalAdvance(QStringLiteral("120 %")) + 12 : 12;
    return QRectF(left, line * 1.8, width() - left - right, height() - line * 4.2);
}

double TakePlot::xOf(double measurePosition) const
{
    const QRectF a = plotArea();
    return a.left() + (measurePosition - double(firstMeasure_)) /
                          double(endMeasure_ - firstMeasure_) * a.width();
}

double TakePlot::yOfMs(double ms) const
{
    const QRectF a = plotArea();
    return a.center().y() - ms / msRange_ * a.height() / 2;
}

double TakePlot::yOfBoost(double boost) const
{
    const QRectF a = plotArea();
    return a.bottom() - (boost - boostLow_) / double(boostHigh_ - boostLow_) * a.height();
}

QPointF TakePlot::dotOf(const TakeRow& row) const
{
    return {xOf(row.at), yOfMs(row.deviationMs)};
}

QPointF TakePlot::steadyDotOf(const TakeRow& row) const
{
    return {xOf(row.at), yOfMs(row.steadinessMs)};
}

qint64 TakePlot::measureAt(const QPoint& point) const
{
    const QRectF a = plotArea();
    if (!a.contains(point)) return 0;
    const double at = (point.x() - a.left()) / a.width() * double(endMeasure_ - firstMeasure_);
    return std::clamp(firstMeasure_ + qint64(std::min(at, 9e18)), firstMeasure_, endMeasure_ - 1);
}

std::vector<qint64> TakePlot::gridMeasures(qint64* labelEvery) const
{
    const QRectF area = plotArea();
    const double span = double(endMeasure_ - firstMeasure_);
    const double labelWidth = fontMetrics().horizontalAdvance(QString::number(endMeasure_)) + 8;
    const double width = std::max(1.0, area.width());
    qint64 every = 1;
    while (double(every) * width / span < labelWidth && every < endMeasure_ - firstMeasure_)
        every = every < 5 ? every + 1 : every * 2;
    if (labelEvery) *labelEvery = every;
    // A line a measure while they stand apart, else only the labelled ones.
    const qint64 step = width / span >= 4 ? 1 : every;
    std::vector<qint64> measures;
    for (qint64 m = firstMeasure_; m <= endMeasure_ - step; m += step) measures.push_back(m);
    measures.push_back(endMeasure_);
    return measures;
}

void TakePlot::paintGrid(QPainter& p, const QRectF& area) const
{
    const QFontMetrics fm = fontMetrics();
    const QColor text = palette().color(QPalette::Text);
    QColor grid = palette().color(QPalette::Mid);
    grid.setAlpha(160);

    // Worst measures shaded, so the eye finds them before the list does;
    // a take of a few measures would be all shaded.
    for (const MeasureScore& m :
         worstShaded_ ? analysis_.summary.worst : std::vector<MeasureScore>())
        p.fillRect(QRectF(xOf(double(m.measure)), area.top(),
                          xOf(double(m.measure + 1)) - xOf(double(m.measure)), area.height()),
                   kWorst);

    qint64 every = 1;
    for (qint64 m : gridMeasures(&every)) {
        const double x = xOf(double(m));
        p.setPen(grid);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        if (m < endMeasure_ && (m - firstMeasure_) % every == 0) {
            p.setPen(text);
            p.drawText(QRectF(x, area.bottom() + 2, xOf(double(m + 1)) - x, fm.height()),
                       Qt::AlignHCenter | Qt::AlignTop, QString::number(m));
        }
    }
    p.setPen(text);
    p.drawText(QRectF(area.left(), area.bottom() + fm.height() + 2, area.width(), fm.height()),
               Qt::AlignHCenter, tr("Measure"));

    for (int i = -2; i <= 2; ++i) {
        const double ms = msRange_ * i / 2;
        const double y = yOfMs(ms);
        p.setPen(i == 0 ? text : grid);
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(text);
        const QString label = (ms > 0 ? QStringLiteral("+") : QString()) +
                              tr("%1 ms").arg(QString::number(ms, 'g', 4));
        p.drawText(QRectF(0, y - fm.height() / 2.0, area.left() - 5, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, label);
    }
}

void TakePlot::paintBoost(QPainter& p, const QRectF& area) const
{
    const QFontMetrics fm = fontMetrics();
    QPainterPath path;
    bool first = true;
    for (const TakeRow& r : analysis_.rows) {
        const QPointF point(xOf(r.at), yOfBoost(r.boost));
        if (first)
            path.moveTo(point);
        else
            path.lineTo(point);
        first = false;
    }
    p.setPen(QPen(kBoost, 2));
    p.setBrush(Qt::NoBrush);
    p.drawPath(path);
    for (int boost : {boostLow_, 100, boostHigh_}) {
        const double y = yOfBoost(boost);
        p.drawText(QRectF(area.right() + 4, y - fm.height() / 2.0, width() - area.right() - 4,
                          fm.height()),
                   Qt::AlignLeft | Qt::AlignVCenter, tr("%1 %").arg(boost));
    }
}

void TakePlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = plotArea();
    if (area.width() < 10 || area.height() < 10) return;
    paintGrid(p, area);

    // Steadiness first, as rings under the dots: against the player's own tempo.
    p.setPen(QPen(kSteady, 1.5));
    p.setBrush(Qt::NoBrush);
    for (const TakeRow& r : analysis_.rows) p.drawEllipse(steadyDotOf(r), 3, 3);
    for (const TakeRow& r : analysis_.rows) {
        const QColor c = colourOf(r.deviationMs);
        p.setPen(QPen(c.darker(130), 1));
        p.setBrush(c);
        p.drawEllipse(dotOf(r), 3.5, 3.5);
    }
    if (boostShown_) paintBoost(p, area);

    // The legend, on the line above the plot.
    const QFontMetrics fm = fontMetrics();
    double x = area.left();
    const double y = area.top() - fm.height() * 1.4;
    const auto entry = [&](const QColor& colour, const QString& text, bool line) {
        p.setPen(QPen(colour.darker(line ? 100 : 130), line ? 2 : 1));
        p.setBrush(colour);
        const QPointF centre(x + 6, y + fm.height() / 2.0);
        if (line)
            p.drawLine(centre - QPointF(6, 0), centre + QPointF(6, 0));
        else
            p.drawEllipse(centre, 3.5, 3.5);
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QPointF(x + 16, y + fm.ascent()), text);
        x += 16 + fm.horizontalAdvance(text) + 18;
    };
    entry(kEarly, tr("Early"), false);
    entry(kLate, tr("Late"), false);
    entry(kOnTime, tr("On time"), false);
    p.setPen(QPen(kSteady, 1.5));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(x + 6, y + fm.height() / 2.0), 3, 3);
    p.setPen(palette().color(QPalette::Text));
    p.drawText(QPointF(x + 16, y + fm.ascent()), tr("Steadiness"));
    x += 16 + fm.horizontalAdvance(tr("Steadiness")) + 18;
    if (boostShown_) entry(kBoost, tr("Tempo boost"), true);
    if (!worstShaded_) return;
    p.setPen(palette().color(QPalette::Text));
    p.setBrush(kWorst);
    const QRectF swatch(x, y + 2, 12, fm.height() - 4);
    p.drawRect(swatch);
    p.drawText(QPointF(x + 16, y + fm.ascent()), tr("Worst measures"));
}

void TakePlot::mousePressEvent(QMouseEvent* event)
{
    // The loop counts bars in an int; the deck keeps it within the song.
    const qint64 measure = measureAt(event->pos());
    if (event->button() == Qt::LeftButton && measure > 0)
        emit measureClicked(int(std::min<qint64>(measure, INT_MAX)));
    QWidget::mousePressEvent(event);
}
