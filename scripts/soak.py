"""Soak: runs each operation of the module many times and fails when memory or reference counts grow.

    python scripts/soak.py [COUNT]      COUNT runs of each operation (default 2000; the soak session: 100000)

For each operation it compares, before and after the runs (after a warm-up and a collection): the bytes
that tracemalloc sees, the process's resident size, the number of live widgets, and the reference counts
(none may grow, nor fall with the number of runs) of the labels, the classes, the shared default objects
and the host constants. The widget registry of ipywidgets is made weak first, so that a widget nobody
refers to is freed by the collector.
Prints one line per operation; exits 1 if anything grew (unless SOAK_REPORT_ONLY is set: valgrind runs it
for the calls, not for the figures).
"""

import gc
import os
import sys
import time
import tracemalloc
import weakref

import comm
import ipywidgets as widgets
from ipywidgets.widgets import widget as base

import ostrel.transformations.columns_selector as cs

COUNT = int(sys.argv[1]) if len(sys.argv) > 1 else 2000
WEAK = type("Weak", (weakref.WeakValueDictionary,), {"pop": lambda self, key, *d: super(WEAK, self).pop(key, None)})
base._instances = WEAK()
comm.get_comm_manager().comms = WEAK()


class Field(widgets.Widget):
    """A host widget that keeps the value it was built with."""
    def __init__(self, **kwargs):
        super().__init__()
        self.value = kwargs.get("value", "")


for name in ("Multiselect", "Singleselect", "Text"):
    setattr(cs, name, type(name, (Field,), {}))


class Transformation:
    def __init__(self, columns):
        self.columns = columns

    def get_df(self):
        return self

    def eval_code(self, code):
        return self.columns


class HostError(Exception):
    pass


def raising(*args, **kwargs):
    raise HostError("from the host")


def expect(error, action, *args):
    try:
        action(*args)
    except error:
        return
    raise AssertionError(f"{action} did not raise {error.__name__}")


LABELS = list(cs.SELECTOR_OPTIONS)
t = Transformation(["a", "b", 0, "it's"])
names = cs.ColumnsSelector(t)
names.value = ["a", 0]
specials = []
for label in LABELS:
    specials.append(cs.ColumnsSelector(t, show_all_columns=False))
    specials[-1].value = [label]
    for child in specials[-1]._special_selector.children:
        child.value = "Float" if label == cs.COLUMNS_WITH_DTYPE else "x"
empty = cs.ColumnsSelector(t)
failing = cs.ColumnsSelector(t, set_all_columns_as_default=True, on_change=raising)
manager = type("Manager", (), {"transformation": t})()
step = [0]


def switch():
    """One widget goes to the next special label and back to names, as the user would."""
    step[0] = (step[0] + 1) % len(LABELS)
    names.value = [LABELS[step[0]]]
    names.value = "a"


def codes(w):
    w.get_df_code(), w.get_columns_code(), w.value, w.has_column_names(), w._get_current_values()


def selector():
    """The next selector class: built, asked for its code and its columns."""
    step[0] = (step[0] + 1) % len(LABELS)
    made = cs.SELECTOR_OPTIONS[LABELS[step[0]]](manager=manager)
    if step[0] != 2:  # the data-type selector has no data type picked: its error is tried below
        made.get_columns_code(), made.columns, made.focus_dropdown()


def errors():
    failing.transformation = Transformation(None)  # whose eval_code raises HostError below
    failing.transformation.eval_code = failing.transformation.get_df = raising
    expect(HostError, lambda: failing.value)
    expect(HostError, cs.ColumnsSelector, failing.transformation)
    expect(HostError, failing._selection_changed)  # its on_change raises
    saved, cs.Singleselect = cs.Singleselect, raising
    expect(HostError, failing._set_special_selector, cs.ALL_COLUMNS)
    cs.Singleselect = saved
    expect(cs.OstrelError, empty.get_df_code)
    expect(KeyError, empty._set_special_selector, "[Nope]")
    expect(NotImplementedError, cs.SpecialSelector().get_columns_code)
    expect(IndexError, cs.ColumnsWithDtype(manager=manager).get_df_code)
    expect(TypeError, cs.ColumnsByRegex, manager)
    expect(TypeError, empty._create_multi_select, 1, 2, 3, 4)
    saved, cs.string_to_code = cs.string_to_code, raising
    expect(HostError, specials[1].get_df_code)
    cs.string_to_code = saved


OPERATIONS = {
    "construct": lambda: cs.ColumnsSelector(t),
    "construct on all columns": lambda: cs.ColumnsSelector(t, set_all_columns_as_default=True),
    "switch to a special label and back": switch,
    "names-mode value and code": lambda: codes(names),
    "special-mode value and code": lambda: [codes(w) for w in specials],
    "build and ask a selector": selector,
    "errors passed on": errors,
}


def watched():
    """The objects whose reference counts must not move."""
    functions = [f for cls in [cs.ColumnsSelector, cs.SpecialSelector] for f in vars(cls).values()
                 if getattr(f, "__defaults__", None)]
    defaults = [d for f in functions for d in f.__defaults__]
    # From 3.12 on, immortal objects keep no count that a module built for 3.8 can balance: left out.
    return [o for o in [*LABELS, *cs.SELECTOR_OPTIONS.values(), cs.ColumnsSelector, cs.SpecialSelector, cs.DF_OLD,
            cs.string_to_code, cs.OstrelError, cs.Multiselect, cs.Singleselect, cs.Text, cs.TOP_OPTIONS,
            cs.BOTTOM_OPTIONS, cs.DTYPE_OPTIONS, t, *defaults] if sys.getrefcount(o) < 1 << 30 and
            o is not None and o is not True and o is not False]


def rss():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def measure():
    gc.collect()
    return tracemalloc.get_traced_memory()[0], rss(), len(base._instances), [sys.getrefcount(o) for o in watched()]


def main():
    if not os.environ.get("SOAK_REPORT_ONLY"):
        tracemalloc.start()
    failed = False
    half = -(-COUNT // (2 * len(LABELS))) * len(LABELS)  # whole rounds of the labels: the same one is held after
    print(f"{2 * half} runs of each operation; memory growth over the second half")
    for name, operation in OPERATIONS.items():
        for _ in range(len(LABELS) * min(8, 1 + COUNT // 256)):  # warm-up: caches, first-use allocations
            operation()
        marks, began = [measure()], time.perf_counter()
        for _ in range(2):  # a leak grows with every half; the library's one-off allocations do not
            for _ in range(half):
                operation()
            marks.append(measure())
        seconds = time.perf_counter() - began
        (_, _, live, counts), (traced, resident, _, counts1), (traced2, resident2, live2, counts2) = marks
        # A reference kept, even on a rare path, grows in both halves, and one released too often is a loss
        # that grows with the runs; a cache elsewhere taking or letting go of a shared string such as 'df'
        # once is neither.
        moved = [(repr(o)[:40], a, c) for o, a, b, c in zip(watched(), counts, counts1, counts2)
                 if a < b < c or a - c >= half // 2]
        grew = traced2 - traced > 32 * 1024 + 8 * half or resident2 - resident > 4 << 20 or live2 > live or moved
        failed |= bool(grew)
        print(f"{'GREW' if grew else 'flat'}  {name:36} {seconds / half / 2 * 1e6:7.0f} us/op"
              f"  traced {traced2 - traced:+8d} B  rss {(resident2 - resident) / 1024:+6.0f} KiB"
              f"  live widgets {live}->{live2}" + (f"  refcounts moved: {moved}" if moved else ""))
    ref = weakref.ref(cs.ColumnsSelector(t, set_all_columns_as_default=True))
    gc.collect()
    freed = ref() is None
    print(f"{'freed' if freed else 'NOT FREED'}: a discarded widget and its selectors, after one collection")
    return 1 if (failed or not freed) and not os.environ.get("SOAK_REPORT_ONLY") else 0


if __name__ == "__main__":
    sys.exit(main())
