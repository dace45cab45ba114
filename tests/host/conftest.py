import pytest


def _browser_update(widget, **state):
    """Deliver a state update to a host widget's input the way a browser view does."""
    msg = {"content": {"data": {"method": "update", "state": state, "buffer_paths": []}},
           "buffers": []}
    widget._input._handle_msg(msg)


@pytest.fixture
def browser():
    return _browser_update


class Calls:
    """A zero-argument callback that counts its calls (extra arguments would fail)."""

    def __init__(self):
        self.count = 0

    def __call__(self):
        self.count += 1


@pytest.fixture
def on_change():
    return Calls()
