#include "core/events.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace
{

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
    void customEvent(QEvent* e) override { seen << describe(e); }
};

// Every class arrives with its payload; key hints overtake the others.
TEST(PostedEvents, ArriveWithTheirPayloadsKeyHintsFirst)
{
    int argc = 1;
    char name[] = "test_events";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Recorder r;
    postEvent(&r, new IntIntEvent(SessionFinishedEvent, 7, -2));
    postEvent(&r, new IntEvent(FileTempoEvent, 500000));
    postEvent(&r, new UintIntEvent(LyricSelectEvent, 4000000000u, 5));
    postEvent(&r, new UlongintEvent(SongEndEvent, quint64(1) << 40));
    postEvent(&r, new DoubleEvent(TempoRatioEvent, 0.5));
    postEvent(&r, new BoolEvent(ShowLyricsEvent, true));
    postEvent(&r, new MessageEvent(ResizeRequestEvent, QString::fromLatin1(kResizeRequestText)));
    postEvent(&r, new StatusbarEvent(ClearStatusbarEvent, QString()));
    postEvent(&r, new QEvent(eventType(HaltSessionEvent)));
    postEvent(&r, new IntIntIntIntEvent(KeyHintOnEvent, 64, 20, 0, 7));
    postEvent(&r, new IntIntIntIntEvent(KeyHintOffEvent, 64, 20, 0, 0));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(r.seen.join(", "),
              "1043 4 64 20 0 7, 1044 4 64 20 0 0, 1001 2 7 -2, 1032 int 500000, "
              "1047 u 4000000000 5, 1034 ul 1099511627776, 1064 d 0.5, "
              "1201 b 1, 1020 m Dear TopWidget please resize yourself!, "
              "1051 s , 1002 plain");
}

TEST(EventsTable, TemposAtABoost)
{
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
