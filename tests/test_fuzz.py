"""Random sequences of calls on every entry point, with hostile host objects, against the Python twin.

Each step runs once on the module and once on its twin (tests/twin.py) from the same module bindings, and
must give the same result or the same error, the same host calls in the same order and the same widget
state. FUZZ_EXAMPLES sets the budget (scripts/test --fuzz runs a large one); the run is derandomized.
"""

import os
import threading
import types

import ipywidgets as widgets
import pytest
import traitlets
from hypothesis import HealthCheck, settings
from hypothesis import strategies as st
from hypothesis.stateful import Bundle, RuleBasedStateMachine, initialize, invariant, multiple, rule
from twin import make_twin

import ostrel.transformations.columns_selector as cs

LOG, CURRENT = [], [vars(cs)]  # host calls of one run; the namespace that the run works in


class HostileError(Exception):
    pass


ERR = HostileError("hostile")


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


def one(*pool):
    """One item of the pool. Hypothesis draws only its position: it must not touch the hostile objects."""
    return st.integers(0, len(pool) - 1).map(lambda i: pool[i])


def some(pool, max_size):
    return st.lists(st.integers(0, len(pool) - 1), max_size=max_size).map(lambda ix: [pool[i] for i in ix])


label = one(*LABELS)
labels = some(LABELS, 5) | st.just("huge")  # a huge frame now and then
flag = one(True, False, 0, "", [1], *hostiles("__bool__", hows=("raise", "wrong", "DF_OLD")))


def recording(name, value_raises=False, init_raises=False):
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


WIDGETS = {name: [recording(name), recording(name, init_raises=True), recording(name, value_raises=True)]
           for name in ("Multiselect", "Singleselect", "Text")}
GONE = object()  # a binding that deletes the name
REBINDS = {"DF_OLD": ["df", Str("df"), 7, GONE, *hostiles("__format__", "__str__", hows=("raise", "wrong"))],
           "string_to_code": [repr, lambda text: Hostile("__format__", "wrong"), lambda text: 5, GONE,
                              lambda text: (_ for _ in ()).throw(ERR)],
           "SELECTOR_OPTIONS": ["own", GONE, [], "with a hostile key"], "OstrelError": [cs.OstrelError, GONE, str],
           "DTYPE_OPTIONS": [cs.DTYPE_OPTIONS, GONE, [("Numeric", ["n"]), (Hostile("__eq__", "raise"), [])]],
           **{name: [*classes, GONE] for name, classes in WIDGETS.items()}}
KEY = Hostile("__eq__", "raise")  # hashes like every Hostile, so a Hostile label meets its __eq__
ALLOWED = (KeyError, IndexError, NameError, AttributeError, TypeError, NotImplementedError, cs.OstrelError,
           traitlets.TraitError)


def norm(x):
    """A form of x that compares equal between the module and its twin without running x's own code."""
    if type(x) in (str, int, float, bool, type(None)):
        return x
    if type(x) in (list, tuple, dict):
        return type(x).__name__, [norm(i) for i in (x.items() if type(x) is dict else x)]
    if isinstance(x, types.MethodType):
        return "method", x.__func__.__name__, norm(x.__self__)
    if isinstance(x, (widgets.Widget, BaseException)):
        return type(x).__name__, norm(getattr(x, "args", None))
    if callable(x) and getattr(x, "__module__", None) in (cs.__name__, "traitlets.traitlets"):
        return "own", x.__name__  # the module's classes and functions, and the twin's
    return "id", id(x)


class Host:
    """The transformation: get_df gives a frame of `labels`; eval_code gives `result` or raises it."""
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


def attempt(action):
    """The result of action() and its outcome: its result or error, and the host calls it made."""
    LOG.clear()
    try:
        result = action()
        return result, (norm(result), None, norm(LOG))
    except Exception as error:
        error.__traceback__ = None
        assert error is ERR or isinstance(error, ALLOWED), repr(error)
        return None, (None, (type(error), norm(error.args), error is ERR), norm(LOG))


READ = ["get_columns_code", "get_df_code", "value", "has_special_selector", "has_column_names", "_get_current_values"]


def on_change():
    LOG.append(("on_change",))


def raising_on_change():
    raise ERR


@settings(max_examples=int(os.environ.get("FUZZ_EXAMPLES", "50")), stateful_step_count=25, derandomize=True,
          deadline=None, database=None, suppress_health_check=list(HealthCheck))
class Fuzz(RuleBasedStateMachine):
    built = Bundle("built")

    @initialize(target=built, frame=labels)
    def start(self, frame):
        self.saved, self.twin = dict(vars(cs)), make_twin(cs)
        self.own = {cs.__name__: cs.SELECTOR_OPTIONS, "twin": self.twin["SELECTOR_OPTIONS"]}
        self.bindings, self.pairs = {name: values[0] for name, values in REBINDS.items()}, []
        return self.build(frame, (True, False, False), "md", [], on_change, False)

    def bind(self, namespace, which):
        for name, value in self.bindings.items():
            if name == "SELECTOR_OPTIONS" and isinstance(value, str):
                own = self.own[which]
                value = own if value == "own" else {**own, KEY: own[SPECIAL[0]]}
            if value is GONE:
                namespace.pop(name, None)
            else:
                namespace[name] = value

    def both(self, action, *pair):
        """Runs action(namespace, widget) on the module and on the twin; both must agree. Gives the results."""
        runs = []
        for namespace, which, w in [(vars(cs), cs.__name__, pair[0] if pair else None),
                                    (self.twin, "twin", pair[1] if pair else None)]:
            self.bind(namespace, which)
            CURRENT[0] = namespace
            result, outcome = attempt(lambda namespace=namespace, w=w: action(namespace, w))
            state = [norm(getattr(w, a, None)) for a in ("_main_selector", "children", "_special_selector")]
            # then every reading member, each with the host calls it makes
            seen = [attempt(lambda w=w, m=m: getattr(w, m)() if m != "value" else w.value)[1] for m in READ if w]
            runs.append((result, (outcome, state, seen)))
        assert runs[0][1] == runs[1][1]
        return runs[0][0], runs[1][0]

    @rule(target=built, frame=labels, flags=st.tuples(flag, flag, flag), width=st.sampled_from(["md", "sm", 3]),
          css=st.sampled_from([[], ["k"], 5, None]), callback=st.sampled_from([on_change, raising_on_change]),
          positional=st.booleans())
    def build(self, frame, flags, width, css, callback, positional):
        host = Host(HUGE if frame == "huge" else frame)
        args = [host, flags[0], flags[1], width, flags[2], css, callback]
        keys = ["transformation", "show_all_columns", "set_all_columns_as_default", "width", "focus_after_init",
                "css_classes", "on_change"]
        made = self.both(lambda ns, _: ns["ColumnsSelector"](*args) if positional else ns["ColumnsSelector"](
            **dict(zip(keys, args))))
        self.pairs += [made] if made[0] is not None else []
        return multiple(*self.pairs[-1:] if made[0] is not None else [])

    @rule(pair=built, value=st.one_of(label, some(LABELS, 4)), how=st.sampled_from(
        ["setter", "handler", "handler with arguments", "value only"]))
    def choose(self, pair, value, how):
        def act(ns, w):
            if how == "setter":
                w.value = value
            else:
                w._main_selector.value = value
                how == "value only" or w._selection_changed(*["change", {"new": value}][:len(how) - 7])
        self.both(act, *pair)

    @rule(pair=built, name=st.none() | label, soft=flag, css=st.sampled_from([None, ["k"], (1,), 3]))
    def set_special(self, pair, name, soft, css):
        self.both(lambda ns, w: w._set_special_selector(name, soft) if css is None else w._set_special_selector(
            special_name=name, css_classes=css), *pair)

    @rule(pair=built, value=st.none() | some(LABELS, 3), focus=flag)
    def create_multi_select(self, pair, value, focus):
        self.both(lambda ns, w: w._create_multi_select() if value is None else w._create_multi_select(value, focus),
                  *pair)

    @rule(pair=built, typed=one("", " ", "e$", "Numeric", "Float", Str("x"), 3, *LABELS[-4:]),
          member=st.sampled_from(["get_df_code", "get_columns_code", "columns", "focus_dropdown"]))
    def special_input(self, pair, typed, member):
        def act(ns, w):
            selector = w._special_selector
            for child in selector.children:
                child.value = typed
            return selector.columns if member == "columns" else getattr(selector, member)()
        self.both(act, *pair)

    @rule(cls=st.sampled_from([*sorted({c.__name__ for c in cs.SELECTOR_OPTIONS.values()}),
                               "SpecialSelector", "DropdownItemSpecialSelector", "ColumnsByStringOperation"]),
        manager=one("host", None, Hostile("__eq__", "raise")), extra=st.sampled_from([{}, {"layout": None}, {"x": 1}]),
        member=st.sampled_from(["get_df_code", "get_columns_code", "columns", "focus_dropdown"]))
    def selector(self, cls, manager, extra, member):
        manager = types.SimpleNamespace(transformation=Host([])) if isinstance(manager, str) else manager

        def act(ns, _):
            made = ns[cls](manager=manager, on_change=on_change, **extra)
            return made.columns if member == "columns" else getattr(made, member)()
        self.both(act)

    @rule(data=st.data())
    def rebind(self, data):
        name = data.draw(st.sampled_from(sorted(REBINDS)))
        self.bindings[name] = data.draw(one(*REBINDS[name]))

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
        for name in REBINDS:
            vars(cs)[name] = self.saved[name]


TestFuzz = pytest.mark.filterwarnings("ignore")(Fuzz.TestCase)


def test_threads_drive_own_widgets_and_one_shared_widget(host):
    """With the GIL no step is torn: every widget ends with a layout and a mode that agree with its dropdown."""
    host.transformation.df = types.SimpleNamespace(columns=["a", "b"])
    shared, errors = cs.ColumnsSelector(host.transformation), []
    shared._create_multi_select(["a"])
    steps = [lambda w: w._set_special_selector(SPECIAL[3]), lambda w: w._create_multi_select(value=["a"]),
             lambda w: w._set_special_selector(SPECIAL[1]), lambda w: w.get_columns_code(),
             lambda w: w.get_df_code(), lambda w: w.has_column_names(), lambda w: w._create_multi_select(["b"])]

    def drive(seed):
        own = cs.ColumnsSelector(host.transformation)
        own._create_multi_select(["b"])
        try:
            for i in range(300):
                for w in (own, shared):
                    steps[(seed + i) % len(steps)](w)
        except Exception as error:
            errors.append(error)
        return own

    owned = []
    threads = [threading.Thread(target=lambda s=s: owned.append(drive(s))) for s in range(4)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert errors == [] and len(owned) == 4
    for w in [shared, *owned]:
        special = type(w._main_selector) is host.Singleselect
        assert w.children == ((w._main_selector, w._special_selector) if special else (w._main_selector,))
        assert w.has_column_names() is not special
