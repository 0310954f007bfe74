#!/usr/bin/env python3
"""Quenzo as a person meets it: the installed program on a real X server, its controls found
through the accessibility tree, used with real clicks and keys (xdotool) and read back
through the tree.

Usage: e2e.py BUILD_DIR   (in a D-Bus session, with DISPLAY naming an X server); it installs
the build into a temporary prefix first, exactly as a user gets it.
"""
import os
import subprocess
import sys
import tempfile
import time

import pyatspi
from gi.repository import GLib
from Xlib import X, display, protocol

DEADLINE = 60.0  # seconds; a sanitizer build on a busy machine is slow


def wait_for(what, read, good=bool):
    deadline = time.monotonic() + DEADLINE
    while not good(value := read()):
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}; last saw {value!r}")
        time.sleep(0.1)
    return value


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True).stdout


def text(acc):
    return acc.queryText().getText(0, -1)


class App:
    def __init__(self, exe, x):
        self.x = x
        env = dict(os.environ, QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1",
                   QT_QPA_PLATFORM="xcb")
        self.proc = subprocess.Popen([exe], env=env)
        try:
            self.window = wait_for("the main window in the accessibility tree", self._window)
            self.xid = int(wait_for("the main window on the screen", lambda: xdotool(
                "search", "--all", "--onlyvisible", "--pid", self.proc.pid, "--name", "^Quenzo$")))
            (self.picture,) = self.find(lambda a: a.description == "答对或答错的图片")
        except Exception:
            self.proc.kill()
            raise

    def _window(self):
        if self.proc.poll() is not None:
            raise AssertionError(f"the program ended early with {self.proc.returncode}")
        for app in pyatspi.Registry.getDesktop(0):
            try:  # an instance that has just ended may still be listed
                if app is not None and app.get_process_id() == self.proc.pid:
                    self.app = app
                    return next((w for w in app if w and w.name == "Quenzo" and w.childCount),
                                None)
            except GLib.GError:
                pass

    def find(self, pred):
        return pyatspi.findAllDescendants(self.window, pred)

    def one(self, role, name):
        found = self.find(lambda a: a.getRoleName() == role and a.name == name)
        assert len(found) == 1, f"{len(found)} of {role} {name!r}"
        return found[0]

    def click(self, acc):
        e = acc.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        xdotool("mousemove", e.x + e.width // 2, e.y + e.height // 2, "click", "1")

    def close_box(self):
        """What a window manager sends when the close box is clicked."""
        win = self.x.create_resource_object("window", self.xid)
        data = (32, [self.x.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])
        win.send_event(protocol.event.ClientMessage(
            window=win, client_type=self.x.intern_atom("WM_PROTOCOLS"), data=data))
        self.x.sync()  # the server drops a request still unread when its sender disconnects

    def ends_with_0(self):
        try:
            assert (code := self.proc.wait(DEADLINE)) == 0, f"the program ended with {code}"
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise AssertionError("the program did not end")


# What a person does, then what the answer box, the picture and the count box show. Before
# any question the drill judges against 0 + 0.
ANSWERS = [("type", "0", ["0", "对", "1 个"]), ("click", "清除", ["", "没有图片", "1 个"]),
           ("click", "7", ["7", "错", "1 个"]), ("click", "1", ["71", "错", "1 个"])]


def answers(app):
    answer, count = app.one("text", "答案"), app.one("text", "数量")
    for how, what, expected in ANSWERS:
        app.click(answer if how == "type" else app.one("push button", what))
        if how == "type":
            xdotool("type", what)
        wait_for(f"{expected} after {how} {what}",
                 lambda: [text(answer), app.picture.name, text(count)], expected.__eq__)


def play_without_a_file(app):
    boxes = lambda: [w for w in app.app if w and w.name == "播放mp3"]
    app.click(app.one("push button", "播放"))
    wait_for("the message box", boxes)
    xdotool("key", "Return")
    wait_for("the message box to close", boxes, lambda seen: not seen)


def exit_button(app):
    app.click(app.one("push button", "退出"))
    app.ends_with_0()


def close_box_in_paced_test(app):
    paced = app.one("push button", "匀速测试")
    app.click(paced)
    wait_for("the paced test to start", lambda: paced.name, "停止".__eq__)
    app.close_box()
    app.ends_with_0()


def main(prefix):
    subprocess.run(["cmake", "--install", sys.argv[1], "--prefix", prefix], check=True,
                   stdout=subprocess.DEVNULL)
    exe = os.path.join(prefix, "usr/bin/quenzo")
    x = display.Display()  # held: Xvfb resets when its last client leaves, refusing newcomers
    failed = 0
    for scenarios in [(answers, play_without_a_file, exit_button),
                      (close_box_in_paced_test,)]:
        app = None
        for scenario in scenarios:
            try:
                app = app or App(exe, x)
                scenario(app)
                print("PASS", scenario.__name__)
            except Exception as e:  # report it and go on with the next one
                failed += 1
                print("FAIL", scenario.__name__, e)
        if app and app.proc.poll() is None:
            app.proc.kill()
    return 1 if failed else 0


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as installed:
        sys.exit(main(installed))
