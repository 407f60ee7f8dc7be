#include "processrunner.h"

#include <csignal>
#include <sys/types.h>

QString ProcessResult::describe() const
{
    return QStringLiteral("started=%1 timedOut=%2 crashed=%3 exit=%4\nstdout:\n%5\nstderr:\n%6")
        .arg(started)
        .arg(timedOut)
        .arg(crashed)
        .arg(exitCode)
        .arg(QString::fromLocal8Bit(out), QString::fromLocal8Bit(err));
}

namespace
{

ProcessResult collect(QProcess& p, int timeoutMs)
{
    ProcessResult r;
    r.started = true;
    if (!p.waitForFinished(timeoutMs)) {
        r.timedOut = true;
        p.kill();
        p.waitForFinished(5000);
    }
    r.crashed = !r.timedOut && p.exitStatus() == QProcess::CrashExit;
    r.exitCode = p.exitCode();
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    return r;
}

} // namespace

ProcessResult runProcess(const QString& program, const QStringList& args, int timeoutMs,
                         const QProcessEnvironment& env)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(10000)) {
        ProcessResult r;
        r.err = p.errorString().toLocal8Bit();
        return r;
    }
    p.closeWriteChannel();
    return collect(p, timeoutMs);
}

BackgroundProcess::~BackgroundProcess()
{
    if (process_.state() != QProcess::NotRunning) {
        process_.kill();
        process_.waitForFinished(5000);
    }
}

bool BackgroundProcess::start(const QString& program, const QStringList& args)
{
    process_.start(program, args);
    return process_.waitForStarted(10000);
}

ProcessResult BackgroundProcess::interrupt(int timeoutMs)
{
    if (process_.state() == QProcess::Running) ::kill(pid_t(process_.processId()), SIGINT);
    return collect(process_, timeoutMs);
}

QString aconnectList()
{
    const ProcessResult r = runProcess(QStringLiteral("aconnect"), {QStringLiteral("-l")}, 30000);
    return r.succeeded() ? QString::fromLocal8Bit(r.out) : QString();
}
