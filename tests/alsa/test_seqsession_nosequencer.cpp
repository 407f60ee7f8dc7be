// seqsession on a machine without a sequencer says so and fails, rather than
// hanging or crashing. Where a sequencer exists (the bench), ALSA is pointed
// at a configuration that defines none, which fails the same way.

#include "enginefixture.h"

#include <QFileInfo>
#include <QTemporaryDir>

namespace
{

TEST(SeqsessionWithoutSequencer, ReportsTheOpenErrorAndFails)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (QFileInfo::exists(QStringLiteral("/dev/snd/seq"))) {
        const QString empty = dir.filePath(QStringLiteral("alsa.conf"));
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        env.insert(QStringLiteral("ALSA_CONFIG_PATH"), empty);
    }
    // The file is never read: the sequencer is opened first.
    const ProcessResult r =
        runSeqsession({"--output", "14:0", dir.filePath("absent.mid")}, dir.path(), 60000, env);
    ASSERT_TRUE(r.ran) << r.describe();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Error opening ALSA sequencer: ")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
}

TEST(SeqsessionWithoutSequencer, BadArgumentsGiveUsageWithoutTouchingTheSequencer)
{
    QTemporaryDir dir;
    for (const QStringList& args :
         {QStringList{}, QStringList{"--output", "14"}, QStringList{"--boost", "0", "a.mid"},
          QStringList{"--beat", "0", "a.mid"}, QStringList{"a.mid", "b.mid"}}) {
        const ProcessResult r = runSeqsession(args, dir.path(), 30000);
        ASSERT_TRUE(r.ran) << r.describe();
        EXPECT_EQ(r.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.startsWith("usage: seqsession")) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("ALSA")) << r.err.toStdString();
    }
}

} // namespace
