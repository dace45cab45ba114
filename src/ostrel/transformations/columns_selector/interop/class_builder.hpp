// Classes made the way a class statement makes them: the metaclass of the base, its __prepare__
// namespace, __module__, __qualname__, the docstring, then the members in the order written,
// then a call of the metaclass.
#pragma once

#include <string>
#include <vector>

#include "interop/function.hpp"

namespace columns_selector {

class ClassBuilder {
 public:
  // doc may be NULL: the class then has no docstring of its own.
  ClassBuilder(PyObject* globals, const char* name, PyObject* base, const char* doc = nullptr);

  ClassBuilder& method(const char* name, Impl impl, std::initializer_list<const char*> params,
                       std::initializer_list<Arg> defaults = {}, const char* doc = nullptr);
  ClassBuilder& attribute(const char* name, Arg value);
  // name = property(getter); then, with a setter, name = name.setter(setter).
  ClassBuilder& property(const char* name, Impl getter, Impl setter = nullptr);
  // `lambda: None`, as written in the class body (for defaults of callback parameters).
  Ref no_op_lambda();

  Ref build();

 private:
  Ref make(const char* name, Impl impl, std::initializer_list<const char*> params, std::initializer_list<Arg> defaults,
           const char* doc);
  void put(const char* name, PyObject* value);

  std::string name_;
  PyObject* globals_;
  Ref module_name_;
  Ref bases_;
  Ref metaclass_;
  Ref namespace_;
  std::vector<Ref> functions_;
};

}  // namespace columns_selector
