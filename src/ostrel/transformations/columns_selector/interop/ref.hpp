// Owning references and the one error idiom of this module.
//
// Every helper that can fail throws PyErrorSet after the interpreter's error indicator has been
// set; the entry points that the interpreter calls turn it back into NULL / -1 (see guard()).
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <new>
#include <utility>

namespace columns_selector {

// "A Python exception is set": carries nothing, the interpreter holds the error.
struct PyErrorSet {};

class Ref {
 public:
  Ref() noexcept = default;
  Ref(Ref&& other) noexcept : ptr_(std::exchange(other.ptr_, nullptr)) {}
  Ref& operator=(Ref&& other) noexcept {
    Ref(std::move(other)).swap(*this);
    return *this;
  }
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() { Py_XDECREF(ptr_); }

  // Takes over a new reference; NULL means the call that made it failed.
  static Ref steal(PyObject* new_reference) {
    if (new_reference == nullptr) throw PyErrorSet{};
    return Ref(new_reference);
  }
  // Shares a borrowed reference (which must not be NULL).
  static Ref share(PyObject* borrowed) noexcept {
    Py_INCREF(borrowed);
    return Ref(borrowed);
  }

  PyObject* borrow() const noexcept { return ptr_; }
  // Hands the reference over to the caller (usually the interpreter).
  PyObject* release() noexcept { return std::exchange(ptr_, nullptr); }
  Ref copy() const noexcept { return share(ptr_); }
  explicit operator bool() const noexcept { return ptr_ != nullptr; }
  void swap(Ref& other) noexcept { std::swap(ptr_, other.ptr_); }

 private:
  explicit Ref(PyObject* ptr) noexcept : ptr_(ptr) {}
  PyObject* ptr_ = nullptr;
};

// slot = value, taking a new reference to value, then releasing what slot held before.
inline void assign(PyObject*& slot, PyObject* value) noexcept {
  Py_XINCREF(value);
  PyObject* previous = slot;
  slot = value;
  Py_XDECREF(previous);
}

// For the C API's int results: -1 means an error is set.
inline int check(int status) {
  if (status < 0) throw PyErrorSet{};
  return status;
}

// Sets the current error aside for the life of the scope and puts it back at its end: an error raised
// in between and left set is dropped. For the work done while an error is on its way out (a traceback
// entry, forgetting a failed load), which must neither lose that error nor replace it.
class ErrorSetAside {
 public:
  ErrorSetAside() noexcept { PyErr_Fetch(&type_, &value_, &traceback_); }
  ~ErrorSetAside() { PyErr_Restore(type_, value_, traceback_); }  // clears whatever is set first
  ErrorSetAside(const ErrorSetAside&) = delete;
  ErrorSetAside& operator=(const ErrorSetAside&) = delete;

 private:
  PyObject* type_ = nullptr;
  PyObject* value_ = nullptr;
  PyObject* traceback_ = nullptr;
};

// Runs body at an interpreter entry point; no C++ exception ever crosses into the interpreter.
template <typename Result, typename Body>
Result guard(Result on_error, Body&& body) noexcept {
  try {
    return body();
  } catch (const PyErrorSet&) {
    return on_error;  // the interpreter already holds the error
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
    return on_error;
  } catch (...) {
    PyErr_SetString(PyExc_SystemError, "unexpected C++ exception in columns_selector");
    return on_error;
  }
}

}  // namespace columns_selector
