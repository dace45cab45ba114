"""The module's methods behave like functions written in Python: binding, descriptors, super()."""

import sys
import types

import ipywidgets as widgets
import pytest


def python_twin(qualname, params):
    """A Python function with the given signature text and qualified name, to compare errors with."""
    namespace = {}
    exec(f"def f({params}): pass", namespace)
    function = namespace["f"]
    function.__qualname__ = qualname
    function.__name__ = qualname.rsplit(".", 1)[-1]
    return function


def error_of(call):
    with pytest.raises(TypeError) as excinfo:
        call()
    return str(excinfo.value)


SIGNATURES = [
    ("SpecialSelector", "__init__", "self, manager=None, on_change=None, **kwargs"),
    ("ColumnsByRegex", "__init__", "self, **kwargs"),
    ("SpecialSelector", "get_df_code", "self"),
    ("ColumnsSelector", "_selection_changed", "self, *args"),
    ("ColumnsSelector", "_create_multi_select", "self, value=None, focus_after_init=True, css_classes=None"),
    ("ColumnsSelector", "__init__", "self, transformation=None, show_all_columns=True, "
     "set_all_columns_as_default=False, width='md', focus_after_init=False, css_classes=None, on_change=None"),
]

BAD_CALLS = {
    "nothing": lambda f: f(),
    "too-many-positional": lambda f: f(1, 2, 3, 4, 5, 6, 7, 8, 9),
    "unexpected-before-count": lambda f: f(1, 2, 3, 4, 5, 6, 7, 8, 9, bad=1),
    "multiple-values": lambda f: f(1, self=2),
    "unexpected-keyword": lambda f: f(1, **{"no_such": 1}),
    "both": lambda f: f(1, 2, 3, 4, 5, 6, 7, 8, transformation=1),
}


def refused_calls():
    """Each bad call with the message a Python function of the same signature gives for it."""
    for class_name, method, params in SIGNATURES:
        twin = python_twin(f"{class_name}.{method}", params)
        for name, bad_call in BAD_CALLS.items():
            try:
                bad_call(twin)
            except TypeError as error:
                yield pytest.param(class_name, method, bad_call, str(error), id=f"{class_name}.{method}-{name}")


@pytest.mark.parametrize("class_name, method, bad_call, message", list(refused_calls()))
def test_argument_errors_read_as_the_interpreters_own(cs, class_name, method, bad_call, message):
    function = vars(getattr(cs, class_name))[method]
    assert error_of(lambda: bad_call(function)) == message


def test_functions_bind_like_python_functions(cs, host):
    function = vars(cs.AllColumns)["get_df_code"]
    assert cs.AllColumns.get_df_code is function
    selector = cs.AllColumns()
    bound = selector.get_df_code
    assert isinstance(bound, types.MethodType)
    assert bound.__self__ is selector and bound.__func__ is function
    assert function(selector) == bound() == "df"
    assert function.__get__(None, cs.AllColumns) is function
    assert repr(function).startswith("<function AllColumns.get_df_code at 0x")


def test_function_attributes(cs):
    function = cs.ColumnsSelector._create_multi_select
    assert (function.__name__, function.__qualname__, function.__module__) == (
        "_create_multi_select", "ColumnsSelector._create_multi_select", "ostrel.transformations.columns_selector")
    assert function.__doc__ is None
    assert function.__globals__ is vars(cs)
    value, focus, classes = function.__defaults__
    assert value == [] and focus is True and classes == [] and value is not classes
    assert cs.ColumnsSelector._create_multi_select.__defaults__[0] is value  # made once


def test_function_type_cannot_be_instantiated_or_subclassed(cs):
    function_type = type(cs.SpecialSelector.focus_dropdown)
    with pytest.raises(TypeError, match="cannot create 'ostrel.transformations.columns_selector.function' instances"):
        function_type()
    with pytest.raises(TypeError):
        type("Sub", (function_type,), {})


def test_init_reaches_the_next_class_in_the_mro_as_super_does(cs, host):
    """A mixin between ColumnsByRegex and SpecialSelector in the MRO is initialised in its turn."""
    seen = []

    class Mixin(cs.SpecialSelector):
        def __init__(self, **kwargs):
            seen.append(sorted(kwargs))
            super().__init__(**kwargs)

    class Both(cs.ColumnsByRegex, Mixin):
        pass

    selector = Both(manager=host.manager, on_change=host.on_change)
    assert seen == [["manager", "on_change"]]
    assert selector.manager is host.manager and selector.children == (selector.text,)


def test_python_subclass_init_calls_module_init(cs, host):
    class Sub(cs.ColumnsThatContain):
        def __init__(self, **kwargs):
            super().__init__(**kwargs)
            self.extra = True

    selector = Sub(manager=host.manager)
    assert selector.extra and selector.get_df_code() == "df.loc[:, df.columns.str.contains('')]"


def test_module_names_are_read_when_a_method_runs(cs, monkeypatch):
    monkeypatch.delattr(cs, "DF_OLD")
    with pytest.raises(NameError) as excinfo:
        cs.AllColumns().get_df_code()
    assert str(excinfo.value) == "name 'DF_OLD' is not defined"
    monkeypatch.setattr("builtins.DF_OLD", "frame", raising=False)
    assert cs.AllColumns().get_df_code() == "frame"


def test_calls_leave_reference_counts_as_they_were(cs, host):
    manager, marker = host.manager, object()
    selector = cs.SpecialSelector(manager, marker)
    before = sys.getrefcount(manager), sys.getrefcount(marker), sys.getrefcount(cs.SpecialSelector.__init__)
    for _ in range(200):
        cs.SpecialSelector.__init__(selector, manager, marker)
        with pytest.raises(TypeError):
            cs.SpecialSelector.__init__(selector, manager, marker, manager=manager)
        selector.get_columns_code  # noqa: B018 - binding only
    after = sys.getrefcount(manager), sys.getrefcount(marker), sys.getrefcount(cs.SpecialSelector.__init__)
    assert after == before


def test_classes_are_made_by_the_widget_metaclass(cs):
    assert type(cs.SpecialSelector) is type(widgets.VBox)
    assert cs.SpecialSelector.__mro__[1] is widgets.VBox
