"""What a change of rule costs in the browser at 100,000 columns: JupyterLab through Debian's Chromium, the
time until the new code shows, the bytes the page receives, and how long its main thread is blocked.

    .venv/bin/python bench/browser_100k.py        (scripts/test-browser runs it after the browser test)
"""

import sys
import tempfile
import time
from pathlib import Path

import nbformat
from playwright.sync_api import expect, sync_playwright

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "browser"))
from demo_in_browser import ROOT, launch, open_and_run, serve

WIDE = """import numpy as np, pandas as pd, ipywidgets as widgets, ostrel.transformations.columns_selector as cs
from ostrel.transformation import Transformation
frame, shown = pd.DataFrame(np.zeros((1, 100_000)), columns=[f"c{i:06}" for i in range(100_000)]), widgets.HTML()
selector = cs.ColumnsSelector(Transformation(frame), on_change=lambda: setattr(shown, "value", selector.get_df_code()))
shown.add_class("demo-code")
widgets.VBox([selector, shown])"""
LONG_TASKS = """() => { window.longTasks = []; new PerformanceObserver(
  list => window.longTasks.push(...list.getEntries().map(e => e.duration))).observe({type: 'longtask'}); }"""


def main():
    with tempfile.TemporaryDirectory() as folder, sync_playwright() as playwright:
        home = Path(folder)
        metadata = nbformat.read(ROOT / "examples" / "demo.ipynb", as_version=4).metadata
        nbformat.write(nbformat.v4.new_notebook(cells=[nbformat.v4.new_code_cell(WIDE)], metadata=metadata),
                       home / "wide.ipynb")
        with serve("jupyterlab", home) as url:
            browser, page = launch(playwright)
            wire = []
            page.on("websocket", lambda ws: ws.on("framereceived", lambda frame: wire.append(len(frame))))
            open_and_run(page, url("wide.ipynb") + "&reset")
            page.locator("input[placeholder='Search options']").fill("[All")
            page.locator(".widget-select-multiple select option", has_text="[All columns]").click()
            result = page.locator(".demo-code").last
            expect(result).to_contain_text("df", timeout=60_000)
            page.wait_for_timeout(2000)
            page.evaluate(LONG_TASKS)
            del wire[:]
            start = time.monotonic()
            page.locator(".jp-OutputArea-output .widget-dropdown select").nth(0).select_option(
                label="[Columns that match regex]")
            expect(result).to_contain_text("df.filter(regex='^$')", timeout=60_000)
            expect(page.locator("input[placeholder='Regex, e.g. e$']")).to_be_focused()
            took, blocks = time.monotonic() - start, page.evaluate("window.longTasks")
            browser.close()
    print(f"BENCH 100,000 columns, change of rule in the browser: {took:.2f} s, {sum(wire) / 1e6:.2f} MB received, "
          f"main thread blocked {max(blocks, default=0):.0f} ms at most, {sum(blocks):.0f} ms in all")


if __name__ == "__main__":
    main()
