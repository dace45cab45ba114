"""Imports for the tests that need more than the module's own test tools (notebook run, real data).

In the main test run (scripts/test sets COLUMNS_SELECTOR_REAL_USE=required) a missing package is a
failure; elsewhere, such as the other-interpreter runs, those tests skip.
"""

import importlib
import os

import pytest


def need(module):
    if os.environ.get("COLUMNS_SELECTOR_REAL_USE") == "required":
        return importlib.import_module(module)
    return pytest.importorskip(module)
