#!/usr/bin/env python3
"""Usage: tests/check-listed-cases.py CTEST TEST_DIR PROGRAMS_FILE RECORD_FILE [UNBUILT_SOURCE...]

Fails unless what every test program lists (--gtest_list_tests) is exactly what
ctest runs of it. Every case is discovered (tests/CMakeLists.txt, updater_test)
and its ctest test names it in --gtest_filter; the check catches
- a program that lists no case (its test file dropped from its sources);
- a listed case that no ctest test runs, a DISABLED_ one included (ctest marks
  it disabled and still passes);
- a ctest test of a program whose filter is not one case the program lists
  (a case named again in the build files, by hand);
- a source file of tests/ that holds tests but is built into no program
  (UNBUILT_SOURCE, found by the build files).
PROGRAMS_FILE names one program a line; ctest's own view of the tests
(--show-only=json-v1) says what runs. RECORD_FILE gets every listed case, one a
line, for tools/test-summary.sh to hold against the cases a whole run ran.
TEST_DIR is the build folder whose ctest tests are meant.
Runs the programs in the Wine environment (entered when needed).
"""
import json
import os
import re
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
WINE_EXEC = os.path.join(HERE, "..", "cmake", "wine-exec.sh")


def listed_cases(program):
    """The full names a program lists: a suite line starts in column 1, its cases are indented."""
    output = subprocess.run([WINE_EXEC, program, "--gtest_list_tests"], check=True, capture_output=True,
                            text=True).stdout.replace("\r", "")
    cases, suite = [], ""
    for line in output.splitlines():
        if re.match(r"^\S", line):
            suite = line.split()[0]
        elif re.match(r"^  \S", line):
            cases.append(suite + line.split()[0])
    return cases


def disabled(case):
    """GoogleTest's rule: the suite's or the case's name matches DISABLED_* or */DISABLED_*."""
    suite, _, name = case.partition(".")
    return any(re.match(r"^(.*/)?DISABLED_", part) for part in (suite, name))


def ctest_runs(ctest, test_dir, programs):
    """Yields (name, program, filter, also_disabled) for each enabled ctest test that runs one of the programs."""
    shown = subprocess.run([ctest, "--test-dir", test_dir, "--show-only=json-v1"], check=True, capture_output=True,
                           text=True).stdout
    for test in json.loads(shown)["tests"]:
        command = test.get("command") or []
        program = next((programs[os.path.realpath(a)] for a in command if os.path.realpath(a) in programs), None)
        if program is None:
            continue
        properties = {p["name"]: p["value"] for p in test.get("properties", [])}
        if properties.get("DISABLED"):
            continue  # runs nothing: what it names is not run
        filters = [a[len("--gtest_filter="):] for a in command if a.startswith("--gtest_filter=")]
        yield test["name"], program, filters[-1] if filters else None, "--gtest_also_run_disabled_tests" in command


def main():
    ctest, test_dir, programs_file, record_file = sys.argv[1:5]
    unbuilt = sys.argv[5:]
    failures = []
    for source in unbuilt:
        failures.append("%s holds tests, but no test program builds it" % source)
    with open(programs_file) as f:
        paths = [line.strip() for line in f if line.strip()]
    programs = {os.path.realpath(p): p for p in paths}
    cases = {p: listed_cases(p) for p in paths}
    run = {p: set() for p in paths}
    for name, program, gtest_filter, also_disabled in ctest_runs(ctest, test_dir, programs):
        # No filter runs every case; a discovered test's filter is one case's full name.
        named = cases[program] if gtest_filter is None else [c for c in cases[program] if c == gtest_filter]
        if not named:
            failures.append("%s: the ctest test %s (filter %s) names no case the program lists"
                            % (os.path.basename(program), name, gtest_filter))
        run[program].update(c for c in named if also_disabled or not disabled(c))
    for program in paths:
        name = os.path.basename(program)
        if not cases[program]:
            failures.append("%s lists no case" % name)
        for case in cases[program]:
            if disabled(case):
                failures.append("%s: %s is disabled, and ctest does not run a disabled case" % (name, case))
            elif case not in run[program]:
                failures.append("%s: %s is listed, but no ctest test runs it" % (name, case))
        print("%s: %d cases listed, %d run by ctest" % (name, len(cases[program]), len(run[program])))
    with open(record_file, "w") as f:
        f.writelines(case + "\n" for program in paths for case in cases[program])
    for failure in failures:
        print(failure)
    total = sum(len(c) for c in cases.values())
    print("%d programs, %d cases listed, %d problems" % (len(paths), total, len(failures)))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
