"""ColumnsSelector driven as a browser view drives the stand-in host's widgets (the quick front-end flow)."""

import pandas as pd
from columns_selector_devkit import send_from_browser as browser

import ostrel.transformations.columns_selector as cs
from ostrel import widgets as host_widgets
from ostrel.transformation import Transformation

FRAME = pd.DataFrame({"a": [1, 2], "b": pd.Series(["x", "y"], dtype=object), 0: [1.5, 2.5], "it's": [True, False]})


def pick(w, *labels):
    """Choose labels in the current main dropdown, by their first position among the options."""
    index = [w._options.index(label) for label in labels]
    browser(w._main_selector, index=index if type(w._main_selector) is host_widgets.Multiselect else index[0])


def test_names_then_rules_then_names_again():
    calls = []
    w = cs.ColumnsSelector(Transformation(FRAME), on_change=lambda: calls.append(1))
    pick(w, "it's")
    pick(w, 0, "it's")
    assert (w.get_df_code(), list(w.value)) == ("df[[\"it's\", 0]]", ["it's", 0])
    for label, typed, code, columns in [("[All columns]", None, "df", ["a", "b", 0, "it's"]), (
            "[Columns with data type]", ("data_type", {"index": 6}), "df.select_dtypes(['float'])", [0]), (
            "[Columns that match regex]", ("text", {"value": "t"}), "df.filter(regex='t')", ["it's"])]:
        pick(w, label)
        single, special = w._main_selector, w._special_selector
        assert type(single) is host_widgets.Singleselect and single.value == label
        assert single.focus_after_init is (typed is None) and w.children == (single, special)
        if typed:
            browser(getattr(special, typed[0]), **typed[1])
        assert (w.get_df_code(), w.get_columns_code(), list(w.value)) == (code, code + ".columns", columns)
    pick(w, "b")  # back to a Multiselect holding that one name
    assert (type(w._main_selector), w._main_selector.value) == (host_widgets.Multiselect, ["b"])
    assert len(calls) == 8  # one on_change per change, typed input included
