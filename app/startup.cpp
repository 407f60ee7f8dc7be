#include "app/startup.h"

#include "app/appglobals.h"
#include "app/guimessagesink.h"
#include "app/signalrelay.h"
#include "app/topwidget.h"
#include "core/events.h"
#include "core/messages.h"
#include "core/settings.h"
#include "resources/resources.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QPointer>
#include <QTranslator>
#include <cstdio>

namespace
{

const char* const kProgram = App::kProgramName;
const char* const kVersion = App::kVersion;
const char* const kSystemDefaults = "/etc/xdg/clavion";
#ifndef CLAVION_TRANSLATIONS_FROM_BIN
#define CLAVION_TRANSLATIONS_FROM_BIN "../share/clavion/translations"
#endif
#ifndef CLAVION_XDG_DIR
#define CLAVION_XDG_DIR "/usr/local/etc/xdg/clavion"
#endif

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(main)
};

} // namespace

namespace Startup
{

bool asksForHelp(const QStringList& args)
{
    for (const QString& a : args)
        if (a == QLatin1String("-h") || a == QLatin1String("--help") || a == QLatin1String("-v") ||
            a == QLatin1String("--version"))
            return true;
    return false;
}

QString helpText()
{
    const QString program = QLatin1String(kProgram);
    const QString lineEnd = QStringLiteral("\n");
    return QStringLiteral("%1 version %2 \n").arg(program, QLatin1String(kVersion)) +
           Texts::tr("Usage: %1 [ midifile ] %2").arg(program, lineEnd) +
           Texts::tr(" %1 is a piano playing and learning assistant %2").arg(program, lineEnd) +
           QStringLiteral(" It deals with MIDI files and needs alsa.\n");
}

TranslationSearch qtTranslationSearch(const QString& lang, const QString& qtDir)
{
    TranslationSearch s{QStringLiteral("qt_") + lang.left(2),
                        {QStringLiteral("."), QStringLiteral("/usr/share/qt5/translations"),
                         QStringLiteral("/usr/share/qt4/translations")}};
    if (!qtDir.isEmpty()) s.dirs << qtDir + QStringLiteral("/translations");
    return s;
}

TranslationSearch programTranslationSearch(const QString& lang, const QString& qtDir,
                                           const QString& appDir)
{
    TranslationSearch s{QStringLiteral("clavion_") + lang, {QStringLiteral(".")}};
    if (!qtDir.isEmpty()) s.dirs << qtDir + QStringLiteral("/translations");
    // Then the build tree's, and where the installation put them.
    for (const char* relative :
         {"/../translations", "/translations", "/" CLAVION_TRANSLATIONS_FROM_BIN})
        s.dirs << QDir::cleanPath(appDir + QLatin1String(relative));
    return s;
}

std::optional<QString> loadTranslation(QTranslator& translator, const TranslationSearch& search)
{
    for (const QString& dir : search.dirs)
        if (translator.load(search.name, dir)) return dir;
    return std::nullopt;
}

QStringList installTranslations(QCoreApplication& app, const QString& lang, const QString& qtDir,
                                const QString& appDir)
{
    // The program's own texts are English: the C locale (or none) needs no
    // translation, and two notices at every start would only nag.
    if (lang.startsWith(QLatin1String("en_")) || lang.isEmpty() || lang == QLatin1String("C") ||
        lang.startsWith(QLatin1String("C.")) || lang == QLatin1String("POSIX"))
        return {};
    const TranslationSearch searches[] = {qtTranslationSearch(lang, qtDir),
                                          programTranslationSearch(lang, qtDir, appDir)};
    const char* const names[] = {"qt", kProgram};
    QStringList missing;
    for (int i = 0; i < 2; ++i) {
        auto* translator = new QTranslator(&app);
        if (!loadTranslation(*translator, searches[i])) missing << QLatin1String(names[i]);
        app.installTranslator(translator);
    }
    // Worded once both translators are in, so a found one translates the other's notice.
    QStringList notices;
    for (const QString& name : missing)
        notices << Texts::tr("Could not find %1 translation file for locale %2").arg(name, lang);
    return notices;
}

void copyMissingDefaults(const QString& from, const QString& to)
{
    const QDir source(from);
    if (!source.exists()) return;
    QDir().mkpath(to);
    QDirIterator it(from, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString target = to + QLatin1Char('/') + source.relativeFilePath(path);
        if (it.fileInfo().isDir()) {
            QDir().mkpath(target);
        } else if (!QFileInfo::exists(target)) {
            QDir().mkpath(QFileInfo(target).path());
            QFile::copy(path, target);
        }
    }
}

int run(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
    if (asksForHelp(args)) {
        // In the user's language, and without a display.
        QCoreApplication core(argc, argv);
        installTranslations(core, qEnvironmentVariable("LANG"), qEnvironmentVariable("QTDIR"),
                            QCoreApplication::applicationDirPath());
        std::fputs(qPrintable(helpText()), stderr);
        return 0;
    }

    QApplication app(argc, argv);
    watchPostedEventsForSanitizer();
    initResources();
    // Qt has taken its own options out of the arguments by now.
    App::arguments = QCoreApplication::arguments();

    const QString lang = qEnvironmentVariable("LANG");
    const QStringList notices = installTranslations(app, lang, qEnvironmentVariable("QTDIR"),
                                                    QCoreApplication::applicationDirPath());
    copyMissingDefaults(QLatin1String(kSystemDefaults), Settings::organisationDir());
    // An installation under another prefix keeps its own defaults there.
    if (qstrcmp(CLAVION_XDG_DIR, kSystemDefaults) != 0)
        copyMissingDefaults(QLatin1String(CLAVION_XDG_DIR), Settings::organisationDir());
    Settings::open(Settings::languageCode());

    GuiMessageSink sink;
    ScopedMessageSink installed(&sink);
    QPointer<TopWidget> top = new TopWidget(App::arguments.value(1));
    sink.setParent(top);
    top->adjustSize();

    // A terminating signal is reported on standard error, never in a box: a
    // logout or a service stop would otherwise wait on a click. The quit path
    // still writes the settings, and a box left open must not hold the loop.
    SignalRelay relay;
    QObject::connect(&relay, &SignalRelay::terminationRequested, &app, [top] {
        if (top) top->quitNow();
        QCoreApplication::exit(0);
    });

    top->show();
    for (const QString& notice : notices) Messages::information(notice);
    // A signal taken while a notice was open has already ended every loop.
    const int status = relay.received() ? 0 : app.exec();

    sink.setParent(nullptr);
    delete top;
    Settings::close();
    relay.endByReceivedSignal();
    return status;
}

} // namespace Startup
