// The special selectors: one class per way of choosing columns other than by their names.
//
// The classes behind the labels are made from the rule table (vocabulary.cpp): each row names its
// class and its family, and a family says what its classes are made of. The bases that no label
// stands for are defined here.
#pragma once

#include <cstdint>

#include "interop/ref.hpp"

namespace columns_selector {

class ClassBuilder;

// When the load defines a family's classes: before DTYPE_OPTIONS is built, or after it.
enum class Stage : std::uint8_t { kBeforeDtypeOptions, kAfterDtypeOptions };

// What the classes of one kind of rule are made of.
struct Family {
  const char* base;  // the module attribute of their base class, read as each class is defined
  const char* doc;   // their docstring, or NULL
  Stage stage;
  // A base class of the family's own, defined right before its first class; or NULL.
  void (*define_base)(PyObject* module);
  // The members of one class, given the `detail` of its rule's row.
  void (*add_members)(ClassBuilder& builder, const char* detail);
};

// Complete as soon as its label is chosen: kWholeFrameOf, selectors/whole_frame.hpp.
// The data type picked in a second dropdown, from DTYPE_OPTIONS; no detail.
extern const Family kWithDtypeFamily;
// The names that match a typed regular expression; no detail.
extern const Family kByRegexFamily;
// The names that pass a string test against a typed text; detail: the test's string_operation.
extern const Family kNameOperationFamily;

// SpecialSelector and DropdownItemSpecialSelector.
void define_special_selector_bases(PyObject* module);
// DTYPE_OPTIONS, the data-type choices of the data-type selector.
void build_dtype_options(PyObject* module);

}  // namespace columns_selector
