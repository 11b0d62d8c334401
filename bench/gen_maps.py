#!/usr/bin/env python3
"""Generate a format-1 Standard MIDI File dense in tempo or time-signature changes.

stdlib only; deterministic for a given --seed.

  track 0  conductor: --signatures time signatures, each lasting one to three measures and
           placed on the measure boundary its predecessors give (numerators 2..7 over quarter
           or eighth notes), then 4/4 to the end; --tempos tempo changes spread evenly over
           the song (40..200 BPM)
  track 1+ --notes notes over four channels (melody, bass, piano, drums) with a program,
           volume and pan at the start and a volume change every 32 notes

Prints a JSON line with statistics to stdout.
"""
import argparse
import json
import random
import struct

PPQ = 480


def vlq(n):
    out = [n & 0x7F]
    n >>= 7
    while n:
        out.append((n & 0x7F) | 0x80)
        n >>= 7
    return bytes(reversed(out))


def track(events):
    """events: (tick, order, bytes); a status byte is written for every channel event."""
    events.sort(key=lambda e: (e[0], e[1]))
    out = bytearray()
    last = 0
    for tick, _order, data in events:
        out += vlq(tick - last) + data
        last = tick
    out += b"\x00\xFF\x2F\x00"
    return b"MTrk" + struct.pack(">I", len(out)) + bytes(out)


def meta(kind, data):
    return b"\xFF" + bytes([kind]) + vlq(len(data)) + data


def build(notes, tempos, signatures, seed):
    rng = random.Random(seed)
    conductor = [(0, 0, meta(0x03, b"Map-heavy benchmark song"))]
    tick = 0
    for _ in range(signatures):
        nn = rng.randint(2, 7)
        dd = rng.choice((2, 3))
        conductor.append((tick, 1, meta(0x58, bytes([nn, dd, 24, 8]))))
        tick += rng.randint(1, 3) * PPQ * 4 * nn // (1 << dd)
    if signatures:
        conductor.append((tick, 1, meta(0x58, bytes([4, 2, 24, 8]))))
    step = 120  # ticks between the notes of one channel
    length = max(tick + 4 * PPQ, notes // 4 * step + 8 * PPQ)
    for i in range(tempos):
        bpm = rng.randint(40, 200)
        at = length * i // max(tempos, 1)
        conductor.append((at, 2, meta(0x51, struct.pack(">I", 60_000_000 // bpm)[1:])))

    channels = ((0, 73, 60, 79), (1, 33, 28, 48), (2, 0, 48, 84), (9, 0, 35, 57))
    chunks = [track(conductor)]
    for n, (ch, program, lo, hi) in enumerate(channels):
        ev = [(0, 0, meta(0x03, b"Channel %d" % (ch + 1)))]
        if ch != 9:
            ev.append((0, 1, bytes([0xC0 | ch, program])))
        ev.append((0, 1, bytes([0xB0 | ch, 7, 100])))
        ev.append((0, 1, bytes([0xB0 | ch, 10, 64])))
        count = notes // len(channels) + (1 if n < notes % len(channels) else 0)
        for i in range(count):
            on = 2 * PPQ + i * step + rng.randint(0, step // 4)
            key = rng.randint(lo, hi)
            ev.append((on, 3, bytes([0x90 | ch, key, rng.randint(40, 120)])))
            ev.append((on + rng.choice((60, 110, 230, 470)), 2, bytes([0x80 | ch, key, 64])))
            if i % 32 == 31:
                ev.append((on, 1, bytes([0xB0 | ch, 7, rng.randint(60, 120)])))
        chunks.append(track(ev))
    data = b"MThd" + struct.pack(">IHHH", 6, 1, len(chunks), PPQ) + b"".join(chunks)
    stats = {"notes": notes, "tempos": tempos, "signatures": signatures,
             "ticks": length, "bytes": len(data)}
    return data, stats


def main():
    ap = argparse.ArgumentParser(description=__doc__,
                                 formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("out")
    ap.add_argument("--notes", type=int, default=20000)
    ap.add_argument("--tempos", type=int, default=0)
    ap.add_argument("--signatures", type=int, default=0)
    ap.add_argument("--seed", type=int, default=1)
    a = ap.parse_args()
    data, stats = build(a.notes, a.tempos, a.signatures, a.seed)
    with open(a.out, "wb") as f:
        f.write(data)
    stats["file"] = a.out
    print(json.dumps(stats))


if __name__ == "__main__":
    main()
