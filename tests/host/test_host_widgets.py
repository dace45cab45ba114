import ipywidgets
import pytest

from ostrel.widgets import Multiselect, Singleselect, Text

CLASSES = [Multiselect, Singleselect, Text]


@pytest.mark.parametrize("cls", CLASSES)
def test_constructors_are_keyword_only(cls):
    with pytest.raises(TypeError):
        cls("Choose column(s)")
    with pytest.raises(TypeError):
        cls(unknown_keyword=1)


def test_keywords_are_kept_as_given(on_change):
    opts, value, classes, execute = ["a", "b"], ["b"], ["x"], object()
    multi = Multiselect(placeholder="Choose column(s)", options=opts, value=value,
                        focus_after_init=False, width="md", on_change=on_change,
                        css_classes=classes)
    single = Singleselect(options=opts, placeholder="Data type", focus_after_init=True,
                          set_soft_value=True, width="md", on_change=on_change)
    text = Text(placeholder="Regex, e.g. e$", focus_after_init=True, width="sm",
                execute=execute, on_change=on_change)
    assert multi.options is opts and single.options is opts
    assert multi.value is value and multi.css_classes is classes
    assert multi.on_change is single.on_change is text.on_change is on_change
    assert (single.placeholder, single.set_soft_value, single.value) == ("Data type", True, None)
    assert text.execute is execute and text.focus_after_init is True
    # All three can sit in a box, and construction reported nothing.
    ipywidgets.VBox(children=[multi, single, text])
    assert on_change.count == 0


def test_repeated_and_non_string_options_stay_separate(browser, monkeypatch, on_change):
    opts = ["a", 1, ("t", 2), "a"]
    snapshot = list(opts)
    multi = Multiselect(options=opts, on_change=on_change)
    single = Singleselect(options=opts, on_change=on_change)
    for widget in (multi, single):
        assert widget._input._options_labels == ("a", "1", "('t', 2)", "a")
    sent = []
    monkeypatch.setattr(multi._input, "_send", lambda msg, buffers=None: sent.append(msg))
    browser(multi, index=[3])
    assert multi.value == ["a"] and multi._input.index == (3,)
    # Only the echo goes back: no detour through the first "a" reaches the view.
    assert [m["method"] for m in sent] == ["echo_update"]
    browser(multi, index=[0, 1, 2, 3])
    assert multi.value == ["a", "a", 1, ("t", 2)]
    multi.value = ["a", "a"]
    assert multi._input.index == (0, 3)
    browser(single, index=2)
    assert single.value == ("t", 2)
    assert opts == snapshot and multi.options is opts


@pytest.mark.parametrize("steps", [
    [([2], ["c"]), ([0, 2], ["c", "a"]), ([0, 1, 2], ["c", "a", "b"]), ([0, 1], ["a", "b"])],
    [([1, 2], ["b", "c"]), ([0, 1, 2], ["b", "c", "a"]), ([], [])],
    [([2, 0], ["a", "c"]), ([0], ["a"]), ([2, 0], ["a", "c"])],
])
def test_multiselect_keeps_the_order_of_choice(browser, on_change, steps):
    multi = Multiselect(options=["a", "b", "c"], on_change=on_change)
    for count, (indices, expected) in enumerate(steps, start=1):
        browser(multi, index=indices)
        assert multi.value == expected
        assert on_change.count == count
    browser(multi, index=list(reversed(multi._input.index)))  # same set again
    assert on_change.count == len(steps)


def test_multiselect_assignment_is_silent_and_shown(browser, on_change):
    multi = Multiselect(placeholder="Choose column(s)", options=["a", "b", "c"],
                        on_change=on_change)
    assert multi.value == [] and multi._summary.value == "Choose column(s)"
    chosen = ["c", "a"]
    multi.value = chosen
    assert multi.value is chosen and multi._input.index == (0, 2)
    assert multi._summary.value == "c, a" and on_change.count == 0
    browser(multi, index=[0, 1, 2])
    assert multi.value == ["c", "a", "b"] and on_change.count == 1
    assert chosen == ["c", "a"]  # the caller's list is never changed


@pytest.mark.parametrize("bad, error", [(["zzz"], ValueError), (["a", "a"], ValueError),
                                        ("ab", TypeError)])
def test_multiselect_rejects_values_it_cannot_show(bad, error):
    multi = Multiselect(options=["a", "b"], value=["b"])
    with pytest.raises(error):
        multi.value = bad
    assert multi.value == ["b"] and multi._input.index == (1,)
    with pytest.raises(error):
        Multiselect(options=["a", "b"], value=bad)


@pytest.mark.parametrize("soft", [True, False])
def test_singleselect_shows_initial_value_without_reporting(browser, on_change, soft):
    opts = ["[All columns]", "a", "[All columns]"]
    single = Singleselect(options=opts, value="[All columns]", set_soft_value=soft,
                          on_change=on_change)
    assert single.value == "[All columns]" and single._input.index == 0
    assert single._hint.layout.display == "none" and on_change.count == 0
    browser(single, index=1)
    assert single.value == "a" and on_change.count == 1
    single.value = "[All columns]"
    assert single._input.index == 0 and on_change.count == 1
    browser(single, index=None)
    assert single.value is None and single._hint.layout.display is None


def test_singleselect_prefers_the_identical_option():
    assert Singleselect(options=[1, True], value=True)._input.index == 1
    with pytest.raises(ValueError):
        Singleselect(options=["a"], value="b")


def test_text_value_and_changes(browser, on_change):
    text = Text(placeholder="String, e.g. foo", on_change=on_change)
    assert text.value == "" and text._input.placeholder == "String, e.g. foo"
    browser(text, value="foo ")
    assert text.value == "foo " and on_change.count == 1
    text.value = "bar"
    assert text._input.value == "bar" and on_change.count == 1


@pytest.mark.parametrize("cls", CLASSES)
def test_css_classes_applied_in_order_and_list_untouched(cls):
    classes = ["ostrel-columns-selector-special", "b", "a"]
    widget = cls(css_classes=classes)
    assert widget._dom_classes == ("ostrel-columns-selector-special", "b", "a")
    assert classes == ["ostrel-columns-selector-special", "b", "a"]
    assert cls()._dom_classes == ()


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("word, css", [("md", "300px"), ("sm", "200px")])
def test_width_words(cls, word, css):
    widget = cls(width=word)
    assert widget.width == word
    assert widget.layout.width == widget._input.layout.width == css


@pytest.mark.parametrize("cls", CLASSES)
def test_unknown_width_is_rejected(cls):
    with pytest.raises(ValueError, match="width"):
        cls(width="xl")


@pytest.mark.parametrize("cls", CLASSES)
@pytest.mark.parametrize("focus", [True, False])
def test_focus_requested_once_when_first_shown(browser, monkeypatch, cls, focus):
    widget = cls(focus_after_init=focus)
    sent = []
    monkeypatch.setattr(widget._input, "_send", lambda msg, buffers=None: sent.append(msg))
    browser(widget, _view_count=1)
    browser(widget, _view_count=2)
    focus_msgs = [m for m in sent if m.get("content") == {"do": "focus"}]
    assert len(focus_msgs) == (1 if focus else 0)
