#!/usr/bin/env python3
"""Qtractor session files with QUOR as a CLAP plug-in, and QUOR's state in them.

  session.py chunk FXP OUT [NAME ...]   the program chunk of FXP, with new names
  session.py write QTR CLAP WAV STATE   a session: WAV on track 1 through CLAP
  session.py show QTR                   the names and values of QUOR's state in QTR
  session.py params QTR                 the <param> values Qtractor stored in QTR
  session.py levels WAV                 per channel: RMS over the middle, peak

QUOR's state is its program chunk: the "tffp" header and version, the nine
names (a 32-bit length, then the bytes), then 94 values as doubles, all
little-endian. Qtractor keeps it as base64 of a 4-byte big-endian length and
a zlib stream.
"""
import base64
import json
import math
import os
import struct
import sys
import wave
import xml.etree.ElementTree as ElementTree
import zlib

MAGIC = 0x70666674
NAMES = 9
VALUES = 94


def parse_chunk(data):
    magic, version = struct.unpack_from('<Ii', data, 0)
    if magic != MAGIC:
        raise ValueError('not a QUOR state')
    at = 8
    names = []
    for _ in range(NAMES):
        (length,) = struct.unpack_from('<i', data, at)
        at += 4
        names.append(data[at:at + length].decode('utf-8'))
        at += length
    values = list(struct.unpack_from('<%dd' % VALUES, data, at))
    at += 8 * VALUES
    if at != len(data):
        raise ValueError('%d bytes after the state' % (len(data) - at))
    return version, names, values


def make_chunk(version, names, values):
    out = struct.pack('<Ii', MAGIC, version)
    for name in names:
        raw = name.encode('utf-8')
        out += struct.pack('<i', len(raw)) + raw
    return out + struct.pack('<%dd' % VALUES, *values)


def fxp_chunk(path):
    """The opaque chunk of a program file: 60 bytes of header, then the chunk."""
    with open(path, 'rb') as f:
        data = f.read()
    if data[0:4] != b'CcnK' or data[8:12] != b'FPCh':
        raise ValueError(path + ': not a program file with a chunk')
    (size,) = struct.unpack_from('>i', data, 56)
    return data[60:60 + size]


def encode_state(chunk):
    return base64.b64encode(struct.pack('>I', len(chunk)) + zlib.compress(chunk)).decode('ascii')


def decode_state(text):
    raw = base64.b64decode(''.join(text.split()))
    (length,) = struct.unpack_from('>I', raw, 0)
    chunk = zlib.decompress(raw[4:])
    if len(chunk) != length:
        raise ValueError('state of %d bytes, %d announced' % (len(chunk), length))
    return chunk


def wav_frames(path):
    with wave.open(path) as w:
        return w.getnframes()


def write_session(qtr, clap, wav, state_path):
    with open(state_path, 'rb') as f:
        chunk = f.read()
    directory = os.path.dirname(os.path.abspath(qtr))
    name = os.path.splitext(os.path.basename(qtr))[0]
    text = f'''<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE qtractorSession>
<session version="qtractor 0.9.31" name="{name}">
 <properties>
  <directory>{directory}</directory>
  <description></description>
  <sample-rate>48000</sample-rate>
  <tempo>120</tempo>
  <ticks-per-beat>960</ticks-per-beat>
  <beats-per-bar>4</beats-per-bar>
  <beat-divisor>2</beat-divisor>
 </properties>
 <tracks>
  <track name="Track 1" type="audio">
   <properties>
    <input-bus>Master</input-bus>
    <output-bus>Master</output-bus>
   </properties>
   <state>
    <mute>0</mute>
    <solo>0</solo>
    <record>0</record>
    <monitor>0</monitor>
    <gain>1</gain>
    <panning>0</panning>
   </state>
   <clips>
    <clip name="tone">
     <properties>
      <name>tone</name>
      <start>0</start>
      <offset>0</offset>
      <length>{wav_frames(wav)}</length>
      <gain>1</gain>
     </properties>
     <audio-clip>
      <filename>{os.path.abspath(wav)}</filename>
     </audio-clip>
    </clip>
   </clips>
   <plugins>
    <plugin type="CLAP">
     <filename>{os.path.abspath(clap)}</filename>
     <index>0</index>
     <label>QUOR</label>
     <activated>1</activated>
     <configs>
      <config key="state">{encode_state(chunk)}</config>
     </configs>
    </plugin>
   </plugins>
  </track>
 </tracks>
</session>
'''
    with open(qtr, 'w', encoding='utf-8') as f:
        f.write(text)


def plugin_element(qtr):
    root = ElementTree.parse(qtr).getroot()
    for plugin in root.iter('plugin'):
        if plugin.get('type') == 'CLAP':
            return plugin
    raise ValueError(qtr + ': no CLAP plug-in')


def show(qtr):
    for config in plugin_element(qtr).iter('config'):
        if config.get('key') == 'state':
            version, names, values = parse_chunk(decode_state(config.text or ''))
            return {'version': version, 'names': names, 'values': values}
    raise ValueError(qtr + ': no state')


def params(qtr):
    return {int(p.get('index')): float(p.text) for p in plugin_element(qtr).iter('param')}


def levels(path):
    with wave.open(path) as w:
        rate, channels, width = w.getframerate(), w.getnchannels(), w.getsampwidth()
        raw = w.readframes(w.getnframes())
    kind = {2: 'h', 4: 'i'}[width]
    scale = float(1 << (8 * width - 1))
    samples = struct.unpack('<%d%s' % (len(raw) // width, kind), raw)
    result = []
    for c in range(channels):
        ch = [x / scale for x in samples[c::channels]]
        # The middle second: away from the transport's start and stop.
        middle = ch[len(ch) // 2 - rate // 2:len(ch) // 2 + rate // 2] or ch
        rms = math.sqrt(sum(x * x for x in middle) / max(len(middle), 1))
        result.append({'rms': rms, 'peak': max((abs(x) for x in ch), default=0.)})
    return result


def main(argv):
    command = argv[1] if len(argv) > 1 else ''
    if command == 'chunk' and len(argv) >= 4:
        version, names, values = parse_chunk(fxp_chunk(argv[2]))
        for i, name in enumerate(argv[4:4 + NAMES]):
            names[i] = name
        with open(argv[3], 'wb') as f:
            f.write(make_chunk(version, names, values))
    elif command == 'write' and len(argv) == 6:
        write_session(*argv[2:6])
    elif command == 'show' and len(argv) == 3:
        print(json.dumps(show(argv[2]), ensure_ascii=False))
    elif command == 'params' and len(argv) == 3:
        print(json.dumps(params(argv[2])))
    elif command == 'levels' and len(argv) == 3:
        print(json.dumps(levels(argv[2])))
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
