# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# Key to sound with the window at work: the program itself, its built-in
# synthesizer the output, a dense song scrolling in the piano roll, track #1
# played from the first virtual keyboard (16:0). The accompaniment is nearly
# silent (velocity 1), so that only the keys' notes are heard as attacks.
#   tools/guibench --app build/clavion bench/keysound-window.sh [KEYS]
keys=${1:-60}
song=$work/dense.mid
python3 - "$song" "$((keys * 2))" <<'PY'
import struct, sys
path, count = sys.argv[1], int(sys.argv[2])
def track(events):
    data = bytearray()
    for delta, msg in events:
        v, out = delta, [delta & 0x7F]
        v >>= 7
        while v:
            out.insert(0, 0x80 | (v & 0x7F))
            v >>= 7
        data += bytes(out) + bytes(msg)
    data += b"\x00\xff\x2f\x00"
    return b"MTrk" + struct.pack(">I", len(data)) + data
keys = [(0, [0xC0, 0])]
for k in range(count):
    note = 60 + (k % 2) * 7
    keys += [(0, [0x90, note, 100]), (480, [0x80, note, 0])]
# Sixteenth-note chords of four notes on channel 2 under the whole song.
dense, chord = [(0, [0xC1, 0])], [36, 43, 48, 52]
for s in range(count * 4):
    root = (s % 12)
    dense += [(0, [0x91, n + root, 1]) for n in chord]
    dense += [(120 if i == 0 else 0, [0x81, n + root, 0]) for i, n in enumerate(chord)]
with open(path, "wb") as f:
    f.write(b"MThd" + struct.pack(">IHHH", 6, 1, 2, 480))
    f.write(track(keys) + track(dense))
PY
mkdir -p "$XDG_CONFIG_HOME/clavion"
# The first virtual keyboard plays; the built-in synthesizer is the output,
# through the loopback card.
cat >"$XDG_CONFIG_HOME/clavion/clavion-en.conf" <<'CONF'
[Midi]
iclient=16
iport=0
oclient=14
oport=0

[Input_14_0]
ignoreInput=true

[Synth]
default=true
driver=alsa
device=plughw:Loopback,0,0
CONF
export LANG=en_US.UTF-8
result=$shots/keysound-window.txt
"${app%/clavion}/bench/bench_keysound" hw:Loopback,1,0 /dev/snd/midiC0D0 "Clavion Synth" \
    "$keys" 400 25 >"$result" 2>&1 &
measure=$!
sleep 1
start_app "$song"
wait_window '^Clavion'
sleep 8
key alt+k space
sleep 1
key ctrl+space
expect_start "Listen starts with track #1 played from 16:0"
shot keysound-window
wait "$measure" || true
check '[[ $(cat "$result") == keys* ]]' "key to sound with the window at work: $(cat "$result")"
key ctrl+space
key ctrl+q
