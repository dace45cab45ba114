"""Every rule's code, run by pandas on real tables shipped by PyPI packages, against an independent answer.

The independent answer comes from the column names (re.search, str.startswith / endswith / `in`)
and pandas' dtype predicates. Where pandas answers otherwise for the same code text, the
difference is written down in EXPECTED below, so a change of pandas' answer fails here.
"""

import ast
import re
import warnings

import pytest
from columns_selector_devkit.tables import DATASETS, VARIANTS, load
from oracle import FAMILIES as WHOLE  # whole-frame class, data-type label, select_dtypes argument

pd = pytest.importorskip("pandas")
np = pytest.importorskip("numpy")
types = pd.api.types
cs = pytest.importorskip("ostrel.transformations.columns_selector")
Transformation = pytest.importorskip("ostrel.transformation").Transformation

# pandas' select_dtypes argument -> the dtype predicate it is compared with.
PREDICATES = {
    "number": lambda d: types.is_numeric_dtype(d) and not types.is_bool_dtype(d),
    "string": lambda d: isinstance(d, pd.StringDtype),
    "object": types.is_object_dtype,
    "category": lambda d: isinstance(d, pd.CategoricalDtype),
    "int": types.is_integer_dtype,
    "float": types.is_float_dtype,
    "bool": types.is_bool_dtype,
    "datetime": types.is_datetime64_any_dtype,
    "timedelta": lambda d: types.is_timedelta64_dtype(d),
}

# Columns on which pandas' answer for a fixed code text differs from the predicate.
EXPECTED = {
    "number": lambda d: types.is_timedelta64_dtype(d),   # pandas counts timedeltas as numbers
    "object": lambda d: isinstance(d, pd.StringDtype) and d.na_value is not pd.NA,  # 'str', with a warning
    # 'int' is int32 and int64 (Int64 too, whose scalar type is int64): int8, int16, unsigned are left out
    "int": lambda d: types.is_integer_dtype(d) and not issubclass(d.type, (np.int32, np.int64)),
    "float": lambda d: types.is_float_dtype(d) and not issubclass(d.type, (np.float32, np.float64)),  # float16
    "datetime": lambda d: isinstance(d, pd.DatetimeTZDtype),  # left out of 'datetime'
}

# Special label -> the select_dtypes names it stands for; the data-type dropdown's labels likewise.
ARGUMENTS = {cls: ast.literal_eval(argument) for cls, _, argument in WHOLE}  # 'number', or ['string', 'object']
NAMES = {cls: [a] if isinstance(a, str) else a for cls, a in ARGUMENTS.items()}
FAMILIES = {label: NAMES[cls.__name__] for label, cls in cs.SELECTOR_OPTIONS.items() if cls.__name__ in NAMES}
DTYPES = {label: NAMES[cls] for cls, label, _ in WHOLE}

NAME_RULES = {"[Columns that start with]": str.startswith, "[Columns that end with]": str.endswith,
              # pandas' str.contains reads the text as a regular expression, so "." matches any name
              "[Columns that contain]": lambda name, text: re.search(text, name) is not None}
TEXTS = ["s", "_", "e", ".", ""]
PATTERNS = ["^[a-m]", "_(mm|g)$", "(?i)^[A-Z][a-z]+$", ""]


def by_dtype(frame, names):
    return [c for c, d in frame.dtypes.items()
            if any(PREDICATES[n](d) != EXPECTED.get(n, lambda _: False)(d) for n in names)]


def selected(frame, selector, special=None, entry=None):
    """The columns pandas selects with the sub-frame code and with the column-list code; they must agree."""
    if special is not None:
        getattr(selector._special_selector, special).value = entry
    with warnings.catch_warnings():
        warnings.simplefilter("ignore", (DeprecationWarning, FutureWarning))
        by_frame = list(eval(selector.get_df_code(), {"df": frame}).columns)
        by_list = list(Transformation(frame).eval_code(selector.get_columns_code()))
    assert by_frame == by_list, selector.get_df_code()
    return by_frame


@pytest.mark.filterwarnings("ignore:The 'convert_dates' keyword")  # inside vega_datasets
@pytest.mark.parametrize("variant", VARIANTS)
@pytest.mark.parametrize("dataset", DATASETS)
def test_every_rule_selects_what_an_independent_computation_expects(dataset, variant):
    frame = VARIANTS[variant](load(dataset))
    names = [str(c) for c in frame.columns]
    for label in cs.SELECTOR_OPTIONS:
        selector = cs.ColumnsSelector(Transformation(frame))
        selector.value = [label]
        if label in FAMILIES:
            assert selected(frame, selector) == by_dtype(frame, FAMILIES[label]), label
        elif label == "[All columns]":
            assert selected(frame, selector) == list(frame.columns)
        elif label == "[Columns with data type]":
            for entry, family in DTYPES.items():
                assert selected(frame, selector, "data_type", entry) == by_dtype(frame, family), entry
        elif label == "[Columns that match regex]":
            for pattern in PATTERNS:
                expected = [c for c in names if re.search(pattern or "^$", c)]
                assert selected(frame, selector, "text", pattern) == expected, pattern
        else:
            for text in TEXTS:
                expected = [c for c in names if NAME_RULES[label](c, text)]
                assert selected(frame, selector, "text", text) == expected, (label, text)
