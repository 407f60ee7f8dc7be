# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# The practice loop as a user sets it up: measures 3 and 4 of a demo marked
# with Ctrl+[ and Ctrl+] at the current beat, the Loop and Step up boxes
# ticked, the band shown on the piano roll, the step-up kept in the settings.
# Run by tools/guibench.

# Midi Through plays, the PC keyboard is the input; the keyboards not used
# are hidden, as in the deck scenario.
export LANG=en_US.UTF-8
mkdir -p "$shots"
player_settings "$XDG_CONFIG_HOME/clavion/clavion-en.conf" 3

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

key ctrl+q
wait_exit 20
expect_setting /Loop/stepup '^true$'
check '! grep -q "^Error" "$APP_LOG"' "the program reported no sequencer error"
