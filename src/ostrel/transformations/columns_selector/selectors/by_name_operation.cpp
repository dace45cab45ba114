// ColumnsByStringOperation: the columns whose names pass a string test against a typed text. Its
// subclasses, one per rule, only name the test.
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

constexpr const char* kBase = "ColumnsByStringOperation";

Ref init(TextFieldInit& c) {
  init_with_text_field(c, "String, e.g. foo"_s);
  return none();
}

// <DF_OLD><opening><DF_OLD>.columns.str.<operation>(<string_to_code(self.text.value)>)]: the test's
// pieces first (the operation read from the object's class, never the instance), then DF_OLD each time.
Ref name_test_code(Call& c, Interned opening) {
  Ref string_to_code = c.global("string_to_code"_s);
  Ref rendered = call(string_to_code.borrow(), {getattr(getattr(c.self(), "text"_s).borrow(), "value"_s)});
  Ref operation = getattr(getattr(c.self(), "__class__"_s).borrow(), "string_operation"_s);
  return join_text(
      {c.global("DF_OLD"_s), opening, c.global("DF_OLD"_s), ".columns.str."_s, operation, "("_s, rendered, ")]"_s});
}

Ref get_df_code(Call& c) { return name_test_code(c, ".loc[:, "_s); }

Ref get_columns_code(Call& c) { return name_test_code(c, ".columns["_s); }

void define_base(PyObject* module) {
  Ref special = lookup_global("SpecialSelector"_s);
  ClassBuilder base(PyModule_GetDict(module), kBase, special.borrow(), kDoc);
  base.attribute("string_operation", "TO BE OVERRIDEN"_s)
      .method<init>("__init__")
      .method<get_df_code>("get_df_code")
      .method<get_columns_code>("get_columns_code");
  setattr(module, kBase, base.build().borrow());
}

void add_members(ClassBuilder& builder, const char* string_operation) {
  builder.attribute("string_operation", Ref::steal(PyUnicode_FromString(string_operation)));
}

}  // namespace

const Family kNameOperationFamily = {kBase, nullptr, Stage::kAfterDtypeOptions, define_base, add_members};

}  // namespace columns_selector
