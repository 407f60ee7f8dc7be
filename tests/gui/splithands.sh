# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# A piano track with both hands in it, split by hand from the Tracks menu:
# the dialog and the piano roll's preview of the split (the handbook's
# picture), then the right hand played on the PC keyboard while the left hand
# is heard from the accompaniment at Midi Through (14:0). Run by
# tools/guibench.

mkdir -p "$shots"
export LANG=en_US.UTF-8
player_settings "$XDG_CONFIG_HOME/clavion/clavion-en.conf" 3

# One track, channel 1: a melody of quarter notes in C5..G5 over a left hand
# of a bass note and a chord a beat, in C2..G3, at 80 bpm.
song=$HOME/twohands.mid
readonly MELODY="76 74 72 74 76 76 76 74 74 74 76 79 79 76 74 72 74 76 76 76 76 74 74 76 74 72"
python3 - "$song" "$MELODY" <<'PY'
import struct, sys
melody = [int(n) for n in sys.argv[2].split()]
def vlq(n):
    out = [n & 0x7F]
    while n > 127:
        n >>= 7
        out.insert(0, 0x80 | (n & 0x7F))
    return bytes(out)
def chunk(events):
    body, now = b"", 0
    for tick, data in sorted(events, key=lambda e: (e[0], e[1][0] & 0xF0 != 0x80)):
        body += vlq(tick - now) + data
        now = tick
    body += b"\x00\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(body)) + body
q = 480
conductor = [(0, b"\xff\x51\x03" + (750000).to_bytes(3, "big")), (0, b"\xff\x58\x04\x04\x02\x18\x08")]
piano = [(0, b"\xff\x03\x05Piano"), (0, b"\xc0\x00")]
def note(tick, pitch, vel, length):
    piano.extend([(tick, bytes([0x90, pitch, vel])), (tick + length, bytes([0x80, pitch, 64]))])
for i, pitch in enumerate(melody):
    note(i * q, pitch, 96, q - 20)
for beat in range(len(melody)):
    if beat % 2 == 0:
        note(beat * q, 36 if beat % 4 == 0 else 43, 70, q - 20)
    else:
        for pitch in (48, 52, 55):
            note(beat * q, pitch, 60, q - 20)
with open(sys.argv[1], "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 1, 2, q) + chunk(conductor) + chunk(piano))
PY
check '[[ -s $song ]]' "a one-track two-hand song is written"

start_app "$song"
wait_window '^Clavion'
main=$WIN
for ((i = 0; i < 300; i++)); do
    [[ $(xdotool getwindowname "$WIN") == *twohands.mid ]] && break
    sleep 0.1
done
check '[[ $(xdotool getwindowname "$WIN") == *twohands.mid ]]' "the song from the command line is open"
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
