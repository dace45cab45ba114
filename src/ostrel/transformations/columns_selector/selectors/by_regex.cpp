// ColumnsByRegex: the columns whose names match a typed regular expression.
#include "interop/class_builder.hpp"
#include "selectors/selectors.hpp"
#include "selectors/text_field.hpp"

namespace columns_selector {

namespace {

// __init__(self, **kwargs)
Ref init(Frame& f) {
  init_with_text_field(f, "Regex, e.g. e$");
  return none();
}

Ref get_df_code(Frame& f) {
  PyObject* self = f.self();
  Ref typed = getattr(getattr(self, "text").borrow(), "value");
  // Only the exact empty text is replaced: it would otherwise match every name.
  Ref pattern = equal(typed.borrow(), str("").borrow()) ? str("^$") : getattr(getattr(self, "text").borrow(), "value");
  Ref string_to_code = f.global("string_to_code");
  Ref rendered = call(string_to_code.borrow(), {pattern});
  return join_text({f.global("DF_OLD"), ".filter(regex=", rendered, ")"});
}

}  // namespace

void define_columns_by_regex(PyObject* module) {
  PyObject* globals = PyModule_GetDict(module);
  Ref base = lookup_global(globals, "SpecialSelector");
  ClassBuilder builder(globals, "ColumnsByRegex", base.borrow(),
                       "Handles \"selecting columns matching regex pattern\".");
  builder.method("__init__", init, {"self", "**kwargs"}).method("get_df_code", get_df_code, {"self"});
  setattr(module, "ColumnsByRegex", builder.build().borrow());
}

}  // namespace columns_selector
