"""A JupyterLab or Notebook 7 server on a folder, and Debian's Chromium driven by Playwright: what the browser
test and the browser benchmark share. Playwright is imported only by `launch` (the `lab` entry needs none).

    python -m columns_selector_devkit.notebook lab [ARGS]

starts JupyterLab on lab/demo.ipynb, a git-ignored working copy of examples/demo.ipynb (run it from the
repository's top folder; ARGS go to JupyterLab).
"""

import contextlib
import json
import os
import secrets
import shutil
import signal
import socket
import subprocess
import sys
import threading
import time
import urllib.request
from pathlib import Path

# The notebook's cell count, active cell and mode: what a shortcut leaking out of a widget would change.
NOTEBOOK = """() => { const cells = [...document.querySelectorAll('.jp-Notebook .jp-Cell')];
  const mode = document.querySelector('.jp-Notebook.jp-mod-editMode') ? 'edit' : 'command';
  return [cells.length, cells.findIndex(c => c.classList.contains('jp-mod-active')), mode]; }"""
# The notebook's kernel connected and idle: only then does "Run All Cells" run them all.
READY = """() => { const kernel = window.jupyterapp?.shell.currentWidget?.sessionContext?.session?.kernel;
  return kernel?.connectionStatus === 'connected' && kernel.status === 'idle'; }"""


def _quiet_settings(home):
    """Settings and runtime folders of a server of our own, without the question about fetching news."""
    settings = home / "settings" / "@jupyterlab" / "apputils-extension"
    settings.mkdir(parents=True, exist_ok=True)
    (settings / "notification.jupyterlab-settings").write_text('{"fetchNews": "false"}')
    return {"JUPYTER_CONFIG_DIR": str(home / "config"), "JUPYTERLAB_SETTINGS_DIR": str(home / "settings"),
            "JUPYTERLAB_WORKSPACES_DIR": str(home / "workspaces"), "JUPYTER_RUNTIME_DIR": str(home / "runtime")}


def _server_command(kind, root, port, token):
    return [sys.executable, "-m", kind, "--no-browser", "--ip=127.0.0.1", f"--port={port}",
            "--ServerApp.port_retries=0", f"--ServerApp.root_dir={root}", f"--IdentityProvider.token={token}",
            # A container is often root; the server refuses root unless told it is meant.
            *["--allow-root"][:os.geteuid() == 0]]


@contextlib.contextmanager
def serve(kind, home):
    """A JupyterLab or Notebook 7 server on the folder `home`, with its own settings; gives a notebook's URL."""
    env = dict(os.environ, **_quiet_settings(home))
    port, token = free_port(), "real-use-test"
    command = [*_server_command(kind, home, port, token), "--expose-app-in-browser",
               "--LabApp.check_for_updates_class=jupyterlab.NeverCheckForUpdate"]
    with open(home / "server.log", "w") as log, subprocess.Popen(command, env=env, stdout=log, stderr=log) as server:
        base = f"http://127.0.0.1:{port}"
        try:
            if not _wait_until_answers(f"{base}/api/status?token={token}", server, 60):
                raise RuntimeError("The server did not start:\n" + (home / "server.log").read_text())
            yield lambda name: f"{base}{'/lab/tree/' if kind == 'jupyterlab' else '/notebooks/'}{name}?token={token}"
        finally:
            server.terminate()


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def _wait_until_answers(url, server, seconds=None):
    """Whether `url` answered before the server ended (or the time ran out)."""
    deadline = None if seconds is None else time.monotonic() + seconds
    while server.poll() is None and (deadline is None or time.monotonic() < deadline):
        try:
            urllib.request.urlopen(url, timeout=2)
            return True
        except OSError:
            time.sleep(0.3)
    return False


def launch(playwright):
    """Debian's Chromium, headless, and a page in it."""
    browser = playwright.chromium.launch(executable_path="/usr/bin/chromium", headless=True,
                                         args=["--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"])
    return browser, browser.new_page(viewport={"width": 1280, "height": 1000})


def open_and_run(page, url, stays_clean=True):
    """Open a notebook, check that opening it (the kernel start included) leaves it unmodified, run all.

    A notebook written without the kernel's language_info gets it at the start: `stays_clean` false then.
    """
    from playwright.sync_api import expect

    page.goto(url)
    page.wait_for_function(READY, timeout=60_000)
    page.wait_for_timeout(1000)
    if stays_clean:
        expect(page.locator(".jp-mod-dirty")).to_have_count(0)
    page.get_by_role("menuitem", name="Run", exact=True).click()
    page.get_by_role("menuitem", name="Run All Cells", exact=True).click()


def working_copy(root):
    """lab/demo.ipynb, made from examples/demo.ipynb when missing or older (the old one kept), and trusted."""
    import nbformat
    from nbformat.sign import NotebookNotary

    example, work = root / "examples" / "demo.ipynb", root / "lab"
    copy = work / "demo.ipynb"
    if not example.is_file():
        sys.exit(f"lab: no {example}: run this from the repository's top folder")
    work.mkdir(exist_ok=True)
    if not copy.exists():
        print("lab: working copy lab/demo.ipynb made from examples/demo.ipynb", file=sys.stderr)
    elif example.stat().st_mtime > copy.stat().st_mtime:
        copy.replace(work / "demo.ipynb.old")
        print("lab: examples/demo.ipynb is newer: lab/demo.ipynb made again (the old one is lab/demo.ipynb.old)",
              file=sys.stderr)
    if not copy.exists():
        shutil.copy(example, copy)
    # The server warns about every notebook without a signature of this machine's; the copy is our own, made
    # from the repository's notebook, and a notebook saved from this JupyterLab is signed by it.
    notebook, notary = nbformat.read(copy, as_version=4), NotebookNotary()
    if not notary.check_signature(notebook):
        notary.sign(notebook)
    return copy


# Warnings and notes a user would learn to ignore, each removed at its cause:
_QUIET = [
    # the notes of a good start (extension loaded, build up to date...)
    "--ServerApp.log_level=WARN", "--LabApp.log_level=WARN",
    # the kernel warns that TCP between server and kernel is unencrypted: both are on this machine, so use
    # local sockets (in the runtime folder, beside the connection file)
    "--KernelManager.transport=ipc",
    # the kernel websocket's default ping timeout (3 pings, 90 s) is longer than the ping interval (30 s),
    # which the web server warns about and cuts to the interval anyway: ask for the interval
    "--ServerApp.tornado_settings=ws_ping_timeout=30000",
    # no notices of new releases over the notebook
    "--LabApp.check_for_updates_class=jupyterlab.NeverCheckForUpdate",
]
# Nor the question whether to fetch Jupyter's news: answered "no" in this environment's defaults
# (overrides.json), which a user's own setting still overrides.
_NO_NEWS = {"@jupyterlab/apputils-extension:notification": {"fetchNews": "false"}}


def _no_news_question():
    overrides = Path(sys.prefix, "share", "jupyter", "lab", "settings", "overrides.json")
    settings = json.loads(overrides.read_text()) if overrides.exists() else {}
    if not all(settings.get(plugin, {}).items() >= values.items() for plugin, values in _NO_NEWS.items()):
        for plugin, values in _NO_NEWS.items():
            settings.setdefault(plugin, {}).update(values)
        overrides.parent.mkdir(parents=True, exist_ok=True)
        overrides.write_text(json.dumps(settings, indent=2) + "\n")


def lab(args):
    """JupyterLab on the demo's working copy; prints the address once the server answers; ends with it."""
    copy = working_copy(Path.cwd())
    _no_news_question()
    port, token = int(os.environ.get("PORT") or free_port()), secrets.token_hex(16)
    command = [*_server_command("jupyterlab", copy.parent, port, token), *_QUIET, *args]
    print(f"lab: starting JupyterLab on 127.0.0.1:{port}", file=sys.stderr)
    with subprocess.Popen(command) as server:
        def tell():
            if _wait_until_answers(f"http://127.0.0.1:{port}/api/status?token={token}", server):
                print(f"\nJupyterLab on lab/demo.ipynb: http://127.0.0.1:{port}/lab/tree/demo.ipynb?token={token}\n"
                      "(Ctrl-C twice stops it)\n", flush=True)

        threading.Thread(target=tell, daemon=True).start()
        signal.signal(signal.SIGTERM, lambda *_: server.terminate())  # never leave the server behind
        while True:
            try:
                return server.wait()
            except KeyboardInterrupt:  # the server has it too, and asks whether to stop
                continue


def main(argv):
    if not argv or argv[0] != "lab":
        sys.exit("usage: python -m columns_selector_devkit.notebook lab [JupyterLab arguments]")
    sys.exit(lab(argv[1:]))


if __name__ == "__main__":
    main(sys.argv[1:])
