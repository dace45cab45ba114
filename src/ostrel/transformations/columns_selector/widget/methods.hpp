// The methods of ColumnsSelector, one file per concern; columns_selector.cpp puts them in order.
#pragma once

#include "interop/function.hpp"

namespace columns_selector::widget {

// construction.cpp
using Init = Def<"self", "transformation", "show_all_columns", "set_all_columns_as_default", "width",
                 "focus_after_init", "css_classes", "on_change">;
Ref init(Init& c);
using CreateMultiSelect = Def<"self", "value", "focus_after_init", "css_classes">;
Ref create_multi_select(CreateMultiSelect& c);

// tracking.cpp
Ref has_special_selector(Call& c);
Ref has_column_names(Call& c);
Ref get_current_values(Call& c);
// The arguments of the dropdown's event are not used.
using SelectionChanged = Def<"self", "*args">;
Ref selection_changed(SelectionChanged& c);
// The truth of `type(self._main_selector) <op> Multiselect`, op being Py_EQ (==) or Py_NE (!=), each
// the interpreter's own operator (!= is not read as the negation of ==). Not an isinstance test.
bool main_class_compares(Call& c, int op);
// The first of values that is a key of SELECTOR_OPTIONS (looked up afresh for each), or an empty Ref.
Ref first_special_label(Call& c, PyObject* values);

// switching.cpp
using SetSpecialSelector = Def<"self", "special_name", "set_soft_value", "css_classes">;
Ref set_special_selector(SetSpecialSelector& c);

// value.cpp
Ref get_value(Call& c);
using SetValue = Def<"self", "value">;
Ref set_value(SetValue& c);
Ref get_df_code(Call& c);
Ref get_columns_code(Call& c);

}  // namespace columns_selector::widget
