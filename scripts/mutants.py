#!/usr/bin/env python3
"""Puts the deliberate faults of tests/mutants.txt into the sources one at a
time, rebuilds the tests that should notice, runs them and reports every fault
that no test caught.

    scripts/mutants.py [--build-dir DIR] [--list FILE] [--jobs N] [NAME ...]

A fault is a block of the list:

    [name]
    file: src/model/MonitoredDomain.cpp
    find: const double gap_limit = 2.0 * interval;
    replace: const double gap_limit = 3.0 * interval;
    tests: model_tests

`find` must occur exactly once in `file`, so a list that no longer fits the code
fails loudly instead of testing nothing. `tests` names test executables; their
ctest entries run. The original file is journalled before it is changed and put
back afterwards, also when the run is interrupted; a journal left by a killed
run is restored at the next start.
"""

import argparse
import configparser
import contextlib
import json
import os
import re
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


class Interrupted(Exception):
    pass


STOP_SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)


def on_signal(signum, _frame):
    raise Interrupted(signal.Signals(signum).name)


@contextlib.contextmanager
def signals_held():
    """Holds back the stop signals, so a source is never left half written; one
    that came meanwhile is delivered at the end."""
    previous = signal.pthread_sigmask(signal.SIG_BLOCK, STOP_SIGNALS)
    try:
        yield
    finally:
        signal.pthread_sigmask(signal.SIG_SETMASK, previous)


# Sources are read and written without newline translation, so they stay byte-exact.
def read_source(path):
    with open(path, encoding="utf-8", newline="") as file:
        return file.read()


def write_source(path, text):
    with open(path, "w", encoding="utf-8", newline="") as file:
        file.write(text)


def load(list_path):
    parser = configparser.ConfigParser(delimiters=(":",), interpolation=None,
                                       comment_prefixes=("#",), empty_lines_in_values=False)
    parser.optionxform = str
    parser.read(list_path, encoding="utf-8")
    faults = []
    for name in parser.sections():
        section = parser[name]
        missing = [key for key in ("file", "find", "replace", "tests") if key not in section]
        if missing:
            sys.exit(f"{list_path}: [{name}] lacks {', '.join(missing)}")
        faults.append({
            "name": name,
            "file": section["file"],
            "find": section["find"],
            "replace": section["replace"],
            "tests": section["tests"].split(),
        })
    return faults


class Journal:
    """The original text of the file under change, kept outside the sources."""

    def __init__(self, build_dir):
        self.path = build_dir / "mutants-journal.json"

    def restore_leftover(self):
        if not self.path.exists():
            return
        entry = json.loads(self.path.read_text(encoding="utf-8"))
        with signals_held():
            write_source(ROOT / entry["file"], entry["original"])
            self.path.unlink()
        print(f"restored {entry['file']} left changed by an interrupted run")

    def record(self, file, original):
        temporary = self.path.with_suffix(".tmp")
        temporary.write_text(json.dumps({"file": file, "original": original}), encoding="utf-8")
        os.replace(temporary, self.path)

    def clear(self):
        self.path.unlink(missing_ok=True)


def run(command, log):
    return subprocess.run(command, cwd=ROOT, stdout=log, stderr=subprocess.STDOUT).returncode


def ctest_regex(tests):
    return "^(" + "|".join(re.escape(t) for t in tests) + r")(\.|$)"


def build(build_dir, targets, log):
    return run(["cmake", "--build", str(build_dir), "--target", *targets], log) == 0


def tests_pass(build_dir, tests, jobs, log):
    command = ["ctest", "--test-dir", str(build_dir), "-R", ctest_regex(tests),
               "-j", str(jobs), "--stop-on-failure", "--timeout", "300"]
    return run(command, log) == 0


def try_fault(fault, build_dir, journal, jobs, log):
    """'caught', 'survived', 'unbuildable' or an error text for a bad entry."""
    path = ROOT / fault["file"]
    if not path.exists():
        return f"no file {fault['file']}"
    original = read_source(path)
    count = original.count(fault["find"])
    if count != 1:
        return f"`find` occurs {count} times in {fault['file']}"
    try:
        with signals_held():
            journal.record(fault["file"], original)
            write_source(path, original.replace(fault["find"], fault["replace"]))
        if not build(build_dir, fault["tests"], log):
            return "unbuildable"
        return "survived" if tests_pass(build_dir, fault["tests"], jobs, log) else "caught"
    finally:
        with signals_held():
            write_source(path, original)
            journal.clear()


def main():
    arguments = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    arguments.add_argument("--build-dir", default="build")
    arguments.add_argument("--list", default="tests/mutants.txt")
    arguments.add_argument("--jobs", type=int, default=2)
    arguments.add_argument("names", nargs="*", help="only these faults")
    options = arguments.parse_args()

    build_dir = (ROOT / options.build_dir).resolve()
    if not (build_dir / "CMakeCache.txt").exists():
        sys.exit(f"{build_dir} is not a configured build folder; run `make build` first")
    faults = load(ROOT / options.list)
    if options.names:
        unknown = set(options.names) - {f["name"] for f in faults}
        if unknown:
            sys.exit(f"no such fault: {', '.join(sorted(unknown))}")
        faults = [f for f in faults if f["name"] in options.names]

    journal = Journal(build_dir)
    for stop_signal in STOP_SIGNALS:
        signal.signal(stop_signal, on_signal)
    journal.restore_leftover()

    log_path = build_dir / "mutants.log"
    all_tests = sorted({t for f in faults for t in f["tests"]})
    results = {}
    with open(log_path, "w", encoding="utf-8") as log:
        print(f"building and checking {len(all_tests)} test programs without faults")
        if not build(build_dir, all_tests, log) or not tests_pass(build_dir, all_tests,
                                                                  options.jobs, log):
            sys.exit(f"the tests fail without any fault; see {log_path}")
        try:
            for number, fault in enumerate(faults, 1):
                started = time.monotonic()
                print(f"[{number}/{len(faults)}] {fault['name']} ...", end=" ", flush=True)
                log.write(f"\n=== {fault['name']}\n")
                log.flush()
                results[fault["name"]] = try_fault(fault, build_dir, journal, options.jobs, log)
                print(f"{results[fault['name']]} ({time.monotonic() - started:.0f} s)", flush=True)
        except Interrupted as signal_name:
            print(f"\ninterrupted by {signal_name}; every source is back as it was")
            return 130
        finally:
            # The build folder must not keep objects of a changed source.
            try:
                build(build_dir, all_tests, log)
            except Interrupted:
                print("the rebuild was interrupted; rebuild before trusting the build folder")

    survived = [name for name, result in results.items() if result == "survived"]
    broken = {name: result for name, result in results.items()
              if result not in ("caught", "survived")}
    caught = len(results) - len(survived) - len(broken)
    print(f"\n{caught} of {len(results)} faults caught")
    for name in survived:
        print(f"  survived: {name}")
    for name, result in broken.items():
        print(f"  not run: {name}: {result}")
    return 1 if survived or broken else 0


if __name__ == "__main__":
    sys.exit(main())
