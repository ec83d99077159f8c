#!/usr/bin/env python3
"""Measures how far the sound of a recording is from its picture, on the simulated card's sync
marks (SyncMarks=1 in simcard.ini: once a second a white bar across the bottom eighth of the
picture, and a loud 2 kHz beep in the sound over the same pictures).

Reads any file native ffmpeg reads, with the container's own time stamps (-copyts), and prints
the offset at each mark (positive: the sound comes late), then the first, the last, the largest
and the drift per hour (a least-squares line through the offsets).

    avsync.py FILE [--json] [--marks]
"""
import json
import subprocess
import sys
from array import array

RATE = 48000
WINDOW = 48  # 1 ms of sound


def ffmpeg_lines(args):
    run = subprocess.run(["ffmpeg", "-nostdin", "-hide_banner", "-copyts"] + args,
                         capture_output=True, check=False)
    if run.returncode != 0:
        raise SystemExit("ffmpeg failed: " + run.stderr.decode(errors="replace")[-400:])
    return run.stdout, run.stderr.decode(errors="replace").splitlines()


def field(line, name):
    at = line.find(name + ":")
    if at < 0:
        return None
    rest = line[at + len(name) + 1:].lstrip()
    if rest.startswith("["):
        return rest[1:rest.index("]")].split()
    return rest.split()[0]


def picture_marks(path):
    """Times (s) of the pictures that start a mark: the bottom strip turns bright."""
    _, err = ffmpeg_lines(["-i", path, "-map", "0:v:0", "-vf",
                           "crop=iw:ih/8:0:ih*7/8,format=gray,showinfo", "-f", "null", "-"])
    frames = []
    for line in err:
        if "Parsed_showinfo" in line and " pts_time:" in line:
            t, mean = field(line, "pts_time"), field(line, "mean")
            if t is not None and mean:
                frames.append((float(t), float(mean[0])))
    if not frames:
        return [], 0
    means = sorted(m for _, m in frames)
    low, high = means[len(means) // 2], means[-1]
    if high - low < 40:
        return [], len(frames)  # no marks in the picture
    threshold = (low + high) / 2
    # A mark within the first 200 ms may have begun before the file did: not a whole one.
    onsets, was = [], False
    for t, m in frames:
        now = m > threshold
        if now and not was and t >= frames[0][0] + 0.2:
            onsets.append(t)
        was = now
    return onsets, len(frames)


def sound_marks(path):
    """Times (s) where a beep starts: 1-ms peaks jump well above the tone around them."""
    out, err = ffmpeg_lines(["-i", path, "-map", "0:a:0", "-af", "ashowinfo", "-ac", "1", "-ar", str(RATE),
                             "-f", "s16le", "-acodec", "pcm_s16le", "-"])
    start = None
    for line in err:
        if "Parsed_ashowinfo" in line and " pts_time:" in line:
            start = float(field(line, "pts_time"))
            break
    samples = array("h")
    samples.frombytes(out[: len(out) // 2 * 2])
    if sys.byteorder != "little":
        samples.byteswap()
    if start is None or not samples:
        return [], 0.0
    peaks = [max(abs(v) for v in samples[i:i + WINDOW]) for i in range(0, len(samples) - WINDOW + 1, WINDOW)]
    ordered = sorted(peaks)
    base = ordered[len(ordered) // 2]
    threshold = max(base * 1.8, ordered[-1] * 0.6) if ordered[-1] > base * 2 else None
    if threshold is None:
        return [], start
    onsets, i = [], 0
    while i < len(peaks):
        # A beep: 40 ms or more of loud windows after 200 ms of quiet ones (in the file).
        if i >= 200 and peaks[i] > threshold and all(p <= threshold for p in peaks[i - 200:i]) and \
                sum(1 for p in peaks[i:i + 40] if p > threshold) >= 36:
            first = i * WINDOW
            while first < (i + 1) * WINDOW and abs(samples[first]) <= threshold:
                first += 1
            onsets.append(start + first / RATE)
            i += 200
        else:
            i += 1
    return onsets, start


def pair(pictures, beeps):
    """(picture time, offset) for each picture mark with a beep within half a second."""
    pairs = []
    for t in pictures:
        near = min(beeps, key=lambda b: abs(b - t), default=None)
        if near is not None and abs(near - t) < 0.5:
            pairs.append((t, near - t))
    return pairs


def summary(pairs):
    if not pairs:
        return None
    offsets = [o for _, o in pairs]
    n = len(pairs)
    mt = sum(t for t, _ in pairs) / n
    mo = sum(offsets) / n
    var = sum((t - mt) ** 2 for t, _ in pairs)
    slope = sum((t - mt) * (o - mo) for t, o in pairs) / var if var > 0 else 0.0
    return {
        "marks": n,
        "first_ms": offsets[0] * 1000,
        "last_ms": offsets[-1] * 1000,
        "largest_ms": max(offsets, key=abs) * 1000,
        "drift_ms_per_hour": slope * 3600 * 1000,
        "span_s": pairs[-1][0] - pairs[0][0],
    }


def main():
    args = [a for a in sys.argv[1:] if not a.startswith("--")]
    if len(args) != 1:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    pictures, frame_count = picture_marks(args[0])
    beeps, _ = sound_marks(args[0])
    pairs = pair(pictures, beeps)
    result = summary(pairs)
    if "--json" in sys.argv:
        print(json.dumps({"pictures": len(pictures), "beeps": len(beeps), "frames": frame_count,
                          "offsets_ms": [round(o * 1000, 2) for _, o in pairs], "summary": result}))
        return 0 if result else 1
    print(f"{args[0]}: {frame_count} pictures, {len(pictures)} picture marks, {len(beeps)} beeps")
    if "--marks" in sys.argv:
        for t, o in pairs:
            print(f"  at {t:9.3f} s: {o * 1000:+8.1f} ms")
    if not result:
        print("no mark found in both the picture and the sound")
        return 1
    print(f"offset (sound after picture): first {result['first_ms']:+.1f} ms, last {result['last_ms']:+.1f} ms, "
          f"largest {result['largest_ms']:+.1f} ms over {result['marks']} marks and {result['span_s']:.0f} s")
    print(f"drift: {result['drift_ms_per_hour']:+.0f} ms per hour")
    return 0


if __name__ == "__main__":
    sys.exit(main())
