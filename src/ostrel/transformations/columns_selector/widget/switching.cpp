// Special selector switching: a new special selector and a single-select showing its label.
#include "widget/methods.hpp"

namespace columns_selector::widget {

namespace {

// The first current value that is a special label, or None.
Ref chosen_special_label(Call& c) {
  Ref values = call_method(c.self(), "_get_current_values"_s);
  Ref chosen = first_special_label(c, values.borrow());
  return chosen ? std::move(chosen) : none();
}

// A new list: our class first, then the caller's, whose list is left as it is.
Ref special_css_classes(PyObject* css_classes) {
  Ref classes = new_list({"ostrel-columns-selector-special"_s});
  Ref extend = getattr(classes.borrow(), "extend"_s);
  call(extend.borrow(), {css_classes});
  return classes;
}

}  // namespace

Ref set_special_selector(SetSpecialSelector& c) {
  PyObject* self = c.self();
  PyObject* given_name = c.arg<"special_name">();
  Ref special_name = given_name == Py_None ? chosen_special_label(c) : Ref::share(given_name);

  Ref registry = c.global("SELECTOR_OPTIONS"_s);
  Ref selector_class = getitem(registry.borrow(), special_name.borrow());
  Ref selector = call_kw(selector_class.borrow(), {{"manager"_s, self}, {"on_change"_s, getattr(self, "on_change"_s)}});
  setattr(self, "_special_selector"_s, selector.borrow());

  Ref singleselect = c.global("Singleselect"_s);
  Ref dropdown = call_kw(
      singleselect.borrow(),
      {
          {"placeholder"_s, "Choose column(s)"_s},
          {"options"_s, getattr(self, "_options"_s)},
          {"value"_s, special_name},
          {"focus_after_init"_s, call_method(getattr(self, "_special_selector"_s).borrow(), "focus_dropdown"_s)},
          {"set_soft_value"_s, c.arg<"set_soft_value">()},
          {"width"_s, getattr(self, "width"_s)},
          {"on_change"_s, getattr(self, "_selection_changed"_s)},
          {"css_classes"_s, special_css_classes(c.arg<"css_classes">())},
      });
  setattr(self, "_main_selector"_s, dropdown.borrow());
  setattr(self, "children"_s,
          new_list({getattr(self, "_main_selector"_s), getattr(self, "_special_selector"_s)}).borrow());
  return none();
}

}  // namespace columns_selector::widget
