"""The module's behaviour written in plain Python: the oracle of the fuzz tests.

`make_twin(module)` executes the classes below in a fresh namespace that holds the module's host names,
labels and tables, so that every name is looked up, every error raised and every host call made exactly
as the interpreter does it for these steps.
"""

SOURCE = '''
def cat(*pieces):  # the pieces are all evaluated first, then each is formatted in turn
    return "".join([format(piece, "") for piece in pieces])


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
        return cat(str(self.get_df_code()), ".columns")

    def get_df_code(self):
        raise NotImplementedError


class DropdownItemSpecialSelector(SpecialSelector):
    def focus_dropdown(self):
        return True


def whole_frame(name, fragment):
    return type(widgets.VBox)(name, (DropdownItemSpecialSelector,), {
        "__qualname__": name, "get_df_code": lambda self: cat(str(DF_OLD), fragment)})


for name, fragment in FRAGMENTS:
    globals()[name] = whole_frame(name, fragment)


class ColumnsWithDtype(SpecialSelector):
    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.data_type = Singleselect(options=[row[0] for row in DTYPE_OPTIONS], placeholder="Data type",
                                      focus_after_init=True, set_soft_value=True, width="md", on_change=self.on_change)
        self.children = [self.data_type]

    def get_df_code(self):
        names = [row for row in DTYPE_OPTIONS if row[0] == self.data_type.value][0][1]
        return cat(DF_OLD, ".select_dtypes(", names, ")")


class TextSelector(SpecialSelector):
    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.text = Text(placeholder=self.placeholder, focus_after_init=True, width="sm",
                         execute=self.manager.transformation, on_change=self.on_change)
        self.children = [self.text]


class ColumnsByRegex(TextSelector):
    placeholder = "Regex, e.g. e$"

    def get_df_code(self):
        pattern = "^$" if self.text.value == "" else self.text.value
        rendered = string_to_code(pattern)
        return cat(DF_OLD, ".filter(regex=", rendered, ")")


class ColumnsByStringOperation(TextSelector):
    placeholder, string_operation = "String, e.g. foo", "TO BE OVERRIDEN"

    def get_df_code(self):
        rendered, operation = string_to_code(self.text.value), self.__class__.string_operation
        return cat(DF_OLD, ".loc[:, ", DF_OLD, ".columns.str.", operation, "(", rendered, ")]")

    def get_columns_code(self):
        rendered, operation = string_to_code(self.text.value), self.__class__.string_operation
        return cat(DF_OLD, ".columns[", DF_OLD, ".columns.str.", operation, "(", rendered, ")]")


for name, operation in [("StartWith", "startswith"), ("EndWith", "endswith"), ("Contain", "contains")]:
    globals()["ColumnsThat" + name] = type(widgets.VBox)("ColumnsThat" + name, (ColumnsByStringOperation,), {
        "__qualname__": "ColumnsThat" + name, "string_operation": operation})


def special_classes(css_classes):
    classes = ["ostrel-columns-selector-special"]
    classes.extend(css_classes)
    return classes


class ColumnsSelector(widgets.VBox):
    def __init__(self, transformation=None, show_all_columns=True, set_all_columns_as_default=False, width="md",
                 focus_after_init=False, css_classes=[], on_change=lambda: None):
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
        if type(self._main_selector) == Multiselect:
            return self._main_selector.value
        return [self._main_selector.value]

    def _selection_changed(self, *args):
        if self.has_special_selector():
            self._set_special_selector()
        elif type(self._main_selector) != Multiselect:
            self._create_multi_select(value=self._get_current_values())
        self.on_change()

    def _create_multi_select(self, value=[], focus_after_init=True, css_classes=[]):
        self._main_selector = Multiselect(placeholder="Choose column(s)", options=self._options, value=value,
                                          focus_after_init=focus_after_init, width=self.width,
                                          on_change=self._selection_changed, css_classes=css_classes)
        self.children = [self._main_selector]

    def _set_special_selector(self, special_name=None, set_soft_value=False, css_classes=[]):
        if special_name is None:
            for value in self._get_current_values():
                if value in SELECTOR_OPTIONS.keys():
                    special_name = value
                    break
        self._special_selector = SELECTOR_OPTIONS[special_name](manager=self, on_change=self.on_change)
        self._main_selector = Singleselect(
            placeholder="Choose column(s)", options=self._options, value=special_name,
            focus_after_init=self._special_selector.focus_dropdown(), set_soft_value=set_soft_value, width=self.width,
            on_change=self._selection_changed, css_classes=special_classes(css_classes))
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
            return cat(DF_OLD, "[", str(self._main_selector.value), "]")
        return self._special_selector.get_df_code()

    def get_columns_code(self):
        if self.has_column_names():
            return str(self._main_selector.value)
        return self._special_selector.get_columns_code()


SELECTOR_OPTIONS = {label: globals()[name] for label, name in REGISTRY}
'''

ARGUMENTS = ["'number'", "['string', 'object']", "'string'", "'object'", "'category'", "'int'", "'float'", "'bool'",
             "'datetime'", "'timedelta'"]
FRAGMENTS = list(zip(["AllColumns", "NumericColumns", "StringOrObjectColumns", "StringColumns", "ObjectColumns",
                      "CategoryColumns", "IntegerColumns", "FloatColumns", "BooleanColumns", "DatetimeColumns",
                      "TimedeltaColumns"], ["", *[f".select_dtypes({argument})" for argument in ARGUMENTS]]))


def make_twin(module):
    """A namespace with the module's host names, labels and tables, and the Python classes above."""
    namespace = {name: value for name, value in vars(module).items()
                 if not (isinstance(value, type) and issubclass(value, module.widgets.VBox))}
    registry = [(label, cls.__name__) for label, cls in module.SELECTOR_OPTIONS.items()]
    namespace.update(FRAGMENTS=FRAGMENTS, REGISTRY=registry)
    exec(SOURCE, namespace)
    return namespace
