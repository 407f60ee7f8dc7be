#include "dialogs/optionsdb.h"

#include "core/settings.h"

#include <QTabWidget>

OptionsDB::OptionsDB(QWidget* parent, LiveOptions& options, DeviceSet& devices,
                     OptionsHooks hooks, int* lastTab)
    : OptioDB(parent), options_(options), devices_(devices), hooks_(std::move(hooks)),
      lastTab_(lastTab)
{
    setWindowTitle(QStringLiteral("Clavion - ") + tr("Configuration"));
    openAt(lastTab_ ? *lastTab_ : 0);
}

OptionsDB::~OptionsDB()
{
    if (lastTab_) *lastTab_ = tabs()->currentIndex();
}
