// The face the widget shows its owner: its value and the code texts of the current choice.
#include "interop/text.hpp"
#include "widget/methods.hpp"

namespace columns_selector::widget {

namespace {

bool in_names_mode(Call& c) { return truthy(call_method(c.self(), "has_column_names"_s).borrow()); }

Ref chosen_names(Call& c) { return getattr(getattr(c.self(), "_main_selector"_s).borrow(), "value"_s); }

}  // namespace

Ref get_value(Call& c) {
  if (in_names_mode(c)) return chosen_names(c);
  Ref columns = getattr(getattr(c.self(), "_special_selector"_s).borrow(), "columns"_s);
  return Ref::steal(PySequence_List(columns.borrow()));
}

// The setter hands the value over unchanged and always runs the change handler itself.
Ref set_value(SetValue& c) {
  setattr(getattr(c.self(), "_main_selector"_s).borrow(), "value"_s, c.arg<"value">());
  call_method(c.self(), "_selection_changed"_s);
  return none();
}

Ref get_df_code(Call& c) {
  if (!in_names_mode(c)) return call_method(getattr(c.self(), "_special_selector"_s).borrow(), "get_df_code"_s);
  Py_ssize_t count = PyObject_Size(chosen_names(c).borrow());
  if (count < 0) throw PyErrorSet{};
  if (count == 0) {
    Ref error_class = c.global("OstrelError"_s);
    raise(call(error_class.borrow(), {"No columns are selected.<br>Please select one or multiple columns"_s}).borrow());
  }
  return join_text({c.global("DF_OLD"_s), "["_s, str_of(chosen_names(c).borrow()), "]"_s});
}

Ref get_columns_code(Call& c) {
  if (!in_names_mode(c)) return call_method(getattr(c.self(), "_special_selector"_s).borrow(), "get_columns_code"_s);
  return str_of(chosen_names(c).borrow());
}

}  // namespace columns_selector::widget
