#!/usr/bin/env python3
"""Quenzo as a person uses it: the installed program is started on a real X server,
driven only with xdotool (keys, clicks at the controls' places) and read back only from
screenshots and the process state.

Usage: e2e.py INSTALL_PREFIX   (DISPLAY must name a running X server)
"""
import os
import subprocess
import sys
import time

from Xlib import X, display, protocol

# Client-area positions of the controls, in pixels, from the window's form.
TEXT2 = (272, 56)
PICTURE = (331, 19, 107, 75)  # inside Picture1's frame: x, y, w, h
CLEAR = (256, 188)
PACED = (152, 164)
FREE = (152, 212)
EXIT = (368, 164)
ABOUT = (368, 212)
LOOP = (516, 236)
KEY_LEFTS = [8, 94, 180, 266, 352]


def keypad(digit):
    return (8 + KEY_LEFTS[digit % 5] + 28, 256 + (16 if digit < 5 else 72) + 20)


def run(*args, check=True):
    return subprocess.run(args, check=check, capture_output=True, text=False).stdout


def wait_for(what, condition, timeout=10.0):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError(f"timed out waiting for {what}")


class App:
    def __init__(self, exe):
        self.proc = subprocess.Popen([exe], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        self.window = wait_for("the main window", lambda: self._find("^Quenzo$"))

    def _find(self, name):
        out = run("xdotool", "search", "--onlyvisible", "--name", name, check=False).split()
        return out[0].decode() if out else None

    def click(self, pos):
        run("xdotool", "mousemove", "--window", self.window, str(pos[0]), str(pos[1]),
            "click", "1")

    def type(self, text):
        run("xdotool", "type", "--delay", "20", text)

    def key(self, name):
        run("xdotool", "key", name)

    def pixels(self, x, y, w, h):
        raw = run("import", "-window", self.window, "-crop", f"{w}x{h}+{x}+{y}", "+repage",
                  "-depth", "8", "rgb:-")
        return [tuple(raw[i:i + 3]) for i in range(0, len(raw) - 2, 3)]

    def picture(self):
        """'right', 'wrong' or 'none', from the colours in the picture box."""
        px = self.pixels(*PICTURE)
        green = sum(1 for r, g, b in px if g > 120 and r < 110 and b < 110)
        red = sum(1 for r, g, b in px if r > 170 and g < 90 and b < 90)
        if green > 150 and green > red:
            return "right"
        if red > 150:
            return "wrong"
        return "none"

    def expect_picture(self, want):
        wait_for(f"the '{want}' picture", lambda: self.picture() == want, 5)

    def loop_button_colour(self):
        px = self.pixels(LOOP[0] - 4, LOOP[1] + 6, 8, 3)
        n = len(px)
        return tuple(sum(p[i] for p in px) // n for i in range(3))

    def close_box(self):
        """What a window manager does when the close box is clicked."""
        d = display.Display()
        win = d.create_resource_object("window", int(self.window))
        protocols = d.intern_atom("WM_PROTOCOLS")
        delete = d.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(window=win, client_type=protocols,
                                             data=(32, [delete, X.CurrentTime, 0, 0, 0]))
        win.send_event(event, event_mask=X.NoEventMask)
        d.flush()
        d.close()

    def exit_code(self, timeout=10):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise AssertionError("the program did not end")


def find_right_answer(app):
    """Tries 0 to 18 on the keyboard until the right-answer picture shows; the
    question on show decides which, so nothing here depends on the draw."""
    for n in range(19):
        app.click(CLEAR)
        app.expect_picture("none")
        app.click(TEXT2)
        app.type(str(n))
        try:
            wait_for("a judgement", lambda: app.picture() != "none", 0.4 if n >= 10 else 1.5)
        except AssertionError:
            continue  # one digit of a two-digit answer: no judgement yet
        if app.picture() == "right":
            return n
    raise AssertionError("no answer from 0 to 18 was judged right")


def answers_show_their_pictures(app):
    # Before any question the drill judges against 0 + 0.
    app.click(TEXT2)
    app.type("0")
    app.expect_picture("right")
    app.click(CLEAR)
    app.expect_picture("none")
    app.click(TEXT2)
    app.type("5")
    app.expect_picture("wrong")
    app.click(CLEAR)
    app.click(keypad(0))
    app.expect_picture("right")
    app.click(keypad(7))  # the keypad appends: 0 then 7 makes 7
    app.expect_picture("wrong")


def free_test_round(app):
    app.click(FREE)
    find_right_answer(app)
    # The next question follows the right answer and clears the picture.
    app.expect_picture("none")
    app.click(FREE)
    assert app.proc.poll() is None, "the program ended"


def loop_button(app):
    def grey(c):
        return max(c) - min(c) < 25 and min(c) > 150
    assert grey(app.loop_button_colour()), app.loop_button_colour()
    app.click(LOOP)
    # The style shades the face, so red shows as a light red, far from the grey.
    wait_for("a red loop button", lambda: (lambda c: c[0] > 200 and c[1] < 150 and c[2] < 150)(
        app.loop_button_colour()), 3)
    app.click(LOOP)
    wait_for("a grey loop button", lambda: grey(app.loop_button_colour()), 3)


def about_dialog(app):
    app.click(ABOUT)
    about = wait_for("the About dialog", lambda: app._find("^关于 Tovi$"))
    run("xdotool", "windowfocus", "--sync", about, check=False)
    app.key("Escape")
    wait_for("the About dialog to close", lambda: app._find("^关于 Tovi$") is None, 5)


def main():
    prefix = sys.argv[1]
    exe = next(os.path.join(root, f) for root, _, files in os.walk(prefix) for f in files
               if f == "quenzo" and os.access(os.path.join(root, f), os.X_OK))
    passed = failed = 0

    def check(name, fn):
        nonlocal passed, failed
        try:
            fn()
            passed += 1
            print(f"PASS {name}")
        except Exception as e:  # report and go on with the next scenario
            failed += 1
            print(f"FAIL {name}: {e}")

    app = App(exe)
    check("right and wrong answers, keyboard and keypad", lambda: answers_show_their_pictures(app))
    check("free test started, answered and stopped", lambda: free_test_round(app))
    check("loop button turns red and back", lambda: loop_button(app))
    check("About opens and Esc closes it", lambda: about_dialog(app))

    def exit_button():
        app.click(EXIT)
        code = app.exit_code()
        assert code == 0, f"exit code {code}: {app.proc.stderr.read().decode()[-2000:]}"
    check("exit button ends the program with 0", exit_button)

    def close_box_during_paced_test():
        second = App(exe)
        second.click(PACED)
        wait_for("a question", lambda: second.picture() == "none", 3)
        second.close_box()
        code = second.exit_code()
        assert code == 0, f"exit code {code}: {second.proc.stderr.read().decode()[-2000:]}"
    check("close box during a paced test ends the program with 0", close_box_during_paced_test)

    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
