#include "interop/class_builder.hpp"
#include "widget/methods.hpp"
#include "widget/widget.hpp"

namespace columns_selector {

namespace {

constexpr const char* kClassDoc =
    "\n"
    "    A special dropdown that allows more complex selections which need additional input from the user.\n"
    "\n"
    "    E.g. when the user selects \"columns of data type\", we ask for the data type with a separate input.\n"
    "    ";

constexpr const char* kInitDoc =
    "\n"
    "        :param show_all_columns: Do you want to show the \"Select all column\" option in the dropdown?\n"
    "        ";

constexpr const char* kCurrentValuesDoc =
    "\n"
    "        Helper for returning the selected options in the dropdown in the correct format.\n"
    "\n"
    "        :return: list. The selected element(s).\n"
    "        ";

}  // namespace

void define_columns_selector(PyObject* module) {
  using namespace widget;
  PyObject* globals = PyModule_GetDict(module);
  Ref widgets = lookup_global("widgets"_s);
  Ref vbox = getattr(widgets.borrow(), "VBox"_s);
  ClassBuilder b(globals, "ColumnsSelector", vbox.borrow(), kClassDoc);
  b.method<init>("__init__", {Py_None, Py_True, Py_False, "md"_s, Py_False, new_list(), b.no_op_lambda()}, kInitDoc)
      .method<has_special_selector>("has_special_selector", "Returns True if the user has selected a special selector.")
      .method<has_column_names>("has_column_names", "Returns True if the user has selected one or more column names.")
      .method<get_current_values>("_get_current_values", kCurrentValuesDoc)
      .method<selection_changed>("_selection_changed")
      .method<create_multi_select>("_create_multi_select", {new_list(), Py_True, new_list()})
      .method<set_special_selector>("_set_special_selector", {Py_None, Py_False, new_list()},
                                    "Create the special selector.")
      .property<get_value, set_value>("value")
      .method<get_df_code>("get_df_code")
      .method<get_columns_code>("get_columns_code");
  setattr(module, "ColumnsSelector", b.build().borrow());
}

}  // namespace columns_selector
