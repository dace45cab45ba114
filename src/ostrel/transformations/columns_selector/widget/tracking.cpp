// Selection tracking: the mode is worked out afresh from the main dropdown each time it is asked.
#include "widget/methods.hpp"

namespace columns_selector::widget {

bool main_class_compares(Call& c, int op) {
  Ref main = getattr(c.self(), "_main_selector"_s);
  Ref multiselect = c.global("Multiselect"_s);
  // Held: the comparison may run code of the user's that changes the object's class.
  Ref main_class = Ref::share(reinterpret_cast<PyObject*>(Py_TYPE(main.borrow())));
  Ref result = Ref::steal(PyObject_RichCompare(main_class.borrow(), multiselect.borrow(), op));
  return truthy(result.borrow());
}

Ref first_special_label(Call& c, PyObject* values) {
  return first_key_in(values, [&] { return c.global("SELECTOR_OPTIONS"_s); });
}

Ref get_current_values(Call& c) {
  if (main_class_compares(c, Py_EQ)) return getattr(getattr(c.self(), "_main_selector"_s).borrow(), "value"_s);
  return new_list({getattr(getattr(c.self(), "_main_selector"_s).borrow(), "value"_s)});
}

Ref has_special_selector(Call& c) {
  Ref values = call_method(c.self(), "_get_current_values"_s);
  return Ref::share(first_special_label(c, values.borrow()) ? Py_True : Py_False);
}

Ref has_column_names(Call& c) {
  Ref special = call_method(c.self(), "has_special_selector"_s);
  return Ref::share(truthy(special.borrow()) ? Py_False : Py_True);
}

Ref selection_changed(SelectionChanged& c) {
  PyObject* self = c.self();
  if (truthy(call_method(self, "has_special_selector"_s).borrow())) {
    call_method(self, "_set_special_selector"_s);
  } else if (main_class_compares(c, Py_NE)) {
    Ref create = getattr(self, "_create_multi_select"_s);
    call_kw(create.borrow(), {{"value"_s, call_method(self, "_get_current_values"_s)}});
  }
  call_method(self, "on_change"_s);
  return none();
}

}  // namespace columns_selector::widget
