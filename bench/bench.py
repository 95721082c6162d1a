#!/usr/bin/env python3
"""Benchmark of the launcher under Wine, against the fake game's real windows.
Prints a table; asserts nothing.

    bench.py --build DIR [--arch x86|x64] [--windows N] [--idle SECONDS]

- show to press: from the error window being shown to the launcher's
  WM_LBUTTONDOWN reaching its button, over N windows shown at random moments;
- re-press interval: between presses while one window stays open;
- exit latency: from the game's exit to the launcher's;
- idle CPU: the launcher's CPU time while it watches a game that shows no
  window, as the Linux process that runs it counts it;
- the executable's size.
"""
import argparse
import os
import sys
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
import e2e  # noqa: E402


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


def show_to_press(c, windows):
    log = c.path("random.log")
    c.launch(c.qm2 + b" " + c.game,
             e2e.game_env(log=log, mode="random", count=windows, min=20, max=3000, seed=11,
                          layout="first"), timeout_ms=900000)
    latencies, shown = [], None
    for when, words in e2e.read_log(log):
        if words[0] == "shown":
            shown = when
        elif words[:3] == ["send", "continue", "WM_LBUTTONDOWN"] and shown is not None:
            latencies.append(when - shown)
            shown = None
    return latencies


def re_press(c):
    log = c.path("stay.log")
    c.launch(c.qm2 + b" " + c.game, e2e.game_env(log=log, mode="stay", delay=200, hold=3000))
    downs = [when for when, words in e2e.read_log(log)
             if words[:3] == ["send", "continue", "WM_LBUTTONDOWN"]]
    return [b - a for a, b in zip(downs, downs[1:])]


def exit_latency(c, runs):
    latencies = []
    for i in range(runs):
        log = c.path(f"exit{i}.log")
        report = c.launch(c.qm2 + b" " + c.game, e2e.game_env(log=log, mode="exit", delay=300))
        game_exit = e2e.read_log(log)[-1][0]
        latencies.append(float(report["ended"]) - game_exit)
    return latencies


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])  # utime + stime


def idle_cpu(c, seconds):
    result = {}
    log = c.path("idle.log")
    launch = threading.Thread(target=lambda: result.update(c.launch(
        c.qm2 + b" " + c.game, e2e.game_env(log=log, mode="exit", delay=(seconds + 30) * 1000),
        timeout_ms=(seconds + 600) * 1000)))
    launch.start()
    e2e.wait_for_event(log, "started", 600)
    time.sleep(10)  # past start-up and the growth of the poll interval to its top
    pids = e2e.processes_of(c, r"^[^ ]*qm2\.exe")
    if len(pids) != 1:
        launch.join()
        return None
    ticks, start = cpu_ticks(pids[0]), time.monotonic()
    time.sleep(seconds)
    used = (cpu_ticks(pids[0]) - ticks) / os.sysconf("SC_CLK_TCK")
    wall = time.monotonic() - start
    launch.join()
    return 100.0 * used / wall, used, wall


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", required=True)
    parser.add_argument("--arch", choices=["x86", "x64"],
                        default="x64" if e2e.x86_emulated() else "x86")
    parser.add_argument("--windows", type=int, default=60)
    parser.add_argument("--idle", type=int, default=60)
    parser.add_argument("--exits", type=int, default=10)
    args = parser.parse_args()

    build = os.path.abspath(args.build)
    with e2e.wine_session(build, args.arch, "bench") as c:
        shows = show_to_press(c, args.windows)
        presses = re_press(c)
        exits = exit_latency(c, args.exits)
        idle = idle_cpu(c, args.idle)

    print(f"qm2.exe ({args.arch}) under Wine")
    print()
    print("| measure | n | p50 | p90 | max |")
    print("|---|---|---|---|---|")
    for name, values in [("show to press (ms)", shows), ("re-press interval (ms)", presses),
                         ("game exit to launcher exit (ms)", exits)]:
        if values:
            print(f"| {name} | {len(values)} | {percentile(values, 50):.1f} | "
                  f"{percentile(values, 90):.1f} | {max(values):.1f} |")
        else:
            print(f"| {name} | 0 | - | - | - |")
    if idle:
        print(f"| idle CPU, % of one core | {args.idle} s | {idle[0]:.3f} | | "
              f"({idle[1]:.2f} s CPU in {idle[2]:.0f} s) |")
    for arch, folder in [("x86", "windows"), ("x64", "windows64")]:
        size = os.path.getsize(os.path.join(build, folder, "qm2.exe"))
        print(f"| qm2.exe size, {arch} (bytes) | | {size} | | |")
    return 0


if __name__ == "__main__":
    sys.exit(main())
