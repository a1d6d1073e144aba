#!/usr/bin/python3
"""Reads the verdict of a Detect from quorvafix as a screen reader does.

Run inside a session bus and an X server of its own (the caller starts them:
dbus-run-session -- xvfb-run ...): starts openbox and `quorvafix FILE` with
Qt's accessibility bridge on, finds the application, its window (a frame
named "FILE - QUORVAFIX", printed after "window:") and its "Report" text
object over AT-SPI, chooses Tools > Detect QUORVA Bug with the keyboard (F10,
then Down to the item, Return), and prints every line of the report's text as
AT-SPI gives it, after "report:", once it holds a verdict. Writes only inside
WORK (its runtime, configuration and data folders). Exit status 0 when a
verdict was read, 1 otherwise (with the reason on stderr).

usage: atspi_detect.py QUORVAFIX FILE WORK
"""
import os
import subprocess
import sys
import time

import pyatspi

VERDICTS = ("BUG DETECTED HERE!", "All OK !!!")
# Items above Detect in the Tools menu: About, Open, Copy Report.
ITEMS_ABOVE_DETECT = 3


def wait_for(what, probe, seconds):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        found = probe()
        if found:
            return found
        time.sleep(0.2)
    sys.exit("atspi_detect: no " + what + " within %d s" % seconds)


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


def main():
    program, registry, work = sys.argv[1:4]
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
        env=environment).returncode == 0, 10)
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
        keys = ["F10"] + ["Down"] * (ITEMS_ABOVE_DETECT + 1) + ["Return"]
        subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "QUORVAFIX$",
                        "windowactivate"], check=True, env=environment,
                       stdout=subprocess.DEVNULL, timeout=10)
        for key in keys:
            subprocess.run(["xdotool", "key", key], check=True, env=environment, timeout=10)
            time.sleep(0.3)
        text = wait_for("verdict in the report",
                        lambda: next((t for t in [report_text(report)]
                                      if any(v in t for v in VERDICTS)), None), 10)
        for line in text.splitlines():
            print("report:", line)
        return 0
    finally:
        for process in (window, manager):
            process.terminate()
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()


if __name__ == "__main__":
    sys.exit(main())
