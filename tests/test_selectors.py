"""Special selectors and the module frame: code texts, widget builds, order of work, errors, vocabulary."""

import builtins

import ipywidgets as widgets
import pytest

FAMILIES = [row.split("|") for row in (  # whole-frame selector|data-type label|select_dtypes argument
    "NumericColumns|Numeric|'number'", "StringOrObjectColumns|String/Text or Object|['string', 'object']",
    "StringColumns|String only|'string'", "ObjectColumns|Object only|'object'",
    "CategoryColumns|Categoric/Factor|'category'", "IntegerColumns|Integer|'int'", "FloatColumns|Float|'float'",
    "BooleanColumns|Boolean|'bool'", "DatetimeColumns|Datetime|'datetime'", "TimedeltaColumns|Timedelta|'timedelta'")]
LISTED = {label: arg if arg[0] == "[" else f"[{arg}]" for _, label, arg in FAMILIES}  # the data-type argument
WHOLE = ["AllColumns", *[row[0] for row in FAMILIES]]
NAME_OPS = {"ColumnsThatStartWith": "startswith", "ColumnsThatEndWith": "endswith", "ColumnsThatContain": "contains"}
TEXTS = {"ColumnsByRegex": "Regex, e.g. e$",
         **dict.fromkeys(["ColumnsByStringOperation", *NAME_OPS], "String, e.g. foo")}
CODES = [  # selector, text typed or data type picked, get_df_code (name operations: the str call)
    ("AllColumns", None, "df"), *[(n, None, f"df.select_dtypes({arg})") for n, _, arg in FAMILIES],
    *[("ColumnsWithDtype", label, f"df.select_dtypes({LISTED[label]})") for _, label, _ in FAMILIES],
    ("ColumnsByRegex", "_a$", "df.filter(regex='_a$')"), ("ColumnsByRegex", "", "df.filter(regex='^$')"),
    ("ColumnsByRegex", "it's", "df.filter(regex=\"it's\")"), ("ColumnsThatStartWith", "d", "startswith('d')"),
    ("ColumnsThatEndWith", "_b", "endswith('_b')"), ("ColumnsThatContain", "'", "contains(\"'\")")]


class Spy:
    """Logs attribute reads, == (first letters equal), format() and str() (both give its name); or raises `error`."""
    def __init__(self, name, log=None, error=None, **attrs):
        self.name, self.log, self.error, self.attrs = name, log, error, attrs

    def __call__(self, *event, **kwargs):
        if self.error:
            raise self.error
        self.log is None or self.log.append(event)

    def __getattr__(self, attr):
        return self("get", self.name, attr) or self.attrs[attr]

    def __eq__(self, other):
        return self("eq", self.name) or self.name[0] == other.name[0]

    def __format__(self, spec):
        return self("format", self.name, spec) or self.name

    def __str__(self):  # where the interpreter's str() is meant, not format()
        return self("str", self.name) or self.name


@pytest.mark.parametrize("name, value, code", CODES)
def test_code_texts(cs, host, monkeypatch, name, value, code):
    """Exact texts; what pandas makes of them is tests/test_real_data.py's, leaks are the soak's."""
    real = cs.string_to_code
    monkeypatch.setattr(cs, "DF_OLD", Spy("df"))
    monkeypatch.setattr(cs, "string_to_code", lambda text: Spy(real(text)))
    selector = getattr(cs, name)(manager=host.manager, on_change=host.on_change)
    for child in selector.children:
        child.value = value
    selector.string_operation = "ignored"  # read from the class, never from the object
    op = f"df.columns.str.{code}"
    expected = [f"df.loc[:, {op}]", f"df.columns[{op}]"] if name in NAME_OPS else [code, code + ".columns"]
    assert [selector.get_df_code(), selector.get_columns_code()] == expected
    monkeypatch.delattr(cs, "DF_OLD")  # looked up at each call, in the module, then in builtins
    pytest.raises(NameError, selector.get_df_code).match("^name 'DF_OLD' is not defined$")
    monkeypatch.setattr(builtins, "DF_OLD", "bdf", raising=False)
    assert selector.get_df_code() == expected[0].replace("df", "bdf")


LABELS = dict(zip("""ALL_COLUMNS COLUMNS_WITH_DTYPE COLUMNS_BY_REGEX NUMERIC_COLUMNS STRING_OR_OBJECT_COLUMNS
    STRING_COLUMNS OBJECT_COLUMNS CATEGORY_COLUMNS INTEGER_COLUMNS FLOAT_COLUMNS BOOLEAN_COLUMNS DATETIME_COLUMNS
    TIMEDELTA_COLUMNS COLUMNS_THAT_START_WITH COLUMNS_THAT_END_WITH COLUMNS_THAT_CONTAIN""".split(), (
    "[All columns]|[Columns with data type]|[Columns that match regex]|[Numeric columns]|"
    "[String/Text or Object columns]|[String-only columns]|[Object-only columns]|[Categoric/Factor columns]|"
    "[Integer columns]|[Float columns]|[Boolean columns]|[Datetime columns]|[Timedelta columns]|"
    "[Columns that start with]|[Columns that end with]|[Columns that contain]").split("|")))
CLASSES_BY_LABEL = ["AllColumns", "ColumnsByRegex", "ColumnsWithDtype", *WHOLE[1:], *NAME_OPS]


def test_vocabulary_registry_and_module_order(cs, load_order):
    names, texts = list(LABELS), list(LABELS.values())
    assert [getattr(cs, name) for name in names] == texts
    registry = list(zip([texts[0], texts[2], texts[1], *texts[3:]], [getattr(cs, c) for c in CLASSES_BY_LABEL]))
    assert (cs.TOP_OPTIONS, cs.BOTTOM_OPTIONS, list(cs.SELECTOR_OPTIONS.items())) == (texts[1:3], texts[3:], registry)
    assert [str(row) for row in cs.DTYPE_OPTIONS] == [f"('{label}', {arg})" for label, arg in LISTED.items()]
    assert [name for name in load_order if not name.startswith("__")] == [
        "widgets", "DF_OLD", "OstrelError", "string_to_code", "Multiselect", "Singleselect", "Text", *names,
        "TOP_OPTIONS", "BOTTOM_OPTIONS", "SpecialSelector", "DropdownItemSpecialSelector", *WHOLE, "DTYPE_OPTIONS",
        "ColumnsWithDtype", "ColumnsByRegex", "ColumnsByStringOperation", *NAME_OPS, "SELECTOR_OPTIONS",
        "ColumnsSelector"]


CLASSES = [  # class, base, docstring, members in definition order
    ("SpecialSelector", "VBox", None, "__init__ columns focus_dropdown get_columns_code get_df_code"),
    ("DropdownItemSpecialSelector", "SpecialSelector", None, "focus_dropdown"),
    *[(n, "DropdownItemSpecialSelector", None, "get_df_code") for n in WHOLE],
    ("ColumnsWithDtype", "SpecialSelector", 'Handles "selecting columns by data type".', "__init__ get_df_code"),
    ("ColumnsByRegex", "SpecialSelector", 'Handles "selecting columns matching regex pattern".',
     "__init__ get_df_code"),
    ("ColumnsByStringOperation", "SpecialSelector", '\n    Handles "select columns that start/end with / contain".\n\n'
     "    The specific string operation used for selecting columns is defined by self's children.\n    ",
     "string_operation __init__ get_df_code get_columns_code"),
    *[(n, "ColumnsByStringOperation", None, "string_operation") for n in NAME_OPS]]


@pytest.mark.parametrize("name, base, doc, members", CLASSES)
def test_class_shape_construction_and_base_behaviour(cs, host, monkeypatch, name, base, doc, members):
    cls, base, namespace, members = getattr(cs, name), getattr(cs, base, widgets.VBox), {}, members.split()
    exec(f"class {name}(base):\n    {doc!r}\n" + "".join(f"    {m} = 0\n" for m in members), {"base": base}, namespace)
    assert (cls.__bases__, type(cls), cls.__module__, cls.__qualname__, cls.__doc__) == (
        (base,), type(base), cs.__name__, name, doc)
    # What the same class statement in Python holds, less what 3.13 adds about the statement's source.
    new_in_313 = ("__firstlineno__", "__static_attributes__")
    assert list(vars(cls)) == [k for k in vars(namespace[name]) if k not in new_in_313]
    assert vars(cls).get("string_operation") == {**NAME_OPS, "ColumnsByStringOperation": "TO BE OVERRIDEN"}.get(name)
    init, shown, m, on = widgets.VBox.__init__, widgets.Label(), host.manager, host.on_change
    monkeypatch.setattr(widgets.VBox, "__init__", lambda self, *args, **kwargs: host.log.append(
        ("VBox", args, kwargs, self.manager, self.on_change)) or init(self, *args, **kwargs))
    selector = cls(on_change=on, children=[shown], manager=m)  # the host's Text and Singleselect are bound after load
    built = {"ColumnsWithDtype": [("Singleselect", [
        ("options", list(LISTED)), ("placeholder", "Data type"), ("focus_after_init", True),
        ("set_soft_value", True), ("width", "md"), ("on_change", on)])]}.get(name, [("Text", [
            ("placeholder", TEXTS.get(name)), ("focus_after_init", True), ("width", "sm"),
            ("execute", host.transformation), ("on_change", on)])] if name in TEXTS else [])
    assert host.log[:1] + [(event[0], list(event[1].items())) for event in host.log[1:]] == [
        ("VBox", (), {"children": [shown]}, m, on), *built]
    assert selector.children == (getattr(selector, "data_type", getattr(selector, "text", shown)),)
    assert selector.focus_dropdown() is (name == "DropdownItemSpecialSelector" or name in WHOLE)
    if "__init__" in members and name != "SpecialSelector":  # keyword arguments only
        exec(f"class {name}:\n    def __init__(self, **kwargs): pass", namespace)
        with pytest.raises(TypeError) as expected:
            namespace[name](m)
        assert str(pytest.raises(TypeError, cls, m).value) == str(expected.value)
    if name == "ColumnsWithDtype":  # no label matches the value None
        pytest.raises(IndexError, selector.get_df_code).match("^list index out of range$")
    if name.endswith("SpecialSelector"):  # defaults, and get_df_code left to subclasses
        assert (cls().manager, cls().children, cls().on_change()) == (None, (), None)
        pytest.raises(NotImplementedError, cls().get_columns_code).match("^$")
