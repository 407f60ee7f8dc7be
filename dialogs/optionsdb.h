#pragma once

#include "dialogs/optiodb.h"
#include "dialogs/synthtab.h"

#include <functional>
#include <mutex>

class LiveOptions;
class QObject;
struct DeviceSet;
struct OutputDevice;

// What the Options dialog reaches beyond the values it edits. The window
// fills what it has; an empty hook is skipped.
struct OptionsHooks {
    // Receives the display events 1201 to 1203.
    QObject* mainWindow = nullptr;
    std::function<bool()> songOpen;
    std::function<bool()> sessionActive;
    // The lock the engine reads device records under while a song is open;
    // null when none is.
    std::function<std::mutex*()> deckLock;
    // Sends a volume to every channel of an output at once; false when no
    // session runs, and it is then sent when the next one starts.
    std::function<bool(const OutputDevice&, int volume)> sendVolume;
    std::function<void(bool inputs, bool outputs)> rebuildKeyboards;
    // Colours, cluster symbol and key colours changed.
    std::function<void()> repaintViews;
    // The scrollbar's place or the keyboards' size changed.
    std::function<void()> relayoutViews;
    std::function<void()> applyStyleSheet;
    // The history flags of the Interface tab changed.
    std::function<void()> historyFlagsChanged;
    SynthHooks synth;
};

// The program's settings in seven tabs.
class OptionsDB : public OptioDB
{
    Q_OBJECT
public:
    // Opens on *lastTab and stores the tab shown back there when destroyed.
    OptionsDB(QWidget* parent, LiveOptions& options, DeviceSet& devices, OptionsHooks hooks,
              int* lastTab = nullptr);
    ~OptionsDB() override;

    const OptionsHooks& hooks() const { return hooks_; }

private:
    LiveOptions& options_;
    DeviceSet& devices_;
    OptionsHooks hooks_;
    int* lastTab_;
};
