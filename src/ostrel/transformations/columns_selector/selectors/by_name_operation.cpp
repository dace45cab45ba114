// ColumnsByStringOperation: the columns whose names pass a string test against a typed text,
// and its three subclasses, which only name the test.
#include "interop/class_builder.hpp"
#include "interop/text.hpp"
#include "selectors/selectors.hpp"
#include "selectors/text_field.hpp"

namespace columns_selector {

namespace {

constexpr const char* kDoc =
    "\n"
    "    Handles \"select columns that start/end with / contain\".\n"
    "\n"
    "    The specific string operation used for selecting columns is defined by self's children.\n"
    "    ";

struct Operation {
  const char* class_name;
  const char* string_operation;
};

constexpr Operation kOperations[] = {
    {"ColumnsThatStartWith", "startswith"},
    {"ColumnsThatEndWith", "endswith"},
    {"ColumnsThatContain", "contains"},
};

// __init__(self, **kwargs)
Ref init(Frame& f) {
  init_with_text_field(f, "String, e.g. foo"_s);
  return none();
}

// string_to_code(self.text.value), and the operation named by the object's class (never the instance).
struct Test {
  Ref rendered;
  Ref operation;
};

Test name_test(Frame& f) {
  Ref string_to_code = f.global("string_to_code"_s);
  Ref rendered = call(string_to_code.borrow(), {getattr(getattr(f.self(), "text"_s).borrow(), "value"_s)});
  Ref operation = getattr(getattr(f.self(), "__class__"_s).borrow(), "string_operation"_s);
  return {std::move(rendered), std::move(operation)};
}

Ref get_df_code(Frame& f) {
  Test test = name_test(f);
  return join_text({f.global("DF_OLD"_s), ".loc[:, "_s, f.global("DF_OLD"_s), ".columns.str."_s, test.operation, "("_s,
                    test.rendered, ")]"_s});
}

Ref get_columns_code(Frame& f) {
  Test test = name_test(f);
  return join_text({f.global("DF_OLD"_s), ".columns["_s, f.global("DF_OLD"_s), ".columns.str."_s, test.operation, "("_s,
                    test.rendered, ")]"_s});
}

}  // namespace

void define_name_operation_selectors(PyObject* module) {
  PyObject* globals = PyModule_GetDict(module);
  Ref special = lookup_global("SpecialSelector"_s);
  ClassBuilder base(globals, "ColumnsByStringOperation", special.borrow(), kDoc);
  base.attribute("string_operation", "TO BE OVERRIDEN"_s)
      .method<init>("__init__", {"self", "**kwargs"})
      .method<get_df_code>("get_df_code")
      .method<get_columns_code>("get_columns_code");
  setattr(module, "ColumnsByStringOperation", base.build().borrow());

  for (const Operation& operation : kOperations) {
    Ref parent = lookup_global("ColumnsByStringOperation"_s);
    ClassBuilder builder(globals, operation.class_name, parent.borrow());
    builder.attribute("string_operation", Ref::steal(PyUnicode_FromString(operation.string_operation)));
    setattr(module, operation.class_name, builder.build().borrow());
  }
}

}  // namespace columns_selector
