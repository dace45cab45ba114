"""Imports and tables for the tests that need more than the module's own test tools (notebook run,
real data) and for the engines run (docs/engines.py).

In the main test run (scripts/test sets COLUMNS_SELECTOR_REAL_USE=required) a missing package is a
failure; elsewhere, such as the other-interpreter runs, those tests skip.
"""

import importlib
import os


def need(module):
    if os.environ.get("COLUMNS_SELECTOR_REAL_USE") == "required":
        return importlib.import_module(module)
    import pytest

    return pytest.importorskip(module)


DATASETS = ["penguins", "cars", "seattle_weather", "la_riots"]


def load(name):
    """A real table shipped inside a PyPI package."""
    if name == "penguins":
        return need("palmerpenguins").load_penguins()
    return getattr(need("vega_datasets").local_data, name)()


def typed(frame):
    """Text columns as categories and the gaps between dates as timedeltas, as an analyst would."""
    frame = frame.astype({c: "category" for c in frame.select_dtypes("string").columns})
    for c in frame.select_dtypes("datetime").columns:
        frame[f"{c}_gap"] = frame[c].diff()
    return frame


def every_dtype(frame):
    """The table plus columns of the dtypes real tables seldom bring, derived from its own columns:
    from the first numeric column x, the small and nullable integer and float types, a nullable
    boolean and an ordered category; from its first date column (or from x as days) a date with a
    time zone and the month (int32)."""
    import pandas as pd

    frame = frame.copy()
    x = frame[frame.select_dtypes("number").columns[0]]
    whole = x.fillna(0).round()
    dates = frame.select_dtypes("datetime")
    when = (dates.iloc[:, 0] if dates.shape[1] else pd.Timestamp("2000-01-01") + pd.to_timedelta(whole, unit="D"))
    derived = {
        "int8": (whole % 100).astype("int8"), "int16": whole.clip(-32768, 32767).astype("int16"),
        "uint8": (whole.abs() % 256).astype("uint8"), "float16": x.astype("float16"),
        "float32": x.astype("float32"), "Int64": x.round().astype("Int64"), "Float64": x.astype("Float64"),
        "boolean": x.gt(x.median()).astype("boolean").mask(x.isna()),
        "level": pd.cut(x, 3, labels=["low", "middle", "high"]),  # ordered
        "utc": when.dt.tz_localize("UTC"),
    }
    for suffix, column in derived.items():
        frame[f"{x.name}_{suffix}"] = column
    frame[f"{when.name or x.name}_month"] = when.dt.month  # int32, as pandas gives it
    return frame


VARIANTS = {"as read": lambda f: f, "convert_dtypes": lambda f: f.convert_dtypes(), "typed": typed,
            "every dtype": every_dtype}
