#include "views/score.h"

#include "core/events.h"
#include "core/settings.h"
#include "song/deckmodel.h"
#include "views/diagram.h"

#include <QCheckBox>
#include <QContextMenuEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSignalMapper>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>
#include <mutex>

ScoreSlider::ScoreSlider(int beats, int beatsPerMeasure, QWidget* parent)
    : QSlider(Qt::Horizontal, parent)
{
    setFocusPolicy(Qt::NoFocus);
    setRange(1, std::max(1, beats));
    setPageStep(std::max(1, beatsPerMeasure));
    setValue(0);
    setTracking(false);
    setToolTip(tr("Change position in song"));
}

void ScoreSlider::buildLoopMenu(const QPoint& point)
{
    delete menu_;
    menu_ = new QMenu(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect groove =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const int beat = QStyle::sliderValueFromPosition(minimum(), maximum(),
                                                     point.x() - groove.x() - handle.width() / 2,
                                                     std::max(1, groove.width() - handle.width()));
    const auto add = [this](const QString& text, const char* name, auto&& act) {
        QAction* a = menu_->addAction(text);
        a->setObjectName(QLatin1String(name));
        connect(a, &QAction::triggered, this, act);
        return a;
    };
    add(tr("Set loop start here"), "ac_loopStart",
        [this, beat] { emit loopMarkRequested(LoopEdge::Start, beat); });
    add(tr("Set loop end here"), "ac_loopEnd",
        [this, beat] { emit loopMarkRequested(LoopEdge::End, beat); });
    add(tr("Clear loop"), "ac_loopClear", [this] { emit loopClearRequested(); });
}

void ScoreSlider::contextMenuEvent(QContextMenuEvent* event)
{
    buildLoopMenu(event->pos());
    // As the roll's menu: no loop of its own under this slider.
    menu_->popup(event->globalPos());
    event->accept();
}

void ScoreSlider::measurePrevious()
{
    if (isEnabled() && value() >= minimum() + pageStep()) setValue(value() - pageStep());
}

void ScoreSlider::measureNext()
{
    if (isEnabled() && value() <= maximum() - pageStep()) setValue(value() + pageStep());
}

Score::Score(DeckModel& deck, LiveOptions& options, QObject* deckReceiver, QWidget* parent)
    : QWidget(parent), deck_(deck), options_(options), deckReceiver_(deckReceiver)
{
    setObjectName(QStringLiteral("score"));
    QSizePolicy policy(QSizePolicy::MinimumExpanding, QSizePolicy::Minimum);
    policy.setHorizontalStretch(100);
    setSizePolicy(policy);
    setFocusPolicy(Qt::ClickFocus);
    setToolTip(tr("<qt><nobr>Display of notes in tracks, tall rectangles = several notes "
                  "<br>SHIFT+△▽ or SHIFT+Mouse wheel to change volume of selected tracks<br>"
                  "Right-click for track menu<br>CTRL+PageUp/PageDown to previous/next "
                  "measure</nobr></qt>"));

    auto* whole = new QHBoxLayout(this);
    whole->setObjectName(QStringLiteral("hbl_whole2"));
    whole->setContentsMargins(0, 0, 0, 0);
    gridDiagram_ = new QGridLayout;
    gridDiagram_->setObjectName(QStringLiteral("gl_diagram"));
    gridControls_ = new QGridLayout;
    gridControls_->setObjectName(QStringLiteral("gl_trackcontrols"));
    for (QGridLayout* grid : {gridDiagram_, gridControls_}) {
        grid->setContentsMargins(6, 6, 6, 6);
        grid->setHorizontalSpacing(4);
        grid->setVerticalSpacing(0);
    }
    whole->addLayout(gridDiagram_, 100);
    whole->addLayout(gridControls_, 0);

    diagram_ = new Diagram(this);
    rowHeight_ = diagram_->rowHeight();
    gridDiagram_->addWidget(diagram_, 1, 0, Qt::AlignTop);
    slider_ = new ScoreSlider(deck_.beats, deck_.timing.temps, this);
    connect(slider_, &ScoreSlider::loopMarkRequested, this, [this](LoopEdge edge, int beat) {
        markLoop(edge,
                 uint64_t(std::max(0, beat - 1)) * uint64_t(std::max(0, deck_.timing.tick4beat)));
    });
    connect(slider_, &ScoreSlider::loopClearRequested, this, &Score::clearLoop);
    // A measure back or on from anywhere in the window, not only the piano roll.
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageUp), this), &QShortcut::activated,
            slider_, &ScoreSlider::measurePrevious);
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_PageDown), this), &QShortcut::activated,
            slider_, &ScoreSlider::measureNext);

    keyboardMapper_ = new QSignalMapper(this);
    muteMapper_ = new QSignalMapper(this);
    soloMapper_ = new QSignalMapper(this);
    configMapper_ = new QSignalMapper(this);
    connect(keyboardMapper_, &QSignalMapper::mappedInt, this, &Score::intflipKeyboard);
    connect(muteMapper_, &QSignalMapper::mappedInt, this, &Score::intflipMuted);
    connect(soloMapper_, &QSignalMapper::mappedInt, this, &Score::intflipSolo);
    connect(configMapper_, &QSignalMapper::mappedInt, this, &Score::inttrackPorts);

    const char* const headers[] = {QT_TR_NOOP("&Kb"), QT_TR_NOOP("&Mt"), QT_TR_NOOP("&Sl"),
                                   QT_TR_NOOP("&Conf. track")};
    for (int c = 0; c < 4; ++c) headers_[c] = new QLabel(tr(headers[c]), this);
    buildRows();
}

void Score::setPosition(uint64_t tick)
{
    position_ = tick;
    diagram_->update();
}

void Score::advancePosition()
{
    position_ += deck_.timing.minticks;
    diagram_->update();
}

bool Score::markLoop(LoopEdge edge, uint64_t tick)
{
    const bool marked = ::markLoop(deck_, edge, tick);
    diagram_->update();
    emit loopChanged();
    return marked;
}

void Score::loopAround(int measure)
{
    loopMeasures(measure, measure);
}

void Score::loopMeasures(int first, int last)
{
    ::loopBars(deck_, first - 1, last);
    diagram_->update();
    emit loopChanged();
}

void Score::clearLoop()
{
    ::clearLoop(deck_);
    diagram_->update();
    emit loopChanged();
}

void Score::setAllTracks(bool on)
{
    allTracks_ = on;
    refreshRows();
}

QString Score::buttonText(int d) const
{
    const TrackTables& t = deck_.tracks;
    // Channel 10 holds the drums.
    const bool drum = t.channelPattern[size_t(d)] & 0x40;
    if (d >= t.boundTracks) return (drum ? tr("#%1, free drum") : tr("#%1, free")).arg(d + 1);
    return (drum ? tr("#%1, bound drum") : tr("#%1, bound")).arg(d + 1);
}

void Score::clearRows()
{
    // Later: the button that asked for the new rows may still be in its click.
    const auto drop = [this](QWidget* w) {
        if (!w) return;
        gridControls_->removeWidget(w);
        w->hide();
        w->setParent(nullptr);
        w->deleteLater();
    };
    for (auto* list : {&keyboardBoxes_, &muteBoxes_, &soloBoxes_})
        for (QCheckBox* box : *list) drop(box);
    for (QPushButton* button : configButtons_) drop(button);
    keyboardBoxes_.clear();
    muteBoxes_.clear();
    soloBoxes_.clear();
    configButtons_.clear();
    for (int r = 0; r <= lastRow_; ++r) {
        gridControls_->setRowMinimumHeight(r, 0);
        gridDiagram_->setRowMinimumHeight(r, 0);
    }
    gridControls_->setRowStretch(lastRow_ + 1, 0);
    gridDiagram_->setRowStretch(lastRow_ + 1, 0);
}

void Score::addRow(int d)
{
    const TrackTables& t = deck_.tracks;
    const bool free = d >= t.boundTracks;
    const int n = d + 1;
    const auto control = [&](auto* widget, int column, const char* keys, const QString& tip,
                             QSignalMapper* mapper) {
        widget->setMaximumHeight(rowHeight_);
        if (*keys) widget->setShortcut(QKeySequence(QLatin1String(keys)));
        widget->setToolTip(tip);
        mapper->setMapping(widget, d);
        connect(widget, &QAbstractButton::clicked, mapper, qOverload<>(&QSignalMapper::map));
        gridControls_->addWidget(widget, d + 1, column);
        return widget;
    };
    const auto box = [&](const char* name, bool on) {
        auto* b = new QCheckBox(this);
        b->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(n));
        b->setChecked(on);
        return b;
    };
    const size_t i = size_t(d);
    keyboardBoxes_.push_back(
        free ? nullptr
             : control(box("kb", t.keyboard[i]), 1, "ALT+K",
                       tr("Set keyboard interaction for track #%1 (ALT+K).").arg(n),
                       keyboardMapper_));
    muteBoxes_.push_back(control(box("mt", t.mute[i]), 2, free ? "" : "ALT+M",
                                 free ? tr("Check to mute free track %1").arg(n)
                                      : tr("Check to mute track #%1 (ALT+M)").arg(n),
                                 muteMapper_));
    soloBoxes_.push_back(control(box("sl", t.solo[i]), 3, free ? "" : "ALT+S",
                                 free ? tr("Check to hear only free track %1").arg(n)
                                      : tr("Check to hear only track #%1 (ALT+S)").arg(n),
                                 soloMapper_));
    auto* button = new QPushButton(buttonText(d), this);
    button->setObjectName(QStringLiteral("conf%1").arg(n));
    configButtons_.push_back(control(button, 4, "ALT+C",
                                     free ? tr("Ports for free track #%1 (ALT+C)").arg(n)
                                          : tr("Customize %1 track, ALT+C").arg(button->text()),
                                     configMapper_));
}

void Score::buildRows()
{
    clearRows();
    const int count = deck_.tracks.displayCount();
    for (int d = 0; d < count; ++d) addRow(d);
    lastRow_ = count + 1;
    gridControls_->setRowStretch(lastRow_ + 1, 1);
    gridDiagram_->setRowStretch(lastRow_ + 1, 1);
    QWidget* firsts[] = {keyboardBoxes_.empty() ? nullptr : keyboardBoxes_.front(),
                         muteBoxes_.empty() ? nullptr : muteBoxes_.front(),
                         soloBoxes_.empty() ? nullptr : soloBoxes_.front(),
                         configButtons_.empty() ? nullptr : configButtons_.front()};
    for (int c = 0; c < 4; ++c) headers_[c]->setBuddy(firsts[c]);
    slider_->setRange(1, std::max(1, deck_.beats));
    placeSlider();
    refreshRows();
}

void Score::refreshRows()
{
    const int before = diagram_->rowCount();
    const int beforeHeight = rowHeight_;
    diagram_->resetRows();
    // The cluster symbol's size sets the rows' height.
    rowHeight_ = diagram_->rowHeight();
    const bool controls = options_.showtrackcontrols;
    for (int d = 0; d < int(muteBoxes_.size()); ++d) {
        const bool shown = controls && diagram_->rowOf(d) >= 0;
        gridControls_->setRowMinimumHeight(d + 1, shown ? rowHeight_ : 0);
        for (QWidget* w : {static_cast<QWidget*>(keyboardBoxes_[size_t(d)]),
                           static_cast<QWidget*>(muteBoxes_[size_t(d)]),
                           static_cast<QWidget*>(soloBoxes_[size_t(d)]),
                           static_cast<QWidget*>(configButtons_[size_t(d)])})
            if (w) {
                w->setVisible(shown);
                w->setMaximumHeight(rowHeight_);
            }
        configButtons_[size_t(d)]->setText(buttonText(d));
    }
    for (QLabel* header : headers_) header->setVisible(controls && allTracks_);
    updateGeometry();
    update();
    if (diagram_->rowCount() != before || rowHeight_ != beforeHeight) emit rowsChanged();
}

void Score::syncRows()
{
    const TrackTables& t = deck_.tracks;
    const auto bound = std::count_if(keyboardBoxes_.begin(), keyboardBoxes_.end(),
                                     [](const QCheckBox* b) { return b != nullptr; });
    if (int(muteBoxes_.size()) != t.displayCount() || int(bound) != t.boundTracks)
        buildRows();
    else
        refreshRows();
}

void Score::placeSlider()
{
    const bool above = options_.scrollabove;
    const int row = above ? 0 : lastRow_;
    const Qt::Alignment align = above ? Qt::AlignTop : Qt::AlignBottom;
    gridDiagram_->removeWidget(slider_);
    gridDiagram_->addWidget(slider_, row, 0, align);
    int height = slider_->sizeHint().height();
    for (int c = 0; c < 4; ++c) {
        gridControls_->removeWidget(headers_[c]);
        gridControls_->addWidget(headers_[c], row, c + 1, align);
        height = std::max(height, headers_[c]->sizeHint().height());
    }
    // Both grids keep the same height above the lanes, so rows and lanes meet.
    for (QGridLayout* grid : {gridDiagram_, gridControls_}) {
        grid->setRowMinimumHeight(above ? 0 : lastRow_, height);
        grid->setRowMinimumHeight(above ? lastRow_ : 0, 0);
    }
    updateGeometry();
    update();
}

void Score::setBox(QCheckBox* box, bool on)
{
    if (!box) return;
    const QSignalBlocker quiet(box);
    box->setChecked(on);
}

bool Score::halted(int d)
{
    if (d >= 0) return d >= deck_.tracks.displayCount();
    if (deckReceiver_) postEvent(deckReceiver_, new QEvent(eventType(HaltSessionEvent)));
    return true;
}

void Score::afterFlip()
{
    deck_.pcKeyboardPlay = deck_.playsFromPcKeyboard();
    if (deckReceiver_) postEvent(deckReceiver_, new QEvent(eventType(RecordButtonCheckEvent)));
    refreshRows();
}

void Score::intflipKeyboard(int d)
{
    if (halted(d) || d >= deck_.tracks.boundTracks) return;
    TrackTables& t = deck_.tracks;
    bool on;
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        on = !t.keyboard[size_t(d)];
        t.keyboard[size_t(d)] = on;
        // The engine rings its clusters from where the song stands.
        if (on)
            t.cursor[size_t(d)] =
                deck_.song.events.nextSoundingNoteOn(deck_.songCursor, t.storeTrackOf(d), false);
    }
    update();
    setBox(keyboardBoxes_[size_t(d)], on);
    afterFlip();
}

void Score::intflipMuted(int d)
{
    if (halted(d)) return;
    TrackTables& t = deck_.tracks;
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        t.mute[size_t(d)] = !t.mute[size_t(d)];
        std::fill(t.solo.begin(), t.solo.end(), 0);
    }
    setBox(muteBoxes_[size_t(d)], t.mute[size_t(d)]);
    for (QCheckBox* box : soloBoxes_) setBox(box, false);
    afterFlip();
}

void Score::intflipSolo(int d)
{
    if (halted(d)) return;
    TrackTables& t = deck_.tracks;
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        const bool on = !t.solo[size_t(d)];
        for (int j = 0; j < t.displayCount(); ++j) {
            t.solo[size_t(j)] = j == d && on;
            t.mute[size_t(j)] = j != d && on;
        }
    }
    for (size_t j = 0; j < soloBoxes_.size(); ++j) {
        setBox(soloBoxes_[j], t.solo[j]);
        setBox(muteBoxes_[j], t.mute[j]);
    }
    afterFlip();
}

void Score::inttrackPorts(int d)
{
    if (halted(d) || !hooks.configureTrack) return;
    hooks.configureTrack(d);
    afterFlip();
}
