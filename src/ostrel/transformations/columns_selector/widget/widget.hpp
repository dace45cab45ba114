// ColumnsSelector: the widget in which the user picks columns by name or by a special label.
#pragma once

#include "interop/ref.hpp"

namespace columns_selector {

void define_columns_selector(PyObject* module);

}  // namespace columns_selector
