// The columns of the data type picked in a second dropdown, and DTYPE_OPTIONS, the table of its
// choices.
#include <initializer_list>

#include "interop/class_builder.hpp"
#include "interop/text.hpp"
#include "selectors/selectors.hpp"

namespace columns_selector {

namespace {

struct DtypeChoice {
  const char* label;
  std::initializer_list<const char*> names;
};

const DtypeChoice kDtypeChoices[] = {
    {"Numeric", {"number"}},
    {"String/Text or Object", {"string", "object"}},
    {"String only", {"string"}},
    {"Object only", {"object"}},
    {"Categoric/Factor", {"category"}},
    {"Integer", {"int"}},
    {"Float", {"float"}},
    {"Boolean", {"bool"}},
    {"Datetime", {"datetime"}},
    {"Timedelta", {"timedelta"}},
};

// [row[0] for row in DTYPE_OPTIONS]
Ref dtype_labels(Call& c) {
  Ref table = c.global("DTYPE_OPTIONS"_s);
  Ref labels = new_list();
  for_each(table.borrow(), [&](PyObject* row) { append(labels.borrow(), item_at(row, 0).borrow()); });
  return labels;
}

using Init = Def<"self", "**kwargs">;
Ref init(Init& c) {
  PyObject* self = c.self();
  c.init_base(c.kwargs());
  Ref singleselect = c.global("Singleselect"_s);
  Ref dropdown = call_kw(singleselect.borrow(), {
                                                    {"options"_s, dtype_labels(c)},
                                                    {"placeholder"_s, "Data type"_s},
                                                    {"focus_after_init"_s, Py_True},
                                                    {"set_soft_value"_s, Py_True},
                                                    {"width"_s, "md"_s},
                                                    {"on_change"_s, getattr(self, "on_change"_s)},
                                                });
  setattr(self, "data_type"_s, dropdown.borrow());
  setattr(self, "children"_s, new_list({getattr(self, "data_type"_s)}).borrow());
  return none();
}

// Every row whose label equals the picked value is collected; the first one's names are written.
Ref get_df_code(Call& c) {
  Ref table = c.global("DTYPE_OPTIONS"_s);
  Ref matches = new_list();
  for_each(table.borrow(), [&](PyObject* row) {
    Ref label = item_at(row, 0);
    Ref picked = getattr(getattr(c.self(), "data_type"_s).borrow(), "value"_s);
    if (equal(label.borrow(), picked.borrow())) append(matches.borrow(), row);
  });
  Ref names = item_at(item_at(matches.borrow(), 0).borrow(), 1);
  return join_text({c.global("DF_OLD"_s), ".select_dtypes("_s, names, ")"_s});
}

}  // namespace

void build_dtype_options(PyObject* module) {
  Ref table = new_list();
  for (const DtypeChoice& choice : kDtypeChoices) {
    Ref names = new_list();
    for (const char* name : choice.names) append(names.borrow(), Ref::steal(PyUnicode_FromString(name)).borrow());
    Ref label = Ref::steal(PyUnicode_FromString(choice.label));
    Ref row = Ref::steal(PyTuple_Pack(2, label.borrow(), names.borrow()));
    append(table.borrow(), row.borrow());
  }
  setattr(module, "DTYPE_OPTIONS", table.borrow());
}

namespace {

void add_members(ClassBuilder& builder, const char* /*detail*/) {
  builder.method<init>("__init__").method<get_df_code>("get_df_code");
}

}  // namespace

const Family kWithDtypeFamily = {"SpecialSelector", "Handles \"selecting columns by data type\".",
                                 Stage::kAfterDtypeOptions, nullptr, add_members};

}  // namespace columns_selector
