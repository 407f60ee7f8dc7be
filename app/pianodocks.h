#pragma once

#include "views/vpiano.h"

#include <QObject>
#include <QPointer>
#include <vector>

class QDockWidget;
class QEvent;
class QWidget;
class TopWidget;
struct InputDevice;

// The keyboards of the two keyboard docks: one traditional and/or one
// bilinear keyboard per input device and per output port, as each device's
// display flags ask, and the two keyboards of all scheduled outputs. They
// are made anew whenever the device lists or the display options change;
// the engine's key events reach them by device address, so a keyboard of a
// device that went away is never looked at again.
class PianoDocks : public QObject
{
    Q_OBJECT
public:
    PianoDocks(TopWidget& top, QDockWidget* inputs, QDockWidget* outputs);

    void rebuild();
    // Sets key states for the keyboard events (1039 to 1046) and puts every
    // keyboard back to rest on ResetKeyboardsEvent; false for any other event.
    bool feed(QEvent* event);

    // The keyboards of a device, traditional first; none when it has none.
    std::vector<VPiano*> inputKeyboards(int client, int port) const;
    std::vector<VPiano*> outputKeyboards(int client, int port) const;
    std::vector<VPiano*> sumKeyboards() const;

private:
    struct Row {
        int client;
        int port;
        QPointer<VPiano> traditional;
        QPointer<VPiano> bilinear;
    };
    static std::vector<VPiano*> keyboardsOf(const std::vector<Row>& rows, int client, int port);
    QWidget* fill(QDockWidget* dock);
    void buildInputs(QWidget* box);
    void buildOutputs(QWidget* box);
    void setKeys(const std::vector<VPiano*>& keyboards, int note, int code);
    bool sessionTakesKeys(const InputDevice& device) const;

    TopWidget& top_;
    QDockWidget* inputDock_;
    QDockWidget* outputDock_;
    std::vector<Row> inputs_;
    std::vector<Row> outputs_;
    Row sum_{-1, -1, nullptr, nullptr};
};
