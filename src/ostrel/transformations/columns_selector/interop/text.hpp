// The text of code: the two string forms of a value, and texts joined from pieces.
#pragma once

#include <initializer_list>

#include "interop/call.hpp"

namespace columns_selector {

// str(value), the interpreter's own string form.
Ref str_of(PyObject* value);
// format(value, ""): the text form that code texts are joined from.
Ref text_form(PyObject* value);
// The text forms of the pieces, taken from left to right, joined with nothing between them.
Ref join_text(std::initializer_list<Arg> pieces);

}  // namespace columns_selector
