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

// One piece of a code text: a literal ("..."_s, ASCII, written as it stands) or an object (its text form).
class Piece {
 public:
  Piece(Interned literal) noexcept : literal_(literal.chars), object_(literal.object) {}  // NOLINT: implicit, as all
  Piece(PyObject* object) noexcept : object_(object) {}                                   // NOLINT
  Piece(const Ref& object) noexcept : object_(object.borrow()) {}                         // NOLINT
  Piece(Ref&& object) noexcept : owned_(std::move(object)), object_(owned_.borrow()) {}   // NOLINT
  const char* literal() const noexcept { return literal_; }
  PyObject* object() const noexcept { return object_; }

 private:
  const char* literal_ = nullptr;
  Ref owned_;
  PyObject* object_ = nullptr;
};

// The pieces written one after another; texts[i] is the text form of pieces[i].
Ref write_pieces(const Piece* pieces, const Ref* texts, size_t count);

// The text forms of the pieces, taken from left to right, joined with nothing between them:
//   join_text({f.global("DF_OLD"_s), ".filter(regex="_s, rendered, ")"_s})
// (A braced list: its pieces are evaluated in the order written, which a call's arguments are not.)
template <size_t N>
Ref join_text(const Piece (&pieces)[N]) {
  std::array<Ref, N> texts;
  for (size_t i = 0; i < N; ++i) texts[i] = text_form(pieces[i].object());
  // Two strs: the interpreter's own concatenation. More: one buffer, so that no str or tuple is made
  // per piece.
  if constexpr (N == 2) return Ref::steal(PyUnicode_Concat(texts[0].borrow(), texts[1].borrow()));
  return write_pieces(pieces, texts.data(), N);
}

}  // namespace columns_selector
