#include "core/events.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv); // for the deck's posted events
    watchPostedEventsForSanitizer();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
