#include "interop/call.hpp"

#include <type_traits>

namespace columns_selector {

Ref make_interned(const char* text) { return Ref::steal(PyUnicode_InternFromString(text)); }

// The traps that Arg closes: a flag or a literal without _s is refused at compile time.
static_assert(!std::is_convertible_v<bool, Arg>);
static_assert(!std::is_convertible_v<const char (&)[3], Arg>);
static_assert(std::is_convertible_v<Interned, Arg>);
// And so is a call with more arguments than call() passes.
template <typename Callable>
constexpr bool kTakesThree = requires(Callable callable, PyObject* a) { call(callable, {a, a, a}); };
template <typename Callable>
constexpr bool kTakesFour = requires(Callable callable, PyObject* a) { call(callable, {a, a, a, a}); };
static_assert(kTakesThree<PyObject*> && !kTakesFour<PyObject*>);

Ref none() { return Ref::share(Py_None); }

Ref getattr(PyObject* object, PyObject* name) { return Ref::steal(PyObject_GetAttr(object, name)); }

Ref getattr_optional(PyObject* object, PyObject* name) {
  PyObject* value = PyObject_GetAttr(object, name);
  if (value != nullptr) return Ref::steal(value);
  if (!PyErr_ExceptionMatches(PyExc_AttributeError)) throw PyErrorSet{};
  PyErr_Clear();
  return {};
}

void setattr(PyObject* object, PyObject* name, PyObject* value) { check(PyObject_SetAttr(object, name, value)); }

void setattr(PyObject* object, const char* name, PyObject* value) {
  check(PyObject_SetAttrString(object, name, value));
}

Ref getitem(PyObject* object, PyObject* key) { return Ref::steal(PyObject_GetItem(object, key)); }

Ref item_at(PyObject* object, Py_ssize_t index) {
  // A negative index counts from the end, as a subscript does: the interpreter's own subscript reads it.
  if (index >= 0 && PyTuple_CheckExact(object) && index < PyTuple_Size(object)) {
    return Ref::share(PyTuple_GetItem(object, index));
  }
  if (index >= 0 && PyList_CheckExact(object) && index < PyList_Size(object)) {
    return Ref::share(PyList_GetItem(object, index));
  }
  Ref key = Ref::steal(PyLong_FromSsize_t(index));
  return getitem(object, key.borrow());
}

Ref call_with_kwargs(PyObject* callable, PyObject* kwargs_dict) {
  Ref empty = Ref::steal(PyTuple_New(0));
  return Ref::steal(PyObject_Call(callable, empty.borrow(), kwargs_dict));
}

Ref call(PyObject* callable) { return Ref::steal(PyObject_CallFunctionObjArgs(callable, nullptr)); }

Ref call_kw(PyObject* callable, std::initializer_list<Kw> kwargs) {
  Ref dict = Ref::steal(PyDict_New());
  for (const Kw& kw : kwargs) check(PyDict_SetItem(dict.borrow(), kw.name, kw.value.get()));
  return call_with_kwargs(callable, dict.borrow());
}

Ref call_method(PyObject* object, PyObject* name) {
  return Ref::steal(PyObject_CallMethodObjArgs(object, name, nullptr));
}

Ref iterate(PyObject* iterable) { return Ref::steal(PyObject_GetIter(iterable)); }

Ref next(PyObject* iterator) {
  PyObject* item = PyIter_Next(iterator);
  if (item == nullptr && PyErr_Occurred()) throw PyErrorSet{};
  return item != nullptr ? Ref::steal(item) : Ref();
}

bool truthy(PyObject* object) { return check(PyObject_IsTrue(object)) == 1; }

bool equal(PyObject* left, PyObject* right) {
  // Two exact strs compare by value with no code of the user's, so the identity shortcut is exact here.
  if (PyUnicode_CheckExact(left) && PyUnicode_CheckExact(right)) {
    return check(PyObject_RichCompareBool(left, right, Py_EQ)) == 1;
  }
  Ref result = Ref::steal(PyObject_RichCompare(left, right, Py_EQ));
  return truthy(result.borrow());
}

bool in_keys(PyObject* mapping, PyObject* item) {
  if (PyDict_CheckExact(mapping)) return check(PyDict_Contains(mapping, item)) == 1;
  Ref keys = call_method(mapping, "keys"_s);
  return check(PySequence_Contains(keys.borrow(), item)) == 1;
}

bool is_plain_dict(PyObject* mapping) {
  if (!PyDict_CheckExact(mapping)) return false;
  PyObject* key;
  PyObject* value;
  Py_ssize_t pos = 0;
  while (PyDict_Next(mapping, &pos, &key, &value)) {
    if (!PyUnicode_CheckExact(key)) return false;
  }
  return true;
}

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

}  // namespace columns_selector
