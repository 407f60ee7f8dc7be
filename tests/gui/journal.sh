# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# Two Listen sessions played on a MIDI keyboard with measure 3 rushed, kept
# in the practice journal; the history window shows them, and "Practise the
# weakest" loops measure 3 with the tempo stepping up.
# Run by tools/guibench.

readonly DEMO_TITLE="Mary Had a Little Lamb" # 108 bpm, the melody on track #1
mkdir -p "$shots"

export LANG=en_US.UTF-8
export XDG_DATA_HOME=$HOME/data
export CLAVION_TRACE_LOOP=1
conf=$XDG_CONFIG_HOME/clavion/clavion-en.conf
player_settings "$conf" 3
# The keys come from the first virtual keyboard (16:0), straight to the
# engine: through the PC keyboard the emulated GUI thread delivered a
# session's first keys up to a second late, as much as the rush to be found.
sed -i 's/^iclient=255$/iclient=16/; s/^iport=255$/iport=0/' "$conf"
# Even so a session's first key may land a hundred ms late: a lenient mastery
# threshold, as a beginner would set, keeps the rushed measure's neighbours
# out of the loop.
printf '\n[Journal]\nmasteryms=400\n' >>"$conf"
# Each key ends the one before it, as legato fingers do; builtin printf, as
# a process started per key would cost the emulated CPU its own delay.
held=
strike() {
    if [[ -n $held ]]; then printf '\x80\x3c\x00\x90\x3c\x64'; else printf '\x90\x3c\x64'; fi \
        >/dev/snd/midiC0D0
    held=1
}
release() {
    [[ -z $held ]] || printf '\x80\x3c\x00' >/dev/snd/midiC0D0
    held=
}

start_app
wait_window '^Clavion'
main=$WIN
key alt+d c Down Return
for ((i = 0; i < 300; i++)); do
    [[ $(xdotool getwindowname "$WIN") == *"$DEMO_TITLE" ]] && break
    sleep 0.1
done
key alt+k space
sleep 0.5

# The melody's first 16 notes (ticks at 480 a quarter, 555.555 ms each);
# measure 3's three keys struck a second early (still after the key before
# them), the others on time.
ticks=(0 480 960 1440 1920 2400 2880 3840 4320 4800 5760 6240 6720 7680 8160 8640)
offsets=(0 0 0 0 0 0 0 -1000 -1000 -1000 0 0 0 0 0 0)

# What Midi Through hears, stamped as it comes, as in the take scenario.
dump=$shots/journal-through.txt
start_peer aseqdump "$dump" bash -c \
    'stdbuf -oL aseqdump -p 14:0 | while IFS= read -r l; do echo "${EPOCHREALTIME/./} $l"; done'
exec {lines}<"$dump"
mkfifo "$HOME/nap"
exec {nap}<>"$HOME/nap"
heard() {
    local l k
    for ((k = 0; k < 3000; k++)); do
        while IFS= read -r l <&"$lines"; do
            [[ $l =~ $1 ]] && { stamp=${l%% *}; return 0; }
        done
        read -r -t 0.003 -u "$nap" _ || true
    done
    return 1
}
drain() { while IFS= read -r _ <&"$lines"; do :; done; }

# As in the take scenario, a first listen measures how late a session's
# first notes are heard (from the left hand's notes at ticks 0 and 1920) and
# how long a key takes to ring its note; the keys below go that much early.
key ctrl+space
check 'heard "Note on +1, note 48"' "Listen plays the accompaniment"
first=$stamp
pressed=${EPOCHREALTIME/./}
strike
check 'heard "Note on +0, note 64"' "a key during Listen rings the melody's first note"
lag=$((stamp - pressed))
check 'heard "Note on +1, note 55"' "Listen reaches measure 2"
late=$((first - (stamp - 1920 * 555555 / 480)))
release
key ctrl+space
check 'wait_session end 10' "Ctrl+Space stops listening"
say "a session's first notes are heard $((late / 1000)) ms late, a key's note $((lag / 1000)) ms after it"

# That listen's one cluster is forgotten: the history window says so.
key alt+t p
wait_window 'Practice history'
key alt+f
wait_window 'Question'
key y
wait_window 'Practice history'
key Escape
WIN=$main
sleep 0.5

# The emulated machine's delays drift: each key goes early by the delay the
# last one heard took (the melody is on channel 1, as heard), from the one
# the session before ended with; and time 0 is set again from the left
# hand's note at tick 1920 once it is heard.
melody='Note on +0, note'
bar2='Note on +1, note 55'
caught_up() {
    local l
    while IFS= read -r l <&"$lines"; do
        if [[ $l =~ $melody ]] && ((heardKeys < ${#pressedAt[@]})); then
            delay=$((${l%% *} - pressedAt[heardKeys]))
            heardKeys=$((heardKeys + 1))
        elif [[ $l =~ $bar2 ]] && ((!resynced)); then
            t0=$((${l%% *} - 1920 * 555555 / 480))
            resynced=1
        fi
    done
}
delay=$lag
for session in 1 2; do
    key ctrl+Home
    drain
    key ctrl+space
    check 'heard "Note on +1, note 48"' "session $session: the accompaniment started"
    t0=$((stamp - late))
    pressedAt=()
    heardKeys=0
    resynced=0
    for i in "${!ticks[@]}"; do
        caught_up
        target=$((ticks[i] * 555555 / 480 + offsets[i] * 1000 - delay))
        left=$((target - (${EPOCHREALTIME/./} - t0)))
        if ((left > 0)); then
            read -r -t "$((left / 1000000)).$(printf '%06d' $((left % 1000000)))" -u "$nap" _ || true
        fi
        pressedAt+=("${EPOCHREALTIME/./}")
        strike
    done
    sleep 1
    release
    key ctrl+space
    check 'wait_session end 10' "session $session: Ctrl+Space stops listening"
    sleep 1
done
pkill -INT -x aseqdump || true
stop_peer
check '[[ -s $XDG_DATA_HOME/clavion/journal.sqlite ]]' "the journal was written in the data folder"

# Tracks > Practice history.
key alt+t p
wait_window 'Practice history'
history=$WIN
centre
sleep 1
shot practice-history

# Its clusters as CSV: two sessions of sixteen, measure 3's the most early.
csv=$HOME/history.csv
key alt+e
save_through 'Export the practice history as CSV' "$csv"
WIN=$history
cp "$csv" "$shots/practice-history.csv" 2>/dev/null || true
means=$(awk -F, 'NR > 1 { s[$5] += $7; n[$5]++ }
    END { for (m in s) printf "%d:%.0f ", m, s[m] / n[m] }' "$csv")
say "mean deviation in ms by measure: $means"
check '[[ $(($(wc -l <"$csv") - 1)) -eq 32 ]]' "the CSV holds the two sessions' 32 clusters"

# Its button loops the weakest measures; the program says where the loop is.
key alt+w
sleep 1
loop=$(grep -a '^loop: ' "$APP_LOG" | tail -1 || true)
say "after Practise the weakest: ${loop:-nothing}"
check '[[ $loop == "loop: bars 2-3 on, step-up on from "* ]]' \
    "the loop is on measure 3 with the tempo stepping up"
WIN=$history
key Escape
WIN=$main
sleep 0.5
shot practice-weakest-loop

key ctrl+q
wait_exit 20
expect_setting /Loop/stepup '^true$'
check '! grep -q "^Error" "$APP_LOG"' "the program reported no sequencer error"
