// The methods of the module's classes, in two kinds.
//
// A method that takes nothing but self is a C method descriptor of its class (the interpreter's
// fastest call path): it binds, describes itself and pickles as the interpreter's own methods do.
//
// A method with parameters is a function object of this module that behaves like a function written
// in Python: calling one binds the arguments to its parameters (with the interpreter's own TypeError
// messages), reading one from an instance gives a bound method and from the class the function
// itself, and each carries __name__, __qualname__, __module__, __defaults__, an exact __doc__ (None
// where it has none) and a __signature__. A function also knows the class it was defined in, so that
// an __init__ can reach its base class the way zero-argument super() does.
//
// Both kinds reach the module's attributes through the module dict of the current load.
#pragma once

#include <initializer_list>

#include "interop/call.hpp"
#include "interop/traceback.hpp"

namespace columns_selector {

class Frame;
using Impl = Ref (*)(Frame&);

// What an implementation sees of one call: the bound parameters, the module attributes, the class.
class Frame {
 public:
  // The parameter at position index of the signature, as bound for this call (borrowed).
  PyObject* arg(Py_ssize_t index) const { return args_[index]; }
  PyObject* self() const { return args_[0]; }
  // The **kwargs dict of a function that collects them.
  PyObject* kwargs() const { return kwargs_; }

  // The module attribute `name` at this moment, else the builtin of that name, else NameError.
  Ref global(PyObject* name) const;
  // super(<defining class>, self).__init__(**kwargs), no positional argument.
  void init_base(PyObject* kwargs) const;

 private:
  friend struct FrameAccess;
  PyObject* const* args_ = nullptr;
  PyObject* kwargs_ = nullptr;
  PyObject* function_ = nullptr;  // NULL for a method descriptor
};

// How a function object is made: its parameter names as in a def ("self", "value", "*args",
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

// The module dict that methods read their module-level names from: the one of the current load.
void set_module_globals(PyObject* globals);
// The entry `name` of the module dict, else the builtin of that name, else the interpreter's
// NameError. Read afresh on every call, so rebinding a module attribute takes effect.
Ref lookup_global(PyObject* name);

// Creates the function type once per process; call before make_function.
void ready_function_type();
Ref make_function(const FunctionSpec& spec, PyObject* module_name, PyObject* globals);
// Records the class that a function was defined in (what a class statement's __class__ cell does).
void set_defining_class(PyObject* function, PyObject* cls);

// The PyMethodDef of a method descriptor that runs impl with self alone (METH_NOARGS); its doc
// carries the text signature "name($self, /)". Kept for the life of the process.
PyMethodDef* no_argument_method(const char* name, PyCFunction trampoline, const char* doc);

struct FrameAccess {
  static Frame for_self(PyObject* const* self) {
    Frame frame;
    frame.args_ = self;
    return frame;
  }
  static Frame for_function(PyObject* function, PyObject* const* args, PyObject* kwargs) {
    Frame frame;
    frame.args_ = args;
    frame.kwargs_ = kwargs;
    frame.function_ = function;
    return frame;
  }
  static PyObject* function(const Frame& frame) { return frame.function_; }
};

// The qualified name of the method that runs impl, for its traceback entry; set when its class is built.
template <Impl impl>
inline PyObject* method_qualname = nullptr;  // strong, kept for the life of the process

// The C entry of a no-argument method: impl, with a C++ exception turned back into NULL and a
// traceback entry that names the method.
template <Impl impl>
PyObject* run_without_arguments(PyObject* self, PyObject* /*unused*/) {
  PyObject* result = guard<PyObject*>(nullptr, [&] {
    Frame frame = FrameAccess::for_self(&self);
    return impl(frame).release();
  });
  if (result == nullptr && method_qualname<impl> != nullptr) add_traceback_entry(method_qualname<impl>);
  return result;
}

}  // namespace columns_selector
