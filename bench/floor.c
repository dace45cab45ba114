/* The floor: the selectors' code-text methods written the plain way in C on the CPython 3.8 limited
 * API, with nothing clever - each name interned once at load, PyDict_GetItemWithError for module
 * names (then the builtins), PyObject_GetAttr for every attribute, PyObject_CallFunctionObjArgs for
 * calls, format(x, "") for a piece that is not an exact str, and PyUnicode_Join over a fresh tuple
 * (PyUnicode_Concat for two pieces). bench_calls.py builds it, installs these methods on subclasses
 * of the plain-Python twin's classes and times them beside the module and the twin.
 *
 *   install(cls, name, df_owner, columns_owner)
 *                        puts the code-text methods of the class called `name` on cls (METH_NOARGS
 *                        descriptors, each made for the class that defines that method in the twin)
 *   use_globals(dict)    the module dict that the methods read DF_OLD, string_to_code, ... from
 */
#define PY_SSIZE_T_CLEAN
#define Py_LIMITED_API 0x03080000
#include <Python.h>
#include <string.h>

static PyObject *globals;
static PyObject *s_empty, *s_DF_OLD, *s_string_to_code, *s_DTYPE_OPTIONS, *s_text, *s_value, *s_class,
    *s_string_operation, *s_data_type, *s_get_df_code, *s_match_all, *s_columns, *s_loc, *s_columns_at,
    *s_str_dot, *s_open, *s_close_both, *s_filter, *s_close, *s_select_dtypes;

/* The module attribute `name`, else the builtin, else NameError. A new reference, or NULL. */
static PyObject *global(PyObject *name) {
  PyObject *found = PyDict_GetItemWithError(globals, name);
  if (found == NULL && !PyErr_Occurred()) found = PyDict_GetItemWithError(PyEval_GetBuiltins(), name);
  if (found == NULL) {
    if (!PyErr_Occurred()) PyErr_Format(PyExc_NameError, "name '%U' is not defined", name);
    return NULL;
  }
  Py_INCREF(found);
  return found;
}

/* format(value, ""), taking over the reference to value. */
static PyObject *text_form(PyObject *value) {
  if (value == NULL || PyUnicode_CheckExact(value)) return value;
  PyObject *text = PyObject_Format(value, s_empty);
  Py_DECREF(value);
  return text;
}

/* The pieces joined with nothing between them; takes over each piece (NULL where making it failed). */
static PyObject *join(PyObject **pieces, Py_ssize_t count) {
  PyObject *tuple = NULL, *text = NULL;
  for (Py_ssize_t i = 0; i < count; ++i) {
    if (pieces[i] == NULL) goto done;
  }
  if ((tuple = PyTuple_New(count)) == NULL) goto done;
  for (Py_ssize_t i = 0; i < count; ++i) {
    PyTuple_SetItem(tuple, i, pieces[i]);
    pieces[i] = NULL;
  }
  text = PyUnicode_Join(s_empty, tuple);
done:
  for (Py_ssize_t i = 0; i < count; ++i) Py_XDECREF(pieces[i]);
  Py_XDECREF(tuple);
  return text;
}

static PyObject *literal(PyObject *text) {
  Py_INCREF(text);
  return text;
}

/* ---- the whole frame and the data-type families: str(DF_OLD) followed by a fixed fragment ---- */

static const char *const kFamilies[][2] = {
    {"AllColumns", ""},
    {"NumericColumns", ".select_dtypes('number')"},
    {"StringOrObjectColumns", ".select_dtypes(['string', 'object'])"},
    {"StringColumns", ".select_dtypes('string')"},
    {"ObjectColumns", ".select_dtypes('object')"},
    {"CategoryColumns", ".select_dtypes('category')"},
    {"IntegerColumns", ".select_dtypes('int')"},
    {"FloatColumns", ".select_dtypes('float')"},
    {"BooleanColumns", ".select_dtypes('bool')"},
    {"DatetimeColumns", ".select_dtypes('datetime')"},
    {"TimedeltaColumns", ".select_dtypes('timedelta')"},
};
#define FAMILY_COUNT ((int)(sizeof kFamilies / sizeof kFamilies[0]))
static PyObject *fragments[FAMILY_COUNT];

static PyObject *family_df_code(int index) {
  PyObject *df = global(s_DF_OLD);
  if (df == NULL) return NULL;
  PyObject *text = PyObject_Str(df);
  Py_DECREF(df);
  if (text == NULL || index == 0) return text;
  PyObject *joined = PyUnicode_Concat(text, fragments[index]);
  Py_DECREF(text);
  return joined;
}

#define FAMILY(i) \
  static PyObject *family_##i(PyObject *self, PyObject *unused) { return family_df_code(i); }
FAMILY(0) FAMILY(1) FAMILY(2) FAMILY(3) FAMILY(4) FAMILY(5) FAMILY(6) FAMILY(7) FAMILY(8) FAMILY(9) FAMILY(10)
#undef FAMILY

/* SpecialSelector.get_columns_code: f"{self.get_df_code()!s}.columns" */
static PyObject *columns_code(PyObject *self, PyObject *unused) {
  PyObject *code = PyObject_CallMethodObjArgs(self, s_get_df_code, NULL);
  if (code == NULL) return NULL;
  PyObject *text = PyObject_Str(code);
  Py_DECREF(code);
  if (text == NULL) return NULL;
  PyObject *joined = PyUnicode_Concat(text, s_columns);
  Py_DECREF(text);
  return joined;
}

/* ---- the name tests ---- */

static PyObject *name_test(PyObject *self, PyObject *head) {
  PyObject *result = NULL, *to_code = NULL, *field = NULL, *typed = NULL, *rendered = NULL, *cls = NULL,
           *operation = NULL;
  if ((to_code = global(s_string_to_code)) == NULL) goto done;
  if ((field = PyObject_GetAttr(self, s_text)) == NULL) goto done;
  if ((typed = PyObject_GetAttr(field, s_value)) == NULL) goto done;
  if ((rendered = PyObject_CallFunctionObjArgs(to_code, typed, NULL)) == NULL) goto done;
  if ((cls = PyObject_GetAttr(self, s_class)) == NULL) goto done;
  if ((operation = PyObject_GetAttr(cls, s_string_operation)) == NULL) goto done;
  PyObject *pieces[8];
  pieces[0] = text_form(global(s_DF_OLD));
  pieces[1] = literal(head);
  pieces[2] = text_form(global(s_DF_OLD));
  pieces[3] = literal(s_str_dot);
  pieces[4] = text_form(operation);
  pieces[5] = literal(s_open);
  pieces[6] = text_form(rendered);
  pieces[7] = literal(s_close_both);
  operation = rendered = NULL; /* taken over by text_form */
  result = join(pieces, 8);
done:
  Py_XDECREF(to_code);
  Py_XDECREF(field);
  Py_XDECREF(typed);
  Py_XDECREF(rendered);
  Py_XDECREF(cls);
  Py_XDECREF(operation);
  return result;
}

static PyObject *name_test_df_code(PyObject *self, PyObject *unused) { return name_test(self, s_loc); }
static PyObject *name_test_columns_code(PyObject *self, PyObject *unused) { return name_test(self, s_columns_at); }

/* ---- the regular expression ---- */

static PyObject *regex_df_code(PyObject *self, PyObject *unused) {
  PyObject *result = NULL, *field = NULL, *pattern = NULL, *to_code = NULL, *rendered = NULL;
  if ((field = PyObject_GetAttr(self, s_text)) == NULL) goto done;
  if ((pattern = PyObject_GetAttr(field, s_value)) == NULL) goto done;
  int empty = PyObject_RichCompareBool(pattern, s_empty, Py_EQ);
  if (empty < 0) goto done;
  Py_CLEAR(pattern);
  Py_CLEAR(field);
  if (empty) {
    pattern = s_match_all;
    Py_INCREF(pattern);
  } else {
    if ((field = PyObject_GetAttr(self, s_text)) == NULL) goto done;
    if ((pattern = PyObject_GetAttr(field, s_value)) == NULL) goto done;
  }
  if ((to_code = global(s_string_to_code)) == NULL) goto done;
  if ((rendered = PyObject_CallFunctionObjArgs(to_code, pattern, NULL)) == NULL) goto done;
  PyObject *pieces[4];
  pieces[0] = text_form(global(s_DF_OLD));
  pieces[1] = literal(s_filter);
  pieces[2] = text_form(rendered);
  pieces[3] = literal(s_close);
  rendered = NULL;
  result = join(pieces, 4);
done:
  Py_XDECREF(field);
  Py_XDECREF(pattern);
  Py_XDECREF(to_code);
  Py_XDECREF(rendered);
  return result;
}

/* ---- the data type picked in a dropdown ---- */

/* names = [row for row in DTYPE_OPTIONS if row[0] == self.data_type.value][0][1] */
static PyObject *dtype_df_code(PyObject *self, PyObject *unused) {
  PyObject *result = NULL, *table = NULL, *rows = NULL, *matches = NULL, *row = NULL, *first = NULL,
           *names = NULL;
  if ((table = global(s_DTYPE_OPTIONS)) == NULL) goto done;
  if ((rows = PyObject_GetIter(table)) == NULL) goto done;
  if ((matches = PyList_New(0)) == NULL) goto done;
  while ((row = PyIter_Next(rows)) != NULL) {
    PyObject *label = PySequence_GetItem(row, 0);
    if (label == NULL) goto done;
    PyObject *dropdown = PyObject_GetAttr(self, s_data_type);
    PyObject *picked = dropdown == NULL ? NULL : PyObject_GetAttr(dropdown, s_value);
    int same = picked == NULL ? -1 : PyObject_RichCompareBool(label, picked, Py_EQ);
    Py_DECREF(label);
    Py_XDECREF(dropdown);
    Py_XDECREF(picked);
    if (same < 0 || (same && PyList_Append(matches, row) < 0)) goto done;
    Py_CLEAR(row);
  }
  if (PyErr_Occurred()) goto done;
  if ((first = PySequence_GetItem(matches, 0)) == NULL) goto done;
  if ((names = PySequence_GetItem(first, 1)) == NULL) goto done;
  PyObject *pieces[4];
  pieces[0] = text_form(global(s_DF_OLD));
  pieces[1] = literal(s_select_dtypes);
  pieces[2] = text_form(names);
  pieces[3] = literal(s_close);
  names = NULL;
  result = join(pieces, 4);
done:
  Py_XDECREF(table);
  Py_XDECREF(rows);
  Py_XDECREF(matches);
  Py_XDECREF(row);
  Py_XDECREF(first);
  Py_XDECREF(names);
  return result;
}

/* ---- the classes ---- */

#define METHOD(name, function) {name, (PyCFunction)function, METH_NOARGS, NULL}
static PyMethodDef family_methods[FAMILY_COUNT] = {
    METHOD("get_df_code", family_0), METHOD("get_df_code", family_1), METHOD("get_df_code", family_2),
    METHOD("get_df_code", family_3), METHOD("get_df_code", family_4), METHOD("get_df_code", family_5),
    METHOD("get_df_code", family_6), METHOD("get_df_code", family_7), METHOD("get_df_code", family_8),
    METHOD("get_df_code", family_9), METHOD("get_df_code", family_10),
};
static PyMethodDef columns_method = METHOD("get_columns_code", columns_code);
static PyMethodDef name_test_methods[] = {METHOD("get_df_code", name_test_df_code),
                                          METHOD("get_columns_code", name_test_columns_code)};
static PyMethodDef regex_method = METHOD("get_df_code", regex_df_code);
static PyMethodDef dtype_method = METHOD("get_df_code", dtype_df_code);

/* The method on cls, its descriptor made for `owner`: the class that defines it in the twin (and in
 * the module), so that a call from an instance of a subclass costs what it costs there. */
static int add(PyObject *cls, PyMethodDef *def, PyObject *owner) {
  PyObject *descriptor = PyDescr_NewMethod((PyTypeObject *)owner, def);
  if (descriptor == NULL) return -1;
  int status = PyObject_SetAttrString(cls, def->ml_name, descriptor);
  Py_DECREF(descriptor);
  return status;
}

static PyObject *install(PyObject *module, PyObject *args) {
  PyObject *cls, *df_owner, *columns_owner;
  const char *name;
  if (!PyArg_ParseTuple(args, "O!sO!O!", &PyType_Type, &cls, &name, &PyType_Type, &df_owner, &PyType_Type,
                        &columns_owner)) {
    return NULL;
  }
  PyMethodDef *df = NULL, *columns = &columns_method;
  for (int i = 0; i < FAMILY_COUNT; ++i) {
    if (strcmp(name, kFamilies[i][0]) == 0) df = &family_methods[i];
  }
  if (strcmp(name, "ColumnsThatStartWith") == 0 || strcmp(name, "ColumnsThatEndWith") == 0 ||
      strcmp(name, "ColumnsThatContain") == 0) {
    df = &name_test_methods[0];
    columns = &name_test_methods[1];
  }
  if (strcmp(name, "ColumnsByRegex") == 0) df = &regex_method;
  if (strcmp(name, "ColumnsWithDtype") == 0) df = &dtype_method;
  if (df == NULL) {
    PyErr_Format(PyExc_KeyError, "no plain C methods for %s", name);
    return NULL;
  }
  if (add(cls, df, df_owner) < 0 || add(cls, columns, columns_owner) < 0) return NULL;
  Py_RETURN_NONE;
}

static PyObject *use_globals(PyObject *module, PyObject *dict) {
  if (!PyDict_Check(dict)) {
    PyErr_SetString(PyExc_TypeError, "use_globals() takes a dict");
    return NULL;
  }
  PyObject *previous = globals;
  Py_INCREF(dict);
  globals = dict;
  Py_XDECREF(previous);
  Py_RETURN_NONE;
}

static PyMethodDef functions[] = {
    {"install", install, METH_VARARGS, "install(cls, name, df_owner, columns_owner): the plain C methods, on cls."},
    {"use_globals", use_globals, METH_O, "use_globals(dict): where the methods read module names from."},
    {NULL, NULL, 0, NULL},
};

static struct PyModuleDef definition = {PyModuleDef_HEAD_INIT, "floor", NULL, -1, functions, NULL, NULL, NULL, NULL};

static int intern(PyObject **slot, const char *text) {
  *slot = PyUnicode_InternFromString(text);
  return *slot == NULL ? -1 : 0;
}

PyMODINIT_FUNC PyInit_floor(void) {
  if (intern(&s_empty, "") || intern(&s_DF_OLD, "DF_OLD") || intern(&s_string_to_code, "string_to_code") ||
      intern(&s_DTYPE_OPTIONS, "DTYPE_OPTIONS") || intern(&s_text, "text") || intern(&s_value, "value") ||
      intern(&s_class, "__class__") || intern(&s_string_operation, "string_operation") ||
      intern(&s_data_type, "data_type") || intern(&s_get_df_code, "get_df_code") || intern(&s_match_all, "^$") ||
      intern(&s_columns, ".columns") || intern(&s_loc, ".loc[:, ") || intern(&s_columns_at, ".columns[") ||
      intern(&s_str_dot, ".columns.str.") || intern(&s_open, "(") || intern(&s_close_both, ")]") ||
      intern(&s_filter, ".filter(regex=") || intern(&s_close, ")") || intern(&s_select_dtypes, ".select_dtypes(")) {
    return NULL;
  }
  for (int i = 0; i < FAMILY_COUNT; ++i) {
    if (intern(&fragments[i], kFamilies[i][1])) return NULL;
  }
  return PyModule_Create(&definition);
}
