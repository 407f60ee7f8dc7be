# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# The Options dialog as a user works it, next to the real sequencer: a
# synthesizer started meanwhile comes into its lists by itself, a new
# default output takes the next Listen to the new port, a split set up in
# Devices setup sends a high key to the high zone's track and a low key to the
# low zone's, and every tab is shown. Run by tools/guibench.

readonly DEMO=$ROOT/resources/demos/going_home.mid # three tracks from the first beat
smfdump=$(dirname "$app")/tools/smfdump
[[ -x $smfdump ]] || abort "smfdump is built next to the program"
mkdir -p "$shots"

# arecordmidi on Midi Through, into a file.
record_through() { start_peer arecordmidi /dev/null arecordmidi -p 14:0 -b 120 -t 3840 "$1"; }
notes_on() { # 1: dump, 2: channel; the note numbers played, in order
    awk -v c="$2" '$1 == "event" && $4 == "on" && $5 == c && $7 > 0 { printf "%s ", $6 }' "$1"
}
# Raw bytes into the first virtual keyboard arrive from 16:0 as a USB
# keyboard's would.
strike() { # 1: note number
    printf "\\x90\\x$(printf %02x "$1")\\x64" >/dev/snd/midiC0D0
    sleep 0.3
    printf "\\x80\\x$(printf %02x "$1")\\x00" >/dev/snd/midiC0D0
}
up_on_sequencer() { # 1: client name; waits up to 5 s
    local i
    for ((i = 0; i < 50; i++)); do
        grep -q "\"$1\"" /proc/asound/seq/clients && return 0
        sleep 0.1
    done
    return 1
}
open_options() {
    key ctrl+p
    wait_window 'Configuration'
    centre
}

# The user plays on the first virtual keyboard; the output starts on the
# second one, where nothing is heard. Unused keyboards are not shown.
export LANG=en_US.UTF-8
mkdir -p "$XDG_CONFIG_HOME/clavion"
cat >"$XDG_CONFIG_HOME/clavion/clavion-en.conf" <<'EOF'
[Midi]
oclient=17
oport=0
iclient=16
iport=0
obck=false
ibck=false

[Input_14_0]
ignoreInput=true

[Input_16_0]
ibck=false

[Output_14_0]
obck=false

[Input_17_0]
itradk=false
ibck=false

[Output_17_0]
otradk=false
obck=false

[Input_18_0]
itradk=false
ibck=false

[Output_18_0]
otradk=false
obck=false

[Input_19_0]
itradk=false
ibck=false

[Output_19_0]
otradk=false
obck=false

[Display]
pix4mc=4
EOF

start_app "$DEMO"
wait_window '^Clavion'
main=$WIN
sleep 1
"$smfdump" "$DEMO" >"$shots/options-demo.dump"

# ------------------------------------------------- the default output
record_through "$shots/options-before.mid"
key ctrl+space
expect_start "Ctrl+Space starts a session"
sleep 2
key ctrl+space
check 'wait_session end 10' "Ctrl+Space stops the session"
stop_peer
# With nothing heard the capture may hold no track at all.
"$smfdump" "$shots/options-before.mid" >"$shots/options-before.dump" 2>&1 || true
check '[[ -z $(notes_on "$shots/options-before.dump" 1) ]]' \
    "while the default output is 17:0 nothing reaches Midi Through"

# A synthesizer started while the dialog is open (aseqdump stands in for
# it): its port comes into the dialog's lists and the output keyboards by
# itself, without a reload.
open_options
aseqdump >"$shots/options-late-synth.txt" 2>&1 &
late=$!
at_finish "kill $late 2>/dev/null || true"
check 'up_on_sequencer aseqdump' "aseqdump is up on the sequencer"
sleep 2
# Alt+O: the default output list; End: its last entry, the new port.
key alt+o End
sleep 2
shot options-default-io
# Home: its first entry, Midi Through.
key Home
sleep 0.5
key Return
WIN=$main
sleep 2
shot options-late-synth
key ctrl+Home
record_through "$shots/options-after.mid"
key ctrl+space
expect_start "Listen starts after the new default output"
sleep 4
key ctrl+space
check 'wait_session end 10' "the session stops"
stop_peer
"$smfdump" "$shots/options-after.mid" >"$shots/options-after.dump"
first_strings=$(notes_on "$shots/options-demo.dump" 1 | cut -d' ' -f1-3)
check '[[ $(notes_on "$shots/options-after.dump" 1) == "$first_strings"* ]]' \
    "the next Listen plays the strings' first notes ($first_strings) to Midi Through"

# ------------------------------------------------- a split keyboard
# The dialog opens on the tab used last; Ctrl+Page Down shows Devices setup,
# where the chosen input is the default one, 16:0. Alt+S splits it, the
# central zone from 48 and the high one from 72.
open_options
key ctrl+Next
sleep 3
shot options-devices
key alt+s alt+l ctrl+a
type_text 48
key alt+h ctrl+a
type_text 72
sleep 0.5
shot options-devices-split
key Return
WIN=$main
sleep 1

# The other tabs, one after the other, then Escape.
open_options
for tab in synthesizer parameters filters interface metronome; do
    key ctrl+Next
    sleep 3
    shot "options-$tab"
done
key Escape
WIN=$main
sleep 1

# Tracks #1 (zone 1) and #3 (zone 3) take the keyboard: Alt+K goes from one
# track's box to the next.
key alt+k space alt+k alt+k space
sleep 0.5
key ctrl+Home
record_through "$shots/options-split.mid"
key ctrl+space
expect_start "Listen starts with tracks #1 and #3 interactive"
sleep 1
strike 84 # high zone: the basses
sleep 1
strike 40 # low zone: the English horn
sleep 1
shot options-split-played
key ctrl+space
check 'wait_session end 10' "the session stops"
stop_peer
"$smfdump" "$shots/options-split.mid" >"$shots/options-split.dump"
bass=$(notes_on "$shots/options-demo.dump" 2 | cut -d' ' -f1)
horn=$(notes_on "$shots/options-demo.dump" 0 | cut -d' ' -f1)
check '[[ $(notes_on "$shots/options-split.dump" 2) == "$bass " ]]' \
    "a key in the high zone rang the basses' first note ($bass) and nothing more"
check '[[ $(notes_on "$shots/options-split.dump" 0) == "$horn " ]]' \
    "a key in the low zone rang the English horn's first note ($horn) and nothing more"

key ctrl+q
wait_exit 20
expect_setting /Midi/oclient '^14$'
expect_setting /Input_16_0/kbenablesplit '^true$'
expect_setting /Input_16_0/lowkey '^48$'
expect_setting /Input_16_0/highkey '^72$'
check '! grep -q "^Error" "$APP_LOG"' "the program reported no sequencer error"
