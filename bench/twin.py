"""The module's classes written as plain Python, step for step, for side-by-side timing.

bench_calls.py binds the same host stand-ins into this module and into the compiled one, then times
each method of both. Nothing here is shipped or tested for behaviour: the test suite does that for
the compiled module.
"""

import ipywidgets as widgets

import ostrel.transformations.columns_selector as _cs

# Bound by the benchmark, as the load binds them from the host.
DF_OLD = string_to_code = OstrelError = Multiselect = Singleselect = Text = None

# The vocabulary is the compiled module's own (its tests pin it): labels, lists, data-type rows, class names.
ALL_COLUMNS, COLUMNS_WITH_DTYPE, COLUMNS_BY_REGEX = _cs.ALL_COLUMNS, _cs.COLUMNS_WITH_DTYPE, _cs.COLUMNS_BY_REGEX
TOP_OPTIONS, BOTTOM_OPTIONS = list(_cs.TOP_OPTIONS), list(_cs.BOTTOM_OPTIONS)
DTYPE_OPTIONS = [(label, list(names)) for label, names in _cs.DTYPE_OPTIONS]
_REGISTRY = [(label, cls.__name__) for label, cls in _cs.SELECTOR_OPTIONS.items()]
# The data-type families follow DTYPE_OPTIONS: class name, label, select_dtypes argument (one quoted name, or the
# list of several).
FAMILIES = [(name, label, repr(names[0]) if len(names) == 1 else str(names))
            for (label, name), (_, names) in zip(_REGISTRY[3:13], DTYPE_OPTIONS)]
NAME_OPERATIONS = [(name, label, vars(_cs)[name].string_operation) for label, name in _REGISTRY[13:]]


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


def _family(name, argument):
    code = f".select_dtypes({argument})"
    # The fragment is a constant of the method, as a literal in its source would be.
    namespace = {}
    exec(f"def get_df_code(self):\n    return f\"{{DF_OLD!s}}{code}\"", globals(), namespace)
    return type(name, (DropdownItemSpecialSelector,), {"get_df_code": namespace["get_df_code"]})


for _name, _, _argument in FAMILIES:
    globals()[_name] = _family(_name, _argument)


class ColumnsWithDtype(SpecialSelector):
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
    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.text = Text(placeholder="Regex, e.g. e$", focus_after_init=True, width="sm",
                         execute=self.manager.transformation, on_change=self.on_change)
        self.children = [self.text]

    def get_df_code(self):
        pattern = "^$" if self.text.value == "" else self.text.value
        return f"{DF_OLD}.filter(regex={string_to_code(pattern)})"


class ColumnsByStringOperation(SpecialSelector):
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


for _name, _, _operation in NAME_OPERATIONS:
    globals()[_name] = type(_name, (ColumnsByStringOperation,), {"string_operation": _operation})

SELECTOR_OPTIONS = {label: globals()[name] for label, name in _REGISTRY}


class ColumnsSelector(widgets.VBox):
    def __init__(self, transformation=None, show_all_columns=True, set_all_columns_as_default=False, width="md",
                 focus_after_init=False, css_classes=[], on_change=lambda: None):  # noqa: B006 (shared, unchanged)
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
        for item in self._get_current_values():
            if item in SELECTOR_OPTIONS.keys():
                return True
        return False

    def has_column_names(self):
        return not self.has_special_selector()

    def _get_current_values(self):
        if type(self._main_selector) == Multiselect:  # noqa: E721 (an equality test, as specified)
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
                                           css_classes=["ostrel-columns-selector-special", *css_classes])
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
