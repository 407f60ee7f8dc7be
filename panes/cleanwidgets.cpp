#include "panes/cleanwidgets.h"

#include "core/settings.h"
#include "song/songnames.h"

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMainWindow>
#include <QScrollBar>
#include <QSignalBlocker>

void setQuietly(QAbstractButton* button, bool checked)
{
    const QSignalBlocker quiet(button);
    button->setChecked(checked);
}

void setQuietly(QSpinBox* box, int value)
{
    const QSignalBlocker quiet(box);
    box->setValue(value);
}

void setQuietly(QAbstractSlider* slider, int value)
{
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

bool leaveKeyToParent(const QKeyEvent* event)
{
    const int key = event->key();
    if ((key == Qt::Key_PageUp || key == Qt::Key_PageDown) &&
        (event->modifiers() & Qt::ControlModifier))
        return true;
    // Key_Enter, the keypad's, keeps its normal meaning.
    return key == Qt::Key_Return;
}

void CleanSpin::keyPressEvent(QKeyEvent* event)
{
    emit touched();
    if (leaveKeyToParent(event))
        event->ignore();
    else
        QSpinBox::keyPressEvent(event);
}

void CleanSpin::mousePressEvent(QMouseEvent* event)
{
    emit touched();
    QSpinBox::mousePressEvent(event);
}

QString MidiCleanSpin::textFromValue(int value) const
{
    return CleanSpin::textFromValue(value) + QStringLiteral(" : ") +
           noteName(value, Settings::languageCode());
}

int MidiCleanSpin::valueFromText(const QString& text) const
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return CleanSpin::valueFromText(parts.isEmpty() ? QString() : parts.first());
}

// Only the number counts, so that editing the shown "60 : C4" in place is not
// refused because of its name.
QValidator::State MidiCleanSpin::validate(QString& text, int& pos) const
{
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() < 2) return CleanSpin::validate(text, pos);
    QString number = parts.first();
    int numberPos = qMin(pos, number.size());
    return CleanSpin::validate(number, numberPos);
}

void CleanCombo::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Menu && event->modifiers() == Qt::ShiftModifier) {
        event->accept();
        if (QLineEdit* edit = lineEdit()) {
            const QPoint at(edit->width() / 3, edit->height() / 3);
            QApplication::postEvent(edit, new QContextMenuEvent(QContextMenuEvent::Keyboard, at,
                                                                edit->mapToGlobal(at)));
        }
        return;
    }
    if (leaveKeyToParent(event))
        event->ignore();
    else
        QComboBox::keyPressEvent(event);
}

QSize CleanComboLim::minimumSizeHint() const
{
    return QSize(20 * fontMetrics().horizontalAdvance(QLatin1Char('a')),
                 CleanCombo::minimumSizeHint().height());
}

void NiceQListBox::keyPressEvent(QKeyEvent* event)
{
    if (leaveKeyToParent(event))
        event->ignore();
    else
        QListWidget::keyPressEvent(event);
}

void NiceQListBox::showEvent(QShowEvent* event)
{
    setMinimumWidth(sizeHintForColumn(0) + 3 * verticalScrollBar()->sizeHint().width() +
                    2 * frameWidth());
    QListWidget::showEvent(event);
}

CleanDock::CleanDock(QMainWindow* mainWindow, const QString& objectName,
                     std::function<void()> relayout)
    : QDockWidget(mainWindow)
{
    setObjectName(objectName);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Maximum);
    connect(this, &QDockWidget::dockLocationChanged, mainWindow, [relayout] { relayout(); });
    connect(this, &QDockWidget::topLevelChanged, mainWindow, [relayout] { relayout(); });
}
