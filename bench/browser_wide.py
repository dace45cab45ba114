"""What wide frames cost in the browser: JupyterLab through Debian's Chromium, measured from the user's action
until the result shows.

- 1,000,000 columns: showing the widget (running the cell that makes it), and going back from a rule to names;
- 100,000 columns: a change of rule, with the bytes the page receives and how long its main thread is blocked.

    scripts/nox -s bench -- browser_wide.py       (the browser session runs it after the browser test)
"""

import os
import tempfile
import time
from pathlib import Path

import nbformat
from columns_selector_devkit.notebook import launch, open_and_run, serve
from playwright.sync_api import expect, sync_playwright

FRAME = """import numpy as np, pandas as pd, ipywidgets as widgets, ostrel.transformations.columns_selector as cs
from ostrel.transformation import Transformation
frame = pd.DataFrame(np.zeros((1, {n})), columns=[f"c{{i:07}}" for i in range({n})])"""
WIDGET = """shown = widgets.HTML()
selector = cs.ColumnsSelector(Transformation(frame), on_change=lambda: setattr(shown, "value", selector.get_df_code()))
shown.add_class("demo-code")
widgets.VBox([selector, shown])"""
LONG_TASKS = """() => { window.longTasks = []; new PerformanceObserver(
  list => window.longTasks.push(...list.getEntries().map(e => e.duration))).observe({type: 'longtask'}); }"""
NAMES = ".jp-OutputArea-output .widget-select-multiple select"
RULE = ".jp-OutputArea-output .widget-dropdown select"


def wide_notebook(home, n):
    name = f"wide{n}.ipynb"
    cells = [nbformat.v4.new_code_cell(FRAME.format(n=n)), nbformat.v4.new_code_cell(WIDGET)]
    kernel = {"kernelspec": {"name": "python3", "display_name": "Python 3", "language": "python"}}
    nbformat.write(nbformat.v4.new_notebook(cells=cells, metadata=kernel), home / name)
    return name


def million(page, url):
    """Seconds to show the widget (the last cell run again) and to go back from a rule to a name."""
    open_and_run(page, url, stays_clean=False)
    names, result = page.locator(NAMES), page.locator(".demo-code").last
    expect(names).to_be_visible(timeout=120_000)
    page.wait_for_timeout(2000)
    names.evaluate("select => select.setAttribute('data-old', '')")
    start = time.monotonic()
    page.evaluate("window.jupyterapp.commands.execute('notebook:run-cell')")
    expect(page.locator(f"{NAMES}:not([data-old]) option").first).to_be_attached(timeout=60_000)
    show = time.monotonic() - start
    rule = names.locator("option", has_text="[Numeric columns]")  # at the end of the list, shown without a search
    rule.scroll_into_view_if_needed()
    if "SCREENSHOTS" in os.environ:
        Path(os.environ["SCREENSHOTS"]).mkdir(parents=True, exist_ok=True)
        page.locator(".jp-OutputArea-output .widget-vbox").first.screenshot(
            path=str(Path(os.environ["SCREENSHOTS"]) / "wide-end-of-list.png"))
    rule.click()
    expect(result).to_have_text("df.select_dtypes('number')", timeout=60_000)
    page.wait_for_timeout(1000)
    start = time.monotonic()
    page.locator(RULE).nth(0).select_option(label="c0000005")
    expect(result).to_have_text("df[['c0000005']]", timeout=60_000)
    expect(names.locator("option").first).to_be_attached()
    return show, time.monotonic() - start


def change_of_rule(page, url):
    """Seconds, MB received and the longest and total blocking of a change of rule."""
    wire = []
    page.on("websocket", lambda ws: ws.on("framereceived", lambda frame: wire.append(len(frame))))
    open_and_run(page, url, stays_clean=False)
    page.locator("input[placeholder='Search options']").fill("[All")
    page.locator(f"{NAMES} option", has_text="[All columns]").click()
    result = page.locator(".demo-code").last
    expect(result).to_contain_text("df", timeout=60_000)
    page.wait_for_timeout(2000)
    page.evaluate(LONG_TASKS)
    del wire[:]
    start = time.monotonic()
    page.locator(RULE).nth(0).select_option(label="[Columns that match regex]")
    expect(result).to_contain_text("df.filter(regex='^$')", timeout=60_000)
    expect(page.locator("input[placeholder='Regex, e.g. e$']")).to_be_focused()
    took, blocks = time.monotonic() - start, page.evaluate("window.longTasks")
    return took, sum(wire) / 1e6, max(blocks, default=0), sum(blocks)


def main():
    with tempfile.TemporaryDirectory() as folder, sync_playwright() as playwright:
        home = Path(folder)
        wide, widest = wide_notebook(home, 100_000), wide_notebook(home, 1_000_000)
        with serve("jupyterlab", home) as url:
            browser, page = launch(playwright)
            show, back = million(page, url(widest) + "&reset")
            print(f"BENCH 1,000,000 columns in the browser: showing the widget {show:.2f} s, "
                  f"going back from a rule to names {back:.2f} s", flush=True)
            page.close()
            page = browser.new_page(viewport={"width": 1280, "height": 1000})
            took, received, longest, blocked = change_of_rule(page, url(wide) + "&reset")
            browser.close()
    print(f"BENCH 100,000 columns, change of rule in the browser: {took:.2f} s, {received:.2f} MB received, "
          f"main thread blocked {longest:.0f} ms at most, {blocked:.0f} ms in all")


if __name__ == "__main__":
    main()
