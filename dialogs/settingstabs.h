#pragma once

#include "core/settings.h"
#include "dialogs/optionsdb.h"

#include <QColor>
#include <array>
#include <functional>
#include <vector>

class CleanSpin;
class QCheckBox;
class QComboBox;
class QLineEdit;

// What applying a changed flag sets going beyond the value itself.
enum class FlagEffect { None, History, Relayout, StyleSheet, Repaint, PostEvent };

// A check box bound to one flag of the live options.
struct LiveFlagBox {
    QCheckBox* box;
    std::atomic<bool> LiveOptions::*value;
    FlagEffect effect;
    int eventType; // posted to the window when the effect is PostEvent
};

// The general settings of the Options dialog. Each tab shows the live values,
// copies its widgets back into them on apply, and writes its own keys.
class ParametersTab : public OptionsTab
{
    Q_OBJECT
public:
    ParametersTab(OptioDB* dialog, LiveOptions& options);

    void setOptions() override;
    void saveOptions() override;

private:
    LiveOptions& options_;
    std::vector<LiveFlagBox> flags_;
    CleanSpin* msTol_;
    CleanSpin* smooth_;
    CleanSpin* masteryMs_;
    CleanSpin* masteryBoost_;
};

class EventFiltersTab : public OptionsTab
{
    Q_OBJECT
public:
    EventFiltersTab(OptioDB* dialog, LiveOptions& options);

    void setOptions() override;
    void saveOptions() override;

private:
    LiveOptions& options_;
    std::array<std::array<QCheckBox*, Keys::EventFilters::FilterKindCount>,
               Keys::EventFilters::FilterSetCount>
        filters_;
    QCheckBox* keepTempo_;
};

// "Interface": notices, histories, help paths, the look of the views and
// their colours. A colour chosen here reaches the views at once and stays for
// this run even when the dialog is cancelled; only the save step writes it.
class DisplayTab : public OptionsTab
{
    Q_OBJECT
public:
    DisplayTab(OptioDB* dialog, LiveOptions& options, const OptionsHooks& hooks);

    void setOptions() override;
    void saveOptions() override;

    // The modal choosers, replaceable so tests can answer them. An invalid
    // colour or an empty path means the user cancelled.
    using ColourChooser =
        std::function<QColor(const QColor& initial, QWidget* parent, const QString& title)>;
    using FileChooser = std::function<QString(QWidget* parent, const QString& caption,
                                              const QString& dir, const QString& filter)>;
    static ColourChooser chooseColour;
    static FileChooser chooseFile;

public slots:
    void askForColor(int index);
    void browseHelpMain();
    void browseBrowser();

private:
    void showColour(int role);
    void coloursChanged();

    LiveOptions& options_;
    OptionsHooks hooks_;
    std::vector<LiveFlagBox> flags_;
    QLineEdit* helpMain_;
    QLineEdit* helpBrowser_;
    CleanSpin* zoom_;
    CleanSpin* wheel_;
    CleanSpin* diam_;
    QComboBox* colourList_;
    std::array<Rgb, Keys::Display::ColourCount> colours_;
};

class MetronomeTab : public OptionsTab
{
    Q_OBJECT
public:
    MetronomeTab(OptioDB* dialog, LiveOptions& options);

    void setOptions() override;
    void saveOptions() override;

private:
    LiveOptions& options_;
    CleanSpin* channel_;
    CleanSpin* strong_;
    CleanSpin* weak_;
    CleanSpin* vel_;
    QCheckBox* record_;
    QCheckBox* play_;
};
