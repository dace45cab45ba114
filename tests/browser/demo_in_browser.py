"""The demo notebook in JupyterLab and Notebook 7, driven through Debian's Chromium by mouse and keyboard
(run by the browser session only); screenshots go to $SCREENSHOTS. The server and the browser come from
columns_selector_devkit.notebook, as for bench/browser_wide.py."""

import os
import re
import shutil
from pathlib import Path

import nbformat
import pytest
from columns_selector_devkit.notebook import NOTEBOOK, launch, open_and_run, serve
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


@pytest.fixture(scope="module", params=["jupyterlab", "notebook"])
def app(request, tmp_path_factory):
    """The server on a copy of the demo (autosave must not touch examples/)."""
    home = tmp_path_factory.mktemp(request.param)
    shutil.copy(ROOT / "examples" / "demo.ipynb", home / "demo.ipynb")
    with serve(request.param, home) as url:
        yield request.param, url, home / "demo.ipynb"


def test_demo_notebook_in_a_real_browser(app):
    name, url, saved = app
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
        check("df[['sex']]", "344 rows × 1 column: sex")
        expect(names).to_be_visible()

        # The notebook's own chords work from a focused control: Ctrl+S saves (the outputs reach the file),
        # Shift+Enter in a text field (whose view stops keys) runs the cell and moves on.
        before = saved.stat().st_mtime_ns
        names.press("Control+s")
        for _ in range(50):
            page.wait_for_timeout(200)
            if saved.stat().st_mtime_ns != before:
                break
        assert any(cell.get("outputs") for cell in nbformat.read(saved, as_version=4).cells)  # none in examples/
        names.locator("option", has_text="[Columns that contain]").click()
        text = page.locator(".jp-OutputArea-output .widget-text input[placeholder='String, e.g. foo']")
        expect(text).to_be_focused()
        cells, active, mode = page.evaluate(NOTEBOOK)
        prompt = page.locator(".jp-Notebook .jp-Cell").nth(active).locator(".jp-InputPrompt")
        ran = prompt.inner_text()
        text.press("Shift+Enter")
        expect(prompt).not_to_have_text(ran)
        assert page.evaluate(NOTEBOOK) == [cells, active + 1, mode]
        browser.close()
    assert errors == []
