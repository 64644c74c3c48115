#!/usr/bin/env python3
"""Starts the window under Xvfb several times and prints the medians (min, max) of:
time until the window is fully drawn, peak memory, idle CPU over 5 s, and close to exit.

Usage: bench/startup.py [build-dir] [runs]   (default build-release, 7 runs)
"""
import os
import shutil
import statistics
import subprocess
import sys
import time

build = sys.argv[1] if len(sys.argv) > 1 else "build-release"
runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
program = os.path.join(build, "bin", "window_bench")


def one_run(env):
    start = time.monotonic_ns()
    child = subprocess.Popen([program], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                             env=env, text=True)
    figures = {}
    for line in child.stdout:
        name, value = line.split()
        figures[name] = float(value)
        if name == "closing":
            break
    _, status, usage = os.wait4(child.pid, 0)
    exited = time.monotonic_ns()
    child.returncode = status
    return {
        "fully drawn (ms)": (figures["drawn"] - start) / 1e6,
        "peak RSS (MB)": usage.ru_maxrss / 1024,
        "idle CPU over 5 s (%)": figures["idle_cpu_percent"],
        "close to exit (ms)": (exited - figures["closing"]) / 1e6,
    }


def main():
    if not shutil.which("Xvfb"):
        sys.exit("Xvfb is missing: apt-get install xvfb")
    display = ":97"
    server = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                              stderr=subprocess.DEVNULL)
    time.sleep(1)
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
    try:
        one_run(env)  # warm the file cache and font cache
        results = [one_run(env) for _ in range(runs)]
    finally:
        server.terminate()
    print(f"{runs} runs of {program} under Xvfb, {os.cpu_count()} cores")
    for key in results[0]:
        values = [r[key] for r in results]
        print(f"  {key:24} median {statistics.median(values):8.2f}"
              f"   min {min(values):8.2f}   max {max(values):8.2f}")


main()
