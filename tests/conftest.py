"""The recording stand-ins for the host: each call they get goes to LOG, in order.

The widget fakes are real ipywidgets widgets, so that the module can put them into a box's children.
"""

import ipywidgets as widgets

LOG = []


class HostileError(Exception):
    pass


ERR = HostileError("hostile")


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


def send_from_browser(widget, **state):
    """Deliver a state update to a stand-in host widget's input the way a browser view does."""
    widget._input._handle_msg({"content": {"data": {"method": "update", "state": state, "buffer_paths": []}},
                               "buffers": []})
