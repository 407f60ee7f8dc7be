#pragma once

#include "core/devices.h"

#include <QMutex>
#include <QPen>
#include <QPoint>
#include <QWidget>
#include <array>
#include <functional>
#include <mutex>

class LiveOptions;
class QMenu;
class QPainter;

// A keyboard that shows, key by key, what the engine reports. It sends no
// MIDI: keys held with the mouse are only drawn. A keyboard of an input
// device also moves that device's zone boundaries from a right-click menu.
class VPiano : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kFirstNote = 17;
    static constexpr int kNoteCount = 128;

    // At most one device: an input keyboard, an output keyboard, or neither
    // for the sum of the scheduled outputs.
    VPiano(LiveOptions& options, bool big, InputDevice* input, OutputDevice* output,
           QWidget* parent = nullptr);
    ~VPiano() override;

    QSize sizeHint() const override;

    // Any note outside 0..127 or code outside 0..8 is ignored; -1 for such a note.
    int keyState(int note) const;
    void setKeyState(int note, int code);
    virtual int restingState(int note) const = 0;

    InputDevice* inputDevice() const { return input_; }
    OutputDevice* outputDevice() const { return output_; }
    // The records may be freed once the keyboard is replaced: forget them.
    void detach();
    // Asked before a mouse press lights a key of a device in "all cluster
    // notes" mode: true while a session takes that device's keys.
    void setHoldRefusal(std::function<bool(const InputDevice&)> refusal)
    {
        holdRefused_ = std::move(refusal);
    }
    // The lock under which the engine reads the zones, while a session runs.
    void setZoneLock(std::function<std::mutex*()> lock) { zoneLock_ = std::move(lock); }
    int heldNote() const { return held_; }
    int keyHeight() const { return h_; }
    int keyWidth() const { return w_; }

public slots:
    virtual void resetKeyColors();
    // Fills the zone menu for the key under the point; false when no key is there.
    virtual bool buildZoneMenu(const QPoint& point);
    // Back to the resting colour; returns the code, -1 for no note.
    virtual int restoreKey(int note);
    // The key under a point of the widget, -1 where none is drawn.
    virtual int noteAt(int x, int y) const = 0;
    void setFirstInZone2();
    void setFirstInZone3();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    virtual void paintKeys(QPainter& painter) = 0;
    QColor stateColour(int code) const;
    QColor roleColour(int role) const;
    // The traditional rule: sharps and flats black.
    static int traditionalResting(int note);
    bool isInputKeyboard() const { return input_ != nullptr; }

    LiveOptions& options_;
    const int first_ = kFirstNote;
    const int h_;
    const int w_;
    const int h23_; // 2h/3, where the black keys end
    QPen pen_;

private:
    bool holdRefused() const;
    void hold(int note);
    void release();
    bool zoneMenuAllowed() const;
    int menuKey() const;
    void saveZones() const;
    void setZone(int InputDevice::*zone, int key);

    InputDevice* input_;
    OutputDevice* output_;
    std::array<qint32, kNoteCount> keys_{};
    int held_ = -1;
    QMenu* zoneMenu_ = nullptr;
    QPoint menuPoint_;
    std::function<bool(const InputDevice&)> holdRefused_;
    std::function<std::mutex*()> zoneLock_;
    QMutex paintMutex_;
};
