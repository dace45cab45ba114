// Names and text literals as interpreter strings, made once and kept for the life of the process.
//
//   getattr(self, "text"_s)      join_text({df_code, ".columns"_s})
//
// Each distinct literal becomes one interned str on first use. Interned keys hit the interpreter's
// dict and type-attribute caches, where a str made afresh for every lookup costs a new object and a
// walk of the class's whole MRO.
#pragma once

#include <algorithm>
#include <cstddef>

#include "interop/ref.hpp"

namespace columns_selector {

// The characters of a string literal, usable as a template argument.
template <std::size_t N>
struct Literal {
  constexpr Literal(const char (&text)[N]) { std::copy_n(text, N, chars); }  // NOLINT: implicit by design
  static constexpr Py_ssize_t kLength = N - 1;                               // without the closing NUL
  constexpr bool ascii() const {
    for (char c : chars) {
      if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
  }
  char chars[N];
};

// PyUnicode_InternFromString, for names known only at run time (the load's tables).
Ref make_interned(const char* text);

// An interned str together with the characters it was made from and their count.
struct Interned {
  PyObject* object;
  const char* chars;
  Py_ssize_t length;
  operator PyObject*() const noexcept { return object; }  // NOLINT: used wherever a str object is
};

template <Literal L>
PyObject* interned() {
  static PyObject* object = nullptr;  // one per literal: see interop/process_state.hpp
  if (object == nullptr) object = make_interned(L.chars).release();
  return object;
}

// "text"_s: the interned str of the literal (borrowed; it is never released). ASCII only, so that
// its characters are its text as they stand.
template <Literal L>
Interned operator""_s() {
  static_assert(L.ascii(), "\"..\"_s takes ASCII text");
  return {interned<L>(), L.chars, L.kLength};
}

}  // namespace columns_selector
