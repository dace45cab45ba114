"""The demo notebook in JupyterLab and Notebook 7, driven through Debian's Chromium by mouse and keyboard
(run by scripts/test-browser only); screenshots go to $SCREENSHOTS. bench/browser_100k.py reuses the server."""

import contextlib
import os
import re
import shutil
import subprocess
import sys
import time
import urllib.request
from pathlib import Path

import pytest
from playwright.sync_api import expect, sync_playwright

ROOT = Path(__file__).resolve().parents[2]
SHOTS = Path(os.environ.get("SCREENSHOTS", ROOT / "build" / "screenshots"))

# Boxes whose content is wider than they are, and controls that stick out of their box.
OVERFLOW = """root => { const bad = [];
  for (const box of [root, ...root.querySelectorAll('.widget-box')]) {
    if (box.scrollWidth > box.clientWidth + 1) bad.push(`scrolls: ${box.className}`);
    const outer = box.getBoundingClientRect();
    for (const child of box.children) { const r = child.getBoundingClientRect();
      if (r.width && (r.left < outer.left - 0.5 || r.right > outer.right + 0.5))
        bad.push(`sticks out: ${child.className}`); } }
  return bad; }"""
# The notebook's cell count and active cell: what a shortcut that leaked out of the widget would change.
NOTEBOOK = """() => { const cells = [...document.querySelectorAll('.jp-Notebook .jp-Cell')];
  return [cells.length, cells.findIndex(c => c.classList.contains('jp-mod-active'))]; }"""
# The notebook's kernel connected and idle: only then does "Run All Cells" run them all.
READY = """() => { const kernel = window.jupyterapp?.shell.currentWidget?.sessionContext?.session?.kernel;
  return kernel?.connectionStatus === 'connected' && kernel.status === 'idle'; }"""


@contextlib.contextmanager
def serve(kind, home):
    """A JupyterLab or Notebook 7 server on the folder `home`, with its own settings; gives a notebook's URL."""
    # No question about news popping up over the notebook.
    settings = home / "settings" / "@jupyterlab" / "apputils-extension"
    settings.mkdir(parents=True)
    (settings / "notification.jupyterlab-settings").write_text('{"fetchNews": "false"}')
    env = dict(os.environ, JUPYTER_CONFIG_DIR=str(home / "config"), JUPYTERLAB_SETTINGS_DIR=str(home / "settings"),
               JUPYTERLAB_WORKSPACES_DIR=str(home / "workspaces"), JUPYTER_RUNTIME_DIR=str(home / "runtime"))
    port, token = 18000 + os.getpid() % 1000, "real-use-test"
    command = [sys.executable, "-m", kind, "--no-browser", "--ip=127.0.0.1", f"--port={port}",
               "--ServerApp.port_retries=0", f"--ServerApp.root_dir={home}", f"--IdentityProvider.token={token}",
               "--LabApp.check_for_updates_class=jupyterlab.NeverCheckForUpdate", "--expose-app-in-browser",
               *["--allow-root"][:os.geteuid() == 0]]
    with open(home / "server.log", "w") as log, subprocess.Popen(command, env=env, stdout=log, stderr=log) as server:
        base, deadline = f"http://127.0.0.1:{port}", time.monotonic() + 60
        try:
            while not _answers(f"{base}/api/status?token={token}"):
                if server.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("The server did not start:\n" + (home / "server.log").read_text())
                time.sleep(0.5)
            yield lambda name: f"{base}{'/lab/tree/' if kind == 'jupyterlab' else '/notebooks/'}{name}?token={token}"
        finally:
            server.terminate()


def _answers(url):
    try:
        return bool(urllib.request.urlopen(url, timeout=2))
    except OSError:
        return False


def launch(playwright):
    """Debian's Chromium, headless, and a page in it."""
    browser = playwright.chromium.launch(executable_path="/usr/bin/chromium", headless=True,
                                         args=["--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"])
    return browser, browser.new_page(viewport={"width": 1280, "height": 1000})


@pytest.fixture(scope="module", params=["jupyterlab", "notebook"])
def app(request, tmp_path_factory):
    """The server on a copy of the demo (autosave must not touch examples/)."""
    home = tmp_path_factory.mktemp(request.param)
    shutil.copy(ROOT / "examples" / "demo.ipynb", home / "demo.ipynb")
    with serve(request.param, home) as url:
        yield request.param, url


def open_and_run(page, url):
    """Open a notebook, check that opening it (the kernel start included) leaves it unmodified, run all."""
    page.goto(url)
    page.wait_for_function(READY, timeout=60_000)
    page.wait_for_timeout(1000)
    expect(page.locator(".jp-mod-dirty")).to_have_count(0)
    page.get_by_role("menuitem", name="Run", exact=True).click()
    page.get_by_role("menuitem", name="Run All Cells", exact=True).click()


def test_demo_notebook_in_a_real_browser(app):
    name, url = app
    errors = []
    with sync_playwright() as playwright:
        browser, page = launch(playwright)
        page.on("console", lambda message: message.type == "error" and errors.append(message.text))
        page.on("pageerror", lambda error: errors.append(str(error)))
        open_and_run(page, url("demo.ipynb"))
        if name == "notebook":  # Notebook 7.6 itself logs a TypeError (reading 'schema') at every load
            errors = [e for e in errors if "reading 'schema'" not in e]
        names = page.locator(".widget-select-multiple select")
        expect(names).to_be_visible(timeout=60_000)
        result = page.locator(".demo-code").last
        empty = "No columns are selected.Please select one or multiple columns"  # the <br> is no text
        expect(page.locator(".demo-error")).to_have_text(empty)
        widget = page.locator(".jp-OutputArea-output .widget-vbox").first
        selector = widget.locator(":scope > .widget-vbox").first
        dropdowns = page.locator(".jp-OutputArea-output .widget-dropdown select")

        def check(code, preview=None, shot=None):
            expect(result).to_contain_text(code)
            if preview:
                expect(page.locator(".demo-shape")).to_contain_text(preview)
            assert selector.evaluate(OVERFLOW) == []
            if shot and name == "jupyterlab":
                SHOTS.mkdir(parents=True, exist_ok=True)
                widget.screenshot(path=str(SHOTS / f"demo-{shot}.png"))

        def keys(control, presses, code):
            """Keys typed into a focused control act on it, never on the notebook; Escape focuses the cell."""
            before = page.evaluate(NOTEBOOK)
            for key in [*presses, "Escape"]:
                control.press(key)
            check(code)
            expect(page.locator(".jp-Notebook .jp-Cell.jp-mod-active")).to_be_focused()
            assert page.evaluate(NOTEBOOK) == before

        # Two names, in the reverse of their column order: the code keeps the order of the picks.
        names.locator("option", has_text="island").click()
        names.locator("option", has_text="species").click(modifiers=["Control"])
        check("df[['island', 'species']]", "344 rows × 2 columns: island, species", "names")
        keys(names, ["ArrowDown", "b", "d", "d"], "df[['bill_length_mm']]")  # b: type-ahead
        names.locator("option", has_text="[Columns with data type]").click()
        check("df.select_dtypes(['number'])", "344 rows × 5 columns")  # the first type, at once
        dropdowns.nth(1).select_option(label="Float")
        check("df.select_dtypes(['float'])", "344 rows × 4 columns", "dtype")
        keys(dropdowns.nth(1), ["ArrowDown", "ArrowUp", "ArrowUp", "d"], "df.select_dtypes(['datetime'])")
        dropdowns.nth(0).select_option(label="[Columns that match regex]")
        check("df.filter(regex='^$')", "no columns")
        pattern = page.locator(".jp-OutputArea-output .widget-text input[placeholder='Regex, e.g. e$']")
        expect(pattern).to_be_focused()
        pattern.fill("^bill")
        pattern.press("Enter")
        check("df.filter(regex='^bill')", "344 rows × 2 columns: bill_length_mm, bill_depth_mm", "regex")
        keys(pattern, ["End", "(", "Enter"], "df.filter(regex='^bill(')")  # the code stays, and the error shows
        unfinished = re.compile(r"re\.(Pattern)?[eE]rror: missing \), unterminated subpattern at position 5")
        expect(page.locator(".demo-error")).to_have_text(unfinished)  # as Python prints it
        dropdowns.nth(0).select_option(label="sex")
        check("df[['sex']]", "344 rows × 1 columns: sex")
        expect(names).to_be_visible()
        browser.close()
    assert errors == []
