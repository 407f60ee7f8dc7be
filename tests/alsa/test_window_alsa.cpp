#include "app/topwidget.h"
#include "core/messages.h"
#include "core/settings.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

// The window's device lists against the bench's real ports: Midi Through
// 14:0 and the virtual keyboards 16:0..19:0, each both input and output.
TEST(WindowDevices, ListTheSequencersPorts)
{
    if (!QFile::exists(QStringLiteral("/dev/snd/seq")))
        GTEST_SKIP() << "no /dev/snd/seq here; run through tools/seqvm";
    QTemporaryDir dir;
    Settings::resetForTests(dir.path(), QStringLiteral("en"));
    ScriptedMessageSink sink;
    ScopedMessageSink installed(&sink);
    auto* window = new TopWidget;
    const auto addresses = [](const auto& list) {
        std::vector<std::pair<int, int>> out;
        for (const auto& d : list) out.emplace_back(d->client, d->port);
        return out;
    };
    const std::vector<std::pair<int, int>> expected{{14, 0}, {16, 0}, {17, 0}, {18, 0}, {19, 0}};
    EXPECT_EQ(addresses(window->devices().inputs), expected);
    EXPECT_EQ(addresses(window->devices().outputs), expected);
    EXPECT_EQ(window->devices().inputs[0]->clientName, QStringLiteral("Midi Through"));
    // A second scan keeps the records the deck would point into.
    const InputDevice* first = window->devices().inputs[1].get();
    EXPECT_EQ(window->refreshDevices().inputs, 5);
    EXPECT_EQ(window->devices().inputs[1].get(), first);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(sink.shown.isEmpty()) << sink.texts().join(QLatin1Char('\n')).toStdString();
    delete window;
    Settings::close();
}
