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
  setattr(self, "transformation"_s, f.arg(1));
  setattr(self, "df"_s, call_method(getattr(self, "transformation"_s).borrow(), "get_df"_s).borrow());
  setattr(self, "width"_s, f.arg(4));
  setattr(self, "_options"_s, new_list().borrow());

  // self._options.<method>(<argument>), the list read from the attribute each time.
  auto options_call = [&](PyObject* method, auto&& argument) {
    Ref bound = getattr(getattr(self, "_options"_s).borrow(), method);
    call(bound.borrow(), {argument()});
  };
  if (truthy(show_all_columns) || truthy(set_all_columns_as_default)) {
    options_call("append"_s, [&] { return f.global("ALL_COLUMNS"_s); });
  }
  options_call("extend"_s, [&] { return f.global("TOP_OPTIONS"_s); });
  options_call("extend"_s, [&] { return getattr(getattr(self, "df"_s).borrow(), "columns"_s); });
  options_call("extend"_s, [&] { return f.global("BOTTOM_OPTIONS"_s); });
  setattr(self, "on_change"_s, f.arg(7));

  if (truthy(set_all_columns_as_default)) {
    Ref start_special = getattr(self, "_set_special_selector"_s);
    call_kw(start_special.borrow(), {
                                        {"special_name"_s, f.global("ALL_COLUMNS"_s)},
                                        {"set_soft_value"_s, true},
                                        {"css_classes"_s, css_classes},
                                    });
  } else {
    Ref start_names = getattr(self, "_create_multi_select"_s);
    call_kw(start_names.borrow(), {{"focus_after_init"_s, f.arg(5)}, {"css_classes"_s, css_classes}});
  }
  return none();
}

// _create_multi_select(self, value=[], focus_after_init=True, css_classes=[])
Ref create_multi_select(Frame& f) {
  PyObject* self = f.self();
  Ref multiselect = f.global("Multiselect"_s);
  Ref dropdown = call_kw(multiselect.borrow(), {
                                                   {"placeholder"_s, "Choose column(s)"_s},
                                                   {"options"_s, getattr(self, "_options"_s)},
                                                   {"value"_s, f.arg(1)},
                                                   {"focus_after_init"_s, f.arg(2)},
                                                   {"width"_s, getattr(self, "width"_s)},
                                                   {"on_change"_s, getattr(self, "_selection_changed"_s)},
                                                   {"css_classes"_s, f.arg(3)},
                                               });
  setattr(self, "_main_selector"_s, dropdown.borrow());
  setattr(self, "children"_s, new_list({getattr(self, "_main_selector"_s)}).borrow());
  return none();
}

}  // namespace columns_selector::widget
