#!/usr/bin/env python3
"""Synthesise Tamiro's sound effects from assets-src/sounds/sounds.toml.

Every effect is a mix of layers. A layer is either a tone (a sum of harmonics
on a gliding, optionally vibrating pitch) or noise (white noise), each shaped
by an envelope, optional amplitude modulation and optional filters:

    kind       "tone" or "noise"
    at, dur    start time and length of the layer in seconds
    gain       linear level in the mix
    freq       tone pitch in Hz (tone only)
    harmonics  amplitudes of partials 1, 2, 3, ... (tone only, default [1])
    vibrato    list of {rate, depth (semitones), from, ramp} (tone only)
    attack     raised-cosine rise time in seconds
    decay      time constant of an exponential decay after the attack
    release    raised-cosine fall at the end of the layer
    env        extra breakpoint envelope [[t, level], ...] multiplied in
    am         amplitude modulation {rate, depth, shape "sine"|"pulse", duty}
    filters    chain of {type "lowpass"|"highpass"|"bandpass", freq, q}
    formants   parallel bank of resonators {freq, q, gain} (replaces the
               plain signal by the sum of the resonators' outputs)

A value marked "curve" in the source may be a number or breakpoints
[[t, value], ...] in seconds from the layer's start; frequencies between
breakpoints move on a logarithmic scale, everything else linearly.

After mixing, the effect passes a DC blocker, is scaled to the peak level
given in [defaults], gets short fades and a few milliseconds of silence at
both ends (so no click when it starts or stops), and is written as 16-bit
mono PCM. Noise comes from a fixed-seed generator implemented here, and all
arithmetic is plain Python floating point, so the output is the same byte for
byte on every run.

Usage: make_sounds.py [--source FILE] [--out DIR]
"""

import argparse
import math
import os
import struct
import sys
import tomllib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TWO_PI = 2.0 * math.pi


class Noise:
    """SplitMix64: small, fast enough and identical everywhere."""

    MASK = (1 << 64) - 1

    def __init__(self, seed):
        self.state = (seed * 0x9E3779B97F4A7C15 + 0x632BE59BD9B4E019) & self.MASK

    def next(self):
        """A uniform value in [-1, 1)."""
        self.state = (self.state + 0x9E3779B97F4A7C15) & self.MASK
        z = self.state
        z = ((z ^ (z >> 30)) * 0xBF58476D1CE4E5B9) & self.MASK
        z = ((z ^ (z >> 27)) * 0x94D049BB133111EB) & self.MASK
        z ^= z >> 31
        return (z >> 11) * (2.0 / (1 << 53)) - 1.0


def curve(value, n, rate, logarithmic=False):
    """Per-sample values of a number or of breakpoints [[t, v], ...]."""
    if isinstance(value, (int, float)):
        return [float(value)] * n
    points = sorted((float(t), float(v)) for t, v in value)
    if logarithmic:
        points = [(t, math.log(v)) for t, v in points]
    out = []
    k = 0
    for i in range(n):
        t = i / rate
        while k + 1 < len(points) and points[k + 1][0] <= t:
            k += 1
        t0, v0 = points[k]
        if t <= t0 or k + 1 == len(points):
            v = v0
        else:
            t1, v1 = points[k + 1]
            v = v0 + (v1 - v0) * (t - t0) / (t1 - t0)
        out.append(v)
    if logarithmic:
        out = [math.exp(v) for v in out]
    return out


class Biquad:
    """RBJ cookbook filter whose centre frequency may change over time."""

    def __init__(self, kind, q, rate):
        self.kind = kind
        self.q = q
        self.rate = rate
        self.x1 = self.x2 = self.y1 = self.y2 = 0.0
        self.freq = None

    def tune(self, freq):
        if freq == self.freq:
            return
        self.freq = freq
        freq = min(freq, 0.45 * self.rate)
        w0 = TWO_PI * freq / self.rate
        cw = math.cos(w0)
        alpha = math.sin(w0) / (2.0 * self.q)
        if self.kind == "lowpass":
            b0, b1, b2 = (1 - cw) / 2, 1 - cw, (1 - cw) / 2
        elif self.kind == "highpass":
            b0, b1, b2 = (1 + cw) / 2, -(1 + cw), (1 + cw) / 2
        elif self.kind == "bandpass":
            b0, b1, b2 = alpha, 0.0, -alpha
        else:
            raise ValueError(f"unknown filter type {self.kind!r}")
        a0 = 1 + alpha
        self.b0, self.b1, self.b2 = b0 / a0, b1 / a0, b2 / a0
        self.a1, self.a2 = -2 * cw / a0, (1 - alpha) / a0

    def step(self, x):
        y = (self.b0 * x + self.b1 * self.x1 + self.b2 * self.x2
             - self.a1 * self.y1 - self.a2 * self.y2)
        self.x2, self.x1 = self.x1, x
        self.y2, self.y1 = self.y1, y
        return y


def run_filter(signal, params, rate, retune_every=16):
    """Runs one filter (fixed or gliding centre frequency) over a signal."""
    n = len(signal)
    freqs = curve(params["freq"], n, rate, logarithmic=True)
    f = Biquad(params.get("type", "lowpass"), float(params.get("q", 0.707)), rate)
    out = []
    for i, x in enumerate(signal):
        if i % retune_every == 0:
            f.tune(freqs[i])
        out.append(f.step(x))
    return out


def tone_source(layer, n, rate):
    freqs = curve(layer["freq"], n, rate, logarithmic=True)
    for vib in layer.get("vibrato", []):
        vrate = float(vib["rate"])
        depths = curve(vib["depth"], n, rate)
        start = float(vib.get("from", 0.0))
        ramp = float(vib.get("ramp", 0.0))
        for i in range(n):
            t = i / rate - start
            if t <= 0:
                continue
            grow = 1.0 if ramp <= 0 or t >= ramp else t / ramp
            semis = depths[i] * grow * math.sin(TWO_PI * vrate * t)
            freqs[i] *= 2.0 ** (semis / 12.0)
    harmonics = [float(a) for a in layer.get("harmonics", [1.0])]
    limit = 0.42 * rate
    phase = 0.0
    out = []
    for i in range(n):
        f = freqs[i]
        s = 0.0
        for k, a in enumerate(harmonics, start=1):
            if a and k * f < limit:
                s += a * math.sin(TWO_PI * k * phase)
        out.append(s)
        phase += f / rate
        if phase >= 1.0:
            phase -= math.floor(phase)
    return out


def noise_source(layer, n, rng):
    return [rng.next() for _ in range(n)]


def envelope(layer, n, rate):
    attack = float(layer.get("attack", 0.002))
    decay = layer.get("decay")
    release = float(layer.get("release", 0.005))
    na = max(1, int(round(attack * rate)))
    nr = max(1, int(round(release * rate)))
    env = [1.0] * n
    for i in range(min(na, n)):
        env[i] = 0.5 - 0.5 * math.cos(math.pi * i / na)
    if decay is not None:
        tau = float(decay) * rate
        for i in range(na, n):
            env[i] = math.exp(-(i - na) / tau)
    for j in range(min(nr, n)):
        env[n - 1 - j] *= 0.5 - 0.5 * math.cos(math.pi * j / nr)
    if "env" in layer:
        extra = curve(layer["env"], n, rate)
        env = [a * b for a, b in zip(env, extra)]
    am = layer.get("am")
    if am:
        arate = float(am["rate"])
        depths = curve(am["depth"], n, rate)
        shape = am.get("shape", "sine")
        duty = float(am.get("duty", 0.5))
        for i in range(n):
            p = (arate * i / rate) % 1.0
            if shape == "pulse":
                # A smooth bump for the open part of each cycle, silence after.
                m = math.sin(math.pi * p / duty) ** 2 if p < duty else 0.0
            else:
                m = 0.5 + 0.5 * math.cos(TWO_PI * p)
            env[i] *= 1.0 - depths[i] * (1.0 - m)
    return env


def render_layer(layer, rate, rng):
    n = int(round(float(layer["dur"]) * rate))
    kind = layer["kind"]
    if kind == "tone":
        signal = tone_source(layer, n, rate)
    elif kind == "noise":
        signal = noise_source(layer, n, rng)
    else:
        raise ValueError(f"unknown layer kind {kind!r}")
    for params in layer.get("filters", []):
        signal = run_filter(signal, params, rate)
    if "formants" in layer:
        bank = [0.0] * n
        for params in layer["formants"]:
            part = run_filter(signal, dict(params, type="bandpass"), rate)
            g = float(params.get("gain", 1.0))
            bank = [b + g * p for b, p in zip(bank, part)]
        signal = bank
    env = envelope(layer, n, rate)
    gain = float(layer.get("gain", 1.0))
    return [gain * s * e for s, e in zip(signal, env)]


def raised_fade(samples, count, at_start):
    count = min(count, len(samples))
    for j in range(count):
        w = 0.5 - 0.5 * math.cos(math.pi * j / count)
        idx = j if at_start else len(samples) - 1 - j
        samples[idx] *= w


def render_sound(sound, defaults):
    rate = int(defaults["rate"])
    rng = Noise(int(sound["seed"]))
    length = float(sound["length"])
    n = int(round(length * rate))
    mix = [0.0] * n
    for layer in sound["layer"]:
        part = render_layer(layer, rate, rng)
        start = int(round(float(layer.get("at", 0.0)) * rate))
        for i, s in enumerate(part):
            if start + i < n:
                mix[start + i] += s
    # DC blocker: noise through low-pass filters leaves a slow offset.
    prev_x = prev_y = 0.0
    r = 1.0 - TWO_PI * 20.0 / rate
    for i, x in enumerate(mix):
        prev_y = x - prev_x + r * prev_y
        prev_x = x
        mix[i] = prev_y
    raised_fade(mix, int(round(float(defaults["fade_in"]) * rate)), True)
    raised_fade(mix, int(round(float(defaults["fade_out"]) * rate)), False)
    peak = max(abs(s) for s in mix)
    if peak == 0:
        raise ValueError(f"{sound['file']} is silent")
    target = 32767.0 * 10.0 ** (float(defaults["peak_dbfs"]) / 20.0)
    scale = target / peak
    pad = [0] * int(round(float(defaults["lead"]) * rate))
    pcm = [max(-32768, min(32767, int(round(s * scale)))) for s in mix]
    return rate, pad + pcm + pad


def wav_bytes(rate, pcm):
    data = struct.pack(f"<{len(pcm)}h", *pcm)
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    body = b"WAVE" + b"fmt " + struct.pack("<I", len(fmt)) + fmt
    body += b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", len(body)) + body


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", default=os.path.join(ROOT, "assets-src", "sounds", "sounds.toml"))
    parser.add_argument("--out", default=os.path.join(ROOT, "assets"))
    parser.add_argument("--only", action="append", help="render only this file (repeatable)")
    args = parser.parse_args(argv)
    with open(args.source, "rb") as f:
        source = tomllib.load(f)
    defaults = source["defaults"]
    os.makedirs(args.out, exist_ok=True)
    for sound in source["sound"]:
        if args.only and sound["file"] not in args.only:
            continue
        rate, pcm = render_sound(sound, defaults)
        with open(os.path.join(args.out, sound["file"]), "wb") as f:
            f.write(wav_bytes(rate, pcm))
        print(f"{sound['file']}: {len(pcm) / rate:.3f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
