"""The module's classes written as plain Python, step for step: the other side of the benchmark, and the
oracle of the fuzz.

bench/bench_calls.py binds the same host stand-ins into this module and into the compiled one, then times
each method of both; this is the code a Python developer would write (f-strings, loops). tests/oracle.py runs
this same source as the fuzz's oracle, each f-string turned into the module's order (every piece evaluated, then
each turned into text), and compares every result, error, traceback entry and host call with the module's.
The vocabulary (labels, lists, data-type rows, the classes of the registry) is the compiled module's own.
"""

import ipywidgets as widgets

import ostrel.transformations.columns_selector as _cs

# Bound by the benchmark, as the load binds them from the host.
DF_OLD = string_to_code = OstrelError = Multiselect = Singleselect = Text = None

ALL_COLUMNS, TOP_OPTIONS, BOTTOM_OPTIONS = _cs.ALL_COLUMNS, _cs.TOP_OPTIONS, _cs.BOTTOM_OPTIONS
DTYPE_OPTIONS = _cs.DTYPE_OPTIONS
_REGISTRY = list(_cs.SELECTOR_OPTIONS.items())


class SpecialSelector(widgets.VBox):
    def __init__(self, manager=None, on_change=lambda: None, **kwargs):
        self.manager = manager
        self.on_change = on_change
        super().__init__(**kwargs)

    @property
    def columns(self):
        return self.manager.transformation.eval_code(self.get_columns_code())

    def focus_dropdown(self):
        return False

    def get_columns_code(self):
        return f"{self.get_df_code()!s}.columns"

    def get_df_code(self):
        raise NotImplementedError


class DropdownItemSpecialSelector(SpecialSelector):
    def focus_dropdown(self):
        return True


class AllColumns(DropdownItemSpecialSelector):
    def get_df_code(self):
        return f"{DF_OLD!s}"


def _family(name, names):
    """A data-type family: the whole frame's select_dtypes of one data-type row's names."""
    class Family(DropdownItemSpecialSelector):
        def get_df_code(self):
            return f"{DF_OLD!s}FRAGMENT"
    # The fragment is a constant of the method, as the literal of a hand-written class would be.
    fragment = f".select_dtypes({names[0]!r})" if len(names) == 1 else f".select_dtypes({names})"
    code = Family.get_df_code.__code__
    named = {"co_qualname": name + ".get_df_code"} if hasattr(code, "co_qualname") else {}  # a traceback's name
    Family.get_df_code.__code__ = code.replace(co_consts=tuple(
        fragment if c == "FRAGMENT" else c for c in code.co_consts), **named)
    Family.__name__ = Family.__qualname__ = name
    Family.get_df_code.__qualname__ = name + ".get_df_code"
    return Family


# The registry's whole-frame classes after AllColumns are the families, one per data-type row, in order.
_FAMILIES = [cls.__name__ for _, cls in _REGISTRY if cls.__bases__ == (_cs.DropdownItemSpecialSelector,)][1:]
globals().update({name: _family(name, names) for name, (_, names) in zip(_FAMILIES, DTYPE_OPTIONS)})


class ColumnsWithDtype(SpecialSelector):
    """Handles "selecting columns by data type"."""
    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.data_type = Singleselect(options=[row[0] for row in DTYPE_OPTIONS], placeholder="Data type",
                                      focus_after_init=True, set_soft_value=True, width="md",
                                      on_change=self.on_change)
        self.children = [self.data_type]

    def get_df_code(self):
        # An empty match raises IndexError, as the compiled module does.
        names = [row for row in DTYPE_OPTIONS if row[0] == self.data_type.value][0][1]  # noqa: RUF015
        return f"{DF_OLD}.select_dtypes({names})"


class ColumnsByRegex(SpecialSelector):
    """Handles "selecting columns matching regex pattern"."""
    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.text = Text(placeholder="Regex, e.g. e$", focus_after_init=True, width="sm",
                         execute=self.manager.transformation, on_change=self.on_change)
        self.children = [self.text]

    def get_df_code(self):
        pattern = "^$" if self.text.value == "" else self.text.value
        return f"{DF_OLD}.filter(regex={string_to_code(pattern)})"


class ColumnsByStringOperation(SpecialSelector):
    """
    Handles "select columns that start/end with / contain".

    The specific string operation used for selecting columns is defined by self's children.
    """
    string_operation = "TO BE OVERRIDEN"

    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.text = Text(placeholder="String, e.g. foo", focus_after_init=True, width="sm",
                         execute=self.manager.transformation, on_change=self.on_change)
        self.children = [self.text]

    def get_df_code(self):
        rendered = string_to_code(self.text.value)
        operation = self.__class__.string_operation
        return f"{DF_OLD}.loc[:, {DF_OLD}.columns.str.{operation}({rendered})]"

    def get_columns_code(self):
        rendered = string_to_code(self.text.value)
        operation = self.__class__.string_operation
        return f"{DF_OLD}.columns[{DF_OLD}.columns.str.{operation}({rendered})]"


def _name_operation(name, operation):
    class NameOperation(ColumnsByStringOperation):
        string_operation = operation
    NameOperation.__name__ = NameOperation.__qualname__ = name
    return NameOperation


globals().update({cls.__name__: _name_operation(cls.__name__, cls.string_operation) for _, cls in _REGISTRY
                  if cls.__bases__ == (_cs.ColumnsByStringOperation,)})

SELECTOR_OPTIONS = {label: globals()[cls.__name__] for label, cls in _REGISTRY}


def _special_classes(css_classes):
    # Made as the module makes it: while the keywords are collected, after Singleselect is looked up.
    classes = ["ostrel-columns-selector-special"]
    classes.extend(css_classes)
    return classes


class ColumnsSelector(widgets.VBox):
    """
    A special dropdown that allows more complex selections which need additional input from the user.

    E.g. when the user selects "columns of data type", we ask for the data type with a separate input.
    """
    def __init__(self, transformation=None, show_all_columns=True, set_all_columns_as_default=False, width="md",
                 focus_after_init=False, css_classes=[], on_change=lambda: None):  # noqa: B006 (shared, unchanged)
        """
        :param show_all_columns: Do you want to show the "Select all column" option in the dropdown?
        """
        super().__init__()
        self.transformation = transformation
        self.df = self.transformation.get_df()
        self.width = width
        self._options = []
        if show_all_columns or set_all_columns_as_default:
            self._options.append(ALL_COLUMNS)
        self._options.extend(TOP_OPTIONS)
        self._options.extend(self.df.columns)
        self._options.extend(BOTTOM_OPTIONS)
        self.on_change = on_change
        if set_all_columns_as_default:
            self._set_special_selector(special_name=ALL_COLUMNS, set_soft_value=True, css_classes=css_classes)
        else:
            self._create_multi_select(focus_after_init=focus_after_init, css_classes=css_classes)

    def has_special_selector(self):
        """Returns True if the user has selected a special selector."""
        for item in self._get_current_values():
            if item in SELECTOR_OPTIONS.keys():
                return True
        return False

    def has_column_names(self):
        """Returns True if the user has selected one or more column names."""
        return not self.has_special_selector()

    def _get_current_values(self):
        """
        Helper for returning the selected options in the dropdown in the correct format.

        :return: list. The selected element(s).
        """
        if type(self._main_selector) == Multiselect:  # noqa: E721 (an equality test, as the module makes)
            return self._main_selector.value
        return [self._main_selector.value]

    def _selection_changed(self, *args):
        if self.has_special_selector():
            self._set_special_selector()
        elif type(self._main_selector) != Multiselect:  # noqa: E721
            self._create_multi_select(value=self._get_current_values())
        self.on_change()

    def _create_multi_select(self, value=[], focus_after_init=True, css_classes=[]):  # noqa: B006
        self._main_selector = Multiselect(placeholder="Choose column(s)", options=self._options, value=value,
                                          focus_after_init=focus_after_init, width=self.width,
                                          on_change=self._selection_changed, css_classes=css_classes)
        self.children = [self._main_selector]

    def _set_special_selector(self, special_name=None, set_soft_value=False, css_classes=[]):  # noqa: B006
        """Create the special selector."""
        if special_name is None:
            for value in self._get_current_values():
                if value in SELECTOR_OPTIONS.keys():
                    special_name = value
                    break
        self._special_selector = SELECTOR_OPTIONS[special_name](manager=self, on_change=self.on_change)
        self._main_selector = Singleselect(placeholder="Choose column(s)", options=self._options, value=special_name,
                                           focus_after_init=self._special_selector.focus_dropdown(),
                                           set_soft_value=set_soft_value, width=self.width,
                                           on_change=self._selection_changed,
                                           css_classes=_special_classes(css_classes))
        self.children = [self._main_selector, self._special_selector]

    @property
    def value(self):
        if self.has_column_names():
            return self._main_selector.value
        return list(self._special_selector.columns)

    @value.setter
    def value(self, value):
        self._main_selector.value = value
        self._selection_changed()

    def get_df_code(self):
        if self.has_column_names():
            if len(self._main_selector.value) == 0:
                raise OstrelError("No columns are selected.<br>Please select one or multiple columns")
            return f"{DF_OLD}[{self._main_selector.value!s}]"
        return self._special_selector.get_df_code()

    def get_columns_code(self):
        if self.has_column_names():
            return f"{self._main_selector.value!s}"
        return self._special_selector.get_columns_code()
