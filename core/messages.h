#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <deque>

class QObject;

// Every message the program shows a user passes through here, so the GUI,
// command-line tools and tests each decide how it is shown and answered.

enum class MessageKind { Warning, Question, Information, Sure, Report };

// Buttons, combinable as flags; an answer is one of them.
enum MessageButton : int {
    NoButton = 0,
    Ok = 0x1,
    Yes = 0x2,
    No = 0x4,
    Cancel = 0x8,
    Save = 0x10,
    Discard = 0x20,
};

struct Message {
    MessageKind kind = MessageKind::Information;
    QString title;
    QString text;
    int buttons = Ok;
    int defaultButton = NoButton;
    QObject* parent = nullptr; // the box's window, when not the main window
};

class MessageSink
{
public:
    virtual ~MessageSink() = default;
    // Shows the message and returns the button chosen.
    virtual int show(const Message& message) = 0;
    // Long work starts or ends (the GUI shows a busy cursor).
    virtual void setBusy(bool) {}
};

// Writes "title: text" to standard error and takes the default answer
// (No when a Yes/No question has none), for tools without a display.
class ConsoleMessageSink : public MessageSink
{
public:
    int show(const Message& message) override;
};

// Records what was shown and answers from a script, for tests.
class ScriptedMessageSink : public MessageSink
{
public:
    QVector<Message> shown;
    std::deque<int> answers; // taken in order; when empty the default answer is given
    int busyDepth = 0;
    int busyCalls = 0;

    int show(const Message& message) override;
    void setBusy(bool busy) override;
    QStringList texts() const;
};

namespace Messages
{
// "Clavion - Warning" etc.; reports carry "Report" alone.
QString title(MessageKind kind);
int show(MessageKind kind, const QString& text, int buttons = Ok, int defaultButton = NoButton);
void warning(const QString& text);
void information(const QString& text);
// Yes/No question titled "Sure ?"; true when the answer is Yes.
bool sure(const QString& text);
int question(const QString& text, int buttons = Yes | No, int defaultButton = NoButton);
void report(const QString& text);
// A box with a title of its own ("File error", "Find") over the given window.
int titled(MessageKind kind, const QString& title, const QString& text, int buttons = Ok,
           int defaultButton = NoButton, QObject* parent = nullptr);

// The sink in use; the console sink until another is installed. The caller
// keeps ownership; pass nullptr to go back to the console.
void setSink(MessageSink* sink);
MessageSink* sink();
// The answer given when nothing else says: the default, else No, else the
// only or first button.
int defaultAnswer(const Message& message);
} // namespace Messages

// Marks long work for as long as it lives.
class BusyScope
{
public:
    BusyScope();
    ~BusyScope();
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
};

// Same installation for the lifetime of a scope (tests).
class ScopedMessageSink
{
public:
    explicit ScopedMessageSink(MessageSink* sink);
    ~ScopedMessageSink();
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    MessageSink* previous_;
};
