// The constructor shared by the selectors whose input is one text field.
#pragma once

#include "interop/function.hpp"

namespace columns_selector {

// The __init__ of such a selector.
using TextFieldInit = Def<"self", "**kwargs">;
// super().__init__(**kwargs); self.text = Text(...); self.children = [self.text]
void init_with_text_field(TextFieldInit& c, PyObject* placeholder);

}  // namespace columns_selector
