// The load's imports: the widget library and the names the module takes from the host.
#pragma once

#include "interop/ref.hpp"

namespace columns_selector {

// import ipywidgets as widgets
void import_widget_library(PyObject* module);
// from ostrel.helper import DF_OLD, OstrelError, string_to_code
// from ostrel.widgets import Multiselect, Singleselect, Text
void import_host_names(PyObject* module);

}  // namespace columns_selector
