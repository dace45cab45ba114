// The methods of the module's classes, in two kinds.
//
// A method that takes nothing but self is a C method descriptor of its class (the interpreter's
// fastest call path): it binds, describes itself and pickles as the interpreter's own methods do.
//
// A method with parameters is a function object of this module that behaves like a function written
// in Python: calling one binds the arguments to its parameters (with the interpreter's own TypeError
// messages), reading one from an instance gives a bound method and from the class the function
// itself, and each carries __name__, __qualname__, __module__, __defaults__, an exact __doc__ (None
// where it has none) and a __signature__. A function also knows the class it was defined in, so that
// an __init__ can reach its base class the way zero-argument super() does.
//
// Both kinds reach the module's attributes through the module dict of the current load.
#pragma once

#include <algorithm>
#include <array>
#include <concepts>
#include <cstddef>
#include <span>
#include <string>
#include <utility>

#include "interop/call.hpp"
#include "interop/traceback.hpp"

namespace columns_selector {

class Call;
// The implementation of a method of self alone (and the C entry of every method, see Def).
using Impl = Ref (*)(Call&);

// The entry `name` of the module dict, else the builtin of that name, else the interpreter's
// NameError. Read afresh on every call, so rebinding a module attribute takes effect.
Ref lookup_global(PyObject* name);

// What an implementation sees of the call it runs for: self, the module attributes, the class. A
// method of self alone takes a Call& and so reads no argument; a method with parameters takes a Def.
class Call {
 public:
  PyObject* self() const { return args_[0]; }
  // What the class gave this method of self alone (ClassBuilder::method's `detail`), or NULL.
  PyObject* detail() const { return detail_; }

  // The module attribute `name` at this moment, else the builtin of that name, else NameError.
  static Ref global(PyObject* name) { return lookup_global(name); }
  // super(<defining class>, self).__init__(**kwargs), no positional argument.
  void init_base(PyObject* kwargs) const;

 protected:
  PyObject* const* args_ = nullptr;  // the plain parameters, in the order of the signature
  PyObject* kwargs_ = nullptr;

 private:
  friend struct CallAccess;
  PyObject* detail_ = nullptr;
  PyObject* function_ = nullptr;  // NULL for a method descriptor
};

// A function object binds at most this many plain parameters (ColumnsSelector.__init__ has eight).
constexpr size_t kMaxParams = 8;

// The text of two literals is the same.
template <Literal A, Literal B>
constexpr bool same_text() {
  if constexpr (A.kLength != B.kLength) {
    return false;
  } else {
    for (Py_ssize_t i = 0; i < A.kLength; ++i) {
      if (A.chars[i] != B.chars[i]) return false;
    }
    return true;
  }
}

// The call of a method with parameters, written once as in its def, "self" first:
//
//   using CreateMultiSelect = Def<"self", "value", "focus_after_init", "css_classes">;
//   Ref create_multi_select(CreateMultiSelect& c) { ... c.arg<"value">() ... }
//
// "*args" takes positional arguments past the plain ones and keeps none; "**kwargs" collects the
// unknown keywords (c.kwargs()). A parameter is read by its name, and a name that is not a plain
// parameter of the signature does not compile.
template <Literal... Names>
class Def : public Call {
 public:
  static constexpr std::array<const char*, sizeof...(Names)> kNames = {Names.chars...};

 private:
  static constexpr std::array<bool, sizeof...(Names)> kStarred = {(Names.chars[0] == '*')...};

 public:
  // How many plain parameters there are: the names before the first starred one.
  static constexpr size_t kPlain = [] {
    size_t plain = 0;
    while (plain < kStarred.size() && !kStarred[plain]) ++plain;
    return plain;
  }();

 private:
  static constexpr bool kCollectsKeywords =
      ((Names.kLength > 2 && Names.chars[0] == '*' && Names.chars[1] == '*') || ...);
  static_assert(std::count(kStarred.begin(), kStarred.end(), true) ==
                    static_cast<std::ptrdiff_t>(sizeof...(Names) - kPlain),
                "*args and **kwargs come after the plain parameters");
  static_assert(kPlain <= kMaxParams, "more plain parameters than a function object binds");

  // The position of Name among the plain parameters, or kPlain when it is none of them.
  template <Literal Name>
  static constexpr size_t position() {
    constexpr std::array<bool, sizeof...(Names)> kSame = {same_text<Name, Names>()...};
    size_t at = 0;
    while (at < kPlain && !kSame[at]) ++at;
    return at;
  }

 public:
  explicit Def(const Call& call) noexcept : Call(call) {}

  // The parameter `Name`, as bound for this call (borrowed).
  template <Literal Name>
    requires(position<Name>() < kPlain)
  PyObject* arg() const {
    return args_[position<Name>()];
  }
  // The **kwargs dict.
  PyObject* kwargs() const
    requires kCollectsKeywords
  {
    return kwargs_;
  }
};

// The Def that an implementation of a method with parameters takes.
template <typename Impl>
struct DefOf {};
template <typename D>
  requires(std::derived_from<D, Call> && !std::same_as<D, Call>)
struct DefOf<Ref (*)(D&)> {
  using Type = D;
};
template <auto impl>
concept WithParams = requires { typename DefOf<decltype(impl)>::Type; };

// The C entry of a function object: the call seen as impl's Def.
template <auto impl>
Ref run_with_params(Call& call) {
  typename DefOf<decltype(impl)>::Type def(call);
  return impl(def);
}

// How the two kinds of method see their calls.
struct CallAccess {
  static Call for_self(PyObject* const* self, PyObject* detail) {
    Call call;
    call.args_ = self;
    call.detail_ = detail;
    return call;
  }
  static Call for_function(PyObject* function, PyObject* const* args, PyObject* kwargs) {
    Call call;
    call.args_ = args;
    call.kwargs_ = kwargs;
    call.function_ = function;
    return call;
  }
};

// How a function object is made: its C entry (run_with_params), its parameter names as in a def
// (Def::kNames) and the defaults of the trailing plain parameters, made once, here.
struct FunctionSpec {
  const char* name;
  const char* qualname;
  Impl impl;
  std::span<const char* const> params;
  std::span<const Arg> defaults = {};
  const char* doc = nullptr;
};

// The module dict that methods read their module-level names from: the one of the current load.
void set_module_globals(PyObject* globals);

// Creates the function type once per process; call before make_function.
void ready_function_type();
Ref make_function(const FunctionSpec& spec, PyObject* module_name, PyObject* globals);
// Records the class that a function was defined in (what a class statement's __class__ cell does).
void set_defining_class(PyObject* function, PyObject* cls);

// A method of self alone, as one class has it: its PyMethodDef, and what its C entry gives the
// implementation and names in a traceback entry. Descriptors point at their PyMethodDef for as long
// as they live: these are never freed, not even at exit, when the interpreter may still be tearing
// objects down.
struct NoArgumentMethod {
  PyMethodDef def;
  std::string name;
  std::string doc;
  std::string qualname;
  Ref detail;  // or empty
  Ref qualname_object;
};

// METH_NOARGS hands a C entry nothing but self, so each class's method has a C entry of its own:
// one of the `Classes` entries made for its implementation, each of which calls impl directly (for
// an implementation of one class, the compiler writes it into its entry).
template <Impl impl, size_t Classes>
inline NoArgumentMethod* no_argument_slots[Classes] = {};

// The C entry in `Slot`: impl, with a C++ exception turned back into NULL and a traceback entry that
// names the method.
template <Impl impl, size_t Classes, size_t Slot>
PyObject* run_no_argument_method(PyObject* self, PyObject* /*unused*/) {
  const NoArgumentMethod& method = *no_argument_slots<impl, Classes>[Slot];
  PyObject* result = guard<PyObject*>(nullptr, [&] {
    Call call = CallAccess::for_self(&self, method.detail.borrow());
    return impl(call).release();
  });
  if (result == nullptr) add_traceback_entry(method.qualname_object.borrow());
  return result;
}

template <Impl impl, size_t Classes, size_t... Slot>
constexpr std::array<PyCFunction, Classes> no_argument_entries(std::index_sequence<Slot...> /*slots*/) {
  return {&run_no_argument_method<impl, Classes, Slot>...};
}

template <Impl impl, size_t Classes>
constexpr auto kNoArgumentEntries = no_argument_entries<impl, Classes>(std::make_index_sequence<Classes>());

// The slot of one class's method among `count` slots, whose C entries are `entries`: the same one
// when asked for again (by a load that runs after a failed one), else the next free one.
PyMethodDef* no_argument_method(const char* name, const char* qualname, const char* doc, PyObject* detail,
                                NoArgumentMethod** slots, const PyCFunction* entries, size_t count);

// The PyMethodDef of a method descriptor that runs impl with self alone (METH_NOARGS), for one of at
// most `Classes` classes, `detail` as its Call::detail() (may be NULL); its doc carries the text
// signature "name($self, /)", and its traceback entry says `qualname`, so that an implementation
// shared by several classes names the class it belongs to. Kept for the life of the process.
template <Impl impl, size_t Classes>
PyMethodDef* no_argument_method(const char* name, const char* qualname, const char* doc, PyObject* detail) {
  return no_argument_method(name, qualname, doc, detail, no_argument_slots<impl, Classes>,
                            kNoArgumentEntries<impl, Classes>.data(), Classes);
}

}  // namespace columns_selector
