#include "app/actiontable.h"

#include "app/appglobals.h"

#include <QAction>
#include <QCoreApplication>
#include <QIcon>
#include <QMenu>
#include <QToolBar>

QString programText(const char* text)
{
    const QString t = QCoreApplication::translate("TopWidget", text);
    // arg() on a text without %1 would warn.
    return t.contains(QLatin1String("%1")) ? t.arg(QLatin1String(App::kProgramName)) : t;
}

QAction* makeAction(const ActionSpec& spec, QWidget* parent, QMenu* menu, QToolBar* toolbar)
{
    auto* action = new QAction(QIcon(QStringLiteral(":/%1.xpm").arg(QLatin1String(spec.icon))),
                               programText(spec.text), parent);
    action->setObjectName(QLatin1String(spec.objectName));
    if (*spec.shortcut) action->setShortcut(QKeySequence(QLatin1String(spec.shortcut)));
    menu->addAction(action);
    if (spec.onToolbar && toolbar) toolbar->addAction(action);
    action->setToolTip(programText(spec.toolTip));
    action->setStatusTip(programText(spec.statusTip));
    return action;
}
