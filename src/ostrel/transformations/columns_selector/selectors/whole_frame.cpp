// The selectors that are complete as soon as their label is chosen: all columns, and the columns
// of one data-type family. Each writes str(DF_OLD) followed by the fixed fragment of its rule.
#include "interop/class_builder.hpp"
#include "interop/text.hpp"
#include "selectors/selectors.hpp"

namespace columns_selector {

namespace {

// The classes that share get_df_code: AllColumns and the data-type families.
constexpr size_t kClasses = 16;

// The fragment is the class's detail, interned; AllColumns has none and writes str(DF_OLD) alone.
// Written into each class's C entry, as a method of one class is, rather than called from all of them.
[[gnu::always_inline]] inline Ref get_df_code(Call& c) {
  Ref df = str_of(c.global("DF_OLD"_s).borrow());
  if (c.detail() == nullptr) return df;
  return join_text({df, c.detail()});
}

void add_members(ClassBuilder& builder, const char* fragment) {
  Ref detail = *fragment == '\0' ? Ref() : Ref::steal(make_interned(fragment));
  builder.method<get_df_code, kClasses>("get_df_code", nullptr, detail.borrow());
}

}  // namespace

const Family kWholeFrame = {"DropdownItemSpecialSelector", nullptr, Stage::kBeforeDtypeOptions, nullptr, add_members};

}  // namespace columns_selector
