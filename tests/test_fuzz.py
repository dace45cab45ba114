"""Random sequences of calls on every entry point, with hostile host objects, against the Python twin.

Each step runs once on the module and once on its twin (tests/oracle.py) from the same module bindings, and
must give the same result or the same error with the same traceback entries, the same host calls in the same
order and the same widget state, with the same lists handed over. FUZZ_EXAMPLES sets the budget (the fuzz
session runs a large one); the run is derandomized. Fixed scenarios reach the rare corners on every run.
"""

import builtins
import concurrent.futures
import inspect
import os
import sys
import types

import ipywidgets as widgets
import pytest
import traitlets
from hypothesis import HealthCheck, settings
from hypothesis import strategies as st
from hypothesis.stateful import Bundle, RuleBasedStateMachine, initialize, invariant, multiple, rule
from oracle import FAMILIES, FILE, make_twin

import ostrel.transformations.columns_selector as cs

CURRENT = [vars(cs)]  # the namespace that the run works in

# The recording stand-ins for the host: each call they get goes to LOG, in order. The widget fakes are real
# ipywidgets widgets, so that the module can put them into a box's children.
LOG = []


ERR = type("HostileError", (Exception,), {})("hostile")  # what the hostile host objects raise


def recording(name, value_raises=False, init_raises=False):
    """A host widget class that logs its construction (keywords only) and each read and write of `value`."""
    def __init__(self, **kwargs):
        widgets.Widget.__init__(self)
        LOG.append((name, kwargs))
        if init_raises:
            raise ERR
        self._value = kwargs.get("value", "" if name == "Text" else None)

    def value(self, *new):
        LOG.append((name, "value", *new))
        if value_raises:
            raise ERR
        self._value = new[0] if new else self._value
        return self._value
    return type(name, (widgets.Widget,), {"__init__": __init__, "value": property(value, value)})


class Host:
    """The transformation: get_df gives a frame of `labels`; eval_code gives `result`, or raises ERR."""
    def __init__(self, labels):
        self.columns, self.result = labels, ["x"]

    def get_df(self):
        LOG.append(("get_df",))
        return self

    def eval_code(self, code):
        LOG.append(("eval_code", code))
        if self.result is ERR:
            raise ERR
        return self.result


class Hostile:
    """One dunder misbehaves: it raises ERR, returns the wrong type, or deletes a module name and goes on."""
    def __init__(self, dunder, how):
        self.dunder, self.how = dunder, how

    def _act(self, dunder, normal):
        LOG.append((dunder, self.dunder, self.how))
        if dunder != self.dunder:
            return normal
        if self.how == "raise":
            raise ERR
        if self.how == "wrong":
            return {"__eq__": Hostile("__bool__", "raise"), "__hash__": "h", "__bool__": 2}.get(dunder, 3)
        CURRENT[0].pop(self.how, None)
        return normal

    __eq__ = lambda self, other: self._act("__eq__", self is other)  # noqa: E731
    __hash__ = lambda self: self._act("__hash__", 5)  # noqa: E731
    __bool__ = lambda self: self._act("__bool__", True)  # noqa: E731
    __str__ = lambda self: self._act("__str__", "S")  # noqa: E731
    __repr__ = lambda self: self._act("__repr__", "R")  # noqa: E731
    __format__ = lambda self, spec: self._act("__format__", "F")  # noqa: E731
    _repr_pretty_ = lambda self, p, cycle: p.text(f"Hostile({self.dunder!r}, {self.how!r})")  # noqa: E731


class Str(str):
    """A str subclass whose str() and format() differ from the text itself."""
    __str__ = lambda self: "s" + str.__str__(self)  # noqa: E731
    __format__ = lambda self, spec: "f" + str.__str__(self)  # noqa: E731


def hostiles(*dunders, hows=("raise", "wrong", "SELECTOR_OPTIONS", "DF_OLD", "Multiselect", "Singleselect")):
    return [Hostile(d, h) for d in dunders for h in hows]


SPECIAL = list(cs.SELECTOR_OPTIONS)
LABELS = ["a", Str("a"), Str(SPECIAL[3]), 0, "it's", ["unhashable"], *hostiles("__str__", "__repr__", "__format__",
          hows=("raise", "wrong")), *SPECIAL, "b", 1.5, None, ("t",), *hostiles("__eq__", "__hash__")]
HUGE = [f"c{i}" for i in range(3000)]
NAMES = ["it's", "a", 'say "hi"', "back\\slash", "é", "b", "中文"]  # exact strs only: the fast text path of a list
# Typed texts: U+00FF, the last character of Latin-1, beside one beyond it, in short and long pieces.
EDGE_OF_LATIN_1 = ["\xff", "\xff\u0100", "\u0100\xff", "\xff\u4e2d", "\xff" * 40 + "\u0100", "\u0100" + "\xff" * 40]


def one(*pool):
    """One item of the pool. Hypothesis draws only its position: it must not touch the hostile objects."""
    return st.integers(0, len(pool) - 1).map(lambda i: pool[i])


def some(pool, max_size):
    return st.lists(st.integers(0, len(pool) - 1), max_size=max_size).map(lambda ix: [pool[i] for i in ix])


label = one(*LABELS)
labels = some(LABELS, 5) | st.just("huge")  # a huge frame now and then
flag = one(True, False, 0, "", [1], *hostiles("__bool__", hows=("raise", "wrong", "DF_OLD")))
WIDGETS = {name: {"recording": recording(name), "init raises": recording(name, init_raises=True),
                  "value raises": recording(name, value_raises=True)}
           for name in ("Multiselect", "Singleselect", "Text")}
WIDGETS["Multiselect"]["equal, not the same class"] = type("Multiselect", (WIDGETS["Multiselect"]["recording"],), {})
GONE, BUILTIN = object(), object()  # bindings that delete the name, and that bind it in builtins instead
# The bindings each rebound name takes, by name; the first is the one a run starts with.
REBINDS = {"DF_OLD": {"str": "df", "str subclass": Str("df"), "int": 7, "gone": GONE,
                      "deletes itself": Hostile("__format__", "DF_OLD"), "builtin": BUILTIN,
                      **{f"{h.dunder} {h.how}": h for h in hostiles("__format__", "__str__", hows=("raise", "wrong"))},
                      # the first piece of a code text, or a whole one, about as long as the join's buffer
                      **{f"{n} long": "d" * n for n in (504, 505, 506, 511, 512, 513)}},
           "string_to_code": {"repr": repr, "gives a hostile": lambda text: Hostile("__format__", "wrong"),
                              "gives an int": lambda text: 5, "gone": GONE,
                              "raises": lambda text: (_ for _ in ()).throw(ERR),
                              "gives a hostile repr": lambda text: Hostile("__repr__", "raise")},
           "SELECTOR_OPTIONS": {"own": "own", "gone": GONE, "list": [], "with a hostile key": "with a hostile key",
                                "with logged keys": "with logged keys"},
           "OstrelError": {"own": cs.OstrelError, "gone": GONE, "str": str},
           "DTYPE_OPTIONS": {"own": cs.DTYPE_OPTIONS, "gone": GONE,
                             "a hostile label": [("Numeric", ["n"]), (Hostile("__eq__", "raise"), [])],
                             "two rows of one label": [("Float", ["first"]), ("Float", ["second"])],
                             "a hostile name": [("Float", [Hostile("__eq__", "raise")])]},
           **{name: {**classes, "gone": GONE} for name, classes in WIDGETS.items()}}
KEY = Hostile("__eq__", "raise")  # hashes like every Hostile, so a Hostile label meets its __eq__
ALLOWED = (KeyError, IndexError, NameError, AttributeError, TypeError, NotImplementedError, cs.OstrelError,
           traitlets.TraitError)
READ = ["get_columns_code", "get_df_code", "value", "value", "has_special_selector", "has_column_names",
        "_get_current_values"]
TRACED = ["has_special_selector", "has_column_names", "_get_current_values", "_selection_changed",
          "_create_multi_select", "_set_special_selector"]
FUNCTION = type(vars(cs.ColumnsSelector)["_create_multi_select"])  # the module's methods with parameters
WITH_PARAMETERS = sorted((c.__name__, m) for c in vars(cs).values() if isinstance(c, type)
                         for m, v in vars(c).items() if type(v) is FUNCTION)
BAD_CALLS = [(), (1,) * 9, ((1,) * 9, {"bad": 1}), ((1,), {"self": 2}), ((1,), {"no_such": 1})]


def norm(x, seen):
    """A form of x that compares equal between the module and its twin without running x's own code. A list is
    numbered when first seen, so that the same list handed over twice shows as the same number."""
    if type(x) in (str, int, float, bool, type(None)):
        return x if type(x) is str else (type(x), x)  # True is not 1
    if type(x) is list:
        if id(x) in seen:
            return "list", seen[id(x)][0]
        seen[id(x)] = len(seen), x  # kept alive, so that its id stays its own
        return "list", seen[id(x)][0], [norm(i, seen) for i in x]
    if type(x) in (tuple, dict):
        return type(x).__name__, [norm(i, seen) for i in (x.items() if type(x) is dict else x)]
    if isinstance(x, types.MethodType):
        return "method", x.__func__.__name__, norm(x.__self__, seen)
    if isinstance(x, (widgets.Widget, BaseException)):
        return type(x).__name__, norm(getattr(x, "args", None), seen)
    if callable(x) and getattr(x, "__module__", None) in (cs.__name__, "traitlets.traitlets"):
        return "own", x.__name__  # the module's classes and functions, and the twin's
    return "id", id(x)


def entries(error):
    """The module's traceback entries, or the twin's frames compiled under the same file name, by qualified name
    (before 3.11 a frame keeps no qualified name: there, by method name)."""
    found, tb = [], error.__traceback__
    while tb is not None:
        code, tb = tb.tb_frame.f_code, tb.tb_next
        helper = code.co_name == "_special_classes" or code.co_name[0] == "<"
        if code.co_filename == FILE and not helper:
            found.append(getattr(code, "co_qualname", code.co_name))
    if isinstance(error, TypeError) and found and "." in found[-1] and str(error).startswith(
            (found[-1] + "()", found[-1].rpartition(".")[2] + "()")):  # the names in the message before 3.10
        found.pop()  # the module's entry of a call refused before it starts: Python makes no frame for it
    return found if sys.version_info >= (3, 11) else [name.rpartition(".")[2] for name in found]


def attempt(action, seen):
    """The result of action() and its outcome: its result or error, and the host calls it made."""
    LOG.clear()
    try:
        result = action()
        return result, (norm(result, seen), None, norm(LOG, seen))
    except Exception as error:
        assert error is ERR or isinstance(error, ALLOWED), repr(error)
        outcome = (None, (type(error), norm(error.args, seen), error is ERR, entries(error)), norm(LOG, seen))
        error.__traceback__ = None
        return None, outcome


def on_change():
    LOG.append(("on_change",))


def raising_on_change():
    raise ERR


def traced(cls):
    """A subclass whose overridable methods log each call made through the object, then run the class's own."""
    def tracer(name):
        def method(self, *args, **kwargs):
            LOG.append(("self", name, args, kwargs))
            return getattr(super(sub, self), name)(*args, **kwargs)
        return method
    sub = type("Traced", (cls,), {name: tracer(name) for name in TRACED})
    return sub


class Spy(widgets.VBox):
    """Placed between a selector and VBox in the order of resolution: logs what the selector hands on, and when."""
    def __init__(self, *args, **kwargs):
        LOG.append(("next __init__", args, kwargs, getattr(self, "manager", None), getattr(self, "on_change", None)))
        super().__init__(*args, **kwargs)


@settings(max_examples=int(os.environ.get("FUZZ_EXAMPLES", "50")), stateful_step_count=25, derandomize=True,
          deadline=None, database=None, suppress_health_check=list(HealthCheck))
class Fuzz(RuleBasedStateMachine):
    built = Bundle("built")

    @initialize(target=built, frame=labels)
    def start(self, frame):
        self.saved, self.twin = dict(vars(cs)), make_twin(cs)
        self.own = {cs.__name__: cs.SELECTOR_OPTIONS, "twin": self.twin["SELECTOR_OPTIONS"]}
        self.bindings, self.pairs = {name: next(iter(values.values())) for name, values in REBINDS.items()}, []
        return self.build(frame, (True, False, False), "md", [], on_change, 7, False, False)

    def bind(self, namespace, which):
        for name, value in self.bindings.items():
            if name == "SELECTOR_OPTIONS" and isinstance(value, str):
                own = self.own[which]
                logged = type("Registry", (dict,), {"keys": lambda self: LOG.append(("keys",)) or dict.keys(self)})
                value = {"own": own, "with a hostile key": {**own, KEY: own[SPECIAL[0]]}}.get(value) or logged(own)
            if value is BUILTIN:
                builtins.DF_OLD = "bdf"
            if value is GONE or value is BUILTIN:
                namespace.pop(name, None)
            else:
                namespace[name] = value

    def both(self, action, *pair):
        """Runs action(namespace, widget) on the module and on the twin; both must agree. Gives the results."""
        runs = []
        for namespace, which, w in [(vars(cs), cs.__name__, pair[0] if pair else None),
                                    (self.twin, "twin", pair[1] if pair else None)]:
            self.bind(namespace, which)
            CURRENT[0], seen = namespace, {}
            result, outcome = attempt(lambda namespace=namespace, w=w: action(namespace, w), seen)
            state = [norm(getattr(w, a, None), seen) for a in ("_main_selector", "children", "_special_selector",
                                                                 "_options")]
            # then every reading member, each with the host calls it makes
            read = [attempt(lambda w=w, m=m: getattr(w, m)() if m != "value" else w.value, seen)[1] for m in READ if w]
            runs.append((result, (outcome, state, read)))
        assert runs[0][1] == runs[1][1]
        return runs[0][0], runs[1][0]

    @rule(target=built, frame=labels, flags=st.tuples(flag, flag, flag), width=st.sampled_from(["md", "sm", 3]),
          css=st.sampled_from([[], ["k"], 5, None]), callback=st.sampled_from([on_change, raising_on_change]),
          given=st.integers(1, 7), positional=st.booleans(), trace=st.booleans())
    def build(self, frame, flags, width, css, callback, given, positional, trace):
        host = Host(HUGE if frame == "huge" else frame)
        args = [host, flags[0], flags[1], width, flags[2], css, callback][:given]
        # From __init__: the traitlets of ipywidgets 7 give the class itself the signature of its __new__.
        keys = list(inspect.signature(self.twin["ColumnsSelector"].__init__).parameters)[1:]

        def make(ns, _):
            cls = traced(ns["ColumnsSelector"]) if trace else ns["ColumnsSelector"]
            return cls(*args) if positional else cls(**dict(zip(keys, args)))
        made = self.both(make)
        self.pairs += [made] if made[0] is not None else []
        return multiple(*self.pairs[-1:] if made[0] is not None else [])

    @rule(pair=built, value=st.one_of(label, some(LABELS, 4), some(NAMES, 3)), how=st.sampled_from(
        ["setter", "handler", "handler with arguments", "value only"]))
    def choose(self, pair, value, how):
        def act(ns, w):
            if how == "setter":
                w.value = value
            else:
                w._main_selector.value = value
                arguments = {"handler": [], "handler with arguments": ["change", {"new": value}]}
                how == "value only" or w._selection_changed(*arguments[how])
        self.both(act, *pair)

    @rule(pair=built, name=st.none() | label, soft=flag, css=st.sampled_from([None, ["k"], (1,), 3]))
    def set_special(self, pair, name, soft, css):
        self.both(lambda ns, w: w._set_special_selector(name, soft) if css is None else w._set_special_selector(
            special_name=name, css_classes=css), *pair)

    @rule(pair=built, value=st.none() | some(LABELS, 3), focus=flag)
    def create_multi_select(self, pair, value, focus):
        self.both(lambda ns, w: w._create_multi_select() if value is None else w._create_multi_select(value, focus),
                  *pair)

    @rule(pair=built, typed=one("", 0, [], " ", "e$", "Numeric", "Float", Str("x"), 3, *LABELS[-4:],
                                *EDGE_OF_LATIN_1[:2]),
          member=st.sampled_from(["get_df_code", "get_columns_code", "columns", "focus_dropdown"]))
    def special_input(self, pair, typed, member):
        def act(ns, w):
            selector = w._special_selector
            selector.string_operation = "ignored"  # read from the class, never from the object
            for child in selector.children:
                child.value = typed
            return selector.columns if member == "columns" else getattr(selector, member)()
        self.both(act, *pair)

    @rule(cls=st.sampled_from([*sorted({c.__name__ for c in cs.SELECTOR_OPTIONS.values()}),
                               "SpecialSelector", "DropdownItemSpecialSelector", "ColumnsByStringOperation"]),
          manager=one("host", None, Hostile("__eq__", "raise")), positional=st.booleans(), mixed=st.booleans(),
          extra=st.sampled_from([{}, {"layout": None}, {"x": 1}, {"children": [widgets.Label()]}, {"on_change": GONE},
                                 {"manager": GONE, "on_change": GONE}]),
          member=st.sampled_from(["get_df_code", "get_columns_code", "columns", "focus_dropdown"]))
    def selector(self, cls, manager, positional, mixed, extra, member):
        manager = types.SimpleNamespace(transformation=Host([])) if isinstance(manager, str) else manager

        given = {k: v for k, v in {"manager": manager, "on_change": on_change, **extra}.items() if v is not GONE}
        args = [given.pop("manager")] if positional and "manager" in given else []

        def act(ns, _):
            made = (type(cls, (ns[cls], Spy), {}) if mixed else ns[cls])(*args, **given)
            return made.children, made.on_change(), made.columns if member == "columns" else getattr(made, member)()
        self.both(act)

    @rule(method=st.sampled_from(WITH_PARAMETERS), call=st.sampled_from(BAD_CALLS))
    def bad_call(self, method, call):
        args, kwargs = call if len(call) == 2 else (call, {})
        self.both(lambda ns, _: vars(ns[method[0]])[method[1]](*args, **kwargs))

    @rule(data=st.data())
    def rebind(self, data):
        name = data.draw(st.sampled_from(sorted(REBINDS)))
        self.bindings[name] = data.draw(one(*REBINDS[name].values()))

    @rule(pair=built, result=one(["x"], [], ERR, 3, "xy", [Hostile("__eq__", "raise")]))
    def host_result(self, pair, result):
        pair[0].transformation.result = result

    @invariant()
    def layout_is_consistent(self):
        for w, _ in self.pairs:
            children = w.children
            assert 1 <= len(children) <= 2 and children[0] is w._main_selector
            # a Singleselect that failed leaves the new special selector stored and the old one shown
            assert len(children) == 1 or isinstance(children[1], cs.SpecialSelector)

    def teardown(self):
        vars(builtins).pop("DF_OLD", None)
        for name in REBINDS:
            vars(cs)[name] = self.saved[name]


TestFuzz = pytest.mark.filterwarnings("ignore")(Fuzz.TestCase)
ALL, REGEX, DTYPE, CONTAIN = cs.ALL_COLUMNS, cs.COLUMNS_BY_REGEX, cs.COLUMNS_WITH_DTYPE, cs.COLUMNS_THAT_CONTAIN
NUMERIC, STRING_OR_OBJECT, STRING = cs.NUMERIC_COLUMNS, cs.STRING_OR_OBJECT_COLUMNS, cs.STRING_COLUMNS
# Each rule chosen and its code text read, then each data-type row picked.
EVERY_RULE = [step for rule in SPECIAL for step in [("set_special", rule, 0, None), ("special_input", "'", "columns")]]
EVERY_RULE += [("set_special", DTYPE, 0, None), *[("special_input", label, "get_df_code") for _, label, _ in FAMILIES]]
# Steps that random runs seldom take together, taken on every run: a rule and its arguments, or a new binding.
SCENARIOS = {
    "a failing method without arguments adds its traceback entry": [
        ("set_special", ALL, False, None), ("DF_OLD", "gone"),
        ("selector", "NumericColumns", None, False, False, {}, "get_columns_code")],
    "names that are all exact strs, and every rule's code text": [("choose", NAMES, "setter"), *EVERY_RULE,
                                                                   ("DF_OLD", "builtin")],
    **{f"every rule's code text, the frame name a {binding}": [("DF_OLD", binding), ("choose", ["a"], "setter"),
                                                               *EVERY_RULE]
       for binding in ["str subclass", *[k for k in REBINDS["DF_OLD"] if k.endswith(" long")]]},
    "typed texts at the edge of Latin-1": [
        step for typed in EDGE_OF_LATIN_1 for label, member in [(REGEX, "get_df_code"), (CONTAIN, "get_columns_code")]
        for step in [("set_special", label, False, None), ("special_input", typed, member)]],
    "the first of several special labels chosen at once": [
        step for labels in [[NUMERIC, STRING], ["a", REGEX, ALL], [Str("a"), STRING, NUMERIC],
                            [STRING_OR_OBJECT, Str(NUMERIC)]]
        for step in [("create_multi_select", None, True), ("choose", labels, "setter")]],
    "the pieces of a code text are evaluated first, then turned into text in order": [
        ("DF_OLD", "deletes itself"), ("string_to_code", "gives a hostile repr"),
        ("set_special", CONTAIN, False, None), ("special_input", "e", "get_columns_code"),
        ("set_special", REGEX, False, None), ("special_input", "e", "get_df_code")],
    "a regex text that is false but not a str": [
        ("set_special", REGEX, True, None), ("special_input", 0, "get_df_code"), ("special_input", [], "columns")],
    "two data-type rows with the same label": [
        ("DTYPE_OPTIONS", "two rows of one label"), ("set_special", DTYPE, False, None),
        ("special_input", "Float", "get_df_code")],
    "refused calls": [("bad_call", method, call) for method in WITH_PARAMETERS for call in BAD_CALLS],
    "equal to the widget class is not the same class, keys() read for each value, default lists": [
        ("SELECTOR_OPTIONS", "with logged keys"), ("create_multi_select", None, True), ("choose", ["a", "b"], "setter"),
        ("Multiselect", "equal, not the same class"), ("create_multi_select", ["a"], True),
        ("Multiselect", "recording"), ("choose", "a", "value only")],
}


@pytest.mark.filterwarnings("ignore")
@pytest.mark.parametrize("steps", SCENARIOS.values(), ids=SCENARIOS)
def test_scenario(steps):
    machine = Fuzz()
    machine.start(["a", "it's", 0])
    try:
        for step, *args in steps:
            if step in REBINDS:
                machine.bindings[step] = REBINDS[step][args[0]]
                machine.both(lambda ns, w: None, *machine.pairs[-1])
            else:
                getattr(machine, step)(*machine.pairs[-1:] if step not in ("selector", "bad_call") else [], *args)
            machine.layout_is_consistent()
    finally:
        machine.teardown()


def shape(namespace):
    """Each class of the module: bases, metaclass, names, docstring and members in order, with their signatures."""
    def doc(text):  # CPython 3.13 takes the indentation out of a docstring as it compiles it
        return inspect.cleandoc(text) if isinstance(text, str) and sys.version_info >= (3, 13) else text

    def function(f):
        return f and (f.__name__, f.__qualname__, doc(f.__doc__), [
            (p.name, "self" if p.name == "self" else p.kind.name,
             getattr(p.default, "__qualname__", None) or repr(p.default))
            for p in inspect.signature(f).parameters.values()])

    def member(value):
        if isinstance(value, property):
            return "property", doc(value.__doc__), [function(f) for f in (value.fget, value.fset, value.fdel)]
        return function(value) if callable(value) else doc(value) if isinstance(value, str) else type(value).__name__
    new_in_313 = ("__firstlineno__", "__static_attributes__")
    return {name: ([b.__name__ for b in c.__bases__], type(c), c.__qualname__, doc(c.__doc__),
                   [(k, member(v)) for k, v in vars(c).items() if k not in new_in_313])
            for name, c in namespace.items() if isinstance(c, type) and c.__module__ == cs.__name__}


def test_classes_are_shaped_as_the_same_class_statements_in_python():
    assert shape(vars(cs)) == shape(make_twin(cs))


def test_threads_drive_own_widgets_and_one_shared_widget(monkeypatch):
    """With the GIL no step is torn: every widget ends with a layout and a mode that agree with its dropdown."""
    for name, classes in WIDGETS.items():
        monkeypatch.setattr(cs, name, classes["recording"])
    shared = cs.ColumnsSelector(Host(["a", "b"]))
    shared._create_multi_select(["a"])
    steps = [lambda w: w._set_special_selector(SPECIAL[3]), lambda w: w._create_multi_select(value=["a"]),
             lambda w: w._set_special_selector(SPECIAL[1]), lambda w: w.get_columns_code(),
             lambda w: w.get_df_code(), lambda w: w.has_column_names(), lambda w: w._create_multi_select(["b"])]

    def drive(seed):
        own = cs.ColumnsSelector(Host(["a", "b"]))
        own._create_multi_select(["b"])
        for i in range(300):
            for w in (own, shared):
                steps[(seed + i) % len(steps)](w)
        return own
    with concurrent.futures.ThreadPoolExecutor(4) as pool:
        owned = list(pool.map(drive, range(4)))  # raises the first error a thread met
    for w in [shared, *owned]:
        special = type(w._main_selector) is cs.Singleselect
        assert w.children == ((w._main_selector, w._special_selector) if special else (w._main_selector,))
        assert w.has_column_names() is not special
