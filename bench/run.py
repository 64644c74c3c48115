#!/usr/bin/env python3
"""Builds the release preset, then starts the real programs under Xvfb several times with
bench/first_paint_probe preloaded, and prints medians (min, max) of: time until the window is
fully drawn, peak memory, idle CPU over 5 s, close to exit, and for one press with seven filled
rows: click to the seven requests queued and to the seven PDF envelopes made, for the first
press of a session (which also loads the envelope fonts) and the next one.

Usage: bench/run.py [runs] [--no-build]   (default 9 runs; run from anywhere)
"""
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

source = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
build = os.path.join(source, "build-release")
numbers = [a for a in sys.argv[1:] if a.isdigit()]
runs = int(numbers[0]) if numbers else 9
bin_dir = os.path.join(build, "bin")
probe = os.path.abspath(os.path.join(bin_dir, "libfirst_paint_probe.so"))


CLICK_FIGURES = {"queued_first_ms": "first press: 7 queued (ms)",
                 "pdf_first_ms": "first press: 7 PDFs (ms)",
                 "queued_next_ms": "next press: 7 queued (ms)",
                 "pdf_next_ms": "next press: 7 PDFs (ms)"}
FIGURES = ("drawn", "idle_cpu_percent", "closing", *CLICK_FIGURES)


def one_run(program, env):
    start = time.monotonic_ns()
    child = subprocess.Popen([os.path.join(bin_dir, program)], stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, env=env,
                             text=True)
    figures = {}
    watchdog = subprocess.Popen(["sh", "-c", f"sleep 30; kill {child.pid} 2>/dev/null"])
    for line in child.stdout:
        parts = line.split()
        if len(parts) == 2 and parts[0] in FIGURES:
            figures[parts[0]] = float(parts[1])
            if parts[0] == "closing":
                break
    _, _, usage = os.wait4(child.pid, 0)
    exited = time.monotonic_ns()
    watchdog.kill()
    if "closing" not in figures:
        sys.exit(f"{program} did not report its window (is the probe loaded?)")
    result = {
        "fully drawn (ms)": (figures["drawn"] - start) / 1e6,
        "peak RSS (MB)": usage.ru_maxrss / 1024,
        "close to exit (ms)": (exited - figures["closing"]) / 1e6,
    }
    if "idle_cpu_percent" in figures:
        result["idle CPU over 5 s (%)"] = figures["idle_cpu_percent"]
    for figure, title in CLICK_FIGURES.items():
        if figure in figures:
            result[title] = figures[figure]
    return result


def click_run(env):
    # A fresh output folder each time, so that every press meets the same empty folder.
    home = tempfile.mkdtemp()
    try:
        result = one_run("pelderwick", dict(env, BENCH_CLICK="1", HOME=home))
    finally:
        shutil.rmtree(home, ignore_errors=True)
    return {title: result[title] for title in CLICK_FIGURES.values()}


def build_release():
    for command in (["cmake", "--preset", "release"], ["cmake", "--build", "--preset", "release"]):
        subprocess.run(command, cwd=source, check=True, stdout=subprocess.DEVNULL)


def describe_machine():
    model = "unknown CPU"
    if os.path.exists("/proc/cpuinfo"):
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return f"{platform.platform()}, {os.cpu_count()} cores, {model}"


def report(title, results):
    print(title)
    for key in results[0]:
        values = [r[key] for r in results]
        print(f"  {key:26} median {statistics.median(values):8.2f}"
              f"   min {min(values):8.2f}   max {max(values):8.2f}")


def main():
    if "--no-build" not in sys.argv:
        build_release()
    if not os.path.exists(probe):
        sys.exit(f"{probe} is missing: build the release preset first")
    if not shutil.which("Xvfb"):
        sys.exit("Xvfb is missing: apt-get install xvfb")
    display = ":97"
    server = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24", "-nolisten",
                               "tcp"], stderr=subprocess.DEVNULL)
    time.sleep(1)
    home = tempfile.mkdtemp()
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", LD_PRELOAD=probe, HOME=home)
    print(f"{runs} runs each under Xvfb on {describe_machine()}")
    try:
        programs = ("direct_window", "pelderwick_stand_alone", "pelderwick")
        for program in programs:
            one_run(program, env)  # warm the file and font caches
        # Interleaved, so that all programs meet the same machine.
        rounds = [[one_run(program, env) for program in programs] for _ in range(runs)]
        report("window linked directly, no front (reference):", [r[0] for r in rounds])
        report("stand-alone program (front + module loaded by it):", [r[1] for r in rounds])
        report("host (front + module + worker thread):", [r[2] for r in rounds])
        added = [r[i]["fully drawn (ms)"] - r[0]["fully drawn (ms)"] for r in rounds for i in (1, 2)]
        print(f"  front and module loading add, per pair: median {statistics.median(added):.2f} ms")
        click_run(env)  # warm the envelope fonts
        report("host, seven filled rows, two presses:", [click_run(env) for _ in range(runs)])
    finally:
        server.terminate()
        shutil.rmtree(home, ignore_errors=True)


main()
