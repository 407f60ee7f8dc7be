# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# Sound without a hardware synthesizer: the launcher starts fluidsynth (audio
# to a file, the bench has no sound card), its port becomes the output, a demo
# is heard through it, and Quit ends it as the settings ask. Run by
# tools/guibench.

readonly FONT=/usr/share/sounds/sf2/FluidR3_GM.sf2
command -v fluidsynth >/dev/null && [[ -r $FONT ]] || abort "fluidsynth and $FONT are installed"
command -v sox >/dev/null || abort "sox is installed"
mkdir -p "$shots"
wav=$shots/launcher-fluidsynth.wav
rm -f "$wav"

export LANG=en_US.UTF-8
mkdir -p "$XDG_CONFIG_HOME/clavion"
cat >"$XDG_CONFIG_HOME/clavion/clavion-en.conf" <<'CONF'
[Midi]
oclient=14
oport=0
iclient=255
iport=255

[Input_14_0]
ignoreInput=true

[Parameters]
killsynths=true
CONF

start_app
wait_window '^Clavion'
key ctrl+y
wait_window 'Launch tool/software synth'
type_text "fluidsynth -a file -o audio.file.name=$wav -m alsa_seq $FONT"
key Return
wait_window 'Report'
centre
shot launcher-report
key Return
check 'grep -q "FLUID Synth" /proc/asound/seq/clients' "fluidsynth is on the sequencer"
# Its shell waits on the input the launcher gives it: no server on port 9800.
check '! grep -q ":2648 " /proc/net/tcp /proc/net/tcp6' "fluidsynth listens on no TCP port"
wait_window '^Clavion'
key alt+d c Down Return
sleep 2
key ctrl+space
sleep 8
key ctrl+space
sleep 1
shot launcher-played
key ctrl+q
wait_exit 20
sleep 2
check '! grep -q "FLUID Synth" /proc/asound/seq/clients' "Quit ends fluidsynth when killsynths is set"
# Killed, fluidsynth leaves the header's length at 0: read the samples raw.
rms=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$wav" -n stat 2>&1 |
    awk '/RMS +amplitude/ {print $3}')
check 'awk -v r="${rms:-0}" "BEGIN { exit !(r > 0.001) }"' "the demo is heard through fluidsynth (RMS $rms)"
# Onsets in the audio against the song's: the file driver writes as it plays.
sox -t raw -r 44100 -e signed -b 16 -c 2 "$wav" -t raw -r 4000 -e signed -b 16 -c 1 \
    "$shots/launcher-4k.raw"
"$(dirname "$app")/tools/smfdump" "$ROOT/resources/demos/mary_had_a_little_lamb.mid" \
    >"$shots/launcher-demo.dump"
check '"$ROOT/tests/gui/midicheck.py" onsets --rate 4000 --seconds 7 --tolerance-ms 20 \
    "$shots/launcher-demo.dump" "$shots/launcher-4k.raw"' \
    "the notes sound in fluidsynth's audio at the song's times"
