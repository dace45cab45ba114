// Building a ColumnsSelector: read the frame's columns once, build the option list, show the
// starting dropdown.
#include "widget/methods.hpp"

namespace columns_selector::widget {

// __init__(self, transformation=None, show_all_columns=True, set_all_columns_as_default=False,
//          width="md", focus_after_init=False, css_classes=[], on_change=lambda: None)
Ref init(Frame& f) {
  PyObject* self = f.self();
  PyObject* show_all_columns = f.arg(2);
  PyObject* set_all_columns_as_default = f.arg(3);
  PyObject* css_classes = f.arg(6);

  f.init_base(nullptr);
  setattr(self, "transformation", f.arg(1));
  setattr(self, "df", call_method(getattr(self, "transformation").borrow(), "get_df").borrow());
  setattr(self, "width", f.arg(4));
  setattr(self, "_options", new_list().borrow());

  // self._options.<method>(<argument>), the list read from the attribute each time.
  auto options_call = [&](const char* method, auto&& argument) {
    Ref bound = getattr(getattr(self, "_options").borrow(), method);
    call(bound.borrow(), {argument()});
  };
  if (truthy(show_all_columns) || truthy(set_all_columns_as_default)) {
    options_call("append", [&] { return f.global("ALL_COLUMNS"); });
  }
  options_call("extend", [&] { return f.global("TOP_OPTIONS"); });
  options_call("extend", [&] { return getattr(getattr(self, "df").borrow(), "columns"); });
  options_call("extend", [&] { return f.global("BOTTOM_OPTIONS"); });
  setattr(self, "on_change", f.arg(7));

  if (truthy(set_all_columns_as_default)) {
    Ref start_special = getattr(self, "_set_special_selector");
    call_kw(start_special.borrow(), {
                                        {"special_name", f.global("ALL_COLUMNS")},
                                        {"set_soft_value", true},
                                        {"css_classes", css_classes},
                                    });
  } else {
    Ref start_names = getattr(self, "_create_multi_select");
    call_kw(start_names.borrow(), {{"focus_after_init", f.arg(5)}, {"css_classes", css_classes}});
  }
  return none();
}

// _create_multi_select(self, value=[], focus_after_init=True, css_classes=[])
Ref create_multi_select(Frame& f) {
  PyObject* self = f.self();
  Ref multiselect = f.global("Multiselect");
  Ref dropdown = call_kw(multiselect.borrow(), {
                                                   {"placeholder", "Choose column(s)"},
                                                   {"options", getattr(self, "_options")},
                                                   {"value", f.arg(1)},
                                                   {"focus_after_init", f.arg(2)},
                                                   {"width", getattr(self, "width")},
                                                   {"on_change", getattr(self, "_selection_changed")},
                                                   {"css_classes", f.arg(3)},
                                               });
  setattr(self, "_main_selector", dropdown.borrow());
  setattr(self, "children", new_list({getattr(self, "_main_selector")}).borrow());
  return none();
}

}  // namespace columns_selector::widget
