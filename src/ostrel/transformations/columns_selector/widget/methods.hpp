// The methods of ColumnsSelector, one file per concern; columns_selector.cpp puts them in order.
#pragma once

#include "interop/function.hpp"

namespace columns_selector::widget {

// construction.cpp
Ref init(Call& c);
Ref create_multi_select(Call& c);

// tracking.cpp
Ref has_special_selector(Call& c);
Ref has_column_names(Call& c);
Ref get_current_values(Call& c);
Ref selection_changed(Call& c);
// The truth of `type(self._main_selector) <op> Multiselect`, op being Py_EQ (==) or Py_NE (!=), each
// the interpreter's own operator (!= is not read as the negation of ==). Not an isinstance test.
bool main_class_compares(Call& c, int op);
// The first of values that is a key of SELECTOR_OPTIONS (looked up afresh for each), or an empty Ref.
Ref first_special_label(Call& c, PyObject* values);

// switching.cpp
Ref set_special_selector(Call& c);

// value.cpp
Ref get_value(Call& c);
Ref set_value(Call& c);
Ref get_df_code(Call& c);
Ref get_columns_code(Call& c);

}  // namespace columns_selector::widget
