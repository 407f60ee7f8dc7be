#!/usr/bin/env python3
"""Checks on what the program sent to a MIDI port, for the GUI scenarios.

  midicheck.py notes [--channel C] [--first N] [--tolerance-ms MS] EXPECTED RECORDED
      EXPECTED and RECORDED are `smfdump` outputs. The note-ons of RECORDED
      must be those of EXPECTED, onset by onset (the notes of one onset in any
      order); with --tolerance-ms each onset, counted from the first note,
      must also come within MS of the expected one. --first N compares only
      the first N expected notes; --channel C only notes on channel C.
  midicheck.py take --played N [--channel C] ORIGINAL SAVED
      SAVED holds the notes of ORIGINAL (as smfdump outputs, same division)
      with N of them moved to other ticks, as keeping a take of N played
      notes does; nothing else moved.
  midicheck.py silent [--sounding-at LINE] ASEQDUMP_LOG
      Every note-on in the log of `aseqdump` ends: a note-off of that note, or
      controller 123 (all notes off) on its channel, comes after it. With
      --sounding-at, some note must still sound after the first LINE lines.
"""

import argparse
import re
import sys


def read_dump(path, channel=None):
    """Note-ons of an smfdump listing as (seconds, tick, note, channel), by time."""
    division = None
    tempos = []  # (tick, microseconds per quarter)
    notes = []
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            words = line.split()
            if words[:1] == ["format"]:
                division = int(words[words.index("division") + 1])
            elif words[:1] == ["event"] and len(words) >= 4:
                tick, kind = int(words[2]), words[3]
                if kind == "tempo":
                    tempos.append((tick, int(words[4])))
                elif kind == "on" and int(words[6]) > 0:
                    ch, note = int(words[4]), int(words[5])
                    if channel is None or ch == channel:
                        notes.append((tick, note, ch))
    if division is None or division <= 0:
        sys.exit(f"{path}: no division (a timecode file?)")
    tempos.sort()

    def seconds(tick):
        total, last_tick, tempo = 0.0, 0, 500000
        for t, value in tempos:
            if t > tick:
                break
            total += (t - last_tick) * tempo / division / 1e6
            last_tick, tempo = t, value
        return total + (tick - last_tick) * tempo / division / 1e6

    notes.sort(key=lambda n: n[0])  # stable: the file's order within a tick
    return [(seconds(t), t, note, ch) for t, note, ch in notes]


def onsets(notes):
    """Notes grouped by tick, in time order."""
    groups = []
    for n in notes:
        if groups and groups[-1][0][1] == n[1]:
            groups[-1].append(n)
        else:
            groups.append([n])
    return groups


def check_notes(args):
    expected = read_dump(args.expected, args.channel)
    recorded = read_dump(args.recorded, args.channel)
    if args.first is not None:
        expected = expected[: args.first]
    if not expected:
        return "no expected notes"
    if len(recorded) != len(expected):
        names = " ".join(str(n[2]) for n in recorded[:40])
        return f"{len(recorded)} notes recorded, {len(expected)} expected (recorded: {names})"
    t0_expected, t0_recorded = expected[0][0], recorded[0][0]
    worst, at = 0.0, 0
    errors = []  # (note index, signed error in ms from the first onset)
    i = 0
    for group in onsets(expected):
        played = recorded[i : i + len(group)]
        want = sorted(n[2] for n in group)
        got = sorted(n[2] for n in played)
        if want != got:
            return f"onset {i}: notes {got} where {want} were expected"
        if args.tolerance_ms is not None:
            for n in played:
                errors.append((i, ((n[0] - t0_recorded) - (group[0][0] - t0_expected)) * 1000))
        i += len(group)
    if args.spacing and len(onsets(expected)) > 1:
        # Counted from the second onset: the first one's own offset is
        # reported, not judged.
        first = len(onsets(expected)[0])
        lead = errors[first][1]
        errors = [(k, e - lead) for k, e in errors[first:]]
        print(f"midicheck: the first onset comes {lead:+.2f} ms before the rest's time base")
    for k, e in errors:
        if abs(e) > worst:
            worst, at = abs(e), k
    print(f"midicheck: {len(expected)} notes in {len(onsets(expected))} onsets match", end="")
    if args.tolerance_ms is not None:
        print(f", worst onset error {worst:.2f} ms (note {at})", end="")
        if worst > args.tolerance_ms:
            print()
            # One late first note shifts every other onset by the same amount.
            rest = sorted(e for _, e in errors[1:])
            median = rest[len(rest) // 2] if rest else 0.0
            return (f"onset error {worst:.2f} ms above {args.tolerance_ms} ms; "
                    f"the median onset is off by {median:+.2f} ms")
    print()
    return None


def division_of(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            words = line.split()
            if words[:1] == ["format"]:
                return int(words[words.index("division") + 1])
    return None


def check_take(args):
    if division_of(args.original) != division_of(args.saved):
        return "the saved file has another division"
    original = [(n[1], n[2]) for n in read_dump(args.original, args.channel)]
    saved = [(n[1], n[2]) for n in read_dump(args.saved, args.channel)]
    if sorted(p for _, p in original) != sorted(p for _, p in saved):
        return f"{len(saved)} notes saved, not the {len(original)} notes of the song"
    moved = sorted(set(saved) - set(original))
    if len(moved) != args.played:
        return f"{len(moved)} notes moved, {args.played} played: {moved}"
    print(f"midicheck: the {len(saved)} notes are the song's, {len(moved)} moved to "
          + " ".join(f"{p}@{t}" for t, p in moved))
    return None


LINE = re.compile(r"^\s*\d+:\d+\s+(Note on|Note off|Control change)\s+(\d+), (.*)$")


def check_silent(args):
    sounding = {}  # (channel, note) -> line number of its note-on
    ons = 0
    sounding_then = None
    with open(args.log, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            if number - 1 == args.sounding_at:
                sounding_then = len(sounding)
            m = LINE.match(line)
            if not m:
                continue
            kind, channel, rest = m.group(1), int(m.group(2)), m.group(3)
            fields = dict(re.findall(r"(\w+) (\d+)", rest))
            if kind == "Note on" and int(fields["velocity"]) > 0:
                sounding[(channel, int(fields["note"]))] = number
                ons += 1
            elif kind.startswith("Note"):
                sounding.pop((channel, int(fields["note"])), None)
            elif int(fields.get("controller", -1)) == 123:
                for key in [k for k in sounding if k[0] == channel]:
                    del sounding[key]
    if ons == 0:
        return "no note-on in the log"
    if args.sounding_at is not None and not sounding_then:
        return f"no note was sounding after line {args.sounding_at}"
    if sounding:
        left = ", ".join(f"{n} on channel {c} (line {l})" for (c, n), l in sorted(sounding.items()))
        return f"left sounding: {left}"
    then = f", {sounding_then} of them sounding at line {args.sounding_at}" if sounding_then else ""
    print(f"midicheck: all {ons} note-ons ended{then}")
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    notes = sub.add_parser("notes")
    notes.add_argument("--channel", type=int)
    notes.add_argument("--first", type=int)
    notes.add_argument("--spacing", action="store_true")
    notes.add_argument("--tolerance-ms", type=float)
    notes.add_argument("expected")
    notes.add_argument("recorded")
    take = sub.add_parser("take")
    take.add_argument("--played", type=int, required=True)
    take.add_argument("--channel", type=int)
    take.add_argument("original")
    take.add_argument("saved")
    silent = sub.add_parser("silent")
    silent.add_argument("--sounding-at", type=int)
    silent.add_argument("log")
    args = parser.parse_args()
    checks = {"notes": check_notes, "take": check_take, "silent": check_silent}
    problem = checks[args.command](args)
    if problem:
        print(f"midicheck: {problem}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
