"""The stand-in host: string literals, the transformation, and the widgets' value semantics."""

import random

import ipywidgets
import pytest

from ostrel import helper
from ostrel.transformation import Transformation
from ostrel.widgets import Multiselect, Singleselect, Text

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


def test_transformation_evaluates_with_df_old_read_at_call_time(monkeypatch):
    pd = pytest.importorskip("pandas")
    frame = pd.DataFrame({"a": [1], "b": ["x"], "ab": [0.5]})
    transformation = Transformation(frame)
    assert transformation.get_df() is frame
    assert list(transformation.eval_code("df.filter(regex='^a').columns")) == ["a", "ab"]
    with pytest.raises(KeyError):
        transformation.eval_code("df['missing']")
    monkeypatch.setattr(helper, "DF_OLD", "frame")
    assert transformation.eval_code("frame.shape") == (1, 3)


@pytest.mark.parametrize("cls", [Multiselect, Singleselect, Text])
def test_widgets_take_keywords_only_and_apply_width_and_classes(cls):
    with pytest.raises(TypeError):
        cls("positional")
    classes = ["ostrel-columns-selector-special", "b"]
    widget = cls(width="sm", css_classes=classes)
    assert widget._dom_classes == tuple(classes) and widget.css_classes is classes
    assert widget.layout.width == widget._input.layout.width == "200px"
    ipywidgets.VBox(children=[widget])


def test_multiselect_keeps_choice_order_and_reports_only_user_changes(browser, on_change):
    options = ["a", 1, "[All columns]", "[All columns]"]
    multi = Multiselect(placeholder="Choose column(s)", options=options, on_change=on_change)
    assert multi.options is options and multi.value == []
    for index, expected in [([2], ["[All columns]"]), ([0, 2], ["[All columns]", "a"]),
                            ([0, 1, 2], ["[All columns]", "a", 1]), ([0, 1], ["a", 1])]:
        browser(multi, index=index)
        assert multi.value == expected
    assert on_change.count == 4
    chosen = [1, "[All columns]", "[All columns]"]
    multi.value = chosen
    assert multi.value is chosen and multi._input.index == (1, 2, 3) and on_change.count == 4
    with pytest.raises(ValueError):
        multi.value = ["zzz"]


@pytest.mark.parametrize("soft", [True, False])
def test_singleselect_shows_its_value_and_reports_only_user_changes(browser, on_change, soft):
    single = Singleselect(options=["[All columns]", "a"], value="[All columns]", set_soft_value=soft,
                          on_change=on_change)
    assert single.value == "[All columns]" and single._input.index == 0 and on_change.count == 0
    browser(single, index=1)
    assert single.value == "a" and on_change.count == 1
    single.value = "[All columns]"
    assert single._input.index == 0 and on_change.count == 1


@pytest.mark.skipif(not hasattr(ipywidgets.DOMWidget, "focus"), reason="ipywidgets 7 widgets cannot take the focus")
def test_text_value_and_focus_on_first_view(browser, monkeypatch, on_change):
    text = Text(placeholder="Regex, e.g. e$", focus_after_init=True, execute="t", on_change=on_change)
    sent = []
    monkeypatch.setattr(text._input, "_send", lambda msg, buffers=None: sent.append(msg))
    assert (text.value, text._input.placeholder, text.execute) == ("", "Regex, e.g. e$", "t")
    browser(text, value="foo ")
    browser(text, _view_count=1)
    browser(text, _view_count=2)
    assert text.value == "foo " and on_change.count == 1
    focus = {"do": "focus"}
    assert [m for m in sent if m.get("content") == focus] == [{"method": "custom", "content": focus}]
