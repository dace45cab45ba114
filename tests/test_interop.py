"""The module's methods: those with parameters behave like functions written in Python (binding, errors,
super()); those that take self alone are the interpreter's own method descriptors. Both copy and pickle."""

import copy
import inspect
import pickle
import pydoc
import re
import traceback
import types

import pytest

SIGNATURES = [
    ("SpecialSelector", "__init__", "self, manager=None, on_change=None, **kwargs"),
    ("ColumnsByRegex", "__init__", "self, **kwargs"),
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
    cls = cs.ColumnsSelector
    function, widget = vars(cls)["_create_multi_select"], cls.__new__(cls)
    assert cls._create_multi_select is function and function.__get__(None, cls) is function
    bound = widget._create_multi_select
    assert isinstance(bound, types.MethodType) and bound.__func__ is function
    assert repr(function).startswith("<function ColumnsSelector._create_multi_select at 0x")
    assert (function.__name__, function.__qualname__, function.__module__, function.__doc__) == (
        "_create_multi_select", "ColumnsSelector._create_multi_select", "ostrel.transformations.columns_selector",
        None)
    assert function.__globals__ is vars(cs) and type(function).__module__ == "ostrel.transformations.columns_selector"
    value, focus, classes = function.__defaults__
    assert (value, focus, classes) == ([], True, []) and value is not classes
    methods = function, cs.ColumnsSelector._selection_changed, cs.ColumnsByRegex.__init__
    assert [str(inspect.signature(f)) for f in methods] == [
        "(self, value=[], focus_after_init=True, css_classes=[])", "(self, *args)", "(self, **kwargs)"]
    assert [copy.deepcopy(f) for f in methods] == [pickle.loads(pickle.dumps(f)) for f in methods] == list(methods)
    message = "cannot create 'ostrel.transformations.columns_selector.compiled_function' instances"
    with pytest.raises(TypeError, match=f"^{re.escape(message)}$"):
        type(function)()


@pytest.mark.parametrize("cls, name, doc", [("AllColumns", "get_df_code", None), (
    "ColumnsSelector", "has_column_names", "Returns True if the user has selected one or more column names.")])
def test_methods_of_self_alone_are_the_interpreters_own(cs, cls, name, doc):
    cls = getattr(cs, cls)
    method = vars(cls)[name]
    assert type(method) is type(str.upper) and (method.__objclass__, method.__qualname__, method.__doc__) == (
        cls, f"{cls.__name__}.{name}", doc)
    shown = pydoc.render_doc(method, renderer=pydoc.plaintext)
    assert str(inspect.signature(method)) == "(self, /)" and f"{name}(self, /)" in shown
    assert copy.deepcopy(method) is pickle.loads(pickle.dumps(method)) is method
    with pytest.raises(TypeError, match=f"'{name}' .*'{cls.__name__}'.* 'int' object"):
        method(1)  # self is checked, as for any method of a built-in class


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


def test_a_failing_method_shows_in_the_traceback(cs, host):
    """Each method the error passes through adds its entry, outermost first, then the user's code."""
    host.transformation.df = types.SimpleNamespace(columns=["a"])
    selector = cs.ColumnsSelector(host.transformation, on_change=lambda: {}["boom"])
    with pytest.raises(KeyError) as excinfo:
        selector.value = []
    entries = [(entry.filename, entry.name) for entry in traceback.extract_tb(excinfo.value.__traceback__)][1:]
    assert entries[:2] == [("<ostrel.transformations.columns_selector>", "ColumnsSelector.value"),
                           ("<ostrel.transformations.columns_selector>", "ColumnsSelector._selection_changed")]
    assert entries[2][1] == "<lambda>" and len(entries) == 3
