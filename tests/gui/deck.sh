# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# The deck as a user drives it, with Midi Through (14:0) as the synthesizer:
# a demo opened from the Demo menu is heard note for note and on time, the PC
# keyboard plays an interactive track, a recorded take is kept and saved, and
# SIGTERM in the middle of a song leaves nothing sounding. Run by
# tools/guibench.

readonly DEMO=mary_had_a_little_lamb.mid # constant tempo, two tracks, 18 s
readonly MIDICHECK=$ROOT/tests/gui/midicheck.py
smfdump=$(dirname "$app")/tools/smfdump
[[ -x $smfdump ]] || abort "smfdump is built next to the program"
mkdir -p "$shots"

# What the user set up: Midi Through as the synthesizer, the PC keyboard as the
# instrument. Midi Through sends back everything it is sent, so as an input it
# is ignored, or the program would hear its own notes as the player's. The
# unused virtual keyboards show no keyboards, the outputs only traditional
# ones, and a narrower zoom keeps the first clusters in sight while the song
# moves on: the screenshots show what a player looks at.
export LANG=en_US.UTF-8
player_settings "$XDG_CONFIG_HOME/clavion/clavion-en.conf" 4

start_app
wait_window '^Clavion'
# Demo > Children > its second song.
key alt+d c Down Return
for ((i = 0; i < 300; i++)); do
    [[ $(xdotool getwindowname "$WIN") == *" demo - "* ]] && break
    sleep 0.1
done
check '[[ $(xdotool getwindowname "$WIN") == *" demo - Traditional - Mary Had a Little Lamb" ]]' \
    "the Demo menu opens Mary Had a Little Lamb"
sleep 1
shot deck-demo

# ---------------------------------------------------------------- listening
start_peer arecordmidi /dev/null arecordmidi -p 14:0 -b 120 -t 3840 "$shots/deck-listen.mid"
key ctrl+space
expect_start "Ctrl+Space starts a session"
sleep 2
shot deck-playing
sleep 2
shot deck-lyrics
check 'wait_session end 40' "the session ends with the song"
stop_peer
"$smfdump" "$ROOT/resources/demos/$DEMO" >"$shots/deck-demo.dump"
"$smfdump" "$shots/deck-listen.mid" >"$shots/deck-listen.dump"
check '"$MIDICHECK" notes --tolerance-ms 3 "$shots/deck-demo.dump" "$shots/deck-listen.dump"' \
    "Midi Through heard the demo's notes, each within 3 ms"

# The same demo played by the engine alone, without the window, for comparison.
start_peer arecordmidi /dev/null arecordmidi -p 14:0 -b 120 -t 3840 "$shots/seq-listen.mid"
"${smfdump%/smfdump}/seqsession" --output 14:0 --input 16:0 --seconds 30 \
    "$ROOT/resources/demos/$DEMO" 2>>"$shots/peers.log"
sleep 1
stop_peer
"$smfdump" "$shots/seq-listen.mid" >"$shots/seq-listen.dump"
check '"$MIDICHECK" notes --tolerance-ms 3 "$shots/deck-demo.dump" "$shots/seq-listen.dump"' \
    "seqsession alone plays the same notes, each within 3 ms"

# ------------------------------------------------- the PC keyboard plays #1
# Alt+K leads to track #1's keyboard box in the strip; its input is already
# the PC keyboard, and the number keys are the zone of track #1.
key alt+k space
sleep 0.5
shot deck-interactive
start_peer arecordmidi /dev/null arecordmidi -p 14:0 -b 120 -t 3840 "$shots/deck-keys.mid"
key ctrl+space
expect_start "Listen starts with track #1 interactive"
sleep 1
key --delay 300 1 2 3 1 2 3
# Six clusters rung: green in #1's lane, the next one's key hinted.
sleep 0.3
shot deck-keys
sleep 0.7
key ctrl+space
check 'wait_session end 10' "Ctrl+Space stops the session"
stop_peer
"$smfdump" "$shots/deck-keys.mid" >"$shots/deck-keys.dump"
check '"$MIDICHECK" notes --channel 0 --first 6 "$shots/deck-demo.dump" "$shots/deck-keys.dump"' \
    "six key presses rang track #1's first six notes"

# -------------------------------------------------- a take kept and saved
# Recording starts where the last session stopped, which on a slow machine is
# too near the end for four keys: start from the beginning.
key ctrl+Home
sleep 0.3
key ctrl+shift+space
expect_start "Ctrl+Shift+Space starts recording"
sleep 1
key --delay 300 1 2 3 4
# A loaded machine may handle the last key late: give it time before the stop.
sleep 2
key ctrl+shift+space
check 'wait_session end 10' "Ctrl+Shift+Space stops recording"
main=$WIN
wait_window 'Question'
shot deck-keep-take
key y
WIN=$main
sleep 1
take=$HOME/take.mid
key alt+f a
save_through 'Write MIDI file' "$take"
WIN=$main
"$smfdump" "$take" >"$shots/deck-take.dump" 2>&1 || true
check '"$MIDICHECK" take --played 4 --channel 0 "$shots/deck-demo.dump" "$shots/deck-take.dump"' \
    "the saved song holds the melody with the four played notes moved"

# --------------------------------------------------- the track's dialog
# Alt+C leads to track #1's button; Escape closes the dialog untouched.
key alt+c space
wait_window 'Configure bound track 1'
key Escape
WIN=$main

# ------------------------------------------------ SIGTERM while it plays
# The accompaniment alone plays now, in long notes: one sounds at the kill.
start_peer aseqdump "$shots/deck-term.log" stdbuf -oL aseqdump -p 14:0
key ctrl+space
expect_start "Listen starts again"
# The kill waits (5 s at most) for a note that sounds; awk, as python
# starts too slowly in the bench to poll with.
sounding() {
    awk '/Note on/ && $NF > 0 { on[$4 $6] = 1; next }
         /Note (on|off)/ { delete on[$4 $6]; next }
         END { for (k in on) exit 0; exit 1 }' "$shots/deck-term.log"
}
for ((i = 0; i < 100; i++)); do
    sounding && break
    sleep 0.05
done
at_kill=$(wc -l <"$shots/deck-term.log")
kill -TERM "$APP_PID"
wait_exit 20
# The handler ends the program by the signal's own default action.
check '[[ $APP_STATUS == 143 ]]' "SIGTERM ends the program by SIGTERM"
sleep 0.5
stop_peer
check '"$MIDICHECK" silent --sounding-at "$at_kill" "$shots/deck-term.log"' \
    "what sounded at SIGTERM was silenced at 14:0"
check '! grep -q "^Error" "$APP_LOG"' "the program reported no sequencer error"
