"""ColumnsSelector end to end: the stand-in host's widgets and transformation, with pandas running the code."""

import pandas as pd
import pytest
from conftest import send_from_browser as browser

from ostrel import helper
from ostrel import widgets as host_widgets
from ostrel.transformation import Transformation

FRAME = pd.DataFrame({"a": [1, 2], "b": pd.Series(["x", "y"], dtype=object), 0: [1.5, 2.5], "it's": [True, False],
                      "dt": pd.to_datetime(["2020-01-01", "2020-01-02"])})
SPECIALS = [  # label, selector class, sub-frame code (the column list code adds ".columns"), columns, typed input
    ("[All columns]", "AllColumns", "df", ["a", "b", 0, "it's", "dt"], None),
    ("[Columns with data type]", "ColumnsWithDtype", "df.select_dtypes(['float'])", [0], ("data_type", {"index": 6})),
    ("[Columns that match regex]", "ColumnsByRegex", "df.filter(regex='t')", ["it's", "dt"], ("text", {"value": "t"}))]


def pick(w, *labels):
    """Choose labels in the current main dropdown, by their first position among the options."""
    index = [w._options.index(label) for label in labels]
    browser(w._main_selector, index=index if type(w._main_selector) is host_widgets.Multiselect else index[0])


def check(w, df_code, columns_code, columns):
    assert (w.get_df_code(), w.get_columns_code(), list(w.value)) == (df_code, columns_code, columns)
    assert list(eval(df_code, {"df": FRAME}).columns) == list(eval(columns_code, {"df": FRAME})) == columns


@pytest.mark.parametrize("label, cls_name, df_code, columns, typed", SPECIALS)
def test_names_then_special_then_back(cs, label, cls_name, df_code, columns, typed):
    calls = []
    w = cs.ColumnsSelector(Transformation(FRAME), on_change=lambda: calls.append(1))
    with pytest.raises(helper.OstrelError) as excinfo:
        w.get_df_code()
    assert excinfo.value.args == ("No columns are selected.<br>Please select one or multiple columns",)
    pick(w, "it's")
    pick(w, 0, "it's")
    check(w, "df[[\"it's\", 0]]", "[\"it's\", 0]", ["it's", 0])
    pick(w, 0, "it's", label)
    single, special = w._main_selector, w._special_selector
    assert type(single) is host_widgets.Singleselect and type(special) is getattr(cs, cls_name)
    assert single.value == label and single.focus_after_init is (typed is None) and w.children == (single, special)
    if typed:
        browser(getattr(special, typed[0]), **typed[1])
    check(w, df_code, df_code + ".columns", columns)
    pick(w, "b")  # back to a Multiselect holding that one name
    assert (type(w._main_selector), w._main_selector.value) == (host_widgets.Multiselect, ["b"])
    assert len(calls) == 4 + bool(typed)  # one on_change per change
