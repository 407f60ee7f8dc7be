#pragma once

#include "dialogs/optiodb.h"

class QComboBox;
struct DeviceSet;
struct InputDevice;
struct OutputDevice;

// A tab that chooses sequencer ports: lists them as "client:port name" and
// reads the address back from such an entry.
class MidiIOTab : public OptionsTab
{
    Q_OBJECT
public:
    MidiIOTab(OptioDB* dialog, DeviceSet& devices);

    // How the PC keyboard is named in the lists.
    static QString pcKeyboardName();
    static QString portText(const InputDevice& device);
    static QString portText(const OutputDevice& device);
    // The address at the start of an entry; false when the text has none.
    static bool parseAddress(const QString& text, int* client, int* port);

protected:
    // The PC keyboard and the inputs in use (the outputs in use), with
    // `current` selected; it is listed first when it is none of them.
    void listInputs(QComboBox* box, const InputDevice* current);
    void listOutputs(QComboBox* box, const OutputDevice* current);
    // What a list shows again once filled anew: the entry shown when the user
    // chose it (`edited`) or it is the record's, else the record's.
    static QString keptText(const QComboBox* box, const QString& recordText, bool edited);
    // After a list was filled anew: selects the entry of the port that `shown`
    // names; when that port has gone, `shown` is put back first.
    static void keepShown(QComboBox* box, const QString& shown);

    DeviceSet& devices_;
};
