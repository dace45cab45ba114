"""The stand-in host: string literals, the transformation, and the widgets' value semantics."""

import random
from unittest import mock

import ipywidgets
import pytest
from columns_selector_devkit import send_from_browser as browser
from pandas import NA, DataFrame  # NA: hashable; == gives NA, which has no truth value

from ostrel import helper
from ostrel.transformation import Transformation
from ostrel.widgets import SHOWN_OPTIONS, Multiselect, Singleselect, Text

NASTY = ["", "it's", 'say "hi"', "both ' and \"", "ends with backslash\\", "new\nline", "cr\r\n\t\x00",
         "é 中文 🐍", "\u2028\ufeff", "\ud800 lone", "^$"]


def test_string_to_code_gives_a_one_line_literal_of_any_text():
    rng = random.Random(7)
    generated = ["".join(chr(rng.randrange(0x110000)) for _ in range(rng.randrange(12))) for _ in range(500)]
    for text in NASTY + generated:
        code = helper.string_to_code(text)
        assert type(code) is str and "\n" not in code and eval(code) == text, text
    with pytest.raises(TypeError, match="str"):
        helper.string_to_code(b"bytes")


def test_transformation_reads_df_old_at_each_call_and_passes_errors_on(monkeypatch):
    monkeypatch.setattr(helper, "DF_OLD", "frame")
    transformation = Transformation(DataFrame({"a": [1]}))
    assert transformation.eval_code("frame.shape") == (1, 1)
    with pytest.raises(KeyError):
        transformation.eval_code("frame['missing']")


@pytest.mark.parametrize("cls", [Multiselect, Singleselect, Text])
def test_widgets_take_keywords_only_and_fill_their_width(cls):
    with pytest.raises(TypeError):
        cls("positional")
    classes = ["ostrel-columns-selector-special", "b"]
    widget = cls(width="sm", css_classes=classes)
    assert widget._dom_classes == tuple(classes) and widget.css_classes is classes
    # The box has the size; its controls fill it (the browser test sees that nothing sticks out).
    assert widget.layout.width == "200px"


NAN = float("nan")


@pytest.fixture
def on_change():
    return mock.create_autospec(lambda: None)  # counts its calls; refuses any argument


@pytest.mark.parametrize("options, labels, positions", [
    (["a", 1, "a", "a"], ["a", "a", 1.0], [0, 2, 1]),           # == , each option used once
    ([1, True, 1.0], [True, True], [1, 0]),                     # identity before ==
    ([NAN, "x", float("nan")], [float("nan"), NAN], [0, 2]),    # NaN-like: identity, else one of its type
    ([NA, ["unhashable"], "b"], [["unhashable"], NA, "b"], [1, 0, 2]),
])
def test_labels_match_options_by_identity_then_equality(options, labels, positions):
    multi = Multiselect(options=options, value=labels)
    assert multi._chosen == positions and multi.value == labels
    assert Singleselect(options=options, value=labels[0])._chosen == positions[0]
    with pytest.raises(ValueError):
        multi.value = labels + [labels[0]] * len(options)


def test_multiselect_keeps_choice_order_through_search_and_reports_only_user_changes(on_change):
    options = ["alpha", 1, "[All columns]", "[All columns]", "beta"]
    multi = Multiselect(placeholder="Choose column(s)", options=options, on_change=on_change)
    assert multi.options is options and multi.value == [] and "Choose column(s)" in multi._tags.value
    for index, expected in [([2], ["[All columns]"]), ([0, 2], ["[All columns]", "alpha"]),
                            ([0, 1, 2], ["[All columns]", "alpha", 1]), ([0, 1], ["alpha", 1])]:
        browser(multi, index=index)
        assert multi.value == expected
    multi._search.value = "A"  # case-folded substring: alpha, the two labels, beta
    assert [label for label, _ in multi._input.options] == ["alpha", "[All columns]", "[All columns]", "beta"]
    assert multi._input.index == (0,)
    browser(multi, index=[3])  # alpha unselected in view; 1 is hidden and stays chosen
    assert multi.value == [1, "beta"] and on_change.call_count == 5
    assert "1</span>" in multi._tags.value and multi._tags.value.index(">1<") < multi._tags.value.index("beta")
    chosen = [1, "[All columns]", "[All columns]"]
    multi.value = chosen
    assert multi.value is chosen and multi._input.index == (1, 2) and on_change.call_count == 5


@pytest.mark.parametrize("soft, value, options, expected", [
    (True, None, ["[All columns]", "a"], "[All columns]"),
    (False, None, ["[All columns]", "a"], None),
    (True, "a", ["[All columns]", "a"], "a"),
    (False, "a", ["[All columns]", "a"], "a"),
    (True, None, [], None),
])
def test_singleselect_holds_a_label_from_the_start_with_a_soft_value(on_change, soft, value,
                                                                      options, expected):
    single = Singleselect(options=options, value=value, set_soft_value=soft, on_change=on_change)
    assert single.value == expected and on_change.call_count == 0
    assert single._input.index == (None if expected is None else options.index(expected))
    assert single._hint.layout.display == ("none" if expected is not None else None)
    if options:
        pick = 0 if expected == "a" else 1
        browser(single, index=pick)
        assert single.value == options[pick] and on_change.call_count == 1
        single.value = options[1 - pick]
        assert single._input.index == 1 - pick and on_change.call_count == 1


def test_singleselect_lists_a_bounded_searchable_view_that_keeps_the_choice(on_change):
    single = Singleselect(options=[f"c{i}" for i in range(3 * SHOWN_OPTIONS)], value="c2500", on_change=on_change)
    assert single._search in single.children and Singleselect(options=["a"])._search is None
    for search, expected in [("", [*range(SHOWN_OPTIONS), 2500]), ("C25", [25, *range(250, 260), *range(2500, 2600)])]:
        single._search.value = search
        assert single._input.options == tuple((f"c{i}", i) for i in expected)
        assert single._input.options[single._input.index][0] == "c2500" and on_change.call_count == 0
    browser(single, index=0)
    assert single.value == "c25" and on_change.call_count == 1
    single.value = "c2999"  # hidden by the search, and listed while chosen
    assert single._input.options[single._input.index] == single._input.options[-1] == ("c2999", 2999)


@pytest.mark.skipif(not hasattr(ipywidgets.DOMWidget, "focus"), reason="ipywidgets 7 widgets cannot take the focus")
def test_text_value_and_focus_on_first_view(monkeypatch, on_change):
    text = Text(placeholder="Regex, e.g. e$", focus_after_init=True, execute="t", on_change=on_change)
    sent = []
    monkeypatch.setattr(text._input, "_send", lambda msg, buffers=None: sent.append(msg))
    for state in [{"value": "foo "}, {"_view_count": 1}, {"_view_count": 2}]:
        browser(text, **state)
    assert (text.value, text._input.placeholder, text.execute) == ("foo ", "Regex, e.g. e$", "t")
    assert on_change.call_count == 1
    focus = {"method": "custom", "content": {"do": "focus"}}
    assert [m for m in sent if m.get("content") == focus["content"]] == [focus]
