#pragma once

#include <QByteArray>
#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

// Outcome of a program run to its end (or killed at the time limit).
struct ProcessResult {
    bool started = false;
    bool timedOut = false;
    bool crashed = false;
    int exitCode = -1;
    QByteArray out;
    QByteArray err;

    bool succeeded() const { return started && !timedOut && !crashed && exitCode == 0; }
    QString describe() const;
};

// Runs a program to its end; a hang is killed after timeoutMs and reported.
ProcessResult runProcess(const QString& program, const QStringList& args, int timeoutMs,
                         const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment());

// A peer that runs beside the test (arecordmidi) and is ended with SIGINT, as
// a user ends it with Ctrl+C.
class BackgroundProcess
{
public:
    ~BackgroundProcess();
    bool start(const QString& program, const QStringList& args);
    // Sends SIGINT and waits for the end.
    ProcessResult interrupt(int timeoutMs);

private:
    QProcess process_;
};

// `aconnect -l` as text ("" when it could not run).
QString aconnectList();
