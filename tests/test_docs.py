"""The examples of the README and of the host integration guide run as written and print what they show."""
import doctest
from pathlib import Path

import pytest

import ostrel.transformations.columns_selector as cs

ROOT = Path(__file__).resolve().parents[1]


@pytest.mark.parametrize("page", ["README.md", "docs/host-integration.md"])
def test_examples_run_as_shown(page, monkeypatch):
    pytest.importorskip("pandas")
    helper = pytest.importorskip("ostrel.helper")
    for module in (cs, helper):  # the guide rebinds DF_OLD; put it back even when an example fails
        monkeypatch.setattr(module, "DF_OLD", module.DF_OLD)
    result = doctest.testfile(str(ROOT / page), module_relative=False, optionflags=doctest.ELLIPSIS)
    assert result.attempted and not result.failed
