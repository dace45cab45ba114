#include "vocabulary.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <vector>

#include "interop/call.hpp"
#include "interop/class_builder.hpp"
#include "interop/function.hpp"
#include "interop/process_state.hpp"
#include "selectors/selectors.hpp"
#include "selectors/whole_frame.hpp"

namespace columns_selector {

namespace {

// Where the main dropdown offers a label: first, when the widget is asked to (in neither list), or
// in TOP_OPTIONS or BOTTOM_OPTIONS, in table order.
enum class Place : std::uint8_t { kOfferedFirst, kTop, kBottom };
using enum Place;

// The family of a rule's class (selectors/), by name: the whole-frame family is made for as many
// classes as the table has rows of it, so the table names families rather than holding them.
enum class FamilyName : std::uint8_t { kWholeFrame, kWithDtype, kByRegex, kNameOperation };
using enum FamilyName;

struct Rule {
  const char* attribute;  // the module attribute bound to the label
  const char* label;
  Place place;
  size_t registry;  // its position in SELECTOR_OPTIONS
  const char* class_name;
  FamilyName family;   // what the class is made of
  const char* detail;  // what the family needs of this rule, or NULL
};

// In the order the labels are bound: attribute, label, place in the dropdown, position in
// SELECTOR_OPTIONS (the regex label comes before the data-type label there, unlike the dropdown),
// class, family, detail (for a whole-frame rule the code fragment after str(DF_OLD), for a name
// operation its string_operation).
// clang-format off
constexpr Rule kRules[] = {
    {"ALL_COLUMNS",              "[All columns]",                   kOfferedFirst, 0,  "AllColumns",            kWholeFrame,    ""},
    {"COLUMNS_WITH_DTYPE",       "[Columns with data type]",        kTop,          2,  "ColumnsWithDtype",      kWithDtype,     nullptr},
    {"COLUMNS_BY_REGEX",         "[Columns that match regex]",      kTop,          1,  "ColumnsByRegex",        kByRegex,       nullptr},
    {"NUMERIC_COLUMNS",          "[Numeric columns]",               kBottom,       3,  "NumericColumns",        kWholeFrame,    ".select_dtypes('number')"},
    {"STRING_OR_OBJECT_COLUMNS", "[String/Text or Object columns]", kBottom,       4,  "StringOrObjectColumns", kWholeFrame,    ".select_dtypes(['string', 'object'])"},
    {"STRING_COLUMNS",           "[String-only columns]",           kBottom,       5,  "StringColumns",         kWholeFrame,    ".select_dtypes('string')"},
    {"OBJECT_COLUMNS",           "[Object-only columns]",           kBottom,       6,  "ObjectColumns",         kWholeFrame,    ".select_dtypes('object')"},
    {"CATEGORY_COLUMNS",         "[Categoric/Factor columns]",      kBottom,       7,  "CategoryColumns",       kWholeFrame,    ".select_dtypes('category')"},
    {"INTEGER_COLUMNS",          "[Integer columns]",               kBottom,       8,  "IntegerColumns",        kWholeFrame,    ".select_dtypes('int')"},
    {"FLOAT_COLUMNS",            "[Float columns]",                 kBottom,       9,  "FloatColumns",          kWholeFrame,    ".select_dtypes('float')"},
    {"BOOLEAN_COLUMNS",          "[Boolean columns]",               kBottom,       10, "BooleanColumns",        kWholeFrame,    ".select_dtypes('bool')"},
    {"DATETIME_COLUMNS",         "[Datetime columns]",              kBottom,       11, "DatetimeColumns",       kWholeFrame,    ".select_dtypes('datetime')"},
    {"TIMEDELTA_COLUMNS",        "[Timedelta columns]",             kBottom,       12, "TimedeltaColumns",      kWholeFrame,    ".select_dtypes('timedelta')"},
    {"COLUMNS_THAT_START_WITH",  "[Columns that start with]",       kBottom,       13, "ColumnsThatStartWith",  kNameOperation, "startswith"},
    {"COLUMNS_THAT_END_WITH",    "[Columns that end with]",         kBottom,       14, "ColumnsThatEndWith",    kNameOperation, "endswith"},
    {"COLUMNS_THAT_CONTAIN",     "[Columns that contain]",          kBottom,       15, "ColumnsThatContain",    kNameOperation, "contains"},
};
// clang-format on

constexpr size_t kRuleCount = std::size(kRules);
constexpr size_t kWholeFrameRules = static_cast<size_t>(
    std::count_if(std::begin(kRules), std::end(kRules), [](const Rule& r) { return r.family == kWholeFrame; }));

const Family& family_of(FamilyName name) {
  switch (name) {
    case kWholeFrame:
      return kWholeFrameOf<kWholeFrameRules>;
    case kWithDtype:
      return kWithDtypeFamily;
    case kByRegex:
      return kByRegexFamily;
    case kNameOperation:
      return kNameOperationFamily;
  }
  return kNameOperationFamily;  // not reached: every name is a case above
}

// Every rule has a registry position of its own.
constexpr bool registry_positions_are_distinct() {
  for (size_t position = 0; position < kRuleCount; ++position) {
    if (std::count_if(std::begin(kRules), std::end(kRules), [&](const Rule& r) { return r.registry == position; }) != 1)
      return false;
  }
  return true;
}
static_assert(registry_positions_are_distinct());
static_assert(std::count_if(std::begin(kRules), std::end(kRules),
                            [](const Rule& r) { return r.place == kOfferedFirst; }) == 1);

Ref read_global(const char* name) { return lookup_global(make_interned(name).borrow()); }

Ref list_of_labels(Place place) {
  Ref list = new_list();
  for (const Rule& rule : kRules) {
    if (rule.place == place) append(list.borrow(), read_global(rule.attribute).borrow());
  }
  return list;
}

void define_rule_class(PyObject* module, const Rule& rule) {
  const Family& family = family_of(rule.family);
  Ref base = read_global(family.base);
  ClassBuilder builder(PyModule_GetDict(module), rule.class_name, base.borrow(), family.doc);
  family.add_members(builder, rule.detail);
  setattr(module, rule.class_name, builder.build().borrow());
}

}  // namespace

void bind_labels(PyObject* module) {
  for (const Rule& rule : kRules)
    setattr(module, rule.attribute, Ref::steal(PyUnicode_FromString(rule.label)).borrow());
}

void build_label_lists(PyObject* module) {
  setattr(module, "TOP_OPTIONS", list_of_labels(kTop).borrow());
  setattr(module, "BOTTOM_OPTIONS", list_of_labels(kBottom).borrow());
}

void define_rule_classes(PyObject* module, Stage stage) {
  std::vector<const Family*> begun;
  for (const Rule& rule : kRules) {
    const Family& family = family_of(rule.family);
    if (family.stage != stage) continue;
    if (std::find(begun.begin(), begun.end(), &family) == begun.end()) {
      begun.push_back(&family);
      if (family.define_base != nullptr) family.define_base(module);
    }
    define_rule_class(module, rule);
  }
}

void build_selector_options(PyObject* module) {
  Ref registry = Ref::steal(PyDict_New());
  for (size_t position = 0; position < kRuleCount; ++position) {
    const Rule& rule =
        *std::find_if(std::begin(kRules), std::end(kRules), [&](const Rule& r) { return r.registry == position; });
    Ref label = read_global(rule.attribute);
    Ref selector_class = read_global(rule.class_name);
    check(PyDict_SetItem(registry.borrow(), label.borrow(), selector_class.borrow()));
  }
  setattr(module, "SELECTOR_OPTIONS", registry.borrow());
}

PyObject* all_columns_attribute() {
  Ref& name = process_state.all_columns_attribute;
  if (!name) {
    const Rule& rule =
        *std::find_if(std::begin(kRules), std::end(kRules), [](const Rule& r) { return r.place == kOfferedFirst; });
    name = make_interned(rule.attribute);
  }
  return name.borrow();
}

}  // namespace columns_selector
