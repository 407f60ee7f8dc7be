#include "views/diagram.h"

#include "core/settings.h"
#include "song/deckmodel.h"
#include "song/handsplit.h"
#include "views/score.h"

#include <QAction>
#include <QGuiApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>
#include <cmath>
#include <functional>
#include <mutex>

Diagram::Diagram(Score* score)
    : QWidget(score), score_(score), deck_(score->deck()), options_(score->options()),
      diam_(std::max(1, options_.diam.load())), rowHeight_(6 * diam_)
{
    setObjectName(QStringLiteral("diagram"));
    setSizeIncrement(2, 2);
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    policy.setHorizontalStretch(100);
    setSizePolicy(policy);
    setFocusPolicy(Qt::ClickFocus);
    resetRows();
}

void Diagram::resetRows()
{
    const TrackTables& t = deck_.tracks;
    const bool all = score_->allTracks();
    diam_ = std::max(1, options_.diam.load());
    rowHeight_ = 6 * diam_;
    rowMap_.assign(size_t(t.displayCount()), -2);
    rows_ = 0;
    for (int d = 0; d < t.displayCount(); ++d)
        if (all || d >= t.boundTracks || t.keyboard[size_t(d)]) rowMap_[size_t(d)] = rows_++;
    for (int c = 0; c < ColourCount; ++c) {
        const Rgb& rgb = options_.colours[size_t(c)];
        colours_[c] = QColor(rgb.red, rgb.green, rgb.blue);
    }
    std::tie(handColours_[0], handColours_[1]) = handColours(options_);
    for (QPen* pen : {&solid_, &dotted_}) {
        *pen = QPen(colours_[Bars], 0, pen == &solid_ ? Qt::SolidLine : Qt::DotLine, Qt::SquareCap,
                    Qt::BevelJoin);
    }
    updateGeometry();
    update();
}

std::pair<QColor, QColor> Diagram::handColours(const LiveOptions& options)
{
    const Rgb& rgb = options.colours[Keys::Display::UnplayedClusterHead];
    const QColor head(rgb.red, rgb.green, rgb.blue);
    // A sixth of the wheel either way: apart from each other and from the
    // notes of the other lanes. A grey gets colour enough to turn.
    const int hue = std::max(0, head.hsvHue());
    const int s = std::max(head.hsvSaturation(), 160), v = std::max(head.value(), 200);
    return {QColor::fromHsv((hue + 300) % 360, s, v).toRgb(),
            QColor::fromHsv((hue + 60) % 360, s, v).toRgb()};
}

void Diagram::setHandPreview(const HandSplitPlan* plan)
{
    previewLeft_.clear();
    previewTrack_ = plan ? deck_.tracks.storeTrackOf(plan->displayIndex) : -1;
    if (plan) {
        previewRevision_ = plan->revision;
        for (size_t i = 0; i < plan->notes.size() && i < plan->hands.size(); ++i)
            if (plan->hands[i] == Hand::Left) previewLeft_.push_back(plan->notes[i]);
        std::sort(previewLeft_.begin(), previewLeft_.end(), std::less<const EventNode*>());
    }
    update();
}

QSize Diagram::sizeHint() const
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int desktop = screen ? screen->virtualGeometry().width() : 800;
    return {int(desktop * 0.8), rows_ * rowHeight_};
}

int Diagram::trackAtRow(int row) const
{
    if (row < 0) return -2;
    const auto it = std::find(rowMap_.begin(), rowMap_.end(), row);
    return it == rowMap_.end() ? -2 : int(it - rowMap_.begin());
}

int Diagram::rowOf(int d) const
{
    return d >= 0 && d < int(rowMap_.size()) ? rowMap_[size_t(d)] : -2;
}

bool Diagram::interactive(int d) const
{
    return d < deck_.tracks.boundTracks && deck_.tracks.keyboard[size_t(d)];
}

void Diagram::paintEvent(QPaintEvent* event)
{
    if (!event->region().intersects(rect())) return;
    QPainter painter(this);
    painter.setClipRegion(event->region());
    const TimingParams& p = deck_.timing;
    const int width = this->width();
    const int height = rows_ * rowHeight_;
    // A zoom that gives no ticks per pixel shows one tick a pixel.
    const double tickPix = p.tick4pix > 0 && std::isfinite(p.tick4pix) ? p.tick4pix : 1.0;
    const uint64_t span = uint64_t(width * tickPix);
    const uint64_t cur = score_->position();
    const uint64_t end = cur + 2 * span / 3;
    const uint64_t start = span < end ? end - span : 0;
    const int mark = width / 3 - diam_;

    const TrackTables& t = deck_.tracks;
    const int count = std::min(t.displayCount(), int(rowMap_.size()));
    for (int d = 0; d < count; ++d) {
        const int row = rowMap_[size_t(d)];
        if (row < 0) continue;
        QColor c = colours_[interactive(d) ? Interactive : d >= t.boundTracks ? Free : Automatic];
        if (size_t(d) < deck_.selected.size() && deck_.selected[size_t(d)]) c = c.lighter(130);
        painter.fillRect(0, row * rowHeight_, width, rowHeight_, c);
    }

    // A song without beats or measures has no lines to draw, only lanes.
    if (p.tick4beat > 0 && p.tick4measure > 0 && p.temps > 0) {
        const int64_t measure = p.tick4measure;
        const int64_t n = int64_t(span / uint64_t(measure)) + 1;
        const int64_t phase = int64_t(cur % uint64_t(measure));
        int64_t k = 0;
        for (int64_t tick = -n * measure; tick < n * measure; tick += p.tick4beat, ++k) {
            const int x = mark + int(double(tick - phase) / tickPix);
            painter.setPen(k % p.temps == 0 ? solid_ : dotted_);
            painter.drawLine(x, 1, x, height);
        }
    }

    paintShades(painter, mark, height);
    paintLoop(painter, mark, height);
    painter.fillRect(QRect(QPoint(mark, 0), QPoint(mark + diam_ - 1, height)), colours_[Mark]);
    paintNotes(painter, start, end, mark);
}

uint64_t Diagram::tickAt(int x) const
{
    const TimingParams& p = deck_.timing;
    const double tickPix = p.tick4pix > 0 && std::isfinite(p.tick4pix) ? p.tick4pix : 1.0;
    const double tick = double(score_->position()) + (x - (width() / 3 - diam_)) * tickPix;
    return tick > 0 ? uint64_t(tick) : 0;
}

void Diagram::setMeasureShades(std::vector<QColor> shades)
{
    shades_ = std::move(shades);
    update();
}

// A faint wash over each measure in sight and a firmer strip along the top
// edge, above the first lane's notes.
void Diagram::paintShades(QPainter& painter, int mark, int height)
{
    const TimingParams& p = deck_.timing;
    if (shades_.empty() || p.tick4measure <= 0) return;
    const double tickPix = p.tick4pix > 0 && std::isfinite(p.tick4pix) ? p.tick4pix : 1.0;
    const double cur = double(score_->position());
    const double measure = double(p.tick4measure);
    const double first = std::max(0.0, std::floor((cur - (mark + 1) * tickPix) / measure));
    const double last = std::floor((cur + (width() - mark) * tickPix) / measure);
    const int strip = std::clamp((rowHeight_ - diam_) / 2, 2, 5);
    for (double m = first; m <= last && m < double(shades_.size()); ++m) {
        const int left = int(mark + (m * measure - cur) / tickPix);
        const int right = int(mark + ((m + 1) * measure - cur) / tickPix);
        QColor c = shades_[size_t(m)];
        if (!c.isValid()) continue; // not played yet
        c.setAlpha(40);
        painter.fillRect(left, 0, right - left, height, c);
        c.setAlpha(200);
        painter.fillRect(left, 0, right - left, strip, c);
    }
}

void Diagram::paintLoop(QPainter& painter, int mark, int height)
{
    uint64_t from = 0, to = 0;
    if (!loopTicks(deck_, &from, &to)) return;
    const TimingParams& p = deck_.timing;
    const double tickPix = p.tick4pix > 0 && std::isfinite(p.tick4pix) ? p.tick4pix : 1.0;
    const double cur = double(score_->position());
    // Edges far out of sight stay just outside the widget.
    const auto x = [&](uint64_t tick) {
        return int(std::clamp(mark + (double(tick) - cur) / tickPix, -4.0, width() + 4.0));
    };
    const int left = x(from), right = x(to);
    // Translucent over the lanes, so the notes and bar lines show through.
    QColor band = colours_[Mark];
    band.setAlpha(deck_.loop.on ? 70 : 30);
    painter.fillRect(QRect(QPoint(left, 0), QPoint(right - 1, height - 1)), band);
    band.setAlpha(deck_.loop.on ? 220 : 120);
    painter.fillRect(left, 0, 2, height, band);
    painter.fillRect(right - 2, 0, 2, height, band);
}

void Diagram::paintNotes(QPainter& painter, uint64_t start, uint64_t end, int mark)
{
    const TimingParams& p = deck_.timing;
    const TrackTables& t = deck_.tracks;
    const double tickPix = p.tick4pix > 0 && std::isfinite(p.tick4pix) ? p.tick4pix : 1.0;
    const uint64_t cur = score_->position();
    const int inset = (rowHeight_ - diam_) / 2;
    const int count = std::min(t.displayCount(), int(rowMap_.size()));
    // A recording inserts notes and moves their ticks under this lock.
    std::lock_guard<std::mutex> lock(deck_.mutex);
    const EventList& list = deck_.song.events;
    const EventNode* n = anchor_ && anchorRevision_ == list.revision() ? anchor_ : nullptr;
    if (!n) n = deck_.songCursor ? deck_.songCursor : list.head();
    if (!n) return;
    while (n->prev && n->tick >= start) n = n->prev;
    while (n->next && n->next->tick < start) n = n->next;
    anchor_ = n;
    anchorRevision_ = list.revision();
    const int preview = previewRevision_ == list.revision() ? previewTrack_ : -1;
    for (; n && n->tick <= end; n = n->next) {
        if (n->tick < start || !n->isSoundingNoteOn()) continue;
        const int d = t.displayIndexOf(int(n->track));
        if (d < 0 || d >= count || rowMap_[size_t(d)] < 0) continue;
        const bool body = n->noteGap != kNoGap && n->noteGap < p.clusterTolerance(n->tempo);
        const int x = n->tick >= cur ? mark + int(double(n->tick - cur) / tickPix)
                                     : mark - int(double(cur - n->tick) / tickPix);
        if (int(n->track) == preview) {
            const bool left = std::binary_search(previewLeft_.begin(), previewLeft_.end(), n,
                                                 std::less<const EventNode*>());
            // Each half of the lane holds a head and its body, centred.
            const int half = rowHeight_ / 2;
            const int y = rowMap_[size_t(d)] * rowHeight_ + (left ? half : 0) +
                          (half - 2 * diam_) / 2 + (body ? diam_ : 0);
            painter.fillRect(x, y, diam_, diam_, handColours_[left]);
            continue;
        }
        const int y = rowMap_[size_t(d)] * rowHeight_ + inset + (body ? diam_ : 0);
        const bool played = interactive(d) ? t.playedUpTo.load(size_t(d)) > n->tick : n->tick < cur;
        painter.fillRect(x, y, diam_, diam_, colours_[played ? Played : body ? Body : Head]);
    }
}

bool Diagram::anySelected() const
{
    return std::any_of(deck_.selected.begin(), deck_.selected.end(), [](uint8_t s) { return s; });
}

void Diagram::select(int d, Qt::KeyboardModifiers modifiers)
{
    std::vector<uint8_t>& sel = deck_.selected;
    sel.resize(size_t(deck_.tracks.displayCount()), 0);
    modifiers &= ~Qt::KeypadModifier;
    if (options_.toggletrackselect || modifiers == Qt::ControlModifier) {
        sel[size_t(d)] = !sel[size_t(d)];
    } else if (modifiers == Qt::NoModifier) {
        std::fill(sel.begin(), sel.end(), 0);
        sel[size_t(d)] = 1;
    } else if (modifiers == Qt::ShiftModifier) {
        const auto first = std::find(sel.begin(), sel.end(), 1);
        const auto last = std::find(sel.rbegin(), sel.rend(), 1);
        const int low = int(first - sel.begin());
        const int high = int(sel.rend() - last) - 1;
        if (first != sel.end() && low < d)
            std::fill(sel.begin() + low, sel.begin() + d + 1, 1);
        else if (first != sel.end() && high > d)
            std::fill(sel.begin() + d, sel.begin() + high + 1, 1);
        else
            sel[size_t(d)] = 1;
    }
}

void Diagram::reportSelection()
{
    int bound = 0, free = 0;
    for (size_t d = 0; d < deck_.selected.size(); ++d)
        if (deck_.selected[d]) ++(int(d) < deck_.tracks.boundTracks ? bound : free);
    if (score_->hooks.selectionChanged) score_->hooks.selectionChanged(bound, free);
}

void Diagram::mousePressEvent(QMouseEvent* event)
{
    const int y = qRound(event->localPos().y());
    const int d = trackAtRow(y >= 0 ? y / rowHeight_ : -1);
    if (event->button() == Qt::RightButton) {
        buildTrackMenu(event->pos());
        // No loop of its own: what its actions or a posted event do may
        // delete this roll, which must not be on the stack then.
        if (!menu_->isEmpty()) menu_->popup(event->globalPos());
    } else if (event->button() == Qt::LeftButton) {
        // A click below the lanes selects nothing and keeps what was.
        if (d >= 0) select(d, event->modifiers());
        reportSelection();
    } else {
        event->ignore();
        return;
    }
    update();
    event->accept();
}

void Diagram::volumeUp(int step)
{
    if (!anySelected()) {
        if (score_->hooks.masterVolumeStep) score_->hooks.masterVolumeStep(step);
        return;
    }
    std::lock_guard<std::mutex> lock(deck_.mutex);
    std::vector<int>& shift = deck_.tracks.velocityShift;
    for (size_t d = 0; d < deck_.selected.size() && d < shift.size(); ++d)
        if (deck_.selected[d]) shift[d] = std::min(127, shift[d] + step);
}

void Diagram::volumeDown(int step)
{
    if (!anySelected()) {
        if (score_->hooks.masterVolumeStep) score_->hooks.masterVolumeStep(-step);
        return;
    }
    std::lock_guard<std::mutex> lock(deck_.mutex);
    std::vector<int>& shift = deck_.tracks.velocityShift;
    for (size_t d = 0; d < deck_.selected.size() && d < shift.size(); ++d)
        if (deck_.selected[d]) shift[d] = std::max(-127, shift[d] - step);
}

void Diagram::wheelEvent(QWheelEvent* event)
{
    if ((event->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier) {
        event->ignore();
        return;
    }
    // Some systems turn a Shift+wheel into a horizontal one.
    const QPoint angle = event->angleDelta();
    const int delta = angle.y() ? angle.y() : angle.x();
    if (delta > 7)
        volumeUp(delta / 8);
    else
        volumeDown(-delta / 8);
    event->accept();
}

void Diagram::keyPressEvent(QKeyEvent* event)
{
    if (score_->hooks.pcKey && score_->hooks.pcKey(event, true)) {
        event->accept();
        return;
    }
    ScoreSlider* slider = score_->slider();
    const bool shift = (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier;
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
        if (slider->isEnabled())
            slider->setValue(slider->value() +
                             (event->key() == Qt::Key_PageUp ? -1 : 1) * slider->pageStep());
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        if (!shift) return QWidget::keyPressEvent(event);
        if (event->key() == Qt::Key_Up)
            volumeUp(4);
        else
            volumeDown(4);
        break;
    default:
        return QWidget::keyPressEvent(event);
    }
    event->accept();
}

void Diagram::keyReleaseEvent(QKeyEvent* event)
{
    if (score_->hooks.pcKey && score_->hooks.pcKey(event, false))
        event->accept();
    else
        QWidget::keyReleaseEvent(event);
}

void Diagram::buildTrackMenu(const QPoint& point)
{
    delete menu_;
    menu_ = new QMenu(this);
    const int y = point.y();
    menuTrack_ = trackAtRow(y >= 0 ? y / rowHeight_ : -1);
    menuTick_ = tickAt(point.x());
    const int d = menuTrack_;
    const TrackTables& t = deck_.tracks;
    if (d < 0) return addLoopActions();
    const bool free = d >= t.boundTracks;
    if (free && t.input[size_t(d)] && t.input[size_t(d)]->ignoreInput) return;
    const bool keys = options_.showtrackcontrols;
    const auto add = [&](const QString& text, const char* name, const char* shortcut,
                         void (Diagram::*slot)()) {
        // The text only: the strip's own controls hold these keys.
        auto* a =
            new QAction(QIcon(QStringLiteral(":/question.xpm")),
                        keys ? text + QLatin1Char('\t') + QLatin1String(shortcut) : text, menu_);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, slot);
        menu_->addAction(a);
        return a;
    };
    const size_t i = size_t(d);
    const int n = d + 1;
    if (!free)
        add((t.keyboard[i] ? tr("Unset Keyboard for track #%1") : tr("Set Keyboard for track #%1"))
                .arg(n),
            "ac_flipKeyboard", "Alt+K", &Diagram::flipKeyboard);
    if (free) {
        add((t.mute[i] ? tr("Unmute free track #%1") : tr("Mute free track #%1")).arg(n),
            "ac_flipMuted", "Alt+M", &Diagram::flipMuted);
        add((t.solo[i] ? tr("Cancel solo on free track #%1") : tr("Apply solo on free track #%1"))
                .arg(n),
            "ac_flipSolo", "Alt+S", &Diagram::flipSolo);
        add(tr("Configure free track #%1").arg(n), "ac_trackPorts", "Alt+C", &Diagram::trackPorts);
    } else {
        add((t.mute[i] ? tr("Unmute track #%1") : tr("Mute track #%1")).arg(n), "ac_flipMuted",
            "Alt+M", &Diagram::flipMuted);
        add((t.solo[i] ? tr("Cancel solo on track #%1") : tr("Apply solo on track #%1")).arg(n),
            "ac_flipSolo", "Alt+S", &Diagram::flipSolo);
        add(tr("Configure bound track #%1").arg(n), "ac_trackPorts", "Alt+C", &Diagram::trackPorts);
    }
    menu_->addSeparator();
    const bool any = anySelected();
    add(tr("Flip keyboard status for selected tracks"), "ac_flipSelKeyboard", "Alt+K",
        &Diagram::flipSelKeyboard)
        ->setEnabled(any);
    add(tr("Flip muted status on selected tracks"), "ac_flipSelMuted", "Alt+M",
        &Diagram::flipSelMuted)
        ->setEnabled(any);
    add(tr("Configure selected tracks"), "ac_selTrackPorts", "Alt+C", &Diagram::selTrackPorts)
        ->setEnabled(any);
    menu_->addSeparator();
    addLoopActions();
}

void Diagram::addLoopActions()
{
    // At the measure boundary nearest the click.
    const auto add = [this](const QString& text, const char* name, auto&& act) {
        QAction* a = menu_->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, act);
        return a;
    };
    const uint64_t tick = menuTick_;
    add(tr("Set loop start here"), "ac_loopStart",
        [this, tick] { score_->markLoop(LoopEdge::Start, tick); });
    add(tr("Set loop end here"), "ac_loopEnd",
        [this, tick] { score_->markLoop(LoopEdge::End, tick); });
    add(tr("Clear loop"), "ac_loopClear", [this] {
        score_->clearLoop();
    })->setEnabled(deck_.loop.marked());
}

void Diagram::flipKeyboard()
{
    score_->intflipKeyboard(menuTrack_);
}

void Diagram::flipMuted()
{
    score_->intflipMuted(menuTrack_);
}

void Diagram::flipSolo()
{
    score_->intflipSolo(menuTrack_);
}

void Diagram::trackPorts()
{
    score_->inttrackPorts(menuTrack_);
}

void Diagram::flipSelKeyboard()
{
    for (int d = 0; d < deck_.tracks.boundTracks && d < int(deck_.selected.size()); ++d)
        if (deck_.selected[size_t(d)]) score_->intflipKeyboard(d);
}

void Diagram::flipSelMuted()
{
    for (int d = 0; d < int(deck_.selected.size()); ++d)
        if (deck_.selected[size_t(d)]) score_->intflipMuted(d);
}

void Diagram::selTrackPorts()
{
    for (int d = 0; d < int(deck_.selected.size()); ++d)
        if (deck_.selected[size_t(d)]) score_->inttrackPorts(d);
}
