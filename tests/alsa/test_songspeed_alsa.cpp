// A song whose division is not a multiple of 24, played by seqsession to
// Midi Through (14:0) and recorded there by arecordmidi, arrives at the times
// its own division and tempo give. Self-contained: the two programs, a file
// built here and nothing else of the sequencer test fixture.

#include "../smfbuilder.h"
#include "song/songloader.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <gtest/gtest.h>

namespace
{

// The Note Ons of a song: key and time (ms) from its own division and tempo map.
std::vector<std::pair<int, double>> noteOnTimes(const Song& s)
{
    std::vector<std::pair<int, double>> out;
    double us = 0, tempo = 500000;
    uint64_t at = 0;
    for (const EventNode* n = s.events.head(); n; n = n->next) {
        us += double(n->tick - at) * tempo / s.facts.division;
        at = n->tick;
        if (n->type() == kTypeTempo) tempo = n->event.data.queue.param.value;
        if (n->isSoundingNoteOn()) out.emplace_back(n->note(), us / 1000);
    }
    return out;
}

QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

TEST(SongSpeed, ADivision100SongArrivesAtItsOwnTimes)
{
    if (!QFile::exists(QStringLiteral("/dev/snd/seq"))) GTEST_SKIP() << "no ALSA sequencer";
    int argc = 1;
    char name[] = "test_songspeed_alsa";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    // 6 ms a tick; 100 ticks become 96 when prepared. The song rests for its
    // first beat, so the tool's start-up does not move the reference note.
    const int division = 100, tempo = 600000;
    TrackBuilder t;
    t.tempo(0, tempo);
    uint32_t rest = 100;
    for (int i = 0; i < 24; ++i) {
        t.on(rest, 0, 48 + i, 100).off(20, 0, 48 + i);
        rest = uint32_t(17 + 13 * (i % 5));
    }
    const QByteArray bytes = smfFile(1, division, {t.end()});
    const QString songFile = dir.filePath(QStringLiteral("song.mid"));
    const QString takeFile = dir.filePath(QStringLiteral("take.mid"));
    {
        QFile f(songFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    Song song;
    ASSERT_TRUE(loadSongFromBytes(bytes, QStringLiteral("song.mid"), LoadOptions(), song));
    const auto expected = noteOnTimes(song);

    // 125 beats a minute at 4800 ticks a beat: the recorder counts tenths of a millisecond.
    QProcess recorder;
    recorder.start(QStringLiteral("arecordmidi"),
                   {QStringLiteral("-p"), QStringLiteral("14:0"), QStringLiteral("-b"),
                    QStringLiteral("125"), QStringLiteral("-t"), QStringLiteral("4800"), takeFile});
    ASSERT_TRUE(recorder.waitForStarted(10000)) << "arecordmidi (alsa-utils) is needed";
    bool listening = false;
    for (int i = 0; i < 100 && !listening; ++i) {
        listening = run(QStringLiteral("aconnect"), {QStringLiteral("-l")})
                        .contains(QStringLiteral("arecordmidi"));
        if (!listening) QThread::msleep(100);
    }
    ASSERT_TRUE(listening) << "arecordmidi did not appear";
    QThread::msleep(300); // its subscription follows its client

    QProcess player;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    player.setProcessEnvironment(env);
    player.start(QStringLiteral(CLAVION_SEQSESSION),
                 {QStringLiteral("--output"), QStringLiteral("14:0"), QStringLiteral("--input"),
                  QStringLiteral("16:0"), songFile});
    ASSERT_TRUE(player.waitForFinished(60000)) << "seqsession did not end";
    EXPECT_EQ(player.exitCode(), 0) << player.readAllStandardError().toStdString();
    ::kill(pid_t(recorder.processId()), SIGINT);
    ASSERT_TRUE(recorder.waitForFinished(20000));

    Song take;
    ASSERT_TRUE(loadSong(takeFile, LoadOptions(), take))
        << "arecordmidi wrote no readable file: " << recorder.readAllStandardError().toStdString();
    const auto got = noteOnTimes(take);
    ASSERT_EQ(got.size(), expected.size());
    // 3 ms for the sequencer, and half a tick of the rounded division.
    const double tolerance = 3.0 + 0.5 * tempo / 96 / 1000;
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, expected[i].first);
        EXPECT_NEAR(got[i].second - got[0].second, expected[i].second - expected[0].second,
                    tolerance)
            << "note " << i;
    }
}

} // namespace
