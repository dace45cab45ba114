// The selectors that are complete as soon as their label is chosen: all columns, and the columns
// of one data-type family. Each writes str(DF_OLD) followed by the fixed fragment of its rule.
//
// They share one get_df_code, and a method of self alone needs a C entry per class (function.hpp),
// made at compile time: the family is made for the number of whole-frame rules in the rule table,
// which counts them (vocabulary.cpp).
#pragma once

#include <cstddef>

#include "interop/class_builder.hpp"
#include "interop/text.hpp"
#include "selectors/selectors.hpp"

namespace columns_selector {

namespace whole_frame {

// The fragment is the class's detail, interned; AllColumns has none and writes str(DF_OLD) alone.
// Written into each class's C entry, as a method of one class is, rather than called from all of them.
[[gnu::always_inline]] inline Ref get_df_code(Call& c) {
  Ref df = str_of(c.global("DF_OLD"_s).borrow());
  if (c.detail() == nullptr) return df;
  return join_text({df, c.detail()});
}

template <size_t Classes>
void add_members(ClassBuilder& builder, const char* fragment) {
  Ref detail = *fragment == '\0' ? Ref() : make_interned(fragment);
  builder.method<get_df_code, Classes>("get_df_code", nullptr, detail.borrow());
}

}  // namespace whole_frame

// The family, for a rule table with `Classes` whole-frame rules; detail: the code fragment written
// after str(DF_OLD), empty for none.
template <size_t Classes>
constexpr Family kWholeFrameOf = {"DropdownItemSpecialSelector", nullptr, Stage::kBeforeDtypeOptions, nullptr,
                                  whole_frame::add_members<Classes>};

}  // namespace columns_selector
