#include "dialogs/settingstabs.h"

#include "core/events.h"
#include "core/messages.h"
#include "core/programname.h"
#include "panes/cleanwidgets.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace
{
const QString kProgram = QLatin1String(App::kProgramName);

// The key's last part names its widget: "/Parameters/filevel" gives "cb_filevel".
QString widgetName(const char* prefix, const char* keyPath)
{
    const QString path = QLatin1String(keyPath);
    return QLatin1String(prefix) + path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QCheckBox* checkBox(OptionsTab* tab, const char* keyPath, const QString& label, const QString& tip,
                    bool value)
{
    auto* box = new QCheckBox(label);
    box->setObjectName(widgetName("cb_", keyPath));
    box->setToolTip(tip);
    box->setChecked(value);
    QObject::connect(box, &QCheckBox::toggled, tab, &OptionsTab::setDirty);
    return box;
}

CleanSpin* spinBox(OptionsTab* tab, const char* keyPath, int min, int max, int step, int value,
                   const QString& tip)
{
    auto* spin = new CleanSpin;
    spin->setObjectName(widgetName("sb_", keyPath));
    spin->setRange(min, max);
    spin->setSingleStep(step);
    spin->setValue(value);
    spin->setToolTip(tip);
    // The wheel changes the value without touching the box.
    QObject::connect(spin, &CleanSpin::touched, tab, &OptionsTab::setDirty);
    QObject::connect(spin, QOverload<int>::of(&QSpinBox::valueChanged), tab, &OptionsTab::setDirty);
    return spin;
}

// Spin boxes keep their own width; path fields take the rest.
QFormLayout* formLayout(QWidget* tab)
{
    auto* form = new QFormLayout(tab);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    return form;
}

// Texts with the program's name in them.
QString named(const QString& text)
{
    return text.contains(QLatin1String("%1")) ? text.arg(kProgram) : text;
}

struct FlagRow {
    const char* keyPath;
    std::atomic<bool> LiveOptions::*value;
    const char* label;
    const char* tip;
    FlagEffect effect = FlagEffect::None;
    int eventType = 0;
};

// clang-format off
const FlagRow kParameterFlags[] = {
    {Keys::Parameters::splitformat0.path, &LiveOptions::splitformat0,
     QT_TRANSLATE_NOOP("ParametersTab", "&Split tracks on format 0 MIDI files"),
     QT_TRANSLATE_NOOP("ParametersTab", "<qt><nobr>MIDI files of format 0 may have voice events on several channels <br>as well as tempo events all bundled in a single track. <br>Splitting makes them easier to edit.</nobr></qt>")},
    {Keys::Parameters::showshiftwhenrecording.path, &LiveOptions::showshiftwhenrecording,
     QT_TRANSLATE_NOOP("ParametersTab", "Show note shift while &recording"),
     QT_TRANSLATE_NOOP("ParametersTab", "Instantly display notes on score at the time where they are hit during recording.")},
    {Keys::Parameters::filevel.path, &LiveOptions::filevel,
     QT_TRANSLATE_NOOP("ParametersTab", "Take &velocities from MIDI file"),
     QT_TRANSLATE_NOOP("ParametersTab", "Check to use note velocities from MIDI file events in interactive cluster notes")},
    {Keys::Parameters::filedur.path, &LiveOptions::filedur,
     QT_TRANSLATE_NOOP("ParametersTab", "Take &durations from MIDI file"),
     QT_TRANSLATE_NOOP("ParametersTab", "Check to use note durations from MIDI file events in interactive tracks.")},
    {Keys::Parameters::tempoadapt.path, &LiveOptions::tempoadapt,
     QT_TRANSLATE_NOOP("ParametersTab", "Follow &tempo skews from user (experimental)"),
     QT_TRANSLATE_NOOP("ParametersTab", "Check to have the accompanying tracks (i.e. NON interactive) follow your tempo skew (rubato).")},
    {Keys::Parameters::strictlyrics.path, &LiveOptions::strictlyrics,
     QT_TRANSLATE_NOOP("ParametersTab", "Use only true &lyrics events (karaoke sync) in lyrics pane"),
     QT_TRANSLATE_NOOP("ParametersTab", "Uncheck this box if a song's lyrics have been mistakenly stored as ordinary text events.")},
    {Keys::Parameters::killsynths.path, &LiveOptions::killsynths,
     QT_TRANSLATE_NOOP("ParametersTab", "&Kill software synths on exit"),
     QT_TRANSLATE_NOOP("ParametersTab", "Kill all software synths started from current session of %1 upon exit.")},
    {Keys::Journal::keep.path, &LiveOptions::journalKeep,
     QT_TRANSLATE_NOOP("ParametersTab", "Keep a practice &journal"),
     QT_TRANSLATE_NOOP("ParametersTab", "Check to remember every practice session of a song, for its practice history and the mastery of each measure.")},
};

// The flags above and below the help paths.
const FlagRow kInterfaceFlags[] = {
    {Keys::Interface::notifyCancel.path, &LiveOptions::notifyCancel,
     QT_TRANSLATE_NOOP("DisplayTab", "&Notify user cancel"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to display a notification message each time you cancel a command.")},
    {Keys::Interface::storeHistorysynths.path, &LiveOptions::storeHistorysynths,
     QT_TRANSLATE_NOOP("DisplayTab", "&Keep history of launched tools/soft synths"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to keep a list of soft synth commands previously executed from %1."), FlagEffect::History},
    {Keys::Interface::storeHistorylyrics.path, &LiveOptions::storeHistorylyrics,
     QT_TRANSLATE_NOOP("DisplayTab", "&Keep history of textual searches executed in Lyrics pane"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to keep a list of text strings previously searched for in the Lyrics pane."), FlagEffect::History},
    {Keys::Interface::storeHistorydoc.path, &LiveOptions::storeHistorydoc,
     QT_TRANSLATE_NOOP("DisplayTab", "&Keep history of textual searches executed in Doc pane"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to keep a list of text strings previously searched for in the Doc pane."), FlagEffect::History},
};
const FlagRow kDisplayFlags[] = {
    {Keys::Display::scrollabove.path, &LiveOptions::scrollabove,
     QT_TRANSLATE_NOOP("DisplayTab", "Scrollbar above &diagram"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to display the song scroller above the diagram."), FlagEffect::Relayout},
    {Keys::Display::darkmode.path, &LiveOptions::darkmode,
     QT_TRANSLATE_NOOP("DisplayTab", "Da&rk interface style"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to display a blackish program interface."), FlagEffect::StyleSheet},
    {Keys::Display::showtrackcontrols.path, &LiveOptions::showtrackcontrols,
     QT_TRANSLATE_NOOP("DisplayTab", "Show track c&ontrols"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to permanently display track controls in addition to diagram's context menu."), FlagEffect::PostEvent, ShowTrackControlsEvent},
    {Keys::Display::toggletrackselect.path, &LiveOptions::toggletrackselect,
     QT_TRANSLATE_NOOP("DisplayTab", "Select/deslelect track with one clic&k"),
     QT_TRANSLATE_NOOP("DisplayTab", "Choose your preferred track selection mode: if checked, toggle to change tracks selection state; if unchecked use Shift and Control modifier keys to select several tracks."), FlagEffect::PostEvent, ToggleTrackSelectEvent},
    {Keys::Display::showlyrics.path, &LiveOptions::showlyrics,
     QT_TRANSLATE_NOOP("DisplayTab", "Show &lyrics"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to display a window showing lyrics if included in MIDI file. If the lyrics/music synchronization info (karaoke) info is stored in the MIDI file, words will be highlighted accordingly as song progresses."), FlagEffect::PostEvent, ShowLyricsEvent},
    {Keys::Display::showcmkeycolors.path, &LiveOptions::showcmkeycolors,
     QT_TRANSLATE_NOOP("DisplayTab", "Paint bilinear &keys for C major"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to have bilinear uniform chromatic keyboard keys painted in black or white according to the C maj diatonic scale (same colors as on a traditional keyboard)."), FlagEffect::Repaint},
    {Keys::Display::showbigpianos.path, &LiveOptions::showbigpianos,
     QT_TRANSLATE_NOOP("DisplayTab", "Display &large keyboards"),
     QT_TRANSLATE_NOOP("DisplayTab", "Check to have large piano keyboard displayed. This is useful if you have a high definition monitor or want to check the keyboards from a distance."), FlagEffect::Relayout},
};
// clang-format on

template <size_t N>
void addFlags(OptionsTab* tab, const char* context, const FlagRow (&rows)[N],
              const LiveOptions& options, QFormLayout* form, std::vector<LiveFlagBox>& boxes)
{
    for (const FlagRow& row : rows) {
        QCheckBox* box =
            checkBox(tab, row.keyPath, QCoreApplication::translate(context, row.label),
                     named(QCoreApplication::translate(context, row.tip)), options.*row.value);
        form->addRow(box);
        boxes.push_back({box, row.value, row.effect, row.eventType});
    }
}

QIcon swatch(const Rgb& c)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(QColor(c.red, c.green, c.blue));
    return QIcon(pixmap);
}

QString startDir(const QString& path, const QString& otherwise)
{
    return path.isEmpty() ? otherwise : QFileInfo(path).absolutePath();
}

void call(const std::function<void()>& hook)
{
    if (hook) hook();
}
} // namespace

// Parameters

ParametersTab::ParametersTab(OptioDB* dialog, LiveOptions& options)
    : OptionsTab(dialog), options_(options)
{
    setObjectName(QStringLiteral("parameterstab"));
    auto* form = formLayout(this);
    addFlags(this, "ParametersTab", kParameterFlags, options_, form, flags_);
    msTol_ = spinBox(this, Keys::Parameters::ms_tol.path, 0, 500, 10, options_.ms_tol,
                     tr("Select the max time gap for successive notes to be played in one "
                        "keystroke."));
    form->addRow(tr("Max. time &gap [ms] (default value, adjust in Quick settings):"), msTol_);
    smooth_ = spinBox(this, Keys::Parameters::smooth.path, 1, 20, 1, options_.smooth,
                      tr("Bigger numbers will wait more before changing tempo and seem harsh, "
                         "smaller number may seem instable."));
    form->addRow(tr("&Number of clusters to consider before applying tempo change (default %1):")
                     .arg(Keys::Parameters::smooth.fallback),
                 smooth_);
    using namespace Keys::Journal;
    masteryMs_ = spinBox(this, masteryms.path, masteryms.min, masteryms.max, 5, options_.masteryMs,
                         tr("A measure is mastered once 90 % of its clusters were played within "
                            "this many milliseconds, on two different days."));
    masteryMs_->setSuffix(tr(" ms"));
    form->addRow(tr("Mastery t&hreshold:"), masteryMs_);
    masteryBoost_ =
        spinBox(this, targetboost.path, targetboost.min, targetboost.max, 5, options_.masteryBoost,
                tr("The tempo boost at which a measure must be played to count as "
                   "mastered."));
    masteryBoost_->setSuffix(tr(" %"));
    form->addRow(tr("Mastery temp&o:"), masteryBoost_);
}

void ParametersTab::setOptions()
{
    for (const LiveFlagBox& f : flags_) options_.*f.value = f.box->isChecked();
    // Only the default of a new deck: a loaded song keeps its own.
    options_.ms_tol = msTol_->value();
    options_.smooth = smooth_->value();
    options_.masteryMs = masteryMs_->value();
    options_.masteryBoost = masteryBoost_->value();
    OptionsTab::setOptions();
}

void ParametersTab::saveOptions()
{
    options_.save(LiveOptions::Parameters);
}

// Event filters

EventFiltersTab::EventFiltersTab(OptioDB* dialog, LiveOptions& options)
    : OptionsTab(dialog), options_(options)
{
    using namespace Keys::EventFilters;
    setObjectName(QStringLiteral("eventfilterstab"));
    auto* whole = new QVBoxLayout(this);
    auto* voice = new QGroupBox(tr("Non note voice messages found in MIDI file:"));
    voice->setObjectName(QStringLiteral("gb_voice"));
    auto* row = new QHBoxLayout(voice);
    whole->addWidget(voice);

    const char* const groupNames[FilterSetCount] = {"gb_inter", "gb_other", "gb_free"};
    const QString groupTitles[FilterSetCount] = {tr("In interactive tracks, KEEP:"),
                                                 tr("In NON interactive tracks, KEEP:"),
                                                 tr("In free tracks, KEEP:")};
    const QString where[FilterSetCount] = {tr("interactive tracks."), tr("NON interactive tracks."),
                                           tr("free tracks.")};
    const QString labels[FilterKindCount] = {tr("&aftertouch"), tr("&controller"), tr("&program"),
                                             tr("c&hanpress"), tr("p&itchbend")};
    const QString tips[FilterKindCount] = {
        tr("Uncheck to skip polyphonic aftertouch information from MIDI file in %1"),
        tr("Uncheck to skip controller events from MIDI file in %1"),
        tr("Uncheck to skip patch change events from MIDI file in %1"),
        tr("Uncheck to skip overall pressure events from MIDI file in %1"),
        tr("Uncheck to skip pitchbend events from MIDI file in %1")};
    for (int s = 0; s < FilterSetCount; ++s) {
        auto* group = new QGroupBox(groupTitles[s]);
        group->setObjectName(QLatin1String(groupNames[s]));
        auto* column = new QVBoxLayout(group);
        for (int k = 0; k < FilterKindCount; ++k) {
            filters_[s][k] = checkBox(this, sets[s][k].path, labels[k], tips[k].arg(where[s]),
                                      options_.filters[s][k]);
            column->addWidget(filters_[s][k]);
        }
        row->addWidget(group);
    }

    auto* nonVoice = new QGroupBox(tr("Non voice messages found in MIDI file:"));
    nonVoice->setObjectName(QStringLiteral("gb_nonvoice"));
    auto* column = new QVBoxLayout(nonVoice);
    keepTempo_ = checkBox(this, keep_tempo.path, tr("Keep &tempo"),
                          tr("Uncheck to skip tempo messages from MIDI file."), options_.keepTempo);
    column->addWidget(keepTempo_);
    whole->addWidget(nonVoice);
    whole->addStretch(1);
}

void EventFiltersTab::setOptions()
{
    // The engine reads these between events, so a running session follows.
    for (size_t s = 0; s < filters_.size(); ++s)
        for (size_t k = 0; k < filters_[s].size(); ++k)
            options_.filters[s][k] = filters_[s][k]->isChecked();
    options_.keepTempo = keepTempo_->isChecked();
    OptionsTab::setOptions();
}

void EventFiltersTab::saveOptions()
{
    options_.save(LiveOptions::EventFilters);
}

// Interface

DisplayTab::ColourChooser DisplayTab::chooseColour = [](const QColor& initial, QWidget* parent,
                                                        const QString& title) {
    return QColorDialog::getColor(initial, parent, title);
};

DisplayTab::FileChooser DisplayTab::chooseFile = [](QWidget* parent, const QString& caption,
                                                    const QString& dir, const QString& filter) {
    return QFileDialog::getOpenFileName(parent, caption, dir, filter);
};

DisplayTab::DisplayTab(OptioDB* dialog, LiveOptions& options, const OptionsHooks& hooks)
    : OptionsTab(dialog), options_(options), hooks_(hooks)
{
    setObjectName(QStringLiteral("displaytab"));
    auto* form = formLayout(this);
    addFlags(this, "DisplayTab", kInterfaceFlags, options_, form, flags_);

    auto pathRow = [&](QLineEdit*& edit, const char* keyPath, const QString& value,
                       const QString& label, const QString& tip, const char* buttonName,
                       const QString& buttonTip) {
        edit = new QLineEdit(value);
        edit->setObjectName(widgetName("le_", keyPath));
        edit->setToolTip(tip);
        connect(edit, &QLineEdit::textEdited, this, &OptionsTab::setDirty);
        auto* button = new QPushButton(tr("Browse >>"));
        button->setObjectName(QLatin1String(buttonName));
        button->setToolTip(buttonTip);
        button->setAutoDefault(false);
        auto* row = new QHBoxLayout;
        row->addWidget(edit, 1);
        row->addWidget(button);
        auto* text = new QLabel(label);
        text->setBuddy(edit);
        form->addRow(text, row);
        return button;
    };
    connect(pathRow(helpMain_, Keys::Interface::helpMain.path, options_.helpMain,
                    tr("Path of help &index:"), tr("Path of main HTML help file"), "browse_pb",
                    tr("Browse for help index file.")),
            &QPushButton::clicked, this, &DisplayTab::browseHelpMain);
    connect(pathRow(helpBrowser_, Keys::Interface::helpBrowser.path, options_.helpBrowser,
                    tr("Path of help &browser:"),
                    tr("Path of browser used to display HTML handbook"), "browser_pb",
                    tr("Browse for help browser application.")),
            &QPushButton::clicked, this, &DisplayTab::browseBrowser);

    addFlags(this, "DisplayTab", kDisplayFlags, options_, form, flags_);
    zoom_ = spinBox(this, Keys::Display::pix4mc.path, 4, 200, 4, 4 * options_.pix4mc,
                    tr("Higher values provide more space between keystrokes display."));
    form->addRow(tr("&Zoom factor (default value, adjust in Quick settings):"), zoom_);
    wheel_ = spinBox(this, Keys::Interface::wheelmult.path, 1, 100, 2, options_.wheelmult,
                     tr("With higher values, the tempo changes more quickly when the mouse wheel "
                        "is rotated."));
    form->addRow(tr("Default &wheel factor for tempo boost:"), wheel_);
    diam_ = spinBox(this, Keys::Display::diam.path, 2, 16, 1, options_.diam,
                    tr("Size of cluster symbol (note or group of notes) in pixels"));
    form->addRow(tr("Cluster &symbol size:"), diam_);

    colours_ = options_.colours;
    colourList_ = new QComboBox;
    colourList_->setObjectName(QStringLiteral("cb_colors"));
    colourList_->setToolTip(tr("Choose your color pattern."));
    colourList_->addItem(tr("Back to defaults"));
    for (const ColourKey& key : Keys::Display::colours) colourList_->addItem(tr(key.label));
    for (int role = 0; role < Keys::Display::ColourCount; ++role) showColour(role);
    form->addRow(tr("&Color pattern for diagram:"), colourList_);
    // Only a colour actually chosen is an edit.
    connect(colourList_, QOverload<int>::of(&QComboBox::activated), this, &DisplayTab::askForColor);
}

void DisplayTab::showColour(int role)
{
    colourList_->setItemIcon(role + 1, swatch(colours_[size_t(role)]));
}

void DisplayTab::coloursChanged()
{
    options_.colours = colours_;
    options_.copyKeyColours();
    call(hooks_.repaintViews);
}

void DisplayTab::askForColor(int index)
{
    if (index == 0) {
        if (!Messages::sure(tr("Are you sure you want to reset all diagram colors to program "
                               "defaults?")))
            return;
        for (int role = 0; role < Keys::Display::ColourCount; ++role) {
            colours_[size_t(role)] = Keys::Display::colours[role].fallback;
            showColour(role);
        }
        coloursChanged();
        // The message asks for OK or Apply, which only an edited tab offers.
        setDirty();
        Messages::information(tr("Choose Ok or Apply in the configuration dialog box to "
                                 "overwrite the colors saved in your configuration file."));
        return;
    }
    if (index > Keys::Display::ColourCount) return;
    Rgb& c = colours_[size_t(index - 1)];
    const QColor chosen =
        chooseColour(QColor(c.red, c.green, c.blue), this, colourList_->itemText(index));
    if (!chosen.isValid()) return;
    c = {chosen.red(), chosen.green(), chosen.blue()};
    showColour(index - 1);
    coloursChanged();
    setDirty();
}

void DisplayTab::browseHelpMain()
{
    const QString path =
        chooseFile(this, tr("Open a HTML file"), startDir(helpMain_->text(), QDir::homePath()),
                   tr("HTML files") + QStringLiteral(" (*.html *.htm *.php)"));
    if (path.isEmpty()) return;
    helpMain_->setText(path);
    setDirty();
}

void DisplayTab::browseBrowser()
{
    // A filter without a pattern would only list files named after its words.
    const QString path = chooseFile(this, tr("Locate help browser"),
                                    startDir(helpBrowser_->text(), QStringLiteral("/usr/bin")),
                                    tr("Executable files") + QStringLiteral(" (*)"));
    if (path.isEmpty()) return;
    helpBrowser_->setText(path);
    setDirty();
}

void DisplayTab::setOptions()
{
    bool history = false, relayout = false, styleSheet = false, repaint = false;
    for (const LiveFlagBox& f : flags_) {
        const bool on = f.box->isChecked();
        if ((options_.*f.value).exchange(on) == on) continue;
        history |= f.effect == FlagEffect::History;
        relayout |= f.effect == FlagEffect::Relayout;
        styleSheet |= f.effect == FlagEffect::StyleSheet;
        repaint |= f.effect == FlagEffect::Repaint;
        // The value is live already, so the save step that follows writes it;
        // the window acts on it when the event arrives.
        if (f.effect == FlagEffect::PostEvent && hooks_.mainWindow)
            QCoreApplication::postEvent(hooks_.mainWindow, new BoolEvent(f.eventType, on));
    }
    options_.helpMain = helpMain_->text();
    options_.helpBrowser = helpBrowser_->text();
    // Typed values need not be multiples of 4.
    options_.pix4mc =
        std::clamp((zoom_->value() + 2) / 4, Keys::Display::pix4mc.min, Keys::Display::pix4mc.max);
    options_.wheelmult = wheel_->value();
    repaint |= options_.diam.exchange(diam_->value()) != diam_->value();
    if (options_.colours != colours_) {
        options_.colours = colours_;
        options_.copyKeyColours();
        repaint = true;
    }
    if (history) call(hooks_.historyFlagsChanged);
    if (styleSheet) call(hooks_.applyStyleSheet);
    if (relayout) call(hooks_.relayoutViews);
    if (repaint) call(hooks_.repaintViews);
    OptionsTab::setOptions();
}

void DisplayTab::saveOptions()
{
    options_.save(LiveOptions::Interface);
}

// Metronome

MetronomeTab::MetronomeTab(OptioDB* dialog, LiveOptions& options)
    : OptionsTab(dialog), options_(options)
{
    using namespace Keys::Metronome;
    setObjectName(QStringLiteral("metronometab"));
    auto* form = formLayout(this);
    auto* note = new QLabel(tr("The metronome uses the default output device defined in Default "
                               "I/O tab."));
    note->setWordWrap(true);
    form->addRow(note);
    channel_ = spinBox(this, channel.path, 1, 16, 1, options_.metronomeChannel + 1,
                       tr("MIDI channel used for metronome clicks"));
    form->addRow(tr("Metronome &channel:"), channel_);
    strong_ = spinBox(this, strong.path, 0, 127, 1, options_.metronomeStrong,
                      tr("Note number for measure marker clicks"));
    form->addRow(tr("&Main click:"), strong_);
    weak_ = spinBox(this, weak.path, 0, 127, 1, options_.metronomeWeak,
                    tr("Note number for beat marker clicks"));
    form->addRow(tr("&Other clicks:"), weak_);
    vel_ = spinBox(this, vel.path, 0, 127, 1, options_.metronomeVel,
                   tr("Velocity of metronome notes"));
    form->addRow(tr("&Volume:"), vel_);
    record_ = checkBox(this, record.path,
                       tr("Tick when &recording (default value, adjust in Quick settings)"),
                       tr("Default metronome behaviour while recording"), options_.metronomeRecord);
    form->addRow(record_);
    play_ = checkBox(this, play.path,
                     tr("Tick when &playing (default value, adjust in Quick settings)"),
                     tr("Default metronome behaviour while playing"), options_.metronomePlay);
    form->addRow(play_);
}

void MetronomeTab::setOptions()
{
    options_.metronomeChannel = channel_->value() - 1;
    options_.metronomeStrong = strong_->value();
    options_.metronomeWeak = weak_->value();
    options_.metronomeVel = vel_->value();
    options_.metronomeRecord = record_->isChecked();
    options_.metronomePlay = play_->isChecked();
    OptionsTab::setOptions();
}

void MetronomeTab::saveOptions()
{
    options_.save(LiveOptions::Metronome);
}
