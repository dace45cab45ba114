"""The module's methods: those with parameters behave like functions written in Python; those that take self
alone are the interpreter's own method descriptors. Both copy and pickle. (Names, docstrings, signatures, refused
calls and traceback entries are compared with the twin by test_fuzz.py.)"""

import copy
import inspect
import pickle
import pydoc
import types

import pytest

import ostrel.transformations.columns_selector as cs


def test_functions_bind_like_python_functions():
    cls = cs.ColumnsSelector
    function, widget = vars(cls)["_create_multi_select"], cls.__new__(cls)
    assert cls._create_multi_select is function and function.__get__(None, cls) is function
    bound = widget._create_multi_select
    assert isinstance(bound, types.MethodType) and bound.__func__ is function
    assert repr(function).startswith("<function ColumnsSelector._create_multi_select at 0x")
    assert function.__globals__ is vars(cs) and type(function).__module__ == cs.__name__
    methods = function, cs.ColumnsSelector._selection_changed, cs.ColumnsByRegex.__init__
    assert [copy.deepcopy(f) for f in methods] == [pickle.loads(pickle.dumps(f)) for f in methods] == list(methods)
    with pytest.raises(TypeError, match=f"^cannot create '{cs.__name__}.compiled_function' instances$"):
        type(function)()


@pytest.mark.parametrize("cls, name", [("AllColumns", "get_df_code"), ("ColumnsSelector", "has_column_names")])
def test_methods_of_self_alone_are_the_interpreters_own(cls, name):
    cls = getattr(cs, cls)
    method = vars(cls)[name]
    assert type(method) is type(str.upper) and method.__objclass__ is cls
    assert str(inspect.signature(method)) == "(self, /)"
    assert f"{name}(self, /)" in pydoc.render_doc(method, renderer=pydoc.plaintext)
    assert copy.deepcopy(method) is pickle.loads(pickle.dumps(method)) is method
    with pytest.raises(TypeError, match=f"'{name}' .*'{cls.__name__}'.* 'int' object"):
        method(1)  # self is checked, as for any method of a built-in class
