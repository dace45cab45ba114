// Function objects for the methods of the module's classes.
//
// They behave like functions written in Python: calling one binds the arguments to its parameters
// (with the interpreter's own TypeError messages), reading one from an instance gives a bound
// method and from the class the function itself, and each carries __name__, __qualname__,
// __module__ and an exact __doc__ (None where it has none). A function also knows the module
// attributes it runs against (its globals) and the class it was defined in, so that an __init__
// can reach its base class the way zero-argument super() does.
#pragma once

#include <initializer_list>

#include "interop/call.hpp"

namespace columns_selector {

class Frame;
using Impl = Ref (*)(Frame&);

// What an implementation sees of one call: the bound parameters, the module attributes, the class.
class Frame {
 public:
  // The parameter at position index of the signature, as bound for this call (borrowed).
  PyObject* arg(Py_ssize_t index) const { return bound_[index].borrow(); }
  PyObject* self() const { return bound_[0].borrow(); }
  // The **kwargs dict of a function that collects them.
  PyObject* kwargs() const { return kwargs_.borrow(); }

  // The module attribute `name` at this moment, else the builtin of that name, else NameError.
  Ref global(const char* name) const;
  // super(<defining class>, self).__init__(**kwargs), no positional argument.
  void init_base(PyObject* kwargs) const;

 private:
  friend struct FrameAccess;
  PyObject* function_ = nullptr;
  const Ref* bound_ = nullptr;
  Ref kwargs_;
};

// How a function is made: its parameter names as in a def ("self", "value", "*args",
// "**kwargs"; positional arguments past the plain ones are accepted and not kept) and the
// defaults of the trailing plain parameters, made once, here.
struct FunctionSpec {
  const char* name;
  const char* qualname;
  Impl impl;
  std::initializer_list<const char*> params;
  std::initializer_list<Arg> defaults = {};
  const char* doc = nullptr;
};

// The entry `name` of a module's attribute dict, else the builtin of that name, else the
// interpreter's NameError. Read afresh on every call, so rebinding a module attribute takes effect.
Ref lookup_global(PyObject* globals, const char* name);

// Creates the function type once per process; call before make_function.
void ready_function_type();
Ref make_function(const FunctionSpec& spec, PyObject* module_name, PyObject* globals);
// Records the class that a function was defined in (what a class statement's __class__ cell does).
void set_defining_class(PyObject* function, PyObject* cls);

}  // namespace columns_selector
