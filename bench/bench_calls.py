"""The module's methods against the same methods written in plain Python (bench/twin.py), side by side.

Run:  .venv/bin/python bench/bench_calls.py [--quick] [--markdown]

Both get the same cheap host stand-ins (widgets that only keep their keywords, `repr` as
string_to_code, a transformation that hands back a fixed list), so that what is measured is the
module's own work. Each operation is timed in interleaved repeats (ours, then the twin's, alternating
which goes first); a repeat's ratio is ours / twin's, and the table gives the median ratio with the
spread of the middle half. Numbers depend on the machine; the ratios are what to compare.
"""

import argparse
import gc
import math
import statistics
import sys
import timeit
import types
from pathlib import Path

import ipywidgets as widgets

import ostrel.transformations.columns_selector as cs

sys.path.insert(0, str(Path(__file__).parent))
import twin


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


def measure(ours, theirs, repeats, budget):
    ours, theirs = timeit.Timer(ours[0], globals=ours[1]), timeit.Timer(theirs[0], globals=theirs[1])
    number = max(1, int(budget / max(per_call(theirs, 1), per_call(ours, 1), 1e-7)))
    ratios, times = [], []
    for repeat in range(repeats):
        first, second = (ours, theirs) if repeat % 2 == 0 else (theirs, ours)
        a, b = per_call(first, number), per_call(second, number)
        ours_time, twin_time = (a, b) if repeat % 2 == 0 else (b, a)
        ratios.append(ours_time / twin_time)
        times.append((ours_time, twin_time))
    quartiles = statistics.quantiles(ratios, n=4) if len(ratios) > 1 else [ratios[0]] * 3
    return statistics.median(t[0] for t in times), statistics.median(t[1] for t in times), \
        statistics.median(ratios), (quartiles[0], quartiles[2])


def unit(seconds):
    for scale, name in ((1e-3, "ms"), (1e-6, "us"), (1e-9, "ns")):
        if seconds >= scale:
            return f"{seconds / scale:7.2f} {name}"
    return f"{seconds / 1e-9:7.2f} ns"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--quick", action="store_true", help="fewer, shorter repeats")
    parser.add_argument("--markdown", action="store_true", help="print a Markdown table")
    args = parser.parse_args()
    repeats, budget = (5, 0.005) if args.quick else (11, 0.02)
    gc.disable()  # a collection landing in one side's repeat would skew its ratio
    rows = []
    for group, title, spec in operations():
        ours, theirs = subject(cs, spec), subject(twin, spec)
        rows.append((group, title, *measure(ours, theirs, repeats, budget * (5 if group == "build" else 1))))
        gc.collect()
    print(f"CPython {sys.version.split()[0]}, ipywidgets {widgets.__version__}; median of {repeats} interleaved "
          f"repeats")
    if args.markdown:
        print("\n| operation | ours | plain Python | ratio | middle half |\n|---|---:|---:|---:|---|")
    for _group, title, ours, theirs, ratio, (low, high) in rows:
        if args.markdown:
            print(f"| {title} | {unit(ours).strip()} | {unit(theirs).strip()} | {ratio:.2f} | {low:.2f}-{high:.2f} |")
        else:
            print(f"{title:58} {unit(ours)} {unit(theirs)}  {ratio:5.2f}  ({low:.2f}-{high:.2f})")
    by_group = {g: [r[4] for r in rows if r[0] == g] for g in ("code", "mode", "scaled", "build")}
    fast = by_group["code"] + by_group["mode"] + by_group["scaled"]
    print(f"\ngeometric mean, code-text and mode-test operations: {math.exp(statistics.mean(map(math.log, fast))):.2f}")
    print(f"worst of those: {max(fast):.2f}; operations that grow with the names: "
          f"{', '.join(f'{r:.2f}' for r in by_group['scaled'])}; construction and round trip: "
          f"{', '.join(f'{r:.2f}' for r in by_group['build'])}")
    times = {r[1]: r[2] for r in rows}
    for what in ("names mode get_df_code()", "names mode get_columns_code()"):
        growth = times[f"{what}, 10,000 names"] / times[f"{what}, 1,000 names"]
        print(f"{what}: 10x the names took {growth:.1f}x the time")


if __name__ == "__main__":
    main()
