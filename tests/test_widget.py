"""ColumnsSelector against the recording fakes: layout, builds and call order (hostile input: test_fuzz.py)."""

import types

import ipywidgets as widgets
import pytest

ALL, NUMERIC, REGEX = "[All columns]", "[Numeric columns]", "[Columns that match regex]"
HSS, GCV = ("has_special_selector",), ("_get_current_values",)
CLASS_DOC = ("\n    A special dropdown that allows more complex selections which need additional input from the user."
             "\n\n    E.g. when the user selects \"columns of data type\", we ask for the data type with a separate"
             " input.\n    ")
MEMBERS = {  # in definition order, with their docstrings
    "__init__": "\n        :param show_all_columns: Do you want to show the \"Select all column\" option in the"
                " dropdown?\n        ",
    "has_special_selector": "Returns True if the user has selected a special selector.",
    "has_column_names": "Returns True if the user has selected one or more column names.",
    "_get_current_values": "\n        Helper for returning the selected options in the dropdown in the correct format."
                           "\n\n        :return: list. The selected element(s).\n        ",
    "_selection_changed": None, "_create_multi_select": None, "_set_special_selector": "Create the special selector.",
    "value": None, "get_df_code": None, "get_columns_code": None}


def norm(log):
    """The log with each keyword dict spelled out as (keyword, value, type of value), in its order."""
    return [(*e[:-1], [(k, v, type(v)) for k, v in e[-1].items()]) if isinstance(e[-1], dict) else e for e in log]


def build(w, value, focus, soft=None, css=()):
    """The expected build of a main dropdown: a Multiselect, or a Singleselect when soft is given."""
    kind, soft, css = ("Multiselect", {}, [*css]) if soft is None else (
        "Singleselect", {"set_soft_value": soft}, ["ostrel-columns-selector-special", *css])
    return kind, dict(placeholder="Choose column(s)", options=w._options, value=value, focus_after_init=focus, **soft,
                      width=w.width, on_change=w._selection_changed, css_classes=css)


@pytest.fixture
def make(cs, host):
    """Widget factory on a frame of the given labels; make.cls logs every call of its methods made through self."""
    def tracer(name):
        def method(self, *args, **kwargs):
            host.log.append((name, args, kwargs) if args or kwargs else (name,))
            return getattr(super(make.cls, self), name)(*args, **kwargs)
        return method

    def make(*labels, **kwargs):
        host.transformation.df = types.SimpleNamespace(columns=list(labels))
        w = make.cls(host.transformation, on_change=host.on_change, **kwargs)
        host.log.clear()
        return w
    make.cls = type("Traced", (cs.ColumnsSelector,), {name: tracer(name) for name in [*MEMBERS][1:7]})
    return make


def test_class_layout(cs):
    C, prop = cs.ColumnsSelector, vars(cs.ColumnsSelector)["value"]
    plain = vars(type("Plain", (widgets.VBox,), {})).keys() - {"__module__", "__doc__"}  # what any such class holds
    assert (C.__bases__, type(C), C.__module__, C.__qualname__, C.__doc__) == (
        (widgets.VBox,), type(widgets.VBox), "ostrel.transformations.columns_selector", "ColumnsSelector", CLASS_DOC)
    assert [name for name in vars(C) if name not in plain] == ["__module__", "__doc__", *MEMBERS]
    assert (type(prop), prop.fdel, prop.__doc__) == (property, None, None)
    names = ["value", "value", *[name for name in MEMBERS if name != "value"]]
    assert [(f.__name__, f.__qualname__, f.__doc__) for f in [prop.fget, prop.fset, *map(vars(C).get, names[2:])]] == [
        (name, "ColumnsSelector." + name, MEMBERS[name]) for name in names]


@pytest.mark.parametrize("positional", [False, True])
@pytest.mark.parametrize("given, labels, head", [
    ({}, (0, 1, 0, NUMERIC, ALL), [ALL]),
    ({"show_all_columns": "", "width": "sm", "focus_after_init": 1, "css_classes": ["k"]}, ("a", "b"), []),
    ({"show_all_columns": 0, "set_all_columns_as_default": [1], "focus_after_init": 1, "css_classes": ["k"]}, (),
     [ALL])])
def test_construction(cs, host, make, positional, given, labels, head):
    keys = ["show_all_columns", "set_all_columns_as_default", "width", "focus_after_init", "css_classes"]
    _, start_all, width, focus, css = args = [given.get(k, d) for k, d in zip(keys, [True, False, "md", False, []])]
    host.transformation.df = df = types.SimpleNamespace(columns=list(labels))
    w = make.cls(host.transformation, *args, host.on_change) if positional else make.cls(host.transformation, **given)
    main, special, kwargs = w._main_selector, getattr(w, "_special_selector", None), host.log[2][1]
    call = ("_set_special_selector", (), {"special_name": ALL, "set_soft_value": True, "css_classes": css}) \
        if start_all else ("_create_multi_select", (), {"focus_after_init": focus, "css_classes": css})
    dropdown = build(w, ALL, True, True, css) if start_all else build(w, [], focus, None, css)
    assert norm(host.log) == norm([("get_df",), call, dropdown])
    assert kwargs["options"] is w._options == [*head, *cs.TOP_OPTIONS, *labels, *cs.BOTTOM_OPTIONS] and w.width == width
    assert w.transformation is host.transformation and w.df is df and ("css_classes" not in given or (
        (kwargs["css_classes"] is css) != bool(start_all) and css == ["k"]))
    assert type(main) is (host.Singleselect if start_all else host.Multiselect)
    assert w.children == (main, special)[:1 + bool(start_all)]
    assert special is None if not start_all else (type(special), special.manager, special.on_change,
                                                  special.children) == (cs.AllColumns, w, w.on_change, ())
    assert (w.on_change is host.on_change) if positional else (w.on_change() is None)


@pytest.mark.parametrize("args", [(), ("change", {"new": 1}), None])
@pytest.mark.parametrize("start, chosen, rebuilt", [("names", [], None), ("names", ["b", "a"], None), (
    "names", ["a", REGEX, ALL], REGEX), ("special", NUMERIC, NUMERIC), ("special", "b", "names")])
def test_selection_changed(cs, host, make, args, start, chosen, rebuilt):
    w = make("a", "b", css_classes=["mine"], set_all_columns_as_default=start == "special")
    main, children, special = w._main_selector, w.children, getattr(w, "_special_selector", None)
    (w if args is None else w._main_selector).value = chosen  # args None: the value setter runs the handler
    assert args is None or w._selection_changed(*args) is None
    inner = [event for event in host.log if event[0] == "Text"]  # the regex selector builds its own input
    rebuild = {None: [], "names": [GCV, ("_create_multi_select", (), {"value": [chosen]}), build(w, [chosen], True)]}
    assert len(inner) == (rebuilt == REGEX) and norm(host.log) == norm([
        ("_selection_changed", *((args, {}) if args else ())), HSS, GCV, *rebuild.get(rebuilt, [
            ("_set_special_selector",), GCV, *inner, build(w, rebuilt, rebuilt != REGEX, False)]), ("on_change",)])
    new, shown, kept = getattr(w, "_special_selector", None), w._main_selector, rebuilt in (None, "names")
    assert (shown is main) == (rebuilt is None) and type(shown) is (host.Multiselect if kept else host.Singleselect)
    assert w.children == (children if rebuilt is None else (shown,) if kept else (shown, new))
    assert (new is special) if kept else (type(new) is cs.SELECTOR_OPTIONS[rebuilt] and new is not special and (
        new.manager, new.on_change) == (w, host.on_change))


def test_mode_is_worked_out_afresh_from_the_dropdown(cs, host, make, monkeypatch):
    w, reads = make("a", "b"), []
    registry = type("Registry", (dict,), {"keys": lambda self: reads.append("keys") or dict.keys(self)})
    monkeypatch.setattr(cs, "SELECTOR_OPTIONS", registry(cs.SELECTOR_OPTIONS))
    w._main_selector.value = chosen = ["a", NUMERIC, ALL]
    assert w.has_special_selector() is True and reads == ["keys", "keys"]  # read per item, up to the first label
    w._main_selector.value = names = ["b", "a"]
    assert w._get_current_values() is names and w.value is names and w.has_column_names() is True
    w._main_selector = type("Sub", (host.Multiselect,), {})(value=chosen)  # no Multiselect by exact class
    assert w._get_current_values() == [chosen]
    w._set_special_selector(ALL)
    assert w.value == ["x", "y"] and w.value is not w.value  # a new list of what the host evaluates
