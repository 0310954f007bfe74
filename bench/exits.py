#!/usr/bin/env python3
"""Runs of bench/exits: the program started, a file played, 退出 pressed while it plays; each
run's exit noted. Usage: exits.py PROGRAM RUNS"""
import collections
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "tests", "e2e"))
import e2e  # noqa: E402  the same clicks and reads as the end-to-end test

from Xlib import display  # noqa: E402

program, runs = sys.argv[1], int(sys.argv[2])
song = os.path.join(e2e.TOP, "tests", "player", "fixtures", "long-8k.mp3")
x = display.Display()
ends = collections.Counter()
for run in range(runs):
    proc = subprocess.Popen([program], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        w = e2e.Window(x, proc)
        e2e.plays(w, song, 2)
        w.click("Command2")
        ends[proc.wait(e2e.DEADLINE)] += 1
    except Exception as e:  # the run did not get as far as 退出; not an exit of the program's
        proc.kill()
        proc.wait()
        ends["not run: " + str(e).splitlines()[0]] += 1
    e2e.wait_for("no window 'Quenzo'", lambda: not e2e.xdotool("search", "--name", "^Quenzo$"))
abnormal = sum(n for code, n in ends.items() if code != 0 and isinstance(code, int))
print(", ".join(f"{code}: {n}" for code, n in sorted(ends.items(), key=str)))
print(f"abnormal exits: {abnormal} of {runs}")
sys.exit(1 if abnormal else 0)
