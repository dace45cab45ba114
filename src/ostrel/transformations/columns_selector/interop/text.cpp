// Fast paths for exact strs and lists of them: no code of the user's can run there, so what they
// skip (a format() call per piece, a repr() object per name) cannot be observed. Anything else
// takes the interpreter's own route, in the same order.
#include "interop/text.hpp"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace columns_selector {

namespace {

// The code points of a str, copied into a buffer kept between calls (listed in process_state.hpp).
class CodePoints {
 public:
  const Py_UCS4* read(PyObject* text, Py_ssize_t& length) {
    length = PyUnicode_GetLength(text);
    if (length < 0) throw PyErrorSet{};
    if (buffer_.size() < static_cast<size_t>(length) + 1) buffer_.resize(static_cast<size_t>(length) + 1);
    if (PyUnicode_AsUCS4(text, buffer_.data(), length + 1, 0) == nullptr) throw PyErrorSet{};
    return buffer_.data();
  }

 private:
  std::vector<Py_UCS4> buffer_;
};

void append_utf8(std::string& out, Py_UCS4 c) {
  if (c < 0x80U) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800U) {
    out.push_back(static_cast<char>(0xC0U | (c >> 6U)));
    out.push_back(static_cast<char>(0x80U | (c & 0x3FU)));
  } else if (c < 0x10000U) {
    out.push_back(static_cast<char>(0xE0U | (c >> 12U)));
    out.push_back(static_cast<char>(0x80U | ((c >> 6U) & 0x3FU)));
    out.push_back(static_cast<char>(0x80U | (c & 0x3FU)));
  } else {
    out.push_back(static_cast<char>(0xF0U | (c >> 18U)));
    out.push_back(static_cast<char>(0x80U | ((c >> 12U) & 0x3FU)));
    out.push_back(static_cast<char>(0x80U | ((c >> 6U) & 0x3FU)));
    out.push_back(static_cast<char>(0x80U | (c & 0x3FU)));
  }
}

// The repr of an exact str at `write`, when every character is printable ASCII other than a quote
// or a backslash (repr is then the text between single quotes); returns where it ended, or NULL
// when the text needs the interpreter's repr.
char* write_plain_repr(char* write, const Py_UCS4* chars, Py_ssize_t length) {
  // One pass with no early exit, so that the compiler can do it several characters at a time.
  unsigned escaped = 0;
  char* text = write + 1;
  for (Py_ssize_t i = 0; i < length; ++i) {
    Py_UCS4 c = chars[i];
    escaped |=
        static_cast<unsigned>(c - 0x20 > 0x5E) | static_cast<unsigned>(c == '\'') | static_cast<unsigned>(c == '\\');
    text[i] = static_cast<char>(c);
  }
  if (escaped != 0) return nullptr;
  write[0] = '\'';
  text[length] = '\'';
  return text + length + 1;
}

// str(list) for an exact list whose items are all exact strs; an empty Ref for any other value.
// Nothing here runs code of the user's, so the list cannot change under the loops.
Ref str_of_names(PyObject* list) {
  Py_ssize_t count = PyList_Size(list);
  Py_ssize_t plain_size = 2;  // the brackets; each name adds its quotes and a separator of two
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyObject* item = PyList_GetItem(list, i);
    if (!PyUnicode_CheckExact(item)) return {};
    plain_size += PyUnicode_GetLength(item) + 4;
  }
  static auto& points = *new CodePoints;
  // A buffer kept between calls: a list of thousands of names would otherwise cost a fresh large
  // allocation, and its page faults, every time.
  static auto& out = *new std::string;
  out.assign(static_cast<size_t>(plain_size), '\0');
  char* write = out.data();
  *write++ = '[';
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (i > 0) {
      *write++ = ',';
      *write++ = ' ';
    }
    PyObject* item = PyList_GetItem(list, i);
    Py_ssize_t length = 0;
    const Py_UCS4* chars = points.read(item, length);
    if (char* end = write_plain_repr(write, chars, length)) {
      write = end;
      continue;
    }
    // Escapes or other characters: the interpreter's repr, and room for the rest.
    Ref repr = Ref::steal(PyObject_Repr(item));
    chars = points.read(repr.borrow(), length);
    size_t at = static_cast<size_t>(write - out.data());
    std::string text;
    for (Py_ssize_t j = 0; j < length; ++j) append_utf8(text, chars[j]);
    out.resize(out.size() + text.size());
    write = out.data() + at;
    write = std::copy(text.begin(), text.end(), write);
  }
  *write++ = ']';
  return Ref::steal(PyUnicode_DecodeUTF8(out.data(), write - out.data(), nullptr));
}

// The texts joined by the interpreter's own join, over a tuple made for the purpose.
Ref join_all(PyObject* const* texts, size_t count) {
  Ref tuple = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(count)));
  for (size_t i = 0; i < count; ++i) {
    check(PyTuple_SetItem(tuple.borrow(), static_cast<Py_ssize_t>(i), Ref::share(texts[i]).release()));
  }
  return Ref::steal(PyUnicode_Join(""_s, tuple.borrow()));
}

}  // namespace

Ref str_of(PyObject* value) {
  if (PyUnicode_CheckExact(value)) return Ref::share(value);  // str() of an exact str is itself
  if (PyList_CheckExact(value)) {
    if (Ref text = str_of_names(value)) return text;
  }
  return Ref::steal(PyObject_Str(value));
}

Ref join_texts(const Arg* pieces, PyObject* const* texts, size_t count) {
  // A code text is short and, but for a name or a typed text, ASCII. Such a text is written into a
  // buffer kept between calls and made into a str once: no tuple and no str per piece. A literal is
  // copied from its characters, a str's characters are copied out (the limited API gives no view of
  // them). Nothing here runs code of the user's. A longer text, or one with a character beyond
  // Latin-1 (a lone surrogate among them), goes to the interpreter's own join.
  constexpr Py_ssize_t kShort = 512;
  static Py_UCS4 wide[kShort];
  static char narrow[kShort];
  Py_ssize_t at = 0;
  for (size_t i = 0; i < count; ++i) {
    if (const char* chars = pieces[i].chars()) {
      Py_ssize_t length = pieces[i].length();
      if (length > kShort - at) return join_all(texts, count);
      std::memcpy(narrow + at, chars, static_cast<size_t>(length));
      at += length;
      continue;
    }
    Py_ssize_t length = PyUnicode_GetLength(texts[i]);
    if (length < 0) throw PyErrorSet{};
    if (length > kShort - at) return join_all(texts, count);
    if (PyUnicode_AsUCS4(texts[i], wide, kShort, 0) == nullptr) throw PyErrorSet{};
    // A short piece (a name, a typed text) is copied a character at a time, stopping at the first
    // wide one; a long one (a list of names) by a loop without an exit, which the compiler vectorises.
    constexpr Py_ssize_t kLongPiece = 32;
    Py_UCS4 widest = 0;
    if (length < kLongPiece) {
      for (Py_ssize_t j = 0; j < length && widest <= 0xFF; ++j) {
        widest = wide[j];
        narrow[at + j] = static_cast<char>(wide[j]);
      }
    } else {
      for (Py_ssize_t j = 0; j < length; ++j) {
        widest |= wide[j];
        narrow[at + j] = static_cast<char>(wide[j]);
      }
    }
    if (widest > 0xFF) return join_all(texts, count);
    at += length;
  }
  return Ref::steal(PyUnicode_DecodeLatin1(narrow, at, nullptr));
}

}  // namespace columns_selector
