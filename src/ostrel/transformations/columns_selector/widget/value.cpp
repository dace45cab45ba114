// The face the widget shows its owner: its value and the code texts of the current choice.
#include "interop/text.hpp"
#include "widget/methods.hpp"

namespace columns_selector::widget {

namespace {

bool in_names_mode(Frame& f) { return truthy(call_method(f.self(), "has_column_names"_s).borrow()); }

Ref chosen_names(Frame& f) { return getattr(getattr(f.self(), "_main_selector"_s).borrow(), "value"_s); }

}  // namespace

Ref get_value(Frame& f) {
  if (in_names_mode(f)) return chosen_names(f);
  Ref columns = getattr(getattr(f.self(), "_special_selector"_s).borrow(), "columns"_s);
  return Ref::steal(PySequence_List(columns.borrow()));
}

// The setter hands the value over unchanged and always runs the change handler itself.
Ref set_value(Frame& f) {
  setattr(getattr(f.self(), "_main_selector"_s).borrow(), "value"_s, f.arg(1));
  call_method(f.self(), "_selection_changed"_s);
  return none();
}

Ref get_df_code(Frame& f) {
  if (!in_names_mode(f)) return call_method(getattr(f.self(), "_special_selector"_s).borrow(), "get_df_code"_s);
  Py_ssize_t count = PyObject_Size(chosen_names(f).borrow());
  if (count < 0) throw PyErrorSet{};
  if (count == 0) {
    Ref error_class = f.global("OstrelError"_s);
    raise(call(error_class.borrow(), {"No columns are selected.<br>Please select one or multiple columns"_s}).borrow());
  }
  return join_text({f.global("DF_OLD"_s), "["_s, str_of(chosen_names(f).borrow()), "]"_s});
}

Ref get_columns_code(Frame& f) {
  if (!in_names_mode(f)) return call_method(getattr(f.self(), "_special_selector"_s).borrow(), "get_columns_code"_s);
  return str_of(chosen_names(f).borrow());
}

}  // namespace columns_selector::widget
