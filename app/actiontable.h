#pragma once

#include <QString>

class QAction;
class QMenu;
class QObject;
class QToolBar;
class QWidget;

// One row of the main window's action table. Texts are untranslated; %1 in
// them is the program name.
struct ActionSpec {
    const char* objectName;
    const char* icon; // resource ":/<icon>.xpm"
    const char* text;
    const char* shortcut; // empty: none
    const char* toolTip;
    const char* statusTip;
    bool onToolbar;
};

// Makes the action with its icon, text, shortcut and tips, adds it to the
// menu and, when the row says so, to the toolbar. The caller connects it.
QAction* makeAction(const ActionSpec& spec, QWidget* parent, QMenu* menu, QToolBar* toolbar);

// The text translated in the main window's context, with the program name for %1.
QString programText(const char* text);
