#include "dialogs/optionsdb.h"

#include "core/programname.h"
#include "core/settings.h"
#include "dialogs/devicetabs.h"
#include "dialogs/settingstabs.h"

#include <QTabWidget>

OptionsDB::OptionsDB(QWidget* parent, LiveOptions& options, DeviceSet& devices, OptionsHooks hooks,
                     int* lastTab)
    : OptioDB(parent), options_(options), devices_(devices), hooks_(std::move(hooks)),
      lastTab_(lastTab)
{
    setObjectName(QStringLiteral("optionsdb"));
    setWindowTitle(QLatin1String(App::kProgramName) + QStringLiteral(" - ") + tr("Configuration"));
    addTab(new MidiTab(this, devices_, hooks_), tr("Default I/O"));
    addTab(new InOutTab(this, devices_, hooks_), tr("Devices setup"));
    addTab(new SynthTab(this, hooks_.synth), tr("Synthesizer"));

    // The general settings, after the device tabs.
    addTab(new ParametersTab(this, options_), tr("Parameters"));
    addTab(new EventFiltersTab(this, options_), tr("Event filters"));
    addTab(new DisplayTab(this, options_, hooks_), tr("Interface"));
    addTab(new MetronomeTab(this, options_), tr("Metronome"));

    openAt(lastTab_ ? *lastTab_ : 0);
}

OptionsDB::~OptionsDB()
{
    if (lastTab_) *lastTab_ = tabs()->currentIndex();
}
