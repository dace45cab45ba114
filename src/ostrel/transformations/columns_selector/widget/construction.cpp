// Building a ColumnsSelector: read the frame's columns once, build the option list, show the
// starting dropdown.
#include "vocabulary.hpp"
#include "widget/methods.hpp"

namespace columns_selector::widget {

Ref init(Init& c) {
  PyObject* self = c.self();
  PyObject* show_all_columns = c.arg<"show_all_columns">();
  PyObject* set_all_columns_as_default = c.arg<"set_all_columns_as_default">();
  PyObject* css_classes = c.arg<"css_classes">();

  c.init_base(nullptr);
  setattr(self, "transformation"_s, c.arg<"transformation">());
  setattr(self, "df"_s, call_method(getattr(self, "transformation"_s).borrow(), "get_df"_s).borrow());
  setattr(self, "width"_s, c.arg<"width">());
  setattr(self, "_options"_s, new_list().borrow());

  // self._options.<method>(<argument>), the list read from the attribute each time.
  auto options_call = [&](PyObject* method, auto&& argument) {
    Ref bound = getattr(getattr(self, "_options"_s).borrow(), method);
    call(bound.borrow(), {argument()});
  };
  if (truthy(show_all_columns) || truthy(set_all_columns_as_default)) {
    options_call("append"_s, [&] { return c.global(all_columns_attribute()); });
  }
  options_call("extend"_s, [&] { return c.global("TOP_OPTIONS"_s); });
  options_call("extend"_s, [&] { return getattr(getattr(self, "df"_s).borrow(), "columns"_s); });
  options_call("extend"_s, [&] { return c.global("BOTTOM_OPTIONS"_s); });
  setattr(self, "on_change"_s, c.arg<"on_change">());

  if (truthy(set_all_columns_as_default)) {
    Ref start_special = getattr(self, "_set_special_selector"_s);
    call_kw(start_special.borrow(), {
                                        {"special_name"_s, c.global(all_columns_attribute())},
                                        {"set_soft_value"_s, Py_True},
                                        {"css_classes"_s, css_classes},
                                    });
  } else {
    Ref start_names = getattr(self, "_create_multi_select"_s);
    call_kw(start_names.borrow(),
            {{"focus_after_init"_s, c.arg<"focus_after_init">()}, {"css_classes"_s, css_classes}});
  }
  return none();
}

Ref create_multi_select(CreateMultiSelect& c) {
  PyObject* self = c.self();
  Ref multiselect = c.global("Multiselect"_s);
  Ref dropdown = call_kw(multiselect.borrow(), {
                                                   {"placeholder"_s, "Choose column(s)"_s},
                                                   {"options"_s, getattr(self, "_options"_s)},
                                                   {"value"_s, c.arg<"value">()},
                                                   {"focus_after_init"_s, c.arg<"focus_after_init">()},
                                                   {"width"_s, getattr(self, "width"_s)},
                                                   {"on_change"_s, getattr(self, "_selection_changed"_s)},
                                                   {"css_classes"_s, c.arg<"css_classes">()},
                                               });
  setattr(self, "_main_selector"_s, dropdown.borrow());
  setattr(self, "children"_s, new_list({getattr(self, "_main_selector"_s)}).borrow());
  return none();
}

}  // namespace columns_selector::widget
