#include "interop/class_builder.hpp"

namespace columns_selector {

namespace {

Ref no_op(Frame&) { return none(); }

}  // namespace

ClassBuilder::ClassBuilder(PyObject* globals, const char* name, PyObject* base, const char* doc)
    : name_(name), globals_(globals) {
  PyObject* module_name = PyDict_GetItemString(globals, "__name__");  // borrowed
  if (module_name == nullptr) {
    PyErr_SetString(PyExc_KeyError, "__name__");
    throw PyErrorSet{};
  }
  module_name_ = Ref::share(module_name);
  bases_ = Ref::steal(PyTuple_Pack(1, base));
  // One base: its metaclass is the most derived one.
  metaclass_ = Ref::share(reinterpret_cast<PyObject*>(Py_TYPE(base)));
  if (PyObject_HasAttrString(metaclass_.borrow(), "__prepare__")) {
    Ref prepare = getattr(metaclass_.borrow(), "__prepare__");
    namespace_ = call(prepare.borrow(), {name_.c_str(), bases_});
  } else {
    namespace_ = Ref::steal(PyDict_New());
  }
  put("__module__", module_name_.borrow());
  put("__qualname__", str(name).borrow());
  if (doc != nullptr) put("__doc__", str(doc).borrow());
}

void ClassBuilder::put(const char* name, PyObject* value) {
  Ref key = str(name);
  check(PyObject_SetItem(namespace_.borrow(), key.borrow(), value));
}

Ref ClassBuilder::make(const char* name, Impl impl, std::initializer_list<const char*> params,
                       std::initializer_list<Arg> defaults, const char* doc) {
  std::string qualname = name_ + "." + name;
  Ref function = make_function({name, qualname.c_str(), impl, params, defaults, doc}, module_name_.borrow(), globals_);
  functions_.push_back(function.copy());
  return function;
}

ClassBuilder& ClassBuilder::method(const char* name, Impl impl, std::initializer_list<const char*> params,
                                   std::initializer_list<Arg> defaults, const char* doc) {
  Ref function = make(name, impl, params, defaults, doc);
  put(name, function.borrow());
  return *this;
}

ClassBuilder& ClassBuilder::attribute(const char* name, Arg value) {
  put(name, value.get());
  return *this;
}

ClassBuilder& ClassBuilder::property(const char* name, Impl getter, Impl setter) {
  Ref get = make(name, getter, {"self"}, {}, nullptr);
  Ref descriptor = call(reinterpret_cast<PyObject*>(&PyProperty_Type), {get});
  if (setter != nullptr) {
    Ref set = make(name, setter, {"self", "value"}, {}, nullptr);
    Ref attach = getattr(descriptor.borrow(), "setter");
    descriptor = call(attach.borrow(), {set});
  }
  put(name, descriptor.borrow());
  return *this;
}

Ref ClassBuilder::no_op_lambda() { return make("<lambda>", no_op, {}, {}, nullptr); }

Ref ClassBuilder::build() {
  Ref cls = call(metaclass_.borrow(), {name_.c_str(), bases_, namespace_});
  for (const Ref& function : functions_) set_defining_class(function.borrow(), cls.borrow());
  return cls;
}

}  // namespace columns_selector
