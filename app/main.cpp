#include "app/appglobals.h"
#include "app/guimessagesink.h"
#include "app/topwidget.h"
#include "core/settings.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QLatin1String(App::kProgramName));
    Settings::open(Settings::languageCode());
    App::fileArgumentIndex = argc > 1 ? 1 : 0;
    auto* window = new TopWidget;
    GuiMessageSink sink(window);
    ScopedMessageSink installed(&sink);
    window->show();
    const int rc = app.exec();
    Settings::close();
    return rc;
}
