# shellcheck shell=bash disable=SC2016 # check evaluates its condition itself
# A take played on the PC keyboard with a known rhythm, kept, and analysed:
# the analysis window from the File menu, its clusters exported as CSV, the
# measure dragged on purpose named the worst, and Return on it loops it.
# Run by tools/guibench.

readonly DEMO_TITLE="Mary Had a Little Lamb" # 108 bpm, the melody on track #1
mkdir -p "$shots"

export LANG=en_US.UTF-8
player_settings "$XDG_CONFIG_HOME/clavion/clavion-en.conf" 3

start_app
wait_window '^Clavion'
main=$WIN
key alt+d c Down Return
for ((i = 0; i < 300; i++)); do
    [[ $(xdotool getwindowname "$WIN") == *"$DEMO_TITLE" ]] && break
    sleep 0.1
done
# Track #1 played from the PC keyboard, as in the deck scenario.
key alt+k space
sleep 0.5

# The melody's first 16 notes (ticks at 480 a quarter, 555.555 ms each) and
# how far from them each key is struck, in ms: measure 2 rushed, measure 4
# dragged most, by more than the bench's own jitter (about 100 ms).
ticks=(0 480 960 1440 1920 2400 2880 3840 4320 4800 5760 6240 6720 7680 8160 8640)
offsets=(30 10 20 0 -120 -150 -100 10 20 0 250 300 220 40 60 30)

# What Midi Through hears, each line stamped as it comes (by bash's own
# clock: no process per line). The song's time 0 is its first note from the
# accompaniment, as a listener hears it.
dump=$shots/take-through.txt
start_peer aseqdump "$dump" bash -c \
    'stdbuf -oL aseqdump -p 14:0 | while IFS= read -r l; do echo "${EPOCHREALTIME/./} $l"; done'
exec {lines}<"$dump"
mkfifo "$HOME/nap"
exec {nap}<>"$HOME/nap"
# Waits for a line matching a pattern, polling without new processes; its
# stamp in $stamp.
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
# The emulated machine is slow to start a session: the notes due at its
# first tick are heard late, those queued ahead on time. A listen first
# measures by how much, from the left hand's notes at ticks 0 and 1920.
key ctrl+space
check 'heard "Note on +1, note 48"' "Listen plays the accompaniment"
first=$stamp
# A key struck meanwhile measures how long the emulated window system and
# GUI thread take from a key to its note: the take's keys go that much early.
pressed=${EPOCHREALTIME/./}
xdotool key 1
check 'heard "Note on +0, note 64"' "a key during Listen rings the melody's first note"
lag=$((stamp - pressed))
check 'heard "Note on +1, note 55"' "Listen reaches measure 2"
late=$((first - (stamp - 1920 * 555555 / 480)))
say "a session's first notes are heard $((late / 1000)) ms late, a key's note $((lag / 1000)) ms after it"
key ctrl+space
check 'wait_session end 10' "Ctrl+Space stops listening"
key ctrl+Home # the take starts from the song's start again
while IFS= read -r _ <&"$lines"; do :; done # what the listen left unread

takeStart=$(wc -l <"$dump")
key ctrl+shift+space
check 'heard "Note on +1, note 48"' "the recording's accompaniment started"
t0=$((stamp - late))
keys=(1 2 3)
for i in "${!ticks[@]}"; do
    # Microseconds from time 0 to this key, then sleep what is left.
    target=$((ticks[i] * 555555 / 480 + offsets[i] * 1000 - lag))
    left=$((target - (${EPOCHREALTIME/./} - t0)))
    if ((left > 0)); then
        read -r -t "$((left / 1000000)).$(printf '%06d' $((left % 1000000)))" -u "$nap" _ || true
    fi
    xdotool key "${keys[i % 3]}"
done
sleep 1
key ctrl+shift+space
check 'wait_session end 10' "Ctrl+Shift+Space stops recording"
pkill -INT -x aseqdump || true # the stamping loop ends with it
stop_peer
wait_window 'Question'
key y
WIN=$main
sleep 1

# File > Take analysis.
key alt+f t
wait_window 'Take analysis'
analysis=$WIN
centre
sleep 1
shot take-analysis

csv=$HOME/take.csv
key alt+e
save_through 'Export the take as CSV' "$csv"
WIN=$analysis
cp "$csv" "$shots/take.csv" 2>/dev/null || true
# The analysis against what Midi Through heard: each cluster's note, stamped
# as it came, from time 0 and the file's time. The bench's own delays vary
# (a stalled emulated GUI thread makes a key late), so the worst measure is
# the one heard worst, which the rhythm above makes measure 4 most times.
tail -n +$((takeStart + 1)) "$dump" | awk '/Note on +0, note/ { print $1 }' >"$shots/take-heard.txt"
compare=$(python3 - "$csv" "$shots/take-heard.txt" "$t0" <<'PY'
import csv, sys
rows = list(csv.DictReader(open(sys.argv[1])))
heard = [int(x) for x in open(sys.argv[2]).read().split()]
t0 = int(sys.argv[3])
gaps, measures = [], {}
for row, stamp in zip(rows, heard):
    dev = (stamp - t0) / 1000 - int(row["file_tick"]) * 555.555 / 480
    gaps.append(abs(dev - float(row["deviation_ms"])))
    measures.setdefault(int(row["measure"]), []).append(abs(dev))
worst = max(measures, key=lambda m: sum(measures[m]) / len(measures[m]))
print(len(rows), len(heard), round(max(gaps), 1), worst)
PY
)
read -r clusters notes gap heardWorst <<<"$compare"
worst=$(awk -F, 'NR > 1 { d = $5 < 0 ? -$5 : $5; s[$1] += d; n[$1]++ }
    END { for (m in s) printf "%d %.1f\n", m, s[m] / n[m] }' "$csv" | sort -k2,2nr | head -1)
say "clusters $clusters, notes heard $notes, worst measure and its mean |deviation| in ms: $worst;" \
    "heard worst: measure $heardWorst; largest gap between heard and analysed: $gap ms"
check '[[ $clusters -eq 16 && $notes -eq 16 ]]' "the CSV holds the take's 16 clusters, as many as were heard"
check '[[ ${gap%.*} -lt 40 ]]' "each cluster's deviation is within 40 ms of what was heard"
check '[[ ${worst%% *} == "$heardWorst" ]]' "the worst measure is the one heard worst"

# Alt+W leads to the worst measures, the first chosen: Return loops it.
key alt+w Return
key Escape
WIN=$main
sleep 0.5
shot take-loop

key ctrl+q
wait_window 'Question' # the kept take is not saved
key n
wait_exit 20
check '! grep -q "^Error" "$APP_LOG"' "the program reported no sequencer error"
