"""The module's behaviour written in plain Python, and the exact texts both are held to: the oracle of the fuzz.

`make_twin(module)` executes SOURCE in a fresh namespace that holds the module's host names and tables, compiled
under the module's own file name, so that every name is looked up, every error raised, every host call made and
every traceback entry added exactly as the interpreter does it for these steps.
"""

FILE = "<ostrel.transformations.columns_selector>"
# The data-type families: the whole-frame class of each, its label in DTYPE_OPTIONS and its select_dtypes argument.
FAMILIES = list(zip("""NumericColumns StringOrObjectColumns StringColumns ObjectColumns CategoryColumns IntegerColumns
    FloatColumns BooleanColumns DatetimeColumns TimedeltaColumns""".split(), "Numeric|String/Text or Object|"
                    "String only|Object only|Categoric/Factor|Integer|Float|Boolean|Datetime|Timedelta".split("|"),
                    "'number'|['string', 'object']|'string'|'object'|'category'|'int'|'float'|'bool'|'datetime'|"
                    "'timedelta'".split("|")))
OPERATIONS = {"ColumnsThatStartWith": "startswith", "ColumnsThatEndWith": "endswith", "ColumnsThatContain": "contains"}
DOCS = {  # the docstrings of the classes and methods that have one
    "ColumnsWithDtype": 'Handles "selecting columns by data type".',
    "ColumnsByRegex": 'Handles "selecting columns matching regex pattern".',
    "ColumnsByStringOperation": '\n    Handles "select columns that start/end with / contain".\n\n    The specific '
                                "string operation used for selecting columns is defined by self's children.\n    ",
    "ColumnsSelector": "\n    A special dropdown that allows more complex selections which need additional input from"
                       ' the user.\n\n    E.g. when the user selects "columns of data type", we ask for the data type'
                       " with a separate input.\n    ",
    "ColumnsSelector.__init__": '\n        :param show_all_columns: Do you want to show the "Select all column" option'
                                " in the dropdown?\n        ",
    "ColumnsSelector.has_special_selector": "Returns True if the user has selected a special selector.",
    "ColumnsSelector.has_column_names": "Returns True if the user has selected one or more column names.",
    "ColumnsSelector._get_current_values": "\n        Helper for returning the selected options in the dropdown in "
                                           "the correct format.\n\n        :return: list. The selected element(s).\n"
                                           "        ",
    "ColumnsSelector._set_special_selector": "Create the special selector."}

SOURCE = '''
def cat(*pieces):  # the pieces are all evaluated first, then each is formatted in turn
    return "".join([format(piece, "") for piece in pieces])


def named(cls, name):
    cls.__name__ = cls.__qualname__ = name
    for member in [member for member in vars(cls).values() if callable(member)]:
        member.__qualname__ = name + "." + member.__name__
    globals()[name] = cls


class SpecialSelector(widgets.VBox):
    def __init__(self, manager=None, on_change=lambda: None, **kwargs):
        self.manager, self.on_change = manager, on_change
        super().__init__(**kwargs)

    @property
    def columns(self): return self.manager.transformation.eval_code(self.get_columns_code())
    def focus_dropdown(self): return False
    def get_columns_code(self): return cat(str(self.get_df_code()), ".columns")
    def get_df_code(self): raise NotImplementedError


class DropdownItemSpecialSelector(SpecialSelector):
    def focus_dropdown(self): return True


def whole_frame(name, fragment):
    class WholeFrame(DropdownItemSpecialSelector):
        def get_df_code(self): return cat(str(DF_OLD), fragment)
    named(WholeFrame, name)


for name, fragment in [("AllColumns", ""), *[(name, ".select_dtypes(%s)" % arg) for name, _, arg in FAMILIES]]:
    whole_frame(name, fragment)


class ColumnsWithDtype(SpecialSelector):
    """DOCS"""
    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        self.data_type = Singleselect(options=[row[0] for row in DTYPE_OPTIONS], placeholder="Data type",
                                      focus_after_init=True, set_soft_value=True, width="md", on_change=self.on_change)
        self.children = [self.data_type]

    def get_df_code(self):
        names = [row for row in DTYPE_OPTIONS if row[0] == self.data_type.value][0][1]
        return cat(DF_OLD, ".select_dtypes(", names, ")")


def special_classes(css_classes):  # made while the keywords are collected: after Singleselect is looked up
    classes = ["ostrel-columns-selector-special"]
    classes.extend(css_classes)
    return classes


def text_field(self, placeholder):
    self.text = Text(placeholder=placeholder, focus_after_init=True, width="sm", execute=self.manager.transformation,
                     on_change=self.on_change)
    self.children = [self.text]


class ColumnsByRegex(SpecialSelector):
    """DOCS"""
    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        text_field(self, "Regex, e.g. e$")

    def get_df_code(self):
        pattern = "^$" if self.text.value == "" else self.text.value
        return cat(DF_OLD, ".filter(regex=", string_to_code(pattern), ")")


class ColumnsByStringOperation(SpecialSelector):
    """DOCS"""
    string_operation = "TO BE OVERRIDEN"

    def __init__(self, **kwargs):
        super().__init__(**kwargs)
        text_field(self, "String, e.g. foo")

    def get_df_code(self):
        rendered, operation = string_to_code(self.text.value), self.__class__.string_operation
        return cat(DF_OLD, ".loc[:, ", DF_OLD, ".columns.str.", operation, "(", rendered, ")]")

    def get_columns_code(self):
        rendered, operation = string_to_code(self.text.value), self.__class__.string_operation
        return cat(DF_OLD, ".columns[", DF_OLD, ".columns.str.", operation, "(", rendered, ")]")


def name_operation(name, operation):
    class NameOperation(ColumnsByStringOperation):
        string_operation = operation
    named(NameOperation, name)


for name, operation in OPERATIONS.items():
    name_operation(name, operation)


class ColumnsSelector(widgets.VBox):
    """DOCS"""
    def __init__(self, transformation=None, show_all_columns=True, set_all_columns_as_default=False, width="md",
                 focus_after_init=False, css_classes=[], on_change=lambda: None):
        super().__init__()
        self.transformation = transformation
        self.df = self.transformation.get_df()
        self.width, self._options = width, []
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
        return any(item in SELECTOR_OPTIONS.keys() for item in self._get_current_values())

    def has_column_names(self): return not self.has_special_selector()

    def _get_current_values(self):
        return self._main_selector.value if type(self._main_selector) == Multiselect else [self._main_selector.value]

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
            special_name = next((v for v in self._get_current_values() if v in SELECTOR_OPTIONS.keys()), None)
        self._special_selector = SELECTOR_OPTIONS[special_name](manager=self, on_change=self.on_change)
        self._main_selector = Singleselect(
            placeholder="Choose column(s)", options=self._options, value=special_name,
            focus_after_init=self._special_selector.focus_dropdown(), set_soft_value=set_soft_value, width=self.width,
            on_change=self._selection_changed, css_classes=special_classes(css_classes))
        self.children = [self._main_selector, self._special_selector]

    @property
    def value(self):
        return self._main_selector.value if self.has_column_names() else list(self._special_selector.columns)

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
        return str(self._main_selector.value) if self.has_column_names() else self._special_selector.get_columns_code()
'''
CODE = compile(SOURCE, FILE, "exec")


def make_twin(module):
    """A namespace with the module's host names, labels and tables, and the Python classes above."""
    namespace = {name: value for name, value in vars(module).items()
                 if not (isinstance(value, type) and issubclass(value, module.widgets.VBox))}
    namespace.update(FAMILIES=FAMILIES, OPERATIONS=OPERATIONS)
    exec(CODE, namespace)
    for path, doc in DOCS.items():
        owner, _, member = path.partition(".")
        (namespace[owner] if not member else vars(namespace[owner])[member]).__doc__ = doc
    namespace["SELECTOR_OPTIONS"] = {label: namespace[cls.__name__] for label, cls in module.SELECTOR_OPTIONS.items()}
    return namespace
