"""Widget lifetime with the stand-in host: what 100 switches to a special label and back leave behind.

    scripts/nox -s bench -- widget_lifetime.py [SWITCHES] [COLUMNS]     (defaults 100 and 20000)
    TRACED=1 scripts/nox -s bench -- widget_lifetime.py                 also the bytes tracemalloc sees alive

Each way of hosting runs in a process of its own and reports the widgets alive in ipywidgets' registry
and the process's resident size, before and after the switches:

- keep: the host does nothing; every dropdown and special selector the widget replaced stays in the
  registry until it is closed, so it is never freed;
- close: the host's on_change closes what the widget no longer shows (close_hidden below).

The resident size stays near its peak even when the objects are freed (the allocator keeps the pages it
got); TRACED=1 reports the bytes of the objects alive as well (tracemalloc makes the run slower and bigger).
"""

import ctypes
import gc
import os
import subprocess
import sys
import tracemalloc


def close_tree(widget):
    """Close a widget, the widgets it shows, and its layout and style widgets."""
    for child in getattr(widget, "children", ()):
        close_tree(child)
    for part in ("layout", "style"):
        inner = getattr(widget, part, None)
        if hasattr(inner, "close"):
            inner.close()
    widget.close()


class ClosingOwner:
    """A host transformation's part that closes whatever its ColumnsSelector stopped showing."""

    def __init__(self, columns_selector_class, transformation):
        self.selector = columns_selector_class(transformation, on_change=self.close_hidden)
        self.shown = list(self.selector.children)

    def close_hidden(self):
        now = self.selector.children
        for old in self.shown:
            if not any(old is child for child in now):
                close_tree(old)
        self.shown = list(now)


def run(way, switches, columns):
    import pandas as pd
    from ipywidgets.widgets import widget as base

    import ostrel.transformations.columns_selector as cs
    from ostrel.transformation import Transformation

    def measure():
        gc.collect()
        ctypes.CDLL(None).malloc_trim(0)  # hand freed heap back to the system, so that RSS shows what is live
        with open("/proc/self/statm") as statm:
            resident = int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")
        return len(base._instances), resident / 2**20, tracemalloc.get_traced_memory()[0] / 2**20 if traced else 0

    traced = bool(os.environ.get("TRACED"))
    if traced:
        tracemalloc.start()
    frame = pd.DataFrame(columns=[f"c{i}" for i in range(columns)])
    transformation = Transformation(frame)
    before = measure()
    selector = ClosingOwner(cs.ColumnsSelector, transformation).selector if way == "close" else cs.ColumnsSelector(
        transformation)
    built = measure()
    for _ in range(switches):
        selector.value = [cs.NUMERIC_COLUMNS]
        selector.value = "c0"
    after = measure()
    print(f"{way:5}  live widgets {before[0]} -> {built[0]} (built) -> {after[0]} (after {switches} switches)"
          f"   RSS {before[1]:.0f} -> {built[1]:.0f} -> {after[1]:.0f} MB" + (
              f"   objects alive {before[2]:.0f} -> {built[2]:.0f} -> {after[2]:.0f} MB" if traced else ""))


if __name__ == "__main__":
    if len(sys.argv) > 1 and sys.argv[1] in ("keep", "close"):
        run(sys.argv[1], int(sys.argv[2]), int(sys.argv[3]))
    else:
        switches, columns = (sys.argv[1:] + ["100", "20000"][len(sys.argv) - 1:])[:2]
        print(f"{switches} switches to [Numeric columns] and back to a name, {columns} columns, stand-in host")
        for way in ("keep", "close"):
            subprocess.run([sys.executable, __file__, way, switches, columns], check=True)
