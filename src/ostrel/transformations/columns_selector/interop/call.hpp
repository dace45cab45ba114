// Attribute access, calls with ordered keywords and comparisons, each one line at the call site.
// Names are interned strs ("name"_s, see names.hpp).
#pragma once

#include <cstddef>
#include <initializer_list>

#include "interop/names.hpp"
#include "interop/ref.hpp"

namespace columns_selector {

// An argument of a call, or a piece of a code text (join_text): a borrowed object, an interned literal
// ("..."_s, whose characters are kept as well) or an owned temporary. A flag is passed as Py_True /
// Py_False: neither a bool nor a C string converts, so a literal written without _s does not compile
// (it would otherwise turn into the bool true).
class Arg {
 public:
  Arg(PyObject* borrowed) noexcept : ptr_(borrowed) {}  // NOLINT: implicit by design, as for all
  Arg(Interned text) noexcept : ptr_(text.object), chars_(text.chars), length_(text.length) {}  // NOLINT
  Arg(const Ref& borrowed) noexcept : ptr_(borrowed.borrow()) {}                                // NOLINT
  Arg(Ref&& owned) noexcept : owned_(std::move(owned)), ptr_(owned_.borrow()) {}                // NOLINT
  Arg(bool) = delete;
  Arg(const char*) = delete;
  PyObject* get() const noexcept { return ptr_; }
  // The characters of a literal and their count; NULL for an object.
  const char* chars() const noexcept { return chars_; }
  Py_ssize_t length() const noexcept { return length_; }

 private:
  Ref owned_;
  PyObject* ptr_;
  const char* chars_ = nullptr;
  Py_ssize_t length_ = 0;
};

struct Kw {
  PyObject* name;  // an interned str
  Arg value;
};

Ref none();

Ref getattr(PyObject* object, PyObject* name);
// object.name, or an empty Ref where the object has no such attribute: an AttributeError, and only
// that, means "missing"; any other error passes on.
Ref getattr_optional(PyObject* object, PyObject* name);
void setattr(PyObject* object, PyObject* name, PyObject* value);
// The same with a name known only at run time (the load binds names from its tables).
void setattr(PyObject* object, const char* name, PyObject* value);
Ref getitem(PyObject* object, PyObject* key);
// object[index], as a subscript does (an exact tuple or list in range is read directly).
Ref item_at(PyObject* object, Py_ssize_t index);

// callable() and callable(a), callable(a, b), callable(a, b, c): the arguments are passed on the
// stack, with no argument tuple where the callee takes vectorcall. They are a braced list, evaluated
// in the order written; a list of more than three does not compile.
Ref call(PyObject* callable);
template <size_t N>
  requires(N <= 3)
Ref call(PyObject* callable, const Arg (&args)[N]) {
  if constexpr (N == 1) return Ref::steal(PyObject_CallFunctionObjArgs(callable, args[0].get(), nullptr));
  if constexpr (N == 2) {
    return Ref::steal(PyObject_CallFunctionObjArgs(callable, args[0].get(), args[1].get(), nullptr));
  }
  if constexpr (N == 3) {
    return Ref::steal(PyObject_CallFunctionObjArgs(callable, args[0].get(), args[1].get(), args[2].get(), nullptr));
  }
}
// callable(**kwargs), keywords passed in the order written.
Ref call_kw(PyObject* callable, std::initializer_list<Kw> kwargs);
// callable(**kwargs_dict), no positional argument; kwargs_dict may be NULL.
Ref call_with_kwargs(PyObject* callable, PyObject* kwargs_dict);
// object.name(), the method looked up on the object as Python does (without making a bound method).
// Methods with arguments are looked up first and called next, in two statements, so that the
// lookup comes before the arguments are evaluated.
Ref call_method(PyObject* object, PyObject* name);

// iter(iterable); then next(iterator) until it gives an empty Ref.
Ref iterate(PyObject* iterable);
Ref next(PyObject* iterator);

// for item in iterable: body(item). An exact list is walked by index, as its own iterator does (its
// length read again at every step), without making an iterator.
template <typename Body>
void for_each(PyObject* iterable, Body&& body) {
  if (PyList_CheckExact(iterable)) {
    for (Py_ssize_t i = 0; i < PyList_Size(iterable); ++i) {
      Ref item = Ref::share(PyList_GetItem(iterable, i));  // held: body may change the list
      body(item.borrow());
    }
    return;
  }
  Ref items = iterate(iterable);
  while (Ref item = next(items.borrow())) body(item.borrow());
}

bool truthy(PyObject* object);
bool equal(PyObject* left, PyObject* right);  // left == right, then its truth
// item in mapping.keys(); for an exact dict that is the dict's own membership test, with no view made.
bool in_keys(PyObject* mapping, PyObject* item);

// Whether mapping is an exact dict whose keys are all exact strs: a membership test of an exact str
// in it runs no code of the user's.
bool is_plain_dict(PyObject* mapping);

// The first item of `values` that is in mapping().keys(), mapping() called anew for every item;
// an empty Ref when there is none. Along an exact list of exact strs tested against a plain dict,
// nothing of the user's runs between two items, so the mapping read for the first of them stands
// for the rest (what a fresh read would give), and each test is one dict lookup.
template <typename Mapping>
Ref first_key_in(PyObject* values, Mapping&& mapping) {
  if (!PyList_CheckExact(values)) {
    Ref items = iterate(values);
    while (Ref item = next(items.borrow())) {
      if (in_keys(mapping().borrow(), item.borrow())) return item;
    }
    return {};
  }
  for (Py_ssize_t i = 0; i < PyList_Size(values); ++i) {
    Ref item = Ref::share(PyList_GetItem(values, i));  // held: a test may change the list
    Ref keys = mapping();
    if (PyUnicode_CheckExact(item.borrow()) && is_plain_dict(keys.borrow())) {
      while (PyUnicode_CheckExact(item.borrow())) {
        if (check(PyDict_Contains(keys.borrow(), item.borrow())) == 1) return item;
        if (++i == PyList_Size(values)) return {};
        item = Ref::share(PyList_GetItem(values, i));
      }
    }
    if (in_keys(keys.borrow(), item.borrow())) return item;
  }
  return {};
}

Ref new_list(std::initializer_list<Arg> items = {});
void append(PyObject* list, PyObject* item);

// raise exception (an instance or a class), as the raise statement does.
[[noreturn]] void raise(PyObject* exception);

}  // namespace columns_selector
