# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# A pianist's evening with a demo, Midi Through (14:0) as the synthesizer and
# aseqdump listening there: a pause in the middle of the song, a take kept as
# the program quits (the quit then cancelled at the save question), a take
# ended by SIGTERM; then a synthesizer that quits while the track dialog is
# open; then a key held while its track's Kb box is unticked. Every note heard
# at 14:0 ends. Run by tools/guibench.

readonly DEMO=mary_had_a_little_lamb.mid # the melody on track #1, 18 s
readonly MIDICHECK=$ROOT/tests/gui/midicheck.py
smfdump=$(dirname "$app")/tools/smfdump
[[ -x $smfdump ]] || abort "smfdump is built next to the program"
mkdir -p "$shots"
"$smfdump" "$ROOT/resources/demos/$DEMO" >"$shots/pianist-demo.dump"

export LANG=en_US.UTF-8
conf=$XDG_CONFIG_HOME/clavion/clavion-en.conf
# Track #1's Kb box in the strip, in the main window (the layout of
# player_settings at 3 pixels a clock, as the screenshots show it).
readonly KB_X=1096 KB_Y=237
recovery=$XDG_CONFIG_HOME/clavion/recovery

open_demo() {
    start_app
    wait_window '^Clavion'
    main=$WIN
    key alt+d c Down Return
    for ((i = 0; i < 300; i++)); do
        [[ $(xdotool getwindowname "$WIN") == *" demo - "* ]] && break
        sleep 0.1
    done
    check '[[ $(xdotool getwindowname "$WIN") == *"Mary Had a Little Lamb" ]]' "the demo is open"
}
song_open() { kill -0 "$APP_PID" 2>/dev/null && [[ $(xdotool getwindowname "$main") == *" demo - "* ]]; }
# What the ear heard from line $1 on; silent checks look at one step at a time.
since() { tail -n +"$(($1 + 1))" "$ear" >"$shots/$2.log"; }
lines() { wc -l <"$ear"; }
# A note of the accompaniment sounds at 14:0 (5 s at most); awk, as python
# starts too slowly in the bench to poll with.
wait_sounding() { # 1: from line
    local i
    for ((i = 0; i < 100; i++)); do
        tail -n +"$(($1 + 1))" "$ear" | awk '/Note on/ && $NF > 0 { on[$4 $6] = 1; next }
            /Note (on|off)/ { delete on[$4 $6]; next }
            END { for (k in on) exit 0; exit 1 }' && return 0
        sleep 0.05
    done
    return 1
}
note_on_after() { # 1: line; true once a note-on came after it (5 s at most)
    local i
    for ((i = 0; i < 100; i++)); do
        tail -n +"$(($1 + 1))" "$ear" | grep -q 'Note on.*velocity [1-9]' && return 0
        sleep 0.05
    done
    return 1
}

# ================================================ evening 1: Midi Through
ear=$shots/pianist-through.log
start_peer aseqdump "$ear" stdbuf -oL aseqdump -p 14:0
player_settings "$conf" 3
# The ear is no output of the program's: what reaches it comes through 14:0.
client_of() { awk -v n="\"$1\"" '$1 == "Client" && $4 == n { print $2; exit }' /proc/asound/seq/clients; }
printf '[Output_%s_0]\nignoreOutput=true\n\n' "$(client_of aseqdump)" >>"$conf"
open_demo
key alt+k space # track #1 from the PC keyboard
sleep 0.5

# ----------------------------------------- pause silences, resume goes on
from=$(lines)
key ctrl+space
expect_start "Listen starts"
check 'wait_sounding "$from"' "the accompaniment sounds"
key ctrl+F2
sleep 1
paused=$(lines)
since "$from" pianist-pause
check '"$MIDICHECK" silent "$shots/pianist-pause.log"' "Pause silences what sounded at 14:0"
key ctrl+F2
check 'note_on_after "$paused"' "after the pause the song goes on"
key ctrl+space
check 'wait_session end 10' "Ctrl+Space stops listening"

# ------------------------------- a take kept as the program quits, then kept
from=$(lines)
key ctrl+Home ctrl+shift+space
expect_start "Ctrl+Shift+Space starts recording"
sleep 1
key --delay 300 1 2 3 1 2 3
sleep 2
key ctrl+q
wait_window 'Question'
key y # keep the take
sleep 1
wait_window 'Question'
shot pianist-save-question
key Escape # cancel: the song stays, with its take
WIN=$main
sleep 1
check 'song_open' "the save question followed the kept take, and Cancel kept the song open"
since "$from" pianist-quit
check '"$MIDICHECK" silent "$shots/pianist-quit.log"' "what the take rang ended at 14:0"

# --------------------------------------------- SIGTERM during a recording
# From where the first take stopped: its notes stay as they were played.
from=$(lines)
key ctrl+shift+space
expect_start "recording again"
sleep 1
key --delay 300 1 2 3
sleep 1
kill -TERM "$APP_PID"
wait_exit 20
check '[[ $APP_STATUS == 143 ]]' "SIGTERM ends the program by SIGTERM"
sleep 0.5
stop_peer
since "$from" pianist-term
check '"$MIDICHECK" silent "$shots/pianist-term.log"' "what sounded at SIGTERM ended at 14:0"
copy=$(find "$recovery" -name '*.mid' 2>/dev/null | head -n 1)
check '[[ -s $copy ]]' "the recovery copy was written"
"$smfdump" "$copy" >"$shots/pianist-recovery.dump" 2>&1 || true
# The first take moved up to six notes; more moved means the signal's take
# is in the copy too (midicheck names how many moved when it disagrees).
moved=$({ "$MIDICHECK" take --played 0 --channel 0 "$shots/pianist-demo.dump" \
    "$shots/pianist-recovery.dump" || true; } | sed -n 's/^midicheck: \([0-9]*\) notes moved.*/\1/p')
check '[[ ${moved:-0} -gt 6 ]]' "the recovery copy holds the take the signal ended ($moved notes moved)"
check '"$MIDICHECK" silent "$ear"' "every note heard at 14:0 in the first evening ended"

# ============================ evening 2: a synthesizer that quits mid-song
synthlog=$shots/pianist-synth.log
start_peer aseqdump "$synthlog" stdbuf -oL aseqdump
synth=$(client_of aseqdump)
player_settings "$conf" 3
sed -i "s/^oclient=14$/oclient=$synth/" "$conf"
open_demo
click 600 260 # Page Down moves a measure in the piano roll: the song's last
key Next Next Next Next Next # few measures are enough here
key ctrl+space
expect_start "Listen plays to the synthesizer $synth:0"
key alt+c space
wait_window 'Configure bound track 1'
dialog=$WIN
sleep 1
stop_peer # the synthesizer quits
check 'wait_session end 40' "the session ends with the song"
sleep 1
check 'kill -0 "$APP_PID"' "the program outlives the synthesizer and its dialog"
check 'xdotool search --onlyvisible --name "Configure bound track 1" >/dev/null' \
    "the track dialog is still open"
WIN=$dialog
key Escape
WIN=$main
sleep 1
check 'song_open' "the song stays open"
shot pianist-synth-gone
check 'grep -q "Note on" "$synthlog"' "the synthesizer heard the song until it quit"
key ctrl+q
wait_exit 20
check '[[ $APP_STATUS == 0 ]]' "Quit ends the program normally"

# ============================== evening 3: Kb unticked under a held key
ear=$shots/pianist-keys.log
start_peer aseqdump "$ear" stdbuf -oL aseqdump -p 14:0
player_settings "$conf" 3
printf '[Output_%s_0]\nignoreOutput=true\n\n' "$(client_of aseqdump)" >>"$conf"
open_demo
key alt+k space
sleep 0.5

# ------------------------------- Kb unticked while its key is held down
from=$(lines)
key ctrl+space
expect_start "Listen starts with track #1 interactive"
# Raw xdotool from here: the helpers' focus round trip would let the key go.
xdotool keydown 1
check 'note_on_after "$from"' "the held key rings its note"
xdotool mousemove --window "$main" "$KB_X" "$KB_Y" click 1 # track #1's Kb box
sleep 0.5
xdotool keyup 1
sleep 0.5
key ctrl+space
check 'wait_session end 10' "the session stops"
since "$from" pianist-kb
check '"$MIDICHECK" silent "$shots/pianist-kb.log"' "the key held while Kb was unticked ended at 14:0"

key ctrl+q
wait_exit 20
stop_peer
