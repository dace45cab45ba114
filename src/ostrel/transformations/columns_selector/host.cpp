#include "host.hpp"

#include "interop/call.hpp"

namespace columns_selector {

namespace {

Ref import(PyObject* module, const char* name, PyObject* fromlist) {
  Ref qualified = Ref::steal(PyUnicode_FromString(name));
  return Ref::steal(
      PyImport_ImportModuleLevelObject(qualified.borrow(), PyModule_GetDict(module), nullptr, fromlist, 0));
}

// One absolute import with the names as its from-list, then each name read and bound in turn.
void import_from(PyObject* module, const char* source, std::initializer_list<const char*> names) {
  Ref fromlist = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(names.size())));
  Py_ssize_t i = 0;
  for (const char* name : names)
    PyTuple_SetItem(fromlist.borrow(), i++, Ref::steal(PyUnicode_FromString(name)).release());
  Ref imported = import(module, source, fromlist.borrow());
  for (Py_ssize_t index = 0; index < PyTuple_Size(fromlist.borrow()); ++index) {
    PyObject* name = PyTuple_GetItem(fromlist.borrow(), index);  // borrowed: the tuple holds it
    Ref value = getattr_optional(imported.borrow(), name);
    if (!value) {
      PyErr_Format(PyExc_ImportError, "cannot import name %S", name);
      throw PyErrorSet{};
    }
    setattr(module, name, value.borrow());
  }
}

}  // namespace

void import_widget_library(PyObject* module) {
  Ref widgets = import(module, "ipywidgets", nullptr);
  setattr(module, "widgets", widgets.borrow());
}

void import_host_names(PyObject* module) {
  import_from(module, "ostrel.helper", {"DF_OLD", "OstrelError", "string_to_code"});
  import_from(module, "ostrel.widgets", {"Multiselect", "Singleselect", "Text"});
}

}  // namespace columns_selector
