#!/usr/bin/env python3
"""Quenzo as a person meets it on a real X server: xdotool's clicks and keys on controls found by
name in the Designer form, the window read off the screen. In the servers and Wine prefix that
scripts/test(-windows) start: e2e.py linux BUILD_DIR | windows ZIP_FOLDER | installer SETUP.EXE"""
import configparser
import contextlib
import glob
import itertools
import os
import pathlib
import re
import shlex
import subprocess
import sys
import tempfile
import time
import xml.etree.ElementTree as ET

from Xlib import X, display, error, protocol

TOP = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE_RUN = os.path.join(TOP, "scripts", "lib", "wine-run")
DEADLINE = 60.0  # seconds; a sanitizer build on a busy machine is slow
# Whole stacks for the leaks the program reports at its end, through Qt's frames (built without
# frame pointers), so that scripts/lsan.supp can name the Qt functions that keep memory.
os.environ["ASAN_OPTIONS"] = os.environ.get("ASAN_OPTIONS", "") + ":fast_unwind_on_malloc=0"


def wait_for(what, read, good=bool, seconds=DEADLINE):
    deadline = time.monotonic() + seconds
    while not good(value := read()):
        if time.monotonic() > deadline:
            raise AssertionError(f"timed out waiting for {what}; last saw {value!r}")
        time.sleep(0.05)
    return value


def xdotool(*args):
    return subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True).stdout


def wine(*args, **kwargs):  # errors= opens the pipes as text
    return subprocess.run([WINE_RUN, *args], capture_output=True, errors="replace", **kwargs)


def windows():
    return set(xdotool("search", "--onlyvisible", "--name", ".").split())


def drawn(x, xid):
    """Whether the window shows more than a few colours: it has been painted."""
    g = x.create_resource_object("window", xid).get_geometry()
    pos = x.screen().root.translate_coords(xid, 0, 0)
    data = x.screen().root.get_image(pos.x, pos.y, g.width, g.height, X.ZPixmap, 0xFFFFFFFF).data
    return len({data[i:i + 3] for i in range(0, len(data), 4)}) > 20


def copied():
    """What the box with the focus holds, left selected: copied, and the clipboard read. (Wine's
    own dialogs take no Ctrl+A; Wine's clipboard at times never answers: "" then, to read again.)"""
    xdotool("key", "End", "shift+Home", "ctrl+c")
    return subprocess.run(["timeout", "5", "xclip", "-o", "-selection", "clipboard"],
                          capture_output=True, errors="replace").stdout


def exists(x, xid):
    with contextlib.suppress(error.XError):
        return bool(x.create_resource_object("window", xid).get_geometry())
    return False


def pointer_free(x):
    """Whether no client holds the pointer: a Qt popup does while it is up, and a click elsewhere
    then only closes it."""
    grabbed = x.screen().root.grab_pointer(False, 0, X.GrabModeAsync, X.GrabModeAsync, X.NONE,
                                           X.NONE, X.CurrentTime)
    x.ungrab_pointer(X.CurrentTime)  # nothing when the grab is another client's
    x.sync()
    return grabbed == X.GrabSuccess


def form_geometry(parent, dx=0, dy=0):
    """Each named widget's rectangle in the window's client area."""
    rects = {}
    for widget in parent.findall("./widget"):
        x, y, w, h = (int(widget.findtext(f"./property[@name='geometry']/rect/{v}", -1))
                      for v in ("x", "y", "width", "height"))
        rects[widget.get("name")] = (dx + x, dy + y, w, h)
        rects.update(form_geometry(widget, dx + x, dy + y))
    return rects


# The shipped pictures' rows of pixels (109 x 77), as the X server's images hold them: blue,
# green, red.
BITMAPS = {name: [data[i:i + 327] for i in range(0, len(data), 327)] for name, data in (
    (name, subprocess.check_output(["convert", os.path.join(TOP, "assets", name), "bgr:-"]))
    for name in ("dui.bmp", "cuo.bmp"))}
FORM = form_geometry(ET.parse(os.path.join(TOP, "src", "app", "Form1.ui")).find("widget"))


class Window:
    """The window 'Quenzo' by object name; no window manager, so its X window is the client area."""

    def __init__(self, x, proc=None):
        self.x, self.proc = x, proc
        self.xid = int(wait_for("the window 'Quenzo'", lambda: xdotool(
            "search", "--onlyvisible", "--name", "^Quenzo$").split() or self._still_running())[0])
        origin = x.screen().root.translate_coords(self.xid, 0, 0)
        self.left, self.top = origin.x, origin.y

    def _still_running(self):
        assert not (self.proc and self.proc.poll() is not None), \
            f"the program ended early with {self.proc.returncode}"

    def click(self, name):
        x, y, w, h = FORM[name]
        xdotool("mousemove", self.left + x + w // 2, self.top + y + h // 2, "click", "1")

    def click_corner(self):  # nothing there
        xdotool("mousemove", self.left + 540, self.top + 400, "click", "1")

    def read(self, name):
        """The text of a box, as a person copies it: a click into it, select all, copy."""
        self.click(name)
        return copied()

    def picture(self):
        """Picture1: "right" or "wrong" where it shows dui.bmp or cuo.bmp pixel for pixel, as
        shipped; "none" where it is blank; otherwise "something else"."""
        x, y, w, h = FORM["Picture1"]
        shown = self.x.screen().root.get_image(self.left + x, self.top + y, w, h, X.ZPixmap,
                                               0xFFFFFFFF).data
        rows = [b"".join(shown[i:i + 3] for i in range(row * w * 4, (row + 1) * w * 4, 4))
                for row in range(h)]
        for name, seen in (("dui.bmp", "right"), ("cuo.bmp", "wrong")):
            bitmap = BITMAPS[name]  # inside the box's frame, whatever its width
            for dx, dy in itertools.product(range(0, 3 * (w - 109) + 1, 3), range(h - 77 + 1)):
                if all(row[dx:dx + 327] == b for row, b in zip(rows[dy:dy + 77], bitmap)):
                    return seen
        return "none" if all(set(r[12:-12]) == {255} for r in rows[4:-4]) else "something else"

    def close_box(self):
        """A window manager's WM_DELETE_WINDOW; under Wine (none here) Alt+F4, the same command."""
        if self.proc.args[0] == WINE_RUN:
            return xdotool("key", "--window", self.xid, "alt+F4")
        win = self.x.create_resource_object("window", self.xid)
        data = (32, [self.x.intern_atom("WM_DELETE_WINDOW"), X.CurrentTime, 0, 0, 0])
        win.send_event(protocol.event.ClientMessage(
            window=win, client_type=self.x.intern_atom("WM_PROTOCOLS"), data=data))
        self.x.sync()

    def ends_with_0(self):
        try:
            assert (code := self.proc.wait(DEADLINE)) == 0, f"the program ended with {code}"
        except subprocess.TimeoutExpired:
            self.proc.kill()
            raise AssertionError("the program did not end")


def answers_on_the_keypad(w):
    """A free test's question, read off the window, answered wrong and then right."""
    w.click("Command5")
    question = wait_for("a question", lambda: w.read("Text1"), lambda q: q.endswith("="))
    a, op, b = re.match(r"(\d+)([-+])(\d+)=$", question).groups()
    right = int(a) + int(b) if op == "+" else int(a) - int(b)
    wrong = 10 + (right - 9) % 9 if right >= 10 else (right + 1) % 10  # as many digits
    for answer, seen in ((wrong, "wrong"), (right, "right")):
        w.click("Command6")  # 清除
        for digit in str(answer):
            w.click(f"Command3_{digit}")
        wait_for(f"the {seen}-answer picture after {answer} for {question}", w.picture,
                 seen.__eq__)


def choose_in_the_open_dialog(w, song):
    """打开 shows the open dialog; the file's name typed there is chosen."""
    before = windows()
    w.click("Command8")
    (dialog,) = wait_for("the open dialog", lambda: windows() - before)
    wait_for("the open dialog drawn", lambda: drawn(w.x, int(dialog)))
    # Into its file name box, typed again until it holds the whole name: on a busy machine keys
    # sent before the box is ready are lost. (xdotool's type prints nothing.)
    wait_for("the file name typed whole", lambda: xdotool("type", song) or copied(), song.__eq__)
    closed = lambda: dialog not in windows()
    xdotool("key", "Return")
    try:  # long enough for a busy machine: a second Return after it closed would press 打开 again
        wait_for("the open dialog to close", closed, seconds=10)
    except AssertionError:  # the first Return took the completion Qt's dialog offers
        xdotool("key", "Return")
        wait_for("the open dialog to close", closed)
    # Gone, not only hidden: until the dialog is, a completion list it shows late takes a click.
    wait_for("the open dialog to go", lambda: not exists(w.x, int(dialog)))
    # Its completion list can still come up as it goes, and hold the pointer (though never seen):
    # a click on the window's empty corner takes it down.
    wait_for("no completion list left", lambda: pointer_free(w.x) or w.click_corner())


def plays(w, song, seconds):
    """The song chosen and 播放: its position read-out ("0分3秒") reaches the seconds given."""
    choose_in_the_open_dialog(w, song)
    w.click("Command9")
    shown = lambda t: (m := re.fullmatch(r"(\d+)分(\d+)秒", t)) and int(m[1]) * 60 + int(m[2])
    wait_for(f"the position at {seconds} s", lambda: w.read("Text7"),
             lambda t: (shown(t) or 0) >= seconds)


def run(scenarios):
    failed = 0
    for name, scenario in scenarios:
        try:
            scenario()
            print("PASS", name)
        except Exception as e:  # report it, with the screen as it was, and go on with the next
            failed += 1
            subprocess.run(["import", "-window", "root", shot := f"e2e-failed-{failed}.png"])
            print("FAIL", name, e, "; the screen:", os.path.abspath(shot))
    return failed


def registry():
    """Both hives as reg.exe exports them, less what the system changes for itself or any program:
    Wine's settings, devices and drivers found as programs start, the open dialog's last folder."""
    system = ("Volatile Environment", "HKEY_LOCAL_MACHINE\\HARDWARE\\", "\\Wine\\", "DynData",
              "HKEY_LOCAL_MACHINE\\System\\", "\\MMDevices\\", "PerfData", "\\Explorer\\ComDlg32\\")
    out, lines = os.path.join(os.environ["WINEPREFIX"], "export.reg"), set()
    for hive in ("HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE"):
        wine("reg", "export", hive, "Z:" + out, "/y", check=True)
        key = ""
        for line in pathlib.Path(out).read_text(encoding="utf-16").splitlines():
            key = line if line.startswith("[") else key
            if line and not line.startswith("[") and not any(s in key for s in system):
                lines.add(f"{key} {line}")
        os.remove(out)
    return lines


def program(start, song, kept, unplugged=None):
    """Answers, plays, ends with 0 by 退出 and by the close box, and keeps nothing kept() sees.
    song(name): a fixture as the open dialog takes it; unplugged(): where the system allows it,
    the only sound device away for the time of a with block."""
    x = display.Display()  # held: Xvfb resets when its last client leaves
    before, started = kept(), []

    def launch():  # a run that failed halfway is ended before the next
        for proc in started:
            proc.kill()  # nothing if it has ended
        wait_for("no window 'Quenzo'", lambda: not xdotool("search", "--name", "^Quenzo$"))
        started.append(start())
        return started[-1]

    def first_run():
        w = Window(x, launch())
        wait_for("the window drawn", lambda: drawn(x, w.xid))
        answers_on_the_keypad(w)
        plays(w, song("tone-lr.mp3"), 3)  # at its end
        wait_for("the length read-out", lambda: w.read("Text6"), "0分2秒".__eq__)
        plays(w, song("long-8k.mp3"), 3)
        w.click("Command2")  # 退出, while it plays
        w.ends_with_0()

    def quits_after_the_sound_device_went():  # what the message says: tst_SoundDevices
        w = Window(x, launch())
        plays(w, song("long-8k.mp3"), 2)
        with unplugged():
            message = lambda: xdotool("search", "--onlyvisible", "--name", "^播放mp3$").split()
            (box,) = wait_for("the message", message)
            w.click("Command2")  # not taken while the message is up
            w.close_box()
            xdotool("mousemove", "--window", box, 5, 5, "click", "1", "key", "Return")  # 确定
            wait_for("the message to close", lambda: not message())
            w.click("Command2")
            w.ends_with_0()

    def close_box_in_a_paced_test():
        w = Window(x, launch())
        w.click("Option1_2")  # 高级: a question every 2.5 s
        w.click("Command4")
        shown = [wait_for("a question", lambda: w.read("Text1"), lambda q: q.endswith("="))]
        for _ in range(2):  # (the same question drawn again shows no change: wait for the next)
            shown.append(wait_for(f"a question after {shown}", lambda: w.read("Text1"),
                                  lambda q: q.endswith("=") and q != shown[-1]))
        # A read whose copy missed (the focus moved to a new question's answer box) gives what
        # was copied before: only a clock's text counts.
        clock = re.compile(r"\d+:\d\d:\d\d$")
        start = wait_for("the clock", lambda: w.read("Text4"), clock.match)
        wait_for(f"the clock on from {start}", lambda: w.read("Text4"),
                 lambda t: clock.match(t) and t > start)
        w.close_box()
        w.ends_with_0()

    def keeps_nothing():
        assert not (changed := kept() ^ before), f"kept: {changed}"

    return run([("shows, answers, plays, 退出 while it plays ends it with 0", first_run)] +
               [("the sound device gone: the message, then 退出 ends it with 0",
                 quits_after_the_sound_device_went)] * bool(unplugged) +
               [("高级: new questions, the clock on; the close box ends it with 0",
                 close_box_in_a_paced_test),
                ("nothing is kept", keeps_nothing)])


@contextlib.contextmanager
def unplugged():
    """scripts/test's one null sink away, then back (without the client that kept it awake)."""
    def pactl(*args):
        return subprocess.run(["pactl", *args], check=True, capture_output=True, text=True).stdout
    sink = "sink_name=quenzo_null rate=44100 channels=2"
    (module,) = [line.split()[0] for line in pactl("list", "short", "modules").splitlines()
                 if sink in line]
    pactl("unload-module", module)
    try:
        yield
    finally:
        pactl("load-module", "module-null-sink", *sink.split())
        pactl("set-default-sink", "quenzo_null")


def linux(build):
    """Installed exactly as a user gets it, with a home of its own: as root, from this build's
    package and started by its menu entry; otherwise into a folder of its own."""
    if os.geteuid() == 0 and "QUENZO_OVERLAID" not in os.environ:  # in a mount namespace of its own
        sys.exit(subprocess.call(["unshare", "--mount", "--propagation", "private", sys.executable,
                                  *sys.argv], env=dict(os.environ, QUENZO_OVERLAID="1")))
    with tempfile.TemporaryDirectory() as prefix, tempfile.TemporaryDirectory() as home:
        command = [os.path.join(prefix, "usr/bin/quenzo")]
        if os.geteuid() == 0:
            command = installed_package(build)
        else:
            print("SKIP the package: installing it needs root")
            subprocess.check_output(["cmake", "--install", build, "--prefix", prefix])
        env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"), QT_QPA_PLATFORM="xcb")
        start = lambda: subprocess.Popen(command, env=env)
        system = (".cache", os.path.join(".config", "pulse"))  # fontconfig's, PulseAudio's
        kept = lambda: {os.path.join(d, f) for d, _, files in os.walk(home) for f in files
                        if not any(s in d for s in system)}
        song = lambda name: os.path.join(TOP, "tests", "player", "fixtures", name)
        return program(start, song, kept, unplugged)


def installed_package(build):
    """This build's package installed with dpkg into overlays of /etc, /opt, /usr and /var, which
    go with this mount namespace; its menu entry's Icon in the icon theme, its Exec command."""
    subprocess.run(["sh", "-ec", "mount -t tmpfs tmpfs /mnt; for d in etc opt usr var; do mkdir -p "
                    "/mnt/$d/u /mnt/$d/w; mount -t overlay -o lowerdir=/$d,upperdir=/mnt/$d/u,"
                    "workdir=/mnt/$d/w overlay /$d; done"], check=True)
    config = os.path.join(build, "CPackConfig.cmake")
    for command in (["cpack", "-G", "DEB", "-B", "/mnt", "--config", config],
                    ["sh", "-c", "dpkg -i /mnt/*.deb"]):
        out = subprocess.run(command, capture_output=True, text=True)
        assert out.returncode == 0, out.stdout + out.stderr
    entry = configparser.ConfigParser(interpolation=None)
    entry.optionxform = str  # keys as written
    assert entry.read("/usr/share/applications/org.quenzo.quenzo.desktop"), "no menu entry"
    icon = entry["Desktop Entry"]["Icon"]
    assert glob.glob(f"/usr/share/icons/hicolor/*/apps/{icon}.*"), f"no icon {icon} in hicolor"
    return [a for a in shlex.split(entry["Desktop Entry"]["Exec"]) if a[0] != "%"]


def zip_folder(folder):
    """The program from the zip's folder, on nothing but what the folder holds."""
    start = lambda: subprocess.Popen([WINE_RUN, os.path.join(folder, "quenzo.exe")],
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    song = lambda name: "Z:" + os.path.join(TOP, "tests", "player", "fixtures", name).replace("/", "\\")
    return program(start, song, registry)


def installer(setup):
    """Silent install for this user, the Start-menu entry starts it, silent uninstall."""
    x, before = display.Display(), registry()
    folder_of = lambda variable: wine("winepath", "-u", wine(
        "cmd", "/c", "echo", f"%{variable}%").stdout.strip()).stdout.strip()
    folder = os.path.join(folder_of("LOCALAPPDATA"), "Programs", "Quenzo")
    shortcut = os.path.join(folder_of("APPDATA"), "Microsoft", "Windows", "Start Menu",
                            "Programs", "Quenzo.lnk")

    def installs():
        assert wine(setup, "/S").returncode == 0, "setup.exe /S failed"
        for path in (os.path.join(folder, "quenzo.exe"), shortcut):
            assert os.path.isfile(path), f"{path} is missing"

    def starts_from_the_start_menu():
        # As a click on the entry does: the shell opens the shortcut, which starts the program.
        subprocess.run([WINE_RUN, "start", "/unix", shortcut], check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        w = Window(x)
        wait_for("the window drawn", lambda: drawn(x, w.xid))
        w.click("Command2")
        wait_for("the window to close", lambda: not xdotool("search", "--name", "^Quenzo$"))

    def uninstalls_leaving_nothing():
        assert wine(os.path.join(folder, "uninstall.exe"), "/S").returncode == 0
        # The uninstaller goes on in a copy of itself: wait for it to finish.
        wait_for("the program's folder to go", lambda: not os.path.exists(folder))
        assert not os.path.exists(shortcut), "the Start-menu entry is still there"
        wait_for("the registry as it was", lambda: registry() ^ before, lambda c: not c)

    return run([("setup.exe /S installs for this user", installs),
                ("the Start-menu entry starts it", starts_from_the_start_menu),
                ("the uninstaller leaves nothing behind", uninstalls_leaving_nothing)])


if __name__ == "__main__":
    modes = {"linux": linux, "windows": zip_folder, "installer": installer}
    sys.exit(1 if modes[sys.argv[1]](sys.argv[2]) else 0)
