#pragma once

#include "core/devices.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <array>
#include <atomic>
#include <limits>
#include <optional>

class QSettings;

// A colour without QtGui, so the store stays QtCore only; views build their
// QColor from it.
struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;

    friend constexpr bool operator==(const Rgb& a, const Rgb& b)
    {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
    friend constexpr bool operator!=(const Rgb& a, const Rgb& b) { return !(a == b); }
};

// Typed keys: reading a key through the wrong type, or misspelling one, does
// not compile.
struct BoolKey {
    const char* path;
    bool fallback;
};
struct IntKey {
    const char* path;
    int fallback;
    int min = std::numeric_limits<int>::min();
    int max = std::numeric_limits<int>::max();
};
struct StringKey {
    enum Fallback { Empty, Home };
    const char* path;
    Fallback fallback = Empty;
};
struct StringListKey {
    const char* path;
};
struct ByteArrayKey {
    const char* path;
};
struct ColourKey {
    const char* path;
    Rgb fallback;
    const char* label; // untranslated; the Options dialog translates it
};

namespace Keys
{
namespace Interface
{
constexpr BoolKey tooltips{"/Interface/tooltips", true};
constexpr IntKey wheelmult{"/Interface/wheelmult", 60, 1, 100};
constexpr StringKey mididir{"/Interface/mididir", StringKey::Home};
constexpr StringKey helpMain{"/Interface/helpMain"};
constexpr StringKey helpBrowser{"/Interface/helpBrowser"};
constexpr BoolKey notifyCancel{"/Interface/notifyCancel", true};
constexpr BoolKey storeHistorydoc{"/Interface/storeHistorydoc", true};
constexpr BoolKey storeHistorylyrics{"/Interface/storeHistorylyrics", true};
constexpr BoolKey storeHistorysynths{"/Interface/storeHistorysynths", true};
constexpr StringListKey historydoc{"/Interface/historydoc"};
constexpr StringListKey historylyrics{"/Interface/historylyrics"};
constexpr StringListKey historysynths{"/Interface/historysynths"};
} // namespace Interface

namespace Geometry
{
constexpr IntKey width{"/Geometry/width", 640};
constexpr IntKey height{"/Geometry/height", 480};
constexpr ByteArrayKey geometry{"Geometry/geometry"};
constexpr ByteArrayKey windowState{"Geometry/windowState"};
} // namespace Geometry

namespace General
{
constexpr ByteArrayKey geometry{"General/geometry"}; // lyrics dock
}
namespace Doc
{
constexpr ByteArrayKey geometry{"Doc/geometry"}; // document window
}

namespace Midi
{
constexpr IntKey iclient{"/Midi/iclient", 0, 0, 255};
constexpr IntKey iport{"/Midi/iport", 0, 0, 255};
constexpr BoolKey ibck{"/Midi/ibck", true};
constexpr BoolKey itradk{"/Midi/itradk", true};
constexpr BoolKey ignoreInput{"Midi/ignoreInput", false};
constexpr IntKey leadzone{"/Midi/leadzone", int(Zone::Low), int(Zone::Low), int(Zone::High)};
constexpr BoolKey tempoleader{"Midi/tempoleader", true};
constexpr IntKey lowkey{"/Midi/lowkey", 64, 0, 127};
constexpr IntKey highkey{"/Midi/highkey", 103, 0, 127};
constexpr BoolKey kbenablesplit{"/Midi/kbenablesplit", false};
constexpr IntKey kbmode{"/Midi/kbmode", OneKeyPerCluster, OneKeyPerCluster, AllClusterNotes};
constexpr IntKey oclient{"/Midi/oclient", 0, 0, 255};
constexpr IntKey oport{"/Midi/oport", 0, 0, 255};
constexpr BoolKey obck{"/Midi/obck", true};
constexpr BoolKey otradk{"/Midi/otradk", true};
constexpr BoolKey ignoreOutput{"Midi/ignoreOutput", false};
constexpr IntKey defvolume{"/Midi/defvolume", 127, 0, 127};
} // namespace Midi

namespace Parameters
{
constexpr BoolKey splitformat0{"/Parameters/splitformat0", true};
constexpr BoolKey showshiftwhenrecording{"/Parameters/showshiftwhenrecording", false};
constexpr BoolKey filevel{"/Parameters/filevel", false};
constexpr BoolKey filedur{"/Parameters/filedur", false};
constexpr BoolKey tempoadapt{"/Parameters/tempoadapt", false};
constexpr BoolKey strictlyrics{"/Parameters/strictlyrics", false};
constexpr BoolKey killsynths{"/Parameters/killsynths", false};
constexpr IntKey ms_tol{"/Parameters/ms_tol", 100, 0, 500};
constexpr IntKey smooth{"/Parameters/smooth", 10, 1, 20};
} // namespace Parameters

namespace EventFilters
{
// Filter sets: 0 interactive tracks, 1 the accompaniment, 2 free tracks.
enum FilterSet { Interactive, Accompaniment, Free, FilterSetCount };
enum FilterKind {
    KeyPress,
    Controller,
    ProgramChange,
    ChannelPressure,
    PitchBend,
    FilterKindCount
};

constexpr BoolKey sets[FilterSetCount][FilterKindCount] = {
    {{"/EventFilters/kb_keypress", true},
     {"/EventFilters/kb_controller", true},
     {"/EventFilters/kb_pgmchange", true},
     {"/EventFilters/kb_chanpress", true},
     {"/EventFilters/kb_pitchbend", true}},
    {{"/EventFilters/sc_keypress", true},
     {"/EventFilters/sc_controller", true},
     {"/EventFilters/sc_pgmchange", true},
     {"/EventFilters/sc_chanpress", true},
     {"/EventFilters/sc_pitchbend", true}},
    {{"/EventFilters/fr_keypress", true},
     {"/EventFilters/fr_controller", true},
     {"/EventFilters/fr_pgmchange", true},
     {"/EventFilters/fr_chanpress", true},
     {"/EventFilters/fr_pitchbend", true}},
};
constexpr BoolKey keep_tempo{"/EventFilters/keep_tempo", true};
} // namespace EventFilters

namespace Display
{
constexpr BoolKey scrollabove{"/Display/scrollabove", true};
constexpr BoolKey darkmode{"/Display/darkmode", true};
constexpr BoolKey showtrackcontrols{"/Display/showtrackcontrols", true};
constexpr BoolKey toggletrackselect{"/Display/toggletrackselect", false};
constexpr BoolKey showlyrics{"/Display/showlyrics", true};
constexpr BoolKey showcmkeycolors{"/Display/showcmkeycolors", false};
constexpr BoolKey showbigpianos{"/Display/showbigpianos", false};
// Stored as the zoom z (pixels per MIDI clock = z / 4); the Options dialog offers 4z in 4..200.
constexpr IntKey pix4mc{"/Display/pix4mc", 6, 1, 50};
constexpr IntKey diam{"/Display/diam", 6, 2, 16};

// In the order of the Options dialog's colour list.
enum ColourRole {
    InteractiveTrack,
    AutomaticTrack,
    FreeTrack,
    PlayedNote,
    UnplayedClusterHead,
    UnplayedClusterBody,
    PositionMark,
    MeasureBars,
    SeparatorLine,
    BlackKey, // the nine keyboard colours, indexed by key state code from here
    WhiteKey,
    PressedKey,
    LowZoneHint,
    CentralZoneHint,
    HighZoneHint,
    UnsplitHint,
    OmnikeyChallenge,
    WrongKey,
    ColourCount
};
constexpr int KeyColourCount = ColourCount - BlackKey;

// The labels are shown translated by the Options dialog's Interface tab.
constexpr ColourKey colours[ColourCount] = {
    {"/Display/st_color", {0, 128, 128}, QT_TRANSLATE_NOOP("DisplayTab", "Interactive track")},
    {"/Display/ot_color", {0, 0, 128}, QT_TRANSLATE_NOOP("DisplayTab", "Automatic track")},
    {"/Display/ft_color", {128, 128, 0}, QT_TRANSLATE_NOOP("DisplayTab", "Free track")},
    {"/Display/pn_color", {0, 255, 0}, QT_TRANSLATE_NOOP("DisplayTab", "Played note")},
    {"/Display/uln_color", {255, 0, 0}, QT_TRANSLATE_NOOP("DisplayTab", "Unplayed cluster head")},
    {"/Display/ucn_color", {0, 255, 255}, QT_TRANSLATE_NOOP("DisplayTab", "Unplayed cluster body")},
    {"/Display/axis_color",
     {255, 255, 255},
     QT_TRANSLATE_NOOP("DisplayTab", "Instant position mark")},
    {"/Display/bar_color", {0, 0, 0}, QT_TRANSLATE_NOOP("DisplayTab", "Measure bars")},
    {"/Display/sel_color", {128, 128, 128}, QT_TRANSLATE_NOOP("DisplayTab", "Separator line")},
    {"/Display/bkey_color", {0, 0, 0}, QT_TRANSLATE_NOOP("DisplayTab", "Black piano key")},
    {"/Display/wkey_color", {255, 255, 255}, QT_TRANSLATE_NOOP("DisplayTab", "White piano key")},
    {"/Display/pkey_color", {160, 160, 164}, QT_TRANSLATE_NOOP("DisplayTab", "Pressed impro key")},
    {"/Display/ikey_color1", {255, 255, 0}, QT_TRANSLATE_NOOP("DisplayTab", "Low zone key hint")},
    {"/Display/ikey_color2", {0, 255, 0}, QT_TRANSLATE_NOOP("DisplayTab", "Central zone key hint")},
    {"/Display/ikey_color3", {0, 0, 255}, QT_TRANSLATE_NOOP("DisplayTab", "High zone key hint")},
    {"/Display/ikey_color4",
     {255, 0, 255},
     QT_TRANSLATE_NOOP("DisplayTab", "Key hint for unsplit keyboard")},
    {"/Display/ikey_color5",
     {0, 255, 255},
     QT_TRANSLATE_NOOP("DisplayTab", "Key challenge in Omnikey mode")},
    {"/Display/ikey_color6",
     {255, 0, 0},
     QT_TRANSLATE_NOOP("DisplayTab", "Wrong key hit notification")},
};
} // namespace Display

namespace Metronome
{
constexpr BoolKey record{"/Metronome/record", true};
constexpr BoolKey play{"/Metronome/play", false};
constexpr IntKey channel{"/Metronome/channel", kDrumChannel, 0, 15};
constexpr IntKey strong{"/Metronome/strong", 34, 0, 127};
constexpr IntKey weak{"/Metronome/weak", 33, 0, 127};
constexpr IntKey vel{"/Metronome/vel", 64, 0, 127};
} // namespace Metronome

namespace Loop
{
// The practice loop's tempo step-up: the first pass's boost, then this much more each pass.
constexpr BoolKey stepup{"/Loop/stepup", false};
constexpr IntKey stepfrom{"/Loop/stepfrom", 70, 10, 1000};
constexpr IntKey stepby{"/Loop/stepby", 5, 1, 100};
} // namespace Loop

namespace Journal
{
// A measure is mastered once played within this many milliseconds (its
// 90th percentile) at no less than this boost, on two different days.
constexpr IntKey masteryms{"/Journal/masteryms", 60, 5, 500};
constexpr IntKey targetboost{"/Journal/targetboost", 100, 10, 1000};
constexpr BoolKey keep{"/Journal/keep", true};
} // namespace Journal
} // namespace Keys

// A text pane's font as stored; each part is empty when its key is absent,
// because the pane then keeps its parent's.
struct StoredFont {
    std::optional<QString> family;
    std::optional<int> pointSize;
    std::optional<int> weight;
    std::optional<bool> italic;
};

namespace Settings
{

constexpr const char* kOrganisation = "clavion";

// First two characters of LANG; empty when LANG is unset.
QString languageCode();
// "clavion-" followed by the language code.
QString applicationName(const QString& languageCode);

// The process-wide store. store() opens it for LANG's language code when
// start-up has not; close() writes pending values and deletes it.
void open(const QString& languageCode);
QSettings& store();
void close();
bool isOpen();
// The folder of the settings file, which also holds the style sheets.
QString organisationDir();

// Points every later store at configDir (user scope) and opens it for the
// given language code, so tests never touch the user's own files.
void resetForTests(const QString& configDir, const QString& languageCode);

// Typed access; absent or unreadable values give the key's default, and
// integers are clamped into the key's range.
bool value(const BoolKey& key);
int value(const IntKey& key);
QString value(const StringKey& key);
QStringList value(const StringListKey& key);
QByteArray value(const ByteArrayKey& key);
Rgb value(const ColourKey& key);

void setValue(const BoolKey& key, bool v);
void setValue(const IntKey& key, int v);
void setValue(const StringKey& key, const QString& v);
void setValue(const StringListKey& key, const QStringList& v);
void setValue(const ByteArrayKey& key, const QByteArray& v);
void setValue(const ColourKey& key, const Rgb& v);

// "%1:%2:%3" with red, green, blue.
QString encodeColour(const Rgb& c);
// Three decimal integers separated by ':', each clamped to 0..255; anything
// else gives nullopt.
std::optional<Rgb> decodeColour(const QString& text);

// History combo keys: group + "/storeHistory" + suffix and group + "/history" + suffix.
bool storeHistory(const QString& group, const QString& suffix);
void setStoreHistory(const QString& group, const QString& suffix, bool on);
QStringList history(const QString& group, const QString& suffix);
void setHistory(const QString& group, const QString& suffix, const QStringList& items);

// A text pane's last folder: "/<group>/textdir<suffix>", HOME when absent.
QString textDir(const QString& group, const QString& suffix);
void setTextDir(const QString& group, const QString& suffix, const QString& dir);

// Fonts under "<fontGroup>/family" etc.: fontGroup is "Font" + pane key, or "HCFont".
QString fontGroup(const QString& paneKey);
constexpr const char* kHistoryComboFontGroup = "HCFont";
StoredFont font(const QString& fontGroup);
void setFont(const QString& fontGroup, const QString& family, int pointSize, int weight,
             bool italic);

// Devices. The default records come from the /Midi group; every other record
// reads its own group, each key falling back to the default record's value
// (the ignore flags to false).
QString inputGroup(int client, int port);  // "Input_%1_%2"
QString outputGroup(int client, int port); // "Output_%1_%2"
void loadDefaultInput(InputDevice& device);
void loadDefaultOutput(OutputDevice& device);
void loadDefaultDevices(DeviceSet& devices);
void saveDefaultDevices(const DeviceSet& devices);
// device.client and device.port name the group.
void loadInputDevice(InputDevice& device, const InputDevice& defaults);
void loadOutputDevice(OutputDevice& device, const OutputDevice& defaults);
// Address 255:255 and its names, then its group, falling back to the default
// record's display flags and leading zone and to InputDevice::pcKeyboard()
// for the rest.
void loadPcKeyboard(InputDevice& device, const InputDevice& defaults);
void saveInputDevice(const InputDevice& device);
void saveOutputDevice(const OutputDevice& device);

} // namespace Settings

// The options the main window loads once and every part reads, one row each:
// member type, member, key, and which narrower save writes it.
// clang-format off
#define CLAVION_LIVE_OPTIONS(X)                                                           \
    X(bool, tooltips, Keys::Interface::tooltips, Window)                                  \
    X(QString, mididir, Keys::Interface::mididir, Window)                                 \
    X(int, width, Keys::Geometry::width, Window)                                          \
    X(int, height, Keys::Geometry::height, Window)                                        \
    X(int, wheelmult, Keys::Interface::wheelmult, Interface)                              \
    X(QString, helpMain, Keys::Interface::helpMain, Interface)                            \
    X(QString, helpBrowser, Keys::Interface::helpBrowser, Interface)                      \
    X(bool, notifyCancel, Keys::Interface::notifyCancel, Interface)                       \
    X(bool, storeHistorydoc, Keys::Interface::storeHistorydoc, Interface)                 \
    X(bool, storeHistorylyrics, Keys::Interface::storeHistorylyrics, Interface)           \
    X(bool, storeHistorysynths, Keys::Interface::storeHistorysynths, Interface)           \
    X(bool, scrollabove, Keys::Display::scrollabove, Interface)                           \
    X(bool, darkmode, Keys::Display::darkmode, Interface)                                 \
    X(bool, showtrackcontrols, Keys::Display::showtrackcontrols, Interface)               \
    X(bool, toggletrackselect, Keys::Display::toggletrackselect, Interface)               \
    X(bool, showlyrics, Keys::Display::showlyrics, Interface)                             \
    X(bool, showcmkeycolors, Keys::Display::showcmkeycolors, Interface)                   \
    X(bool, showbigpianos, Keys::Display::showbigpianos, Interface)                       \
    X(int, pix4mc, Keys::Display::pix4mc, Interface)                                      \
    X(int, diam, Keys::Display::diam, Interface)                                          \
    X(bool, keepTempo, Keys::EventFilters::keep_tempo, EventFilters)                      \
    X(bool, metronomeRecord, Keys::Metronome::record, Metronome)                          \
    X(bool, metronomePlay, Keys::Metronome::play, Metronome)                              \
    X(int, metronomeChannel, Keys::Metronome::channel, Metronome)                         \
    X(int, metronomeStrong, Keys::Metronome::strong, Metronome)                           \
    X(int, metronomeWeak, Keys::Metronome::weak, Metronome)                               \
    X(int, metronomeVel, Keys::Metronome::vel, Metronome)                                 \
    X(bool, loopStepUp, Keys::Loop::stepup, Loop)                                         \
    X(int, loopStepFrom, Keys::Loop::stepfrom, Loop)                                      \
    X(int, loopStepBy, Keys::Loop::stepby, Loop)                                          \
    X(bool, splitformat0, Keys::Parameters::splitformat0, Parameters)                     \
    X(bool, showshiftwhenrecording, Keys::Parameters::showshiftwhenrecording, Parameters) \
    X(bool, filevel, Keys::Parameters::filevel, Parameters)                               \
    X(bool, filedur, Keys::Parameters::filedur, Parameters)                               \
    X(bool, tempoadapt, Keys::Parameters::tempoadapt, Parameters)                         \
    X(bool, strictlyrics, Keys::Parameters::strictlyrics, Parameters)                     \
    X(bool, killsynths, Keys::Parameters::killsynths, Parameters)                         \
    X(int, ms_tol, Keys::Parameters::ms_tol, Parameters)                                  \
    X(int, smooth, Keys::Parameters::smooth, Parameters)                                  \
    X(bool, journalKeep, Keys::Journal::keep, Parameters)                                 \
    X(int, masteryMs, Keys::Journal::masteryms, Parameters)                               \
    X(int, masteryBoost, Keys::Journal::targetboost, Parameters)
// clang-format on

// Flags and numbers are atomics because the engine thread reads them between
// events without a lock while the Options dialog may change them; texts are
// read on the GUI thread only.
template <class T> struct LiveSlot {
    using type = std::atomic<T>;
};
template <> struct LiveSlot<QString> {
    using type = QString;
};

class LiveOptions
{
public:
    // The groups of options that one Options tab (or the loop's controls)
    // saves on its own; Window is saved only with everything.
    enum Part { Window, Interface, EventFilters, Metronome, Loop, Parameters };

    LiveOptions(); // all defaults

    LiveOptions(const LiveOptions&) = delete;
    LiveOptions& operator=(const LiveOptions&) = delete;

    void resetToDefaults();
    // Reads every key; writes nothing.
    void load();
    // Writes every value back.
    void save() const;
    // Writes one part's keys; Interface also writes the colours, EventFilters the pass flags.
    void save(Part part) const;

    // "Back to defaults" of the colour list.
    void resetColours();
    // The keyboards paint with their own copy of the nine keyboard colours.
    void copyKeyColours();

#define CLAVION_DECLARE_OPTION(T, name, key, part) LiveSlot<T>::type name;
    CLAVION_LIVE_OPTIONS(CLAVION_DECLARE_OPTION)
#undef CLAVION_DECLARE_OPTION

    // /EventFilters: pass flags, [set][kind]
    std::array<std::array<std::atomic<bool>, Keys::EventFilters::FilterKindCount>,
               Keys::EventFilters::FilterSetCount>
        filters;
    // /Display
    std::array<Rgb, Keys::Display::ColourCount> colours;
    std::array<Rgb, Keys::Display::KeyColourCount> keyColours; // by key state code 0..8
};
