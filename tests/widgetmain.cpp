// The main of the widget tests: an offscreen application with the program's
// resources, so windows need no display and find their icons.

#include "core/events.h"
#include "resources/resources.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    watchPostedEventsForSanitizer();
    initResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
