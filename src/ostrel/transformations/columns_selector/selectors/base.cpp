// SpecialSelector, the protocol every special selector follows, and DropdownItemSpecialSelector,
// the base of the selectors that need nothing beyond their dropdown item.
#include "interop/class_builder.hpp"
#include "interop/text.hpp"
#include "selectors/selectors.hpp"

namespace columns_selector {

namespace {

using Init = Def<"self", "manager", "on_change", "**kwargs">;
Ref init(Init& c) {
  setattr(c.self(), "manager"_s, c.arg<"manager">());
  setattr(c.self(), "on_change"_s, c.arg<"on_change">());
  c.init_base(c.kwargs());
  return none();
}

Ref columns(Call& c) {
  Ref manager = getattr(c.self(), "manager"_s);
  Ref transformation = getattr(manager.borrow(), "transformation"_s);
  Ref eval_code = getattr(transformation.borrow(), "eval_code"_s);
  Ref code = call_method(c.self(), "get_columns_code"_s);
  return call(eval_code.borrow(), {code});
}

Ref focus_dropdown(Call&) { return Ref::share(Py_False); }

Ref get_columns_code(Call& c) {
  Ref df_code = call_method(c.self(), "get_df_code"_s);
  return join_text({str_of(df_code.borrow()), ".columns"_s});
}

Ref get_df_code(Call&) { raise(PyExc_NotImplementedError); }

Ref dropdown_item_focus_dropdown(Call&) { return Ref::share(Py_True); }

}  // namespace

void define_special_selector_bases(PyObject* module) {
  PyObject* globals = PyModule_GetDict(module);
  Ref widgets = lookup_global("widgets"_s);
  Ref vbox = getattr(widgets.borrow(), "VBox"_s);
  ClassBuilder special(globals, "SpecialSelector", vbox.borrow());
  special.method<init>("__init__", {Py_None, special.no_op_lambda()})
      .property<columns>("columns")
      .method<focus_dropdown>("focus_dropdown")
      .method<get_columns_code>("get_columns_code")
      .method<get_df_code>("get_df_code");
  setattr(module, "SpecialSelector", special.build().borrow());

  Ref base = lookup_global("SpecialSelector"_s);
  ClassBuilder dropdown_item(globals, "DropdownItemSpecialSelector", base.borrow());
  dropdown_item.method<dropdown_item_focus_dropdown>("focus_dropdown");
  setattr(module, "DropdownItemSpecialSelector", dropdown_item.build().borrow());
}

}  // namespace columns_selector
