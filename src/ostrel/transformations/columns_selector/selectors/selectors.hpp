// The special selectors: one class per way of choosing columns other than by their names.
// Each definer reads its base class from the module and binds its class(es) there.
#pragma once

#include "interop/ref.hpp"

namespace columns_selector {

// SpecialSelector and DropdownItemSpecialSelector.
void define_special_selector_bases(PyObject* module);
// AllColumns and the ten data-type families.
void define_whole_frame_selectors(PyObject* module);
// DTYPE_OPTIONS, the data-type choices of ColumnsWithDtype.
void build_dtype_options(PyObject* module);
void define_columns_with_dtype(PyObject* module);
void define_columns_by_regex(PyObject* module);
// ColumnsByStringOperation and its three subclasses.
void define_name_operation_selectors(PyObject* module);

}  // namespace columns_selector
