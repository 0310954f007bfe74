#!/usr/bin/env python3
"""Quenzo as a screen reader meets it: the program runs with Qt's AT-SPI bridge on and
is read and driven only through the accessibility tree, never through the screen.

Usage: a11y.py QUENZO_EXECUTABLE
(inside a D-Bus session, with DISPLAY naming an X server)
"""
import os
import subprocess
import sys
import time

import pyatspi

# Every control a child reaches: its role, the name a screen reader says, and whether it
# needs a description too (text boxes without a label beside them).
CONTROLS = [
    ("text", "题目", True),
    ("text", "答案", True),
    ("text", "时间", False),
    ("text", "数量", False),
    ("text", "速度", False),
    ("text", "曲目长度", True),
    ("text", "播放位置", True),
    ("scroll bar", "左声道音量", False),
    ("scroll bar", "右声道音量", False),
    ("label", "音乐播放器", False),
    *[("push button", str(digit), False) for digit in range(10)],
    *[("push button", caption, False) for caption in (
        "匀速测试", "自由测试", "清除", "退出", "产品信息",
        "打开", "播放", "循环", "暂停", "停止")],
    *[("radio button", caption, False) for caption in ("初级", "中级", "高级")],
    *[("panel", title, False) for title in ("匀速测试等级", "数字", "播放mp3")],
]
# Roles that take the focus or an action: none of them may be nameless.
MUST_BE_NAMED = {"text", "push button", "radio button", "scroll bar", "panel", "slider"}

# Presses through the tree and what the window shows after each: the answer box, the
# name of the feedback picture and the count box. Before the first question the
# operands count as 0, so 0 is the right answer and 7 a wrong one.
PRESSES = [
    ("7", "7", "错", ""),
    ("清除", "", "", ""),
    ("0", "0", "对", "1 个"),
    ("清除", "", "", "1 个"),
]
PICTURE_DESCRIPTION = "答对或答错的图片"
TIMEOUT = 30.0  # seconds; a sanitizer build starts slowly


def wait_for(what, probe, timeout=TIMEOUT):
    deadline = time.monotonic() + timeout
    while not (value := probe()):
        if time.monotonic() > deadline:
            raise TimeoutError(f"timed out waiting for {what}")
        time.sleep(0.1)
    return value


def descendants(acc):
    for child in acc:
        if child is not None:
            yield child
            yield from descendants(child)


def find(window, role, name=None, description=None):
    return [a for a in descendants(window) if a.getRoleName() == role
            and (name is None or a.name == name)
            and (description is None or a.description == description)]


def text_of(acc):
    text = acc.queryText()
    return text.getText(0, text.characterCount)


def press(window, name):
    (button,) = find(window, "push button", name)
    action = button.queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    action.doAction(names.index("Press") if "Press" in names else 0)


def check_controls(window):
    failures = []
    for role, name, described in CONTROLS:
        found = find(window, role, name)
        if len(found) != 1:
            failures.append(f"{role} {name!r}: found {len(found)} times, expected once")
        elif described and not found[0].description:
            failures.append(f"{role} {name!r}: no description")
    for acc in descendants(window):
        if acc.getRoleName() in MUST_BE_NAMED and not acc.name:
            failures.append(f"a {acc.getRoleName()} without a name "
                            f"(description {acc.description!r})")
    return failures


def check_presses(window):
    failures = []
    (answer,) = find(window, "text", "答案")
    (count,) = find(window, "text", "数量")

    def shown():
        window.clear_cache()
        pictures = [a.name for a in descendants(window) if a.description == PICTURE_DESCRIPTION]
        return text_of(answer), pictures[0] if pictures else None, text_of(count)

    for button, *expected in PRESSES:
        press(window, button)
        try:
            wait_for(f"the press of {button!r}", lambda: shown() == tuple(expected), timeout=10)
        except TimeoutError:
            failures.append(f"after {button!r} the answer, picture and count show {shown()}, "
                            f"expected {tuple(expected)}")
    return failures


def find_window(process):
    def probe():
        if process.poll() is not None:
            raise RuntimeError(f"quenzo ended early with status {process.returncode}")
        for app in pyatspi.Registry.getDesktop(0):
            if app is not None and app.name == "quenzo":
                windows = [w for w in app if w is not None and w.name == "Quenzo"]
                if windows and windows[0].childCount > 0:
                    return windows[0]
        return None
    return wait_for("the window Quenzo on the accessibility bus", probe)


def main():
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_ACCESSIBILITY="1",
               QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    process = subprocess.Popen([sys.argv[1]], env=env)
    try:
        window = find_window(process)
        failures = check_controls(window) + check_presses(window)
        press(window, "退出")
        status = process.wait(timeout=TIMEOUT)
        if status != 0:
            failures.append(f"quenzo ended with status {status} after 退出")
    finally:
        if process.poll() is None:
            process.kill()
            process.wait()
    for failure in failures:
        print("FAIL:", failure)
    print(f"{len(CONTROLS)} controls, {len(PRESSES)} presses checked; {len(failures)} failures")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
