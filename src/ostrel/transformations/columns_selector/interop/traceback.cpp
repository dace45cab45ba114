#include "interop/traceback.hpp"

#include "interop/call.hpp"

namespace columns_selector {

namespace {

// A code object that evaluates to its own frame, named `name` (made once per name: the methods
// that fail are few, and only a failure pays for this).
Ref named_code(PyObject* name) {
  static PyObject* made = nullptr;  // name -> code; strong, kept for the life of the process
  if (made == nullptr) made = Ref::steal(PyDict_New()).release();
  if (PyObject* found = PyDict_GetItemWithError(made, name)) return Ref::share(found);
  if (PyErr_Occurred()) throw PyErrorSet{};
  Ref code = Ref::steal(Py_CompileString("_getframe()", "<ostrel.transformations.columns_selector>", Py_eval_input));
  Ref replace = getattr(code.borrow(), "replace"_s);
  Ref renamed = PyObject_HasAttr(code.borrow(), "co_qualname"_s)
                    ? call_kw(replace.borrow(), {{"co_name"_s, name}, {"co_qualname"_s, name}})
                    : call_kw(replace.borrow(), {{"co_name"_s, name}});
  check(PyDict_SetItem(made, name, renamed.borrow()));
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

}  // namespace

void add_traceback_entry(PyObject* name) noexcept {
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyObject* frame = guard<PyObject*>(nullptr, [&] { return named_frame(name).release(); });
  if (frame == nullptr) PyErr_Clear();  // the error itself matters more than the missing entry
  PyErr_Restore(type, value, traceback);
  if (frame != nullptr) {
    // `struct _frame` rather than PyFrameObject: the 3.8 headers name the type only outside the limited API.
    PyTraceBack_Here(reinterpret_cast<struct _frame*>(frame));
    Py_DECREF(frame);
  }
}

void add_traceback_entry(const char* name) noexcept {
  PyObject *type, *value, *traceback;
  PyErr_Fetch(&type, &value, &traceback);
  PyObject* text = PyUnicode_FromString(name);
  if (text == nullptr) PyErr_Clear();
  PyErr_Restore(type, value, traceback);
  if (text != nullptr) {
    add_traceback_entry(text);
    Py_DECREF(text);
  }
}

}  // namespace columns_selector
