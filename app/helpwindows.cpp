#include "app/helpwindows.h"

#include "app/appglobals.h"
#include "app/textpanes.h"
#include "app/topwidget.h"
#include "core/messages.h"
#include "core/settings.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#ifndef CLAVION_DOC_DIR
#define CLAVION_DOC_DIR "/usr/local/share/doc/clavion"
#endif

namespace
{

Help::Launcher realLauncher()
{
    return {[](const QString& program, const QStringList& arguments) {
                return QProcess::startDetached(program, arguments);
            },
            [](const QUrl& url) { return QDesktopServices::openUrl(url); }};
}

Help::Launcher& launcher()
{
    static Help::Launcher current = realLauncher();
    return current;
}

// The program of a browser setting, which may carry arguments; empty when
// it is not on the search path.
QString browserProgram(const QString& browser)
{
    const QStringList words = QProcess::splitCommand(browser);
    return words.isEmpty() ? QString() : QStandardPaths::findExecutable(words.first());
}

QLabel* label(const QString& text, int points, QFont::Weight weight, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    QFont f(QStringLiteral("Serif"), points, weight);
    f.setStyleHint(QFont::Serif);
    l->setFont(f);
    l->setOpenExternalLinks(true);
    return l;
}
} // namespace

Help::ProgramLink Help::programLink(const QString& helpMain)
{
    const QString name = QLatin1String(App::kProgramName);
    if (helpMain.isEmpty() || !QFileInfo::exists(helpMain)) return {name, QString()};
    const QString address = QUrl::fromLocalFile(helpMain).toString();
    return {QStringLiteral("<a href=\"%1\">%2</a>").arg(address.toHtmlEscaped(), name), address};
}

QDialog* Help::makeAboutBox(QWidget* parent, const QString& helpMain)
{
    auto* box = new QDialog(parent);
    box->setObjectName(QStringLiteral("body"));
    auto* whole = new QVBoxLayout(box);
    whole->setObjectName(QStringLiteral("whole"));
    const ProgramLink link = programLink(helpMain);
    QLabel* heading =
        label(QStringLiteral("<h1><center><font color=blue><h2>%1</h2></font></center></h1>")
                  .arg(link.html),
              14, QFont::Bold, box);
    heading->setToolTip(link.address);
    whole->addWidget(heading);
    whole->addWidget(label(TopWidget::tr("<i><h3>An assistant for playing piano</h3></i>"), 12,
                           QFont::Bold, box));
    whole->addWidget(label(TopWidget::tr("<p>%1 version %2,<br>&nbsp;&nbsp;&nbsp;compiled against "
                                         "Qt&nbsp;version&nbsp;%3,<br>&nbsp;&nbsp;&nbsp;running on "
                                         "Qt&nbsp;version&nbsp;%4.</p>")
                               .arg(QLatin1String(App::kProgramName), QLatin1String(App::kVersion),
                                    QLatin1String(QT_VERSION_STR), QLatin1String(qVersion())),
                           12, QFont::Normal, box));
    whole->addSpacing(20);
    auto* ok = new QPushButton(TopWidget::tr("OK"), box);
    ok->setDefault(true);
    QObject::connect(ok, &QPushButton::clicked, box, &QDialog::accept);
    whole->addWidget(ok);
    box->setWindowTitle(TopWidget::tr("About %1").arg(QLatin1String(App::kProgramName)));
    return box;
}

QStringList Help::handbookCandidates(const QString& languageCode)
{
    QStringList paths;
    // Installed: by CMake, by a distribution package, or beside a moved tree.
    const QString appDir = QCoreApplication::applicationDirPath();
    for (const QString& root :
         {QStringLiteral(CLAVION_DOC_DIR), QStringLiteral("/usr/share/doc/clavion"),
          appDir + QStringLiteral("/../share/doc/clavion")})
        paths << QStringLiteral("%1/%2/HTML/index.html").arg(root, languageCode);
    // Older places, where the documentation of many programs lived side by side.
    for (const QString& root : {QStringLiteral("/usr/local/doc"), QStringLiteral("/usr/doc"),
                                QDir::homePath() + QStringLiteral("/doc"), QStringLiteral("/doc")})
        paths << QStringLiteral("%1/clavion/%2/index.html").arg(root, languageCode);
    // The source tree, run from it or from a build folder inside it.
    for (const QString& root :
         {QStringLiteral("./doc"), QStringLiteral("../doc"), appDir + QStringLiteral("/../doc")})
        paths << QStringLiteral("%1/%2/HTML/index.html").arg(root, languageCode);
    return paths;
}

QString Help::findHandbook(const QString& languageCode)
{
    // LANG=C, POSIX or unset names no language: the English handbook serves.
    static const QRegularExpression language(QStringLiteral("^[a-z][a-z]$"));
    const QString code =
        language.match(languageCode).hasMatch() ? languageCode : QStringLiteral("en");
    for (const QString& path : handbookCandidates(code)) {
        const QFileInfo info(path);
        // Absolute, so that it still holds when the working folder changes.
        if (info.isFile()) return QDir::cleanPath(info.absoluteFilePath());
    }
    return QString();
}

QString Help::chooseBrowser()
{
    QStringList candidates;
    // BROWSER may list several commands separated by colons.
    for (const QString& entry : qEnvironmentVariable("BROWSER").split(QLatin1Char(':')))
        if (!entry.trimmed().isEmpty()) candidates << entry.trimmed();
    candidates << QStringLiteral("firefox") << QStringLiteral("mozilla")
               << QStringLiteral("konqueror") << QStringLiteral("opera")
               << QStringLiteral("netscape") << QStringLiteral("netscape-communicator")
               << QStringLiteral("communicator")
               << QStringLiteral("khelpcenter")
               // Debian's own names for the usual browsers.
               << QStringLiteral("x-www-browser") << QStringLiteral("firefox-esr")
               << QStringLiteral("chromium");
    for (const QString& candidate : candidates)
        if (!browserProgram(candidate).isEmpty()) return candidate;
    return QString();
}

void Help::settle(LiveOptions& options, const QString& languageCode)
{
    if (options.helpMain.isEmpty() || !QFileInfo::exists(options.helpMain))
        options.helpMain = findHandbook(languageCode);
    if (options.helpBrowser.isEmpty() || browserProgram(options.helpBrowser).isEmpty())
        options.helpBrowser = chooseBrowser();
}

void Help::setLauncher(Launcher l)
{
    launcher() = (l.start && l.open) ? std::move(l) : realLauncher();
}

bool Help::openHandbook(const QString& helpMain, const QString& browser)
{
    const QString report = Messages::title(MessageKind::Report);
    if (helpMain.isEmpty() || !QFileInfo(helpMain).isFile()) {
        Messages::titled(MessageKind::Warning, report,
                         TopWidget::tr("File %1 not found").arg(helpMain));
        return false;
    }
    const QString path = QFileInfo(helpMain).absoluteFilePath();
    const QString program = browserProgram(browser);
    if (program.isEmpty()) {
        if (launcher().open(QUrl::fromLocalFile(path))) return true;
        Messages::titled(
            MessageKind::Information, report,
            TopWidget::tr("Could not run %1").arg(TopWidget::tr("a web browser for %1").arg(path)));
        return false;
    }
    // The path is one argument whatever it holds; a "%s" in the setting marks its place.
    QStringList arguments = QProcess::splitCommand(browser).mid(1);
    bool placed = false;
    for (QString& a : arguments) {
        if (!a.contains(QLatin1String("%s"))) continue;
        a.replace(QLatin1String("%s"), path);
        placed = true;
    }
    if (!placed) arguments << path;
    if (launcher().start(program, arguments)) return true;
    Messages::titled(MessageKind::Information, report,
                     TopWidget::tr("Could not run %1").arg(browser));
    return false;
}

void TopWidget::about()
{
    QPointer<QDialog> box = Help::makeAboutBox(this, options_.helpMain);
    box->exec();
    delete box; // unless the window went while it was up
}

void TopWidget::tbs()
{
    const Help::Document doc = Help::troubleshooting();
    panes_->showDocument(doc.title, doc.html);
}

void TopWidget::tutorial()
{
    const Help::Document doc = Help::training();
    panes_->showDocument(doc.title, doc.html);
}

void TopWidget::browseDoc()
{
    Help::openHandbook(options_.helpMain, options_.helpBrowser);
}
