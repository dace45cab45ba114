// Attribute access, calls with ordered keywords, comparisons and the text form of values.
#pragma once

#include <initializer_list>

#include "interop/ref.hpp"

namespace columns_selector {

// An argument: a borrowed object, an owned temporary, a Python str from a literal, or a bool.
class Arg {
 public:
  Arg(PyObject* borrowed) noexcept : ptr_(borrowed) {}
  Arg(const Ref& borrowed) noexcept : ptr_(borrowed.borrow()) {}
  Arg(Ref&& owned) noexcept : owned_(std::move(owned)), ptr_(owned_.borrow()) {}
  Arg(const char* text);
  Arg(bool flag) noexcept : ptr_(flag ? Py_True : Py_False) {}
  PyObject* get() const noexcept { return ptr_; }

 private:
  Ref owned_;
  PyObject* ptr_;
};

struct Kw {
  const char* name;
  Arg value;
};

Ref str(const char* text);
Ref none();

Ref getattr(PyObject* object, const char* name);
void setattr(PyObject* object, const char* name, PyObject* value);
Ref getitem(PyObject* object, PyObject* key);
// object[index], through the mapping protocol as a subscript does.
Ref item_at(PyObject* object, Py_ssize_t index);

// callable(*args)
Ref call(PyObject* callable, std::initializer_list<Arg> args = {});
// callable(**kwargs), keywords passed in the order written.
Ref call_kw(PyObject* callable, std::initializer_list<Kw> kwargs);
// callable(*args_tuple, **kwargs_dict); either may be NULL.
Ref call_with(PyObject* callable, PyObject* args_tuple, PyObject* kwargs_dict);
// object.name(), the method looked up on the object as Python does. (Methods with arguments are
// looked up first and called next, in two statements, so that the lookup comes before the arguments.)
Ref call_method(PyObject* object, const char* name);

// iter(iterable); then next(iterator) until it gives an empty Ref.
Ref iterate(PyObject* iterable);
Ref next(PyObject* iterator);

bool truthy(PyObject* object);
bool equal(PyObject* left, PyObject* right);      // left == right, then its truth
bool not_equal(PyObject* left, PyObject* right);  // left != right, then its truth
bool contains(PyObject* container, PyObject* item);

Ref new_list(std::initializer_list<Arg> items = {});
void append(PyObject* list, PyObject* item);

// raise exception (an instance or a class), as the raise statement does.
[[noreturn]] void raise(PyObject* exception);

// str(value), the interpreter's own string form, where a text is made by str() rather than format().
Ref str_of(PyObject* value);
// format(value, ""): the text form that code texts are joined from.
Ref text_form(PyObject* value);
// The text forms of the pieces, each formatted in turn from left to right, joined with nothing between them.
Ref join_text(std::initializer_list<Arg> pieces);

}  // namespace columns_selector
