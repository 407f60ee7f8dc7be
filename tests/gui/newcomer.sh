# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# A newcomer's laptop: a sound card, no synthesizer, no MIDI keyboard. From a
# fresh start to the first note heard in three actions (start, Demo > Children
# > the first demo, Ctrl+Space), with no dialog on the way: the built-in
# synthesizer plays the song, heard at its times. Run by tools/guibench.

# Only Midi Through is left on the sequencer; the keyboards come back at the end.
rmmod snd_virmidi snd_seq_virmidi
at_finish 'for m in /run/seqvm/*virmidi*.ko; do insmod "$m"; done; chmod a+rw /dev/snd/*'
check '! grep -q "Virtual Raw MIDI" /proc/asound/seq/clients' \
    "no MIDI keyboard is on the sequencer"
# The laptop's sound card is the loopback's playing side, chosen as ALSA's
# default the way a user's ~/.asoundrc chooses one.
printf 'pcm.!default { type plug slave.pcm "hw:Loopback,0,0" }\n' >"$HOME/.asoundrc"
audio=$shots/newcomer.wav
arecord -q -D hw:Loopback,1,0 -f S16_LE -r 48000 -c 2 -d 90 "$audio" &
recorder=$!
at_finish "kill $recorder 2>/dev/null"
sleep 0.5

screen 1366x768
start_app
wait_window '^Clavion'
main=$WIN
for ((i = 0; i < 300; i++)); do grep -q '"Clavion Synth"' /proc/asound/seq/clients && break; sleep 0.1; done
check 'grep -q "\"Clavion Synth\"" /proc/asound/seq/clients' "the built-in synthesizer is on the sequencer"
sleep 2
eval "$(xdotool getwindowgeometry --shell "$WIN")"
check '((X >= 0 && Y >= 0 && X + WIDTH <= SCREEN_W && Y + HEIGHT <= SCREEN_H))' \
    "the first window (${WIDTH}x$HEIGHT at $X,$Y) is within the ${SCREEN_W}x$SCREEN_H screen"
shot newcomer-first-start

key alt+d c Return
sleep 2
check '[[ $(xdotool getwindowname "$WIN") == *" demo - "*Twinkle* ]]' "the Demo menu opens its first demo, Twinkle"
demo=$ROOT/resources/demos/twinkle_twinkle.mid
key ctrl+space
expect_start "Ctrl+Space starts a session"
sleep 3
shot newcomer-playing
check 'wait_session end 60' "the session ends with the song"
check '! xdotool search --onlyvisible --name "^Clavion - " >/dev/null' "no dialog came on the way"

open_synth_tab() {
    key ctrl+p
    wait_window 'Configuration'
    centre
    key ctrl+Next ctrl+Next
    sleep 2
}
open_synth_tab
shot newcomer-synth-settings
key Escape
WIN=$main
key ctrl+q
wait_exit 20
check '[[ $APP_STATUS == 0 ]]' "the program exits with status 0"
sleep 1
check '! grep -q "\"Clavion Synth\"" /proc/asound/seq/clients' "Quit leaves no synthesizer client behind"
kill -INT "$recorder" 2>/dev/null || true
wait "$recorder" 2>/dev/null || true

# Heard, and at the song's times, beside an offline render of the same song.
rms=$(sox "$audio" -n stat 2>&1 | awk '/RMS +amplitude/ {print $3}')
check 'awk -v r="${rms:-0}" "BEGIN { exit !(r > 0.001) }"' "the demo is heard (RMS $rms)"
"$(dirname "$app")/tools/smfdump" "$demo" >"$shots/newcomer-demo.dump"
sox "$audio" -t raw -r 4000 -e signed -b 16 -c 1 "$shots/newcomer-4k.raw"
check '"$ROOT/tests/gui/midicheck.py" onsets --rate 4000 --seconds 7 --tolerance-ms 20 \
    "$shots/newcomer-demo.dump" "$shots/newcomer-4k.raw"' \
    "the notes sound at the song's times"
fluidsynth -q -n -i -F "$shots/newcomer-offline.wav" -r 48000 \
    /usr/share/sounds/sf2/FluidR3_GM.sf2 "$demo" >/dev/null 2>&1
sox "$shots/newcomer-offline.wav" -t raw -r 4000 -e signed -b 16 -c 1 "$shots/newcomer-offline.raw"
echo "offline render of the same song (baseline):"
"$ROOT/tests/gui/midicheck.py" onsets --rate 4000 --seconds 7 \
    "$shots/newcomer-demo.dump" "$shots/newcomer-offline.raw" || true
