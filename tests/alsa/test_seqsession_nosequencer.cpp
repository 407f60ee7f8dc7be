// seqsession on a machine without a sequencer says so and fails, rather than
// hanging or crashing. Where a sequencer exists (the bench), ALSA is pointed
// at a configuration that defines none, which fails the same way.

#include "processrunner.h"

#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace
{

TEST(SeqsessionWithoutSequencer, ReportsTheOpenErrorAndFails)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    if (QFileInfo::exists(QStringLiteral("/dev/snd/seq"))) {
        const QString empty = dir.filePath(QStringLiteral("alsa.conf"));
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.close();
        env.insert(QStringLiteral("ALSA_CONFIG_PATH"), empty);
    }
    // The file is never read: the sequencer is opened first.
    const ProcessResult r = runProcess(QStringLiteral(CLAVION_SEQSESSION),
                                       {QStringLiteral("--output"), QStringLiteral("14:0"),
                                        dir.filePath(QStringLiteral("absent.mid"))},
                                       60000, env);
    ASSERT_TRUE(r.started && !r.timedOut && !r.crashed) << r.describe().toStdString();
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains("Error opening ALSA sequencer: ")) << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
}

TEST(SeqsessionWithoutSequencer, BadArgumentsGiveUsageWithoutTouchingTheSequencer)
{
    for (const QStringList& args :
         {QStringList{}, QStringList{QStringLiteral("--output"), QStringLiteral("14")},
          QStringList{QStringLiteral("--boost"), QStringLiteral("0"), QStringLiteral("a.mid")},
          QStringList{QStringLiteral("--beat"), QStringLiteral("0"), QStringLiteral("a.mid")},
          QStringList{QStringLiteral("a.mid"), QStringLiteral("b.mid")}}) {
        const ProcessResult r = runProcess(QStringLiteral(CLAVION_SEQSESSION), args, 30000);
        ASSERT_TRUE(r.started && !r.timedOut && !r.crashed) << r.describe().toStdString();
        EXPECT_EQ(r.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString();
        EXPECT_TRUE(r.err.startsWith("usage: seqsession")) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains("ALSA")) << r.err.toStdString();
    }
}

} // namespace
