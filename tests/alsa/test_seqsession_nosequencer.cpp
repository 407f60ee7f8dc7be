// seqsession on a machine without a sequencer says so and fails, rather than
// hanging or crashing; bad arguments give the usage without touching the
// sequencer. Where a sequencer exists (the bench), ALSA is pointed at a
// configuration that defines none, which fails the same way.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <tuple>

TEST(SeqsessionWithoutSequencer, FailsWithTheReasonOrTheUsage)
{
    QTemporaryDir dir;
    QFile empty(dir.filePath(QStringLiteral("alsa.conf")));
    ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
    empty.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.path());
    if (QFile::exists(QStringLiteral("/dev/snd/seq")))
        env.insert(QStringLiteral("ALSA_CONFIG_PATH"), empty.fileName());
    // The file is never read: the sequencer is opened first.
    std::vector<std::tuple<QStringList, int, const char*>> rows{
        {{"--output", "14:0", dir.filePath("absent.mid")}, 1, "Error opening ALSA sequencer: "}};
    for (const QStringList& args :
         {QStringList{}, QStringList{"--output", "14"}, QStringList{"--boost", "0", "a.mid"},
          QStringList{"--beat", "0", "a.mid"}, QStringList{"a.mid", "b.mid"}})
        rows.emplace_back(args, 2, "usage: seqsession");
    for (const auto& [args, exitCode, error] : rows) {
        SCOPED_TRACE(args.join(QLatin1Char(' ')).toStdString());
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(CLAVION_SEQSESSION), args);
        ASSERT_TRUE(p.waitForFinished(60000) && p.exitStatus() == QProcess::NormalExit)
            << "it hung or crashed";
        EXPECT_EQ(p.exitCode(), exitCode);
        const QByteArray err = p.readAllStandardError();
        EXPECT_TRUE(exitCode == 1 ? err.contains(error) : err.startsWith(error))
            << err.toStdString();
        EXPECT_EQ(err.contains("ALSA"), exitCode == 1) << err.toStdString();
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    }
}
