#include "selectors/text_field.hpp"

namespace columns_selector {

void init_with_text_field(TextFieldInit& c, PyObject* placeholder) {
  PyObject* self = c.self();
  c.init_base(c.kwargs());
  Ref text = c.global("Text"_s);
  Ref field =
      call_kw(text.borrow(), {
                                 {"placeholder"_s, placeholder},
                                 {"focus_after_init"_s, Py_True},
                                 {"width"_s, "sm"_s},
                                 {"execute"_s, getattr(getattr(self, "manager"_s).borrow(), "transformation"_s)},
                                 {"on_change"_s, getattr(self, "on_change"_s)},
                             });
  setattr(self, "text"_s, field.borrow());
  setattr(self, "children"_s, new_list({getattr(self, "text"_s)}).borrow());
}

}  // namespace columns_selector
