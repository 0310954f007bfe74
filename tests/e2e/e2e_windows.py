#!/usr/bin/env python3
"""Quenzo for Windows as a parent meets it, under Wine on a real X server: the program from
the zip's folder, and the installer.

Usage: e2e_windows.py program FOLDER | installer SETUP.EXE
(with DISPLAY, WINEPREFIX and a PulseAudio null sink, as scripts/test-windows provides).

There is no accessibility tree to ask under Wine, so controls are found by their object
names in the window's Designer form, the one source of their geometry, and what the window
shows is read off the screen.
"""
import os
import subprocess
import sys
import time
import xml.etree.ElementTree as ET

from Xlib import X, display

HERE = os.path.dirname(os.path.abspath(__file__))
TOP = os.path.dirname(os.path.dirname(HERE))
WINE_RUN = os.path.join(TOP, "scripts", "lib", "wine-run")
DEADLINE = 60.0


def wait_for(what, read, good=bool, deadline=DEADLINE):
    end = time.monotonic() + deadline
    while not good(value := read()):
        if time.monotonic() > end:
            raise AssertionError(f"timed out waiting for {what}; last saw {value!r}")
        time.sleep(0.05)
    return value


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True).stdout


def wine(*args, **kwargs):
    return subprocess.run([WINE_RUN, *args], capture_output=True, text=True, errors="replace",
                          **kwargs)


def unix_path(windows_path):
    return wine("winepath", "-u", windows_path).stdout.strip()


def form_geometry(ui_file):
    """Each named widget's rectangle in its window's client area, from a Designer form."""
    rects = {}

    def walk(widget, dx, dy):
        rect = widget.find("./property[@name='geometry']/rect")
        x, y = dx, dy
        if rect is not None:
            x += int(rect.findtext("x"))
            y += int(rect.findtext("y"))
            rects[widget.get("name")] = (x, y, int(rect.findtext("width")),
                                         int(rect.findtext("height")))
        for child in widget.findall("./widget"):
            walk(child, x, y)

    root = ET.parse(ui_file).getroot().find("widget")
    for child in root.findall("./widget"):
        walk(child, 0, 0)
    return rects


FORM = form_geometry(os.path.join(TOP, "src", "app", "Form1.ui"))


def registry():
    """Both hives as reg.exe exports them, without what Wine itself keeps changing."""
    lines = set()
    for hive in ("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"):
        out = os.path.join(os.environ["WINEPREFIX"], "export.reg")
        wine("reg", "export", hive, "Z:" + out, "/y", check=True)
        with open(out, encoding="utf-16") as f:
            key = ""
            for line in f.read().splitlines():
                if line.startswith("["):
                    key = line
                elif line:
                    lines.add(f"{key} {line}")
        os.remove(out)
    # The system's own: Wine's settings, the devices, display drivers and sound devices it
    # finds as programs start, and the open dialog's memory of the folder last used, which
    # Windows keeps for every program that shows it.
    volatile = ("Volatile Environment", "\\Wine\\", "HKEY_LOCAL_MACHINE\\System\\",
                "HKEY_LOCAL_MACHINE\\HARDWARE\\", "\\MMDevices\\", "DynData", "PerfData",
                "\\Explorer\\ComDlg32\\")
    return {line for line in lines if not any(v in line for v in volatile)}


class Window:
    """A Quenzo window on the screen: clicks by object name, pixels by object name."""

    def __init__(self, x, proc):
        self.x, self.proc = x, proc
        found = wait_for("the window 'Quenzo' on the screen",
                         lambda: self._exited() or xdotool("search", "--onlyvisible", "--name",
                                                           "^Quenzo$").split())
        self.xid = int(found[0])
        geometry = self.x.create_resource_object("window", self.xid).get_geometry()
        origin = geometry.root.translate_coords(self.xid, 0, 0)
        # Without a window manager Wine draws no frame: the X window is the client area.
        self.left, self.top = origin.x, origin.y

    def _exited(self):
        if self.proc and self.proc.poll() is not None:
            raise AssertionError(f"quenzo.exe ended early with {self.proc.returncode}")
        return None

    def centre(self, name):
        x, y, w, h = FORM[name]
        return self.left + x + w // 2, self.top + y + h // 2

    def click(self, name):
        xdotool("mousemove", *self.centre(name), "click", "1")

    def pixels(self, name):
        """The control's pixels as (r, g, b) tuples."""
        x, y, w, h = FORM[name]
        image = self.x.screen().root.get_image(self.left + x, self.top + y, w, h, X.ZPixmap,
                                               0xFFFFFFFF)
        data = image.data
        return [(data[i + 2], data[i + 1], data[i]) for i in range(0, len(data), 4)]

    def picture(self):
        """What Picture1 shows: the green tick of a right answer, the red cross of a wrong one."""
        pixels = self.pixels("Picture1")
        green = sum(1 for r, g, b in pixels if g > 120 and r < 80 and b < 80)
        red = sum(1 for r, g, b in pixels if r > 180 and g < 80 and b < 80)
        return "right" if green > 200 else "wrong" if red > 200 else "none"

    def close_box(self):
        """Alt+F4: the close box's own command (SC_CLOSE), as Windows sends it for either."""
        xdotool("key", "--window", self.xid, "alt+F4")

    def ends_with_0(self):
        try:
            assert (code := self.proc.wait(DEADLINE)) == 0, f"quenzo.exe ended with {code}"
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise AssertionError("quenzo.exe did not end")


def start(x, exe):
    return Window(x, subprocess.Popen([WINE_RUN, exe], stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL))


def keypad_is_blue(w):
    """The keypad's faces are light blue, (192, 192, 255), once the window is drawn."""
    faces = lambda: w.pixels("Command3_7")
    wait_for("key 7's face in its blue", faces,
             lambda pixels: sum(1 for p in pixels if p == (192, 192, 255)) > len(pixels) // 2)


def answers_a_question_on_the_keypad(w):
    """A free test's question, answered by trying 0 to 18 on the keypad until one is right."""
    w.click("Command5")
    for answer in range(19):
        w.click("Command6")  # 清除
        for digit in str(answer):
            w.click(f"Command3_{digit}")
        try:
            wait_for(f"the right-answer picture after {answer}", w.picture, "right".__eq__, 0.8)
            return
        except AssertionError:
            pass
    raise AssertionError("no answer from 0 to 18 was judged right")


def plays_a_file_chosen_in_the_open_dialog(w):
    """打开 shows the system's dialog; a file typed there plays: the player's face changes."""
    windows = lambda: set(xdotool("search", "--onlyvisible", "--name", ".").split())
    before, stopped = windows(), w.pixels("Mp3Play1")
    w.click("Command8")
    (dialog,) = wait_for("the open dialog", lambda: windows() - before)
    song = os.path.join(TOP, "tests", "player", "fixtures", "tone-lr.mp3")
    xdotool("type", "Z:" + song.replace("/", "\\"))  # into its file name box, which has the focus
    xdotool("key", "Return")
    wait_for("the open dialog to close", lambda: dialog not in windows())
    w.click("Command9")
    wait_for("the player's face to show it playing", lambda: w.pixels("Mp3Play1") != stopped)
    wait_for("the face to show it stopped at the end", lambda: w.pixels("Mp3Play1") == stopped)


def exit_button(w):
    w.click("Command2")
    w.ends_with_0()


def close_box(w):
    w.close_box()
    w.ends_with_0()


def run(scenarios):
    failed = 0
    for name, scenario in scenarios:
        try:
            scenario()
            print("PASS", name)
        except Exception as e:  # report it and go on with the next one
            failed += 1
            print("FAIL", name, e)
    return failed


def program(folder):
    """The program from the zip's folder, on nothing but what the folder holds."""
    x = display.Display()  # held: Xvfb resets when its last client leaves
    exe = os.path.join(folder, "quenzo.exe")
    before = registry()
    state = {}

    def first_run():
        w = state["w"] = start(x, exe)
        keypad_is_blue(w)
        answers_a_question_on_the_keypad(w)
        plays_a_file_chosen_in_the_open_dialog(w)
        exit_button(w)

    def second_run():
        close_box(start(x, exe))

    def writes_nothing():
        changed = registry() ^ before
        assert not changed, "the registry changed: " + "; ".join(sorted(changed)[:10])

    return run([("shows, keypad answers, plays a chosen file, 退出 ends it with 0", first_run),
                ("the close box's command ends it with 0", second_run),
                ("the registry is as it was", writes_nothing)])


def installer(setup):
    """Silent install for this user, the Start-menu entry starts it, silent uninstall."""
    x = display.Display()
    before = registry()
    folder_of = lambda variable: unix_path(wine("cmd", "/c", "echo", f"%{variable}%").stdout.strip())
    folder = os.path.join(folder_of("LOCALAPPDATA"), "Programs", "Quenzo")
    start_menu = os.path.join(folder_of("APPDATA"), "Microsoft", "Windows", "Start Menu",
                              "Programs")
    shortcut = os.path.join(start_menu, "Quenzo.lnk")

    def installs():
        assert wine(setup, "/S").returncode == 0, "setup.exe /S failed"
        for path in (os.path.join(folder, "quenzo.exe"), shortcut):
            assert os.path.isfile(path), f"{path} is missing"

    def starts_from_the_start_menu():
        # As a click on the entry does: the shell opens the shortcut, which starts the program.
        opened = subprocess.run([WINE_RUN, "start", "/unix", shortcut], stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)  # no pipe for the program to hold
        assert opened.returncode == 0, "the shortcut does not open"
        w = Window(x, None)
        keypad_is_blue(w)
        w.click("Command2")
        wait_for("the window to close", lambda: not xdotool("search", "--name", "^Quenzo$"))

    def uninstalls_leaving_nothing():
        assert wine(os.path.join(folder, "uninstall.exe"), "/S").returncode == 0
        # The uninstaller runs on from a copy of itself: wait for it to finish.
        wait_for("the program's folder to go", lambda: not os.path.exists(folder))
        assert not os.path.exists(shortcut), "the Start-menu entry is still there"
        changed = wait_for("the registry as it was", lambda: registry() ^ before,
                           lambda c: not c, 20)
        assert not changed, changed

    return run([("setup.exe /S installs for this user", installs),
                ("the Start-menu entry starts it", starts_from_the_start_menu),
                ("the uninstaller leaves nothing behind", uninstalls_leaving_nothing)])


if __name__ == "__main__":
    mode, target = sys.argv[1:3]
    sys.exit(1 if {"program": program, "installer": installer}[mode](target) else 0)
