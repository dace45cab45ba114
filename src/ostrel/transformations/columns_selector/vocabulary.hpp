// The special labels of the main dropdown and the classes behind them: one row per rule, from which
// the load binds the labels, builds TOP_OPTIONS and BOTTOM_OPTIONS, defines the rules' classes and
// builds SELECTOR_OPTIONS.
#pragma once

#include <cstdint>

#include "interop/ref.hpp"

namespace columns_selector {

enum class Stage : std::uint8_t;  // selectors/selectors.hpp

// The label constants, in table order.
void bind_labels(PyObject* module);
// TOP_OPTIONS, then BOTTOM_OPTIONS, holding the label strings bound at this moment.
void build_label_lists(PyObject* module);
// The classes of the rules whose family is defined at this stage, in table order; a family's own
// base class comes right before its first class.
void define_rule_classes(PyObject* module, Stage stage);
// SELECTOR_OPTIONS: label -> class, every label and class read from the module at this moment.
void build_selector_options(PyObject* module);

// The name of the module attribute bound to the all-columns label: the rule that the widget offers
// first when asked to, and can start on (interned, borrowed).
PyObject* all_columns_attribute();

}  // namespace columns_selector
