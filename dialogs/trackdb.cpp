#include "dialogs/trackdb.h"

#include "core/devices.h"
#include "core/messages.h"
#include "core/midi.h"
#include "core/programname.h"
#include "engine/decksession.h"
#include "panes/cleanwidgets.h"
#include "song/deckmodel.h"
#include "song/songnames.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QGroupBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

namespace
{
bool validTrack(const DeckModel& deck, int d)
{
    return d >= 0 && d < deck.tracks.displayCount();
}

bool isDrum(const DeckModel& deck, int d)
{
    return validTrack(deck, d) &&
           (deck.tracks.channelPattern[size_t(d)] & channelBit(kDrumChannel));
}

bool isFree(const DeckModel& deck, int d)
{
    return d >= deck.tracks.boundTracks;
}

// Bound tracks count from 1, and free tracks count from 1 after them.
int shownNumber(const DeckModel& deck, int d)
{
    return isFree(deck, d) ? d - deck.tracks.boundTracks + 1 : d + 1;
}

QString trackName(const DeckModel& deck, int track)
{
    const auto& names = deck.song.facts.trackNames;
    return track >= 0 && size_t(track) < names.size() ? QString::fromLocal8Bit(names[size_t(track)])
                                                      : QString();
}
} // namespace

TrackDB::TrackDB(QWidget* parent, DeckModel& deck, DeckSession& session, int displayIndex)
    : OptioDB(parent)
{
    setObjectName(QStringLiteral("trackdb"));
    setWindowTitle(QLatin1String(App::kProgramName) + QStringLiteral(" - ") +
                   titleFor(deck, displayIndex));
    const TrackTables& t = deck.tracks;
    if (validTrack(deck, displayIndex) && t.input[size_t(displayIndex)] &&
        t.output[size_t(displayIndex)]) {
        addTab(new TrackMidiTab(this, deck, session, displayIndex), tr("Input/output"));
        addTab(new TuneTab(this, deck, session, displayIndex), tr("Adjust"));
    }
    addTab(new InfoTab(this, deck, displayIndex), tr("Info"));
    openAt(0);
}

QString TrackDB::titleFor(const DeckModel& deck, int d)
{
    const bool drum = isDrum(deck, d);
    const QString text =
        isFree(deck, d)
            ? (drum ? tr("Configure free drum track %1") : tr("Configure free track %1"))
            : (drum ? tr("Configure drum track %1") : tr("Configure bound track %1"));
    return text.arg(shownNumber(deck, d));
}

QFont TrackDB::fixedFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Some platforms answer with their proportional font.
    if (!QFontInfo(font).fixedPitch()) {
        font.setFamily(QStringLiteral("monospace"));
        font.setStyleHint(QFont::TypeWriter);
    }
    return font;
}

TrackMidiTab::TrackMidiTab(OptioDB* dialog, DeckModel& deck, DeckSession& session, int displayIndex)
    : MidiIOTab(dialog, deck.devices), deck_(deck), session_(session), d_(displayIndex),
      free_(isFree(deck, displayIndex))
{
    setObjectName(QStringLiteral("trackmiditab"));
    const int number = shownNumber(deck, d_);
    auto* form = new QFormLayout(this);
    input_ = new CleanCombo;
    input_->setObjectName(QStringLiteral("cb_input"));
    input_->setToolTip(free_ ? tr("Select the input client/port for free track %1. Keys are free "
                                  "if not bound in interactive tracks.")
                                   .arg(number)
                             : tr("Select the input client/port for track %1.").arg(number));
    form->addRow(tr("&Input client/port"), input_);
    output_ = new CleanCombo;
    output_->setObjectName(QStringLiteral("cb_output"));
    output_->setToolTip(tr("Select the output client/port for track %1.").arg(number));
    form->addRow(tr("&Output client/port"), output_);

    zoneGroup_ = new QGroupBox(tr("Bound &zone for track"));
    zoneGroup_->setObjectName(QStringLiteral("gb_zone"));
    zoneGroup_->setToolTip(
        tr("Select zone for bound KB interaction with this track (must be enabled in Devices "
           "setup)."));
    auto* zoneColumn = new QVBoxLayout(zoneGroup_);
    const Zone zone = std::clamp(deck.tracks.zone[size_t(d_)], Zone::Low, Zone::High);
    for (size_t z = 0; z < zones_.size(); ++z) {
        zones_[z] = new QRadioButton;
        zones_[z]->setObjectName(QStringLiteral("rb_zone%1").arg(z + 1));
        zones_[z]->setChecked(zoneAt(int(z)) == zone);
        zoneColumn->addWidget(zones_[z]);
        connect(zones_[z], &QRadioButton::toggled, this, &OptionsTab::setDirty);
    }
    form->addRow(zoneGroup_);
    zoneGroup_->setVisible(!free_);

    connect(input_, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &TrackMidiTab::zoneLabelling);
    connect(input_, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &OptionsTab::setDirty);
    connect(output_, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &OptionsTab::setDirty);
    zoneLabelling(-1);
}

void TrackMidiTab::firstShow()
{
    listInputs(input_, deck_.tracks.input[size_t(d_)]);
    listOutputs(output_, deck_.tracks.output[size_t(d_)]);
    zoneLabelling(input_->currentIndex());
}

void TrackMidiTab::devicesChanged()
{
    if (!isInitialised()) return;
    // The track's records live as long as the song: a port gone is only marked so.
    const InputDevice* in = deck_.tracks.input[size_t(d_)];
    const OutputDevice* out = deck_.tracks.output[size_t(d_)];
    const QString inText = keptText(input_, in ? portText(*in) : QString(), isDirty());
    const QString outText = keptText(output_, out ? portText(*out) : QString(), isDirty());
    {
        const QSignalBlocker quietIn(input_), quietOut(output_);
        listInputs(input_, nullptr);
        listOutputs(output_, nullptr);
        keepShown(input_, inText);
        keepShown(output_, outText);
    }
    zoneLabelling(input_->currentIndex());
}

void TrackMidiTab::zoneLabelling(int index)
{
    const QString text = input_->itemText(index);
    const bool pcKeyboard = text.contains(pcKeyboardName());
    using Names = std::array<QString, kSplitZones>;
    const Names names = pcKeyboard
                            ? Names{tr("&Number keys"), tr("&Letter keys"), tr("&Function keys")}
                            : Names{tr("Low end"), tr("Central zone"), tr("High end")};
    for (size_t z = 0; z < zones_.size(); ++z) zones_[z]->setText(names[z]);
    int client = 0, port = 0;
    const InputDevice* device =
        parseAddress(text, &client, &port) ? devices_.findInput(client, port) : nullptr;
    zoneGroup_->setEnabled(pcKeyboard || (device && device->kbenablesplit));
}

void TrackMidiTab::setOptions()
{
    if (!free_) {
        const auto checked = std::find_if(zones_.begin(), zones_.end(),
                                          [](QRadioButton* b) { return b->isChecked(); });
        if (checked != zones_.end()) {
            std::lock_guard<std::mutex> lock(deck_.mutex);
            deck_.tracks.zone[size_t(d_)] = zoneAt(int(checked - zones_.begin()));
        }
    }
    applyInput();
    applyOutput();
    OptionsTab::setOptions();
}

void TrackMidiTab::applyInput()
{
    int client = kPcKeyboardClient, port = kPcKeyboardPort;
    // A bound track without a readable choice listens to no real port.
    if (!parseAddress(input_->currentText(), &client, &port) && free_) return;
    InputDevice* device = devices_.findInput(client, port);
    const InputDevice* current = deck_.tracks.input[size_t(d_)];
    if (!device || (current && current->sameAddress(client, port))) return;
    const QString error = session_.setTrackInput(d_, device);
    if (error.isEmpty()) return;
    Messages::warning(error);
    const QSignalBlocker quiet(input_);
    listInputs(input_, current);
    zoneLabelling(input_->currentIndex());
}

void TrackMidiTab::applyOutput()
{
    int client = 0, port = 0;
    if (output_->count() == 0 || !parseAddress(output_->currentText(), &client, &port)) return;
    OutputDevice* device = devices_.findOutput(client, port);
    const OutputDevice* current = deck_.tracks.output[size_t(d_)];
    if (!device || (current && current->sameAddress(client, port))) return;
    const QString error = session_.setTrackOutput(d_, device);
    if (error.isEmpty()) return;
    Messages::warning(error);
    const QSignalBlocker quiet(output_);
    listOutputs(output_, current);
}

InfoTab::InfoTab(OptioDB* dialog, DeckModel& deck, int displayIndex)
    : OptionsTab(dialog), deck_(deck), d_(displayIndex)
{
    setObjectName(QStringLiteral("infotab"));
    auto* column = new QVBoxLayout(this);
    text_ = new QPlainTextEdit;
    text_->setObjectName(QStringLiteral("te_info"));
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    // The channel pattern is read column by column.
    text_->setFont(TrackDB::fixedFont());
    column->addWidget(text_);
}

void InfoTab::showEvent(QShowEvent* event)
{
    // A remap in the next tab changes what this one shows.
    QString text;
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        text = infoText(deck_, d_);
    }
    if (text != text_->toPlainText()) text_->setPlainText(text);
    OptionsTab::showEvent(event);
}

QString InfoTab::infoText(const DeckModel& deck, int d)
{
    if (!validTrack(deck, d)) return QString();
    const TrackTables& t = deck.tracks;
    const uint16_t pattern = t.channelPattern[size_t(d)];
    const bool drum = isDrum(deck, d);
    const int number = shownNumber(deck, d);
    const int track = t.storeTrackOf(d);
    QString text;
    if (isFree(deck, d)) {
        text = (drum ? tr("Free drum track #%1") : tr("Free track #%1")).arg(number);
        text += QLatin1Char('\n') + tr("Channel pattern for free track #%1: \n").arg(number);
    } else {
        text = (drum ? tr("Drum track #%1 ") : tr("Bound track #%1 ")).arg(number) +
               trackName(deck, track);
        text += QLatin1Char('\n') + tr("Channel pattern for bound track #%1: \n").arg(number);
    }
    for (int c = 0; c < 16; ++c) text += QLatin1Char(pattern & channelBit(c) ? 'I' : '-');
    text += QLatin1Char('\n');
    for (int c = 0; c < 16; ++c) {
        if (!(pattern & channelBit(c))) continue;
        const ChannelEventCounts n = deck.song.events.channelEventCounts(uint32_t(track), c);
        text += QLatin1Char('\n') + tr("\tOn channel %1 :").arg(c + 1);
        const std::pair<int, uint32_t> kinds[] = {{SND_SEQ_EVENT_NOTE, n.notes},
                                                  {SND_SEQ_EVENT_NOTEON, n.noteOns},
                                                  {SND_SEQ_EVENT_NOTEOFF, n.noteOffs},
                                                  {SND_SEQ_EVENT_PGMCHANGE, n.programs},
                                                  {SND_SEQ_EVENT_CONTROLLER, n.controllers},
                                                  {SND_SEQ_EVENT_PITCHBEND, n.pitchBends},
                                                  {SND_SEQ_EVENT_KEYPRESS, n.keyPressures},
                                                  {SND_SEQ_EVENT_CHANPRESS, n.channelPressures}};
        for (const auto& [kind, count] : kinds)
            text += QStringLiteral("\n%1 %2").arg(count).arg(eventKindName(kind, count));
        text += QLatin1Char('\n') +
                tr("%1 channel events found for note track %2 and channel %3")
                    .arg(n.total)
                    .arg(track + 1)
                    .arg(c + 1) +
                QLatin1Char('\n');
    }
    return text;
}
