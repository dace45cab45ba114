"""The stub against the built module, and what mypy and pyright make of a host's typed code. Each check runs
in an empty folder, so that the checkers find the module where a host finds it: in the installed wheel."""
import json
import re
import subprocess
import sys
from pathlib import Path

import pytest

ROOT = Path(__file__).resolve().parents[1]
CONFIG = ROOT / "pyproject.toml"
EXAMPLE = (ROOT / "examples" / "typed_host.py").read_text()
# Appended to the example, each line must be reported, on its own line, by both checkers.
MISTAKES = ["code: int = step.selector.get_df_code()", "step.selector.get_df_code(1)",
            'cs.ColumnsSelector(step, wdth="md")', "cs.ColumnsSelector(step, on_change=lambda change: None)"]


def run(tool, *args, cwd):
    pytest.importorskip(tool, reason=f"{tool} is not installed in this environment")
    return subprocess.run([sys.executable, "-m", tool, *args], cwd=cwd, capture_output=True, text=True)


def test_stub_matches_the_module(tmp_path):
    out = run("mypy.stubtest", "--mypy-config-file", str(CONFIG), "ostrel.transformations.columns_selector",
              cwd=tmp_path)
    assert out.returncode == 0, out.stdout + out.stderr


def mypy_errors(path):
    out = run("mypy", "--config-file", str(CONFIG), "--cache-dir", str(path.parent / "cache"), path.name,
              cwd=path.parent)
    return {int(line) for line in re.findall(rf"^{path.name}:(\d+): error:", out.stdout, re.M)}, out.stdout


def pyright_errors(path):
    out = run("basedpyright", "--project", str(CONFIG), "--pythonpath", sys.executable, "--outputjson", path.name,
              cwd=path.parent)
    found = json.loads(out.stdout)["generalDiagnostics"]
    return {d["range"]["start"]["line"] + 1 for d in found if d["severity"] == "error"}, out.stdout


@pytest.mark.parametrize("checker", [mypy_errors, pyright_errors])
def test_checkers_accept_the_typed_example_and_report_each_mistake(checker, tmp_path):
    clean, wrong = tmp_path / "typed_host.py", tmp_path / "mistakes.py"
    clean.write_text(EXAMPLE)
    wrong.write_text(EXAMPLE + "\n\ndef mistakes(step: SelectColumns) -> None:\n" +
                     "".join(f"    {line}\n" for line in MISTAKES))
    first = EXAMPLE.count("\n") + 4
    errors, report = checker(clean)
    assert errors == set(), report
    errors, report = checker(wrong)
    assert errors == set(range(first, first + len(MISTAKES))), report
