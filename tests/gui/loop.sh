# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# The practice loop as a user sets it up: measures 3 and 4 of a demo marked
# with Ctrl+[ and Ctrl+] at the current beat, the Loop and Step up boxes
# ticked, the band shown on the piano roll; a Listen from measure 2 plays it
# once and then the loop over and over, as Midi Through (14:0) hears. Run by
# tools/guibench.

readonly DEMO=mary_had_a_little_lamb.mid # 480 ticks a beat, 4/4
smfdump=$(dirname "$app")/tools/smfdump
mkdir -p "$shots"
# The melody's note numbers (channel 0) from tick $2 up to tick $3, or all.
melody() { # 1: smfdump output
    awk -v from="${2:-0}" -v to="${3:-1e18}" '$1 == "event" && $4 == "on" && $5 == 0 &&
        $7 > 0 && $3 >= from && $3 < to { printf "%s ", $6 }' "$1"
}

# Midi Through plays, the PC keyboard is the input; the keyboards not used
# are hidden, as in the deck scenario.
export LANG=en_US.UTF-8
mkdir -p "$XDG_CONFIG_HOME/clavion"
{
    printf '[Midi]\noclient=14\noport=0\niclient=255\niport=255\nobck=false\n'
    printf '[Input_14_0]\nignoreInput=true\n[Display]\npix4mc=3\n'
    for c in 16 17 18 19; do
        printf '[Input_%s_0]\nitradk=false\nibck=false\n[Output_%s_0]\notradk=false\n' "$c" "$c"
    done
} >"$XDG_CONFIG_HOME/clavion/clavion-en.conf"

start_app
wait_window '^Clavion'
key alt+d c Down Return
for ((i = 0; i < 300; i++)); do
    [[ $(xdotool getwindowname "$WIN") == *"Mary Had a Little Lamb" ]] && break
    sleep 0.1
done
# Page Down moves a measure in the piano roll, which the click gives the keys.
click 600 260
key Next Next ctrl+bracketleft Next Next ctrl+bracketright
key alt+l alt+u
key Prior Prior Prior
sleep 0.5
shot loop-band

# From measure 2: measure 2, then measures 3 and 4 at 70 %, at 75 %, ...
arecordmidi -p 14:0 -b 120 -t 3840 "$shots/loop-listen.mid" 2>/dev/null &
peer=$!
sleep 1
key ctrl+space
sleep 16
shot loop-playing
key ctrl+space
sleep 2
kill -INT "$peer" 2>/dev/null || true
wait "$peer" 2>/dev/null || true
"$smfdump" "$ROOT/resources/demos/$DEMO" >"$shots/loop-demo.dump"
"$smfdump" "$shots/loop-listen.mid" >"$shots/loop-listen.dump"
measure2=$(melody "$shots/loop-demo.dump" 1920 3840)
loop=$(melody "$shots/loop-demo.dump" 3840 7680)
heard=$(melody "$shots/loop-listen.dump")
check '[[ -n $loop && $heard == "$measure2$loop$loop"* ]]' \
    "Midi Through heard measure 2, then measures 3 and 4 twice"
key ctrl+q
wait_exit 20
expect_setting /Loop/stepup '^true$'
check '! grep -q "^Error" "$APP_LOG"' "the program reported no sequencer error"
