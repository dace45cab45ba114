"""Load sequence, failed and refused loads, and packaging. Loads that must start from scratch run in a
child interpreter that imports `load_scenarios/probe.py` first, so that the host it meets is fake."""
import ast
import email
import importlib.util
import json
import os
import platform
import subprocess
import sys
import sysconfig
import zipfile
from pathlib import Path

import ipywidgets
import pytest
from oracle import FAMILIES, STRING_OPERATIONS

import ostrel.transformations.columns_selector as cs

NAME = cs.__name__
HOST = {"ostrel.helper": ["DF_OLD", "OstrelError", "string_to_code"],
        "ostrel.widgets": ["Multiselect", "Singleselect", "Text"]}
# The stub declares the attributes in the order of the load, each label as `NAME: Final = "text"` (stubtest
# holds these texts to the module's); each label's class is named after it: ALL_COLUMNS, AllColumns.
STUB = [n for n in ast.parse(Path(cs.__file__).with_name("columns_selector.pyi").read_text()).body
        if (isinstance(n, ast.ClassDef) and n.name[0] != "_") or isinstance(n, ast.AnnAssign)]
ATTRIBUTES = ["widgets", *[n.name if isinstance(n, ast.ClassDef) else n.target.id for n in STUB]]
CONSTANTS = [n.target.id for n in STUB if isinstance(n, ast.AnnAssign) and n.value]
LOAD_EVENTS = [f"{host} {step}" for host, names in HOST.items() for step in ["import", *names]]


def run_child(code):
    """Runs `code` in a fresh interpreter over the fakes; returns the JSON lines it reported."""
    here = Path(__file__).with_name("load_scenarios")
    path = os.pathsep.join(filter(None, [str(here), os.environ.get("PYTHONPATH")]))
    fakes = json.dumps({**HOST, "ipywidgets": []})  # the host modules, and the names read from each
    child = subprocess.run([sys.executable, "-X", "faulthandler", "-c", "import importlib, sys, probe\n" + code],
                           env=dict(os.environ, PYTHONPATH=path, PYTHONDONTWRITEBYTECODE="1", PROBE_HOST=fakes),
                           cwd=here,
                           capture_output=True, text=True, timeout=300)
    assert child.returncode == 0, child.stdout + child.stderr
    return [json.loads(line) for line in child.stdout.splitlines()]


def test_module_as_loaded_and_its_vocabulary():
    assert "__doc__" in vars(cs) and cs.__doc__ is None and not hasattr(cs, "__path__")
    assert (cs.__name__, cs.__file__, cs.__package__) == (NAME, cs.__spec__.origin, "ostrel.transformations")
    assert cs.__loader__ is cs.__spec__.loader and cs.widgets is ipywidgets
    assert all(vars(cs)[n] is getattr(importlib.import_module(h), n) for h, names in HOST.items() for n in names)
    labels = [getattr(cs, constant) for constant in CONSTANTS]
    assert cs.TOP_OPTIONS == labels[1:3]
    assert cs.BOTTOM_OPTIONS == labels[3:]
    registry = [(label, cls.__name__) for label, cls in cs.SELECTOR_OPTIONS.items()]
    assert registry == [(labels[i], CONSTANTS[i].title().replace("_", "")) for i in (0, 2, 1, *range(3, len(labels)))]
    names = [ast.literal_eval(argument) for _, _, argument in FAMILIES]  # as the whole-frame classes write them
    assert cs.DTYPE_OPTIONS == [(label, [n] if type(n) is str else n) for (_, label, _), n in zip(FAMILIES, names)]


def test_create_step_does_no_work_and_gives_one_object():
    (out,) = run_child("""import _imp
spec = importlib.util.find_spec(probe.NAME)
m = _imp.create_dynamic(spec)
probe.report(attrs=probe.attrs(m), events=probe.events, entered=probe.NAME in sys.modules, again=_imp.create_dynamic(
    spec) is m, spec=[m.__name__, m.__file__, m.__loader__ is spec.loader, m.__package__, hasattr(m, "__path__")])""")
    assert out == dict(attrs=[], events=[], entered=False, again=True, spec=[NAME, cs.__file__, True,
                                                                             "ostrel.transformations", False])


def test_second_import_gives_the_same_object_without_loading_again():
    (out,) = run_child("""m = probe.attempt()
m.DF_OLD, before = "rebound", len(probe.events)
for name in (probe.NAME, "ostrel.helper", "ostrel.widgets"):
    del sys.modules[name]  # the host too, so that a load running again would import it again
same = [probe.attempt() is m, sys.modules[probe.NAME] is m, importlib.reload(m) is m]
probe.report(same=same, events=probe.events[before:], df_old=m.DF_OLD, attrs=probe.attrs(m))""")
    assert out == dict(same=[True] * 3, events=[], df_old="rebound", attrs=ATTRIBUTES)


@pytest.mark.parametrize("name, operation", STRING_OPERATIONS.items())
def test_each_name_rule_names_its_own_string_operation(name, operation):
    assert vars(getattr(cs, name))["string_operation"] == operation


# The event at which a fake fails and what it raises there (None: the name is missing), the error the
# import must raise, and the names bound in the module object it gives up. "class X": as the load defines
# class X, after the classes before it exist.
FAILURES = [
    ("ipywidgets import", "ModuleNotFoundError('no widgets')", "ModuleNotFoundError: no widgets", []),
    ("ostrel.helper import", "ZeroDivisionError('helper broke')", "ZeroDivisionError: helper broke", ["widgets"]),
    ("ostrel.helper DF_OLD", "None", "ImportError: cannot import name DF_OLD", ["widgets"]),
    ("ostrel.widgets Multiselect", "KeyError('Multiselect')", "KeyError: 'Multiselect'", ATTRIBUTES[:4]),
    ("ostrel.widgets Text", "None", "ImportError: cannot import name Text", ATTRIBUTES[:6]),
    ("class IntegerColumns", "ZeroDivisionError('late')", "ZeroDivisionError: late",
     ATTRIBUTES[:ATTRIBUTES.index("IntegerColumns")]),
    ("class ColumnsSelector", "ZeroDivisionError('last')", "ZeroDivisionError: last", ATTRIBUTES[:-1]),
]


@pytest.mark.parametrize("fault, raised, error, bound", FAILURES, ids=[row[0] for row in FAILURES])
def test_failed_load_is_forgotten_and_its_object_never_reinitialised(fault, raised, error, bound):
    out = run_child(f"""import traceback
fault = probe.faults[{fault!r}] = {raised}
exc = probe.attempt()
old, failed, forgotten = probe.loads[0], len(probe.events), probe.NAME not in sys.modules
probe.faults.clear()
new = probe.attempt()
new.DF_OLD = "df"
probe.report(refused=probe.exec_again(old), again=probe.exec_again(new), bound=probe.attrs(old),
             error=probe.error(exc), same=exc is fault, events=probe.events[:failed], forgotten=forgotten,
             frames=[f.name for f in traceback.extract_tb(exc.__traceback__)].count("init " + probe.NAME),
             new=new is not old and sys.modules[probe.NAME] is new and all(m is new for m in probe.loads[failed:]),
             attrs=probe.attrs(new), reads=[e for e in probe.events[failed:] if not e.endswith(" import")],
             texts={{c.__name__: c.get_df_code(c.__new__(c)) for c in new.SELECTOR_OPTIONS.values()
                    if c.__bases__ == (new.DropdownItemSpecialSelector,)}})""")[0]
    assert out["error"] == "builtins." + error
    assert out["same"] is (raised != "None")  # the fake's own error object, unless the name is missing
    assert out["frames"] == 1
    assert out["forgotten"]
    assert out["bound"] == bound
    assert out["events"] == (LOAD_EVENTS[:LOAD_EVENTS.index(fault) + 1] if fault in LOAD_EVENTS else
                             LOAD_EVENTS if fault.startswith("class ") else [fault])
    assert out["refused"] == "Module 'columns_selector' has already been imported. Re-initialisation is not supported."
    # the retry: a new module object, loaded in full, whose methods work
    assert out["new"]
    assert out["attrs"] == ATTRIBUTES
    assert out["reads"] == [e for e in LOAD_EVENTS if "import" not in e]
    assert out["again"] == 0
    assert out["texts"] == {"AllColumns": "df", **{name: f"df.select_dtypes({arg})" for name, _, arg in FAMILIES}}


# A legacy sub-interpreter shares the GIL and runs the module's own refusal; an isolated one (own GIL, 3.12
# on) refuses the module at import, since it does not declare support for that.
REFUSALS = {"legacy": "Interpreter change detected - this module can only be loaded into one interpreter per process.",
            "isolated": f"module {NAME} does not support loading in subinterpreters"}


@pytest.mark.parametrize("kind", REFUSALS)
def test_second_interpreter_is_refused(kind):
    if not any(importlib.util.find_spec(m) for m in ("_interpreters", "_xxsubinterpreters")):
        pytest.skip("this interpreter offers no sub-interpreters to Python code")
    if kind == "isolated" and sys.version_info < (3, 12):
        pytest.skip("no interpreter of its own GIL before 3.12")
    inside, main = run_child(f"""m, kind = probe.attempt(), {kind!r}
code = "import sys, probe; probe.report(error=probe.error(probe.attempt()), forgotten=probe.NAME not in sys.modules)"
try:
    from concurrent import interpreters  # 3.14 on, isolated interpreters only; exec raises what the code raised
except ImportError:
    interpreters = None
if interpreters and kind == "isolated":
    interp = interpreters.create()
    interp.exec(code)
    interp.close()
else:
    try:
        import _interpreters as subs  # 3.13 on; run_string returns what the code raised
        interp = subs.create(kind)
    except ImportError:
        import _xxsubinterpreters as subs  # raises what the code raised
        try:
            interp = subs.create(isolated=kind == "isolated")
        except TypeError:
            interp = subs.create()  # before 3.11, every sub-interpreter is a legacy one
    failed = subs.run_string(interp, code)
    subs.destroy(interp)
    assert failed is None, failed
probe.report(kept=sys.modules[probe.NAME] is m, attrs=probe.attrs(m))""")
    assert inside == dict(error="builtins.ImportError: " + REFUSALS[kind], forgotten=True)
    assert main == dict(kept=True, attrs=ATTRIBUTES)


def test_only_the_module_init_is_exported():
    listing = subprocess.run(["nm", "-D", "--defined-only", cs.__file__], capture_output=True, text=True, check=True)
    assert [line.split()[-1] for line in listing.stdout.splitlines()] == ["PyInit_columns_selector"]


def test_wheel_holds_the_extension_its_stub_and_metadata():
    folder = os.environ.get("COLUMNS_SELECTOR_WHEEL_DIR") or pytest.skip("COLUMNS_SELECTOR_WHEEL_DIR is not set")
    (wheel,) = Path(folder).glob("*.whl")
    local, machine = sysconfig.get_platform().replace("-", "_").replace(".", "_"), platform.machine()
    # A plain build leaves the local tag; the release repairs to manylinux2014, never a newer policy.
    assert wheel.name.split("-", 2)[2] in (f"cp38-abi3-{local}.whl",
                                           f"cp38-abi3-manylinux2014_{machine}.manylinux_2_17_{machine}.whl")
    with zipfile.ZipFile(wheel) as archive:
        names = [n for n in archive.namelist() if not n.endswith("/") and ".dist-info/" not in n]
        info = {n.split(".dist-info/")[1]: n for n in archive.namelist() if ".dist-info/" in n}
        metadata = email.message_from_bytes(archive.read(info["METADATA"]))
    folder = "ostrel/transformations/"
    assert names == [folder + "columns_selector.abi3.so", folder + "columns_selector.pyi", folder + "py.typed"]
    assert "licenses/LICENSE" in info and metadata["License-Expression"] == "Apache-2.0"
    assert metadata.get_all("Requires-Dist") == ["ipywidgets<9,>=7.8"]
