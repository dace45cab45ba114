#include "selectors/text_field.hpp"

namespace columns_selector {

void init_with_text_field(Frame& frame, PyObject* placeholder) {
  PyObject* self = frame.self();
  frame.init_base(frame.kwargs());
  Ref text = frame.global("Text"_s);
  Ref field =
      call_kw(text.borrow(), {
                                 {"placeholder"_s, placeholder},
                                 {"focus_after_init"_s, true},
                                 {"width"_s, "sm"_s},
                                 {"execute"_s, getattr(getattr(self, "manager"_s).borrow(), "transformation"_s)},
                                 {"on_change"_s, getattr(self, "on_change"_s)},
                             });
  setattr(self, "text"_s, field.borrow());
  setattr(self, "children"_s, new_list({getattr(self, "text"_s)}).borrow());
}

}  // namespace columns_selector
