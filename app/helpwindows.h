#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class LiveOptions;
class QDialog;
class QUrl;
class QWidget;

// The Help menu's windows, the built-in documents and the handbook in a browser.
namespace Help
{
struct Document {
    QString title;
    QString html;
};
Document troubleshooting();
Document training();

// The About box, built but not shown; the program's name links to the handbook.
QDialog* makeAboutBox(QWidget* parent, const QString& helpMain);

// The program's name linked to its handbook when there is one, with the address.
struct ProgramLink {
    QString html;
    QString address; // empty without a handbook
};
ProgramLink programLink(const QString& helpMain);

// Where the handbook of a language may be, in the order they are tried.
QStringList handbookCandidates(const QString& languageCode);
// The first that exists, else empty.
QString findHandbook(const QString& languageCode);
// The first browser found on the search path, else empty.
QString chooseBrowser();
// After the settings are read: a missing handbook or browser is looked for again.
void settle(LiveOptions& options, const QString& languageCode);

// How the handbook is shown; tests put recorders in.
struct Launcher {
    std::function<bool(const QString& program, const QStringList& arguments)> start;
    std::function<bool(const QUrl& url)> open;
};
// An empty launcher puts the real ones back.
void setLauncher(Launcher launcher);

// Shows the handbook in the browser, or the desktop's own when none is set or
// found; a missing handbook or a failed start is reported. True when started.
bool openHandbook(const QString& helpMain, const QString& browser);
} // namespace Help
