"""Shared fixtures: the module, and recording stand-ins for the host that log every call in order.

The widget fakes are real ipywidgets widgets, so the module can put them into a box's children.
"""

import types

import ipywidgets as widgets
import pytest

import ostrel.transformations.columns_selector

# The attribute names as the load left them: monkeypatch puts a deleted attribute back at the end.
ORDER_AT_LOAD = list(vars(ostrel.transformations.columns_selector))


def recording_widget(name, log):
    """A host widget class that logs its construction as (name, keyword dict) and keeps the keywords."""

    def __init__(self, *args, **kwargs):
        if args:
            raise TypeError(f"{name} takes keyword arguments only")
        widgets.Widget.__init__(self)
        self.kwargs, self.value = kwargs, kwargs.get("value", "" if name == "Text" else None)
        log.append((name, kwargs))

    return type(name, (widgets.Widget,), {"__init__": __init__, "__qualname__": name})


class Transformation:
    """Logs get_df and eval_code; eval_code gives `result`, or raises it when it is an exception."""

    def __init__(self, log, df=None, result=("x", "y")):
        self.log, self.df, self.result = log, df, result

    def get_df(self):
        self.log.append(("get_df",))
        return self.df

    def eval_code(self, code):
        self.log.append(("eval_code", code))
        if isinstance(self.result, BaseException):
            raise self.result
        return self.result


def send_from_browser(widget, **state):
    """Deliver a state update to a stand-in host widget's input the way a browser view does."""
    widget._input._handle_msg({"content": {"data": {"method": "update", "state": state, "buffer_paths": []}},
                               "buffers": []})


@pytest.fixture(scope="session")
def cs():
    return ostrel.transformations.columns_selector


@pytest.fixture(scope="session")
def load_order():
    return ORDER_AT_LOAD


@pytest.fixture
def log():
    return []


@pytest.fixture
def host(cs, log, monkeypatch):
    """Recording fakes bound in place of the host's widget classes for the length of one test."""
    fake = types.SimpleNamespace(log=log)
    for name in ("Multiselect", "Singleselect", "Text"):
        setattr(fake, name, recording_widget(name, log))
        monkeypatch.setattr(cs, name, getattr(fake, name))
    fake.transformation = Transformation(log)
    fake.manager = types.SimpleNamespace(transformation=fake.transformation)
    fake.on_change = lambda: log.append(("on_change",))
    return fake


@pytest.fixture
def browser():
    return send_from_browser


@pytest.fixture
def on_change():
    """A zero-argument callback that counts its calls."""
    def callback():
        callback.count += 1
    callback.count = 0
    return callback
