#include "vocabulary.hpp"

#include "interop/call.hpp"
#include "interop/function.hpp"

namespace columns_selector {

namespace {

struct Label {
  const char* constant;
  const char* text;
};

struct Entry {
  const char* label;
  const char* selector_class;
};

constexpr Label kLabels[] = {
    {"ALL_COLUMNS", "[All columns]"},
    {"COLUMNS_WITH_DTYPE", "[Columns with data type]"},
    {"COLUMNS_BY_REGEX", "[Columns that match regex]"},
    {"NUMERIC_COLUMNS", "[Numeric columns]"},
    {"STRING_OR_OBJECT_COLUMNS", "[String/Text or Object columns]"},
    {"STRING_COLUMNS", "[String-only columns]"},
    {"OBJECT_COLUMNS", "[Object-only columns]"},
    {"CATEGORY_COLUMNS", "[Categoric/Factor columns]"},
    {"INTEGER_COLUMNS", "[Integer columns]"},
    {"FLOAT_COLUMNS", "[Float columns]"},
    {"BOOLEAN_COLUMNS", "[Boolean columns]"},
    {"DATETIME_COLUMNS", "[Datetime columns]"},
    {"TIMEDELTA_COLUMNS", "[Timedelta columns]"},
    {"COLUMNS_THAT_START_WITH", "[Columns that start with]"},
    {"COLUMNS_THAT_END_WITH", "[Columns that end with]"},
    {"COLUMNS_THAT_CONTAIN", "[Columns that contain]"},
};

constexpr const char* kTopOptions[] = {"COLUMNS_WITH_DTYPE", "COLUMNS_BY_REGEX"};

constexpr const char* kBottomOptions[] = {
    "NUMERIC_COLUMNS",      "STRING_OR_OBJECT_COLUMNS", "STRING_COLUMNS",          "OBJECT_COLUMNS",
    "CATEGORY_COLUMNS",     "INTEGER_COLUMNS",          "FLOAT_COLUMNS",           "BOOLEAN_COLUMNS",
    "DATETIME_COLUMNS",     "TIMEDELTA_COLUMNS",        "COLUMNS_THAT_START_WITH", "COLUMNS_THAT_END_WITH",
    "COLUMNS_THAT_CONTAIN",
};

// The registry puts the regex label before the data-type label, unlike the dropdown.
constexpr Entry kRegistry[] = {
    {"ALL_COLUMNS", "AllColumns"},
    {"COLUMNS_BY_REGEX", "ColumnsByRegex"},
    {"COLUMNS_WITH_DTYPE", "ColumnsWithDtype"},
    {"NUMERIC_COLUMNS", "NumericColumns"},
    {"STRING_OR_OBJECT_COLUMNS", "StringOrObjectColumns"},
    {"STRING_COLUMNS", "StringColumns"},
    {"OBJECT_COLUMNS", "ObjectColumns"},
    {"CATEGORY_COLUMNS", "CategoryColumns"},
    {"INTEGER_COLUMNS", "IntegerColumns"},
    {"FLOAT_COLUMNS", "FloatColumns"},
    {"BOOLEAN_COLUMNS", "BooleanColumns"},
    {"DATETIME_COLUMNS", "DatetimeColumns"},
    {"TIMEDELTA_COLUMNS", "TimedeltaColumns"},
    {"COLUMNS_THAT_START_WITH", "ColumnsThatStartWith"},
    {"COLUMNS_THAT_END_WITH", "ColumnsThatEndWith"},
    {"COLUMNS_THAT_CONTAIN", "ColumnsThatContain"},
};

Ref read_global(const char* name) { return lookup_global(Ref::steal(make_interned(name)).borrow()); }

template <size_t N>
Ref list_of_labels(const char* const (&constants)[N]) {
  Ref list = new_list();
  for (const char* constant : constants) append(list.borrow(), read_global(constant).borrow());
  return list;
}

}  // namespace

void bind_labels(PyObject* module) {
  for (const Label& label : kLabels)
    setattr(module, label.constant, Ref::steal(PyUnicode_FromString(label.text)).borrow());
}

void build_label_lists(PyObject* module) {
  setattr(module, "TOP_OPTIONS", list_of_labels(kTopOptions).borrow());
  setattr(module, "BOTTOM_OPTIONS", list_of_labels(kBottomOptions).borrow());
}

void build_selector_options(PyObject* module) {
  Ref registry = Ref::steal(PyDict_New());
  for (const Entry& entry : kRegistry) {
    Ref label = read_global(entry.label);
    Ref selector_class = read_global(entry.selector_class);
    check(PyDict_SetItem(registry.borrow(), label.borrow(), selector_class.borrow()));
  }
  setattr(module, "SELECTOR_OPTIONS", registry.borrow());
}

}  // namespace columns_selector
