"""The module frame: option vocabulary, data-type table, shape of the selector classes and the
lookup of module-level names when a selector method runs."""

import builtins

import ipywidgets as widgets
import pytest

import fakes

LABELS = [
    ("ALL_COLUMNS", "[All columns]"),
    ("COLUMNS_WITH_DTYPE", "[Columns with data type]"),
    ("COLUMNS_BY_REGEX", "[Columns that match regex]"),
    ("NUMERIC_COLUMNS", "[Numeric columns]"),
    ("STRING_OR_OBJECT_COLUMNS", "[String/Text or Object columns]"),
    ("STRING_COLUMNS", "[String-only columns]"),
    ("OBJECT_COLUMNS", "[Object-only columns]"),
    ("CATEGORY_COLUMNS", "[Categoric/Factor columns]"),
    ("INTEGER_COLUMNS", "[Integer columns]"),
    ("FLOAT_COLUMNS", "[Float columns]"),
    ("BOOLEAN_COLUMNS", "[Boolean columns]"),
    ("DATETIME_COLUMNS", "[Datetime columns]"),
    ("TIMEDELTA_COLUMNS", "[Timedelta columns]"),
    ("COLUMNS_THAT_START_WITH", "[Columns that start with]"),
    ("COLUMNS_THAT_END_WITH", "[Columns that end with]"),
    ("COLUMNS_THAT_CONTAIN", "[Columns that contain]"),
]
LABEL_NAMES = [name for name, _ in LABELS]
TOP = ["[Columns with data type]", "[Columns that match regex]"]
BOTTOM = [text for _, text in LABELS[3:]]

WHOLE_FRAME = ["AllColumns", "NumericColumns", "StringOrObjectColumns", "StringColumns",
               "ObjectColumns", "CategoryColumns", "IntegerColumns", "FloatColumns",
               "BooleanColumns", "DatetimeColumns", "TimedeltaColumns"]
NAME_OPERATIONS = ["ColumnsThatStartWith", "ColumnsThatEndWith", "ColumnsThatContain"]

# Label -> class name, in the registry's own order (regex before data type).
REGISTRY = [("[All columns]", "AllColumns"),
            ("[Columns that match regex]", "ColumnsByRegex"),
            ("[Columns with data type]", "ColumnsWithDtype"),
            *zip(BOTTOM, WHOLE_FRAME[1:] + NAME_OPERATIONS)]

DTYPES = [("Numeric", ["number"]), ("String/Text or Object", ["string", "object"]),
          ("String only", ["string"]), ("Object only", ["object"]),
          ("Categoric/Factor", ["category"]), ("Integer", ["int"]), ("Float", ["float"]),
          ("Boolean", ["bool"]), ("Datetime", ["datetime"]), ("Timedelta", ["timedelta"])]

STRING_OPERATION_DOC = (
    '\n    Handles "select columns that start/end with / contain".\n\n'
    "    The specific string operation used for selecting columns is defined by self's children.\n    "
)
# (class, base, docstring, members in definition order)
CLASSES = [
    ("SpecialSelector", "VBox", None,
     ["__init__", "columns", "focus_dropdown", "get_columns_code", "get_df_code"]),
    ("DropdownItemSpecialSelector", "SpecialSelector", None, ["focus_dropdown"]),
    *[(name, "DropdownItemSpecialSelector", None, ["get_df_code"]) for name in WHOLE_FRAME],
    ("ColumnsWithDtype", "SpecialSelector", 'Handles "selecting columns by data type".',
     ["__init__", "get_df_code"]),
    ("ColumnsByRegex", "SpecialSelector", 'Handles "selecting columns matching regex pattern".',
     ["__init__", "get_df_code"]),
    ("ColumnsByStringOperation", "SpecialSelector", STRING_OPERATION_DOC,
     ["string_operation", "__init__", "get_df_code", "get_columns_code"]),
    *[(name, "ColumnsByStringOperation", None, ["string_operation"]) for name in NAME_OPERATIONS],
]
STRING_OPERATIONS = {"ColumnsByStringOperation": "TO BE OVERRIDEN", "ColumnsThatStartWith": "startswith",
                     "ColumnsThatEndWith": "endswith", "ColumnsThatContain": "contains"}


def test_module_attributes_are_bound_in_load_order(load_order):
    order = ["widgets", "DF_OLD", "OstrelError", "string_to_code", "Multiselect", "Singleselect", "Text",
             *LABEL_NAMES, "TOP_OPTIONS", "BOTTOM_OPTIONS", "SpecialSelector", "DropdownItemSpecialSelector",
             *WHOLE_FRAME, "DTYPE_OPTIONS", "ColumnsWithDtype", "ColumnsByRegex", "ColumnsByStringOperation",
             *NAME_OPERATIONS, "SELECTOR_OPTIONS", "ColumnsSelector"]
    assert [name for name in load_order if not name.startswith("__")] == order


def test_labels_have_their_exact_texts(cs):
    assert [(name, getattr(cs, name)) for name in LABEL_NAMES] == LABELS
    assert {type(getattr(cs, name)) for name in LABEL_NAMES} == {str}


def test_top_and_bottom_options_hold_the_label_strings(cs):
    assert type(cs.TOP_OPTIONS) is list and cs.TOP_OPTIONS == TOP
    assert type(cs.BOTTOM_OPTIONS) is list and cs.BOTTOM_OPTIONS == BOTTOM
    constants = [getattr(cs, name) for name in LABEL_NAMES]
    assert all(a is b for a, b in zip(cs.TOP_OPTIONS + cs.BOTTOM_OPTIONS, constants[1:]))


def test_selector_options_maps_each_label_to_its_class_in_order(cs):
    assert type(cs.SELECTOR_OPTIONS) is dict
    assert list(cs.SELECTOR_OPTIONS.items()) == [(label, getattr(cs, cls)) for label, cls in REGISTRY]
    assert [cls.__name__ for cls in cs.SELECTOR_OPTIONS.values()] == [cls for _, cls in REGISTRY]


@pytest.mark.parametrize("name", LABEL_NAMES + ["AllColumns", "ColumnsByRegex", "ColumnsThatContain"])
def test_rebinding_a_name_after_load_changes_no_list(cs, monkeypatch, name):
    registry = [(label, getattr(cs, cls)) for label, cls in REGISTRY]
    monkeypatch.setattr(cs, name, "[Rebound]")
    assert cs.TOP_OPTIONS == TOP
    assert cs.BOTTOM_OPTIONS == BOTTOM
    assert list(cs.SELECTOR_OPTIONS.items()) == registry


def test_dtype_options_rows(cs):
    table = cs.DTYPE_OPTIONS
    assert type(table) is list and table == DTYPES
    for label, names in table:
        assert type(label) is str and type(names) is list
        assert {type(name) for name in names} == {str}
    assert {type(row) for row in table} == {tuple} and {len(row) for row in table} == {2}
    assert len({id(names) for _, names in table}) == len(DTYPES)


def class_statement_keys(base, doc, members):
    """The keys of vars() of the class that a class statement with this base, docstring and
    members makes: where the docstring lands and what the metaclass adds come out the same."""
    body = ([repr(doc)] if doc is not None else []) + [f"{member} = None" for member in members]
    namespace = {"base": base}
    exec("class Reference(base):\n" + "".join(f"    {line}\n" for line in body), namespace)
    return list(vars(namespace["Reference"]))


@pytest.mark.parametrize("name, base, doc, members", CLASSES, ids=[row[0] for row in CLASSES])
def test_class_shape(cs, name, base, doc, members):
    cls = getattr(cs, name)
    base = widgets.VBox if base == "VBox" else getattr(cs, base)
    assert cls.__bases__ == (base,)
    assert type(cls) is type(widgets.VBox)
    assert (cls.__module__, cls.__name__, cls.__qualname__) == (
        "ostrel.transformations.columns_selector", name, name)
    assert cls.__doc__ == doc and vars(cls)["__doc__"] == doc
    assert list(vars(cls)) == class_statement_keys(base, doc, members)
    for member in members:
        value = vars(cls)[member]
        if member == "string_operation":
            assert type(value) is str and value == STRING_OPERATIONS[name]
            continue
        if member == "columns":
            assert type(value) is property
            assert (value.fset, value.fdel, value.__doc__) == (None, None, None)
            value = value.fget
        assert (value.__name__, value.__qualname__, value.__doc__) == (member, f"{name}.{member}", None)


# --- module-level names are looked up when a method runs ------------------------------------

def test_rebound_module_names_take_effect_at_the_next_call(cs, host, monkeypatch):
    regex = cs.ColumnsByRegex(manager=host.manager)
    regex.text.value = "x"
    dtype = cs.ColumnsWithDtype()
    dtype.data_type.value = "Numeric"
    monkeypatch.setattr(cs, "string_to_code", lambda text: f"<{text}>")
    monkeypatch.setattr(cs, "DTYPE_OPTIONS", [("Numeric", ["n"])])
    monkeypatch.setattr(cs, "DF_OLD", "frame")
    assert (regex.get_df_code(), dtype.get_df_code()) == ("frame.filter(regex=<x>)", "frame.select_dtypes(['n'])")
    for name in ("Text", "Singleselect"):
        monkeypatch.setattr(cs, name, fakes.recording_widget("Other" + name, host.log))
    host.log.clear()
    cs.ColumnsThatContain(manager=host.manager)
    cs.ColumnsWithDtype()
    assert host.log.names() == ["OtherText", "OtherSingleselect"]


CONCRETE = [cls for _, cls in REGISTRY] + ["ColumnsByStringOperation"]
MISSING = [*[("DF_OLD", name, "get_df_code") for name in CONCRETE],
           ("string_to_code", "ColumnsByRegex", "get_df_code"),
           ("string_to_code", "ColumnsThatEndWith", "get_columns_code"),
           ("DTYPE_OPTIONS", "ColumnsWithDtype", "get_df_code"),
           ("Text", "ColumnsByRegex", None), ("Text", "ColumnsThatContain", None),
           ("Singleselect", "ColumnsWithDtype", None)]


@pytest.mark.parametrize("missing, name, method", MISSING)
def test_missing_module_name_falls_back_to_builtins(cs, host, monkeypatch, missing, name, method):
    def run():
        selector = getattr(cs, name)(manager=host.manager, on_change=host.on_change)
        if name == "ColumnsWithDtype":
            selector.data_type.value = "Float"
        return getattr(selector, method)() if method else type(selector.children[0]).__name__

    replacement = {"DF_OLD": "bdf", "string_to_code": repr, "DTYPE_OPTIONS": [("Float", ["f"])]}.get(
        missing, getattr(cs, missing))
    normal = run()
    monkeypatch.delattr(cs, missing)
    with pytest.raises(NameError) as excinfo:
        run()
    assert str(excinfo.value) == f"name '{missing}' is not defined"
    monkeypatch.setattr(builtins, missing, replacement, raising=False)
    if missing == "DF_OLD":
        assert run() == normal.replace("df", "bdf")
    elif missing == "DTYPE_OPTIONS":
        assert run() == "df.select_dtypes(['f'])"
    else:
        assert run() == normal
