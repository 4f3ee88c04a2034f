#!/usr/bin/env python3
"""Small helpers for the Ardour test: patch the saved session, read QUOR's
chunk out of it, and measure 32-bit float WAV files."""
import base64
import math
import re
import struct
import sys


def session_range(path):
    """Turns the range named "session" into the session range."""
    text = open(path).read()
    text, count = re.subn(r'(name="session"[^>]*flags=")IsRangeMarker"', r'\1IsSessionRange"', text)
    if count != 1:
        sys.exit(f"no range to turn into the session range in {path}")
    open(path, "w").write(text)


def chunk_of(text):
    found = re.search(r'<lxvst[^>]*>\s*<chunk program="\d+">([^<]*)</chunk>', text)
    if not found:
        sys.exit("the session holds no QUOR chunk")
    return found


def rename_track(path, old, new):
    """Renames a track inside the chunk Ardour stored, keeping its length."""
    if len(old) != len(new):
        sys.exit("names must keep their length")
    text = open(path).read()
    found = chunk_of(text)
    chunk = base64.b64decode(found.group(1))
    if old.encode() not in chunk:
        sys.exit(f'the chunk holds no "{old}"')
    chunk = chunk.replace(old.encode(), new.encode(), 1)
    encoded = base64.b64encode(chunk).decode()
    open(path, "w").write(text[: found.start(1)] + encoded + text[found.end(1):])


def quor_presets(chunk):
    """The presets of the bank chunk that Ardour stores: after the header, per
    preset its name, its initialised flag and, when set, the plug-in's state:
    nine names, then 94 parameter values. Names are bytes. Presets left as
    they ship are uninitialised or, at the end, left out; a current preset
    other than the first follows them, after a mark no name length can be."""
    current_mark = 0xC3505247 - 2**32

    def string_at(position):
        (length,) = struct.unpack_from("<i", chunk, position)
        if length < 0 or position + 4 + length > len(chunk):
            sys.exit("the chunk is not a bank of QUOR states")
        return chunk[position + 4 : position + 4 + length], position + 4 + length

    presets, position = [], 8
    while position < len(chunk):
        if struct.unpack_from("<i", chunk, position)[0] == current_mark:
            break
        name, position = string_at(position)
        initialised, position = chunk[position], position + 1
        names, values = [], ()
        if initialised:
            for _ in range(9):
                text, position = string_at(position)
                names.append(text)
            if position + 752 > len(chunk):
                sys.exit("the chunk is not a bank of QUOR states")
            values = struct.unpack_from("<94d", chunk, position)
            position += 752
        presets.append((name, names, values))
    return presets


def chunk_names(path):
    """Prints the header magic, the first preset's name and its nine names."""
    chunk = base64.b64decode(chunk_of(open(path).read()).group(1))
    print(chunk[:4].decode("latin-1"))
    name, names, _ = quor_presets(chunk)[0]
    for text in [name] + names:
        print(text.decode("latin-1"))


def current_state(path):
    """The names (text) and parameter values of the program that Ardour saved
    as the current one."""
    found = chunk_of(open(path).read())
    program = int(re.search(r'program="(\d+)"', found.group(0)).group(1))
    _, names, values = quor_presets(base64.b64decode(found.group(1)))[program]
    return [text.decode("utf-8", "replace") for text in names], values


def chunk_state(path):
    """Prints "name N TEXT" for the nine names, "param I VALUE" for the 94
    values of the current program."""
    names, values = current_state(path)
    for index, text in enumerate(names):
        print(f"name {index} {text}")
    for index, value in enumerate(values):
        print(f"param {index} {value:.6f}")


def read_float_wav(path):
    """Returns (channels, samples) of a 32-bit float WAV file."""
    data = open(path, "rb").read()
    position, channels, samples = 12, 0, b""
    while position + 8 <= len(data):
        tag, size = data[position : position + 4], struct.unpack_from("<I", data, position + 4)[0]
        body = data[position + 8 : position + 8 + size]
        if tag == b"fmt ":
            kind, channels = struct.unpack_from("<HH", body)
            bits = struct.unpack_from("<H", body, 14)[0]
            if kind not in (3, 0xFFFE) or bits != 32:
                sys.exit(f"{path}: not 32-bit float")
        elif tag == b"data":
            samples = body
        position += 8 + size + (size & 1)
    return channels, struct.unpack(f"<{len(samples) // 4}f", samples[: len(samples) // 4 * 4])


def decibels(x):
    return 20 * math.log10(x) if x > 0 else -math.inf


def levels(path):
    """Prints per channel the peak and RMS level in dBFS."""
    channels, values = read_float_wav(path)
    for channel in range(channels):
        own = values[channel::channels]
        peak = max(abs(v) for v in own)
        rms = math.sqrt(sum(v * v for v in own) / len(own))
        print(f"{channel + 1} {decibels(peak):.3f} {decibels(rms):.3f}")


def difference(path, other, skip):
    """Prints the largest sample difference of two files after the first
    `skip` frames, in dBFS."""
    channels, a = read_float_wav(path)
    other_channels, b = read_float_wav(other)
    if channels != other_channels or len(a) != len(b):
        sys.exit(f"{path} and {other} differ in shape")
    start = int(skip) * channels
    print(f"{decibels(max(abs(x - y) for x, y in zip(a[start:], b[start:]))):.1f}")


if __name__ == "__main__":
    command, *arguments = sys.argv[1:]
    {"session-range": session_range, "rename-track": rename_track,
     "chunk-names": chunk_names, "chunk-state": chunk_state, "levels": levels, "difference": difference}[command](*arguments)
