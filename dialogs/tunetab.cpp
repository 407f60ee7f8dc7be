#include "core/devices.h"
#include "core/midi.h"
#include "dialogs/trackdb.h"
#include "engine/decksession.h"
#include "panes/cleanwidgets.h"
#include "song/deckmodel.h"
#include "song/songnames.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>
#include <bitset>
#include <iterator>
#include <mutex>

namespace
{
// General MIDI programs 0..127.
// clang-format off
const char* const kProgramNames[] = {
    "Acoustic_Grand_Piano", "Bright_Acoustic_Piano", "Electric_Grand_Piano", "Honky-tonk_Piano",
    "Rhodes_Piano", "Chorused_Piano", "Harpsichord", "Clavinet", "Celesta", "Glockenspiel",
    "Music_Box", "Vibraphone", "Marimba", "Xylophone", "Tubular_Bells", "Dulcimer",
    "Hammond_Organ", "Percussive_Organ", "Rock_Organ", "Church_Organ", "Reed_Organ", "Accordion",
    "Harmonica", "Tango_Accordian", "Acoustic_Guitar_(nylon)", "Acoustic_Guitar_(steel)",
    "Electric_Guitar_(jazz)", "Electric_Guitar_(clean)", "Electric_Guitar_(muted)",
    "Overdriven_Guitar", "Distortion_Guitar", "Guitar_Harmonics", "Acoustic_Bass",
    "Electric_Bass_(finger)", "Electric_Bass_(pick)", "Fretless_Bass", "Slap_Bass_1",
    "Slap_Bass_2", "Synth_Bass_1", "Synth_Bass_2", "Violin", "Viola", "Cello", "Contrabass",
    "Tremolo_Strings", "Pizzicato_Strings", "Orchestral_Harp", "Timpani", "String_Ensemble_1",
    "String_Ensemble_2", "SynthStrings_1", "SynthStrings_2", "Choir_Aahs", "Voice_Oohs",
    "Synth_Voice", "Orchestra_Hit", "Trumpet", "Trombone", "Tuba", "Muted_Trumpet", "French_Horn",
    "Brass_Section", "Synth_Brass_1", "Synth_Brass_2", "Soprano_Sax", "Alto_Sax", "Tenor_Sax",
    "Baritone_Sax", "Oboe", "English_Horn", "Bassoon", "Clarinet", "Piccolo", "Flute", "Recorder",
    "Pan_Flute", "Bottle_Blow", "Skakuhachi", "Whistle", "Ocarina", "Lead_1_(square)",
    "Lead_2_(sawtooth)", "Lead_3_(calliope_lead)", "Lead_4_(chiff_lead)", "Lead_5_(charang)",
    "Lead_6_(voice)", "Lead_7_(fifths)", "Lead_8_(bass_+ lead)", "Pad_1_(new_age)", "Pad_2_(warm)",
    "Pad_3_(polysynth)", "Pad_4_(choir)", "Pad_5_(bowed)", "Pad_6_(metallic)", "Pad_7_(halo)",
    "Pad_8_(sweep)", "FX_1_(rain)", "FX_2_(soundtrack)", "FX_3_(crystal)", "FX_4_(atmosphere)",
    "FX_5_(brightness)", "FX_6_(goblins)", "FX_7_(echoes)", "FX_8_(sci-fi)", "Sitar", "Banjo",
    "Shamisen", "Koto", "Kalimba", "Bagpipe", "Fiddle", "Shanai", "Tinkle_Bell", "Agogo",
    "Steel_Drums", "Woodblock", "Taiko_Drum", "Melodic_Tom", "Synth_Drum", "Reverse_Cymbal",
    "Guitar_Fret_Noise", "Breath_Noise", "Seashore", "Bird_Tweet", "Telephone_Ring", "Helicopter",
    "Applause", "Gunshot"};
// clang-format on
static_assert(std::size(kProgramNames) == 128);

CleanSpin* spin(int min, int max, const QString& objectName, const QString& tip)
{
    auto* s = new CleanSpin;
    s->setRange(min, max);
    s->setSingleStep(1);
    s->setObjectName(objectName);
    s->setToolTip(tip);
    return s;
}
} // namespace

QString TuneTab::patchRowText(int row)
{
    if (row <= 0) return QStringLiteral("%1 %2").arg(0, -4).arg(tr("default"));
    return QStringLiteral("%1%2").arg(row, -5).arg(QLatin1String(kProgramNames[(row - 1) & 127]));
}

TuneTab::TuneTab(OptioDB* dialog, DeckModel& deck, DeckSession& session, int displayIndex)
    : OptionsTab(dialog), deck_(deck), session_(session), d_(displayIndex)
{
    setObjectName(QStringLiteral("tunetab"));
    auto* row = new QHBoxLayout(this);
    auto* form = new QFormLayout;
    row->addLayout(form);
    channel_ = spin(0, 16, QStringLiteral("sb_channel"), tr("Modify MIDI output channel."));
    channel_->setSpecialValueText(QStringLiteral("*"));
    form->addRow(tr("Remap &Channels"), channel_);
    velocityShift_ =
        spin(-127, 127, QStringLiteral("sb_velocityshift"), tr("Snap track volume up or down"));
    form->addRow(tr("&Volume shift"), velocityShift_);
    transpose_ = spin(-127, 127, QStringLiteral("sb_transpose"),
                      tr("Transposition for track in +/- halftones"));
    form->addRow(tr("&Transpose"), transpose_);
    transposeAll_ = new QCheckBox(tr("Apply transpose to &all "));
    transposeAll_->setObjectName(QStringLiteral("cb_transposeall"));
    transposeAll_->setToolTip(tr("If checked, transpose changes are applied to all tracks in song "
                                 "(except drums on channel 10)."));
    form->addRow(transposeAll_);

    auto* patchColumn = new QVBoxLayout;
    row->addLayout(patchColumn, 1);
    patches_ = new NiceQListBox;
    patches_->setObjectName(QStringLiteral("lb_patch"));
    patches_->setToolTip(tr("Replacement patch for track"));
    // The numbers are padded to line the names up.
    patches_->setFont(TrackDB::fixedFont());
    for (int r = 0; r <= 128; ++r) patches_->addItem(patchRowText(r));
    // Wide enough from the start, so the dialog opens at its full width.
    patches_->setMinimumWidth(patches_->sizeHintForColumn(0) +
                              3 * patches_->verticalScrollBar()->sizeHint().width() +
                              2 * patches_->frameWidth());
    auto* patchLabel = new QLabel(tr("&Patch"));
    patchLabel->setBuddy(patches_);
    patchColumn->addWidget(patchLabel);
    patchColumn->addWidget(patches_);

    connect(channel_, QOverload<int>::of(&QSpinBox::valueChanged), this, &TuneTab::setChannelTo);
    connect(velocityShift_, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &TuneTab::setVolumeShiftTo);
    connect(transpose_, QOverload<int>::of(&QSpinBox::valueChanged), this,
            &TuneTab::setTransposeTo);
    connect(patches_, &QListWidget::currentRowChanged, this, &TuneTab::setPatchTo);
    // Values set by the program are blocked, so every change left is the user's;
    // a wheel turn previews as a key press does and must be undone as well.
    for (CleanSpin* s : {channel_, velocityShift_, transpose_}) {
        connect(s, &CleanSpin::touched, this, &OptionsTab::setDirty);
        connect(s, QOverload<int>::of(&QSpinBox::valueChanged), this, &OptionsTab::setDirty);
    }
    connect(transposeAll_, &QCheckBox::toggled, this, &OptionsTab::setDirty);
    connect(patches_, &QListWidget::currentRowChanged, this, &OptionsTab::setDirty);
}

void TuneTab::firstShow()
{
    keepCurrent();
}

void TuneTab::showEvent(QShowEvent* event)
{
    // Another tab may have given the track another output meanwhile.
    if (isInitialised() && !isDirty()) keepCurrent();
    OptionsTab::showEvent(event);
}

void TuneTab::keepCurrent()
{
    const TrackTables& t = deck_.tracks;
    const size_t d = size_t(d_);
    const uint16_t pattern = t.channelPattern[d];
    savedVelocityShift_ = t.velocityShift[d];
    savedTranspose_ = t.transpose[d];
    savedOutput_ = t.output[d];
    savedPatches_ = savedOutput_->patches;
    channels_ = int(std::bitset<16>(pattern).count());
    currentChannel_ = channels_ == 1 ? firstSetChannel(pattern) : 16;
    chosenChannel_ = currentChannel_;

    const QSignalBlocker quiet1(channel_), quiet2(velocityShift_), quiet3(transpose_),
        quiet4(patches_);
    channel_->setValue(currentChannel_ == 16 ? 0 : currentChannel_ + 1);
    velocityShift_->setValue(savedVelocityShift_);
    transpose_->setValue(savedTranspose_);
    const int patch = savedPatches_[size_t(firstSetChannel(pattern))];
    patches_->setCurrentRow(std::clamp(patch + 1, 0, 128));
}

void TuneTab::setChannelTo(int newChannel)
{
    chosenChannel_ = newChannel <= 0 ? 16 : newChannel - 1;
}

void TuneTab::setVolumeShiftTo(int newvolshift)
{
    std::lock_guard<std::mutex> lock(deck_.mutex);
    deck_.tracks.velocityShift[size_t(d_)] = newvolshift;
}

void TuneTab::setTransposeTo(int newtranspose)
{
    std::lock_guard<std::mutex> lock(deck_.mutex);
    deck_.tracks.transpose[size_t(d_)] = newtranspose;
}

void TuneTab::setPatchTo(int newRow)
{
    if (newRow < 0) return;
    std::array<int, 16> patches;
    patches.fill(std::min(newRow, 128) - 1);
    OutputDevice* out = deck_.tracks.output[size_t(d_)];
    if (out) session_.setPatches(*out, deck_.tracks.channelPattern[size_t(d_)], patches);
}

void TuneTab::setOptions()
{
    TrackTables& t = deck_.tracks;
    const size_t d = size_t(d_);
    if (transposeAll_->isChecked()) {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        for (size_t k = 0; k < t.transpose.size(); ++k)
            if (!(t.channelPattern[k] & channelBit(kDrumChannel))) t.transpose[k] = t.transpose[d];
    }
    const uint16_t before = t.channelPattern[d];
    const bool remap = chosenChannel_ != 16 && chosenChannel_ != currentChannel_;
    if (remap) session_.remapTrackChannel(d_, chosenChannel_);
    if (OutputDevice* out = t.output[d]) {
        const uint16_t after = t.channelPattern[d];
        std::array<int, 16> patches = out->patches;
        if (remap) {
            // The patch goes with the track; the channels it left get theirs back.
            session_.setPatches(*out, before & ~after, savedPatches_);
            patches.fill(patches_->currentRow() - 1);
        }
        session_.setPatches(*out, after, patches, true);
    }
    keepCurrent();
    OptionsTab::setOptions();
}

void TuneTab::unsetOptions()
{
    {
        std::lock_guard<std::mutex> lock(deck_.mutex);
        deck_.tracks.velocityShift[size_t(d_)] = savedVelocityShift_;
        deck_.tracks.transpose[size_t(d_)] = savedTranspose_;
    }
    if (savedOutput_) session_.setPatches(*savedOutput_, 0xFFFF, savedPatches_);
    keepCurrent();
    OptionsTab::unsetOptions();
}
