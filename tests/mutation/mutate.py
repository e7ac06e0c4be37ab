#!/usr/bin/env python3
"""Mutation testing of the plug-in's core against its native test suite.

Each mutant in the catalogue (mutants.txt) changes one line of src/: a
constant nudged, a comparison made non-strict, two calls swapped, an argument
changed, a statement dropped. For every mutant this tool writes the changed
line into a private copy of the source tree (the working tree is never
touched), rebuilds, runs the suite with a timeout and records whether some
test failed (the mutant is killed) or all passed (it survived). A mutant that
the catalogue marks as equivalent, with its reason, cannot change what the
plug-in does; it is not run unless asked, and it does not count in the score.

  tests/mutation/mutate.py               every mutant, the whole native suite
  tests/mutation/mutate.py --ci          the mutants marked "ci", against the
                                         unit test binaries only (a minute)
  tests/mutation/mutate.py --only ID...  some mutants
  tests/mutation/mutate.py --check       that every entry still applies
  tests/mutation/mutate.py --equivalents run the equivalent mutants too,
                                         to see that none is killed

Exit status: 0 when the score reaches --target (default 95 %) and, with
--ci, when every mutant run was killed; 1 otherwise; 2 when the catalogue
does not apply to the source or the unmutated suite fails.
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
CATALOGUE = os.path.join(ROOT, "tests", "mutation", "mutants.txt")

# The native suite without what only the Windows build, Wine, a browser or
# the release zip can check: those do not see a change to the portable core.
# Nor does the tuner's WebAssembly module, which is not rebuilt for a mutant.
SUITE_EXCLUDE = "windows|wine|browser|package|wasm"
# The unit test binaries that --ci builds and runs.
CI_BINARIES = ["tests/camera_tests", "tests/settings/settings_tests"]


class Mutant:
    def __init__(self, fields, line):
        self.id = fields.get("id", "")
        self.file = fields.get("file", "")
        self.before = fields.get("from", "")
        self.after = fields.get("to", "")
        self.ci = fields.get("ci", "no") == "yes"
        self.equivalent = fields.get("equivalent")
        self.line = line


def read_catalogue(path):
    """Blocks of "key: value" lines, separated by blank lines; # starts a comment."""
    mutants, fields, start = [], {}, 0
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, text in enumerate(lines + [""], 1):
        if text.startswith("#"):
            continue
        if not text.strip():
            if fields:
                mutants.append(Mutant(fields, start))
                fields = {}
            continue
        key, sep, value = text.partition(":")
        if not sep:
            raise SystemExit(f"{path}:{number}: not a 'key: value' line")
        if not fields:
            start = number
        # One blank after the colon belongs to the format; the rest to the
        # code. A repeated from or to continues on the next line of code.
        value = value[1:] if value.startswith(" ") else value
        key = key.strip()
        fields[key] = fields[key] + "\n" + value if key in fields else value
    return mutants


def check(mutants):
    """Every entry names a file, a text found in it exactly once and another text."""
    problems, ids = [], set()
    for m in mutants:
        where = f"{CATALOGUE}:{m.line} ({m.id or 'no id'})"
        if not m.id or m.id in ids:
            problems.append(f"{where}: missing or repeated id")
        ids.add(m.id)
        path = os.path.join(ROOT, m.file)
        if not m.file.startswith("src/") or not os.path.isfile(path):
            problems.append(f"{where}: no such file under src/: {m.file}")
            continue
        if not m.before or m.before == m.after:
            problems.append(f"{where}: 'from' is empty or the same as 'to'")
            continue
        count = open(path, encoding="utf-8").read().count(m.before)
        if count != 1:
            problems.append(f"{where}: 'from' occurs {count} times in {m.file}, not once")
    return problems


def run(command, cwd, timeout=None, log=None):
    """Runs a command; returns (exit status, seconds). A timeout counts as a failure."""
    start = time.monotonic()
    try:
        done = subprocess.run(command, cwd=cwd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, timeout=timeout)
        status, output = done.returncode, done.stdout
    except subprocess.TimeoutExpired as e:
        status, output = "timeout", e.stdout or b""
    if log:
        with open(log, "wb") as f:
            f.write(output)
    return status, time.monotonic() - start


class Tree:
    """A private copy of the sources with its own build, configured once."""

    def __init__(self, work, ci):
        self.work = work
        self.source = os.path.join(work, "tree")
        self.build = os.path.join(work, "build")
        self.ci = ci

    def prepare(self):
        shutil.rmtree(self.source, ignore_errors=True)
        files = subprocess.run(["git", "ls-files", "-z", "--cached", "--others", "--exclude-standard"], cwd=ROOT, stdout=subprocess.PIPE, check=True).stdout
        for name in files.decode().split("\0"):
            if not name or not os.path.isfile(os.path.join(ROOT, name)):
                continue
            target = os.path.join(self.source, name)
            os.makedirs(os.path.dirname(target), exist_ok=True)
            # Fresh time stamps: every object of an earlier run, mutated
            # ones included, is older than its source and gets rebuilt.
            shutil.copy(os.path.join(ROOT, name), target)
        # -O1: a mutant's rebuild is mostly compiling; the tests run fast either way.
        status, _ = run(["cmake", "-S", self.source, "-B", self.build, "-DCMAKE_BUILD_TYPE=",
                         "-DCMAKE_CXX_FLAGS=-O1"], ROOT, log=os.path.join(self.work, "configure.log"))
        if status != 0:
            raise SystemExit(f"mutate: configuring {self.build} failed; see {self.work}/configure.log")

    def build_and_test(self, log, timeout):
        """Returns "pass", "fail", "timeout" or "build" (did not compile), and seconds."""
        start = time.monotonic()
        targets = [os.path.basename(b) for b in CI_BINARIES] if self.ci else ["all"]
        status, _ = run(["cmake", "--build", self.build, "-j2", "--target"] + targets, ROOT, log=log + ".build")
        if status != 0:
            return "build", time.monotonic() - start
        if self.ci:
            for binary in CI_BINARIES:
                status, _ = run([os.path.join(self.build, binary), "--gtest_brief=1"], self.build, timeout, log)
                if status != 0:
                    break
        else:
            status, _ = run(["ctest", "--test-dir", self.build, "-LE", SUITE_EXCLUDE, "--stop-on-failure", "-j2",
                             "--timeout", str(timeout), "--output-on-failure"], ROOT, timeout * 4, log)
        seconds = time.monotonic() - start
        if status == "timeout":
            return "timeout", seconds
        return ("pass" if status == 0 else "fail"), seconds

    def apply(self, m):
        path = os.path.join(self.source, m.file)
        original = open(path, encoding="utf-8").read()
        with open(path, "w", encoding="utf-8") as f:
            f.write(original.replace(m.before, m.after, 1))
        return original

    def restore(self, m, original):
        # Rewritten rather than copied back with its old time stamp, so that
        # make rebuilds it for the next mutant.
        with open(os.path.join(self.source, m.file), "w", encoding="utf-8") as f:
            f.write(original)


def first_failure(log):
    """The name of the first failed test in a log, for the report."""
    try:
        lines = open(log, encoding="utf-8", errors="replace").read().splitlines()
    except OSError:
        return ""
    for line in lines:
        # ctest: " 12/107 Test  #12: Suite.Name ........***Failed    0.02 sec"
        if "***" in line and "Test" in line and ": " in line:
            return line.split(": ", 1)[1].split(" ")[0]
        # a test binary: "[  FAILED  ] Suite.Name (0 ms)"
        if line.startswith("[  FAILED  ] ") and line.endswith(" ms)"):
            return line[len("[  FAILED  ] "):].split(" (")[0]
    return ""


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--ci", action="store_true", help="only the mutants marked ci, against the unit binaries")
    parser.add_argument("--only", nargs="+", metavar="ID", help="only these mutants")
    parser.add_argument("--check", action="store_true", help="only check that every entry applies")
    parser.add_argument("--equivalents", action="store_true", help="run the equivalent mutants too")
    parser.add_argument("--timeout", type=int, default=120, help="seconds a test may take (default 120)")
    parser.add_argument("--target", type=float, default=95.0, help="least score in percent (default 95)")
    parser.add_argument("--work", default=os.path.join(ROOT, "build", "mutation"), help="scratch folder")
    args = parser.parse_args()

    mutants = read_catalogue(CATALOGUE)
    problems = check(mutants)
    if problems:
        print("\n".join(problems), file=sys.stderr)
        return 2
    if args.check:
        equivalent = sum(1 for m in mutants if m.equivalent)
        print(f"catalogue: {len(mutants)} mutants ({equivalent} equivalent, "
              f"{sum(1 for m in mutants if m.ci)} for CI) over {len({m.file for m in mutants})} files; all apply")
        return 0

    chosen = [m for m in mutants if (not args.ci or m.ci) and (not args.only or m.id in args.only)]
    if args.only and len(chosen) != len(set(args.only)):
        print(f"mutate: unknown ids: {sorted(set(args.only) - {m.id for m in chosen})}", file=sys.stderr)
        return 2
    to_run = [m for m in chosen if args.equivalents or not m.equivalent or args.only]

    began = time.monotonic()
    work = args.work + ("-ci" if args.ci else "")
    os.makedirs(work, exist_ok=True)
    tree = Tree(work, args.ci)
    tree.prepare()
    print(f"mutate: {len(to_run)} mutants; building and testing the unmutated tree in {work}", flush=True)
    outcome, seconds = tree.build_and_test(os.path.join(work, "baseline.log"), args.timeout)
    if outcome != "pass":
        print(f"mutate: the unmutated tree does not pass ({outcome}); see {work}/baseline.log*", file=sys.stderr)
        return 2
    print(f"  baseline passes in {seconds:.0f} s", flush=True)

    killed, survived, stillborn, equivalent_killed = [], [], [], []
    for n, m in enumerate(to_run, 1):
        original = tree.apply(m)
        log = os.path.join(work, f"{m.id}.log")
        try:
            outcome, seconds = tree.build_and_test(log, args.timeout)
        finally:
            tree.restore(m, original)
        if outcome == "build":
            stillborn.append(m)
            verdict = "DOES NOT BUILD"
        elif outcome == "pass":
            if not m.equivalent:
                survived.append(m)
            verdict = "equivalent, lives" if m.equivalent else "SURVIVED"
        else:
            (equivalent_killed if m.equivalent else killed).append(m)
            verdict = "killed" if outcome == "fail" else "killed (timeout)"
            if m.equivalent:
                verdict += " BUT MARKED EQUIVALENT"
            failure = first_failure(log)
            if failure:
                verdict += f" by {failure}"
        print(f"  [{n}/{len(to_run)}] {m.id}: {verdict} ({seconds:.0f} s)", flush=True)

    counted = len(killed) + len(survived)
    score = 100.0 * len(killed) / counted if counted else 100.0
    print()
    if survived:
        print("survivors:")
        for m in survived:
            print(f"  {m.id}  {m.file}: {m.before.strip()}  ->  {m.after.strip()}")
    equivalents = [m for m in chosen if m.equivalent]
    if equivalents:
        print("equivalent (not counted):")
        for m in equivalents:
            print(f"  {m.id}: {m.equivalent}")
    for m in stillborn:
        print(f"does not build: {m.id} (see {work}/{m.id}.log.build)")
    for m in equivalent_killed:
        print(f"marked equivalent but killed: {m.id}; the mark is wrong")
    minutes = (time.monotonic() - began) / 60
    print(f"score: {len(killed)} of {counted} non-equivalent mutants killed ({score:.1f} %), "
          f"{len(equivalents)} equivalent; {minutes:.1f} min")
    if stillborn or equivalent_killed:
        return 2
    if args.ci:
        return 0 if not survived else 1
    return 0 if score >= args.target else 1


if __name__ == "__main__":
    sys.exit(main())
