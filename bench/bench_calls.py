"""Cost of the module's hot calls, next to the same methods written in Python.

Run: .venv/bin/python bench/bench_calls.py   (after scripts/setup). Prints microseconds per call,
best of five repeats. Not part of the test suite: numbers depend on the machine.
"""

import timeit

import ipywidgets as widgets
import pandas as pd

import ostrel.transformations.columns_selector as cs
from ostrel.transformation import Transformation

DF_OLD = "df"


class PyNumericColumns(widgets.VBox):
    """The same selector written in Python, for comparison."""

    def __init__(self, manager=None, on_change=lambda: None, **kwargs):
        self.manager = manager
        self.on_change = on_change
        super().__init__(**kwargs)

    def get_df_code(self):
        return f"{DF_OLD}.select_dtypes('number')"

    def get_columns_code(self):
        return f"{self.get_df_code()}.columns"


def per_call(statement, namespace, number=20000):
    best = min(timeit.repeat(statement, globals=namespace, number=number, repeat=5))
    return best / number * 1e6


def main():
    frame = pd.DataFrame({f"c{i}": [i] for i in range(1000)})
    selector = cs.ColumnsSelector(Transformation(frame))
    selector.value = list(frame.columns)
    namespace = {"ours": cs.NumericColumns(), "python": PyNumericColumns(), "selector": selector}
    rows = [
        ("get_df_code(), whole-frame selector", "ours.get_df_code()", "python.get_df_code()"),
        ("get_columns_code(), calls get_df_code", "ours.get_columns_code()", "python.get_columns_code()"),
        ("focus_dropdown(), a no-argument method", "ours.focus_dropdown()", None),
        ("ColumnsSelector.has_column_names(), 1000 names chosen", "selector.has_column_names()", None),
        ("ColumnsSelector.get_df_code(), 1000 names chosen", "selector.get_df_code()", None),
    ]
    print(f"{'call':58} {'module':>10} {'python':>10}")
    for title, ours, python in rows:
        number = 200 if "1000" in title else 20000
        mine = per_call(ours, namespace, number)
        theirs = f"{per_call(python, namespace, number):8.2f}us" if python else f"{'-':>10}"
        print(f"{title:58} {mine:8.2f}us {theirs}")


if __name__ == "__main__":
    main()
