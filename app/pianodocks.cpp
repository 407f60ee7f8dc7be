#include "app/pianodocks.h"

#include "app/playdialog.h"
#include "app/topwidget.h"
#include "core/events.h"
#include "core/midi.h"
#include "engine/decksession.h"
#include "views/tpiano.h"
#include "views/upiano.h"

#include <QDockWidget>
#include <QGridLayout>
#include <QLabel>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>

namespace
{
QLabel* caption(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    label->setMargin(4);
    return label;
}

QString deviceName(const InputDevice& d)
{
    if (d.isPcKeyboard()) return d.clientName;
    return QStringLiteral("%1:%2 %3").arg(d.client).arg(d.port).arg(d.portName);
}

QString deviceName(const OutputDevice& d)
{
    return QStringLiteral("%1:%2 %3").arg(d.client).arg(d.port).arg(d.portName);
}

// Many devices would push the window past the screen: the keyboards scroll
// then. Squeezed by the deck, a dock still shows one whole keyboard.
class KeyboardScroll : public QScrollArea
{
public:
    KeyboardScroll(QWidget* keyboards, QWidget* parent) : QScrollArea(parent)
    {
        setWidget(keyboards);
        setWidgetResizable(true);
        setFrameShape(QFrame::NoFrame);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        // The window's room beyond the keyboards goes to the song.
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    }
    QSize sizeHint() const override
    {
        const QSize inner = contents();
        // Both docks together take at most two thirds of the screen.
        const QScreen* s = screen();
        const int cap = s ? s->availableGeometry().height() / 3 : 4 * 50;
        return QSize(inner.width() + verticalScrollBar()->sizeHint().width(),
                     std::max(std::min(inner.height(), cap), minimumSizeHint().height()));
    }
    QSize minimumSizeHint() const override
    {
        int row = 0;
        for (const VPiano* k : findChildren<VPiano*>()) row = std::max(row, k->sizeHint().height());
        const QMargins m =
            widget() && widget()->layout() ? widget()->layout()->contentsMargins() : QMargins();
        const int least = row ? row + m.top() + m.bottom() : contents().height();
        return QSize(QScrollArea::minimumSizeHint().width(), std::min(least, contents().height()));
    }

private:
    QSize contents() const { return widget() ? widget()->sizeHint() : QSize(0, 0); }
};
} // namespace

PianoDocks::PianoDocks(TopWidget& top, QDockWidget* inputs, QDockWidget* outputs)
    : QObject(&top), top_(top), inputDock_(inputs), outputDock_(outputs)
{
}

void PianoDocks::rebuild()
{
    QWidget* inputs = fill(inputDock_);
    buildInputs(inputs);
    QWidget* outputs = fill(outputDock_);
    buildOutputs(outputs);
    // A dock taller than its keyboards leaves the room below them.
    for (QWidget* box : {inputs, outputs}) {
        auto* grid = static_cast<QGridLayout*>(box->layout());
        grid->setRowStretch(grid->rowCount(), 1);
    }
    // The docks keep their first measure of what they are given: a full one.
    for (auto [dock, box] : {std::pair(inputDock_, inputs), std::pair(outputDock_, outputs)}) {
        auto* scroll = new KeyboardScroll(box, dock);
        dock->setWidget(scroll);
        scroll->show(); // now, not after the dock has measured it hidden
    }
}

// The old keyboards may be running their zone menu right now: they forget
// their devices, which may be freed next, and go when control is back.
QWidget* PianoDocks::fill(QDockWidget* dock)
{
    if (QWidget* old = dock->widget()) {
        for (VPiano* keyboard : old->findChildren<VPiano*>()) keyboard->detach();
        old->hide();
        old->setParent(nullptr);
        old->deleteLater();
    }
    auto* box = new QWidget(dock);
    box->setObjectName(QStringLiteral("keyboards"));
    auto* grid = new QGridLayout(box);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(2);
    grid->setColumnStretch(1, 100);
    return box;
}

bool PianoDocks::sessionTakesKeys(const InputDevice& device) const
{
    PlayDialog* deck = top_.deck();
    if (!deck || !deck->session().active()) return false;
    const TrackTables& t = deck->model().tracks;
    for (size_t i = 0; i < size_t(t.boundTracks); ++i)
        if (t.keyboard[i] && !t.mute[i] && t.input[i] == &device) return true;
    return false;
}

void PianoDocks::buildInputs(QWidget* box)
{
    auto* grid = static_cast<QGridLayout*>(box->layout());
    LiveOptions& options = top_.options();
    const bool big = options.showbigpianos;
    DeviceSet& set = top_.devices();
    inputs_.clear();
    std::vector<InputDevice*> shown;
    for (const auto& d : set.inputs)
        if (!d->ignoreInput && !d->absent) shown.push_back(d.get());
    if (shown.empty()) grid->addWidget(new QLabel(tr("No MIDI input port"), box), 0, 0, 1, 2);
    // Played from the computer's own keys, it needs its hints as much.
    if (!set.pcKeyboard.ignoreInput) shown.push_back(&set.pcKeyboard);

    const auto refusal = [this](const InputDevice& d) { return sessionTakesKeys(d); };
    const auto lock = [this]() -> std::mutex* {
        return top_.deck() ? &top_.deck()->model().mutex : nullptr;
    };
    for (InputDevice* d : shown) {
        Row row{d->client, d->port, nullptr, nullptr};
        const QString name = QStringLiteral("inpiano%1:%2").arg(d->client).arg(d->port);
        int line = grid->rowCount();
        if (d->itradk) row.traditional = new TPiano(options, big, d, nullptr, box);
        if (d->ibck) row.bilinear = new UPiano(options, big, d, nullptr, box);
        if (!row.traditional && !row.bilinear) continue;
        grid->addWidget(caption(deviceName(*d), box), line, 0);
        for (VPiano* k : {row.traditional.data(), row.bilinear.data()}) {
            if (!k) continue;
            k->setObjectName(name);
            k->setHoldRefusal(refusal);
            k->setZoneLock(lock);
            grid->addWidget(k, line++, 1);
        }
        inputs_.push_back(row);
    }
}

void PianoDocks::buildOutputs(QWidget* box)
{
    auto* grid = static_cast<QGridLayout*>(box->layout());
    LiveOptions& options = top_.options();
    const bool big = options.showbigpianos;
    DeviceSet& set = top_.devices();
    outputs_.clear();
    sum_ = Row{-1, -1, nullptr, nullptr};
    const auto addRow = [&](Row& row, const QString& name, const QString& text) {
        if (!row.traditional && !row.bilinear) return false;
        int line = grid->rowCount();
        grid->addWidget(caption(text, box), line, 0);
        if (row.traditional) {
            row.traditional->setObjectName(name.isEmpty() ? QStringLiteral("outtpiano") : name);
            grid->addWidget(row.traditional, line++, 1);
        }
        if (row.bilinear) {
            row.bilinear->setObjectName(name.isEmpty() ? QStringLiteral("outupiano") : name);
            grid->addWidget(row.bilinear, line, 1);
        }
        return true;
    };

    bool any = false;
    for (const auto& d : set.outputs) {
        if (d->ignoreOutput || d->absent) continue;
        any = true;
        Row row{d->client, d->port, nullptr, nullptr};
        if (d->otradk) row.traditional = new TPiano(options, big, nullptr, d.get(), box);
        if (d->obck) row.bilinear = new UPiano(options, big, nullptr, d.get(), box);
        if (addRow(row, QStringLiteral("outpiano%1:%2").arg(d->client).arg(d->port),
                   deviceName(*d)))
            outputs_.push_back(row);
    }
    if (!any) {
        grid->addWidget(new QLabel(tr("No MIDI output port"), box), 0, 0, 1, 2);
        return;
    }
    // The sums follow the default output's flags.
    if (set.defaultOutput.otradk)
        sum_.traditional = new TPiano(options, big, nullptr, nullptr, box);
    if (set.defaultOutput.obck) sum_.bilinear = new UPiano(options, big, nullptr, nullptr, box);
    addRow(sum_, QString(), tr("All scheduled outputs"));
}

std::vector<VPiano*> PianoDocks::keyboardsOf(const std::vector<Row>& rows, int client, int port)
{
    std::vector<VPiano*> found;
    for (const Row& r : rows)
        if (r.client == client && r.port == port)
            for (VPiano* k : {r.traditional.data(), r.bilinear.data()})
                if (k) found.push_back(k);
    return found;
}

std::vector<VPiano*> PianoDocks::inputKeyboards(int client, int port) const
{
    return keyboardsOf(inputs_, client, port);
}

std::vector<VPiano*> PianoDocks::outputKeyboards(int client, int port) const
{
    return keyboardsOf(outputs_, client, port);
}

std::vector<VPiano*> PianoDocks::sumKeyboards() const
{
    return keyboardsOf({sum_}, -1, -1);
}

// A code below 0 puts the key back to rest.
void PianoDocks::setKeys(const std::vector<VPiano*>& keyboards, int note, int code)
{
    for (VPiano* k : keyboards) {
        if (code < 0)
            k->restoreKey(note);
        else
            k->setKeyState(note, code);
    }
}

bool PianoDocks::feed(QEvent* event)
{
    const int type = event->type();
    const bool on = type == UserNoteOnEvent || type == OutputNoteOnEvent ||
                    type == KeyHintOnEvent || type == AccompanimentNoteOnEvent;
    switch (type) {
    case UserNoteOnEvent:
    case UserNoteOffEvent: {
        const KeyDisplayPayload key(event);
        const InputDevice* d = top_.devices().findInput(key.client(), key.port());
        // In "all cluster notes" mode the hints stay: the player still has to find them.
        if (!d || d->kbmode == AllClusterNotes) return true;
        if (on && (key.zone() < int(Zone::None) || key.zone() > int(Zone::Whole))) return true;
        setKeys(inputKeyboards(key.client(), key.port()), key.note(),
                on ? PressedKeyState + key.zone() : -1);
        return true;
    }
    case OutputNoteOnEvent:
    case OutputNoteOffEvent:
        setKeys(sumKeyboards(), static_cast<IntEvent*>(event)->value, on ? OmnikeyState : -1);
        return true;
    case KeyHintOnEvent:
    case KeyHintOffEvent: {
        const KeyDisplayPayload key(event);
        setKeys(inputKeyboards(key.client(), key.port()), key.note(), on ? key.keyState() : -1);
        return true;
    }
    case AccompanimentNoteOnEvent:
    case AccompanimentNoteOffEvent: {
        const KeyDisplayPayload key(event);
        setKeys(outputKeyboards(key.client(), key.port()), key.note(), on ? key.keyState() : -1);
        return true;
    }
    case ResetKeyboardsEvent: {
        std::vector<Row> rows = inputs_;
        rows.insert(rows.end(), outputs_.begin(), outputs_.end());
        rows.push_back(sum_);
        for (const Row& r : rows)
            for (VPiano* k : {r.traditional.data(), r.bilinear.data()})
                if (k) k->resetKeyColors();
        return true;
    }
    default:
        return false;
    }
}
