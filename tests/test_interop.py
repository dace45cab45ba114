"""The module's methods behave like functions written in Python: binding, errors, super()."""

import inspect
import types

import pytest

SIGNATURES = [
    ("SpecialSelector", "__init__", "self, manager=None, on_change=None, **kwargs"),
    ("ColumnsByRegex", "__init__", "self, **kwargs"),
    ("SpecialSelector", "get_df_code", "self"),
    ("ColumnsSelector", "_selection_changed", "self, *args"),
    ("ColumnsSelector", "__init__", "self, transformation=None, show_all_columns=True, "
     "set_all_columns_as_default=False, width='md', focus_after_init=False, css_classes=None, on_change=None"),
]
BAD_CALLS = {
    "nothing": lambda f: f(),
    "too-many-positional": lambda f: f(1, 2, 3, 4, 5, 6, 7, 8, 9),
    "unexpected-keyword-first": lambda f: f(1, 2, 3, 4, 5, 6, 7, 8, 9, bad=1),
    "multiple-values": lambda f: f(1, self=2),
    "unexpected-keyword": lambda f: f(1, no_such=1),
}


def refused_calls():
    """Each bad call with the message a Python function of the same signature gives for it."""
    for class_name, method, params in SIGNATURES:
        namespace = {}
        exec(f"def {method}({params}): pass", namespace)
        twin = namespace[method]
        twin.__qualname__ = f"{class_name}.{method}"
        for name, bad_call in BAD_CALLS.items():
            try:
                bad_call(twin)
            except TypeError as error:
                yield pytest.param(class_name, method, bad_call, str(error), id=f"{class_name}.{method}-{name}")


@pytest.mark.parametrize("class_name, method, bad_call, message", list(refused_calls()))
def test_argument_errors_read_as_the_interpreters_own(cs, class_name, method, bad_call, message):
    with pytest.raises(TypeError) as excinfo:
        bad_call(vars(getattr(cs, class_name))[method])
    assert str(excinfo.value) == message


def test_functions_bind_and_describe_themselves_like_python_functions(cs):
    function = vars(cs.AllColumns)["get_df_code"]
    selector = cs.AllColumns()
    assert cs.AllColumns.get_df_code is function and function.__get__(None, cs.AllColumns) is function
    assert isinstance(selector.get_df_code, types.MethodType) and selector.get_df_code.__func__ is function
    assert function(selector) == selector.get_df_code() == "df"
    assert repr(function).startswith("<function AllColumns.get_df_code at 0x")
    create = cs.ColumnsSelector._create_multi_select
    assert (create.__name__, create.__qualname__, create.__module__, create.__doc__) == (
        "_create_multi_select", "ColumnsSelector._create_multi_select", "ostrel.transformations.columns_selector",
        None)
    assert create.__globals__ is vars(cs)
    value, focus, classes = create.__defaults__
    assert (value, focus, classes) == ([], True, []) and value is not classes
    methods = create, cs.ColumnsSelector._selection_changed, cs.ColumnsByRegex.__init__
    assert [str(inspect.signature(f)) for f in methods] == [
        "(self, value=[], focus_after_init=True, css_classes=[])", "(self, *args)", "(self, **kwargs)"]
    with pytest.raises(TypeError, match="cannot create 'ostrel.transformations.columns_selector.function' instances"):
        type(function)()


def test_init_reaches_the_next_class_in_the_mro_as_super_does(cs, host):
    seen = []

    class Mixin(cs.SpecialSelector):
        def __init__(self, **kwargs):
            seen.append(sorted(kwargs))
            super().__init__(**kwargs)

    class Both(cs.ColumnsByRegex, Mixin):
        def __init__(self, **kwargs):
            super().__init__(**kwargs)
            seen.append("after")

    selector = Both(manager=host.manager, on_change=host.on_change)
    assert seen == [["manager", "on_change"], "after"]
    assert selector.manager is host.manager and selector.children == (selector.text,)
