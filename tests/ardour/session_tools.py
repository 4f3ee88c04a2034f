#!/usr/bin/env python3
"""Small helpers for the Ardour tests: patch the saved session, read QUOR's
state out of it (the VST2 plug-in's bank chunk, or the VST3 plug-in's
component state inside Ardour's container), and measure 32-bit float WAV
files."""
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


def vst3_chunk_of(text):
    found = re.search(r"<vst3[^>]*>.*?<chunk>([^<]*)</chunk>", text, re.S)
    if not found:
        sys.exit("the session holds no VST3 chunk")
    return found


def vst3_component_span(container):
    """Where the component's state lies in Ardour's container: "VST3", a
    version, the class id as 32 hex digits, the offset of a list of
    (id, offset, size) entries, "Comp" among them."""
    if container[:4] != b"VST3" or len(container) < 48:
        sys.exit("the chunk is not Ardour's VST3 container")
    (list_at,) = struct.unpack_from("<q", container, 40)
    if container[list_at : list_at + 4] != b"List":
        sys.exit("the container has no list")
    (count,) = struct.unpack_from("<i", container, list_at + 4)
    for entry in range(count):
        at = list_at + 8 + entry * 20
        kind = container[at : at + 4]
        offset, size = struct.unpack_from("<qq", container, at + 4)
        if kind == b"Comp":
            return offset, offset + size
    sys.exit("the container holds no component state")


def saved_state(text):
    """(the match of the base64 text, the state bytes, the state's span in
    the decoded chunk) of whichever format the session holds."""
    if "<vst3" in text:
        found = vst3_chunk_of(text)
        container = base64.b64decode(found.group(1))
        start, end = vst3_component_span(container)
        return found, container, (start, end)
    found = chunk_of(text)
    chunk = base64.b64decode(found.group(1))
    return found, chunk, (0, len(chunk))


def rename_track(path, old, new):
    """Renames a track inside the state Ardour stored, keeping its length."""
    if len(old) != len(new):
        sys.exit("names must keep their length")
    text = open(path).read()
    found, chunk, (start, end) = saved_state(text)
    state = chunk[start:end]
    if old.encode() not in state:
        sys.exit(f'the chunk holds no "{old}"')
    chunk = chunk[:start] + state.replace(old.encode(), new.encode(), 1) + chunk[end:]
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


def program_state(chunk):
    """The nine names (bytes) and 94 values of a program chunk: the header,
    then the plug-in's state."""
    names, position = [], 8
    for _ in range(9):
        (length,) = struct.unpack_from("<i", chunk, position)
        if length < 0 or position + 4 + length > len(chunk):
            sys.exit("the chunk is not a QUOR program")
        names.append(chunk[position + 4 : position + 4 + length])
        position += 4 + length
    if position + 752 != len(chunk):
        sys.exit("the chunk is not a QUOR program")
    return names, struct.unpack_from("<94d", chunk, position)


def chunk_names(path):
    """Prints the header magic, the first preset's name (of a bank) and the
    nine names."""
    text = open(path).read()
    _, chunk, (start, end) = saved_state(text)
    chunk = chunk[start:end]
    print(chunk[:4].decode("latin-1"))
    if "<vst3" in text:
        names = program_state(chunk)[0]
    else:
        name, names, _ = quor_presets(chunk)[0]
        names = [name] + names
    for name in names:
        print(name.decode("latin-1"))


def current_state(path):
    """The names (text) and parameter values of the program that Ardour saved
    as the current one."""
    text = open(path).read()
    found, chunk, (start, end) = saved_state(text)
    if "<vst3" in text:
        names, values = program_state(chunk[start:end])
    else:
        program = int(re.search(r'program="(\d+)"', found.group(0)).group(1))
        _, names, values = quor_presets(chunk)[program]
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


def levels(path, skip=0):
    """Prints per channel the peak and RMS level in dBFS, after the first
    `skip` frames."""
    channels, values = read_float_wav(path)
    for channel in range(channels):
        own = values[channel + int(skip) * channels :: channels]
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


def aligned_difference(path, other, skip, shifts):
    """Prints the largest sample difference in dBFS of two periodic signals
    whose periods started at different times: `other` moved by the one of
    0 .. shifts - 1 frames that brings them closest, after `skip` frames."""
    channels, a = read_float_wav(path)
    other_channels, b = read_float_wav(other)
    if channels != other_channels:
        sys.exit(f"{path} and {other} differ in shape")
    start, frames = int(skip), min(len(a), len(b)) // channels - int(skip) - int(shifts)
    best = math.inf
    for shift in range(int(shifts)):
        x = a[start * channels : (start + frames) * channels]
        y = b[(start + shift) * channels : (start + shift + frames) * channels]
        best = min(best, max(abs(p - q) for p, q in zip(x, y)))
    print(f"{decibels(best):.1f}")


if __name__ == "__main__":
    command, *arguments = sys.argv[1:]
    {"session-range": session_range, "rename-track": rename_track,
     "chunk-names": chunk_names, "chunk-state": chunk_state, "levels": levels, "difference": difference,
     "aligned-difference": aligned_difference}[command](*arguments)
