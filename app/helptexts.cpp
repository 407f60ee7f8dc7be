// The two documents of the Help menu. Names of menus, commands and options
// are inserted translated, as the rest of the window shows them.

#include "app/appglobals.h"
#include "app/democatalogue.h"
#include "app/helpwindows.h"

#include <QCoreApplication>

namespace
{
struct Texts {
    Q_DECLARE_TR_FUNCTIONS(TopWidget)
};

// A menu or option label as shown elsewhere, without its mnemonic or dots.
QString ui(QString t)
{
    t.remove(QLatin1Char('&'));
    if (t.endsWith(QChar(0x2026))) t.chop(1);
    return QStringLiteral("<b>%1</b>").arg(t.toHtmlEscaped());
}

// A column of the track strip, named as the strip shows it.
QString stripColumn(const char* name)
{
    return ui(QCoreApplication::translate("Score", name));
}

QString program()
{
    return QLatin1String(App::kProgramName);
}

QString step(const QString& text)
{
    return QStringLiteral("<p><b><i>%1</i></b></p>\n").arg(text);
}

QString list(const QStringList& items)
{
    QString html = QStringLiteral("<ul>\n");
    for (const QString& item : items) html += QStringLiteral("<li>%1</li>\n").arg(item);
    return html + QStringLiteral("</ul>\n");
}

// What to type, and what other programs print.
QString command(const char* text)
{
    return QStringLiteral("<blockquote><font color=blue><tt>%1</tt></font></blockquote>")
        .arg(QString::fromUtf8(text).toHtmlEscaped());
}
QString quoted(const char* text)
{
    return QStringLiteral("<blockquote><font color=red><tt>%1</tt></font></blockquote>")
        .arg(QString::fromUtf8(text).toHtmlEscaped());
}

// A demo as the Demo menu shows it; empty when the catalogue no longer has it.
QString demo(const char* file, const char* remark = "")
{
    for (const DemoSong& song : demoCatalogue()) {
        if (qstrcmp(song.file, file) != 0) continue;
        const char* const groups[] = {
            QT_TRANSLATE_NOOP("TopWidget", "&Children"), QT_TRANSLATE_NOOP("TopWidget", "&Easy"),
            QT_TRANSLATE_NOOP("TopWidget", "&Medium"), QT_TRANSLATE_NOOP("TopWidget", "&Hard")};
        const QString count =
            song.tracks == 1 ? Texts::tr("(1 track)") : Texts::tr("(%1 tracks)").arg(song.tracks);
        return Texts::tr("Menu %1 > %2 > %3 %4%5")
            .arg(ui(Texts::tr("&Demo")), ui(Texts::tr(groups[song.group])),
                 Texts::tr(song.title).toHtmlEscaped(), count, Texts::tr(remark));
    }
    return QString();
}

QString demos(std::initializer_list<QString> lines)
{
    QStringList items;
    for (const QString& line : lines)
        if (!line.isEmpty()) items << line;
    return list(items);
}
} // namespace

Help::Document Help::troubleshooting()
{
    const QString p = program();
    QString h = QStringLiteral("<h2>%1</h2>\n").arg(Texts::tr("Quick troubleshooting"));

    h += step(Texts::tr("I installed %1 but hear no sound.").arg(p));
    h += list(
        {Texts::tr("%1 plays through its built-in synthesizer when no other is chosen. It "
                   "needs a General MIDI sound font; the status bar says when there is none:")
                 .arg(p) +
             command("sudo apt-get install fluid-soundfont-gm"),
         Texts::tr("In %1, tab %2, check that it runs and press %3; choose another audio "
                   "driver or device there if the chord is not heard.")
             .arg(ui(Texts::tr("O&ptions…")), ui(Texts::tr("Synthesizer")),
                  ui(Texts::tr("&Test sound"))),
         Texts::tr("With a MIDI expander or another synthesizer, choose its port as the output "
                   "in %1, tab %2: it is listed there as soon as it is plugged in or started.")
             .arg(ui(Texts::tr("O&ptions…")), ui(Texts::tr("Default I/O"))),
         Texts::tr("Check that the sound card is not muted (see the volume question below).")});

    h += step(Texts::tr("How do I get the best performance on a desktop computer?"));
    h +=
        list({Texts::tr("Close programs that load the processor, and let the synthesizer run with "
                        "a short audio buffer; with JACK, a period of 128 or 256 frames is usual."),
              Texts::tr("A hardware expander or a keyboard's own sounds have no audio latency at "
                        "all: connect it and choose it as the output.")});

    h += step(Texts::tr("After changing the tempo boost or the zoom, my keys do nothing."));
    h += list({Texts::tr("The spin box you used keeps the keyboard focus and takes the keys. Click "
                         "on the piano roll to give the keys back to the song."),
               Texts::tr("The mouse wheel over a spin box changes it without taking the focus.")});

    h += step(Texts::tr("Notes keep sounding after a stop."));
    h += list({Texts::tr("Use %1 (Ctrl+E): every output gets an all-notes-off.")
                   .arg(ui(Texts::tr("A&ll notes off"))),
               Texts::tr("Some synthesizers ignore that message; restarting them silences them.")});

    h += step(Texts::tr("The tempo does not follow my playing on the PC keyboard."));
    h += list({Texts::tr("Tick %1 in the quick settings, or check %2 in tab %3.")
                   .arg(ui(Texts::tr("Ske&ws")),
                        ui(Texts::tr("Follow &tempo skews from user (experimental)")),
                        ui(Texts::tr("Parameters"))),
               Texts::tr("The tempo changes only after the number of clusters set in tab %1 "
                         "has been played (ten by default), so that one late key does not throw "
                         "the accompaniment off; fewer follow you sooner.")
                   .arg(ui(Texts::tr("Parameters")))});

    h += step(Texts::tr("A song shows one track only, though several instruments play."));
    h += list(
        {Texts::tr("It is a format 0 file, with every channel in one track. Check %1 in tab %2 "
                   "and reload the song (Ctrl+F5): each channel becomes a track of its own.")
             .arg(ui(Texts::tr("&Split tracks on format 0 MIDI files")),
                  ui(Texts::tr("Parameters")))});

    h += step(Texts::tr("How do I show or hear only some tracks?"));
    h += list({Texts::tr("Tick %1 for the tracks you do not want to hear.").arg(stripColumn("&Mt")),
               Texts::tr("To keep only some tracks in the file, select the others, use %1 in menu "
                         "%2 and save the song under a new name.")
                   .arg(ui(Texts::tr("&Delete bound…")), ui(Texts::tr("&Tracks")))});

    h += step(Texts::tr("STOP takes a while when a sound server plays the synthesizer."));
    h +=
        list({Texts::tr("The notes already scheduled are still in the sound server's buffer. Start "
                        "the synthesizer on ALSA or JACK directly, or give the server a shorter "
                        "latency:") +
              command("PULSE_LATENCY_MSEC=30 fluidsynth -a pulseaudio -m alsa_seq "
                      "/usr/share/sounds/sf2/FluidR3_GM.sf2")});

    h += step(Texts::tr("The lyrics pane stays empty."));
    h += list(
        {Texts::tr("The song has no lyrics, or the pane is switched off in tab %1.")
             .arg(ui(Texts::tr("Interface"))),
         Texts::tr("With %1 checked in tab %2, only true lyrics events are shown; uncheck it for "
                   "files that put their words in text events.")
             .arg(ui(Texts::tr("Use only true &lyrics events (karaoke sync) in lyrics pane")),
                  ui(Texts::tr("Parameters")))});

    h += step(Texts::tr("The words of the lyrics show strange characters."));
    h += list(
        {Texts::tr("Use %1 (Ctrl+X) until they read right: each use tries the next character set.")
             .arg(ui(Texts::tr("Fix l&yrics characters…")))});

    h += step(Texts::tr("The window is empty when %1 starts.").arg(p));
    h += list(
        {Texts::tr("That is how it starts: open a song with %1 (Ctrl+O) or pick one in menu %2.")
             .arg(ui(Texts::tr("&Open…")), ui(Texts::tr("&Demo"))),
         Texts::tr("When the keyboard and output lists are empty too, the ALSA sequencer is not "
                   "there: load its module, then start %1 again.")
                 .arg(p) +
             command("sudo modprobe snd-seq")});

    h += step(Texts::tr("The PC keys no longer repeat in other programs."));
    h += list({Texts::tr("%1 leaves the key repeat alone: it skips the repeats of a held key "
                         "itself. When another program switched the repeat off, switch it on "
                         "again:")
                   .arg(p) +
               command("xset r on")});

    h += step(Texts::tr("I cannot stop the song or leave %1.").arg(p));
    h += list(
        {Texts::tr("Use %1 (Ctrl+Q); from a terminal, this also ends it cleanly, with all notes "
                   "off:")
                 .arg(ui(Texts::tr("&Quit"))) +
             command("pkill -TERM -x clavion"),
         Texts::tr("A modified song is then kept in <tt>~/.config/clavion/recovery/</tt>.")});

    h += step(Texts::tr("The free tracks are greyed, or %1 is disabled.")
                  .arg(ui(Texts::tr("&Bind free…"))));
    h +=
        list({Texts::tr("Select the free tracks first; while a song plays, the track commands wait "
                        "for the end."),
              Texts::tr("An input checked as ignored in tab %1 gets no free track; uncheck it and "
                        "reload the song.")
                  .arg(ui(Texts::tr("Devices setup")))});

    h += step(Texts::tr("An option I changed has no effect."));
    h += list(
        {Texts::tr("OK and Apply keep only the tab that is shown. Options about the song's "
                   "tracks and devices take effect when the song is opened again (Ctrl+F5)."),
         Texts::tr("A settings file from an older version may hold odd values; to start afresh "
                   "remove it:") +
             command("rm ~/.config/clavion/clavion-en.conf")});

    h += step(Texts::tr("The piano roll scrolls shakily."));
    h += list(
        {Texts::tr("Lower the %1 in the quick settings, and hide the keyboards you do not need.")
             .arg(ui(Texts::tr("&Zoom"))),
         Texts::tr("A desktop with effects (compositing) costs frames; a lighter one helps.")});

    h += step(Texts::tr("A software synthesizer does not start from %1.")
                  .arg(ui(Texts::tr("Launch tools and soft&ware synths…"))));
    h +=
        list({Texts::tr("Its messages tell why; a common one is an audio device already taken:") +
                  quoted("fluidsynth: error: Failed to open the \"default\" audio device"),
              Texts::tr("Let it play through the sound server instead (<tt>-a pulseaudio</tt>), or "
                        "stop the program that holds the card.")});

    h += step(Texts::tr("What I play on a free track is not kept."));
    h += list(
        {Texts::tr("Free tracks keep notes only while recording: use %1, then answer Yes when "
                   "asked to keep the take.")
             .arg(ui(Texts::tr("Record"))),
         Texts::tr("Keys that belong to a zone of a track you play never reach the free track."),
         Texts::tr("Use %1 to make the recorded free tracks part of the song before saving.")
             .arg(ui(Texts::tr("&Bind free…")))});

    h += step(Texts::tr("The launched synthesizer runs but I hear nothing."));
    h += list(
        {Texts::tr("It must be the output of the tracks: choose its port in tab %1, or for one "
                   "track in the track dialog. It is listed there as soon as it has started.")
             .arg(ui(Texts::tr("Default I/O"))),
         Texts::tr("Its port must be listed by:") + command("aconnect -o")});

    h += step(Texts::tr("The terminal shows an error about poll."));
    h += list({Texts::tr("A line such as this one means the sequencer stopped answering:") +
                   quoted("Error -4 in poll (Interrupted system call)."),
               Texts::tr("Stop and start the song again; when it repeats, reload the sequencer "
                         "modules or restart the computer.")});

    h += step(Texts::tr("How do I set the volume of the sound card?"));
    h += list({Texts::tr("With the desktop's mixer, or in a terminal:") +
               command("amixer sset Master 80% unmute") + Texts::tr("or interactively:") +
               command("alsamixer")});

    h += step(Texts::tr("My MIDI keyboard is not in the list of keyboards."));
    h += list({Texts::tr("Plug it in or switch it on: it appears by itself, also while a song is "
                         "open. Switched off and on during a song, it carries on with its "
                         "settings, zones and tracks, found again by its client and port name. It "
                         "must be listed by:") +
               command("aconnect -i")});

    h += step(Texts::tr("Every note I play sounds twice, or notes appear that nobody played."));
    h += list(
        {Texts::tr("The input is connected to an output that sends back what it gets (such as "
                   "Midi Through). Check %1 for it in tab %2.")
             .arg(ui(Texts::tr("I&gnore any backend or firmware consideration of this device as a "
                               "MIDI input")),
                  ui(Texts::tr("Devices setup")))});

    h += step(Texts::tr("Two players on one keyboard: each key rings the wrong track."));
    h += list(
        {Texts::tr("Check %1 for that keyboard in tab %2.")
             .arg(ui(Texts::tr("&Split KB for this instrument")), ui(Texts::tr("Devices setup"))),
         Texts::tr("Right-click the input keyboard on the key where a zone should begin and "
                   "choose it as first key of the central or high zone."),
         Texts::tr("Give each track its zone in the track dialog, tab %1.")
             .arg(ui(Texts::tr("Input/output")))});

    h += step(Texts::tr("I kept a take that I do not want."));
    h += list({Texts::tr("Until you save, close the song with %1 (Ctrl+F4), answer No when asked "
                         "to save it, and open it again: it comes back as the file holds it.")
                   .arg(ui(Texts::tr("&Close")))});

    h += step(Texts::tr("Saving a demo asks for a file name."));
    h += list({Texts::tr("Demos are copies in the temporary folder; %1 asks where to keep yours.")
                   .arg(ui(Texts::tr("Save &As…")))});

    h += step(Texts::tr("The drums are silent or play as piano."));
    h += list({Texts::tr("Drums are on MIDI channel 10 and need a General MIDI sound font or "
                         "expander; the fluid-soundfont-gm package has one.")});

    h += step(Texts::tr("%1 does not open.").arg(ui(Texts::tr("Handb&ook…"))));
    h += list(
        {Texts::tr("Set %1 and %2 in tab %3; with no browser set, the desktop's own browser "
                   "is used.")
             .arg(ui(Texts::tr("Path of help &index:")), ui(Texts::tr("Path of help &browser:")),
                  ui(Texts::tr("Interface"))),
         Texts::tr("The handbook is installed with %1 under <tt>share/doc/clavion</tt>.").arg(p)});

    return {Texts::tr("Quick troubleshooting"), h};
}

Help::Document Help::training()
{
    QString h = QStringLiteral("<h2>%1</h2>\n").arg(Texts::tr("Training hints"));

    h += step(Texts::tr("Play an easy file with one track: tick %1, then %2 and play the next key "
                        "each time.")
                  .arg(stripColumn("&Kb"), ui(Texts::tr("Listen"))));
    h += demos({demo("twinkle_twinkle.mid", QT_TRANSLATE_NOOP("TopWidget", ", very easy")),
                demo("au_clair_de_la_lune.mid"), demo("amazing_grace.mid")});

    h +=
        step(Texts::tr("Open a demo with several tracks and take one of them; the others accompany "
                       "you."));
    h += demos(
        {demo("mary_had_a_little_lamb.mid"), demo("ode_to_joy.mid"), demo("jingle_bells.mid")});

    h += step(Texts::tr("Split the MIDI keyboard (tab %1) and play several tracks, alone with two "
                        "hands or with friends.")
                  .arg(ui(Texts::tr("Devices setup"))));
    h += demos({demo("frere_jacques.mid", QT_TRANSLATE_NOOP("TopWidget", ", a round")),
                demo("yankee_doodle.mid"), demo("silent_night.mid")});

    h += step(Texts::tr("Play one hand by ear: listen to the song first, then play the melody "
                        "without looking at the piano roll."));
    h += demos({demo("brahms_lullaby.mid"), demo("minuet_in_g.mid"), demo("fur_elise.mid")});

    h += step(
        Texts::tr("Load a multitimbral General MIDI sound font in the synthesizer for songs with "
                  "several instruments."));
    h += demos({demo("korobeiniki.mid"), demo("saints.mid"), demo("mountain_king.mid")});

    h += step(Texts::tr("Rest the pointer on a demo in menu %1: the status bar tells its number of "
                        "tracks. Songs with words open the lyrics pane.")
                  .arg(ui(Texts::tr("&Demo"))));
    h += demos({demo("old_macdonald.mid", QT_TRANSLATE_NOOP("TopWidget", ", with lyrics")),
                demo("scarborough_fair.mid", QT_TRANSLATE_NOOP("TopWidget", ", with lyrics"))});

    return {Texts::tr("Training hints"), h};
}
