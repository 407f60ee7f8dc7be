// The track dialog on a deck at rest: its titles and tabs, previews that
// Cancel, Escape and the close button undo, Apply that sticks, channel remap,
// "Apply transpose to all", patches and the information text.

#include "core/settings.h"
#include "deckfixture.h"
#include "dialogs/trackdb.h"
#include "engine/decksession.h"
#include "song/songnames.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>

namespace
{

struct Dialogs : DeckFixture {
    // Bound tracks: 0 "Melody" on channel 1 with a patch and a controller, 1
    // drums on channel 10, 2 on channels 2 and 3; free tracks 3 and 4 on channels
    // 4 and 5. The second keyboard is split.
    void SetUp() override
    {
        addDevices(2);
        devices.inputs[1]->kbenablesplit = true;
        std::vector<TrackBuilder> tracks(4);
        tracks[0].tempo(0, 500000).end();
        tracks[1].text(0, 3, "Melody").channel(0, 0xC0, {5}).channel(0, 0xB0, {7, 100});
        tracks[1].on(0, 0, 60, 100).off(96, 0, 60).on(0, 0, 62, 90).off(96, 0, 62).end();
        tracks[2].on(0, 9, 36, 100).off(48, 9, 36).end();
        tracks[3].on(0, 1, 50, 80).off(96, 1, 50).on(0, 2, 55, 80).off(96, 2, 55).end();
        ASSERT_TRUE(loadAndPrepare(smfFile(1, 96, tracks)));
        ASSERT_EQ(deck.tracks.displayCount(), 5);
    }
    TrackDB& open(int d, int tab = 0)
    {
        db = std::make_unique<TrackDB>(nullptr, deck, session, d);
        db->show();
        db->tabs()->setCurrentIndex(tab);
        return *db;
    }
    template <typename T> T* find(const char* name) { return db->findChild<T*>(name); }
    QSpinBox* spin(const char* name) { return find<QSpinBox>(name); }
    bool onlyClose() const
    {
        return db->okButton()->isHidden() && db->applyButton()->isHidden() &&
               db->cancelButton()->text() == QLatin1String("Close");
    }
    // Previews on the Adjust tab of track 0: velocity shift, transposition,
    // program 40 and channel 3.
    void preview()
    {
        QTest::keyClick(spin("sb_velocityshift"), Qt::Key_Up);
        spin("sb_transpose")->setValue(5);
        find<QListWidget>("lb_patch")->setCurrentRow(41);
        spin("sb_channel")->setValue(3);
        EXPECT_EQ(deck.tracks.velocityShift[0], 1);
        EXPECT_EQ(deck.tracks.transpose[0], 5);
        EXPECT_EQ(devices.defaultOutput.patches[0], 40);
        EXPECT_EQ(deck.tracks.channelPattern[0], channelBit(0)) << "a remap waits for Apply";
        EXPECT_FALSE(db->okButton()->isHidden());
    }
    std::array<int, 16> defaults() const
    {
        std::array<int, 16> a;
        a.fill(-1);
        return a;
    }

    LiveOptions options;
    DeckSession session{deck, options, nullptr};
    std::unique_ptr<TrackDB> db;
};

TEST_F(Dialogs, TitlesTabsAndTheButtonRow)
{
    const std::vector<std::pair<int, const char*>> titles{{0, "Clavion - Configure bound track 1"},
                                                          {1, "Clavion - Configure drum track 2"},
                                                          {3, "Clavion - Configure free track 1"}};
    for (const auto& [d, title] : titles) {
        open(d);
        EXPECT_EQ(db->windowTitle(), QLatin1String(title));
        QStringList tabs;
        for (int i = 0; i < db->tabs()->count(); ++i)
            tabs << db->tabs()->tabText(i) + ":" + db->tabs()->widget(i)->objectName();
        EXPECT_EQ(tabs.join(' '), "Input/output:trackmiditab Adjust:tunetab Info:infotab");
        EXPECT_EQ(find<QGroupBox>("gb_zone")->isHidden(), d == 3) << "no zone for a free track";
        EXPECT_TRUE(onlyClose());
    }
    // Ctrl+Page Up from the first tab shows the last; an edit left in Adjust
    // leaves the Info tab with Close alone.
    open(0);
    QTest::keyClick(db.get(), Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(db->tabs()->currentIndex(), 2);
    QTest::keyClick(db.get(), Qt::Key_PageDown, Qt::ControlModifier);
    QTest::keyClick(db.get(), Qt::Key_PageDown, Qt::ControlModifier);
    QTest::keyClick(spin("sb_transpose"), Qt::Key_Up);
    EXPECT_FALSE(onlyClose());
    db->tabs()->setCurrentIndex(2);
    EXPECT_TRUE(onlyClose());
    // Return in a spin box applies the tab shown and closes.
    db->tabs()->setCurrentIndex(1);
    QTest::keyClick(spin("sb_transpose"), Qt::Key_Return);
    EXPECT_FALSE(db->isVisible());
    EXPECT_EQ(deck.tracks.transpose[0], 1);

    // Without an output the track has its information alone.
    deck.tracks.output[2] = nullptr;
    open(2);
    EXPECT_EQ(db->tabs()->count(), 1);
}

TEST_F(Dialogs, CancelEscapeAndCloseUndoThePreview)
{
    const std::vector<std::pair<const char*, std::function<void(TrackDB&)>>> ways{
        {"Cancel", [](TrackDB& d) { d.cancelButton()->click(); }},
        {"Escape", [](TrackDB& d) { QTest::keyClick(&d, Qt::Key_Escape); }},
        {"close button", [](TrackDB& d) { d.close(); }}};
    deck.tracks.velocityShift[0] = 0;
    devices.defaultOutput.patches[3] = 7; // another track's channel, untouched
    for (const auto& [way, close] : ways) {
        SCOPED_TRACE(way);
        open(0, 1);
        preview();
        close(*db);
        EXPECT_FALSE(db->isVisible());
        EXPECT_EQ(deck.tracks.velocityShift[0], 0);
        EXPECT_EQ(deck.tracks.transpose[0], 0);
        std::array<int, 16> want = defaults();
        want[3] = 7;
        EXPECT_EQ(devices.defaultOutput.patches, want);
        EXPECT_EQ(spin("sb_channel")->value(), 1);
        EXPECT_EQ(deck.tracks.channelPattern[0], channelBit(0));
    }
}

TEST_F(Dialogs, ApplyRemapsSpreadsTheTranspositionAndStaysAfterCancel)
{
    open(0, 1);
    preview();
    find<QCheckBox>("cb_transposeall")->setChecked(true);
    db->applyButton()->click();
    EXPECT_TRUE(onlyClose());
    db->cancelButton()->click();
    const TrackTables& t = deck.tracks;
    EXPECT_EQ(t.velocityShift[0], 1);
    EXPECT_EQ(t.transpose, std::vector<int>({5, 0, 5, 5, 5})) << "all but the drums";
    EXPECT_EQ(devices.defaultOutput.patches[2], 40) << "the patch went with the channel";
    EXPECT_EQ(devices.defaultOutput.patches[0], -1);
    // Channel 1 to 3: every channel event moves, the name stays as it was.
    EXPECT_EQ(t.channelPattern[0], channelBit(2));
    EXPECT_EQ(t.fileChannelPattern[1], channelBit(2));
    std::string channels;
    for (const EventNode* n : eventsOf(1))
        channels += isChannelEvent(n->type()) ? std::to_string(n->channel()) : "name";
    EXPECT_EQ(channels, "name222222");
    EXPECT_EQ(song.facts.trackNames[1], QByteArray("Melody"));
    EXPECT_TRUE(deck.modified());
    open(0, 2);
    EXPECT_TRUE(find<QPlainTextEdit>("te_info")->toPlainText().contains("--I-------------\n"));

    // A track on two channels goes to one; row 0 sets its channels back to default.
    open(2, 1);
    find<QListWidget>("lb_patch")->setCurrentRow(3);
    EXPECT_EQ(devices.defaultOutput.patches[1], 2);
    find<QListWidget>("lb_patch")->setCurrentRow(0);
    spin("sb_channel")->setValue(4);
    db->okButton()->click();
    EXPECT_EQ(devices.defaultOutput.patches[1], -1);
    EXPECT_EQ(devices.defaultOutput.patches[2], 40) << "track 0's channel";
    EXPECT_EQ(t.channelPattern[2], channelBit(3));
    ASSERT_EQ(eventsOf(3).size(), 4u);
    for (const EventNode* n : eventsOf(3)) EXPECT_EQ(n->channel(), 3);
    EXPECT_EQ(TuneTab::patchRowText(0), "0    default");
    EXPECT_EQ(TuneTab::patchRowText(88), "88   Lead_8_(bass_+ lead)");
}

TEST_F(Dialogs, InputOutputAndZone)
{
    open(0);
    auto* input = find<QComboBox>("cb_input");
    QStringList items;
    for (int i = 0; i < input->count(); ++i) items << input->itemText(i);
    EXPECT_EQ(items.join('|'), "0:0 |255:255 PC keyboard|20:0 |21:0 ") << "the current one first";
    const std::vector<std::tuple<int, const char*, bool>> zones{
        {1, "&Number keys", true}, {2, "Low end", false}, {3, "Low end", true}};
    for (const auto& [row, label, enabled] : zones) {
        input->setCurrentIndex(row);
        EXPECT_EQ(find<QRadioButton>("rb_zone1")->text(), label);
        EXPECT_EQ(find<QGroupBox>("gb_zone")->isEnabled(), enabled);
    }
    find<QRadioButton>("rb_zone3")->setChecked(true);
    db->okButton()->click();
    EXPECT_EQ(deck.tracks.input[0], devices.inputs[1].get());
    EXPECT_EQ(deck.tracks.zone[0], Zone::High);
}

TEST_F(Dialogs, InformationText)
{
    open(0, 2);
    EXPECT_EQ(find<QPlainTextEdit>("te_info")->toPlainText(),
              "Bound track #1 Melody\n"
              "Channel pattern for bound track #1: \n"
              "I---------------\n\n"
              "\tOn channel 1 :\n"
              "0 Integrated note event\n2 Note on events\n2 Note off events\n"
              "1 Program change event (patch number)\n1 Controller event\n"
              "0 Pitch bend event (vibrato)\n0 After touch event (individual key pressure)\n"
              "0 Channel pressure event (overall pressure for channel)\n"
              "6 channel events found for note track 2 and channel 1\n");
    EXPECT_EQ(InfoTab::infoText(deck, 4).section('\n', 0, 2),
              "Free track #2\nChannel pattern for free track #2: \n----I-----------");
}

} // namespace
