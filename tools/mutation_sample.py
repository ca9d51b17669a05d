#!/usr/bin/python3
"""Checks the test suite against a sample of deliberate faults.

Picks mutation sites at random from the C++ sources (a flipped comparison, a
swapped && / ||, + / -, an integer constant off by one, true / false, a deleted
statement), an equal share from each module, applies one at a time to the
working tree, rebuilds the given build folder and runs its tests. A fault that
makes a test fail is caught; one that does not build is skipped. Every change
is undone before the next one, also on Ctrl+C.

  tools/mutation_sample.py BUILD_DIR [--count 60] [--seed 1] [--modules audio,recording]

Prints one line per fault and the share caught. Takes about a minute per fault
on two cores, so run it on a quiet machine.
"""
import argparse
import os
import random
import re
import signal
import subprocess
import sys
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

OPERATORS = [
    (re.compile(r" < "), " <= "), (re.compile(r" <= "), " < "),
    (re.compile(r" > "), " >= "), (re.compile(r" >= "), " > "),
    (re.compile(r" == "), " != "), (re.compile(r" != "), " == "),
    (re.compile(r" && "), " || "), (re.compile(r" \|\| "), " && "),
    (re.compile(r" \+ "), " - "), (re.compile(r" - "), " + "),
    (re.compile(r"\btrue\b"), "false"), (re.compile(r"\bfalse\b"), "true"),
]
INTEGER = re.compile(r"(?<![\w.])(\d+)(?![\w.])")
SKIP_LINE = re.compile(r"^\s*(//|#|\*|/\*|static_assert|namespace|using|template|case\b|default:)")


def code_part(line):
    # The line without a trailing comment or string literals, so that mutations
    # land on code only.
    line = line.split("//", 1)[0]
    return re.sub(r'"(\\.|[^"\\])*"', lambda m: "\0" * len(m.group(0)), line)


def sites_in(path):
    sites = []
    with open(path, encoding="utf-8") as f:
        lines = f.readlines()
    for number, line in enumerate(lines):
        if SKIP_LINE.match(line) or not line.strip():
            continue
        code = code_part(line)
        for pattern, replacement in OPERATORS:
            for m in pattern.finditer(code):
                sites.append((path, number, m.start(), m.end(), replacement))
        for m in INTEGER.finditer(code):
            value = int(m.group(1))
            if "[" in code[:m.start()] and "]" in code[m.end():] and "std::array" in code:
                continue  # array sizes in declarations rarely compile differently
            sites.append((path, number, m.start(), m.end(), str(value + 1)))
        stripped = code.strip()
        if (stripped.endswith(";") and stripped.count("(") == stripped.count(")") and
                not stripped.startswith(("return", "}", "break", "continue", "const ", "auto "))):
            start = len(line) - len(line.lstrip())
            sites.append((path, number, start, len(line.rstrip("\n")), ";  // deleted"))
    return sites


def module_of(path):
    rel = os.path.relpath(path, os.path.join(ROOT, "src"))
    return rel.split(os.sep)[0] if os.sep in rel else "."


def run(command, cwd, timeout):
    try:
        return subprocess.run(command, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                              timeout=timeout).returncode
    except subprocess.TimeoutExpired:
        return "timeout"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--count", type=int, default=60)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--modules", default="")
    parser.add_argument("--jobs", default=str(os.cpu_count() or 2))
    args = parser.parse_args()
    build = os.path.abspath(args.build)

    by_module = {}
    for directory, _, files in os.walk(os.path.join(ROOT, "src")):
        for name in sorted(files):
            if not name.endswith(".cpp") or name.startswith("sdl_") or name == "main.cpp":
                continue
            path = os.path.join(directory, name)
            by_module.setdefault(module_of(path), []).extend(sites_in(path))
    modules = sorted(m for m in by_module if not args.modules or m in args.modules.split(","))
    rng = random.Random(args.seed)
    for m in modules:
        rng.shuffle(by_module[m])

    original = {}

    def restore(*_):
        for path, text in original.items():
            with open(path, "w", encoding="utf-8") as f:
                f.write(text)
        original.clear()

    signal.signal(signal.SIGINT, lambda *a: (restore(), sys.exit(130)))
    if run(["cmake", "--build", build, "-j", args.jobs], ROOT, 3600) != 0:
        sys.exit("the unchanged tree does not build")

    caught = tried = 0
    per_module = {}
    turn = 0
    while tried < args.count and any(by_module[m] for m in modules):
        module = modules[turn % len(modules)]
        turn += 1
        if not by_module[module]:
            continue
        path, number, start, end, replacement = by_module[module].pop()
        with open(path, encoding="utf-8") as f:
            text = f.read()
        lines = text.splitlines(keepends=True)
        line = lines[number]
        mutated = line[:start] + replacement + line[end:]
        original[path] = text
        lines[number] = mutated
        with open(path, "w", encoding="utf-8") as f:
            f.write("".join(lines))
        began = time.time()
        built = run(["cmake", "--build", build, "-j", args.jobs], ROOT, 1200)
        if built != 0:
            restore()
            continue
        result = run(["ctest", "-j", args.jobs, "--timeout", "120", "--stop-on-failure"], build, 1800)
        restore()
        tried += 1
        killed = result != 0
        caught += killed
        counts = per_module.setdefault(module, [0, 0])
        counts[0] += killed
        counts[1] += 1
        where = f"{os.path.relpath(path, ROOT)}:{number + 1}"
        print(f"{'caught ' if killed else 'MISSED '} {where:45} {line.strip()[:60]!r} -> "
              f"{mutated.strip()[:60]!r} ({time.time() - began:.0f} s)", flush=True)
    run(["cmake", "--build", build, "-j", args.jobs], ROOT, 3600)
    for module, (k, n) in sorted(per_module.items()):
        print(f"  {module:10} caught {k} of {n}")
    if tried:
        print(f"caught {caught} of {tried} faults ({100.0 * caught / tried:.0f} %)")


if __name__ == "__main__":
    main()
