// Every object that this module keeps from one call to the next, in one place, with who uses it.
//
// Why the process, and not the module object (PEP 630's module state): a method cannot reach its
// module from the 3.8 stable ABI. A METH_NOARGS entry is handed nothing but self, and the ways to
// find the module of a method's class (PEP 573: METH_METHOD, PyType_FromModuleAndSpec,
// PyType_GetModule) begin with 3.9 and 3.10. The load records below cannot live in module state
// either: they decide which module object a create step gives, before there is one. The module is
// therefore loaded once per process and refuses a second interpreter (module.cpp), so one set of
// state per process is one set per module.
//
// The GIL: every member is read and written with the GIL held, and nothing here has a lock of its
// own (a free-threaded interpreter loads no limited-API extension of 3.8). Those marked "GIL" rely
// on it for more than that: they are filled and read again within one call, so two threads running
// at once would see each other's contents. No code of the user's runs between the two (see
// text.cpp), so one thread cannot meet its own half-written buffer either.
//
// Never destroyed, not even at exit: the interpreter may still run a method while it tears objects
// down, and releasing a reference after it has finalised would crash.
//
// Kept where their templates are, one per instantiation, and listed here:
//  - interop/names.hpp, interned<L>: the interned str of each "..."_s literal, made on first use.
//  - interop/function.hpp, no_argument_slots<impl, Classes>: the PyMethodDef, doc and detail of each
//    class's method of self alone (a method descriptor points at its PyMethodDef while it lives).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "interop/ref.hpp"

namespace columns_selector {

// A code text at most this long is joined in the buffers below; a longer one by the interpreter.
constexpr Py_ssize_t kShortText = 512;

struct ProcessState {
  // module.cpp: the records of the one load. A failed load clears the first two.
  Ref created_module;     // handed back by every later create step
  Ref executed_module;    // the module whose exec step ran
  Ref first_interpreter;  // the loaded-modules table of the interpreter that loaded us

  // function.cpp: the function type of the methods with parameters, and what it needs.
  Ref function_type;
  Ref method_type;                     // types.MethodType, what a function read from an instance gives
  Ref module_globals;                  // the module dict that methods read module attributes from
  bool traverse_visits_type = false;   // from 3.9 on, tp_traverse visits the type of a heap type's instance
  bool messages_use_qualname = false;  // from 3.10 on, argument errors name the function by its qualname

  // traceback.cpp: name -> the code object of a traceback entry of that name, made on the first failure.
  Ref named_codes;

  // vocabulary.cpp: the name of the module attribute bound to the all-columns label (interned).
  Ref all_columns_attribute;

  // text.cpp, GIL: buffers kept between calls, so that a code text costs no allocation.
  std::vector<Py_UCS4> code_points;  // the characters of one name of a list
  std::string names_text;            // str() of a list of names, as UTF-8
  std::array<Py_UCS4, kShortText> wide;
  std::array<char, kShortText> narrow;  // a short code text, as Latin-1
};

// Made when the shared object is loaded.
inline ProcessState& process_state = *new ProcessState;

}  // namespace columns_selector
