// ColumnsWithDtype: the columns of the data type picked in a second dropdown, and DTYPE_OPTIONS,
// the table of its choices.
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
Ref dtype_labels(Frame& f) {
  Ref table = f.global("DTYPE_OPTIONS"_s);
  Ref labels = new_list();
  any_of(table.borrow(), [&](PyObject* row) {
    append(labels.borrow(), item_at(row, 0).borrow());
    return false;
  });
  return labels;
}

// __init__(self, **kwargs)
Ref init(Frame& f) {
  PyObject* self = f.self();
  f.init_base(f.kwargs());
  Ref singleselect = f.global("Singleselect"_s);
  Ref dropdown = call_kw(singleselect.borrow(), {
                                                    {"options"_s, dtype_labels(f)},
                                                    {"placeholder"_s, "Data type"_s},
                                                    {"focus_after_init"_s, true},
                                                    {"set_soft_value"_s, true},
                                                    {"width"_s, "md"_s},
                                                    {"on_change"_s, getattr(self, "on_change"_s)},
                                                });
  setattr(self, "data_type"_s, dropdown.borrow());
  setattr(self, "children"_s, new_list({getattr(self, "data_type"_s)}).borrow());
  return none();
}

// Every row whose label equals the picked value is collected; the first one's names are written.
Ref get_df_code(Frame& f) {
  Ref table = f.global("DTYPE_OPTIONS"_s);
  Ref matches = new_list();
  any_of(table.borrow(), [&](PyObject* row) {
    Ref label = item_at(row, 0);
    Ref picked = getattr(getattr(f.self(), "data_type"_s).borrow(), "value"_s);
    if (equal(label.borrow(), picked.borrow())) append(matches.borrow(), row);
    return false;
  });
  Ref names = item_at(item_at(matches.borrow(), 0).borrow(), 1);
  return join_text({f.global("DF_OLD"_s), ".select_dtypes("_s, names, ")"_s});
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

void define_columns_with_dtype(PyObject* module) {
  PyObject* globals = PyModule_GetDict(module);
  Ref base = lookup_global("SpecialSelector"_s);
  ClassBuilder builder(globals, "ColumnsWithDtype", base.borrow(), "Handles \"selecting columns by data type\".");
  builder.method<init>("__init__", {"self", "**kwargs"}).method<get_df_code>("get_df_code");
  setattr(module, "ColumnsWithDtype", builder.build().borrow());
}

}  // namespace columns_selector
