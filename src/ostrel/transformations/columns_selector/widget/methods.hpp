// The methods of ColumnsSelector, one file per concern; columns_selector.cpp puts them in order.
#pragma once

#include "interop/function.hpp"

namespace columns_selector::widget {

// construction.cpp
Ref init(Frame& f);
Ref create_multi_select(Frame& f);

// tracking.cpp
Ref has_special_selector(Frame& f);
Ref has_column_names(Frame& f);
Ref get_current_values(Frame& f);
Ref selection_changed(Frame& f);
// Whether the class of self._main_selector equals Multiselect (an equality test, not isinstance).
bool main_selector_is(Frame& f, int comparison);
// The first of values that is a key of SELECTOR_OPTIONS (looked up afresh for each), or an empty Ref.
Ref first_special_label(Frame& f, PyObject* values);

// switching.cpp
Ref set_special_selector(Frame& f);

// value.cpp
Ref get_value(Frame& f);
Ref set_value(Frame& f);
Ref get_df_code(Frame& f);
Ref get_columns_code(Frame& f);

}  // namespace columns_selector::widget
