import types

import pytest

import fakes

import ostrel.transformations.columns_selector

ORDER_AT_LOAD = list(vars(ostrel.transformations.columns_selector))


@pytest.fixture(scope="session")
def cs():
    """The extension module, loaded once per test process."""
    import ostrel.transformations.columns_selector as module

    return module


@pytest.fixture(scope="session")
def load_order(cs):
    """The module's attribute names as the load left them, before any test rebinds one.

    (monkeypatch puts a deleted attribute back at the end of the module's dict.)
    """
    return ORDER_AT_LOAD


@pytest.fixture
def log():
    return fakes.Log()


@pytest.fixture
def host(cs, log, monkeypatch):
    """Recording fakes bound in place of the host's widget classes for the length of one test."""
    fake = types.SimpleNamespace(log=log)
    for name in ("Multiselect", "Singleselect", "Text"):
        cls = fakes.recording_widget(name, log)
        setattr(fake, name, cls)
        monkeypatch.setattr(cs, name, cls)
    fake.transformation = fakes.Transformation(log)
    fake.manager = fakes.Manager(fake.transformation)
    fake.on_change = fakes.Callback(log)
    return fake
