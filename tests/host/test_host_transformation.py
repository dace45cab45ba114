import re
import subprocess
import sys

import pytest

from ostrel import helper
from ostrel.transformation import Transformation

pd = pytest.importorskip("pandas")


@pytest.fixture
def transformation():
    df = pd.DataFrame({"a": [1, 2], "b": ["x", "y"], "ab": [0.5, 1.5], 3: [True, False]})
    return Transformation(df)


def test_get_df_returns_the_frame_itself():
    df = pd.DataFrame({"a": [1]})
    assert Transformation(df).get_df() is df


@pytest.mark.parametrize("code, expected", [
    ("df.select_dtypes('number').columns", ["a", "ab"]),
    ("df.select_dtypes(['bool']).columns", [3]),
    ("df.filter(regex='^a').columns", ["a", "ab"]),
    ("df.columns[df.columns.astype(str).str.endswith('b')]", ["b", "ab"]),
    ("['b', 3]", ["b", 3]),
])
def test_eval_code_evaluates_against_the_frame(transformation, code, expected):
    assert list(transformation.eval_code(code)) == expected


def test_eval_code_reads_df_old_at_call_time(transformation, monkeypatch):
    monkeypatch.setattr(helper, "DF_OLD", "frame")
    assert transformation.eval_code("frame.shape") == (2, 4)
    with pytest.raises(NameError):
        transformation.eval_code("df")


@pytest.mark.parametrize("code, error", [
    ("df['missing']", KeyError),
    ("undefined_name", NameError),
    ("df.select_dtypes(", SyntaxError),
    ("df.filter(regex='(')", re.error),
])
def test_eval_code_errors_pass_through(transformation, code, error):
    with pytest.raises(error):
        transformation.eval_code(code)


def test_modules_import_without_pandas():
    script = ("import sys; sys.modules['pandas'] = None\n"
              "import ostrel.helper, ostrel.transformation\n"
              "print(ostrel.transformation.Transformation([1, 2]).eval_code('len(df)'))")
    out = subprocess.run([sys.executable, "-c", script], capture_output=True,
                         text=True, check=True)
    assert out.stdout.strip() == "2"
