#include "dialogs/optionsdb.h"

#include "core/settings.h"
#include "dialogs/devicetabs.h"

#include <QTabWidget>

OptionsDB::OptionsDB(QWidget* parent, LiveOptions& options, DeviceSet& devices, OptionsHooks hooks,
                     int* lastTab)
    : OptioDB(parent), options_(options), devices_(devices), hooks_(std::move(hooks)),
      lastTab_(lastTab)
{
    setObjectName(QStringLiteral("optionsdb"));
    setWindowTitle(QStringLiteral("Clavion - ") + tr("Configuration"));
    addTab(new MidiTab(this, devices_, hooks_), tr("Default I/O"));
    addTab(new InOutTab(this, devices_, hooks_), tr("Devices setup"));
    openAt(lastTab_ ? *lastTab_ : 0);
}

OptionsDB::~OptionsDB()
{
    if (lastTab_) *lastTab_ = tabs()->currentIndex();
}
