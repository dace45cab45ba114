# Type information for the compiled module ostrel.transformations.columns_selector.
#
# The host's names (DF_OLD, OstrelError, string_to_code and the three widget classes) are typed by
# what this module needs of them, so that the stub does not depend on the host shipping types.
from typing import Any, Callable, ClassVar, Final, Protocol

import ipywidgets
from traitlets import MetaHasTraits

widgets = ipywidgets

class _Transformation(Protocol):
    """What the module needs of the host transformation object."""

    def get_df(self) -> Any: ...
    def eval_code(self, code: str, /) -> Any: ...

# The owner's callback: called with no arguments, whatever it returns is ignored.
_OnChange = Callable[[], object]

DF_OLD: str
OstrelError: type[Exception]
string_to_code: Callable[[str], object]
Multiselect: type[ipywidgets.Widget]
Singleselect: type[ipywidgets.Widget]
Text: type[ipywidgets.Widget]

ALL_COLUMNS: Final = "[All columns]"
COLUMNS_WITH_DTYPE: Final = "[Columns with data type]"
COLUMNS_BY_REGEX: Final = "[Columns that match regex]"
NUMERIC_COLUMNS: Final = "[Numeric columns]"
STRING_OR_OBJECT_COLUMNS: Final = "[String/Text or Object columns]"
STRING_COLUMNS: Final = "[String-only columns]"
OBJECT_COLUMNS: Final = "[Object-only columns]"
CATEGORY_COLUMNS: Final = "[Categoric/Factor columns]"
INTEGER_COLUMNS: Final = "[Integer columns]"
FLOAT_COLUMNS: Final = "[Float columns]"
BOOLEAN_COLUMNS: Final = "[Boolean columns]"
DATETIME_COLUMNS: Final = "[Datetime columns]"
TIMEDELTA_COLUMNS: Final = "[Timedelta columns]"
COLUMNS_THAT_START_WITH: Final = "[Columns that start with]"
COLUMNS_THAT_END_WITH: Final = "[Columns that end with]"
COLUMNS_THAT_CONTAIN: Final = "[Columns that contain]"
TOP_OPTIONS: list[str]
BOTTOM_OPTIONS: list[str]

class SpecialSelector(ipywidgets.VBox, metaclass=MetaHasTraits):
    # The ColumnsSelector that built the selector: `columns` and the text fields read its `transformation`.
    manager: Any
    on_change: _OnChange
    def __init__(self, manager: Any = None, on_change: _OnChange = ..., **kwargs: Any) -> None: ...
    @property
    def columns(self) -> Any: ...  # what the host's eval_code gives for get_columns_code()
    def focus_dropdown(self) -> bool: ...
    def get_columns_code(self) -> str: ...
    def get_df_code(self) -> str: ...

class DropdownItemSpecialSelector(SpecialSelector):
    def focus_dropdown(self) -> bool: ...

class AllColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class NumericColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class StringOrObjectColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class StringColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class ObjectColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class CategoryColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class IntegerColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class FloatColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class BooleanColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class DatetimeColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

class TimedeltaColumns(DropdownItemSpecialSelector):
    def get_df_code(self) -> str: ...

# (label shown in the data-type dropdown, the pandas data-type names it selects)
DTYPE_OPTIONS: list[tuple[str, list[str]]]

class ColumnsWithDtype(SpecialSelector):
    data_type: ipywidgets.Widget  # the host Singleselect; its value is a label of DTYPE_OPTIONS
    # Keyword arguments only: manager and on_change, anything else goes to the VBox.
    def __init__(self, *, manager: Any = None, on_change: _OnChange = ..., **kwargs: Any) -> None: ...
    def get_df_code(self) -> str: ...

class ColumnsByRegex(SpecialSelector):
    text: ipywidgets.Widget  # the host Text; its value is the pattern
    def __init__(self, *, manager: Any = None, on_change: _OnChange = ..., **kwargs: Any) -> None: ...
    def get_df_code(self) -> str: ...

class ColumnsByStringOperation(SpecialSelector):
    string_operation: ClassVar[str]
    text: ipywidgets.Widget  # the host Text; its value is the text that names are tested against
    def __init__(self, *, manager: Any = None, on_change: _OnChange = ..., **kwargs: Any) -> None: ...
    def get_df_code(self) -> str: ...
    def get_columns_code(self) -> str: ...

class ColumnsThatStartWith(ColumnsByStringOperation): ...
class ColumnsThatEndWith(ColumnsByStringOperation): ...
class ColumnsThatContain(ColumnsByStringOperation): ...

SELECTOR_OPTIONS: dict[str, type[SpecialSelector]]

class ColumnsSelector(ipywidgets.VBox, metaclass=MetaHasTraits):
    transformation: _Transformation | None
    df: Any
    width: str
    on_change: _OnChange
    _options: list[Any]
    _main_selector: ipywidgets.Widget  # the host Multiselect in names mode, Singleselect in special mode
    _special_selector: SpecialSelector  # set when the widget first enters special mode
    # Construction fails on the default None (an AttributeError): a transformation is required in practice.
    def __init__(
        self,
        transformation: _Transformation | None = None,
        show_all_columns: bool = True,
        set_all_columns_as_default: bool = False,
        width: str = "md",
        focus_after_init: bool = False,
        css_classes: list[str] = ...,
        on_change: _OnChange = ...,
    ) -> None: ...
    def has_special_selector(self) -> bool: ...
    def has_column_names(self) -> bool: ...
    def _get_current_values(self) -> list[Any]: ...
    def _selection_changed(self, *args: object) -> None: ...
    def _create_multi_select(
        self, value: list[Any] = ..., focus_after_init: bool = True, css_classes: list[str] = ...
    ) -> None: ...
    def _set_special_selector(
        self, special_name: str | None = None, set_soft_value: bool = False, css_classes: list[str] = ...
    ) -> None: ...
    # Read: the chosen column labels. Write: a list of labels in names mode, one label in special mode.
    @property
    def value(self) -> list[Any]: ...
    @value.setter
    def value(self, value: Any) -> None: ...
    def get_df_code(self) -> str: ...
    def get_columns_code(self) -> str: ...
