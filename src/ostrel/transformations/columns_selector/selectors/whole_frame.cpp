// The selectors that are complete as soon as their label is chosen: all columns, and the columns
// of one data-type family. Each writes str(DF_OLD) followed by the fixed fragment of its rule.
#include "interop/class_builder.hpp"
#include "interop/text.hpp"
#include "selectors/selectors.hpp"

namespace columns_selector {

namespace {

// The fragment is the class's detail, interned: the empty one is ""_s itself, and writes str(DF_OLD) alone.
Ref get_df_code(Call& c) {
  Ref df = str_of(c.global("DF_OLD"_s).borrow());
  if (c.detail() == ""_s) return df;
  return join_text({df, c.detail()});
}

void add_members(ClassBuilder& builder, const char* fragment) {
  builder.method("get_df_code", get_df_code, nullptr, Ref::steal(make_interned(fragment)).borrow());
}

}  // namespace

const Family kWholeFrame = {"DropdownItemSpecialSelector", nullptr, Stage::kBeforeDtypeOptions, nullptr, add_members};

}  // namespace columns_selector
