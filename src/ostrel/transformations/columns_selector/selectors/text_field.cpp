#include "selectors/text_field.hpp"

namespace columns_selector {

void init_with_text_field(Frame& frame, const char* placeholder) {
  PyObject* self = frame.self();
  frame.init_base(frame.kwargs());
  Ref text = frame.global("Text");
  Ref field = call_kw(text.borrow(), {
                                         {"placeholder", placeholder},
                                         {"focus_after_init", true},
                                         {"width", "sm"},
                                         {"execute", getattr(getattr(self, "manager").borrow(), "transformation")},
                                         {"on_change", getattr(self, "on_change")},
                                     });
  setattr(self, "text", field.borrow());
  setattr(self, "children", new_list({getattr(self, "text")}).borrow());
}

}  // namespace columns_selector
