"""A short soak and a slice of the fuzz tests under valgrind's memcheck, on the extension installed in this
interpreter's environment, with PYTHONMALLOC=malloc so that every object goes through the allocator valgrind
watches. Fails on any invalid read, write or free; on a conditional jump that depends on uninitialised memory,
and on a definitely lost block, where the nearest frame of the stack that is not the interpreter's, a system
library's or another extension's is in our shared object. One suppression, explained in memcheck.supp: a known
false report about glibc's vectorised wmemcmp.

    python scripts/memcheck.py [SOAK_RUNS [FUZZ_EXAMPLES]]     (48 runs per operation, 4 fuzz examples)
"""

import os
import subprocess
import sys
import xml.etree.ElementTree as ET
from pathlib import Path

HERE = Path(__file__).resolve().parent
OUT = HERE.parent / "build" / "memcheck"
ALWAYS = ("InvalidRead", "InvalidWrite", "InvalidFree", "MismatchedFree", "InvalidMemPool", "Overlap")
OURS = ("UninitCondition", "UninitValue", "SyscallParam", "Leak_DefinitelyLost")
SYSTEM = ("libpython", "/python3", "libc.so", "libc-", "ld-linux", "vgpreload", "libstdc++", "libgcc_s", "libm.so",
          "lib-dynload", "site-packages")
# The soak (its exit status kept), then the fuzz's state machine through pytest.
BOTH = """import runpy, sys
import pytest
soak, runs, fuzz = sys.argv[1:]
sys.argv = [soak, runs]
try:
    runpy.run_path(soak, run_name="__main__")
except SystemExit as end:
    soaked = end.code
sys.exit(pytest.main(["-p", "no:cacheprovider", "-q", fuzz, "-k", "TestFuzz"]) or soaked)
"""


def run(name, *args, **env):
    print(f"-- valgrind: {name}", flush=True)
    log = OUT / f"{name}.log"
    with log.open("w") as output:
        done = subprocess.run(
            ["valgrind", "--tool=memcheck", f"--suppressions={HERE / 'memcheck.supp'}", "--xml=yes",
             f"--xml-file={OUT / name}.xml", "--leak-check=full", "--show-leak-kinds=definite",
             "--errors-for-leak-kinds=definite", "--num-callers=40", "--error-exitcode=0", sys.executable, *args],
            stdout=output, stderr=subprocess.STDOUT, env=dict(os.environ, PYTHONMALLOC="malloc", SOAK_REPORT_ONLY="1",
                                                              **env))
    if done.returncode:
        sys.exit(f"{name} failed under valgrind:\n" + "".join(log.read_text().splitlines(True)[-20:]))


def ours(path):
    """The reports that concern us: the frame nearest to the fault that is neither the interpreter nor a system
    library is in our shared object."""
    found = []
    for error in ET.parse(path).getroot().findall("error"):
        kind = error.findtext("kind")
        objects = [frame.findtext("obj") or "" for frame in error.iter("frame")]
        nearest = next((o for o in objects if "columns_selector" in o or not any(lib in o for lib in SYSTEM)), "")
        if kind in ALWAYS or (kind in OURS and "columns_selector" in nearest):
            what = error.findtext("what") or error.findtext("xwhat/text")
            frames = [f"{f.findtext('fn')} ({(f.findtext('obj') or '').rsplit('/', 1)[-1]})"
                      for f in error.iter("frame")]
            found.append(f"{path.name}: {kind}: {what}\n    " + "\n    ".join(frames[:12]))
    return found


def main():
    soak, fuzz = (sys.argv[1:] + ["48", "4"][len(sys.argv) - 1:])[:2]
    OUT.mkdir(parents=True, exist_ok=True)
    for old in OUT.iterdir():
        old.unlink()
    # One interpreter for both: under valgrind, importing pandas and ipywidgets costs most of a minute.
    run("soak-and-fuzz", "-c", BOTH, str(HERE / "soak.py"), soak, str(HERE.parent / "tests" / "test_fuzz.py"),
        FUZZ_EXAMPLES=fuzz)
    bad = 0
    for path in sorted(OUT.glob("*.xml")):
        found = ours(path)
        print("\n".join(found) + ("\n" if found else "") + f"{path.name}: {len(found)} reports of ours")
        bad += len(found)
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
