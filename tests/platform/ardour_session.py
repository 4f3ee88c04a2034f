"""The session file's side of the Ardour editor test.

show-editor SESSION: marks the plug-in's editor window as shown, so that
Ardour opens it with the session.
check-state SESSION: the plug-in's saved chunk carries the typed name, the
switch is on and the knob went up.
"""
import base64
import re
import sys


def processor(text):
    route = None
    for match in re.finditer(r'<Route [^>]*id="(\d+)"|<Processor id="(\d+)"[^>]*type="lxvst"', text):
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


def check_state(path):
    text = open(path, encoding="utf-8").read()
    chunk = base64.b64decode(re.search(r'<chunk program="0">([^<]+)</chunk>', text).group(1))
    values = dict(re.findall(r'<Controllable name="(\w+)"[^>]*value="([^"]+)"', text))
    print(f"    saved: name {'Café ß'.encode() in chunk}, values {values}")
    ok = "Café ß".encode() in chunk and float(values["Mute"]) == 1.0 and float(values["Gain"]) > 0.6
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    {"show-editor": show_editor, "check-state": check_state}[sys.argv[1]](sys.argv[2])
