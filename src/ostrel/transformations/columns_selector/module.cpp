// The init entry and the load: a create step that makes (or hands back) the one module object of
// this process, and an exec step that imports the widget library and the host's names, then
// defines the vocabulary and the classes in their order.
#include "host.hpp"
#include "interop/call.hpp"
#include "interop/function.hpp"
#include "interop/process_state.hpp"
#include "interop/traceback.hpp"
#include "selectors/selectors.hpp"
#include "vocabulary.hpp"
#include "widget/widget.hpp"

namespace columns_selector {

namespace {

constexpr const char* kTracebackName = "init ostrel.transformations.columns_selector";

// The module is loaded once per process, into one interpreter; process_state records that load.
// A failed load clears the created and executed module, so that the next import starts afresh.

// Tells interpreters apart by their table of loaded modules: each has its own, and holding it keeps
// its address from being reused.
void check_single_interpreter() {
  PyObject* modules = PyImport_GetModuleDict();  // borrowed
  Ref& first_interpreter = process_state.first_interpreter;
  if (!first_interpreter) {
    first_interpreter = Ref::share(modules);
  } else if (first_interpreter.borrow() != modules) {
    PyErr_SetString(PyExc_ImportError,
                    "Interpreter change detected - this module can only be loaded into one interpreter per process.");
    throw PyErrorSet{};
  }
}

// module.<to> = spec.<from>, where the spec has that attribute.
void copy_spec_entry(PyObject* spec, PyObject* from, PyObject* module, PyObject* to, bool skip_none) {
  Ref entry = getattr_optional(spec, from);
  if (!entry || (skip_none && entry.borrow() == Py_None)) return;
  setattr(module, to, entry.borrow());
}

PyObject* create(PyObject* spec, PyModuleDef*) {
  return guard<PyObject*>(nullptr, [&] {
    check_single_interpreter();
    if (process_state.created_module) return process_state.created_module.copy().release();
    Ref name = getattr(spec, "name"_s);
    Ref module = Ref::steal(PyModule_NewObject(name.borrow()));
    copy_spec_entry(spec, "loader"_s, module.borrow(), "__loader__"_s, false);
    copy_spec_entry(spec, "origin"_s, module.borrow(), "__file__"_s, false);
    copy_spec_entry(spec, "parent"_s, module.borrow(), "__package__"_s, false);
    copy_spec_entry(spec, "submodule_search_locations"_s, module.borrow(), "__path__"_s, true);
    process_state.created_module = module.copy();
    return module.release();
  });
}

// Entered under its dotted name first, so that the modules the load imports can find it.
void enter_loaded_modules(PyObject* module) {
  Ref name = Ref::steal(PyModule_GetNameObject(module));
  PyObject* modules = PyImport_GetModuleDict();  // borrowed
  if (PyDict_GetItemWithError(modules, name.borrow()) == nullptr) {
    if (PyErr_Occurred()) throw PyErrorSet{};
    check(PyDict_SetItem(modules, name.borrow(), module));
  }
}

void load(PyObject* module) {
  set_module_globals(PyModule_GetDict(module));
  enter_loaded_modules(module);
  import_widget_library(module);
  import_host_names(module);
  bind_labels(module);
  build_label_lists(module);
  define_special_selector_bases(module);
  define_rule_classes(module, Stage::kBeforeDtypeOptions);
  build_dtype_options(module);
  define_rule_classes(module, Stage::kAfterDtypeOptions);
  build_selector_options(module);
  define_columns_selector(module);
}

// A failed load leaves nothing behind: the partly filled module is dropped from the loaded-modules
// table and from our records, so that the next import starts again with a new module object.
void forget(PyObject* module) {
  {
    ErrorSetAside error;  // the load's error is what the importer sees; a failure here is dropped
    guard<int>(-1, [&] {
      Ref name = Ref::steal(PyModule_GetNameObject(module));
      PyObject* modules = PyImport_GetModuleDict();  // borrowed
      if (PyDict_GetItemWithError(modules, name.borrow()) == module) check(PyDict_DelItem(modules, name.borrow()));
      return 0;
    });
  }
  process_state.executed_module = Ref();
  process_state.created_module = Ref();
}

int exec(PyObject* module) {
  ProcessState& state = process_state;
  if (state.executed_module) {
    if (state.executed_module.borrow() == module) return 0;
    PyErr_SetString(PyExc_RuntimeError,
                    "Module 'columns_selector' has already been imported. Re-initialisation is not supported.");
    return -1;
  }
  state.executed_module = Ref::share(module);
  if (state.created_module.borrow() != module) state.created_module = Ref::share(module);
  int status = guard<int>(-1, [&] {
    ready_function_type();
    load(module);
    return 0;
  });
  if (status < 0) {
    add_traceback_entry(kTracebackName);
    forget(module);
  }
  return status;
}

PyModuleDef_Slot slots[] = {
    {Py_mod_create, reinterpret_cast<void*>(create)},
    {Py_mod_exec, reinterpret_cast<void*>(exec)},
    {0, nullptr},
};

PyModuleDef definition = {
    PyModuleDef_HEAD_INIT,
    "columns_selector",
    nullptr,  // no docstring
    0,        // no per-module state: interop/process_state.hpp says why
    nullptr,  // no module-level functions
    slots,
    nullptr,
    nullptr,
    nullptr,
};

}  // namespace

}  // namespace columns_selector

// The build hides every symbol. From 3.9 on PyMODINIT_FUNC marks the init entry as exported; the
// 3.8 headers do not, so a build against them would hide it too.
#if defined(__GNUC__)
#pragma GCC visibility push(default)
#endif
PyMODINIT_FUNC PyInit_columns_selector() { return PyModuleDef_Init(&columns_selector::definition); }
#if defined(__GNUC__)
#pragma GCC visibility pop
#endif
