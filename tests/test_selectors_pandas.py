"""The code texts of every special selector, evaluated by the host on a real pandas frame."""

import types

import pytest

pd = pytest.importorskip("pandas")
from ostrel.transformation import Transformation  # noqa: E402

ALL = ["int_a", "float_b", "bool_a", "obj_c", "str_a", "cat_b", "date_a", "delta_c"]

# (selector, text typed or data type picked, selected columns). pandas counts timedelta64 as a
# number, so the numeric selection holds it too.
CASES = [
    ("AllColumns", None, ALL),
    ("NumericColumns", None, ["int_a", "float_b", "delta_c"]),
    ("StringOrObjectColumns", None, ["obj_c", "str_a"]),
    ("StringColumns", None, ["str_a"]),
    ("ObjectColumns", None, ["obj_c"]),
    ("CategoryColumns", None, ["cat_b"]),
    ("IntegerColumns", None, ["int_a"]),
    ("FloatColumns", None, ["float_b"]),
    ("BooleanColumns", None, ["bool_a"]),
    ("DatetimeColumns", None, ["date_a"]),
    ("TimedeltaColumns", None, ["delta_c"]),
    ("ColumnsWithDtype", "Numeric", ["int_a", "float_b", "delta_c"]),
    ("ColumnsWithDtype", "String/Text or Object", ["obj_c", "str_a"]),
    ("ColumnsWithDtype", "String only", ["str_a"]),
    ("ColumnsWithDtype", "Object only", ["obj_c"]),
    ("ColumnsWithDtype", "Categoric/Factor", ["cat_b"]),
    ("ColumnsWithDtype", "Integer", ["int_a"]),
    ("ColumnsWithDtype", "Float", ["float_b"]),
    ("ColumnsWithDtype", "Boolean", ["bool_a"]),
    ("ColumnsWithDtype", "Datetime", ["date_a"]),
    ("ColumnsWithDtype", "Timedelta", ["delta_c"]),
    ("ColumnsByRegex", "_a$", ["int_a", "bool_a", "str_a", "date_a"]),
    ("ColumnsByRegex", "^(obj|cat)_", ["obj_c", "cat_b"]),
    ("ColumnsByRegex", "", []),
    ("ColumnsByRegex", "it's", []),
    ("ColumnsThatStartWith", "d", ["date_a", "delta_c"]),
    ("ColumnsThatStartWith", "", ALL),
    ("ColumnsThatEndWith", "_b", ["float_b", "cat_b"]),
    ("ColumnsThatContain", "at", ["float_b", "cat_b", "date_a"]),
    ("ColumnsThatContain", "'", []),
]


@pytest.fixture(scope="module")
def frame():
    return pd.DataFrame({
        "int_a": pd.Series([1, 2], dtype="int64"),
        "float_b": pd.Series([1.5, 2.5], dtype="float64"),
        "bool_a": pd.Series([True, False], dtype="bool"),
        "obj_c": pd.Series(["x", 1], dtype="object"),
        "str_a": pd.Series(["y", "z"], dtype="string"),
        "cat_b": pd.Series(["u", "v"], dtype="category"),
        "date_a": pd.to_datetime(["2020-01-01", "2021-06-30"]),
        "delta_c": pd.to_timedelta(["1D", "2h"]),
    })


def test_frame_holds_one_column_of_each_family(frame):
    assert list(frame.columns) == ALL
    assert [dtype.kind for dtype in frame.dtypes] == ["i", "f", "b", "O", "O", "O", "M", "m"]
    assert [str(dtype) for dtype in frame.dtypes][:6] == ["int64", "float64", "bool", "object", "string", "category"]


@pytest.mark.parametrize("name, given, expected", CASES)
def test_code_selects_the_expected_columns(cs, frame, name, given, expected):
    transformation = Transformation(frame)
    selector = getattr(cs, name)(manager=types.SimpleNamespace(transformation=transformation))
    if name == "ColumnsWithDtype":
        selector.data_type.value = given
    elif given is not None:
        selector.text.value = given
    assert list(transformation.eval_code(selector.get_df_code()).columns) == expected
    assert list(transformation.eval_code(selector.get_columns_code())) == expected
    assert list(selector.columns) == expected
