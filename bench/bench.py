#!/usr/bin/env python3
"""Runs the measurements of bench/run and prints the table. Each figure is the median of
at least five runs, taken side by side on this machine in one run of the script."""
import os
import platform
import re
import statistics
import subprocess
import sys
import time

build, player_line, stall_line = sys.argv[1], sys.argv[2], sys.argv[3]
QUENZO = os.path.join(build, "src/app/quenzo")
RUNS = 5
TICK = os.sysconf("SC_CLK_TCK")


def startup(variant):
    """First paint in ms and peak resident memory in MB, from exec."""
    args = [os.path.join(build, "bench/bench_startup")] + ([variant] if variant else [])
    env = dict(os.environ, QUENZO_BENCH_T0_NS=str(time.monotonic_ns()))
    out = subprocess.run(args, env=env, capture_output=True, text=True, check=True).stdout
    figures = dict(line.split() for line in out.splitlines() if line)
    return float(figures["first_paint_ms"]), int(figures["peak_rss_kb"]) / 1024


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def cpu_percent(pid, seconds):
    before = cpu_ticks(pid)
    time.sleep(seconds)  # the measured process runs meanwhile; nothing here is timed by it
    return 100.0 * (cpu_ticks(pid) - before) / TICK / seconds


def idle_and_running():
    """CPU of the real program: idle, then with a paced test running (clock ticking)."""
    proc = subprocess.Popen([QUENZO], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        window = None
        deadline = time.monotonic() + 20
        while not window and time.monotonic() < deadline:
            out = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quenzo$"],
                                 capture_output=True, text=True).stdout.split()
            window = out[0] if out else None
            time.sleep(0.1)
        if not window:
            raise RuntimeError("the window did not appear")
        time.sleep(1)
        idle = cpu_percent(proc.pid, 6)
        subprocess.run(["xdotool", "mousemove", "--window", window, "152", "164", "click", "1"],
                       check=True)
        time.sleep(1)
        running = cpu_percent(proc.pid, 12)
        return idle, running
    finally:
        proc.kill()
        proc.wait()


def drill():
    out = subprocess.run([os.path.join(build, "bench/bench_drill")], capture_output=True,
                         text=True, check=True).stdout
    figures = dict(line.split() for line in out.splitlines() if line)
    return float(figures["key_to_picture_ms"]), float(figures["pause_cpu_ms"])


def median_of(fn, runs=RUNS):
    results = [fn() for _ in range(runs)]
    return tuple(statistics.median(r[i] for r in results) for i in range(len(results[0])))


rows = []  # (what, figure, target, met)
paint, rss = median_of(lambda: startup(None), 7)
bare_paint, bare_rss = median_of(lambda: startup("bare"), 7)
rows.append(("start-up to first paint", f"{paint:.0f} ms", "< 80 ms", paint < 80))
rows.append(("  bare Qt window, same fonts", f"{bare_paint:.0f} ms", "(reference)", None))
rows.append(("peak resident memory at first paint", f"{rss:.1f} MB", "< 45 MB", rss < 45))
rows.append(("  bare Qt window, same fonts", f"{bare_rss:.1f} MB", "(reference)", None))
idle, running = median_of(idle_and_running)
rows.append(("CPU while idle", f"{idle:.2f} %", "0.0 %", idle < 0.05))
rows.append(("CPU during a paced test", f"{running:.2f} %", "< 0.3 %", running < 0.3))
key, pause = median_of(drill)
rows.append(("key press to picture painted", f"{key:.2f} ms", "< 5 ms", key < 5))
rows.append(("CPU during the 600 ms pause", f"{pause:.1f} ms", "near 0", pause < 30))
m = re.search(r"quenzo ([\d.]+) s, mpg123 ([\d.]+) s, ratio ([\d.]+)", player_line)
if m:
    ratio = float(m.group(3))
    rows.append(("player CPU, 60 s MP3 (quenzo / mpg123)",
                 f"{m.group(1)} s / {m.group(2)} s = {ratio:.2f}", "<= 1.20", ratio <= 1.2))
else:
    rows.append(("player CPU, 60 s MP3", "not measured: " + player_line, "<= 1.20", False))
m = re.search(r"open\+play ([\d.]+) ms.*30 presses ([\d.]+) ms", stall_line)
for i, what in enumerate(["Open+Play of a 100 MB VBR file (no Xing)", "30 quick presses of 播放"]):
    ms = float(m.group(i + 1)) if m else None
    figure = f"{ms:.0f} ms" if m else "not measured: " + stall_line
    rows.append(("event loop stall, " + what, figure, "< 50 ms", bool(m) and ms < 50))

cpu = next((l.split(":", 1)[1].strip() for l in open("/proc/cpuinfo") if l.startswith("model name")),
           platform.processor())
print(f"Quenzo benchmarks, {time.strftime('%Y-%m-%d')}, {os.cpu_count()} cores, {cpu}, "
      f"median of {RUNS}+ runs, under Xvfb")
print()
print("| measure | figure | target | met |")
print("|---|---|---|---|")
for what, figure, target, met in rows:
    print(f"| {what} | {figure} | {target} | {'' if met is None else 'yes' if met else 'NO'} |")
missed = [what for what, _, _, met in rows if met is False]
if missed:
    print()
    print("Missed: " + "; ".join(missed))
