// The columns whose names match a typed regular expression.
#include "interop/class_builder.hpp"
#include "interop/text.hpp"
#include "selectors/selectors.hpp"
#include "selectors/text_field.hpp"

namespace columns_selector {

namespace {

Ref init(TextFieldInit& c) {
  init_with_text_field(c, "Regex, e.g. e$"_s);
  return none();
}

Ref get_df_code(Call& c) {
  PyObject* self = c.self();
  Ref typed = getattr(getattr(self, "text"_s).borrow(), "value"_s);
  // Only the exact empty text is replaced: it would otherwise match every name.
  Ref pattern = equal(typed.borrow(), ""_s) ? Ref::share("^$"_s) : getattr(getattr(self, "text"_s).borrow(), "value"_s);
  Ref string_to_code = c.global("string_to_code"_s);
  Ref rendered = call(string_to_code.borrow(), {pattern});
  return join_text({c.global("DF_OLD"_s), ".filter(regex="_s, rendered, ")"_s});
}

void add_members(ClassBuilder& builder, const char* /*detail*/) {
  builder.method<init>("__init__").method<get_df_code>("get_df_code");
}

}  // namespace

const Family kByRegexFamily = {"SpecialSelector", "Handles \"selecting columns matching regex pattern\".",
                               Stage::kAfterDtypeOptions, nullptr, add_members};

}  // namespace columns_selector
