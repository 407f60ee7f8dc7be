#include "dialogs/historyplot.h"

#include "dialogs/takeplot.h"

#include <QEvent>
#include <QHelpEvent>
#include <QLocale>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>
#include <algorithm>
#include <cmath>

namespace
{
const QColor kSeries[HistoryPlot::SeriesCount] = {
    QColor(0x25, 0x63, 0xc7), QColor(0xc2, 0x41, 0x1f), QColor(0x2e, 0x8b, 0x3a)};
const QColor kUnplayed(0xc8, 0xc8, 0xc8);
const QSize kCell(30, 22);
constexpr int kGap = 3;

double shownMs(double ms)
{
    return std::isfinite(ms) ? std::max(0.0, ms) : 0.0;
}
} // namespace

HistoryPlot::HistoryPlot(QWidget* parent) : QWidget(parent)
{
    setBackgroundRole(QPalette::Base);
    setAutoFillBackground(true);
}

void HistoryPlot::setSessions(const std::vector<JournalSession>& sessions)
{
    points_.clear();
    double worst = 0;
    for (const JournalSession& s : sessions) {
        if (s.clusters <= 0) continue;
        Point p{s.started.toSecsSinceEpoch(),
                {shownMs(s.medianAbsMs), shownMs(s.p90AbsMs), shownMs(s.p90SteadyMs)}};
        for (double ms : p.ms) worst = std::max(worst, ms);
        points_.push_back(p);
    }
    std::sort(points_.begin(), points_.end(),
              [](const Point& a, const Point& b) { return a.secs < b.secs; });
    firstSecs_ = points_.empty() ? 0 : points_.front().secs;
    lastSecs_ = points_.empty() ? 1 : points_.back().secs;
    // A lone session (or several within a minute) stands in the middle.
    if (lastSecs_ - firstSecs_ < 60) firstSecs_ -= 30, lastSecs_ += 30;
    msRange_ = roundedRange(worst);
    update();
}

QRectF HistoryPlot::plotArea() const
{
    const QFontMetrics fm = fontMetrics();
    const double left = fm.horizontalAdvance(QStringLiteral("5000 ms")) + 10;
    const double inset = fm.horizontalAdvance(QStringLiteral("00/00/00")) / 2.0 + 4;
    return QRectF(left + inset, fm.height() * 1.8, width() - left - 2 * inset - 8,
                  height() - fm.height() * 3.4);
}

double HistoryPlot::xOf(qint64 secs) const
{
    const QRectF a = plotArea();
    return a.left() + double(secs - firstSecs_) / double(lastSecs_ - firstSecs_) * a.width();
}

double HistoryPlot::yOf(double ms) const
{
    const QRectF a = plotArea();
    return a.bottom() - ms / msRange_ * a.height();
}

QPointF HistoryPlot::pointOf(size_t session, Series series) const
{
    const Point& p = points_.at(session);
    return {xOf(p.secs), yOf(p.ms[series])};
}

void HistoryPlot::paintAxes(QPainter& p, const QRectF& area) const
{
    const QFontMetrics fm = fontMetrics();
    const QColor text = palette().color(QPalette::Text);
    QColor grid = palette().color(QPalette::Mid);
    grid.setAlpha(160);
    for (int i = 0; i <= 4; ++i) {
        const double ms = msRange_ * i / 4;
        const double y = yOf(ms);
        p.setPen(i == 0 ? text : grid);
        p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));
        p.setPen(text);
        p.drawText(QRectF(0, y - fm.height() / 2.0, area.left() - 5, fm.height()),
                   Qt::AlignRight | Qt::AlignVCenter, tr("%1 ms").arg(QString::number(ms, 'g', 4)));
    }
    // Dates when the sessions span days, else the times of day, to the
    // second within a few minutes; never two labels alike.
    const QLocale locale;
    const qint64 span = lastSecs_ - firstSecs_;
    const qint64 unit = span > 24 * 3600 ? 24 * 3600 : span > 600 ? 60 : 1;
    const QString format = unit == 1 ? QStringLiteral("HH:mm:ss") : QStringLiteral("HH:mm");
    const QString sample =
        unit > 60 ? locale.toString(QDate(2000, 12, 31), QLocale::ShortFormat) : format;
    const double labelWidth = fm.horizontalAdvance(sample) + 16;
    const int labels = int(
        std::clamp<qint64>(std::min<qint64>(qint64(area.width() / labelWidth), span / unit), 1, 6));
    for (int i = 0; i <= labels; ++i) {
        const qint64 secs = firstSecs_ + (lastSecs_ - firstSecs_) * i / labels;
        const QDateTime when = QDateTime::fromSecsSinceEpoch(secs);
        const QString label = unit > 60 ? locale.toString(when.date(), QLocale::ShortFormat)
                                        : locale.toString(when.time(), format);
        const double x = xOf(secs);
        p.setPen(grid);
        p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
        p.setPen(text);
        p.drawText(QRectF(x - labelWidth / 2, area.bottom() + 2, labelWidth, fm.height()),
                   Qt::AlignHCenter | Qt::AlignTop, label);
    }
}

void HistoryPlot::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF area = plotArea();
    if (area.width() < 10 || area.height() < 10) return;
    paintAxes(p, area);
    for (int s = 0; s < SeriesCount; ++s) {
        QPainterPath path;
        for (size_t i = 0; i < points_.size(); ++i) {
            const QPointF at = pointOf(i, Series(s));
            i == 0 ? path.moveTo(at) : path.lineTo(at);
        }
        p.setPen(QPen(kSeries[s], 2, s == Steadiness ? Qt::DashLine : Qt::SolidLine));
        p.setBrush(Qt::NoBrush);
        p.drawPath(path);
        p.setPen(QPen(kSeries[s].darker(130), 1));
        p.setBrush(kSeries[s]);
        for (size_t i = 0; i < points_.size(); ++i) p.drawEllipse(pointOf(i, Series(s)), 3, 3);
    }

    const QFontMetrics fm = fontMetrics();
    double x = area.left();
    const double y = area.top() - fm.height() * 1.4;
    const QString names[SeriesCount] = {tr("Median deviation"), tr("90th percentile"),
                                        tr("Steadiness (90th percentile)")};
    for (int s = 0; s < SeriesCount; ++s) {
        const QPointF centre(x + 7, y + fm.height() / 2.0);
        p.setPen(QPen(kSeries[s], 2, s == Steadiness ? Qt::DashLine : Qt::SolidLine));
        p.drawLine(centre - QPointF(7, 0), centre + QPointF(7, 0));
        p.setPen(palette().color(QPalette::Text));
        p.drawText(QPointF(x + 18, y + fm.ascent()), names[s]);
        x += 18 + fm.horizontalAdvance(names[s]) + 18;
    }
}

MasteryMap::MasteryMap(QWidget* parent) : QWidget(parent)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void MasteryMap::setMap(const std::vector<MeasureMastery>& map)
{
    map_ = map;
    updateGeometry();
    update();
}

QColor MasteryMap::colourOf(const MeasureMastery& m)
{
    if (m.state == Mastery::Unplayed) return kUnplayed;
    const double score = std::isfinite(m.score) ? std::clamp(m.score, 0.0, 1.0) : 0.0;
    // Along the hue circle from red through yellow to green.
    return QColor::fromHsvF(score / 3, 0.75, 0.85);
}

QString MasteryMap::stateText(Mastery state)
{
    switch (state) {
    case Mastery::Unplayed:
        return tr("not played yet");
    case Mastery::Learning:
        return tr("learning");
    case Mastery::Slow:
        return tr("steady, below the target tempo");
    case Mastery::Regressed:
        return tr("regressed");
    case Mastery::Mastered:
        return tr("mastered");
    }
    return QString();
}

int MasteryMap::columns(int width) const
{
    return std::max(1, (width + kGap) / (kCell.width() + kGap));
}

QRect MasteryMap::cellRect(size_t index) const
{
    const int across = columns(width());
    const int column = int(index % size_t(across)), row = int(index / size_t(across));
    return QRect(QPoint(column * (kCell.width() + kGap), row * (kCell.height() + kGap)), kCell);
}

int MasteryMap::indexAt(const QPoint& point) const
{
    if (point.x() < 0 || point.y() < 0) return -1;
    const int column = point.x() / (kCell.width() + kGap);
    const size_t index =
        size_t(point.y() / (kCell.height() + kGap)) * size_t(columns(width())) + size_t(column);
    if (column >= columns(width()) || index >= map_.size()) return -1;
    return cellRect(index).contains(point) ? int(index) : -1;
}

int MasteryMap::heightForWidth(int width) const
{
    const int rows = int((map_.size() + size_t(columns(width)) - 1) / size_t(columns(width)));
    return std::max(1, rows) * (kCell.height() + kGap);
}

QSize MasteryMap::sizeHint() const
{
    return {16 * (kCell.width() + kGap), heightForWidth(16 * (kCell.width() + kGap))};
}

bool MasteryMap::event(QEvent* event)
{
    if (event->type() != QEvent::ToolTip) return QWidget::event(event);
    auto* help = static_cast<QHelpEvent*>(event);
    const int index = indexAt(help->pos());
    if (index < 0) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    const MeasureMastery& m = map_[size_t(index)];
    QToolTip::showText(help->globalPos(),
                       tr("Measure %1: %2").arg(m.measure).arg(stateText(m.state)), this,
                       cellRect(size_t(index)));
    return true;
}

void MasteryMap::paintEvent(QPaintEvent* event)
{
    QPainter p(this);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.8);
    p.setFont(small);
    for (size_t i = 0; i < map_.size(); ++i) {
        const QRect cell = cellRect(i);
        if (!event->rect().intersects(cell)) continue;
        const QColor c = colourOf(map_[i]);
        p.fillRect(cell, c);
        p.setPen(c.darker(140));
        p.drawRect(cell.adjusted(0, 0, -1, -1));
        p.setPen(Qt::black);
        p.drawText(cell, Qt::AlignCenter, QString::number(map_[i].measure));
    }
}
