// Selection tracking: the mode is worked out afresh from the main dropdown each time it is asked.
#include "widget/methods.hpp"

namespace columns_selector::widget {

bool main_selector_is(Frame& f, int comparison) {
  Ref main = getattr(f.self(), "_main_selector");
  Ref multiselect = f.global("Multiselect");
  PyObject* main_class = reinterpret_cast<PyObject*>(Py_TYPE(main.borrow()));
  Ref result = Ref::steal(PyObject_RichCompare(main_class, multiselect.borrow(), comparison));
  return truthy(result.borrow());
}

bool is_special_label(Frame& f, PyObject* item) {
  Ref registry = f.global("SELECTOR_OPTIONS");
  Ref labels = call_method(registry.borrow(), "keys");
  return contains(labels.borrow(), item);
}

Ref get_current_values(Frame& f) {
  if (main_selector_is(f, Py_EQ)) return getattr(getattr(f.self(), "_main_selector").borrow(), "value");
  return new_list({getattr(getattr(f.self(), "_main_selector").borrow(), "value")});
}

Ref has_special_selector(Frame& f) {
  Ref values = call_method(f.self(), "_get_current_values");
  Ref items = iterate(values.borrow());
  while (Ref item = next(items.borrow())) {
    if (is_special_label(f, item.borrow())) return Ref::share(Py_True);
  }
  return Ref::share(Py_False);
}

Ref has_column_names(Frame& f) {
  Ref special = call_method(f.self(), "has_special_selector");
  return Ref::share(truthy(special.borrow()) ? Py_False : Py_True);
}

// _selection_changed(self, *args): the arguments of the dropdown's event are not used.
Ref selection_changed(Frame& f) {
  PyObject* self = f.self();
  if (truthy(call_method(self, "has_special_selector").borrow())) {
    call_method(self, "_set_special_selector");
  } else if (main_selector_is(f, Py_NE)) {
    Ref create = getattr(self, "_create_multi_select");
    call_kw(create.borrow(), {{"value", call_method(self, "_get_current_values")}});
  }
  call_method(self, "on_change");
  return none();
}

}  // namespace columns_selector::widget
