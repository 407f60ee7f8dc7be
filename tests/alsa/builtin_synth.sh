#!/usr/bin/env bash
# The built-in synthesizer on the real sequencer and the loopback sound card: a
# song the engine plays to it is heard at the song's times, beside the same
# song rendered offline by the fluidsynth program as the baseline.
# Usage: builtin_synth.sh SEQSESSION SMFDUMP MIDICHECK SONG WORKDIR
set -euo pipefail
seqsession=$1 smfdump=$2 midicheck=$3 song=$4 work=$5
if [[ ! -e /dev/snd/seq ]] || ! grep -q Loopback /proc/asound/cards 2>/dev/null; then
    echo "no sequencer or loopback card here; run through tools/seqvm"
    exit 77
fi
rm -rf "$work"
mkdir -p "$work/home/.config"
export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config
font=$(ls /usr/share/sounds/sf2/FluidR3_GM.sf2 /usr/share/sounds/sf2/*.sf2 2>/dev/null | head -1)
failed=0
check() { if eval "$1"; then echo "PASS $2"; else echo "FAIL $2"; failed=1; fi; }

# The recording side opens first and fixes the format both sides share.
arecord -q -D hw:Loopback,1,0 -f S16_LE -r 48000 -c 2 -d 11 "$work/synth.wav" &
recorder=$!
sleep 0.5
check '"$seqsession" --synth --audio plughw:Loopback,0,0 --input 16:0 --seconds 8 "$song" 2>"$work/seqsession.log"' \
    "seqsession plays the song to the built-in synthesizer"
cat "$work/seqsession.log"
wait "$recorder" || true
check 'grep -q "^seqsession: Clavion Synth at [0-9]*:0, " "$work/seqsession.log"' \
    "the synthesizer is a client of the sequencer of its own"
check '! grep -q "Clavion Synth" /proc/asound/seq/clients' "no client is left behind"

rms=$(sox "$work/synth.wav" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
check 'awk -v r="${rms:-0}" "BEGIN { exit !(r > 0.001) }"' "the song is heard (RMS $rms)"
"$smfdump" "$song" >"$work/song.dump"
sox "$work/synth.wav" -t raw -r 4000 -e signed -b 16 -c 1 "$work/synth-4k.raw"
check '"$midicheck" onsets --rate 4000 --seconds 7 --tolerance-ms 20 "$work/song.dump" "$work/synth-4k.raw"' \
    "the notes sound at the song's times"
# The baseline: the same song rendered offline, with no clock but the samples'.
fluidsynth -q -n -i -F "$work/offline.wav" -r 48000 "$font" "$song" >/dev/null 2>&1
sox "$work/offline.wav" -t raw -r 4000 -e signed -b 16 -c 1 "$work/offline-4k.raw"
echo "offline render (baseline):"
"$midicheck" onsets --rate 4000 --seconds 7 "$work/song.dump" "$work/offline-4k.raw" || true
exit "$failed"
