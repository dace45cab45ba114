// ColumnsByRegex: the columns whose names match a typed regular expression.
#include "interop/class_builder.hpp"
#include "interop/text.hpp"
#include "selectors/selectors.hpp"
#include "selectors/text_field.hpp"

namespace columns_selector {

namespace {

// __init__(self, **kwargs)
Ref init(Frame& f) {
  init_with_text_field(f, "Regex, e.g. e$"_s);
  return none();
}

Ref get_df_code(Frame& f) {
  PyObject* self = f.self();
  Ref typed = getattr(getattr(self, "text"_s).borrow(), "value"_s);
  // Only the exact empty text is replaced: it would otherwise match every name.
  Ref pattern = equal(typed.borrow(), ""_s) ? Ref::share("^$"_s) : getattr(getattr(self, "text"_s).borrow(), "value"_s);
  Ref string_to_code = f.global("string_to_code"_s);
  Ref rendered = call(string_to_code.borrow(), {pattern});
  return join_text({f.global("DF_OLD"_s), ".filter(regex="_s, rendered, ")"_s});
}

}  // namespace

void define_columns_by_regex(PyObject* module) {
  PyObject* globals = PyModule_GetDict(module);
  Ref base = lookup_global("SpecialSelector"_s);
  ClassBuilder builder(globals, "ColumnsByRegex", base.borrow(),
                       "Handles \"selecting columns matching regex pattern\".");
  builder.method<init>("__init__", {"self", "**kwargs"}).method<get_df_code>("get_df_code");
  setattr(module, "ColumnsByRegex", builder.build().borrow());
}

}  // namespace columns_selector
