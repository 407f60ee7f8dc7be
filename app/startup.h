#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QCoreApplication;
class QTranslator;

// The process from the command line to the end of the event loop.
namespace Startup
{

// True when any argument (program name excluded) is -h, --help, -v or --version.
bool asksForHelp(const QStringList& args);
// Version and usage lines, as written to standard error.
QString helpText();

// A translation file name as given to Qt's loader and the folders tried, in order.
struct TranslationSearch {
    QString name;
    QStringList dirs;
};
// Qt's own: "qt_" and the language code.
TranslationSearch qtTranslationSearch(const QString& lang, const QString& qtDir);
// The program's: "clavion_" and the whole LANG value, which Qt's loader
// shortens at '_' and '.' until a file matches; after the usual folders come
// the build tree's (beside the program) and the installed one.
TranslationSearch programTranslationSearch(const QString& lang, const QString& qtDir,
                                           const QString& appDir);
// The folder the translator was loaded from; nullopt when no file was found.
std::optional<QString> loadTranslation(QTranslator& translator, const TranslationSearch& search);
// Installs both translators (nothing for English) and returns the notices
// due for those that were not found.
QStringList installTranslations(QCoreApplication& app, const QString& lang, const QString& qtDir,
                                const QString& appDir);

// Copies the files and folders of from that to lacks; a file already in to
// is never overwritten.
void copyMissingDefaults(const QString& from, const QString& to);

// The whole process: returns the event loop's status, or ends by the
// terminating signal that stopped it.
int run(int argc, char** argv);

} // namespace Startup
