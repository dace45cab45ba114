#include "interop/class_builder.hpp"

namespace columns_selector {

namespace {

Ref no_op(Def<>& /*unused*/) { return none(); }

}  // namespace

ClassBuilder::ClassBuilder(PyObject* globals, const char* name, PyObject* base, const char* doc)
    : name_(name), globals_(globals) {
  PyObject* module_name = PyDict_GetItemWithError(globals, "__name__"_s);  // borrowed
  if (module_name == nullptr) {
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_KeyError, "__name__");
    throw PyErrorSet{};
  }
  module_name_ = Ref::share(module_name);
  bases_ = Ref::steal(PyTuple_Pack(1, base));
  // One base: its metaclass is the most derived one.
  metaclass_ = Ref::share(reinterpret_cast<PyObject*>(Py_TYPE(base)));
  Ref class_name = Ref::steal(PyUnicode_FromString(name));
  if (Ref prepare = getattr_optional(metaclass_.borrow(), "__prepare__"_s)) {
    namespace_ = call(prepare.borrow(), {class_name, bases_});
  } else {
    namespace_ = Ref::steal(PyDict_New());
  }
  put("__module__", module_name_.borrow());
  put("__qualname__", class_name.borrow());
  if (doc != nullptr) put("__doc__", Ref::steal(PyUnicode_FromString(doc)).borrow());
}

void ClassBuilder::put(const char* name, PyObject* value) {
  check(PyObject_SetItem(namespace_.borrow(), make_interned(name).borrow(), value));
}

std::string ClassBuilder::qualname(const char* name) const { return name_ + "." + name; }

Ref ClassBuilder::make(const char* name, Impl entry, std::span<const char* const> params, std::span<const Arg> defaults,
                       const char* doc) {
  Ref function =
      make_function({name, qualname(name).c_str(), entry, params, defaults, doc}, module_name_.borrow(), globals_);
  functions_.push_back(function.copy());
  return function;
}

ClassBuilder& ClassBuilder::later(const char* name, PyMethodDef* method, Ref setter, bool is_property) {
  put(name, Py_None);
  later_.push_back({name, method, std::move(setter), is_property});
  return *this;
}

ClassBuilder& ClassBuilder::attribute(const char* name, Arg value) {
  put(name, value.get());
  return *this;
}

Ref ClassBuilder::no_op_lambda() { return make<no_op>("<lambda>", {}, nullptr); }

Ref ClassBuilder::build() {
  Ref class_name = Ref::steal(PyUnicode_FromString(name_.c_str()));
  Ref cls = call(metaclass_.borrow(), {class_name, bases_, namespace_});
  for (const Later& member : later_) {
    Ref value = Ref::steal(PyDescr_NewMethod(reinterpret_cast<PyTypeObject*>(cls.borrow()), member.method));
    if (member.is_property) {
      value = call(reinterpret_cast<PyObject*>(&PyProperty_Type), {value});
      if (member.setter) {
        Ref attach = getattr(value.borrow(), "setter"_s);
        value = call(attach.borrow(), {member.setter});
      }
    }
    setattr(cls.borrow(), make_interned(member.name.c_str()).borrow(), value.borrow());
  }
  for (const Ref& function : functions_) set_defining_class(function.borrow(), cls.borrow());
  return cls;
}

}  // namespace columns_selector
