#include "interop/traceback.hpp"

#include "interop/call.hpp"
#include "interop/process_state.hpp"

namespace columns_selector {

namespace {

// A code object that evaluates to its own frame, named `name` (made once per name: the methods
// that fail are few, and only a failure pays for this).
Ref named_code(PyObject* name) {
  Ref& made = process_state.named_codes;
  if (!made) made = Ref::steal(PyDict_New());
  if (PyObject* found = PyDict_GetItemWithError(made.borrow(), name)) return Ref::share(found);
  if (PyErr_Occurred()) throw PyErrorSet{};
  Ref code = Ref::steal(Py_CompileString("_getframe()", "<ostrel.transformations.columns_selector>", Py_eval_input));
  Ref replace = getattr(code.borrow(), "replace"_s);
  Ref renamed = getattr_optional(code.borrow(), "co_qualname"_s)
                    ? call_kw(replace.borrow(), {{"co_name"_s, name}, {"co_qualname"_s, name}})
                    : call_kw(replace.borrow(), {{"co_name"_s, name}});
  check(PyDict_SetItem(made.borrow(), name, renamed.borrow()));
  return renamed;
}

Ref named_frame(PyObject* name) {
  Ref code = named_code(name);
  Ref sys = Ref::steal(PyImport_ImportModule("sys"));
  Ref globals = Ref::steal(PyDict_New());
  check(PyDict_SetItem(globals.borrow(), "_getframe"_s, getattr(sys.borrow(), "_getframe"_s).borrow()));
  check(PyDict_SetItem(globals.borrow(), "__builtins__"_s, PyEval_GetBuiltins()));
  return Ref::steal(PyEval_EvalCode(code.borrow(), globals.borrow(), globals.borrow()));
}

// Adds the entry named make_name() to the traceback of the error that is set. The frame is made with
// that error set aside, and a failure to make it only leaves the entry out: the error itself
// matters more than the missing entry.
template <typename MakeName>
void add_entry(MakeName&& make_name) noexcept {
  Ref frame;
  {
    ErrorSetAside error;
    frame = guard<Ref>(Ref(), [&] { return named_frame(make_name().borrow()); });
  }
  // `struct _frame` rather than PyFrameObject: the 3.8 headers name the type only outside the limited API.
  if (frame) PyTraceBack_Here(reinterpret_cast<struct _frame*>(frame.borrow()));
}

}  // namespace

void add_traceback_entry(PyObject* name) noexcept {
  add_entry([&] { return Ref::share(name); });
}

void add_traceback_entry(const char* name) noexcept {
  add_entry([&] { return Ref::steal(PyUnicode_FromString(name)); });
}

}  // namespace columns_selector
