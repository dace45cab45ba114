// Special selector switching: a new special selector and a single-select showing its label.
#include "widget/methods.hpp"

namespace columns_selector::widget {

namespace {

constexpr const char* kSpecialClass = "ostrel-columns-selector-special";

// The first current value that is a special label, or None.
Ref chosen_special_label(Frame& f) {
  Ref values = call_method(f.self(), "_get_current_values");
  Ref items = iterate(values.borrow());
  while (Ref item = next(items.borrow())) {
    if (is_special_label(f, item.borrow())) return item;
  }
  return none();
}

// A new list: our class first, then the caller's, whose list is left as it is.
Ref special_css_classes(PyObject* css_classes) {
  Ref classes = new_list({kSpecialClass});
  Ref extend = getattr(classes.borrow(), "extend");
  call(extend.borrow(), {css_classes});
  return classes;
}

}  // namespace

// _set_special_selector(self, special_name=None, set_soft_value=False, css_classes=[])
Ref set_special_selector(Frame& f) {
  PyObject* self = f.self();
  Ref special_name = f.arg(1) == Py_None ? chosen_special_label(f) : Ref::share(f.arg(1));

  Ref registry = f.global("SELECTOR_OPTIONS");
  Ref selector_class = getitem(registry.borrow(), special_name.borrow());
  Ref selector = call_kw(selector_class.borrow(), {{"manager", self}, {"on_change", getattr(self, "on_change")}});
  setattr(self, "_special_selector", selector.borrow());

  Ref singleselect = f.global("Singleselect");
  Ref dropdown =
      call_kw(singleselect.borrow(),
              {
                  {"placeholder", "Choose column(s)"},
                  {"options", getattr(self, "_options")},
                  {"value", special_name},
                  {"focus_after_init", call_method(getattr(self, "_special_selector").borrow(), "focus_dropdown")},
                  {"set_soft_value", f.arg(2)},
                  {"width", getattr(self, "width")},
                  {"on_change", getattr(self, "_selection_changed")},
                  {"css_classes", special_css_classes(f.arg(3))},
              });
  setattr(self, "_main_selector", dropdown.borrow());
  setattr(self, "children", new_list({getattr(self, "_main_selector"), getattr(self, "_special_selector")}).borrow());
  return none();
}

}  // namespace columns_selector::widget
