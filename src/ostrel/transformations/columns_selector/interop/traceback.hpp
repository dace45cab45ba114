// Traceback entries for code that has no Python frame of its own: the load and the methods.
#pragma once

#include "interop/ref.hpp"

namespace columns_selector {

// With an error set, adds an entry to its traceback: file "<ostrel.transformations.columns_selector>",
// line 1, in `name`. The error itself is left as it was; if the entry cannot be made, it is left out.
void add_traceback_entry(PyObject* name) noexcept;
void add_traceback_entry(const char* name) noexcept;

}  // namespace columns_selector
