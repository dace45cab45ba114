// The special labels of the main dropdown, the lists that place them before and after the column
// names, and the registry from label to special-selector class.
#pragma once

#include "interop/ref.hpp"

namespace columns_selector {

// ALL_COLUMNS ... COLUMNS_THAT_CONTAIN, in their order.
void bind_labels(PyObject* module);
// TOP_OPTIONS, then BOTTOM_OPTIONS, holding the label strings bound at this moment.
void build_label_lists(PyObject* module);
// SELECTOR_OPTIONS: label -> class, every label and class read from the module at this moment.
void build_selector_options(PyObject* module);

}  // namespace columns_selector
