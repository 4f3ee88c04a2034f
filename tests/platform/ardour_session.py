"""The session file's side of the Ardour editor test.

show-editor SESSION: marks the plug-in's editor window as shown, so that
Ardour opens it with the session.
check-state SESSION KIND: the plug-in's saved state carries the typed name,
the switch is on and the knob went up; KIND says whose state it is, "fixture"
(the test plug-in), "quor" (VST2 or VST3) or "quor-lv2".
"""
import base64
import glob
import os
import re
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "ardour"))
import session_tools  # noqa: E402  QUOR's chunk, as the headless Ardour test reads it

NAME = "Café ß"


def processor(text):
    route = None
    for match in re.finditer(r'<Route [^>]*id="(\d+)"|<Processor id="(\d+)"[^>]*type="(?:lxvst|lv2|vst3)"', text):
        if match.group(1):
            route = match.group(1)
        else:
            return route, match.group(2)
    sys.exit("no plug-in in the session")


def show_editor(path):
    text = open(path, encoding="utf-8").read()
    route, plugin = processor(text)
    window = f'<Window name="P-{route}-{plugin}" visible="1" custom-ui="1"/>'
    if "<Extra>" in text:
        text = text.replace("<Extra>", f"<Extra><UI>{window}</UI>", 1)
    else:
        text = text.replace("</Session>", f"<Extra><UI>{window}</UI></Extra>\n</Session>")
    open(path, "w", encoding="utf-8").write(text)


def check_fixture(path):
    text = open(path, encoding="utf-8").read()
    chunk = base64.b64decode(re.search(r'<chunk program="0">([^<]+)</chunk>', text).group(1))
    values = dict(re.findall(r'<Controllable name="(\w+)"[^>]*value="([^"]+)"', text))
    print(f"    saved: name {NAME.encode() in chunk}, values {values}")
    # The drag and two arrow keys raised the gain.
    return NAME.encode() in chunk and float(values["Mute"]) == 1.0 and float(values["Gain"]) > 0.6


def check_quor(path):
    """Track 1's name, Input 5 raised above 0 dB and Mute 1 on, read from
    QUOR's state in the chunk (or the VST3 plug-in's component state)."""
    names, values = session_tools.current_state(path)
    print(f"    saved: name 1 {names[0]!r}, Input 5 {values[43]:.2f} dB, Mute 1 {values[85]}")
    return names[0] == NAME and values[43] > 0 and values[85] == 1


def check_quor_lv2(path):
    """The same of QUOR.lv2: the values in the session's ports, the name in
    the newest state Ardour saved beside it."""
    text = open(path, encoding="utf-8").read()
    ports = dict(re.findall(r'<Port symbol="(\w+)" value="([^"]+)"', text))
    states = glob.glob(os.path.join(os.path.dirname(path), "plugins", "*", "state*", "state.ttl"))
    newest = max(states, key=lambda s: int(re.search(r"state(\d+)", s).group(1)))
    named = f'track_name_1> "{NAME}"' in open(newest, encoding="utf-8").read()
    print(f"    saved: name 1 {named}, Input 5 {ports.get('input_5')} dB, Mute 1 {ports.get('mute_1')}")
    return named and float(ports["input_5"]) > 0 and float(ports["mute_1"]) == 1


def check_state(path, kind):
    checks = {"fixture": check_fixture, "quor": check_quor, "quor-lv2": check_quor_lv2}
    sys.exit(0 if checks[kind](path) else 1)


if __name__ == "__main__":
    {"show-editor": show_editor, "check-state": check_state}[sys.argv[1]](*sys.argv[2:])
