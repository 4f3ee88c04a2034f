#!/usr/bin/env bash
# QUOR.lv2 in Debian's LV2 tools: its Turtle parses and validates, lv2info
# shows its ports, their named points, no required feature and the factory
# presets, lv2apply renders sixteen channels
# bit for bit as the VST2 plug-in's 32-bit processing does, in both modes,
# and lv2bench runs it at blocks of 1 to 4096 frames.
# Usage: tools_test.sh QUOR.lv2 QUOR.so quor-host
set -uo pipefail

bundle=$(realpath "$1")
vst=$(realpath "$2")
host=$(realpath "$3")
work=$(mktemp -d "${TMPDIR:-/tmp}/quor-lv2-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/lv2"
ln -s "$bundle" "$work/lv2/QUOR.lv2"
export LV2_PATH="$work/lv2"
uri=urn:vandorhaus:quor

failed=0
check() {
  if eval "$2"; then echo "ok: $1"; else echo "FAILED: $1"; failed=$((failed + 1)); fi
}

for file in "$bundle"/*.ttl; do
  check "serdi reads $(basename "$file")" 'serdi -o ntriples "$file" >/dev/null'
done
lv2_validate "$bundle"/*.ttl >"$work/validate.txt" 2>&1
check "lv2_validate finds no error" 'grep -q "Found 0 errors" "$work/validate.txt"' ||
  tail -n 5 "$work/validate.txt"

lv2info "$uri" >"$work/info.txt" 2>&1
ports() { grep -c "$1" "$work/info.txt"; }
check "lv2info shows 102 ports" '[ "$(grep -c "^	Port " "$work/info.txt")" = 102 ]'
check "32 of them audio" '[ "$(ports "lv2core#AudioPort")" = 32 ]'
check "no required feature" '! grep -q "Required Features" "$work/info.txt"'
check "audio ports named by track and side" \
  'grep -q "Name: *Track 2 Left" "$work/info.txt" && grep -q "Name: *Mix / Track 1 Right" "$work/info.txt"'
check "the nine factory presets" \
  '[ "$(sed -n "/Presets:/,/^\s*$/p" "$work/info.txt" | grep -c -E "Console Defaults|Clean Unity|Gentle Glue|Drum Punch|Vocal Presence|Bass Tightening|Stems Pass-Through|Warm Tape Drive|Mastering Polish")" = 9 ]'
check "the latency on its designated port" 'grep -q "Has latency: *yes" "$work/info.txt"'
check "the gains in dB, Mode with named points" \
  'grep -q "units:unit units:db" "$bundle/QUOR.ttl" && grep -q "\"16 OUT\"" "$bundle/QUOR.ttl"'
check "the 17 switches with the points Off and On" \
  '[ "$(grep -c "= \"On\"" "$work/info.txt")" = 17 ] && [ "$(grep -c "= \"Off\"" "$work/info.txt")" = 17 ]'
check "the equaliser settings say the dB they give their band" \
  '[ "$(grep -c "rdfs:comment \"The high shelf: 0 cuts it by 16.2 dB" "$bundle/QUOR.ttl")" = 8 ] &&
   [ "$(grep -c "rdfs:comment \"The bell at 1.6 kHz: 0 cuts it by 19.4 dB" "$bundle/QUOR.ttl")" = 8 ] &&
   [ "$(grep -c "rdfs:comment \"The low shelf: 0 cuts it by 18.7 dB" "$bundle/QUOR.ttl")" = 8 ]'

python3 - "$work/in16.wav" <<'EOF'
# Sixteen channels of noise and tones at different levels, 32-bit float.
import math, random, struct, sys
rate, frames, channels = 48000, 24000, 16
random.seed(5)
data = bytearray()
for i in range(frames):
    for c in range(channels):
        tone = 0.4 * math.sin(2 * math.pi * (110 + 97 * c) * i / rate)
        data += struct.pack('<f', tone + 0.3 * (random.random() * 2 - 1) * (c + 1) / channels)
fmt = struct.pack('<HHIIHH', 3, channels, rate, rate * channels * 4, channels * 4, 32)
with open(sys.argv[1], 'wb') as f:
    f.write(b'RIFF' + struct.pack('<I', 4 + 8 + len(fmt) + 8 + len(data)) + b'WAVE')
    f.write(b'fmt ' + struct.pack('<I', len(fmt)) + fmt + b'data' + struct.pack('<I', len(data)))
    f.write(data)
EOF
same_samples() {
  python3 - "$1" "$2" <<'EOF'
import struct, sys
def data(path):
    b = open(path, 'rb').read()
    i = 12
    while i < len(b):
        cid, size = b[i:i + 4], struct.unpack('<I', b[i + 4:i + 8])[0]
        if cid == b'data':
            return b[i + 8:i + 8 + size]
        i += 8 + size + (size & 1)
sys.exit(0 if data(sys.argv[1]) == data(sys.argv[2]) else 1)
EOF
}
for mode in 0 1; do
  lv2apply -i "$work/in16.wav" -o "$work/lv2-$mode.wav" -c mode $mode -c input_1 6.5 \
    -c low_gain_4 0.25 -c output_6 -3.75 -c mute_8 1 -c master_output -4.5 "$uri" \
    >"$work/apply.txt" 2>&1
  # The setting 0.25 of the low shelf shows, and is typed, as -7.3 dB.
  "$host" render "$vst" -o "$work/vst-$mode.wav" --precision 32 --bits 32f --outputs 16 --tail 0 \
    "$work/in16.wav" --set mode=$mode --set "Input 1=6.5" --set "Low Gain 4=-7.3" \
    --set "Output 6=-3.75" --set "Mute 8=1" --set "Master Output=-4.5" --allow-clip \
    >"$work/render.txt" 2>&1
  check "lv2apply in Mode $mode gives the VST2 plug-in's 32-bit samples" \
    'same_samples "$work/lv2-$mode.wav" "$work/vst-$mode.wav"'
done

for block in 1 64 512 4096; do
  check "lv2bench runs it at blocks of $block" \
    'lv2bench -b $block -n 48000 "$uri" 2>&1 | grep -q "^[0-9.]* $uri"'
done

[ "$failed" -eq 0 ] || { echo "$failed check(s) failed"; exit 1; }
