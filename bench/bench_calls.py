"""The module's methods against the same methods written in plain Python (the devkit's twin), side by side.

Run:  .venv/bin/python bench/bench_calls.py [--quick] [--markdown] [--json FILE]

Both get the same cheap host stand-ins (widgets that only keep their keywords, `repr` as
string_to_code, a transformation that hands back a fixed list), so that what is measured is the
module's own work. Each operation is timed in interleaved repeats (the sides in turn, the order turning
at every repeat); a repeat's ratio is ours / twin's, and the table gives the median ratio with the
spread of the middle half. The clock is the CPU time of this process, so that the other processes of
a shared machine do not count. Numbers depend on the machine; the ratios are what to compare.

The floor: for the selectors' code-text methods, a third side runs the same steps written the plain
way in C on the 3.8 limited API (bench/floor.c, compiled here with the C compiler on first use into
build/bench-floor/), installed on subclasses of the twin's classes; it shows how far each method is
from what the limited API allows.
"""

import argparse
import gc
import importlib.machinery
import importlib.util
import json
import math
import os
import platform
import statistics
import subprocess
import sys
import sysconfig
import time
import timeit
import types
from pathlib import Path

import ipywidgets as widgets
from columns_selector_devkit import twin

import ostrel.transformations.columns_selector as cs


class HostWidget(widgets.Widget):
    """A host widget that keeps its keywords and a plain `value`."""

    def __init__(self, **kwargs):
        super().__init__()
        self.__dict__.update(kwargs)
        self.value = kwargs.get("value", "")


Multiselect = type("Multiselect", (HostWidget,), {})
Singleselect = type("Singleselect", (HostWidget,), {})
Text = type("Text", (HostWidget,), {})


class OstrelError(Exception):
    pass


class Transformation:
    def __init__(self, columns):
        self.frame = types.SimpleNamespace(columns=columns)

    def get_df(self):
        return self.frame

    def eval_code(self, code):
        return ["a", "b"]


HOST = dict(DF_OLD="df", string_to_code=repr, OstrelError=OstrelError, Multiselect=Multiselect,
            Singleselect=Singleselect, Text=Text)
for _module in (cs, twin):
    for _name, _value in HOST.items():
        setattr(_module, _name, _value)


def load_floor():
    """bench/floor.c, compiled for this interpreter (again when the source is newer) and imported."""
    source = Path(__file__).with_name("floor.c")
    tag = f"{platform.python_implementation().lower()}-{sys.version_info[0]}{sys.version_info[1]}"
    target = Path(__file__).parent.parent / "build" / "bench-floor" / tag / "floor.abi3.so"
    if not target.exists() or target.stat().st_mtime < source.stat().st_mtime:
        target.parent.mkdir(parents=True, exist_ok=True)
        # The module's own release flags: -O3, no assertions.
        subprocess.run([os.environ.get("CC", "cc"), "-std=c11", "-O3", "-DNDEBUG", "-fPIC", "-shared",
                        f"-I{sysconfig.get_paths()['include']}", str(source), "-o", str(target)], check=True)
    loader = importlib.machinery.ExtensionFileLoader("floor", str(target))
    spec = importlib.util.spec_from_file_location("floor", target, loader=loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    module.use_globals(vars(twin))
    options = {}
    for label, cls in twin.SELECTOR_OPTIONS.items():
        options[label] = type(cls.__name__, (cls,), {})
        # Each method belongs where the twin (and the module) defines it, the class itself standing for
        # its twin: an inherited method descriptor misses the interpreter's fastest call path, which
        # checks the exact type of self.
        owners = [next(c for c in cls.__mro__ if method in vars(c)) for method in ("get_df_code", "get_columns_code")]
        module.install(options[label], cls.__name__, *(options[label] if c is cls else c for c in owners))
    return types.SimpleNamespace(SELECTOR_OPTIONS=options)


def names(count):
    return [f"column_{i}" for i in range(count)]


def operations():
    """(group, title, spec): "code" and "mode" make the geometric mean; "scaled" grow with the names."""
    yield "code", "AllColumns get_df_code()", ("[All columns]", "get_df_code")
    yield "code", "NumericColumns get_df_code() (a data-type family)", ("[Numeric columns]", "get_df_code")
    yield "code", "ColumnsThatContain get_df_code()", ("[Columns that contain]", "get_df_code")
    yield "code", "ColumnsWithDtype get_df_code()", ("[Columns with data type]", "get_df_code")
    for label, cls in cs.SELECTOR_OPTIONS.items():
        yield "code", f"{cls.__name__} get_columns_code()", (label, "get_columns_code")
    for count in (10, 1000, 10000):
        group = "scaled" if count >= 1000 else "code"
        yield group, f"names mode get_df_code(), {count:,} names", ("names", count, "get_df_code")
        yield group, f"names mode get_columns_code(), {count:,} names", ("names", count, "get_columns_code")
    for count in (10, 10000):
        yield "scaled" if count >= 1000 else "mode", f"has_special_selector(), {count:,} values", (
            "names", count, "has_special_selector")
    yield "mode", "_selection_changed(), names mode", ("names", 10, "_selection_changed")
    for count in (1000, 10000, 100000):
        yield "build", f"construction, {count:,} columns", ("build", count)
    yield "build", "switch to a special label and back", ("round trip",)


def subject(module, spec):
    """A statement that runs the operation once against `module`, as a host would write it, and its globals."""
    if spec[0] == "names":
        _, count, member = spec
        widget = module.ColumnsSelector(Transformation(names(count)))
        widget._main_selector.value = names(count)
        return f"widget.{member}()", {"widget": widget}
    if spec[0] == "build":
        return "ColumnsSelector(transformation)", {"ColumnsSelector": module.ColumnsSelector,
                                                   "transformation": Transformation(names(spec[1]))}
    if spec[0] == "round trip":
        widget = module.ColumnsSelector(Transformation(names(10)))
        return "widget.value = ['[Numeric columns]']; widget.value = 'column_1'", {"widget": widget}
    label, member = spec
    manager = types.SimpleNamespace(transformation=Transformation(names(3)))
    selector = module.SELECTOR_OPTIONS[label](manager=manager)
    for child in selector.children:
        child.value = "Numeric" if label == "[Columns with data type]" else "e$"
    return f"selector.{member}()", {"selector": selector}


def per_call(timer, number):
    return timer.timeit(number=number) / number


def measure(sides, repeats, budget):
    """sides: ours, the twin's and (or None) the floor's statement; the order of the sides turns at every repeat.

    Returns the median time of each side, the median ratio ours / twin's with its middle half, and the
    median ratios floor / twin's and ours / floor (None without a floor).
    """
    timers = [timeit.Timer(s[0], globals=s[1], timer=time.process_time) for s in sides if s is not None]
    number = max(1, int(budget / max(*(per_call(t, 1) for t in timers), 1e-7)))
    runs = []
    for repeat in range(repeats):
        order = list(range(len(timers)))
        order = order[repeat % len(order):] + order[:repeat % len(order)]
        if repeat // len(order) % 2:
            order.reverse()
        run = [0.0] * len(timers)
        for side in order:
            run[side] = per_call(timers[side], number)
        runs.append(run)
    ratios = [run[0] / run[1] for run in runs]
    quartiles = statistics.quantiles(ratios, n=4) if len(ratios) > 1 else [ratios[0]] * 3
    times = [statistics.median(run[side] for run in runs) for side in range(len(timers))]
    floor = floor_ratio = ours_over_floor = None
    if len(timers) == 3:
        floor = times[2]
        floor_ratio = statistics.median(run[2] / run[1] for run in runs)
        ours_over_floor = statistics.median(run[0] / run[2] for run in runs)
    return dict(ours=times[0], twin=times[1], floor=floor, ratio=statistics.median(ratios),
                low=quartiles[0], high=quartiles[2], floor_ratio=floor_ratio, ours_over_floor=ours_over_floor)


def unit(seconds):
    for scale, name in ((1e-3, "ms"), (1e-6, "us"), (1e-9, "ns")):
        if seconds >= scale:
            return f"{seconds / scale:7.2f} {name}"
    return f"{seconds / 1e-9:7.2f} ns"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="fewer, shorter repeats")
    parser.add_argument("--markdown", action="store_true", help="print a Markdown table")
    parser.add_argument("--json", type=Path, help="also write the figures to this file")
    args = parser.parse_args()
    repeats, budget = (6, 0.005) if args.quick else (12, 0.02)
    floor = load_floor()
    gc.disable()  # a collection landing in one side's repeat would skew its ratio
    rows = []
    for group, title, spec in operations():
        sides = [subject(cs, spec), subject(twin, spec)]
        sides.append(subject(floor, spec) if group == "code" and spec[0] in floor.SELECTOR_OPTIONS else None)
        rows.append(dict(group=group, title=title, **measure(sides, repeats, budget * (5 if group == "build" else 1))))
        gc.collect()
    print(f"CPython {sys.version.split()[0]}, ipywidgets {widgets.__version__}; median of {repeats} interleaved "
          f"repeats")

    def optional(value, form):
        return "-" if value is None else form(value)

    if args.markdown:
        print("\n| operation | ours | plain Python | plain C | ratio | middle half | plain C / Python "
              "| ours / plain C |\n|---|---:|---:|---:|---:|---|---:|---:|")
    for r in rows:
        floor_time = optional(r["floor"], lambda t: unit(t).strip())
        floor_ratio = optional(r["floor_ratio"], "{:.2f}".format)
        over_floor = optional(r["ours_over_floor"], "{:.2f}".format)
        if args.markdown:
            print(f"| {r['title']} | {unit(r['ours']).strip()} | {unit(r['twin']).strip()} | {floor_time} | "
                  f"{r['ratio']:.2f} | {r['low']:.2f}-{r['high']:.2f} | {floor_ratio} | {over_floor} |")
        else:
            print(f"{r['title']:58} {unit(r['ours'])} {unit(r['twin'])} {floor_time:>10}  {r['ratio']:5.2f}  "
                  f"({r['low']:.2f}-{r['high']:.2f})  C/Py {floor_ratio:>5}  ours/C {over_floor:>5}")
    by_group = {g: [r["ratio"] for r in rows if r["group"] == g] for g in ("code", "mode", "scaled", "build")}
    fast = by_group["code"] + by_group["mode"] + by_group["scaled"]
    print(f"\ngeometric mean, code-text and mode-test operations: {math.exp(statistics.mean(map(math.log, fast))):.2f}")
    print(f"worst of those: {max(fast):.2f}; operations that grow with the names: "
          f"{', '.join(f'{r:.2f}' for r in by_group['scaled'])}; construction and round trip: "
          f"{', '.join(f'{r:.2f}' for r in by_group['build'])}")
    over_floor = [r["ours_over_floor"] for r in rows if r["ours_over_floor"] is not None]
    print(f"ours / plain C, the selectors' code texts: geometric mean "
          f"{math.exp(statistics.mean(map(math.log, over_floor))):.2f}, worst {max(over_floor):.2f}")
    times = {r["title"]: r["ours"] for r in rows}
    for what in ("names mode get_df_code()", "names mode get_columns_code()"):
        growth = times[f"{what}, 10,000 names"] / times[f"{what}, 1,000 names"]
        print(f"{what}: 10x the names took {growth:.1f}x the time")
    if args.json:
        args.json.write_text(json.dumps(dict(python=sys.version.split()[0], rows=rows), indent=1))


if __name__ == "__main__":
    main()
