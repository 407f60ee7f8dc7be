// The Options dialog, and what its tabs reach in the window.

#include "app/pianodocks.h"
#include "app/playdialog.h"
#include "app/synthcontrol.h"
#include "app/topwidget.h"
#include "core/messages.h"
#include "dialogs/optionsdb.h"
#include "engine/builtinsynth.h"
#include "engine/decksession.h"
#include "song/deckmodel.h"
#include "views/score.h"

#include <memory>

OptionsHooks TopWidget::optionsHooks()
{
    OptionsHooks h;
    h.mainWindow = this;
    h.songOpen = [this] { return deck_ != nullptr; };
    h.sessionActive = [this] { return deck_ && deck_->session().active(); };
    h.deckLock = [this]() -> std::mutex* { return deck_ ? &deck_->model().mutex : nullptr; };
    h.sendVolume = [this](const OutputDevice& out, int volume) {
        return deck_ && deck_->session().sendVolume(out, volume);
    };
    h.rebuildKeyboards = [this](bool, bool) { pianos_->rebuild(); };
    h.repaintViews = [this] {
        options_.copyKeyColours();
        pianos_->rebuild();
        if (deck_) deck_->score()->refreshRows();
    };
    h.relayoutViews = [this] {
        pianos_->rebuild();
        if (deck_) deck_->score()->placeSlider();
    };
    h.applyStyleSheet = [this] { applyStyleSheet(); };
    h.synth.describe = [this] { return synth_->describe(); };
    h.synth.apply = [this](const SynthOptions& before, const SynthOptions& after) {
        synth_->apply(before, after);
    };
    h.synth.testSound = [this] { synth_->synth().testChord(); };
    h.synth.useAsDefault = [this] { synth_->useAsDefault(); };
    return h;
}

void TopWidget::showOptions()
{
    auto busy = std::make_unique<BusyScope>(); // the tabs take a moment to build
    OptionsDB dialog(this, options_, devices_, optionsHooks(), &optionsTab_);
    busy.reset();
    if (auto* tab = dialog.findChild<SynthTab*>())
        connect(synth_, &SynthControl::stateChanged, tab, &SynthTab::showState);
    if (optionsDialogHook_)
        optionsDialogHook_(dialog);
    else
        dialog.exec();
    // Back to UTF-8, as the song opened: the lyrics may have been tried in another codec.
    if (dialog.result() == QDialog::Accepted && deck_) decodeLyrics("UTF-8");
    synth_->followDefaultOutput();
}
