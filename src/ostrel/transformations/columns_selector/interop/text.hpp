// The text of code: the two string forms of a value, and code texts joined from pieces.
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

// The texts (strs, borrowed: texts[i] is the text form of pieces[i]) written one after another.
Ref join_texts(const Arg* pieces, PyObject* const* texts, size_t count);

// The text forms of the pieces (a literal is written as it stands), taken from left to right, joined
// with nothing between them:
//   join_text({c.global("DF_OLD"_s), ".filter(regex="_s, rendered, ")"_s})
// (A braced list: its pieces are evaluated in the order written, which a call's arguments are not.)
template <size_t N>
Ref join_text(const Arg (&pieces)[N]) {
  static_assert(N >= 2, "the text of one piece is its text form");
  // An exact str is its own text form; format() runs for the rest, left to right, before anything
  // is written (it may run code of the user's, which may join texts of its own).
  std::array<Ref, N> formatted;
  std::array<PyObject*, N> texts;
  for (size_t i = 0; i < N; ++i) {
    texts[i] = pieces[i].get();
    if (!PyUnicode_CheckExact(texts[i])) {
      formatted[i] = Ref::steal(PyObject_Format(texts[i], ""_s));
      texts[i] = formatted[i].borrow();
    }
  }
  // Two: the interpreter's own concatenation.
  if constexpr (N == 2) {
    return Ref::steal(PyUnicode_Concat(texts[0], texts[1]));
  } else {
    return join_texts(pieces, texts.data(), N);
  }
}

}  // namespace columns_selector
