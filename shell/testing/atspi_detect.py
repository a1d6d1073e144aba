#!/usr/bin/python3
"""Reads the verdict of a Detect from quorvafix as a screen reader does.

Run inside a session bus and an X server of its own (the caller starts them:
dbus-run-session -- xvfb-run ...): starts openbox and `quorvafix FILE` with
Qt's accessibility bridge on, finds the application, its window (a frame
named "FILE - QUORVAFIX", printed after "window:") and its "Report" text
object over AT-SPI, chooses Tools > Detect QUORVA Bug with the keyboard
(F10, which opens the menu on its first item, then Down to the item,
Return), and prints every line of the report's text as AT-SPI gives it,
after "report:", once it holds a verdict. Writes only inside WORK (its
runtime, configuration and data folders). Exit status 0 when a verdict was
read, 1 otherwise (with the reason on stderr). Without --orca it then drags
the mouse over the report from "COM3:" to "COM5:", at the places AT-SPI
gives for them, and prints X's PRIMARY selection after "primary:".

With --orca, Orca itself runs too, started before the program with its
speech going to WORK/speech.log (orca_speech_log.py); before the Detect the
export is opened again OPEN_ROUNDS times with the keyboard (Ctrl+O, its
name, Return), each time printing "after Open:" and whether the frame is
active and the report focused then, over AT-SPI. Each key of the menu waits
until Orca has said the item it selects. Once Orca has said the verdict,
flat review reads the current line and the next two (KP_Up, KP_Page_Up
twice), each key waiting until its line is said; everything Orca said is
printed after "said:", one utterance a line. Exit status 1 when Orca does
not say one of them within ORCA_LAG seconds.

usage: atspi_detect.py [--orca] QUORVAFIX FILE WORK
"""
import gi
import json
import os
import subprocess
import sys
import time

import pyatspi

VERDICTS = ("BUG DETECTED HERE!", "All OK !!!")
# Times the export is opened again with Orca running: Qt lost the keyboard
# after about half of them.
OPEN_ROUNDS = 3
# What Orca says as F10 opens Tools and each Down moves on to Detect (the
# Return that chooses it says nothing); and how long Orca may lag behind on
# a loaded machine.
MENU_ITEMS = ["About...", "Open Registry Export...", "Copy Report.", "Detect QUORVA Bug.", None]
ORCA_LAG = 30


def wait_for(what, probe, seconds, seen=lambda: []):
    """probe's first true answer within seconds; otherwise exits saying what
    was not seen, and the lines seen gives."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    sys.exit("\n".join(["atspi_detect: no " + what + " within %d s" % seconds] + seen()))


def find_named(accessible, role, name):
    if accessible is None:
        return None
    try:
        if accessible.getRoleName() == role and accessible.name == name:
            return accessible
        for i in range(accessible.childCount):
            found = find_named(accessible.getChildAtIndex(i), role, name)
            if found:
                return found
    except Exception:  # an object that went away while it was read
        return None
    return None


def application(name):
    desktop = pyatspi.Registry.getDesktop(0)
    for i in range(desktop.childCount):
        app = desktop.getChildAtIndex(i)
        if app is not None and app.name == name:
            return app
    return None


def report_text(report):
    text = report.queryText()
    return text.getText(0, text.characterCount)


def select_with_mouse(report, first, after, environment):
    """Drags the mouse over the report from the start of the text first to
    the start of the text after, at the places AT-SPI gives for them, and
    returns X's PRIMARY selection then."""
    text = report.queryText()
    whole = text.getText(0, text.characterCount)
    points = []
    for offset in (whole.index(first), whole.index(after)):
        x, y, width, height = text.getCharacterExtents(offset, pyatspi.DESKTOP_COORDS)
        points.append((str(x + 1), str(y + height // 2)))
    subprocess.run(["xdotool", "mousemove", *points[0], "mousedown", "1",
                    "mousemove", *points[1], "sleep", "0.2", "mouseup", "1"],
                   check=True, env=environment, timeout=10)
    time.sleep(0.5)
    gi.require_version("Gtk", "3.0")
    from gi.repository import Gdk, Gtk
    return Gtk.Clipboard.get(Gdk.SELECTION_PRIMARY).wait_for_text()


def open_again(registry, app, report, environment):
    """Opens registry again through Tools > Open (Ctrl+O, its name typed,
    Return); returns whether the frame is active and the report focused."""
    subprocess.run(["xdotool", "key", "ctrl+o"], check=True, env=environment, timeout=10)
    wait_for("Open dialog", lambda: find_named(app, "dialog", "Open Registry Export"), 10)
    time.sleep(0.5)
    subprocess.run(["xdotool", "type", os.path.basename(registry)], check=True,
                   env=environment, timeout=10)
    time.sleep(0.3)
    subprocess.run(["xdotool", "key", "Return"], check=True, env=environment, timeout=10)
    wait_for("Open dialog closed",
             lambda: not find_named(app, "dialog", "Open Registry Export"), 10)
    time.sleep(1)
    frame = report
    while frame.getRoleName() != "frame":
        frame = frame.parent
    return "frame %s, report %s" % (
        "active" if frame.getState().contains(pyatspi.STATE_ACTIVE) else "inactive",
        "focused" if report.getState().contains(pyatspi.STATE_FOCUSED) else "unfocused")


def start_orca(work, environment):
    """Starts Orca with its speech going to WORK/speech.log; returns the
    process and a function giving what it has said so far."""
    prefs = os.path.join(work, "orca")
    os.makedirs(prefs, exist_ok=True)
    factory = {"speechServerFactory": "orca_speech_log",
               "speechServerFactoryModules": ["orca_speech_log"]}
    with open(os.path.join(prefs, "user-settings.conf"), "w") as conf:
        json.dump({"general": dict(factory),
                   "profiles": {"default": dict(factory, profile=["Default", "default"])},
                   "pronunciations": {}, "keybindings": {}}, conf)
    log = os.path.join(work, "speech.log")
    # Orca finds the speech server beside this script, and leaves no
    # compiled copy of it there.
    orca_environment = dict(environment, QUORVAFIX_SPEECH_LOG=log,
                            PYTHONPATH=os.path.dirname(os.path.abspath(__file__)),
                            PYTHONDONTWRITEBYTECODE="1")

    def said():
        try:
            with open(log, encoding="utf-8") as spoken:
                return spoken.read().splitlines()
        except FileNotFoundError:
            return []
    orca = subprocess.Popen(["orca", "-u", prefs], env=orca_environment,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for("Orca speaking", lambda: "Screen reader on." in said(), 40)
    return orca, said


def main():
    with_orca = sys.argv[1] == "--orca"
    program, registry, work = sys.argv[1 + with_orca:4 + with_orca]
    environment = dict(os.environ)
    for folder in ("runtime", "config", "data"):
        os.makedirs(os.path.join(work, folder), mode=0o700, exist_ok=True)
    environment.update({
        "QT_QPA_PLATFORM": "xcb",
        "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1",
        "XDG_RUNTIME_DIR": os.path.join(work, "runtime"),
        "XDG_CONFIG_HOME": os.path.join(work, "config"),
        "XDG_DATA_HOME": os.path.join(work, "data"),
        "TMPDIR": work,
    })
    # The accessibility bus is running before the program looks for it.
    pyatspi.Registry.getDesktop(0)
    manager = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, env=environment)
    # The window manager has taken the screen once it names a current desktop.
    wait_for("window manager", lambda: subprocess.run(
        ["xdotool", "get_desktop"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        env=environment).returncode == 0, 30)
    orca, said = start_orca(work, environment) if with_orca else (None, None)
    window = subprocess.Popen([program, registry], env=environment)
    try:
        app = wait_for("application quorvafix on the accessibility bus",
                       lambda: application("quorvafix"), 20)
        title = os.path.basename(registry) + " - QUORVAFIX"
        wait_for("frame named " + title, lambda: find_named(app, "frame", title), 10)
        print("window:", title)
        report = wait_for("text object named Report",
                          lambda: find_named(app, "text", "Report"), 10)
        wait_for("export read", lambda: "Registry export:" in report_text(report), 10)
        keys = ["F10"] + ["Down"] * (len(MENU_ITEMS) - 2) + ["Return"]
        subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "QUORVAFIX$",
                        "windowactivate"], check=True, env=environment,
                       stdout=subprocess.DEVNULL, timeout=10)
        if orca:
            for _ in range(OPEN_ROUNDS):
                print("after Open:", open_again(registry, app, report, environment))
        for key, item in zip(keys, MENU_ITEMS):
            count = len(said()) if orca else 0
            subprocess.run(["xdotool", "key", key], check=True, env=environment, timeout=10)
            time.sleep(0.3)
            if orca and item:
                # Orca drops a focus event a later one overtakes: the next key
                # waits until the item is said.
                wait_for(item + " said", lambda: item in said()[count:], ORCA_LAG,
                         lambda: ["said: " + line for line in said()])
        text = wait_for("verdict in the report",
                        lambda: next((t for t in [report_text(report)]
                                      if any(v in t for v in VERDICTS)), None), 10)
        for line in text.splitlines():
            print("report:", line)
        if not orca:
            print("primary:", repr(select_with_mouse(report, "COM3:", "COM5:", environment)))
        if orca:
            wait_for("verdict said", lambda: any(VERDICTS[0] in line for line in said()),
                     ORCA_LAG, lambda: ["said: " + line for line in said()])
            # Flat review starts on the caret's line, the report's first.
            for key, line in zip(["KP_Up", "KP_Page_Up", "KP_Page_Up"], text.splitlines()):
                count = len(said())
                subprocess.run(["xdotool", "key", key], check=True, env=environment, timeout=10)
                wait_for(key + " said", lambda: line in said()[count:], ORCA_LAG,
                         lambda: ["said: " + line for line in said()])
            for line in said():
                print("said:", line)
        return 0
    finally:
        for process in (window, orca, manager):
            if process is None:
                continue
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()


if __name__ == "__main__":
    sys.exit(main())
