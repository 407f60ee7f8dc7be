#include "app/startup.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>
#include <QTranslator>
#include <csignal>
#include <gtest/gtest.h>

namespace
{

// One application object per test, as the translators and QProcess expect.
class StartupTest : public ::testing::Test
{
protected:
    int argc = 1;
    char* argv[2] = {const_cast<char*>("test_startup"), nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir tmp;

    QString path(const QString& relative) const { return tmp.path() + QLatin1Char('/') + relative; }
    void write(const QString& relative, const QByteArray& content) const
    {
        QDir().mkpath(QFileInfo(path(relative)).path());
        QFile f(path(relative));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(content) == content.size());
    }
    QByteArray read(const QString& relative) const
    {
        QFile f(path(relative));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : "<missing>";
    }
};

// Without a display, making a QApplication would abort: exiting 0 proves none is made.
TEST_F(StartupTest, HelpAndVersionAnywhereOnTheLinePrintAndExitWithoutAWindow)
{
    const QString expected = QStringLiteral("Clavion version 0.52 \n"
                                            "Usage: Clavion [ midifile ] \n"
                                            " Clavion is a piano playing and learning assistant \n"
                                            " It deals with MIDI files and needs alsa.\n");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* v : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) env.remove(v);
    const QStringList others[] = {{}, {"song.mid"}, {"--Help"}, {"-hv"}}; // would open a window
    for (const QStringList& args : others)
        EXPECT_FALSE(Startup::asksForHelp(args)) << args.join(' ').toStdString();
    const QStringList rows[] = {{"-v"}, {"song.mid", "--help"}, {"--version"}, {"-h", "song.mid"}};
    for (const QStringList& args : rows) {
        SCOPED_TRACE(args.join(' ').toStdString());
        EXPECT_TRUE(Startup::asksForHelp(args));
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(CLAVION_BINARY), args);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 0);
        EXPECT_EQ(QString::fromLocal8Bit(p.readAllStandardError()), expected);
        EXPECT_TRUE(p.readAllStandardOutput().isEmpty());
    }
}

TEST_F(StartupTest, DefaultsFillGapsAndNeverOverwriteTheUsersFiles)
{
    // Each file with the system's copy and the user's (nullptr: none).
    const std::tuple<const char*, const char*, const char*> rows[] = {
        {"clavion.qss", "style", "mine"},       {"clavion-fr.conf", "[Midi]", nullptr},
        {"styles/dark.qss", "dark", nullptr},   {"styles/light.qss", "light", "my light"},
        {"deep/er/.hidden", "hidden", nullptr},
    };
    for (const auto& [file, system, user] : rows) {
        write(QStringLiteral("etc/") + file, system);
        if (user) write(QStringLiteral("user/") + file, user);
    }
    QDir().mkpath(path("etc/empty"));
    Startup::copyMissingDefaults(path("etc"), path("user"));
    for (const auto& [file, system, user] : rows)
        EXPECT_EQ(read(QStringLiteral("user/") + file), user ? user : system) << file;
    EXPECT_TRUE(QFileInfo(path("user/empty")).isDir());
    Startup::copyMissingDefaults(path("none"), path("other")); // no system folder
    EXPECT_FALSE(QFileInfo::exists(path("other")));
}

TEST_F(StartupTest, TranslationComesFromTheFirstFolderThatHasItOrIsNoticedMissing)
{
    // A .qm file holding only its magic number loads as an empty translation.
    const QByteArray qm = QByteArray::fromHex("3cb86418caef9c95cd211cbf60a1bddd");
    // Files in QTDIR (t/q), beside the program (t/a/bin), where found (nullptr: not), Qt's own
    const std::tuple<const char*, const char*, const char*, bool> rows[] = {
        {nullptr, "clavion_fr.qm", "a", false},
        {"clavion_fr_FR.qm", "clavion_fr.qm", "q", false},
        {nullptr, "clavion_de.qm", nullptr, false},
        {"qt_xx.qm", nullptr, "q", true},
    };
    for (const auto& [inQtDir, besideApp, foundIn, qtOwn] : rows) {
        ASSERT_TRUE(QDir(path("t")).removeRecursively());
        if (inQtDir) write(QStringLiteral("t/q/translations/") + inQtDir, qm);
        if (besideApp) write(QStringLiteral("t/a/translations/") + besideApp, qm);
        const auto search =
            qtOwn ? Startup::qtTranslationSearch("xx_XX.UTF-8", path("t/q"))
                  : Startup::programTranslationSearch("fr_FR.UTF-8", path("t/q"), path("t/a/bin"));
        QTranslator translator;
        EXPECT_EQ(Startup::loadTranslation(translator, search).value_or("-"),
                  foundIn ? path(QStringLiteral("t/%1/translations").arg(foundIn)) : "-")
            << inQtDir << " " << besideApp;
    }
    // Not found: a notice for each, except for English and the C locale.
    const QString notice = QStringLiteral("Could not find %1 translation file for locale %2");
    for (const char* lang : {"en_GB.UTF-8", "C.UTF-8", ""}) // "": LANG unset
        EXPECT_TRUE(Startup::installTranslations(app, lang, QString(), tmp.path()).isEmpty())
            << lang;
    EXPECT_EQ(Startup::installTranslations(app, "xx_XX.UTF-8", QString(), tmp.path()),
              QStringList({notice.arg("qt", "xx_XX.UTF-8"), notice.arg("Clavion", "xx_XX.UTF-8")}));
}

bool catches(qint64 pid, int signalNumber)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const int at = text.indexOf("SigCgt:"); // a hexadecimal mask of the caught signals
    return at >= 0 && (text.mid(at + 7, 17).toULongLong(nullptr, 16) >> (signalNumber - 1)) & 1;
}

// Through the event loop (its quit path writes the window's keys), then by the signal.
TEST_F(StartupTest, TerminatingSignalsEndTheProgramBySignal)
{
    const std::pair<int, const char*> rows[] = {
        {SIGTERM, "Clavion received a termination signal (SIGTERM)."},
        {SIGINT, "A user keyboard interruption occurred (SIGINT), the program will terminate"},
        {SIGHUP, nullptr},
    };
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", tmp.path());
    env.insert("XDG_CONFIG_HOME", path(".config"));
    env.insert("LANG", "en_US.UTF-8");              // no translation notices
    for (const auto& [signalNumber, text] : rows) { // text nullptr: none
        SCOPED_TRACE(signalNumber);
        signal(signalNumber, SIG_DFL); // an ignored signal would be inherited and kept
        const QString settings = path(".config/clavion/clavion-en.conf");
        QFile::remove(settings);
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(CLAVION_BINARY), QStringList());
        ASSERT_TRUE(p.waitForStarted(30000));
        const QDeadlineTimer deadline(30000);
        while (!catches(p.processId(), signalNumber) && !deadline.hasExpired()) QThread::msleep(10);
        ASSERT_TRUE(catches(p.processId(), signalNumber)) << p.readAllStandardError().data();
        ::kill(pid_t(p.processId()), signalNumber);
        ASSERT_TRUE(p.waitForFinished(30000));
        const QString err = QString::fromLocal8Bit(p.readAllStandardError());
        EXPECT_EQ(p.exitStatus(), QProcess::CrashExit) << err.toStdString();
        EXPECT_EQ(p.exitCode(), signalNumber); // the signal, for a crash
        EXPECT_EQ(err.contains(text ? text : "terminat"), text != nullptr) << err.toStdString();
        EXPECT_TRUE(QSettings(settings, QSettings::IniFormat).contains("Geometry/width"));
    }
}

} // namespace
