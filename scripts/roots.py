#!/usr/bin/env python3
"""Debian roots that the test command runs cells in: CPythons newer than pyenv has (sid) and an arm64
userland under qemu-user. Each root is made once per machine with mmdebstrap, in a cache folder outside
the repository, and made again only when its recipe below changes. Runs as root (apt-get, mount, chroot).

    scripts/roots.py ensure sid arm64        make the roots that are missing or stale
    scripts/roots.py run NAME [--bind HOSTDIR:ROOTDIR]... [--env NAME=VALUE]... [--cwd DIR] -- CMD...
                                             run CMD in root NAME with proc, sys and dev mounted (and the binds);
                                             everything is unmounted when CMD ends, fails or is interrupted
    scripts/roots.py path NAME               print the root's folder (the cross-build reads arm64's headers there)
    scripts/roots.py needs NAME              print the Debian packages the host needs for root NAME (the nox
                                             sessions install them; ensure only checks)

The cache folder is /var/cache/ostrel-roots, or OSTREL_ROOTS when set. The Debian mirror is the one the
host's apt reads, or OSTREL_ROOTS_MIRROR when set. Inside a root, HOME's .cache (pip's and uv's caches)
is kept beside the root, so that a root made again starts with a warm cache.
"""
import argparse
import contextlib
import fcntl
import hashlib
import json
import os
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

CACHE = Path(os.environ.get("OSTREL_ROOTS", "/var/cache/ostrel-roots"))
HOST_CA = Path("/usr/local/share/ca-certificates")  # the machine's own extra CAs (pip inside needs them)
# The archive served here is a frozen snapshot: sid's Release file is past its Valid-Until date.
APT_OPTIONS = ['Acquire::Check-Valid-Until "false"', 'APT::Install-Recommends "false"']
COMMON = ["ca-certificates"]
RECIPES = {
    # The CPythons that pyenv does not have; the sdist builds there, so the compiler comes along.
    "sid": dict(suite="sid", arch="amd64", host=["mmdebstrap"],
                packages=["python3.14", "python3.14-venv", "python3.14-dev", "python3.15", "python3.15-venv",
                          "python3.15-dev", "g++", "ccache", "cmake", "ninja-build", "make", "git", *COMMON]),
    # The suite on aarch64 under qemu-user; the module is cross-built on the host with these headers.
    "arm64": dict(suite="bookworm", arch="arm64",
                  host=["mmdebstrap", "arch-test", "qemu-user-static", "binfmt-support",
                        "g++-aarch64-linux-gnu"],
                  packages=["python3", "python3-venv", "python3-dev", "binutils", *COMMON]),
}
RECIPE_VERSION = 1  # bump when the making below changes in a way the recipes do not show
PATH = "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"
PASSED_ON = ("TERM", "CI", "PIP_DEFAULT_TIMEOUT", "PIP_DISABLE_PIP_VERSION_CHECK", "NO_COLOR", "FORCE_COLOR")


class Failure(Exception):
    """A step that cannot go on; its text is all the user sees."""


def say(text):
    print("roots: " + text, file=sys.stderr, flush=True)


def logged(command, log, **kwargs):
    """Runs `command` with its output in `log`; on failure raises with the log's last lines."""
    with open(log, "w") as out:
        done = subprocess.run(command, stdout=out, stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL, **kwargs)
    if done.returncode:
        tail = "".join(Path(log).read_text(errors="replace").splitlines(True)[-25:])
        raise Failure(f"{' '.join(map(str, command[:3]))} ... failed ({done.returncode}); last lines of {log}:\n{tail}")


@contextlib.contextmanager
def locked(name, shared=False):
    CACHE.mkdir(parents=True, exist_ok=True)
    with open(CACHE / f"{name}.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_SH if shared else fcntl.LOCK_EX)
        yield


def missing_on_host(packages):
    query = subprocess.run(["dpkg-query", "-W", "-f=${Package} ${db:Status-Status}\n", *packages],
                           capture_output=True, text=True)
    installed = {line.split()[0] for line in query.stdout.splitlines() if line.endswith(" installed")}
    return [p for p in packages if p not in installed]


def check_host(packages):
    missing = missing_on_host(packages)
    if missing:  # installed by the nox sessions, the one place that installs Debian packages on the host
        raise Failure(f"the host lacks Debian's {' '.join(missing)}: `scripts/nox -s debian` installs them")


def enable_binfmt():
    """Lets the kernel run aarch64 programs through qemu-user-static (F flag: also inside a chroot)."""
    misc = Path("/proc/sys/fs/binfmt_misc")
    if not (misc / "status").exists():
        done = subprocess.run(["mount", "-t", "binfmt_misc", "binfmt_misc", str(misc)], capture_output=True, text=True)
        if done.returncode:
            raise Failure("cannot mount binfmt_misc, so aarch64 programs cannot run here: " + done.stderr.strip())
    entry = misc / "qemu-aarch64"
    if not entry.exists() or not entry.read_text().startswith("enabled"):
        logged(["update-binfmts", "--enable", "qemu-aarch64"], CACHE / "binfmt.log")
    flags = re.search(r"^flags: (\S*)", entry.read_text(), re.M)
    if not flags or "F" not in flags.group(1):
        raise Failure(f"{entry} lacks the F flag: aarch64 programs would not run inside a root")


def mirror():
    """The Debian archive the host's apt reads (a root gets its packages from the same place)."""
    if os.environ.get("OSTREL_ROOTS_MIRROR"):
        return os.environ["OSTREL_ROOTS_MIRROR"]
    sources = Path("/etc/apt")
    entries = []
    for path in sorted(sources.glob("sources.list.d/*.sources")):
        for stanza in re.split(r"\n\s*\n", path.read_text()):
            fields = dict(re.findall(r"^(\w[\w-]*):\s*(.*)$", stanza, re.M))
            entries += [(uri, fields.get("Suites", "")) for uri in fields.get("URIs", "").split()]
    for path in [sources / "sources.list", *sorted(sources.glob("sources.list.d/*.list"))]:
        if path.exists():
            entries += [(m[1], m[2]) for m in re.finditer(r"^deb\s+(?:\[[^]]*\]\s+)?(\S+)\s+(\S+)", path.read_text(),
                                                         re.M)]
    for uri, suites in entries:
        if re.search(r"\b(bookworm|trixie|forky|sid|stable|testing|unstable)\b(?!-)", suites) \
                and "security" not in uri:
            return uri
    raise Failure("no Debian archive among the host's apt sources: set OSTREL_ROOTS_MIRROR")


def stamp_of(name):
    recipe = dict(RECIPES[name], version=RECIPE_VERSION, apt=APT_OPTIONS)
    return hashlib.sha256(json.dumps(recipe, sort_keys=True).encode()).hexdigest()


def ca_files(folder):
    return {str(p.relative_to(folder)): p.read_bytes() for p in sorted(folder.rglob("*.crt"))} \
        if folder.is_dir() else {}


def make(name):
    recipe, root = RECIPES[name], CACHE / name
    fresh = CACHE / f"{name}.new"
    shutil.rmtree(fresh, ignore_errors=True)
    say(f"making {name} ({recipe['suite']}, {recipe['arch']}) in {root}; a few minutes")
    started = time.monotonic()
    command = ["mmdebstrap", "--variant=apt", f"--arch={recipe['arch']}",
               "--include=" + ",".join(recipe["packages"]),
               *[f"--aptopt={option}" for option in APT_OPTIONS],
               recipe["suite"], str(fresh), mirror()]
    try:
        logged(command, CACHE / f"{name}.log")
    except Failure:
        shutil.rmtree(fresh, ignore_errors=True)
        raise
    with contextlib.suppress(FileNotFoundError):
        shutil.rmtree(root)
    fresh.rename(root)
    (CACHE / f"{name}.stamp").write_text(stamp_of(name) + "\n")
    say(f"made {name} in {time.monotonic() - started:.0f} s")


def refresh_ca(name):
    """Copies the host's extra CAs into the root when they differ (a new machine may have others)."""
    root = CACHE / name
    inside = root / HOST_CA.relative_to("/")
    if ca_files(HOST_CA) == ca_files(inside):
        return
    shutil.rmtree(inside, ignore_errors=True)
    if HOST_CA.is_dir():
        shutil.copytree(HOST_CA, inside)
    else:
        inside.mkdir(parents=True)
    logged(["chroot", str(root), "/usr/sbin/update-ca-certificates", "--fresh"], CACHE / f"{name}-ca.log",
           env={"PATH": PATH})


def ensure(name):
    if os.geteuid() != 0:
        raise Failure("the roots need root (apt-get, mmdebstrap, mount, chroot): run as root")
    recipe = RECIPES[name]
    with locked("host"):
        check_host(recipe["host"])
        if recipe["arch"] == "arm64":
            enable_binfmt()
    with locked(name):
        stamp = CACHE / f"{name}.stamp"
        if not stamp.exists() or stamp.read_text().strip() != stamp_of(name) or not (CACHE / name).is_dir():
            make(name)
        refresh_ca(name)


def mount(*args):
    done = subprocess.run(["mount", *args], capture_output=True, text=True)
    if done.returncode:
        raise Failure(f"mount {' '.join(args)}: {done.stderr.strip()}")


class Stop(Exception):
    pass


def stop(signum, frame):
    raise Stop(signum)


def enter(name, binds, env, cwd, command):
    """Mounts, runs `command` chrooted, unmounts whatever happened; returns the command's exit status."""
    root = (CACHE / name).resolve()
    mounted = []
    child = None
    for signum in (signal.SIGTERM, signal.SIGHUP):
        signal.signal(signum, stop)
    try:
        points = [("proc", ["-t", "proc", "proc"]), ("sys", ["-t", "sysfs", "sysfs"]), ("dev", ["--rbind", "/dev"]),
                  ("tmp", ["-t", "tmpfs", "tmpfs"])]
        cache = CACHE / "home-cache" / name
        cache.mkdir(parents=True, exist_ok=True)
        points += [("root/.cache", ["--bind", str(cache)])]
        points += [("etc/resolv.conf", ["--bind", "/etc/resolv.conf"])] if Path("/etc/resolv.conf").exists() else []
        points += [(inner.lstrip("/"), ["--bind", outer]) for outer, inner in binds]
        for inner, args in points:
            target = root / inner
            if Path(args[-1]).is_file():
                target.parent.mkdir(parents=True, exist_ok=True)
                target.touch()
            else:
                target.mkdir(parents=True, exist_ok=True)
            mount(*args, str(target))
            mounted.append(target)
            if inner == "dev":  # so that unmounting it never reaches the host's own /dev/pts and the like
                mount("--make-rslave", str(target))
        # pip and uv trust the root's CA bundle, which holds the host's extra CAs (see refresh_ca).
        bundle = "/etc/ssl/certs/ca-certificates.crt"
        environment = {"PATH": PATH, "HOME": "/root", "LANG": "C.UTF-8", "PIP_CERT": bundle, "SSL_CERT_FILE": bundle}
        environment.update((k, os.environ[k]) for k in PASSED_ON if k in os.environ)
        environment.update(env)
        child = subprocess.Popen(["chroot", str(root), "/usr/bin/env", "-C", cwd, *command], env=environment)
        return child.wait()
    except (KeyboardInterrupt, Stop):
        return 130
    finally:
        if child and child.poll() is None:
            child.terminate()
            try:
                child.wait(10)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()
        for target in reversed(mounted):
            subprocess.run(["umount", "--recursive", "--lazy", str(target)], stderr=subprocess.DEVNULL)


def run(name, binds, env, cwd, command):
    ensure(name)
    with locked(name, shared=True):
        # In a mount namespace of its own the mounts go away with the run even if it is killed outright.
        inner = [sys.executable, os.path.abspath(__file__), "_enter", name, "--cwd", cwd,
                 *[f"--bind={o}:{i}" for o, i in binds], *[f"--env={k}={v}" for k, v in env.items()], "--", *command]
        if subprocess.run(["unshare", "--mount", "--propagation", "private", "true"],
                          stderr=subprocess.DEVNULL).returncode == 0:
            inner = ["unshare", "--mount", "--propagation", "private", *inner]
        else:
            return enter(name, binds, env, cwd, command)
        try:
            return subprocess.run(inner).returncode
        except KeyboardInterrupt:
            return 130


def main(argv):
    parser = argparse.ArgumentParser(prog="roots.py", description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="what", required=True, metavar="{ensure,run,path,needs}")  # _enter: run's inside
    sub.add_parser("ensure").add_argument("names", nargs="+", choices=RECIPES)
    sub.add_parser("path").add_argument("name", choices=RECIPES)
    sub.add_parser("needs").add_argument("name", choices=RECIPES)
    for what in ("run", "_enter"):
        p = sub.add_parser(what)
        p.add_argument("name", choices=RECIPES)
        p.add_argument("--bind", action="append", default=[], metavar="HOSTDIR:ROOTDIR")
        p.add_argument("--env", action="append", default=[], metavar="NAME=VALUE")
        p.add_argument("--cwd", default="/")
        p.add_argument("command", nargs="+")
    args = parser.parse_args(argv)
    try:
        if args.what == "ensure":
            for name in args.names:
                ensure(name)
            return 0
        if args.what == "path":
            print(CACHE / args.name)
            return 0
        if args.what == "needs":
            print(" ".join(RECIPES[args.name]["host"]))
            return 0
        binds = []
        for bind in args.bind:
            outer, sep, inner = bind.rpartition(":")
            if not sep or not outer or not inner.startswith("/") or not Path(outer).exists():
                raise Failure(f"--bind {bind}: expected an existing HOSTDIR and an absolute ROOTDIR")
            binds.append((os.path.abspath(outer), inner))
        env = dict(e.split("=", 1) for e in args.env if "=" in e)
        if len(env) != len(args.env):
            raise Failure("--env takes NAME=VALUE")
        if args.what == "_enter":
            return enter(args.name, binds, env, args.cwd, args.command)
        return run(args.name, binds, env, args.cwd, args.command)
    except Failure as failure:
        say(str(failure))
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
