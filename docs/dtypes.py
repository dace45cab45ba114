"""Writes docs/dtypes.md: which column dtypes each data-type rule selects on the installed pandas.

Run: python docs/dtypes.py check|write   (the pages session of noxfile.py, on pinned pandas and numpy). It
runs each rule's generated code on a frame with one column per common dtype, so the table shows pandas' own
answer, warnings included; check fails when docs/dtypes.md says otherwise.
"""

import datetime as dt
import sys
import warnings
from pathlib import Path

import numpy as np
import pandas as pd
from engines import settle

import ostrel.transformations.columns_selector as cs
from ostrel.transformation import Transformation

COLUMNS = {
    "int64": [1, 2], "int32": np.array([1, 2], dtype="int32"), "int16": np.array([1, 2], dtype="int16"),
    "int8": np.array([1, 2], dtype="int8"), "uint8": np.array([1, 2], dtype="uint8"),
    "Int64": pd.array([1, None], "Int64"), "float64": [1.5, 2.0], "float32": np.array([1.5, 2], dtype="float32"),
    "float16": np.array([1.5, 2], dtype="float16"), "Float64": pd.array([1.5, None], "Float64"),
    "bool": [True, False], "boolean": pd.array([True, None], "boolean"),
    "str (default text)": ["a", "b"], "string": pd.array(["a", None], "string"),
    "object": [object(), 1], "category": pd.Categorical(["a", "b"]),
    "ordered category": pd.Categorical(["low", "high"], ["low", "high"], ordered=True),
    "datetime64": pd.to_datetime(["2020-01-01", "2020-01-02"]),
    "datetime64 with tz": pd.to_datetime(["2020-01-01", "2020-01-02"]).tz_localize("UTC"),
    "timedelta64": [dt.timedelta(days=1), dt.timedelta(days=2)],
}


# Each rule's family as a reader would take it from its label: the dtypes it might be expected to take.
FAMILIES = [
    lambda d: pd.api.types.is_numeric_dtype(d) and not pd.api.types.is_bool_dtype(d),
    lambda d: isinstance(d, pd.StringDtype) or pd.api.types.is_object_dtype(d),
    lambda d: isinstance(d, pd.StringDtype),
    pd.api.types.is_object_dtype,
    lambda d: isinstance(d, pd.CategoricalDtype),
    pd.api.types.is_integer_dtype,
    pd.api.types.is_float_dtype,
    pd.api.types.is_bool_dtype,
    pd.api.types.is_datetime64_any_dtype,
    pd.api.types.is_timedelta64_dtype,
]


def main():
    frame = pd.DataFrame(COLUMNS)
    rules = [label for label in cs.SELECTOR_OPTIONS if label in cs.BOTTOM_OPTIONS][:10]
    codes, picks, notes = [], [], []
    for label in rules:
        selector = cs.ColumnsSelector(Transformation(frame))
        selector.value = [label]
        code = selector.get_df_code()
        with warnings.catch_warnings(record=True) as caught:
            warnings.simplefilter("always")
            picked = set(eval(code, {"df": frame}).columns)
        codes.append(code)
        picks.append(picked)
        notes += [f"- `{code}` warns: {w.message}" for w in caught]
    lines = [
        "# Which dtypes each data-type rule selects",
        "",
        f"Written by `docs/dtypes.py` on pandas {pd.__version__} (numpy {np.__version__}, "
        f"Python {sys.version.split()[0]}). A column of each dtype; ✓ where the rule's code selects it.",
        "The second dropdown of \"[Columns with data type]\" writes the same names as a list, "
        "`df.select_dtypes(['number'])`, and selects the same columns.",
        "",
        "| dtype | " + " | ".join(f"{label}<br>`{code[2:]}`" for label, code in zip(rules, codes)) + " |",
        "|---|" + "---|" * len(rules),
    ]
    for name, dtype in frame.dtypes.items():
        marks = ["✓" if name in picked else "" for picked in picks]
        lines.append(f"| {name} (`{dtype}`) | " + " | ".join(marks) + " |")
    lines += ["", "What each rule takes, and what it leaves out of the family its label names (or takes beyond it):",
              ""]
    for label, code, picked, family in zip(rules, codes, picks, FAMILIES):
        names = list(frame.columns)
        taken = [n for n in names if n in picked]
        out = [n for n in names if n not in picked and family(frame[n].dtype)]
        beyond = [n for n in names if n in picked and not family(frame[n].dtype)]
        line = f"- {label} `{code[2:]}` takes {', '.join(taken) or 'nothing'}"
        line += f"; leaves out {', '.join(out)}" if out else "; leaves out nothing of its family"
        lines.append(line + (f"; also takes {', '.join(beyond)}." if beyond else "."))
    lines += ["", "Warnings pandas gave:" if notes else "pandas gave no warning.", *notes, ""]
    settle(Path(__file__).with_name("dtypes.md"), "\n".join(lines), sys.argv[1], "what pandas selects")


if __name__ == "__main__":
    main()
