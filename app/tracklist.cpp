#include "app/tracklist.h"

#include "core/devices.h"
#include "song/deckmodel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QMutexLocker>

TrackList::TrackList(DeckModel& deck, DeviceSet& devices, QWidget* parent)
    : QWidget(parent), deck_(deck)
{
    setObjectName(QStringLiteral("tracklist"));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(tr("<b>Track</b>")), 0, 0);
    grid->addWidget(new QLabel(tr("<b>Notes</b>")), 0, 1);
    grid->addWidget(new QLabel(tr("<b>Played by</b>")), 0, 2, 1, 2);
    grid->addWidget(new QLabel(tr("<b>Heard</b>")), 0, 4);

    std::vector<InputDevice*> inputs{&devices.pcKeyboard};
    for (InputDevice* d : devices.usableInputs()) inputs.push_back(d);
    const TrackTables& t = deck.tracks;
    for (int d = 0; d < t.boundTracks; ++d) {
        const size_t i = size_t(d);
        const int track = t.storeTrackOf(d);
        const auto& names = deck.song.facts.trackNames;
        const QString name = track >= 0 && size_t(track) < names.size()
                                 ? QString::fromLocal8Bit(names[size_t(track)])
                                 : QString();
        grid->addWidget(new QLabel(QStringLiteral("#%1 %2").arg(d + 1).arg(name.toHtmlEscaped())),
                        d + 1, 0);
        grid->addWidget(new QLabel(QString::number(t.noteOnCount[i])), d + 1, 1);

        auto* play = new QCheckBox(tr("I play it"));
        play->setObjectName(QStringLiteral("play%1").arg(d + 1));
        play->setChecked(t.keyboard[i]);
        auto* from = new QComboBox;
        from->setObjectName(QStringLiteral("input%1").arg(d + 1));
        for (InputDevice* in : inputs)
            from->addItem(
                in->isPcKeyboard()
                    ? tr("PC keyboard")
                    : QStringLiteral("%1:%2 %3").arg(in->client).arg(in->port).arg(in->portName));
        int current = 0;
        for (size_t k = 0; k < inputs.size(); ++k)
            if (t.input[i] && inputs[k]->sameAddress(t.input[i]->client, t.input[i]->port))
                current = int(k);
        from->setCurrentIndex(current);
        auto* heard = new QCheckBox;
        heard->setObjectName(QStringLiteral("heard%1").arg(d + 1));
        heard->setChecked(!t.mute[i]);

        const auto apply = [this, d, play, from, heard, inputs] {
            QMutexLocker lock(&deck_.mutex);
            TrackTables& tables = deck_.tracks;
            tables.keyboard[size_t(d)] = play->isChecked();
            tables.input[size_t(d)] = inputs[size_t(from->currentIndex())];
            tables.mute[size_t(d)] = !heard->isChecked();
            lock.unlock();
            emit changed();
        };
        connect(play, &QCheckBox::toggled, this, apply);
        connect(from, QOverload<int>::of(&QComboBox::currentIndexChanged), this, apply);
        connect(heard, &QCheckBox::toggled, this, apply);
        grid->addWidget(play, d + 1, 2);
        grid->addWidget(from, d + 1, 3);
        grid->addWidget(heard, d + 1, 4);
    }
    grid->setRowStretch(t.boundTracks + 1, 1);
    grid->setColumnStretch(5, 1);
}
