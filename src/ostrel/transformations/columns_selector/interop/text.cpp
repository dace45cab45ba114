// Fast paths for exact strs and lists of them: no code of the user's can run there, so what they
// skip (a format() call per piece, a repr() object per name) cannot be observed. Anything else
// takes the interpreter's own route, in the same order.
#include "interop/text.hpp"

#include <string>
#include <vector>

namespace columns_selector {

namespace {

constexpr Py_ssize_t kMaxPieces = 16;

// The code points of a str, copied into a buffer kept between calls.
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
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// repr(text) for an exact str: written directly when every character is printable ASCII other
// than a quote or a backslash (repr is then the text between single quotes); otherwise the
// interpreter's repr, copied over.
void append_repr(std::string& out, PyObject* text, CodePoints& points) {
  Py_ssize_t length = 0;
  const Py_UCS4* chars = points.read(text, length);
  size_t start = out.size();
  out.resize(start + static_cast<size_t>(length) + 2);
  char* write = out.data() + start;
  *write++ = '\'';
  for (Py_ssize_t i = 0; i < length; ++i) {
    Py_UCS4 c = chars[i];
    if (c < 0x20 || c > 0x7E || c == '\'' || c == '\\') {
      out.resize(start);
      Ref repr = Ref::steal(PyObject_Repr(text));
      chars = points.read(repr.borrow(), length);
      for (Py_ssize_t j = 0; j < length; ++j) append_utf8(out, chars[j]);
      return;
    }
    *write++ = static_cast<char>(c);
  }
  *write = '\'';
}

// str(list) for an exact list whose items are all exact strs; an empty Ref for any other value.
Ref str_of_names(PyObject* list) {
  Py_ssize_t count = PyList_Size(list);
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (!PyUnicode_CheckExact(PyList_GetItem(list, i))) return {};
  }
  static CodePoints points;
  std::string out;
  out.reserve(static_cast<size_t>(count) * 12 + 2);
  out.push_back('[');
  // Nothing below runs code of the user's, so the list cannot change under the loop.
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (i > 0) out.append(", ");
    append_repr(out, PyList_GetItem(list, i), points);
  }
  out.push_back(']');
  return Ref::steal(PyUnicode_DecodeUTF8(out.data(), static_cast<Py_ssize_t>(out.size()), nullptr));
}

}  // namespace

Ref str_of(PyObject* value) {
  if (PyList_CheckExact(value)) {
    if (Ref text = str_of_names(value)) return text;
  }
  return Ref::steal(PyObject_Str(value));
}

Ref text_form(PyObject* value) {
  if (PyUnicode_CheckExact(value)) return Ref::share(value);
  return Ref::steal(PyObject_Format(value, ""_s));
}

Ref join_text(std::initializer_list<Arg> pieces) {
  if (pieces.size() > static_cast<size_t>(kMaxPieces)) {
    PyErr_SetString(PyExc_SystemError, "columns_selector: too many pieces of text");
    throw PyErrorSet{};
  }
  // Each piece is formatted in turn, left to right, before anything is joined.
  Ref texts[kMaxPieces];
  Py_ssize_t count = 0;
  for (const Arg& piece : pieces) texts[count++] = text_form(piece.get());
  if (count == 1) return std::move(texts[0]);
  if (count == 2) return Ref::steal(PyUnicode_Concat(texts[0].borrow(), texts[1].borrow()));
  Ref tuple = Ref::steal(PyTuple_New(count));
  for (Py_ssize_t i = 0; i < count; ++i) PyTuple_SetItem(tuple.borrow(), i, texts[i].release());
  return Ref::steal(PyUnicode_Join(""_s, tuple.borrow()));
}

}  // namespace columns_selector
