#include "core/messages.h"

#include "core/programname.h"

#include <QCoreApplication>
#include <cstdio>

namespace
{
MessageSink* installed = nullptr;

ConsoleMessageSink& consoleSink()
{
    static ConsoleMessageSink sink;
    return sink;
}

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Messages)
};
} // namespace

int ConsoleMessageSink::show(const Message& message)
{
    std::fprintf(stderr, "%s: %s\n", message.title.toLocal8Bit().constData(),
                 message.text.toLocal8Bit().constData());
    std::fflush(stderr);
    return Messages::defaultAnswer(message);
}

int ScriptedMessageSink::show(const Message& message)
{
    shown.push_back(message);
    if (answers.empty()) return Messages::defaultAnswer(message);
    const int answer = answers.front();
    answers.pop_front();
    return answer;
}

void ScriptedMessageSink::setBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
    ++busyCalls;
}

QStringList ScriptedMessageSink::texts() const
{
    QStringList list;
    for (const Message& m : shown) list << m.text;
    return list;
}

namespace Messages
{

QString title(MessageKind kind)
{
    const QString program = QLatin1String(App::kProgramName);
    switch (kind) {
    case MessageKind::Warning:
        return program + QStringLiteral(" - ") + Texts::tr("Warning");
    case MessageKind::Question:
        return program + QStringLiteral(" - ") + Texts::tr("Question");
    case MessageKind::Information:
        return program + QStringLiteral(" - ") + Texts::tr("Information");
    case MessageKind::Sure:
        return program + QStringLiteral(" - ") + Texts::tr("Sure ?");
    case MessageKind::Report:
        return Texts::tr("Report");
    }
    return program;
}

int defaultAnswer(const Message& message)
{
    if (message.defaultButton != NoButton) return message.defaultButton;
    if (message.buttons & No) return No;
    if (message.buttons & Cancel) return Cancel;
    for (int b = 1; b <= Discard; b <<= 1)
        if (message.buttons & b) return b;
    return Ok;
}

int show(MessageKind kind, const QString& text, int buttons, int defaultButton)
{
    Message m;
    m.kind = kind;
    m.title = title(kind);
    m.text = text;
    m.buttons = buttons;
    m.defaultButton = defaultButton;
    return sink()->show(m);
}

int titled(MessageKind kind, const QString& title, const QString& text, int buttons,
           int defaultButton, QObject* parent)
{
    Message m;
    m.kind = kind;
    m.title = title;
    m.text = text;
    m.buttons = buttons;
    m.defaultButton = defaultButton;
    m.parent = parent;
    return sink()->show(m);
}

void warning(const QString& text)
{
    show(MessageKind::Warning, text);
}
void information(const QString& text)
{
    show(MessageKind::Information, text);
}
void report(const QString& text)
{
    show(MessageKind::Report, text);
}
bool sure(const QString& text)
{
    return show(MessageKind::Sure, text, Yes | No, No) == Yes;
}
int question(const QString& text, int buttons, int defaultButton)
{
    return show(MessageKind::Question, text, buttons, defaultButton);
}

void setSink(MessageSink* sink)
{
    installed = sink;
}
MessageSink* sink()
{
    return installed ? installed : &consoleSink();
}

} // namespace Messages

BusyScope::BusyScope()
{
    Messages::sink()->setBusy(true);
}
BusyScope::~BusyScope()
{
    Messages::sink()->setBusy(false);
}

ScopedMessageSink::ScopedMessageSink(MessageSink* sink) : previous_(installed)
{
    Messages::setSink(sink);
}
ScopedMessageSink::~ScopedMessageSink()
{
    Messages::setSink(previous_);
}
