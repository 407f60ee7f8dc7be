#include "dialogs/synthtab.h"

#include "engine/builtinsynth.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <algorithm>
#include <cmath>

namespace
{
constexpr int kPeriodSizes[] = {64, 128, 256, 512, 1024};

template <typename W> W* named(W* widget, const char* name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}
} // namespace

SynthTab::SynthTab(OptioDB* dialog, SynthHooks hooks)
    : OptionsTab(dialog), hooks_(std::move(hooks)), stored_(SynthOptions::load())
{
    setObjectName(QStringLiteral("synthtab"));
    auto* form = new QFormLayout(this);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);

    enabled_ = named(new QCheckBox(tr("&Start the built-in synthesizer when it is the default "
                                      "output")),
                     "synth_enabled");
    enabled_->setChecked(stored_.enabled);
    form->addRow(enabled_);

    font_ = named(new QLineEdit(stored_.soundFont), "synth_font");
    const QString found = BuiltinSynth::findSoundFont();
    font_->setPlaceholderText(found.isEmpty() ? tr("none installed: install fluid-soundfont-gm")
                                              : tr("automatic: %1").arg(found));
    auto* browse = named(new QPushButton(tr("&Browse…")), "synth_browse");
    auto* fontRow = new QHBoxLayout;
    fontRow->addWidget(font_);
    fontRow->addWidget(browse);
    // A row of several widgets gets no buddy of its own: the label's key needs one.
    const auto label = [](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text);
        l->setBuddy(buddy);
        return l;
    };
    form->addRow(label(tr("Sound &font:"), font_), fontRow);

    gain_ = named(new QDoubleSpinBox, "synth_gain");
    gain_->setRange(Keys::Synth::gain.min / 100.0, Keys::Synth::gain.max / 100.0);
    gain_->setSingleStep(0.05);
    gain_->setValue(stored_.gain / 100.0);
    gain_->setToolTip(tr("Loudness of the synthesizer; above 1 loud songs may distort"));
    form->addRow(tr("&Gain:"), gain_);

    reverb_ = named(new QCheckBox(tr("&Reverb")), "synth_reverb");
    reverb_->setChecked(stored_.reverb);
    chorus_ = named(new QCheckBox(tr("C&horus")), "synth_chorus");
    chorus_->setChecked(stored_.chorus);
    auto* effects = new QHBoxLayout;
    effects->addWidget(reverb_);
    effects->addWidget(chorus_);
    effects->addStretch();
    form->addRow(tr("Effects:"), effects);

    driver_ = named(new QComboBox, "synth_driver");
    driver_->addItem(tr("Automatic (the sound server, else ALSA)"), QString());
    driver_->addItem(tr("PulseAudio or PipeWire"), QStringLiteral("pulseaudio"));
    driver_->addItem(tr("ALSA"), QStringLiteral("alsa"));
    driver_->addItem(tr("JACK"), QStringLiteral("jack"));
    driver_->setCurrentIndex(std::max(0, driver_->findData(stored_.driver)));
    form->addRow(tr("&Audio driver:"), driver_);

    device_ = named(new QLineEdit(stored_.device), "synth_device");
    device_->setPlaceholderText(tr("default"));
    device_->setToolTip(tr("An ALSA device such as hw:1,0 or plughw:USB; empty for the "
                           "default, which ~/.asoundrc may choose"));
    form->addRow(tr("Audio &device:"), device_);

    period_ = named(new QComboBox, "synth_period");
    for (int frames : kPeriodSizes) period_->addItem(QString::number(frames), frames);
    period_->setCurrentIndex(std::max(0, period_->findData(stored_.period)));
    periods_ = named(new QSpinBox, "synth_periods");
    periods_->setRange(Keys::Synth::periods.min, Keys::Synth::periods.max);
    periods_->setValue(stored_.periods);
    auto* sizes = new QHBoxLayout;
    sizes->addWidget(period_);
    sizes->addWidget(new QLabel(tr("frames, periods:")));
    sizes->addWidget(periods_);
    sizes->addStretch();
    form->addRow(label(tr("&Period:"), period_), sizes);
    period_->setToolTip(tr("Smaller periods answer the keys sooner; raise them if the sound "
                           "crackles"));

    state_ = named(new QLabel, "synth_state");
    state_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(tr("In use:"), state_);
    auto* test = named(new QPushButton(tr("&Test sound")), "synth_test");
    auto* useIt = named(new QPushButton(tr("&Use as default output")), "synth_default");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(test);
    buttons->addWidget(useIt);
    buttons->addStretch();
    form->addRow(buttons);
    showState();

    connect(browse, &QPushButton::clicked, this, &SynthTab::browse);
    connect(test, &QPushButton::clicked, this, [this] {
        if (hooks_.testSound) hooks_.testSound();
    });
    connect(useIt, &QPushButton::clicked, this, [this] {
        if (hooks_.useAsDefault) hooks_.useAsDefault();
        showState();
    });
    for (QCheckBox* box : {enabled_, reverb_, chorus_})
        connect(box, &QCheckBox::toggled, this, &OptionsTab::setDirty);
    for (QLineEdit* line : {font_, device_})
        connect(line, &QLineEdit::textEdited, this, &OptionsTab::setDirty);
    for (QComboBox* combo : {driver_, period_})
        connect(combo, QOverload<int>::of(&QComboBox::activated), this, &OptionsTab::setDirty);
    connect(gain_, QOverload<double>::of(&QDoubleSpinBox::valueChanged), this,
            &OptionsTab::setDirty);
    connect(periods_, QOverload<int>::of(&QSpinBox::valueChanged), this, &OptionsTab::setDirty);
}

SynthOptions SynthTab::edited() const
{
    SynthOptions o = stored_;
    o.enabled = enabled_->isChecked();
    o.soundFont = font_->text().trimmed();
    o.gain = int(std::lround(gain_->value() * 100));
    o.reverb = reverb_->isChecked();
    o.chorus = chorus_->isChecked();
    o.driver = driver_->currentData().toString();
    o.device = device_->text().trimmed();
    o.period = period_->currentData().toInt();
    o.periods = periods_->value();
    return o;
}

void SynthTab::setOptions()
{
    const SynthOptions after = edited();
    if (hooks_.apply)
        hooks_.apply(stored_, after);
    else
        after.save();
    stored_ = after;
    showState();
    OptionsTab::setOptions();
}

void SynthTab::showState()
{
    state_->setText(hooks_.describe ? hooks_.describe() : tr("Not running"));
}

void SynthTab::browse()
{
    const QString start =
        font_->text().isEmpty() ? BuiltinSynth::soundFontFolders().front() : font_->text();
    const QString file = QFileDialog::getOpenFileName(this, tr("Sound font"), start,
                                                      tr("Sound fonts (*.sf2 *.sf3)"));
    if (file.isEmpty()) return;
    font_->setText(file);
    setDirty();
}
