#pragma once

#include <QComboBox>
#include <QDockWidget>
#include <QListWidget>
#include <QSpinBox>
#include <functional>

class QAbstractButton;
class QAbstractSlider;
class QKeyEvent;
class QMainWindow;

// Filling a form is no edit: these set a value without the change signals.
void setQuietly(QAbstractButton* button, bool checked);
void setQuietly(QSpinBox* box, int value);
void setQuietly(QAbstractSlider* slider, int value);

// Inside dialogs and docks Return must reach the dialog's default button
// without changing a value, and Ctrl+Page Up/Down belong to the window, which
// moves the song by a measure. True when the widget should ignore the key.
bool leaveKeyToParent(const QKeyEvent* event);

class CleanSpin : public QSpinBox
{
    Q_OBJECT
public:
    using QSpinBox::QSpinBox;

signals:
    // The user pressed a key or clicked in the box; forms mark themselves edited.
    void touched();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
};

// A MIDI note number shown with its name: "60 : C4", or "60 : Do4" outside
// English. The number alone is read back as well.
class MidiCleanSpin : public CleanSpin
{
    Q_OBJECT
public:
    using CleanSpin::CleanSpin;

    QValidator::State validate(QString& text, int& pos) const override;

protected:
    QString textFromValue(int value) const override;
    int valueFromText(const QString& text) const override;
};

class CleanCombo : public QComboBox
{
    Q_OBJECT
public:
    using QComboBox::QComboBox;

protected:
    // Shift+Menu opens the line edit's own context menu.
    void keyPressEvent(QKeyEvent* event) override;
};

// Wide enough for twenty letters whatever its items.
class CleanComboLim : public CleanCombo
{
    Q_OBJECT
public:
    using CleanCombo::CleanCombo;

    QSize minimumSizeHint() const override;
};

class NiceQListBox : public QListWidget
{
    Q_OBJECT
public:
    using QListWidget::QListWidget;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // Fits the items, with room for the scroll bar.
    void showEvent(QShowEvent* event) override;
};

// A dock of the main window that asks it to re-layout whenever it is docked
// elsewhere or floated. The window passes its own neatShrink as relayout, so
// this layer needs no knowledge of the window class; the calls stop when the
// window is destroyed.
class CleanDock : public QDockWidget
{
    Q_OBJECT
public:
    CleanDock(QMainWindow* mainWindow, const QString& objectName, std::function<void()> relayout);
};
