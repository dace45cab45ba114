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
// Kept where they are used, and listed here:
//  - interop/names.hpp, interned<L>: the interned str of each "..."_s literal, made on first use, one
//    per literal (a static of its template).
//  - interop/function.hpp, no_argument_slots<impl, Classes>: the PyMethodDef, doc and detail of each
//    class's method of self alone (a method descriptor points at its PyMethodDef while it lives).
//  - interop/text.cpp, GIL: the buffers that code texts are written in, kept between calls so that a
//    code text costs no allocation: str_of_names's code points and text, join_texts's `wide` and
//    `narrow`. Statics of the functions that fill them: reached through this struct (allocated with
//    new at the time), the loop that writes a list of names cost about 27 instructions more a name
//    (bench/count_calls.py).
#pragma once

#include "interop/ref.hpp"

namespace columns_selector {

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
};

// Holds its value without ever destroying it (see above), so that it can be a static that is made
// before any code runs, with nothing that could fail.
template <typename T>
union NeverDestroyed {
  constexpr NeverDestroyed() noexcept : value() {}
  ~NeverDestroyed() {}  // NOLINT: deliberately does not destroy `value`
  NeverDestroyed(const NeverDestroyed&) = delete;
  NeverDestroyed& operator=(const NeverDestroyed&) = delete;
  T value;
};

inline constinit NeverDestroyed<ProcessState> kept_state;
inline constinit ProcessState& process_state = kept_state.value;

}  // namespace columns_selector
