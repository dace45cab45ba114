// The text of code: the two string forms of a value, and texts joined from pieces.
#pragma once

#include <array>

#include "interop/call.hpp"

namespace columns_selector {

// str(value), the interpreter's own string form.
Ref str_of(PyObject* value);
// format(value, ""): the text form that code texts are joined from.
inline Ref text_form(PyObject* value) {
  if (PyUnicode_CheckExact(value)) return Ref::share(value);  // what format() gives for an exact str
  return Ref::steal(PyObject_Format(value, ""_s));
}

// The texts joined with nothing between them (each an exact str or a str subclass).
Ref join_texts(Ref* texts, Py_ssize_t count);

// The text forms of the pieces, taken from left to right, joined with nothing between them.
// (A braced list: its pieces are evaluated in the order written, which a call's arguments are not.)
template <size_t N>
Ref join_text(const Arg (&pieces)[N]) {
  std::array<Ref, N> texts;
  for (size_t i = 0; i < N; ++i) texts[i] = text_form(pieces[i].get());
  if constexpr (N == 2) return Ref::steal(PyUnicode_Concat(texts[0].borrow(), texts[1].borrow()));
  return join_texts(texts.data(), N);
}

}  // namespace columns_selector
