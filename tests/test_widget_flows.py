"""ColumnsSelector end to end: the stand-in host's widgets and transformation on a pandas frame."""

import pandas as pd
import pytest

from ostrel import helper
from ostrel import widgets as host_widgets
from ostrel.transformation import Transformation

ALL = "[All columns]"
EMPTY_MESSAGE = "No columns are selected.<br>Please select one or multiple columns"
COLUMNS = ["a", "b", "c", "ab", "dt", "td", "cat", "s"]


def browser(widget, **state):
    """Deliver a state update to a host widget's input the way a browser view does."""
    msg = {"content": {"data": {"method": "update", "state": state, "buffer_paths": []}},
           "buffers": []}
    widget._input._handle_msg(msg)


class Calls:
    """The owner's on_change: counts its calls and takes no arguments."""

    def __init__(self):
        self.count = 0

    def __call__(self):
        self.count += 1


@pytest.fixture
def frame():
    return pd.DataFrame({
        "a": [1, 2], "b": pd.Series(["x", "y"], dtype=object), "c": [1.5, 2.5], "ab": [True, False],
        "dt": pd.to_datetime(["2020-01-01", "2020-01-02"]), "td": pd.to_timedelta([1, 2], unit="s"),
        "cat": pd.Categorical(["p", "q"]), "s": pd.array(["p", "q"], dtype="string"),
    })


def pick(w, *labels):
    """Choose labels in the current main dropdown, by their first position among the options."""
    positions = [w._options.index(label) for label in labels]
    main = w._main_selector
    if isinstance(main, host_widgets.Multiselect):
        browser(main, index=positions)
    else:
        (position,) = positions
        browser(main, index=position)


def check(w, frame, df_code, columns_code, columns):
    assert w.get_df_code() == df_code
    assert w.get_columns_code() == columns_code
    assert list(eval(df_code, {"df": frame}).columns) == columns
    assert list(eval(columns_code, {"df": frame})) == columns
    assert list(w.value) == columns


def select(name):
    return f"df.select_dtypes({name})"


SPECIALS = [
    (ALL, "AllColumns", "df", "df.columns", COLUMNS, None),
    ("[Numeric columns]", "NumericColumns", select("'number'"), None, ["a", "c", "td"], None),
    ("[String/Text or Object columns]", "StringOrObjectColumns", select("['string', 'object']"), None,
     ["b", "s"], None),
    ("[String-only columns]", "StringColumns", select("'string'"), None, ["s"], None),
    ("[Object-only columns]", "ObjectColumns", select("'object'"), None, ["b"], None),
    ("[Categoric/Factor columns]", "CategoryColumns", select("'category'"), None, ["cat"], None),
    ("[Integer columns]", "IntegerColumns", select("'int'"), None, ["a"], None),
    ("[Float columns]", "FloatColumns", select("'float'"), None, ["c"], None),
    ("[Boolean columns]", "BooleanColumns", select("'bool'"), None, ["ab"], None),
    ("[Datetime columns]", "DatetimeColumns", select("'datetime'"), None, ["dt"], None),
    ("[Timedelta columns]", "TimedeltaColumns", select("'timedelta'"), None, ["td"], None),
    ("[Columns with data type]", "ColumnsWithDtype", select("['float']"), None, ["c"],
     ("data_type", {"index": 6})),
    ("[Columns that match regex]", "ColumnsByRegex", "df.filter(regex='^a')", None, ["a", "ab"],
     ("text", {"value": "^a"})),
    ("[Columns that start with]", "ColumnsThatStartWith", "df.loc[:, df.columns.str.startswith('a')]",
     "df.columns[df.columns.str.startswith('a')]", ["a", "ab"], ("text", {"value": "a"})),
    ("[Columns that end with]", "ColumnsThatEndWith", "df.loc[:, df.columns.str.endswith('b')]",
     "df.columns[df.columns.str.endswith('b')]", ["b", "ab"], ("text", {"value": "b"})),
    ("[Columns that contain]", "ColumnsThatContain", "df.loc[:, df.columns.str.contains('t')]",
     "df.columns[df.columns.str.contains('t')]", ["dt", "td", "cat"], ("text", {"value": "t"})),
]


@pytest.mark.parametrize("label, cls_name, df_code, columns_code, columns, typed", SPECIALS,
                         ids=[row[1] for row in SPECIALS])
def test_names_then_special_then_names(cs, frame, label, cls_name, df_code, columns_code, columns, typed):
    calls = Calls()
    w = cs.ColumnsSelector(Transformation(frame), on_change=calls)
    multi = w._main_selector
    assert type(multi) is host_widgets.Multiselect and w.children == (multi,)
    with pytest.raises(helper.OstrelError) as excinfo:
        w.get_df_code()
    assert excinfo.value.args == (EMPTY_MESSAGE,) and w.get_columns_code() == "[]" and w.value == []

    pick(w, "b")
    pick(w, "a", "b")
    assert w._main_selector is multi and calls.count == 2
    check(w, frame, "df[['b', 'a']]", "['b', 'a']", ["b", "a"])

    pick(w, "a", "b", label)
    single, special = w._main_selector, w._special_selector
    assert type(single) is host_widgets.Singleselect and single.value == label
    assert type(special) is getattr(cs, cls_name) and w.children == (single, special)
    assert calls.count == 3
    if typed:
        name, state = typed
        browser(getattr(special, name), **state)
        assert calls.count == 4 and w._main_selector is single and w._special_selector is special
    check(w, frame, df_code, columns_code or df_code + ".columns", columns)

    # Another special label in the single-select replaces the selector.
    other, other_class, other_code, other_columns = (
        (ALL, cs.AllColumns, "df", COLUMNS) if label != ALL
        else ("[Numeric columns]", cs.NumericColumns, select("'number'"), ["a", "c", "td"]))
    pick(w, other)
    assert type(w._special_selector) is other_class and w._main_selector is not single
    check(w, frame, other_code, other_code + ".columns", other_columns)
    pick(w, "c")
    back = w._main_selector
    assert type(back) is host_widgets.Multiselect and back is not multi and w.children == (back,)
    check(w, frame, "df[['c']]", "['c']", ["c"])
    pick(w, "c", "ab")
    check(w, frame, "df[['c', 'ab']]", "['c', 'ab']", ["c", "ab"])
    assert calls.count == (4 if typed else 3) + 3 and w._main_selector is back


def test_empty_inputs_of_special_selectors(cs, frame):
    calls = Calls()
    w = cs.ColumnsSelector(Transformation(frame), show_all_columns=False, on_change=calls)
    assert ALL not in w._options
    w.value = ["[Columns that match regex]"]
    check(w, frame, "df.filter(regex='^$')", "df.filter(regex='^$').columns", [])
    pick(w, "[Columns that contain]")
    check(w, frame, "df.loc[:, df.columns.str.contains('')]", "df.columns[df.columns.str.contains('')]",
          COLUMNS)
    pick(w, "[Columns with data type]")
    with pytest.raises(IndexError):
        w.get_df_code()
    browser(w._special_selector.data_type, index=1)
    check(w, frame, select("['string', 'object']"), select("['string', 'object']") + ".columns", ["b", "s"])
    assert calls.count == 4


def test_odd_labels_and_the_value_setter(cs):
    frame = pd.DataFrame([[1, 2.0, "x", 4]], columns=[0, 1, "it's", "[Float columns]"])
    calls = Calls()
    w = cs.ColumnsSelector(Transformation(frame), False, True, on_change=calls)
    single = w._main_selector
    assert w._options[0] == ALL and single.value == ALL and single.set_soft_value is True
    assert single.css_classes == ["ostrel-columns-selector-special"] and single.focus_after_init is True
    check(w, frame, "df", "df.columns", [0, 1, "it's", "[Float columns]"])
    assert calls.count == 0

    pick(w, 1)
    pick(w, 1, 0)
    check(w, frame, "df[[1, 0]]", "[1, 0]", [1, 0])
    pick(w, 1, 0, "it's")
    check(w, frame, 'df[[1, 0, "it\'s"]]', '[1, 0, "it\'s"]', [1, 0, "it's"])
    # The column named like a special label is taken as that label.
    pick(w, "[Float columns]")
    assert type(w._special_selector) is cs.FloatColumns
    check(w, frame, "df.select_dtypes('float')", "df.select_dtypes('float').columns", [1])
    assert calls.count == 4

    w.value = "it's"
    check(w, frame, 'df[["it\'s"]]', '["it\'s"]', ["it's"])
    w.value = ["it's", "[Integer columns]"]
    assert type(w._special_selector) is cs.IntegerColumns and w._main_selector.value == "[Integer columns]"
    check(w, frame, "df.select_dtypes('int')", "df.select_dtypes('int').columns", [0, "[Float columns]"])
    w.value = "[Integer columns]"
    check(w, frame, "df.select_dtypes('int')", "df.select_dtypes('int').columns", [0, "[Float columns]"])
    assert calls.count == 7
