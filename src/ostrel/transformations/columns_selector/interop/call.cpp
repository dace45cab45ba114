#include "interop/call.hpp"

#include <vector>

namespace columns_selector {

Arg::Arg(const char* text) : owned_(str(text)), ptr_(owned_.borrow()) {}

Ref str(const char* text) { return Ref::steal(PyUnicode_FromString(text)); }

Ref none() { return Ref::share(Py_None); }

Ref getattr(PyObject* object, const char* name) { return Ref::steal(PyObject_GetAttrString(object, name)); }

void setattr(PyObject* object, const char* name, PyObject* value) {
  check(PyObject_SetAttrString(object, name, value));
}

Ref getitem(PyObject* object, PyObject* key) { return Ref::steal(PyObject_GetItem(object, key)); }

Ref item_at(PyObject* object, Py_ssize_t index) {
  Ref key = Ref::steal(PyLong_FromSsize_t(index));
  return getitem(object, key.borrow());
}

namespace {

Ref tuple_of(std::initializer_list<Arg> items) {
  Ref tuple = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(items.size())));
  Py_ssize_t i = 0;
  for (const Arg& item : items) {
    Py_INCREF(item.get());
    PyTuple_SetItem(tuple.borrow(), i++, item.get());  // steals the new reference
  }
  return tuple;
}

Ref dict_of(std::initializer_list<Kw> kwargs) {
  Ref dict = Ref::steal(PyDict_New());
  for (const Kw& kw : kwargs) check(PyDict_SetItemString(dict.borrow(), kw.name, kw.value.get()));
  return dict;
}

}  // namespace

Ref call_with(PyObject* callable, PyObject* args_tuple, PyObject* kwargs_dict) {
  if (args_tuple != nullptr) return Ref::steal(PyObject_Call(callable, args_tuple, kwargs_dict));
  Ref empty = Ref::steal(PyTuple_New(0));
  return Ref::steal(PyObject_Call(callable, empty.borrow(), kwargs_dict));
}

Ref call(PyObject* callable, std::initializer_list<Arg> args) {
  Ref tuple = tuple_of(args);
  return call_with(callable, tuple.borrow(), nullptr);
}

Ref call_kw(PyObject* callable, std::initializer_list<Kw> kwargs) {
  Ref dict = dict_of(kwargs);
  return call_with(callable, nullptr, dict.borrow());
}

Ref call_method(PyObject* object, const char* name) {
  Ref method = getattr(object, name);
  return call(method.borrow());
}

Ref iterate(PyObject* iterable) { return Ref::steal(PyObject_GetIter(iterable)); }

Ref next(PyObject* iterator) {
  PyObject* item = PyIter_Next(iterator);
  if (item == nullptr && PyErr_Occurred()) throw PyErrorSet{};
  return item != nullptr ? Ref::steal(item) : Ref();
}

bool truthy(PyObject* object) { return check(PyObject_IsTrue(object)) == 1; }

bool equal(PyObject* left, PyObject* right) {
  Ref result = Ref::steal(PyObject_RichCompare(left, right, Py_EQ));
  return truthy(result.borrow());
}

bool not_equal(PyObject* left, PyObject* right) {
  Ref result = Ref::steal(PyObject_RichCompare(left, right, Py_NE));
  return truthy(result.borrow());
}

bool contains(PyObject* container, PyObject* item) { return check(PySequence_Contains(container, item)) == 1; }

Ref new_list(std::initializer_list<Arg> items) {
  Ref list = Ref::steal(PyList_New(0));
  for (const Arg& item : items) append(list.borrow(), item.get());
  return list;
}

void append(PyObject* list, PyObject* item) { check(PyList_Append(list, item)); }

void raise(PyObject* exception) {
  if (PyExceptionInstance_Check(exception)) {
    PyErr_SetObject(reinterpret_cast<PyObject*>(Py_TYPE(exception)), exception);
  } else if (PyExceptionClass_Check(exception)) {
    PyErr_SetNone(exception);
  } else {
    PyErr_SetString(PyExc_TypeError, "exceptions must derive from BaseException");
  }
  throw PyErrorSet{};
}

Ref str_of(PyObject* value) { return Ref::steal(PyObject_Str(value)); }

Ref text_form(PyObject* value) {
  Ref spec = Ref::steal(PyUnicode_FromStringAndSize("", 0));
  return Ref::steal(PyObject_Format(value, spec.borrow()));
}

Ref join_text(std::initializer_list<Arg> pieces) {
  Ref texts = Ref::steal(PyList_New(0));
  for (const Arg& piece : pieces) {
    Ref text = text_form(piece.get());
    append(texts.borrow(), text.borrow());
  }
  Ref separator = Ref::steal(PyUnicode_FromStringAndSize("", 0));
  return Ref::steal(PyUnicode_Join(separator.borrow(), texts.borrow()));
}

}  // namespace columns_selector
