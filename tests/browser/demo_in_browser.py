"""The demo notebook in JupyterLab, driven through Debian's Chromium as a user would.

Run by scripts/test-browser (not collected by the ordinary runs). It starts JupyterLab on a copy of
examples/demo.ipynb on 127.0.0.1 with a token, runs the notebook from the Run menu, picks columns by
name and by rule, checks the code and preview under the widget, that no control overflows its box
and that the browser logged no error, and saves a screenshot of each mode into docs/.
"""

import os
import shutil
import subprocess
import sys
import time
import urllib.request
from pathlib import Path

import pytest
from playwright.sync_api import expect, sync_playwright

ROOT = Path(__file__).resolve().parents[2]
CHROMIUM = "/usr/bin/chromium"

# Boxes whose content is wider than they are, and controls that stick out of their box.
OVERFLOW = """root => {
  const bad = [];
  for (const box of [root, ...root.querySelectorAll('.widget-box')]) {
    if (box.scrollWidth > box.clientWidth + 1) bad.push(`scrolls: ${box.className}`);
    const outer = box.getBoundingClientRect();
    for (const child of box.children) {
      const r = child.getBoundingClientRect();
      const out = r.left < outer.left - 0.5 || r.right > outer.right + 0.5;
      if (r.width && out) bad.push(`sticks out: ${child.className}`);
    }
  }
  return bad;
}"""


@pytest.fixture(scope="module")
def lab(tmp_path_factory):
    """JupyterLab on a copy of the notebook (its autosave must not touch examples/), with its own settings."""
    home = tmp_path_factory.mktemp("lab")
    shutil.copy(ROOT / "examples" / "demo.ipynb", home / "demo.ipynb")
    # No question about news popping up over the notebook.
    settings = home / "settings" / "@jupyterlab" / "apputils-extension"
    settings.mkdir(parents=True)
    (settings / "notification.jupyterlab-settings").write_text('{"fetchNews": "false"}')
    env = dict(os.environ, JUPYTER_CONFIG_DIR=str(home / "config"), JUPYTERLAB_SETTINGS_DIR=str(home / "settings"),
               JUPYTERLAB_WORKSPACES_DIR=str(home / "workspaces"), JUPYTER_RUNTIME_DIR=str(home / "runtime"))
    port, token = 18000 + os.getpid() % 1000, "real-use-test"
    command = [sys.executable, "-m", "jupyterlab", "--no-browser", "--ip=127.0.0.1", f"--port={port}",
               "--ServerApp.port_retries=0", f"--ServerApp.root_dir={home}", f"--IdentityProvider.token={token}",
               "--LabApp.check_for_updates_class=jupyterlab.NeverCheckForUpdate"]
    if os.geteuid() == 0:
        command.append("--allow-root")
    log = open(home / "lab.log", "w")
    server = subprocess.Popen(command, env=env, stdout=log, stderr=subprocess.STDOUT)
    base = f"http://127.0.0.1:{port}"
    try:
        deadline = time.monotonic() + 60
        while True:
            try:
                urllib.request.urlopen(f"{base}/api/status?token={token}", timeout=2)
                break
            except OSError:
                if server.poll() is not None or time.monotonic() > deadline:
                    raise RuntimeError("JupyterLab did not start:\n" + (home / "lab.log").read_text()) from None
                time.sleep(0.5)
        yield f"{base}/lab/tree/demo.ipynb?token={token}"
    finally:
        server.terminate()
        server.wait(timeout=30)
        log.close()


def test_demo_notebook_in_a_real_browser(lab):
    errors = []
    with sync_playwright() as playwright:
        browser = playwright.chromium.launch(executable_path=CHROMIUM, headless=True,
                                             args=["--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage"])
        page = browser.new_page(viewport={"width": 1280, "height": 1000})
        page.on("console", lambda message: message.type == "error" and errors.append(message.text))
        page.on("pageerror", lambda error: errors.append(str(error)))
        page.goto(lab)
        expect(page.locator(".jp-Notebook")).to_be_visible(timeout=60_000)
        expect(page.locator(".jp-Notebook-ExecutionIndicator[data-status='idle']")).to_have_count(1, timeout=60_000)
        page.wait_for_timeout(1000)
        # Opening the notebook (kernel start included) must not mark it modified.
        expect(page.locator(".jp-mod-dirty")).to_have_count(0)

        page.get_by_role("menuitem", name="Run", exact=True).click()
        page.get_by_role("menuitem", name="Run All Cells", exact=True).click()

        names = page.locator(".widget-select-multiple select")
        expect(names).to_be_visible(timeout=60_000)
        result = page.locator(".demo-code, .demo-error").last
        empty = "No columns are selected.Please select one or multiple columns"  # the <br> is no text
        expect(page.locator(".demo-error")).to_have_text(empty)
        widget = page.locator(".jp-OutputArea-output .widget-vbox").first
        selector = widget.locator(":scope > .widget-vbox").first

        def check(code, preview=None, shot=None):
            expect(result).to_contain_text(code)
            if preview:
                expect(page.locator(".demo-shape")).to_contain_text(preview)
            assert selector.evaluate(OVERFLOW) == []
            if shot:
                widget.screenshot(path=str(ROOT / "docs" / f"demo-{shot}.png"))

        # Two names, in the reverse of their column order: the code keeps the order of the picks.
        names.locator("option", has_text="island").click()
        names.locator("option", has_text="species").click(modifiers=["Control"])
        check("df[['island', 'species']]", "344 rows × 2 columns: island, species", "names")

        names.locator("option", has_text="[Columns with data type]").click()
        dropdowns = page.locator(".jp-OutputArea-output .widget-dropdown select")
        check("df.select_dtypes(['number'])", "344 rows × 5 columns")  # the first type, at once
        dropdowns.nth(1).select_option(label="Float")
        check("df.select_dtypes(['float'])", "344 rows × 4 columns", "dtype")

        dropdowns.nth(0).select_option(label="[Columns that match regex]")
        check("df.filter(regex='^$')", "344 rows × 0 columns")
        pattern = page.locator(".jp-OutputArea-output .widget-text input[placeholder='Regex, e.g. e$']")
        expect(pattern).to_be_focused()
        pattern.fill("^bill")
        pattern.press("Enter")
        check("df.filter(regex='^bill')", "344 rows × 2 columns: bill_length_mm, bill_depth_mm", "regex")

        page.locator(".jp-OutputArea-output .widget-dropdown select").nth(0).select_option(label="sex")
        check("df[['sex']]", "344 rows × 1 columns: sex")
        expect(names).to_be_visible()
        browser.close()
    assert errors == []
