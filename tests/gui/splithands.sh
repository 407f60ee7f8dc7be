# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# A demo whose hands are two tracks, merged into one as most piano files have
# them, then split by hand from the Tracks menu: the dialog and the piano
# roll's preview of the split (the handbook's picture), then the right hand
# played on the PC keyboard while the left hand is heard from the
# accompaniment at Midi Through (14:0). Run by tools/guibench.

mkdir -p "$shots"
export LANG=en_US.UTF-8
player_settings "$XDG_CONFIG_HOME/clavion/clavion-en.conf" 3

# Its right hand (G4 and up) starts with these notes; its left hand stays
# below middle C.
readonly MELODY="67 69 71 74 72 72"
song=$HOME/jesu_joy.mid
cp "$ROOT/resources/demos/jesu_joy.mid" "$song"

start_app "$song"
wait_window '^Clavion'
main=$WIN
for ((i = 0; i < 300; i++)); do
    [[ $(xdotool getwindowname "$WIN") == *jesu_joy.mid ]] && break
    sleep 0.1
done
check '[[ $(xdotool getwindowname "$WIN") == *jesu_joy.mid ]]' "the demo from the command line is open"
sleep 1

# Both hands' lanes selected, the second with Ctrl, and merged into the first.
click 600 199
xdotool keydown ctrl
click 600 235
xdotool keyup ctrl
key ctrl+m
wait_window 'Sure'
key y
WIN=$main
sleep 1

# A click on the track's lane selects it; Ctrl+H asks how to split it.
click 600 199
key ctrl+h
wait_window 'Split by hand'
dialog=$WIN
# Beside the lane, not over it: the picture shows the dialog and the preview.
xdotool windowmove "$dialog" 760 420 2>/dev/null || true
sleep 3
shot split-hands
check 'xdotool search --onlyvisible --name "Split by hand" >/dev/null' "the dialog is open"
key Return # OK: Automatic is chosen
WIN=$main
sleep 1
check '! xdotool search --onlyvisible --name "Split by hand" >/dev/null' "OK closes the dialog"
shot split-hands-done

# The right hand, now track #1, from the PC keyboard's number keys.
key alt+k space
sleep 0.5
ear=$shots/splithands-through.log
start_peer aseqdump "$ear" stdbuf -oL aseqdump -p 14:0
key ctrl+space
expect_start "Listen starts"
# Before any key: the accompaniment plays the left hand, and only that.
sleep 3
beforeKeys=$(wc -l <"$ear")
for k in 1 2 3 1 2 3; do
    xdotool key "$k"
    sleep 0.4
done
sleep 1
key ctrl+space
check 'wait_session end 10' "Ctrl+Space stops listening"
stop_peer

# Note-on pitches, before the keys and after them.
pitches() { awk '/Note on/ && $NF > 0 { sub(",", "", $6); print $6 }'; }
leftBefore=$(head -n "$beforeKeys" "$ear" | pitches | awk '$1 < 60' | wc -l)
rightBefore=$(head -n "$beforeKeys" "$ear" | pitches | awk '$1 >= 60' | wc -l)
rung=$(tail -n +"$((beforeKeys + 1))" "$ear" | pitches | awk '$1 >= 60' | tr '\n' ' ')
leftAfter=$(tail -n +"$((beforeKeys + 1))" "$ear" | pitches | awk '$1 < 60' | wc -l)
expected=$(cut -d' ' -f1-6 <<<"$MELODY")
say "before the keys: $leftBefore left-hand notes, $rightBefore right-hand ones;" \
    "rung by the six keys: $rung; left-hand notes meanwhile: $leftAfter"
check '[[ $leftBefore -gt 0 && $rightBefore -eq 0 ]]' \
    "without a key the accompaniment plays the left hand and nothing of the right"
check '[[ ${rung% } == "$expected" ]]' "the six keys rang the right hand's first six notes, and only those"
check '[[ $leftAfter -gt 0 ]]' "the left hand goes on from the accompaniment while the keys play"

key ctrl+q
wait_window 'Question' # the split song is not saved
key n
wait_exit 20
check '! grep -q "^Error" "$APP_LOG"' "the program reported no sequencer error"
