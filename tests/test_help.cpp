// The Help menu: the handbook reaches the browser whole, the documents name
// what exists, the About box tells the version.

#include "app/democatalogue.h"
#include "app/helpwindows.h"
#include "app/textpanes.h"
#include "dialogs/optionsdb.h"
#include "windowfixture.h"

#include <QAbstractButton>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTabWidget>
#include <QTextDocumentFragment>
#include <QThread>
#include <QUrl>

namespace
{
struct Launches {
    QStringList started; // program, then its arguments, for each start
    QList<QUrl> opened;
    bool startWorks = true;
    Launches()
    {
        Help::setLauncher({[this](const QString& program, const QStringList& args) {
                               started << program << args;
                               return startWorks;
                           },
                           [this](const QUrl& url) { return opened << url, true; }});
    }
    ~Launches() { Help::setLauncher({}); }
};

QString writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}
} // namespace

class HelpMenu : public Window
{
protected:
    void browse(const QString& browser)
    {
        window->options().helpMain = handbook;
        window->options().helpBrowser = browser;
        window->action("a_browseDoc")->trigger();
    }
    QString handbook = writeFile(dir.path() + "/my docs/it's \"here\"/index.html", "<p>hi</p>");
    QString browserDir = dir.path() + "/my bin";
};

TEST_F(HelpMenu, TheHandbookReachesTheBrowserAsOneArgument)
{
    open();
    // A real start: the browser writes down the arguments it was given.
    const QString log = dir.path() + "/args.txt";
    const QString script =
        writeFile(browserDir + "/show it", "#!/bin/sh\nprintf '%s\\n' \"$#\" \"$@\" > \"" +
                                               log.toUtf8() + ".part\" && mv \"" + log.toUtf8() +
                                               ".part\" \"" + log.toUtf8() + "\"\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    browse('"' + script + "\" --new-window");
    QElapsedTimer clock;
    clock.start();
    while (!QFile::exists(log) && clock.elapsed() < 10000) QThread::msleep(20);
    QFile got(log);
    ASSERT_TRUE(got.open(QIODevice::ReadOnly)) << "the browser did not run";
    EXPECT_EQ(QString::fromUtf8(got.readAll()), "2\n--new-window\n" + handbook + "\n");
    EXPECT_TRUE(sink.shown.isEmpty());

    const QString sh = QStandardPaths::findExecutable("sh");
    struct Case {
        QString browser;
        QStringList started; // empty: the desktop's opener
    } cases[] = {
        {"sh", {sh, handbook}},
        {"sh --view \"%s\" -x", {sh, "--view", handbook, "-x"}},
        {"no-such-browser-here", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        Launches launches;
        browse(c.browser);
        EXPECT_EQ(launches.started, c.started) << c.browser.toStdString();
        EXPECT_EQ(launches.opened.size(), c.started.isEmpty() ? 1 : 0);
        if (!launches.opened.isEmpty()) {
            EXPECT_EQ(launches.opened[0].toLocalFile(), handbook);
        }
    }
    EXPECT_TRUE(sink.shown.isEmpty());

    Launches failing;
    failing.startWorks = false;
    browse("sh");
    ASSERT_EQ(sink.shown.size(), 1);
    EXPECT_EQ(sink.shown[0].title, "Report");
    EXPECT_EQ(sink.shown[0].text, "Could not run sh");
    handbook += ".gone";
    browse("sh");
    EXPECT_EQ(sink.texts().last(), "File " + handbook + " not found");
    EXPECT_EQ(failing.started.size(), 2); // the failed start only
}

TEST_F(HelpMenu, TheSearchFindsTheHandbookOfTheLanguageAndAnInstalledBrowser)
{
    const QString before = QDir::currentPath();
    // From a folder of the source tree, as from a build folder in it.
    QDir::setCurrent(CLAVION_SOURCE_DIR "/tests");
    const QString tree = QDir::cleanPath(CLAVION_SOURCE_DIR "/doc/en/HTML/index.html");
    EXPECT_EQ(Help::findHandbook("en"), tree);
    EXPECT_EQ(Help::findHandbook("fr"),
              QDir::cleanPath(CLAVION_SOURCE_DIR "/doc/fr/HTML/index.html"));
    EXPECT_EQ(Help::findHandbook("de"), "") << "no German handbook";
    for (const char* noLanguage : {"C.", "PO", ""}) EXPECT_EQ(Help::findHandbook(noLanguage), tree);

    LiveOptions options;
    options.helpMain = handbook + ".moved";
    options.helpBrowser = "no-such-browser-here";
    qputenv("BROWSER", "also-missing:sh --new");
    Help::settle(options, "en");
    EXPECT_EQ(options.helpMain, tree);
    EXPECT_EQ(options.helpBrowser, "sh --new");
    options.helpMain = handbook; // kept while it exists, as a browser that exists is
    Help::settle(options, "en");
    EXPECT_EQ(options.helpMain, handbook);
    EXPECT_EQ(options.helpBrowser, "sh --new");
    qunsetenv("BROWSER");
    QDir::setCurrent(before);
}

// A picture or page the handbook names but the tree lacks shows as a broken
// link in the user's browser; anchors must name a heading of the page.
TEST(Handbook, EveryPicturePageAndAnchorItNamesExists)
{
    static const QRegularExpression link(QStringLiteral("(?:src|href)=\"([^\"]*)\""));
    static const QRegularExpression id(QStringLiteral("id=\"([^\"]+)\""));
    for (const char* language : {"en", "fr"}) {
        SCOPED_TRACE(language);
        const QString folder = QStringLiteral(CLAVION_SOURCE_DIR "/doc/%1/HTML").arg(language);
        QFile file(folder + QStringLiteral("/index.html"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QString page = QString::fromUtf8(file.readAll());
        QSet<QString> ids;
        for (auto m = id.globalMatch(page); m.hasNext();) ids << m.next().captured(1);
        int pictures = 0, anchors = 0;
        for (auto m = link.globalMatch(page); m.hasNext();) {
            const QString target = m.next().captured(1);
            if (target.contains(QLatin1String("://"))) continue; // the web is not ours to check
            if (target.startsWith(QLatin1Char('#'))) {
                ++anchors;
                EXPECT_TRUE(ids.contains(target.mid(1))) << target.toStdString();
                continue;
            }
            const QString path = QDir(folder).filePath(target.section(QLatin1Char('#'), 0, 0));
            EXPECT_TRUE(QFileInfo(path).isFile()) << target.toStdString();
            pictures += target.endsWith(QLatin1String(".png"));
        }
        EXPECT_GE(pictures, 2);
        EXPECT_GE(anchors, 5);
    }
}

TEST_F(HelpMenu, TheDocumentsHoldTheirEntriesAndNameRealDemos)
{
    const QString tbs = Help::troubleshooting().html;
    EXPECT_EQ(tbs.count("<p><b><i>"), 28);
    EXPECT_EQ(tbs.count("</i></b></p>\n<ul>\n<li>"), 28) << "each question has its answers";
    EXPECT_FALSE(tbs.contains('&' + QString("amp;"))) << "a mnemonic left in a name";

    const QString training = Help::training().html;
    const QStringList steps = training.split("<p><b><i>").mid(1);
    EXPECT_GE(steps.size(), 6);
    const QRegularExpression mention(
        "Menu <b>Demo</b> > <b>(\\w+)</b> > (.+) \\((\\d+) tracks?\\)");
    const char* const groups[] = {"Children", "Easy", "Medium", "Hard"};
    for (const QString& step : steps) {
        int named = 0;
        for (auto m = mention.globalMatch(step); m.hasNext(); ++named) {
            const auto hit = m.next();
            const auto& songs = demoCatalogue();
            EXPECT_TRUE(std::any_of(songs.begin(), songs.end(), [&](const DemoSong& s) {
                return hit.captured(1) == groups[s.group] &&
                       hit.captured(2) == QString::fromUtf8(s.title).toHtmlEscaped() &&
                       hit.captured(3).toInt() == s.tracks;
            })) << hit.captured(0).toStdString();
        }
        EXPECT_GE(named, 2) << step.left(60).toStdString();
    }

    // Every name in bold is one the window or the Options dialog shows, as
    // they show it, with a song open; the track dialog is not built here.
    open(1);
    ASSERT_TRUE(window->songOpen());
    QSet<QString> shown = {"Input/output"};
    const auto gather = [&](QWidget* top) {
        const auto add = [&](QString text) {
            text.remove('&');
            if (text.endsWith(QChar(0x2026))) text.chop(1);
            shown << text.trimmed();
        };
        for (QAction* a : top->findChildren<QAction*>()) add(a->text());
        for (QLabel* l : top->findChildren<QLabel*>()) add(l->text());
        for (QAbstractButton* b : top->findChildren<QAbstractButton*>()) add(b->text());
        for (QGroupBox* g : top->findChildren<QGroupBox*>()) add(g->title());
        for (QTabWidget* w : top->findChildren<QTabWidget*>())
            for (int i = 0; i < w->count(); ++i) add(w->tabText(i));
    };
    gather(window);
    window->setOptionsDialogHook([&](OptionsDB& db) { gather(&db); });
    window->action("a_options")->trigger();
    const QRegularExpression bold("<b>([^<]+)</b>");
    for (const QString& doc : {tbs, training})
        for (auto m = bold.globalMatch(doc); m.hasNext();) {
            const QString name =
                QTextDocumentFragment::fromHtml(m.next().captured(1)).toPlainText();
            EXPECT_TRUE(shown.contains(name)) << name.toStdString();
        }

    // Shown twice, one window, where the first one was.
    open();
    window->action("a_tbs")->trigger();
    QFrame* first = window->textPanes()->documentWindow();
    ASSERT_TRUE(first);
    first->move(40, 50);
    window->action("a_tbs")->trigger();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(window->findChildren<QFrame*>("docbody").size(), 1);
    EXPECT_EQ(window->textPanes()->documentWindow()->pos(), QPoint(40, 50));
    EXPECT_EQ(window->textPanes()->documentWindow()->windowTitle(),
              "Quick troubleshooting Clavion");
}

TEST_F(HelpMenu, TheAboutBoxTellsTheVersions)
{
    std::unique_ptr<QDialog> box(Help::makeAboutBox(nullptr, handbook));
    QString text;
    for (QLabel* l : box->findChildren<QLabel*>()) text += l->text();
    EXPECT_TRUE(text.contains("Clavion version 0.52,")) << text.toStdString();
    EXPECT_TRUE(text.contains("compiled against Qt&nbsp;version&nbsp;" QT_VERSION_STR));
    EXPECT_TRUE(text.contains(QUrl::fromLocalFile(handbook).toString().toHtmlEscaped()));
    EXPECT_EQ(box->windowTitle(), "About Clavion");
}
