#include "core/events.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>

#if defined(__SANITIZE_THREAD__)
#define CLAVION_TSAN 1
extern "C" void __tsan_acquire(void* address);
extern "C" void __tsan_release(void* address);
#endif

namespace
{
#ifdef CLAVION_TSAN
// QtCore is not built with ThreadSanitizer, so the hand-over of a posted
// event through Qt's queue is invisible to it. The poster releases the event
// and this filter, which sees every event before its receiver does, acquires it.
class PostedEventWatch : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override
    {
        __tsan_acquire(event);
        return false;
    }
};
#endif
} // namespace

void watchPostedEventsForSanitizer()
{
#ifdef CLAVION_TSAN
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(new PostedEventWatch(app));
#endif
}

const char* const kResizeRequestText = "Dear TopWidget please resize yourself!";
const char* const kCloseDocWindowText = "Dear TopWidget please close docdialog!";

// Out-of-line destructors anchor each class's vtable in this file.
IntEvent::~IntEvent() = default;
IntIntEvent::~IntIntEvent() = default;
IntIntIntIntEvent::~IntIntIntIntEvent() = default;
UintIntEvent::~UintIntEvent() = default;
UlongintEvent::~UlongintEvent() = default;
DoubleEvent::~DoubleEvent() = default;
BoolEvent::~BoolEvent() = default;
MessageEvent::~MessageEvent() = default;
StatusbarEvent::~StatusbarEvent() = default;

bool isWarningMessageType(int type)
{
    if (type < FirstWarningMessageEvent || type > LastWarningMessageEvent) return false;
    return type != DeviceFailureEvent && type != ResizeRequestEvent && type != ReloadRequestEvent &&
           type != CloseDocWindowEvent;
}

bool isStatusbarTextType(int type)
{
    return type >= FirstStatusbarEvent && type <= LastStatusbarEvent && type != ClearStatusbarEvent;
}

int postingPriority(int type)
{
    return type == KeyHintOnEvent || type == KeyHintOffEvent ? 1 : 0;
}

void postEvent(QObject* receiver, QEvent* event)
{
    const int priority = postingPriority(event->type());
#ifdef CLAVION_TSAN
    __tsan_release(event);
#endif
    QCoreApplication::postEvent(receiver, event, priority);
}

int effectiveTempo(int fileTempo, int tempoBoost)
{
    if (tempoBoost <= 0) return fileTempo;
    return int(qint64(fileTempo) * 100 / tempoBoost);
}

int beatsPerMinute(int tempo)
{
    if (tempo <= 0) return 0;
    return int(60000000.0 / tempo);
}

int followedTempoBoost(int tempoBoost, double ratio)
{
    const double boost = double(tempoBoost) / ratio;
    if (std::isnan(boost)) return tempoBoost;
    // Clamped before truncation: a ratio of 0 gives infinity, which no int holds.
    return int(std::trunc(std::clamp(boost, 83.0, 120.0)));
}
