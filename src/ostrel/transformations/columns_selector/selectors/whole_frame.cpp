// The selectors that are complete as soon as their label is chosen: all columns, and the columns
// of one data-type family. Each writes str(DF_OLD) followed by a fixed fragment.
#include <utility>

#include "interop/class_builder.hpp"
#include "interop/text.hpp"
#include "selectors/selectors.hpp"

namespace columns_selector {

namespace {

struct WholeFrameSelector {
  const char* name;
  const char* fragment;
};

// The fragments are literals of their own: nine pass one quoted name, one a list of two.
constexpr WholeFrameSelector kSelectors[] = {
    {"AllColumns", ""},
    {"NumericColumns", ".select_dtypes('number')"},
    {"StringOrObjectColumns", ".select_dtypes(['string', 'object'])"},
    {"StringColumns", ".select_dtypes('string')"},
    {"ObjectColumns", ".select_dtypes('object')"},
    {"CategoryColumns", ".select_dtypes('category')"},
    {"IntegerColumns", ".select_dtypes('int')"},
    {"FloatColumns", ".select_dtypes('float')"},
    {"BooleanColumns", ".select_dtypes('bool')"},
    {"DatetimeColumns", ".select_dtypes('datetime')"},
    {"TimedeltaColumns", ".select_dtypes('timedelta')"},
};

// The fragments as interned strs, made at the first load.
PyObject* fragments[std::size(kSelectors)] = {};

template <size_t Index>
Ref get_df_code(Frame& f) {
  Ref df = str_of(f.global("DF_OLD"_s).borrow());
  if (Index == 0) return df;
  return join_text({df, fragments[Index]});
}

template <size_t... Index>
void define_all(PyObject* module, std::index_sequence<Index...>) {
  PyObject* globals = PyModule_GetDict(module);
  auto define = [&](const char* name, auto method) {
    Ref base = lookup_global("DropdownItemSpecialSelector"_s);
    ClassBuilder builder(globals, name, base.borrow());
    method(builder);
    setattr(module, name, builder.build().borrow());
  };
  (define(kSelectors[Index].name, [](ClassBuilder& b) { b.method<&get_df_code<Index>>("get_df_code"); }), ...);
}

}  // namespace

void define_whole_frame_selectors(PyObject* module) {
  for (size_t i = 0; i < std::size(kSelectors); ++i) {
    if (fragments[i] == nullptr) fragments[i] = make_interned(kSelectors[i].fragment);
  }
  define_all(module, std::make_index_sequence<std::size(kSelectors)>());
}

}  // namespace columns_selector
