#include "core/events.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace
{

class Recorder : public QObject
{
public:
    QStringList seen;

protected:
    void customEvent(QEvent* e) override
    {
        QString text = QString::number(int(e->type()));
        if (dynamic_cast<IntIntIntIntEvent*>(e)) {
            const KeyDisplayPayload hint(e);
            text += QStringLiteral(" %1 %2 %3 %4")
                        .arg(hint.note())
                        .arg(hint.client())
                        .arg(hint.port())
                        .arg(hint.keyState());
        }
        if (auto* end = dynamic_cast<UlongintEvent*>(e))
            text += QStringLiteral(" %1").arg(end->value);
        seen << text;
    }
};

// Key hints overtake whatever was posted before them.
TEST(Events, KeyHintsOvertakeTheOthers)
{
    int argc = 1;
    char name[] = "test_events";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    Recorder r;
    postEvent(&r, new UlongintEvent(SongEndEvent, quint64(1) << 40));
    postEvent(&r, new QEvent(eventType(HaltSessionEvent)));
    postEvent(&r, KeyDisplayPayload::keyHint(true, 64, 20, 0, 7));
    postEvent(&r, KeyDisplayPayload::keyHint(false, 64, 20, 0, 0));
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(r.seen.join(", "), "1043 64 20 0 7, 1044 64 20 0 0, 1034 1099511627776, 1002");
}

} // namespace
