#!/usr/bin/env python3
"""Checks on what the program sent to a MIDI port, for the GUI scenarios.

notes [--channel C] [--first N] [--tolerance-ms MS] EXPECTED RECORDED
  The note-ons of RECORDED are those of EXPECTED (smfdump outputs; --first: the first N),
  onset by onset; --tolerance-ms: each onset within MS, counted from the first.
take --played N [--channel C] ORIGINAL SAVED
  SAVED holds the notes of ORIGINAL with exactly N of them moved to other ticks.
onsets --rate HZ [--seconds S] [--tolerance-ms MS] EXPECTED AUDIO
  AUDIO (raw mono 16-bit samples) sounds the onsets of EXPECTED's first S seconds:
  onsets found by the rise of the energy of the signal's slope, the two aligned by their best
  common offset; --tolerance-ms: 90 % of them within MS of the song's time.
silent [--sounding-at LINE] ASEQDUMP_LOG
  Each note-on ends by its note-off or controller 123 on its channel; with
  --sounding-at, some note still sounds after the first LINE lines.
"""

import argparse
import re
import sys
from itertools import groupby


def division_of(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        for words in map(str.split, f):
            if words[:1] == ["format"]:
                return int(words[words.index("division") + 1])


def read_dump(path, channel=None):
    """Note-ons as (seconds, tick, note, channel), by time."""
    division, tempos, notes = division_of(path), [], []
    with open(path, encoding="utf-8", errors="replace") as f:
        for w in map(str.split, f):
            if w[:1] == ["event"] and w[3:4] == ["tempo"]:
                tempos.append((int(w[2]), int(w[4])))
            elif w[:1] == ["event"] and w[3:4] == ["on"] and int(w[6]) > 0:
                if channel in (None, int(w[4])):
                    notes.append((int(w[2]), int(w[5]), int(w[4])))
    if not division or division <= 0:
        sys.exit(f"{path}: no division (a timecode file?)")

    def seconds(tick):
        total, last, tempo = 0.0, 0, 500000
        for t, value in [x for x in sorted(tempos) if x[0] <= tick] + [(tick, None)]:
            total, last, tempo = total + (t - last) * tempo / division / 1e6, t, value
        return total

    notes.sort(key=lambda n: n[0])  # stable: the file's order within a tick
    return [(seconds(t), t, note, ch) for t, note, ch in notes]


def check_notes(args):
    expected = read_dump(args.expected, args.channel)[: args.first]
    recorded = read_dump(args.recorded, args.channel)
    if not expected:
        return "no expected notes"
    if len(recorded) != len(expected):
        names = " ".join(str(n[2]) for n in recorded[:40])
        return f"{len(recorded)} notes recorded, {len(expected)} expected (recorded: {names})"
    groups = [list(g) for _, g in groupby(expected, lambda n: n[1])]
    errors, i, t0 = [], 0, (expected[0][0], recorded[0][0])  # errors: (note index, ms)
    for group in groups:
        played = recorded[i : i + len(group)]
        want, got = sorted(n[2] for n in group), sorted(n[2] for n in played)
        if want != got:
            return f"onset {i}: notes {got} where {want} were expected"
        errors += [(i, ((n[0] - t0[1]) - (group[0][0] - t0[0])) * 1000) for n in played]
        i += len(group)
    at, worst = max(((k, abs(e)) for k, e in errors if e), key=lambda w: w[1], default=(0, 0.0))
    tol = args.tolerance_ms
    worst_text = "" if tol is None else f", worst onset error {worst:.2f} ms (note {at})"
    print(f"midicheck: {len(expected)} notes in {len(groups)} onsets match{worst_text}")
    if tol is not None and worst > tol:
        # One late first note shifts every other onset by the same amount.
        rest = sorted(e for _, e in errors[1:])
        median = rest[len(rest) // 2] if rest else 0.0
        return (f"onset error {worst:.2f} ms above {tol} ms; "
                f"the median onset is off by {median:+.2f} ms")


def check_take(args):
    if division_of(args.original) != division_of(args.saved):
        return "the saved file has another division"
    original, saved = ([n[1:3] for n in read_dump(p, args.channel)]
                       for p in (args.original, args.saved))
    if sorted(p for _, p in original) != sorted(p for _, p in saved):
        return f"{len(saved)} notes saved, not the {len(original)} notes of the song"
    moved = sorted(set(saved) - set(original))
    if len(moved) != args.played:
        return f"{len(moved)} notes moved, {args.played} played: {moved}"
    print(f"midicheck: the {len(saved)} notes are the song's, {len(moved)} moved to "
          + " ".join(f"{p}@{t}" for t, p in moved))


def audio_onsets(path, rate):
    """Times (s) where the energy of 10 ms of the signal's slope rises by 4 dB
    within 10 ms: the slope stresses attacks over notes that still sound."""
    from array import array
    from math import log10
    samples = array("h")
    with open(path, "rb") as f:
        samples.frombytes(f.read())
    samples = [b - a for a, b in zip(samples, samples[1:])]
    hop, width = max(1, rate // 500), max(1, rate // 100)
    level = []
    for start in range(0, len(samples) - width, hop):
        energy = sum(x * x for x in samples[start : start + width])
        level.append(10 * log10(energy / width + 1))
    if not level:
        return []
    floor, found, last = max(level) - 40, [], -1e9
    for k in range(5, len(level)):
        t = k * hop / rate
        if level[k] > floor and level[k] - min(level[k - 5 : k]) > 4 and t - last > 0.08:
            found.append(t)
            last = t
    return found


def check_onsets(args):
    notes = read_dump(args.expected)
    if not notes:
        return "no expected notes"
    first = notes[0][0]
    expected = sorted({round(n[0] - first, 4) for n in notes if n[0] - first <= args.seconds})
    found = audio_onsets(args.audio, args.rate)
    if not found:
        return "the audio is silent: no onset found"

    def deviations(offset):
        out = []
        for e in expected:
            d = min(found, key=lambda f: abs(f - offset - e))
            if abs(d - offset - e) <= 0.06:
                out.append((d - offset - e) * 1000)
        return out

    # The audio starts before the song: try each early onset as the song's first.
    offset = max((f for f in found if f < found[0] + 5),
                 key=lambda f: (len(deviations(f - expected[0])), -sum(map(abs, deviations(f - expected[0])))))
    offset -= expected[0]
    devs = deviations(offset)
    centre = sorted(devs)[len(devs) // 2]
    spread = sorted(abs(d - centre) for d in devs)
    p90 = spread[min(len(spread) - 1, int(len(spread) * 0.9))]
    print(f"midicheck: {len(devs)} of {len(expected)} onsets of the first {args.seconds:g} s heard"
          f" ({len(found)} found in the audio); after the common offset, median "
          f"{spread[len(spread) // 2]:.1f} ms, 90 % within {p90:.1f} ms, worst {spread[-1]:.1f} ms")
    if len(devs) < 0.8 * len(expected):
        return f"only {len(devs)} of {len(expected)} onsets heard"
    if args.tolerance_ms is not None and p90 > args.tolerance_ms:
        return f"90 % of the onsets within {p90:.1f} ms, above {args.tolerance_ms} ms"


def check_silent(args):
    sounding, ons, then = {}, 0, None  # sounding: (channel, note) -> line of its note-on
    with open(args.log, encoding="utf-8", errors="replace") as f:
        for number, line in enumerate(f, 1):
            if number - 1 == args.sounding_at:
                then = len(sounding)
            m = re.match(r"^\s*\d+:\d+\s+(Note on|Note off|Control change)\s+(\d+), (.*)$", line)
            if not m:
                continue
            kind, channel = m.group(1), int(m.group(2))
            fields = {k: int(v) for k, v in re.findall(r"(\w+) (\d+)", m.group(3))}
            if kind == "Note on" and fields["velocity"] > 0:
                sounding[(channel, fields["note"])] = number
                ons += 1
            elif kind.startswith("Note"):
                sounding.pop((channel, fields["note"]), None)
            elif fields.get("controller") == 123:
                sounding = {k: v for k, v in sounding.items() if k[0] != channel}
    if ons == 0:
        return "no note-on in the log"
    if args.sounding_at is not None and not then:
        return f"no note was sounding after line {args.sounding_at}"
    if sounding:
        left = ", ".join(f"{n} on channel {c} (line {l})" for (c, n), l in sorted(sounding.items()))
        return f"left sounding: {left}"
    print(f"midicheck: all {ons} note-ons ended"
          + (f", {then} of them sounding at line {args.sounding_at}" if then else ""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    sub = parser.add_subparsers(dest="command", required=True)
    notes, take, silent, onsets = (sub.add_parser(name)
                                   for name in ("notes", "take", "silent", "onsets"))
    notes.add_argument("--channel", type=int)
    notes.add_argument("--first", type=int)
    notes.add_argument("--tolerance-ms", type=float)
    take.add_argument("--played", type=int, required=True)
    take.add_argument("--channel", type=int)
    silent.add_argument("--sounding-at", type=int)
    onsets.add_argument("--rate", type=int, required=True)
    onsets.add_argument("--seconds", type=float, default=6.0)
    onsets.add_argument("--tolerance-ms", type=float)
    for p, check, files in ((notes, check_notes, "expected recorded"),
                            (take, check_take, "original saved"), (silent, check_silent, "log"),
                            (onsets, check_onsets, "expected audio")):
        p.set_defaults(check=check)
        for name in files.split():
            p.add_argument(name)
    args = parser.parse_args()
    if problem := args.check(args):
        print(f"midicheck: {problem}")
    return 1 if problem else 0


if __name__ == "__main__":
    sys.exit(main())
