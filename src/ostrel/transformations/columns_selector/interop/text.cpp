// Fast paths for exact strs and lists of them: no code of the user's can run there, so what they
// skip (a format() call per piece, a repr() object per name) cannot be observed. Anything else
// takes the interpreter's own route, in the same order.
#include "interop/text.hpp"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

namespace columns_selector {

namespace {

// The code points of a str, copied into a buffer kept between calls. The buffers are never freed,
// not even at exit: a method may still run while the interpreter tears objects down.
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

// The text of a str, as UTF-8 (a lone surrogate in three bytes, as "surrogatepass" reads it back).
void append_text(std::string& out, PyObject* text, CodePoints& points) {
  Py_ssize_t length = 0;
  const Py_UCS4* chars = points.read(text, length);
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(length));
  char* write = out.data() + at;
  Py_UCS4 wide = 0;
  for (Py_ssize_t i = 0; i < length; ++i) {
    wide |= chars[i];
    write[i] = static_cast<char>(chars[i]);
  }
  if (wide < 0x80) return;
  out.resize(at);
  for (Py_ssize_t i = 0; i < length; ++i) append_utf8(out, chars[i]);
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

}  // namespace

Ref str_of(PyObject* value) {
  if (PyUnicode_CheckExact(value)) return Ref::share(value);  // str() of an exact str is itself
  if (PyList_CheckExact(value)) {
    if (Ref text = str_of_names(value)) return text;
  }
  return Ref::steal(PyObject_Str(value));
}

Ref write_pieces(const Piece* pieces, const Ref* texts, size_t count) {
  // A long text (a list of many names) is copied once by the interpreter's own join rather than
  // converted twice on its way through the buffer.
  constexpr Py_ssize_t kLong = 1024;
  Py_ssize_t length = 0;
  for (size_t i = 0; i < count; ++i) length += PyUnicode_GetLength(texts[i].borrow());
  if (length > kLong) {
    Ref tuple = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(count)));
    for (size_t i = 0; i < count; ++i) {
      PyTuple_SetItem(tuple.borrow(), static_cast<Py_ssize_t>(i), Ref::share(texts[i].borrow()).release());
    }
    return Ref::steal(PyUnicode_Join(""_s, tuple.borrow()));
  }
  // Otherwise written as UTF-8 into a buffer kept between calls, then decoded once: no tuple, no
  // str per piece. Lone surrogates go through as such ("surrogatepass"). Nothing here runs code of
  // the user's; the flag only guards against a second writer all the same.
  static auto& shared = *new std::string;  // never freed: see CodePoints
  static auto& points = *new CodePoints;
  static bool busy = false;
  std::string local;
  std::string& out = busy ? local : shared;
  out.clear();
  bool was_busy = std::exchange(busy, true);
  try {
    for (size_t i = 0; i < count; ++i) {
      if (pieces[i].literal() != nullptr) {
        out.append(pieces[i].literal());
      } else {
        append_text(out, texts[i].borrow(), points);
      }
    }
  } catch (...) {
    busy = was_busy;
    throw;
  }
  busy = was_busy;
  return Ref::steal(PyUnicode_DecodeUTF8(out.data(), static_cast<Py_ssize_t>(out.size()), "surrogatepass"));
}

}  // namespace columns_selector
