#include "interop/function.hpp"

#include <structmember.h>

#include <array>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "interop/process_state.hpp"
#include "interop/traceback.hpp"

namespace columns_selector {

// A parameter is read by its name, checked at compile time: a method of self alone (a Call) reads no
// argument, and a Def reads only the plain parameters it names; only a Def with **kwargs has kwargs().
template <typename C>
constexpr bool kReadsValue = requires(const C& c) { c.template arg<"value">(); };
static_assert(!kReadsValue<Call>);
static_assert(kReadsValue<Def<"self", "value">> && kReadsValue<Def<"self", "value", "**kwargs">>);
static_assert(!kReadsValue<Def<"self">> && !kReadsValue<Def<"self", "values">> && !kReadsValue<Def<"self", "*value">>);
template <typename C>
constexpr bool kReadsKeywords = requires(const C& c) { c.kwargs(); };
static_assert(!kReadsKeywords<Call> && !kReadsKeywords<Def<"self", "*args">> &&
              kReadsKeywords<Def<"self", "**kwargs">>);

namespace {

struct FunctionObject {
  PyObject_HEAD Impl impl;
  PyObject* name;
  PyObject* qualname;
  PyObject* module;
  PyObject* doc;
  PyObject* globals;
  PyObject* params;    // tuple of the plain parameter names
  PyObject* defaults;  // tuple of the defaults of the last plain parameters
  PyObject* cls;       // defining class, once the class exists
  PyObject* varargs;   // the name of *args, or NULL
  PyObject* varkw;     // the name of **kwargs, or NULL
  Py_ssize_t param_count;
  Py_ssize_t default_count;
};

constexpr const char* kFunctionTypeName = "ostrel.transformations.columns_selector.compiled_function";

FunctionObject* as_function(PyObject* object) { return reinterpret_cast<FunctionObject*>(object); }

PyObject* message_name(FunctionObject* fn) { return process_state.messages_use_qualname ? fn->qualname : fn->name; }

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'", as the interpreter lists missing arguments.
Ref quoted_names(const std::vector<PyObject*>& names) {
  Ref text = Ref::share(""_s);
  for (size_t i = 0; i < names.size(); ++i) {
    const char* separator = "";
    if (i > 0) separator = names.size() == 2 ? " and " : (i + 1 == names.size() ? ", and " : ", ");
    Ref piece = Ref::steal(PyUnicode_FromFormat("%s'%U'", separator, names[i]));
    text = Ref::steal(PyUnicode_Concat(text.borrow(), piece.borrow()));
  }
  return text;
}

[[noreturn]] void too_many_positional(FunctionObject* fn, Py_ssize_t given) {
  Py_ssize_t count = fn->param_count;
  Py_ssize_t defaults = fn->default_count;
  bool plural = defaults != 0 || count != 1;
  Ref signature = Ref::steal(defaults != 0 ? PyUnicode_FromFormat("from %zd to %zd", count - defaults, count)
                                           : PyUnicode_FromFormat("%zd", count));
  PyErr_Format(PyExc_TypeError, "%U() takes %U positional argument%s but %zd %s given", message_name(fn),
               signature.borrow(), plural ? "s" : "", given, given == 1 ? "was" : "were");
  throw PyErrorSet{};
}

[[noreturn]] void missing_positional(FunctionObject* fn, const std::vector<PyObject*>& names) {
  Ref listed = quoted_names(names);
  PyErr_Format(PyExc_TypeError, "%U() missing %zd required positional argument%s: %U", message_name(fn),
               static_cast<Py_ssize_t>(names.size()), names.size() == 1 ? "" : "s", listed.borrow());
  throw PyErrorSet{};
}

// The interpreter's binding of a call's arguments to the parameters: keywords first, then the
// count of positional arguments, then the defaults.
// The bound values are held strongly: the implementation may run code that changes the caller's dict.
void bind(FunctionObject* fn, PyObject* args, PyObject* kwargs, std::array<Ref, kMaxParams>& bound, Ref& extra_kwargs) {
  Py_ssize_t count = fn->param_count;
  Py_ssize_t given = PyTuple_Size(args);
  for (Py_ssize_t i = 0; i < given && i < count; ++i) bound[i] = Ref::share(PyTuple_GetItem(args, i));
  if (fn->varkw) extra_kwargs = Ref::steal(PyDict_New());

  if (kwargs != nullptr) {
    PyObject* key;
    PyObject* value;
    Py_ssize_t pos = 0;
    while (PyDict_Next(kwargs, &pos, &key, &value)) {
      if (!PyUnicode_Check(key)) {
        PyErr_Format(PyExc_TypeError, "%U() keywords must be strings", message_name(fn));
        throw PyErrorSet{};
      }
      Py_ssize_t index = 0;
      for (; index < count; ++index) {
        PyObject* param = PyTuple_GetItem(fn->params, index);
        if (param == key) break;
        int same = PyUnicode_Compare(param, key);
        if (same == -1 && PyErr_Occurred()) throw PyErrorSet{};
        if (same == 0) break;
      }
      if (index < count) {
        if (bound[index]) {
          PyErr_Format(PyExc_TypeError, "%U() got multiple values for argument '%U'", message_name(fn), key);
          throw PyErrorSet{};
        }
        bound[index] = Ref::share(value);
      } else if (fn->varkw) {
        check(PyDict_SetItem(extra_kwargs.borrow(), key, value));
      } else {
        PyErr_Format(PyExc_TypeError, "%U() got an unexpected keyword argument '%U'", message_name(fn), key);
        throw PyErrorSet{};
      }
    }
  }

  if (given > count && !fn->varargs) too_many_positional(fn, given);

  Py_ssize_t defaults = fn->default_count;
  std::vector<PyObject*> missing;
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (bound[i]) continue;
    Py_ssize_t default_index = i - (count - defaults);
    if (default_index >= 0) {
      bound[i] = Ref::share(PyTuple_GetItem(fn->defaults, default_index));
    } else {
      missing.push_back(PyTuple_GetItem(fn->params, i));
    }
  }
  if (!missing.empty()) missing_positional(fn, missing);
}

}  // namespace

void set_module_globals(PyObject* globals) { process_state.module_globals = Ref::share(globals); }

Ref lookup_global(PyObject* name) {
  PyObject* found = PyDict_GetItemWithError(process_state.module_globals.borrow(), name);
  if (found == nullptr && !PyErr_Occurred()) found = PyDict_GetItemWithError(PyEval_GetBuiltins(), name);
  if (found != nullptr) return Ref::share(found);
  if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
  throw PyErrorSet{};
}

void Call::init_base(PyObject* kwargs) const {
  PyObject* cls = function_ != nullptr ? as_function(function_)->cls : nullptr;
  if (cls == nullptr) {
    PyErr_SetString(PyExc_RuntimeError, "super(): __class__ cell not found");
    throw PyErrorSet{};
  }
  Ref base = call(reinterpret_cast<PyObject*>(&PySuper_Type), {cls, self()});
  Ref init = getattr(base.borrow(), "__init__"_s);
  call_with_kwargs(init.borrow(), kwargs);
}

namespace {

PyObject* function_call(PyObject* self, PyObject* args, PyObject* kwargs) {
  // Held for the call and its traceback entry: the call may drop the last other reference to it.
  Ref keep_function = Ref::share(self);
  PyObject* result = guard<PyObject*>(nullptr, [&] {
    FunctionObject* fn = as_function(self);
    if (fn->globals == nullptr || fn->defaults == nullptr) {
      // Only reachable from a finalizer that runs after the garbage collector broke a cycle.
      PyErr_Format(PyExc_RuntimeError, "%U() was cleared by the garbage collector", fn->qualname);
      throw PyErrorSet{};
    }
    std::array<Ref, kMaxParams> bound;
    Ref extra_kwargs;
    bind(fn, args, kwargs, bound, extra_kwargs);
    std::array<PyObject*, kMaxParams> values{};
    for (Py_ssize_t i = 0; i < fn->param_count; ++i) values[i] = bound[i].borrow();
    Call call = CallAccess::for_function(self, values.data(), extra_kwargs.borrow());
    return fn->impl(call).release();
  });
  if (result == nullptr) add_traceback_entry(as_function(self)->qualname);
  return result;
}

// Functions are made by the module's class builder only.
PyObject* function_new(PyTypeObject*, PyObject*, PyObject*) {
  PyErr_Format(PyExc_TypeError, "cannot create '%s' instances", kFunctionTypeName);
  return nullptr;
}

PyObject* function_get(PyObject* self, PyObject* instance, PyObject*) {
  if (instance == nullptr || instance == Py_None) return Ref::share(self).release();
  return PyObject_CallFunctionObjArgs(process_state.method_type.borrow(), self, instance, nullptr);
}

PyObject* function_repr(PyObject* self) {
  return PyUnicode_FromFormat("<function %U at %p>", as_function(self)->qualname, self);
}

// __module__ and __doc__ are the function's own. They are served here rather than as members, since
// a member of that name in the type's dict would hide the type's own __module__ and __doc__.
PyObject** own_entry(PyObject* self, PyObject* name) {
  FunctionObject* fn = as_function(self);
  for (auto [entry, slot] : {std::pair{"__module__"_s, &fn->module}, std::pair{"__doc__"_s, &fn->doc}}) {
    if (name == entry || (PyUnicode_Check(name) && PyUnicode_Compare(name, entry) == 0)) return slot;
  }
  return nullptr;
}

PyObject* function_getattro(PyObject* self, PyObject* name) {
  return guard<PyObject*>(nullptr, [&] {
    PyObject** slot = own_entry(self, name);
    if (slot == nullptr) return Ref::steal(PyObject_GenericGetAttr(self, name)).release();
    return Ref::share(*slot != nullptr ? *slot : Py_None).release();
  });
}

int function_setattro(PyObject* self, PyObject* name, PyObject* value) {
  return guard<int>(-1, [&] {
    PyObject** slot = own_entry(self, name);
    if (slot == nullptr) return PyObject_GenericSetAttr(self, name, value);
    assign(*slot, value != nullptr ? value : Py_None);
    return 0;
  });
}

// Pickled and copied by reference, as a function of a module is: by its qualified name.
PyObject* function_reduce(PyObject* self, PyObject*) { return Ref::share(as_function(self)->qualname).release(); }

// Every reference a function owns. The first kCycleCapable can be part of a cycle (through its
// module, class, defaults or doc); the strings and tuples of strings it is named and called by
// stay until it is freed, so repr and argument errors never meet a cleared name.
constexpr size_t kCycleCapable = 5;

std::array<PyObject**, 10> references(FunctionObject* fn) {
  return {&fn->module, &fn->doc,      &fn->globals, &fn->defaults, &fn->cls,
          &fn->name,   &fn->qualname, &fn->params,  &fn->varargs,  &fn->varkw};
}

int function_traverse(PyObject* self, visitproc visit, void* arg) {
  for (PyObject** reference : references(as_function(self))) Py_VISIT(*reference);
  if (process_state.traverse_visits_type) Py_VISIT(reinterpret_cast<PyObject*>(Py_TYPE(self)));
  return 0;
}

int function_clear(PyObject* self) {
  auto owned = references(as_function(self));
  for (size_t i = 0; i < kCycleCapable; ++i) Py_CLEAR(*owned[i]);
  return 0;
}

void function_dealloc(PyObject* self) {
  PyTypeObject* type = Py_TYPE(self);
  Ref instance_of = Ref::steal(reinterpret_cast<PyObject*>(type));  // each instance holds its heap type
  PyObject_GC_UnTrack(self);
  for (PyObject** reference : references(as_function(self))) Py_CLEAR(*reference);
  auto free_slot = reinterpret_cast<freefunc>(PyType_GetSlot(type, Py_tp_free));
  free_slot(self);
}

#define FUNCTION_MEMBER(name, field) \
  {const_cast<char*>(name), T_OBJECT, offsetof(FunctionObject, field), READONLY, nullptr}

PyMemberDef function_members[] = {
    FUNCTION_MEMBER("__name__", name),
    FUNCTION_MEMBER("__qualname__", qualname),
    FUNCTION_MEMBER("__globals__", globals),
    FUNCTION_MEMBER("__defaults__", defaults),
    {nullptr, 0, 0, 0, nullptr},
};

#undef FUNCTION_MEMBER

// inspect.signature() reads this: the parameters as a def would declare them, defaults included.
PyObject* function_signature(PyObject* self, void*) {
  return guard<PyObject*>(nullptr, [&] {
    FunctionObject* fn = as_function(self);
    if (fn->defaults == nullptr) return none().release();
    Ref inspect = Ref::steal(PyImport_ImportModule("inspect"));
    Ref parameter = getattr(inspect.borrow(), "Parameter"_s);
    Ref parameters = new_list();
    auto add = [&](PyObject* name, PyObject* kind, PyObject* default_value) {
      Ref kind_value = getattr(parameter.borrow(), kind);
      Ref made =
          default_value != nullptr
              ? call_kw(parameter.borrow(), {{"name"_s, name}, {"kind"_s, kind_value}, {"default"_s, default_value}})
              : call_kw(parameter.borrow(), {{"name"_s, name}, {"kind"_s, kind_value}});
      append(parameters.borrow(), made.borrow());
    };
    Py_ssize_t count = fn->param_count;
    Py_ssize_t first_default = count - fn->default_count;
    for (Py_ssize_t i = 0; i < count; ++i) {
      add(PyTuple_GetItem(fn->params, i), "POSITIONAL_OR_KEYWORD"_s,
          i >= first_default ? PyTuple_GetItem(fn->defaults, i - first_default) : nullptr);
    }
    if (fn->varargs != nullptr) add(fn->varargs, "VAR_POSITIONAL"_s, nullptr);
    if (fn->varkw != nullptr) add(fn->varkw, "VAR_KEYWORD"_s, nullptr);
    Ref signature = getattr(inspect.borrow(), "Signature"_s);
    return call(signature.borrow(), {parameters}).release();
  });
}

PyGetSetDef function_getset[] = {
    {const_cast<char*>("__signature__"), function_signature, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

PyMethodDef function_methods[] = {
    {"__reduce__", function_reduce, METH_NOARGS, nullptr},
    {nullptr, nullptr, 0, nullptr},
};

PyType_Slot function_slots[] = {
    {Py_tp_doc, const_cast<char*>("A method of the columns selector's classes, compiled; it behaves like a function "
                                  "written in Python.")},
    {Py_tp_new, reinterpret_cast<void*>(function_new)},
    {Py_tp_call, reinterpret_cast<void*>(function_call)},
    {Py_tp_descr_get, reinterpret_cast<void*>(function_get)},
    {Py_tp_getattro, reinterpret_cast<void*>(function_getattro)},
    {Py_tp_setattro, reinterpret_cast<void*>(function_setattro)},
    {Py_tp_repr, reinterpret_cast<void*>(function_repr)},
    {Py_tp_traverse, reinterpret_cast<void*>(function_traverse)},
    {Py_tp_clear, reinterpret_cast<void*>(function_clear)},
    {Py_tp_dealloc, reinterpret_cast<void*>(function_dealloc)},
    {Py_tp_members, function_members},
    {Py_tp_getset, function_getset},
    {Py_tp_methods, function_methods},
    {0, nullptr},
};

PyType_Spec function_spec = {
    kFunctionTypeName,
    sizeof(FunctionObject),
    0,
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC | Py_TPFLAGS_METHOD_DESCRIPTOR,
    function_slots,
};

Ref names_tuple(const std::vector<const char*>& names) {
  Ref tuple = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(names.size())));
  for (size_t i = 0; i < names.size(); ++i) {
    PyTuple_SetItem(tuple.borrow(), static_cast<Py_ssize_t>(i), make_interned(names[i]).release());
  }
  return tuple;
}

}  // namespace

void ready_function_type() {
  ProcessState& state = process_state;
  if (state.function_type) return;
  PyObject* version_info = PySys_GetObject("version_info");  // borrowed
  if (version_info == nullptr) {
    PyErr_SetString(PyExc_RuntimeError, "sys.version_info is missing");
    throw PyErrorSet{};
  }
  Ref minor = item_at(version_info, 1);
  long minor_version = PyLong_AsLong(minor.borrow());
  if (minor_version == -1 && PyErr_Occurred()) throw PyErrorSet{};
  state.traverse_visits_type = minor_version >= 9;
  state.messages_use_qualname = minor_version >= 10;

  Ref types = Ref::steal(PyImport_ImportModule("types"));
  Ref method = getattr(types.borrow(), "MethodType"_s);
  Ref type = Ref::steal(PyType_FromSpec(&function_spec));
  state.method_type = std::move(method);
  state.function_type = std::move(type);
}

Ref make_function(const FunctionSpec& spec, PyObject* module_name, PyObject* globals) {
  std::vector<const char*> plain;
  Ref varargs;
  Ref varkw;
  for (const char* param : spec.params) {
    if (std::strncmp(param, "**", 2) == 0) {
      varkw = make_interned(param + 2);
    } else if (param[0] == '*') {
      varargs = make_interned(param + 1);
    } else {
      plain.push_back(param);
    }
  }
  Ref params = names_tuple(plain);
  Ref defaults = Ref::steal(PyTuple_New(static_cast<Py_ssize_t>(spec.defaults.size())));
  Py_ssize_t i = 0;
  for (const Arg& value : spec.defaults) PyTuple_SetItem(defaults.borrow(), i++, Ref::share(value.get()).release());
  Ref name = Ref::steal(PyUnicode_FromString(spec.name));
  Ref qualname = Ref::steal(PyUnicode_FromString(spec.qualname));
  Ref doc = spec.doc != nullptr ? Ref::steal(PyUnicode_FromString(spec.doc)) : none();

  auto* function_type = reinterpret_cast<PyTypeObject*>(process_state.function_type.borrow());
  auto alloc = reinterpret_cast<allocfunc>(PyType_GetSlot(function_type, Py_tp_alloc));
  Ref object = Ref::steal(alloc(function_type, 0));
  FunctionObject* fn = as_function(object.borrow());
  fn->impl = spec.impl;
  fn->param_count = static_cast<Py_ssize_t>(plain.size());
  fn->default_count = static_cast<Py_ssize_t>(spec.defaults.size());
  fn->name = name.release();
  fn->qualname = qualname.release();
  fn->module = Ref::share(module_name).release();
  fn->doc = doc.release();
  fn->globals = Ref::share(globals).release();
  fn->params = params.release();
  fn->defaults = defaults.release();
  fn->varargs = varargs.release();
  fn->varkw = varkw.release();
  return object;
}

void set_defining_class(PyObject* function, PyObject* cls) {
  FunctionObject* fn = as_function(function);
  assign(fn->cls, cls);
}

PyMethodDef* no_argument_method(const char* name, const char* qualname, const char* doc, PyObject* detail,
                                NoArgumentMethod** slots, const PyCFunction* entries, size_t count) {
  std::string full_doc = std::string(name) + "($self, /)\n--\n\n" + (doc != nullptr ? doc : "");
  size_t slot = 0;
  for (; slot < count && slots[slot] != nullptr; ++slot) {
    NoArgumentMethod& method = *slots[slot];
    if (method.detail.borrow() == detail && method.qualname == qualname && method.doc == full_doc) return &method.def;
  }
  if (slot == count) {
    PyErr_Format(PyExc_SystemError, "columns_selector: %s is made for at most %zu classes", qualname, count);
    throw PyErrorSet{};
  }
  Ref qualname_object = Ref::steal(PyUnicode_FromString(qualname));
  auto* method = new NoArgumentMethod{{},
                                      name,
                                      std::move(full_doc),
                                      qualname,
                                      detail != nullptr ? Ref::share(detail) : Ref(),
                                      std::move(qualname_object)};
  method->def = {method->name.c_str(), entries[slot], METH_NOARGS, method->doc.c_str()};
  slots[slot] = method;
  return &method->def;
}

}  // namespace columns_selector
