// Classes made the way a class statement makes them: the metaclass of the base, its __prepare__
// namespace, __module__, __qualname__, the docstring, then the members in the order written,
// then a call of the metaclass.
//
// A method that takes self alone, and a property's getter, are C method descriptors, which can only
// be made for a class that exists: the namespace holds a placeholder in their place, and build()
// puts each one there once the class is made (replacing a key keeps its place in the class dict).
#pragma once

#include <span>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "interop/function.hpp"

namespace columns_selector {

class ClassBuilder {
 public:
  // doc may be NULL: the class then has no docstring of its own.
  ClassBuilder(PyObject* globals, const char* name, PyObject* base, const char* doc = nullptr);

  // A method of self alone: a C method descriptor. One implementation can serve up to `Classes`
  // classes, each with its own `detail`, which impl reads as Call::detail().
  template <Impl impl, size_t Classes = 1>
  ClassBuilder& method(const char* name, const char* doc = nullptr, PyObject* detail = nullptr) {
    return later(name, no_argument_method<impl, Classes>(name, qualname(name).c_str(), doc, detail), Ref(), false);
  }
  // A method with parameters: a function object with the parameters of impl's Def and the defaults
  // of its last plain parameters.
  template <auto impl>
    requires WithParams<impl>
  ClassBuilder& method(const char* name) {
    put(name, make<impl>(name, {}, nullptr).borrow());
    return *this;
  }
  template <auto impl, size_t Defaults>
    requires WithParams<impl>
  ClassBuilder& method(const char* name, const Arg (&defaults)[Defaults], const char* doc = nullptr) {
    static_assert(Defaults <= DefOf<decltype(impl)>::Type::kPlain, "more defaults than plain parameters");
    put(name, make<impl>(name, defaults, doc).borrow());
    return *this;
  }
  ClassBuilder& attribute(const char* name, Arg value);
  // name = property(getter); with a setter (a method of self and value), then name = name.setter(setter).
  template <Impl getter, auto setter = nullptr>
  ClassBuilder& property(const char* name) {
    Ref set;
    if constexpr (!std::is_null_pointer_v<decltype(setter)>) set = make<setter>(name, {}, nullptr);
    return later(name, no_argument_method<getter, 1>(name, qualname(name).c_str(), nullptr, nullptr), std::move(set),
                 true);
  }
  // `lambda: None`, as written in the class body (for defaults of callback parameters).
  Ref no_op_lambda();

  Ref build();

 private:
  struct Later {
    std::string name;
    PyMethodDef* method;
    Ref setter;  // a property's setter function, or empty
    bool is_property;
  };

  template <auto impl>
  Ref make(const char* name, std::span<const Arg> defaults, const char* doc) {
    return make(name, run_with_params<impl>, DefOf<decltype(impl)>::Type::kNames, defaults, doc);
  }
  Ref make(const char* name, Impl entry, std::span<const char* const> params, std::span<const Arg> defaults,
           const char* doc);
  std::string qualname(const char* name) const;
  ClassBuilder& later(const char* name, PyMethodDef* method, Ref setter, bool is_property);
  void put(const char* name, PyObject* value);

  std::string name_;
  PyObject* globals_;
  Ref module_name_;
  Ref bases_;
  Ref metaclass_;
  Ref namespace_;
  std::vector<Ref> functions_;
  std::vector<Later> later_;
};

}  // namespace columns_selector
