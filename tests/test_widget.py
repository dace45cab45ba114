"""ColumnsSelector against recording fakes: layout, construction, tracking, switching and code."""

import gc
import sys
import types
import weakref

import ipywidgets as widgets
import pytest

import ostrel.helper

ALL = "[All columns]"
TOP = ["[Columns with data type]", "[Columns that match regex]"]
BOTTOM = ["[Numeric columns]", "[String/Text or Object columns]", "[String-only columns]",
          "[Object-only columns]", "[Categoric/Factor columns]", "[Integer columns]",
          "[Float columns]", "[Boolean columns]", "[Datetime columns]", "[Timedelta columns]",
          "[Columns that start with]", "[Columns that end with]", "[Columns that contain]"]
SPECIAL_CSS = "ostrel-columns-selector-special"
EMPTY_MESSAGE = "No columns are selected.<br>Please select one or multiple columns"
PARAMS = ["transformation", "show_all_columns", "set_all_columns_as_default", "width",
          "focus_after_init", "css_classes", "on_change"]
WATCHED = {"transformation", "df", "width", "_options", "on_change", "_main_selector",
           "_special_selector", "children"}
CLASS_DOC = ("\n    A special dropdown that allows more complex selections which need additional input"
             " from the user.\n\n    E.g. when the user selects \"columns of data type\", we ask for"
             " the data type with a separate input.\n    ")
MEMBERS = [
    ("__init__", "\n        :param show_all_columns: Do you want to show the \"Select all column\""
                 " option in the dropdown?\n        "),
    ("has_special_selector", "Returns True if the user has selected a special selector."),
    ("has_column_names", "Returns True if the user has selected one or more column names."),
    ("_get_current_values", "\n        Helper for returning the selected options in the dropdown in"
                            " the correct format.\n\n        :return: list. The selected element(s)."
                            "\n        "),
    ("_selection_changed", None), ("_create_multi_select", None),
    ("_set_special_selector", "Create the special selector."),
    ("value", None), ("get_df_code", None), ("get_columns_code", None),
]


def frame(*labels):
    return types.SimpleNamespace(columns=list(labels))


def raising(err):
    def method(*args, **kwargs):
        raise err
    return method


def assert_log(log, expected):
    """Whole log equal, and every keyword dict in the same order with values of the same types."""
    assert log == expected
    for got, want in zip(log, expected):
        if len(want) == 2 and isinstance(want[1], dict):
            assert [(k, type(v)) for k, v in got[1].items()] == [(k, type(v)) for k, v in want[1].items()]


def multi_kw(w, value, focus, css):
    return {"placeholder": "Choose column(s)", "options": w._options, "value": value,
            "focus_after_init": focus, "width": w.width, "on_change": w._selection_changed,
            "css_classes": css}


def single_kw(w, value, focus, soft, css):
    return {"placeholder": "Choose column(s)", "options": w._options, "value": value,
            "focus_after_init": focus, "set_soft_value": soft, "width": w.width,
            "on_change": w._selection_changed, "css_classes": css}


def watched_class(cs, log):
    """A ColumnsSelector subclass that records assignments to the widget's own attributes."""
    class Watched(cs.ColumnsSelector):
        def __setattr__(self, name, value):
            if name in WATCHED:
                log.append(("set", name))
            super().__setattr__(name, value)
    return Watched


@pytest.fixture
def make(cs, host):
    def make(*labels, **kwargs):
        host.transformation.df = frame(*labels)
        kwargs.setdefault("on_change", host.on_change)
        w = cs.ColumnsSelector(host.transformation, **kwargs)
        host.log.clear()
        return w
    return make


def test_class_layout(cs):
    C = cs.ColumnsSelector

    class Plain(widgets.VBox):
        pass

    from_metaclass = set(vars(Plain)) - {"__module__", "__doc__"}
    assert C.__bases__ == (widgets.VBox,) and type(C) is type(widgets.VBox)
    assert (C.__module__, C.__name__, C.__qualname__) == (
        "ostrel.transformations.columns_selector", "ColumnsSelector", "ColumnsSelector")
    assert C.__doc__ == CLASS_DOC
    assert [n for n in vars(C) if n not in from_metaclass] == ["__module__", "__doc__", *dict(MEMBERS)]
    prop = vars(C)["value"]
    assert type(prop) is property and prop.fdel is None and prop.__doc__ is None


@pytest.mark.parametrize("name, doc", [m for m in MEMBERS if m[0] != "value"] + [("fget", None), ("fset", None)])
def test_member_names_and_docs(cs, name, doc):
    member = getattr(vars(cs.ColumnsSelector)["value"], name) if name in ("fget", "fset") else \
        vars(cs.ColumnsSelector)[name]
    short = "value" if name in ("fget", "fset") else name
    assert (member.__name__, member.__qualname__, member.__doc__) == (short, "ColumnsSelector." + short, doc)


def _init(self, transformation=None, show_all_columns=True, set_all_columns_as_default=False,
          width="md", focus_after_init=False, css_classes=[], on_change=None): pass
def _create_multi_select(self, value=[], focus_after_init=True, css_classes=[]): pass
def _set_special_selector(self, special_name=None, set_soft_value=False, css_classes=[]): pass
def _selection_changed(self, *args): pass
def _no_args(self): pass


@pytest.mark.parametrize("name, args, kwargs", [
    ("__init__", (1,) * 8, {}), ("__init__", (), {"bogus": 1}), ("__init__", (1,), {"transformation": 1}),
    ("_create_multi_select", (1, 2, 3, 4), {}), ("_create_multi_select", ([],), {"value": []}),
    ("_set_special_selector", (1, 2, 3, 4), {}), ("_set_special_selector", (), {"label": ALL}),
    ("_selection_changed", (1,), {"change": 1}), ("has_special_selector", (1,), {}),
    ("has_column_names", (), {"x": 1}), ("_get_current_values", (1,), {}),
    ("get_df_code", (1,), {}), ("get_columns_code", (), {"x": 1}),
])
def test_argument_binding_errors(cs, host, make, name, args, kwargs):
    w = make("a")
    reference = {"__init__": _init, "_create_multi_select": _create_multi_select,
                 "_set_special_selector": _set_special_selector,
                 "_selection_changed": _selection_changed}.get(name, _no_args)
    reference.__qualname__ = "ColumnsSelector." + name
    with pytest.raises(TypeError) as expected:
        reference(w, *args, **kwargs)
    with pytest.raises(TypeError) as got:
        (cs.ColumnsSelector if name == "__init__" else getattr(w, name))(*args, **kwargs)
    assert type(got.value) is TypeError and str(got.value) == str(expected.value)
    assert host.log == []


@pytest.mark.parametrize("by_keyword", [False, True])
@pytest.mark.parametrize("show_all, start_all", [([1], ""), (True, [1]), (0, 1)])
def test_constructor_parameters(cs, host, by_keyword, show_all, start_all):
    host.transformation.df = df = frame("a", 0)
    width, focus, css = object(), object(), ["k", "l"]
    values = [host.transformation, show_all, start_all, width, focus, css, host.on_change]
    w = cs.ColumnsSelector(**dict(zip(PARAMS, values))) if by_keyword else cs.ColumnsSelector(*values)
    main = w._main_selector
    assert w.df is df and w.width is width and w.on_change is host.on_change
    assert w.transformation is host.transformation and w._options == [ALL, *TOP, "a", 0, *BOTTOM]
    if not start_all:
        assert_log(host.log, [("get_df",), ("Multiselect", multi_kw(w, [], focus, css))])
        assert host.log[1][1]["css_classes"] is css and host.log[1][1]["focus_after_init"] is focus
        assert type(main) is host.Multiselect and w.children == (main,)
        with pytest.raises(AttributeError):
            w._special_selector
    else:
        special = w._special_selector
        assert type(special) is cs.AllColumns and special.children == ()
        assert special.manager is w and special.on_change is host.on_change
        assert_log(host.log, [("get_df",), ("Singleselect", single_kw(w, ALL, True, True, [SPECIAL_CSS, *css]))])
        assert host.log[1][1]["css_classes"] is not css and host.log[1][1]["focus_after_init"] is True
        assert type(main) is host.Singleselect and w.children == (main, special)
    assert host.log[1][1]["options"] is w._options and host.log[1][1]["on_change"].__self__ is w
    assert css == ["k", "l"]


class Truth:
    """A flag that records each truth test made on it."""

    def __init__(self, log, name, value):
        self.log, self.name, self.value = log, name, value

    def __bool__(self):
        self.log.append(("bool", self.name))
        return bool(self.value)


@pytest.mark.parametrize("show, default, labels", [
    (True, False, ("a", "b")), (0, "", ("a",)), ("", [1], ()), ([1], None, (0, 1, 0)),
    (None, 0, ("a", "a", "[Numeric columns]", ALL, TOP[0])),
])
def test_option_list(cs, host, show, default, labels):
    host.transformation.df = frame(*labels)
    w = cs.ColumnsSelector(host.transformation, Truth(host.log, "show", show), Truth(host.log, "default", default))
    tests = ["show", "default"] if show else ["show", "default", "default"]
    assert host.log.names() == ["get_df", *["bool"] * len(tests), "Singleselect" if default else "Multiselect"]
    assert [e[1] for e in host.log[1:-1]] == tests
    head = [ALL] if (show or default) else []
    assert type(w._options) is list and w._options == [*head, *TOP, *labels, *BOTTOM]
    kept = w._options[len(head) + 2:len(w._options) - len(BOTTOM)]
    assert len(kept) == len(labels) and all(got is label for got, label in zip(kept, labels))


def test_defaults_are_made_once_and_left_alone(cs, host):
    host.transformation.df = frame("a")
    one, two = cs.ColumnsSelector(host.transformation), cs.ColumnsSelector(host.transformation)
    one._create_multi_select()
    two._create_multi_select()
    one._set_special_selector(ALL)
    two._set_special_selector(ALL)
    (_, k1), (_, k2), (_, m1), (_, m2), (_, s1), (_, s2) = [e for e in host.log if e[0] != "get_df"]
    assert k1["css_classes"] is k2["css_classes"] and k1["value"] is k2["value"] is m1["value"] is m2["value"]
    assert m1["css_classes"] is m2["css_classes"] and m1["css_classes"] is not m1["value"]
    assert (k1["focus_after_init"], k1["width"], m1["focus_after_init"]) == (False, "md", True)
    assert one.on_change is two.on_change and one.on_change() is None
    assert s1["css_classes"] == s2["css_classes"] == [SPECIAL_CSS] and s1["css_classes"] is not s2["css_classes"]
    assert s1["set_soft_value"] is False and s1["value"] == ALL
    assert k1["css_classes"] == k1["value"] == m1["css_classes"] == []


def test_construction_steps_in_order(cs, host):
    host.transformation.df = frame("a")
    for default, built in ((False, ["Multiselect"]), (True, [("set", "_special_selector"), "Singleselect"])):
        host.log.clear()
        watched_class(cs, host.log)(host.transformation, set_all_columns_as_default=default)
        assert [e if e[0] == "set" else e[0] for e in host.log] == [
            ("set", "children"), ("set", "transformation"), "get_df", ("set", "df"), ("set", "width"),
            ("set", "_options"), ("set", "on_change"), *built, ("set", "_main_selector"), ("set", "children")]


@pytest.mark.parametrize("kind", ["multi", "single", "multi subclass"])
def test_get_current_values(host, make, kind):
    w = make("a")
    chosen = ["a", ALL]
    cls = {"multi": host.Multiselect, "single": host.Singleselect,
           "multi subclass": type("Sub", (host.Multiselect,), {})}[kind]
    w._main_selector = cls(value=chosen)
    got = w._get_current_values()
    if kind == "multi":
        assert got is chosen
    else:
        assert type(got) is list and got == [chosen] and got[0] is chosen and w._get_current_values() is not got
    assert chosen == ["a", ALL]


class Registry(dict):
    """A label registry that records each keys() call and may then hand over to another one."""

    def __init__(self, log, name, labels, then=None):
        super().__init__(dict.fromkeys(labels))
        self.log, self.name, self.then = log, name, then

    def keys(self):
        self.log.append(("keys", self.name))
        if self.then:
            self.then()
        return super().keys()


@pytest.mark.parametrize("chosen, calls, result", [
    ([], [], False), (["a", "b"], ["first", "second"], False), (["[X]", "a"], ["first"], True),
    (["a", "[X]", "[Y]"], ["first", "second"], True), (["a", "b", "[Y]"], ["first", "second", "second"], True),
])
def test_has_special_selector_reads_the_registry_per_item(cs, host, make, monkeypatch, chosen, calls, result):
    w = make("a")
    second = Registry(host.log, "second", ["[X]", "[Y]"])
    first = Registry(host.log, "first", ["[X]"], then=lambda: monkeypatch.setattr(cs, "SELECTOR_OPTIONS", second))
    monkeypatch.setattr(cs, "SELECTOR_OPTIONS", first)
    w._main_selector.value = chosen
    assert w.has_special_selector() is result
    assert host.log == [("keys", name) for name in calls]
    assert w.has_column_names() is (not result)


@pytest.mark.parametrize("args", [(), ("change", {"new": 1})])
@pytest.mark.parametrize("start, chosen, outcome", [
    ("names", [], "kept"), ("names", ["b", "a"], "kept"),
    ("names", ["a", "[Numeric columns]", ALL], "special"),
    ("special", "[Numeric columns]", "special"), ("special", "b", "names"),
])
def test_selection_changed(cs, host, make, args, start, chosen, outcome):
    w = make("a", "b", css_classes=["mine"])
    if start == "special":
        w._set_special_selector(ALL)
        host.log.clear()
    main, children, special = w._main_selector, w.children, getattr(w, "_special_selector", None)
    w._main_selector.value = chosen
    assert w._selection_changed(*args) is None
    if outcome == "kept":
        assert host.log == [("on_change",)] and w._main_selector is main and w.children == children
    elif outcome == "special":
        expected = single_kw(w, "[Numeric columns]", True, False, [SPECIAL_CSS])
        assert_log(host.log, [("Singleselect", expected), ("on_change",)])
        assert type(w._special_selector) is cs.NumericColumns and w._special_selector is not special
        assert w.children == (w._main_selector, w._special_selector)
    else:
        assert_log(host.log, [("Multiselect", multi_kw(w, ["b"], True, [])), ("on_change",)])
        assert type(w._main_selector) is host.Multiselect and w.children == (w._main_selector,)
        assert w.has_column_names() is True and w._special_selector is special


@pytest.mark.parametrize("start, chosen, failing", [
    ("names", ["a", ALL], "Singleselect"), ("special", "a", "Multiselect"), ("names", None, "Singleselect")])
def test_failed_rebuilds(cs, host, make, monkeypatch, start, chosen, failing):
    w = make("a")
    if start == "special":
        w._set_special_selector(ALL)
        host.log.clear()
    err, old = RuntimeError("host refused"), getattr(w, "_special_selector", None)

    def refuse(**kwargs):
        host.log.append((failing, kwargs))
        raise err

    monkeypatch.setattr(cs, failing, refuse)
    main, children = w._main_selector, w.children
    with pytest.raises(RuntimeError) as excinfo:
        if chosen is None:
            w._set_special_selector(ALL)
        else:
            w._main_selector.value = chosen
            w._selection_changed()
    assert excinfo.value is err and host.log.names() == [failing]
    assert w._main_selector is main and w.children == children
    if failing == "Singleselect":  # the new selector was stored before the dropdown failed
        assert type(w._special_selector) is cs.AllColumns and w._special_selector is not old
    else:
        assert w._special_selector is old


FAMILIES = ["NumericColumns", "StringOrObjectColumns", "StringColumns", "ObjectColumns", "CategoryColumns",
            "IntegerColumns", "FloatColumns", "BooleanColumns", "DatetimeColumns", "TimedeltaColumns"]
LABELS = [(ALL, "AllColumns", True, []), (TOP[0], "ColumnsWithDtype", False, ["Singleselect"]),
          (TOP[1], "ColumnsByRegex", False, ["Text"]),
          *[(label, name, True, []) for label, name in zip(BOTTOM, FAMILIES)],
          *[(label, name, False, ["Text"]) for label, name in
            zip(BOTTOM[10:], ["ColumnsThatStartWith", "ColumnsThatEndWith", "ColumnsThatContain"])]]


@pytest.mark.parametrize("label, cls_name, focus, inner", LABELS)
def test_each_label_builds_its_selector(cs, host, make, label, cls_name, focus, inner):
    w = make("a")
    w._main_selector.value = ["a", label]
    w._selection_changed()
    special = w._special_selector
    assert type(special) is getattr(cs, cls_name)
    assert special.manager is w and special.on_change is host.on_change
    assert host.log.names() == [*inner, "Singleselect", "on_change"]
    assert host.log[len(inner)][1]["value"] is label and host.log[len(inner)][1]["focus_after_init"] is focus
    assert w.children == (w._main_selector, special)


def test_switch_steps_in_order(cs, host, monkeypatch):
    log, focus, soft = host.log, object(), object()

    class Probe(cs.DropdownItemSpecialSelector):
        def __init__(self, **kwargs):
            log.append(("Probe", kwargs))
            super().__init__(**kwargs)

        def focus_dropdown(self):
            log.append(("focus_dropdown",))
            return focus

    monkeypatch.setattr(cs, "SELECTOR_OPTIONS", {"[Probe]": Probe, ALL: cs.AllColumns})
    host.transformation.df = frame("a", "[Probe]")
    w = watched_class(cs, log)(host.transformation, on_change=host.on_change)
    w._main_selector.value = ["a", "[Probe]", ALL]
    log.clear()
    assert w._set_special_selector(set_soft_value=soft, css_classes=iter(["c", "d"])) is None
    assert_log(log, [("Probe", {"manager": w, "on_change": host.on_change}),
                     ("set", "_special_selector"), ("focus_dropdown",),
                     ("Singleselect", single_kw(w, "[Probe]", focus, soft, [SPECIAL_CSS, "c", "d"])),
                     ("set", "_main_selector"), ("set", "children")])
    assert log[3][1]["focus_after_init"] is focus and log[3][1]["set_soft_value"] is soft


def test_explicit_label_and_fresh_selectors(cs, host, make):
    w = make("a")
    w._main_selector = type("NoValue", (widgets.Widget,), {"value": property(raising(AssertionError()))})()
    w._set_special_selector(TOP[1])
    first = w._special_selector
    w._set_special_selector(special_name=TOP[1])
    assert type(first) is type(w._special_selector) is cs.ColumnsByRegex and w._special_selector is not first
    assert host.log.names() == ["Text", "Singleselect"] * 2
    assert host.log[1][1]["focus_after_init"] is False and host.log[1][1]["value"] == TOP[1]
    assert w.children == (w._main_selector, w._special_selector)


@pytest.mark.parametrize("start", ["names", "special"])
@pytest.mark.parametrize("label", ["[Nope]", None])
def test_unknown_label_changes_nothing(host, make, start, label):
    w = make("a")
    if start == "special":
        w._set_special_selector(ALL)
    w._main_selector.value = "a" if start == "special" else ["a"]
    host.log.clear()
    before = (getattr(w, "_special_selector", None), w._main_selector, w.children)
    with pytest.raises(KeyError) as excinfo:
        w._set_special_selector(label) if label else w._set_special_selector()
    assert excinfo.value.args == (label,) and host.log == []
    assert before[0] is getattr(w, "_special_selector", None) and before[1:] == (w._main_selector, w.children)


class Assigned(widgets.Widget):
    """A main dropdown that records assignments to its value, or refuses them."""

    def __init__(self, log, value, refuse=None):
        super().__init__()
        self.events, self.chosen, self.refuse = log, value, refuse

    def _assign(self, value):
        if self.refuse:
            raise self.refuse
        self.events.append(("assign", value))
        self.chosen = value

    value = property(lambda self: self.chosen, _assign)


@pytest.mark.parametrize("new, built", [(None, []), (["b"], []), (["[Numeric columns]"], ["Singleselect"])])
def test_value_setter(cs, host, make, monkeypatch, new, built):
    w = make("a", "b")
    monkeypatch.setattr(cs, "Multiselect", Assigned)
    w._main_selector = main = Assigned(host.log, ["a"])
    new = main.value if new is None else new
    w.value = new
    assert host.log.names() == ["assign", *built, "on_change"] and host.log[0][1] is new
    assert (w._main_selector is main) is (not built)


class Formatted(list):
    __format__ = lambda self, fmt: "<" + fmt + "formatted>"  # noqa: E731
    __str__ = lambda self: "<str>"  # noqa: E731


class TextForms:
    __format__ = lambda self, fmt: "F" + fmt  # noqa: E731
    __str__ = lambda self: "S"  # noqa: E731


@pytest.mark.parametrize("chosen, df_old, columns_code, df_code", [
    (["a", "b"], "df", "['a', 'b']", "df[['a', 'b']]"),
    (["b", "a"], "df", "['b', 'a']", "df[['b', 'a']]"),
    ([0, 1], "df", "[0, 1]", "df[[0, 1]]"),
    (["it's"], "df", '["it\'s"]', 'df[["it\'s"]]'),
    (["a", 1.5, None], "frame", "['a', 1.5, None]", "frame[['a', 1.5, None]]"),
    (Formatted(["a"]), TextForms(), "<formatted>", "F[<formatted>]"),
])
def test_names_mode_code(cs, host, make, monkeypatch, chosen, df_old, columns_code, df_code):
    w = make("a")
    monkeypatch.setattr(cs, "DF_OLD", df_old)
    w._main_selector.value = chosen
    assert w.get_columns_code() == columns_code and w.get_df_code() == df_code and host.log == []
    assert w.value is chosen


@pytest.mark.parametrize("rebind", [False, True])
def test_empty_selection(cs, host, make, monkeypatch, rebind):
    error_class = ostrel.helper.OstrelError
    assert cs.OstrelError is error_class
    if rebind:
        error_class = type("UserMessage", (Exception,), {})
        monkeypatch.setattr(cs, "OstrelError", error_class)
    w = make("a")
    with pytest.raises(error_class) as excinfo:
        w.get_df_code()
    assert type(excinfo.value) is error_class and excinfo.value.args == (EMPTY_MESSAGE,)
    assert w.get_columns_code() == "[]" and w.value == [] and host.log == []


def test_special_mode_value_and_code(host, make):
    w = make("a", set_all_columns_as_default=True)
    host.transformation.result = ("x", "y")
    first, second = w.value, w.value
    assert type(first) is list and first == ["x", "y"] and first is not second
    assert (w.get_df_code(), w.get_columns_code()) == ("df", "df.columns")
    assert host.log == [("eval_code", "df.columns")] * 2
    texts = object(), object()
    w._special_selector = types.SimpleNamespace(get_df_code=lambda: texts[0], get_columns_code=lambda: texts[1])
    assert w.get_df_code() is texts[0] and w.get_columns_code() is texts[1]


def test_methods_are_looked_up_on_the_instance(cs, host):
    log, css = host.log, ["k"]

    def traced(name):
        def method(self, *args, **kwargs):
            log.append((name, args, kwargs) if args or kwargs else (name,))
            return getattr(super(Traced, self), name)(*args, **kwargs)
        return method

    names = ["has_special_selector", "has_column_names", "_get_current_values",
             "_create_multi_select", "_set_special_selector"]
    Traced = type("Traced", (cs.ColumnsSelector,), {name: traced(name) for name in names})
    host.transformation.df = frame("a")
    w = Traced(host.transformation, focus_after_init=True, css_classes=css, on_change=host.on_change)
    w._main_selector.value = ["a"]
    assert w.get_columns_code() == "['a']"
    w._main_selector.value = ["a", ALL]
    w._selection_changed()
    w._main_selector.value = "a"
    w._selection_changed()
    assert w.value == ["a"]
    Traced(host.transformation, set_all_columns_as_default=1, css_classes=css)
    hss, hcn, gcv = ("has_special_selector",), ("has_column_names",), ("_get_current_values",)
    assert [e[0] if e[0] in ("Multiselect", "Singleselect") else e for e in log] == [
        ("get_df",), ("_create_multi_select", (), {"focus_after_init": True, "css_classes": css}), "Multiselect",
        hcn, hss, gcv,
        hss, gcv, ("_set_special_selector",), gcv, "Singleselect", ("on_change",),
        hss, gcv, gcv, ("_create_multi_select", (), {"value": ["a"]}), "Multiselect", ("on_change",),
        hcn, hss, gcv,
        ("get_df",), ("_set_special_selector", (), {"special_name": ALL, "set_soft_value": True,
                                                    "css_classes": css}), "Singleselect"]


class _WeakComms(weakref.WeakValueDictionary):
    def pop(self, key, *default):
        return super().pop(key, None)


@pytest.fixture
def weak_widget_registry(monkeypatch):
    """Let the widget library forget widgets that nobody else refers to."""
    from ipywidgets.widgets import widget as base
    if hasattr(base, "enable_weakreference"):
        base.enable_weakreference()
        yield
        base.disable_weakreference()
        return
    import comm
    registries = [(base, "_instances", weakref.WeakValueDictionary()),
                  (comm.get_comm_manager(), "comms", _WeakComms())]
    originals = [getattr(owner, name) for owner, name, _ in registries]
    for owner, name, weak in registries:
        monkeypatch.setattr(owner, name, weak)
    yield
    # Widgets still alive afterwards go back to the strong registries they would have been in.
    for original, (_, _, weak) in zip(originals, registries):
        original.update(weak)


def midway(err):
    """Column labels whose iteration fails after two labels."""
    yield from ("a", "b")
    raise err


def bad_case(case, cs, host, w, err):
    """Set up one kind of bad input; return the failing action and the object it involves."""
    label = lambda **methods: type("Label", (), {n: f or raising(err) for n, f in methods.items()})()  # noqa
    names = lambda name: type("Names", (list,), {name: raising(err)})(["a"])  # noqa: E731
    build = lambda *args: cs.ColumnsSelector(host.transformation, *args)  # noqa: E731
    chosen = {"hash": (w.has_special_selector, lambda: ["a", label(__hash__=None)]),
              "eq": (w.get_df_code, lambda: [label(__hash__=lambda self: hash(ALL), __eq__=None)]),
              "repr": (w.get_columns_code, lambda: ["a", label(__repr__=None)]),
              "str": (w.get_columns_code, lambda: names("__str__")),
              "format": (w.get_columns_code, lambda: names("__format__")),
              "len": (w.get_df_code, lambda: names("__len__")),
              "on_change": (lambda: (host.log.clear(), w._selection_changed()), lambda: ["a", ALL])}
    if case in chosen:
        w._main_selector.value = chosen[case][1]()
        if case == "on_change":
            w.on_change = raising(err)
            return chosen[case][0], w.on_change
        return chosen[case][0], w._main_selector.value
    if case == "get_df":
        host.transformation.get_df = raising(err)
        return build, host.transformation.get_df
    if case == "columns":
        host.transformation.df = types.SimpleNamespace(columns=type("Cols", (), {"__iter__": lambda _: midway(err)})())
        return build, host.transformation.df.columns
    if case == "flag":
        flag = label(__bool__=None)
        return lambda: build(flag), flag
    if case == "assign":
        w._main_selector = Assigned(host.log, [], err)
        return lambda: setattr(w, "value", ["a"]), w._main_selector
    w._set_special_selector(ALL)  # "evaluation": the host cannot evaluate the column list
    host.transformation.result = err
    return lambda: w.value, w._special_selector


@pytest.mark.parametrize("case", ["hash", "eq", "repr", "str", "format", "len", "get_df", "columns", "flag",
                                  "on_change", "assign", "evaluation"])
def test_bad_input_reaches_the_caller_unchanged(cs, host, make, weak_widget_registry, case):
    w = make("a")
    err = LookupError(case)
    action, involved = bad_case(case, cs, host, w, err)

    def once():
        try:
            action()
        except LookupError as caught:
            assert caught is err
            caught.__traceback__ = None
        else:
            pytest.fail("no error")

    once()
    assert ("on_change",) not in host.log
    if case == "on_change":  # the rebuild happened before the callback failed
        assert type(w._main_selector) is host.Singleselect and type(w._special_selector) is cs.AllColumns
    # Widgets that the host builds on the way are dropped with the last reference to them.
    watched = [err, involved, w, host.transformation]
    gc.collect()
    before = [sys.getrefcount(obj) for obj in watched]
    for _ in range(100):
        once()
    gc.collect()
    assert [sys.getrefcount(obj) for obj in watched] == before


@pytest.mark.parametrize("label", [None, ALL, TOP[0], TOP[1], BOTTOM[-1]])
def test_a_discarded_widget_is_freed(cs, host, weak_widget_registry, label):
    host.transformation.df = frame("a")
    w = cs.ColumnsSelector(host.transformation, on_change=host.on_change)
    if label:
        w.value = ["a", label]
        assert w._special_selector.manager is w
    ref = weakref.ref(w)
    host.log.clear()
    del w
    gc.collect()
    assert ref() is None
