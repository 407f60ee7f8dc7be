#include "core/events.h"

#include <QCoreApplication>
#include <QObject>
#include <cmath>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <thread>
#include <vector>

namespace
{

class AppEnvironment : public testing::Environment
{
public:
    void SetUp() override
    {
        if (!QCoreApplication::instance()) app_ = std::make_unique<QCoreApplication>(argc_, argv_);
    }
    void TearDown() override { app_.reset(); }

private:
    int argc_ = 1;
    char name_[16] = "test_events";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] testing::Environment* const appEnvironment =
    testing::AddGlobalTestEnvironment(new AppEnvironment);

// Destructions per event id: a posted event must be deleted once, by Qt.
std::map<int, int> destroyed;

template <class E> class Counted : public E
{
public:
    template <class... Args> explicit Counted(int id, Args... args) : E(args...), id_(id) {}
    ~Counted() override { ++destroyed[id_]; }

private:
    int id_;
};

// "type kind payload" of a posted event.
QString describe(QEvent* e)
{
    const QString t = QString::number(int(e->type())) + QLatin1Char(' ');
    if (auto* x = dynamic_cast<IntEvent*>(e)) return t + QStringLiteral("int %1").arg(x->value);
    if (auto* x = dynamic_cast<IntIntEvent*>(e))
        return t + QStringLiteral("2 %1 %2").arg(x->a).arg(x->b);
    if (auto* x = dynamic_cast<IntIntIntIntEvent*>(e))
        return t + QStringLiteral("4 %1 %2 %3 %4").arg(x->a).arg(x->b).arg(x->c).arg(x->d);
    if (auto* x = dynamic_cast<UintIntEvent*>(e))
        return t + QStringLiteral("u %1 %2").arg(x->a).arg(x->b);
    if (auto* x = dynamic_cast<UlongintEvent*>(e)) return t + QStringLiteral("ul %1").arg(x->value);
    if (auto* x = dynamic_cast<DoubleEvent*>(e)) return t + QStringLiteral("d %1").arg(x->value);
    if (auto* x = dynamic_cast<BoolEvent*>(e)) return t + QStringLiteral("b %1").arg(x->value);
    if (auto* x = dynamic_cast<MessageEvent*>(e)) return t + QStringLiteral("m ") + x->text;
    if (auto* x = dynamic_cast<StatusbarEvent*>(e)) return t + QStringLiteral("s ") + x->text;
    return t + QStringLiteral("plain");
}

class Recorder : public QObject
{
public:
    QStringList seen;

protected:
    void customEvent(QEvent* e) override
    {
        seen << describe(e);
        e->accept();
    }
};

class PostedEvents : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(QCoreApplication::instance(), nullptr);
        destroyed.clear();
    }
    static void deliver() { QCoreApplication::sendPostedEvents(nullptr, 0); }
};

TEST_F(PostedEvents, EveryClassArrivesWithItsPayloadAndIsDeletedOnce)
{
    Recorder r;
    postEvent(&r, new Counted<IntIntEvent>(1, SessionFinishedEvent, 7, -2));
    postEvent(&r, new Counted<IntEvent>(2, FileTempoEvent, 500000));
    postEvent(&r, new Counted<IntIntIntIntEvent>(3, UserNoteOnEvent, 60, 20, 0, 2));
    postEvent(&r, new Counted<UintIntEvent>(4, LyricSelectEvent, 4000000000u, 5));
    postEvent(&r, new Counted<UlongintEvent>(5, SongEndEvent, quint64(1) << 40));
    postEvent(&r, new Counted<DoubleEvent>(6, TempoRatioEvent, 0.5));
    postEvent(&r, new Counted<BoolEvent>(7, ShowLyricsEvent, true));
    postEvent(&r, new Counted<MessageEvent>(8, ResizeRequestEvent,
                                            QString::fromLatin1(kResizeRequestText)));
    postEvent(&r, new Counted<StatusbarEvent>(9, ClearStatusbarEvent, QString()));
    postEvent(&r, new Counted<QEvent>(10, eventType(HaltSessionEvent)));
    EXPECT_TRUE(destroyed.empty()); // nothing is deleted before delivery
    deliver();

    EXPECT_EQ(r.seen.join(", "), "1001 2 7 -2, 1032 int 500000, 1039 4 60 20 0 2, "
                                 "1047 u 4000000000 5, 1034 ul 1099511627776, 1064 d 0.5, "
                                 "1201 b 1, 1020 m Dear TopWidget please resize yourself!, "
                                 "1051 s , 1002 plain");
    ASSERT_EQ(destroyed.size(), 10u);
    for (const auto& [id, count] : destroyed) EXPECT_EQ(count, 1) << "event " << id;
}

TEST_F(PostedEvents, EventsFromAnotherThreadArriveInPostingOrder)
{
    Recorder r;
    constexpr int n = 500;
    std::thread engine([&r] {
        for (int i = 0; i < n; ++i) postEvent(&r, new Counted<IntEvent>(i, OutputNoteOnEvent, i));
    });
    engine.join();
    deliver();
    ASSERT_EQ(r.seen.size(), n);
    for (int i = 0; i < n; ++i) EXPECT_EQ(r.seen[i], QStringLiteral("1041 int %1").arg(i));
    ASSERT_EQ(int(destroyed.size()), n);
    for (const auto& [id, count] : destroyed) EXPECT_EQ(count, 1) << "event " << id;
}

TEST_F(PostedEvents, KeyHintsOvertakeOrdinaryEvents)
{
    Recorder r;
    postEvent(&r, new IntEvent(OutputNoteOnEvent, 60));
    postEvent(&r, new IntIntIntIntEvent(AccompanimentNoteOnEvent, 62, 20, 0, 6));
    postEvent(&r, new IntIntIntIntEvent(KeyHintOnEvent, 64, 20, 0, 7));
    postEvent(&r, new IntIntIntIntEvent(KeyHintOffEvent, 64, 20, 0, 0));
    deliver();
    EXPECT_EQ(r.seen.join(", "),
              "1043 4 64 20 0 7, 1044 4 64 20 0 0, 1041 int 60, 1045 4 62 20 0 6");
}

TEST_F(PostedEvents, PendingEventsOfADestroyedReceiverAreDeletedOnce)
{
    auto deck = std::make_unique<Recorder>();
    postEvent(deck.get(), new Counted<IntIntEvent>(1, SessionFinishedEvent, 3, 4));
    postEvent(deck.get(), new Counted<MessageEvent>(2, DeviceFailureEvent, QStringLiteral("x")));
    postEvent(deck.get(), new Counted<QEvent>(3, eventType(RepaintDiagramEvent)));
    deck.reset();
    deliver();
    ASSERT_EQ(destroyed.size(), 3u);
    for (const auto& [id, count] : destroyed) EXPECT_EQ(count, 1) << "event " << id;
}

TEST(EventsTable, RangesPrioritiesAndTempos)
{
    for (int t : {1013, 1014, 1017, 1019, 1023, 1024, 1025})
        EXPECT_TRUE(isWarningMessageType(t)) << t;
    for (int t : {1012, 1018, 1020, 1021, 1022, 1026, 1051})
        EXPECT_FALSE(isWarningMessageType(t)) << t;
    for (int t : {1050, 1052, 1059, 1060}) EXPECT_TRUE(isStatusbarTextType(t)) << t;
    for (int t : {1049, 1051, 1061, 1013}) EXPECT_FALSE(isStatusbarTextType(t)) << t;
    // Boost 50 %: the period doubles and the shown tempo halves.
    EXPECT_EQ(effectiveTempo(500000, 50), 1000000);
    EXPECT_EQ(beatsPerMinute(1000000), 60);
    EXPECT_EQ(effectiveTempo(500000, 300), 166666); // integer division
    EXPECT_EQ(beatsPerMinute(500001), 119);         // truncated, not rounded
    // The largest file tempo (24 bits) at the smallest boost does not overflow.
    EXPECT_EQ(effectiveTempo(0xFFFFFF, 10), 167772150);
    EXPECT_EQ(effectiveTempo(500000, 0), 500000);
    EXPECT_EQ(beatsPerMinute(0), 0);
}

} // namespace
