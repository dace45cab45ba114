"""Instructions per call of the code-text and mode-test operations of bench_calls.py: the module, the
plain-Python twin and, for the selectors, the plain C floor, counted by valgrind's callgrind.

Run:  .venv/bin/python bench/count_calls.py [--calls N] [TITLE-FRAGMENT ...]

A loop of N calls is counted, minus an empty loop of N, each after a warm-up; the counts do not drift
with the load of the machine, unlike the wall clock. A call to math.gcd marks the phases (callgrind
writes its counts before each one). PYTHONHASHSEED is fixed so that two runs count the same.
"""

import argparse
import os
import subprocess
import sys
import tempfile
from pathlib import Path


def inner(calls, fragments):
    import math

    sys.argv = sys.argv[:1]
    import bench_calls as bench

    floor = bench.load_floor()
    for group, title, spec in bench.operations():
        if group == "build" or (fragments and not any(f in title for f in fragments)):
            continue
        sides = [bench.cs, bench.twin] + ([floor] if spec[0] in floor.SELECTOR_OPTIONS else [])
        for module in sides:
            statement, namespace = bench.subject(module, spec)
            code = f"def loop(n):\n    for _ in range(n):\n        {statement}\n" \
                   f"def empty(n):\n    for _ in range(n):\n        pass\n"
            exec(code, namespace)
            namespace["loop"](200)
            namespace["empty"](200)
            math.gcd(1, 1)
            namespace["loop"](calls)
            math.gcd(1, 1)
            namespace["empty"](calls)
            math.gcd(1, 1)
        print(f"{len(sides)}\t{title}")


def totals(path):
    for line in path.read_text().splitlines():
        if line.startswith("totals:"):
            return int(line.split()[1])
    raise ValueError(f"no totals in {path}")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--calls", type=int, default=2000)
    parser.add_argument("--inner", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("fragments", nargs="*", help="count only the operations whose title holds one of these")
    args = parser.parse_args()
    if args.inner:
        inner(args.calls, args.fragments)
        return
    with tempfile.TemporaryDirectory() as directory:
        out = Path(directory) / "callgrind.out"
        result = subprocess.run(
            ["valgrind", "--tool=callgrind", "--dump-before=math_gcd", f"--callgrind-out-file={out}",
             sys.executable, __file__, "--inner", "--calls", str(args.calls), *args.fragments],
            env={**os.environ, "PYTHONHASHSEED": "0"}, capture_output=True, text=True, check=True)
        operations = [line.split("\t") for line in result.stdout.splitlines()]
        dumps = sorted(Path(directory).glob("callgrind.out.*"), key=lambda p: int(p.suffix[1:]))
        # Three dumps per operation and side: up to the marker before the loop, the loop, the empty loop.
        sides = sum(int(count) for count, _ in operations)
        counts = [totals(p) for p in dumps[len(dumps) - 3 * sides :]]
    print(f"CPython {sys.version.split()[0]}: instructions per call, {args.calls} calls\n")
    print(f"{'operation':52} {'module':>8} {'Python':>8} {'plain C':>8} {'mod/Py':>7} {'mod/C':>6}")
    at = 0
    for count, title in operations:
        per_call = []
        for _ in range(int(count)):
            per_call.append((counts[at + 1] - counts[at + 2]) / args.calls)
            at += 3
        ours, twin = per_call[:2]
        floor, over_floor = (f"{per_call[2]:8.0f}", f"{ours / per_call[2]:6.2f}") if len(per_call) == 3 else ("-", "-")
        print(f"{title:52} {ours:8.0f} {twin:8.0f} {floor:>8} {ours / twin:7.2f} {over_floor:>6}")


if __name__ == "__main__":
    main()
