# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# The practice loop as a user sets it up: measures 3 and 4 of a demo marked
# with Ctrl+[ and Ctrl+] at the current beat, the Loop box and the step-up
# turned on, the band shown on the piano roll; a Listen from measure 2 plays
# measure 2 once and then the loop over and over, as Midi Through (14:0)
# hears. Run by tools/guibench.

readonly DEMO=mary_had_a_little_lamb.mid # 480 ticks a beat, 4/4
smfdump=$(dirname "$app")/tools/smfdump
[[ -x $smfdump ]] || abort "smfdump is built next to the program"
mkdir -p "$shots"

session_running() { grep -q '"Clavion ALSA sequencer"' /proc/asound/seq/clients; }
wait_session() { # 1: wanted (start|end), 2: seconds
    local i
    for ((i = 0; i < $2 * 10; i++)); do
        if [[ $1 == start ]] && session_running; then return 0; fi
        if [[ $1 == end ]] && ! session_running; then return 0; fi
        sleep 0.1
    done
    return 1
}
# The melody's note numbers (channel 0) from tick $2 up to tick $3, or all.
melody() { # 1: smfdump output
    awk -v from="${2:-0}" -v to="${3:-1e18}" \
        '$1 == "event" && $4 == "on" && $5 == 0 && $7 > 0 && $3 >= from && $3 < to { printf "%s ", $6 }' "$1"
}

export LANG=en_US.UTF-8
mkdir -p "$XDG_CONFIG_HOME/clavion"
cat >"$XDG_CONFIG_HOME/clavion/clavion-en.conf" <<'EOF'
[Midi]
oclient=14
oport=0
iclient=255
iport=255
obck=false

[Input_14_0]
ignoreInput=true

[Input_16_0]
itradk=false
ibck=false

[Output_16_0]
otradk=false

[Input_17_0]
itradk=false
ibck=false

[Output_17_0]
otradk=false

[Input_18_0]
itradk=false
ibck=false

[Output_18_0]
otradk=false

[Input_19_0]
itradk=false
ibck=false

[Output_19_0]
otradk=false

[Display]
pix4mc=3
EOF

start_app
wait_window '^Clavion'
key alt+d c Down Return
for ((i = 0; i < 300; i++)); do
    [[ $(xdotool getwindowname "$WIN") == *" demo - "* ]] && break
    sleep 0.1
done
check '[[ $(xdotool getwindowname "$WIN") == *"Mary Had a Little Lamb" ]]' "the demo is open"
sleep 1

# Page Down moves a measure in the piano roll, which the click gives the keys.
click 600 260
key Next Next ctrl+bracketleft Next Next ctrl+bracketright
key alt+l alt+u
key Prior Prior Prior
sleep 0.5
shot loop-band

# From measure 2: measure 2, then measures 3 and 4 at 70 %, at 75 %, ...
arecordmidi -p 14:0 -b 120 -t 3840 "$shots/loop-listen.mid" 2>>"$shots/loop-peers.log" &
peer=$!
for ((i = 0; i < 50; i++)); do
    grep -q '"arecordmidi"' /proc/asound/seq/clients && break
    sleep 0.1
done
key ctrl+space
wait_session start 10 || abort "Ctrl+Space starts a session"
sleep 13
shot loop-playing
sleep 4
key ctrl+space
check 'wait_session end 10' "Ctrl+Space stops the session"
kill -INT "$peer" 2>/dev/null || true
wait "$peer" 2>/dev/null || true
"$smfdump" "$ROOT/resources/demos/$DEMO" >"$shots/loop-demo.dump"
"$smfdump" "$shots/loop-listen.mid" >"$shots/loop-listen.dump"
measure2=$(melody "$shots/loop-demo.dump" 1920 3840)
loop=$(melody "$shots/loop-demo.dump" 3840 7680)
heard=$(melody "$shots/loop-listen.dump")
check '[[ -n $loop && $heard == "$measure2$loop$loop"* ]]' \
    "Midi Through heard measure 2, then measures 3 and 4 twice"
check '! grep -q "^Error" "$APP_LOG"' "the program reported no sequencer error"
key ctrl+q
wait_exit 20
expect_setting /Loop/stepup '^true$'
