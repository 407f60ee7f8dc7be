#include "views/vpiano.h"

#include "core/devices.h"
#include "core/messages.h"
#include "core/midi.h"
#include "core/settings.h"
#include "song/songnames.h"

#include <QMenu>
#include <QMouseEvent>
#include <QMutexLocker>
#include <QPainter>
#include <QSettings>

namespace
{
QColor toColour(const Rgb& c)
{
    return QColor(c.red, c.green, c.blue);
}
} // namespace

VPiano::VPiano(LiveOptions& options, bool big, InputDevice* input, OutputDevice* output,
               QWidget* parent)
    : QWidget(parent), options_(options), h_(big ? 60 : 42), w_(big ? 24 : 18), h23_(2 * h_ / 3),
      input_(input), output_(output)
{
    pen_ = QPen(stateColour(BlackKeyState), 0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    QSizePolicy policy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    policy.setHorizontalStretch(100);
    setSizePolicy(policy);
    setSizeIncrement(2, 2);
    setFocusPolicy(Qt::ClickFocus);
    setFixedHeight(h_ + 1);
}

VPiano::~VPiano() = default;

QSize VPiano::sizeHint() const
{
    return QSize(51 * w_, h_ + 1);
}

int VPiano::keyState(int note) const
{
    if (note < 0 || note >= kNoteCount) return -1;
    return keys_[size_t(note)];
}

void VPiano::setKeyState(int note, int code)
{
    if (note < 0 || note >= kNoteCount || code < 0 || code >= KeyStateCount) return;
    keys_[size_t(note)] = code;
    update();
}

int VPiano::restoreKey(int note)
{
    if (note < 0 || note >= kNoteCount) return -1;
    const int code = restingState(note);
    setKeyState(note, code);
    return code;
}

void VPiano::resetKeyColors()
{
    for (int n = 0; n < kNoteCount; ++n) keys_[size_t(n)] = restingState(n);
    update();
}

int VPiano::traditionalResting(int note)
{
    switch (note % 12) {
    case 1:
    case 3:
    case 6:
    case 8:
    case 10:
        return BlackKeyState;
    default:
        return WhiteKeyState;
    }
}

void VPiano::detach()
{
    input_ = nullptr;
    output_ = nullptr;
    holdRefused_ = nullptr;
}

QColor VPiano::stateColour(int code) const
{
    return toColour(options_.keyColours[size_t(code)]);
}

QColor VPiano::roleColour(int role) const
{
    return toColour(options_.colours[size_t(role)]);
}

void VPiano::paintEvent(QPaintEvent* event)
{
    if (!event->region().intersects(rect())) return;
    QPainter painter(this);
    const QColor black = stateColour(BlackKeyState);
    for (const QRect& r : event->region()) painter.fillRect(r, black);
    QMutexLocker lock(&paintMutex_);
    pen_.setColor(black);
    painter.setPen(pen_);
    paintKeys(painter);
}

// Only a device in "all cluster notes" mode refuses, and only while a
// session takes its keys: a lit key would hide the cluster still to play.
bool VPiano::holdRefused() const
{
    return input_ && input_->kbmode == AllClusterNotes && holdRefused_ && holdRefused_(*input_);
}

void VPiano::hold(int note)
{
    if (held_ >= 0) restoreKey(held_);
    held_ = note;
    setKeyState(note, PressedKeyState);
}

void VPiano::release()
{
    if (held_ >= 0) restoreKey(held_);
    held_ = -1;
}

bool VPiano::zoneMenuAllowed() const
{
    return input_ && !(input_->client == kPcKeyboardClient && input_->port == kPcKeyboardPort);
}

void VPiano::mousePressEvent(QMouseEvent* event)
{
    const int note = noteAt(event->x(), event->y());
    if (event->button() == Qt::LeftButton) {
        if (note < 0) return;
        if (holdRefused()) {
            event->ignore();
            return;
        }
        hold(note);
    } else if (event->button() == Qt::RightButton && zoneMenuAllowed()) {
        if (note >= 0) hold(note);
    } else {
        event->ignore();
    }
}

void VPiano::mouseMoveEvent(QMouseEvent* event)
{
    if (!(event->buttons() & Qt::LeftButton)) return;
    const int note = noteAt(event->x(), event->y());
    if (note < 0 || note == held_ || holdRefused()) return;
    hold(note);
}

void VPiano::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton) {
        release();
    } else if (event->button() == Qt::RightButton && zoneMenuAllowed()) {
        release();
        if (!buildZoneMenu(event->pos())) return;
        zoneMenu_->exec(event->globalPos());
        // A rebuild of the docks during the menu only schedules this
        // keyboard's deletion, so the menu is still ours here.
        zoneMenu_->clear();
    } else {
        event->ignore();
    }
}

bool VPiano::buildZoneMenu(const QPoint& point)
{
    const int note = noteAt(point.x(), point.y());
    if (note < 0) return false;
    menuPoint_ = point;
    if (!zoneMenu_) zoneMenu_ = new QMenu(this);
    zoneMenu_->clear();
    const QIcon icon(QStringLiteral(":/question.xpm"));
    const QString name = noteName(note, Settings::languageCode());
    QAction* a = zoneMenu_->addAction(
        icon, tr("Set key %1 (%2) as first in central zone").arg(note).arg(name));
    a->setObjectName(QStringLiteral("ac_setFirstInZone2"));
    connect(a, &QAction::triggered, this, &VPiano::setFirstInZone2);
    a = zoneMenu_->addAction(icon, tr("Set key %1 (%2) as first in high zone").arg(note).arg(name));
    a->setObjectName(QStringLiteral("ac_setFirstInZone3"));
    connect(a, &QAction::triggered, this, &VPiano::setFirstInZone3);
    return true;
}

int VPiano::menuKey() const
{
    return noteAt(menuPoint_.x(), menuPoint_.y());
}

// Both keys together: a stored pair with the central zone above the high one
// would be thrown away when read back.
void VPiano::saveZones() const
{
    QSettings& s = Settings::store();
    const QString group = Settings::inputGroup(input_->client, input_->port);
    s.setValue(group + QStringLiteral("/lowkey"), input_->lowkey);
    s.setValue(group + QStringLiteral("/highkey"), input_->highkey);
}

void VPiano::setZone(int InputDevice::*zone, int key)
{
    std::mutex* lock = zoneLock_ ? zoneLock_() : nullptr;
    if (lock) lock->lock();
    input_->*zone = key;
    if (lock) lock->unlock();
    saveZones();
}

void VPiano::setFirstInZone2()
{
    if (!input_) {
        Messages::information(
            tr("No input device associated with this virtual input keyboard,doing nothing."));
        return;
    }
    const int key = menuKey();
    if (key < 0) return;
    const bool notify = options_.notifyCancel;
    if (key > input_->highkey) {
        Messages::information(
            tr("The first key of central zone cannot be higher than the first key in high zone."));
    } else if (key == input_->lowkey) {
        Messages::information(
            tr("New value is same as old. Not changing the first key of central zone."));
    } else if (key == input_->highkey) {
        if (Messages::sure(tr("Are you sure you want to dismiss the central zone?"))) {
            setZone(&InputDevice::lowkey, key);
            if (notify) Messages::information(tr("First key of central zone set to %1.").arg(key));
        } else if (notify) {
            Messages::information(tr("First key of central zone unchanged."));
        }
    } else {
        setZone(&InputDevice::lowkey, key);
        if (notify) Messages::information(tr("First key of central zone updated."));
    }
}

void VPiano::setFirstInZone3()
{
    if (!input_) {
        Messages::information(
            tr("No input device associated with this virtual input keyboard, doing nothing."));
        return;
    }
    const int key = menuKey();
    if (key < 0) return;
    const bool notify = options_.notifyCancel;
    if (key < input_->lowkey) {
        Messages::information(tr(
            "The first key of high end zone cannot be lower than the first key in central zone."));
    } else if (key == input_->highkey) {
        Messages::information(
            tr("New value is same as old. Not changing the first key of high end zone."));
    } else if (key == input_->lowkey) {
        if (Messages::sure(tr("Are you sure you want to dismiss the central zone?"))) {
            setZone(&InputDevice::highkey, key);
            if (notify) Messages::information(tr("First key of high end zone set to %1.").arg(key));
        } else if (notify) {
            Messages::information(tr("First key of high end zone unchanged."));
        }
    } else {
        setZone(&InputDevice::highkey, key);
        if (notify) Messages::information(tr("First key of high end zone updated."));
    }
}
