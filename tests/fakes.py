"""Recording stand-ins for the host, so that tests see exactly what the module passes and calls.

Every fake appends to one shared ``Log`` in the order things happen; the widget fakes are real
ipywidgets widgets, so the module can put them into a box's ``children``.
"""

import ipywidgets as widgets


class Log(list):
    """The events of one test, in order: tuples whose first item names the event."""

    def names(self):
        return [event[0] for event in self]


def recording_widget(name, log):
    """A widget class that records its construction as (name, keyword dict) and keeps the keywords."""

    class Fake(widgets.Widget):
        def __init__(self, *args, **kwargs):
            if args:
                raise TypeError(f"{name} takes keyword arguments only")
            super().__init__()
            self.kwargs = kwargs
            self.value = kwargs.get("value", "" if name == "Text" else None)
            log.append((name, kwargs))

    Fake.__name__ = Fake.__qualname__ = name
    return Fake


class Transformation:
    """Host transformation that records get_df and eval_code calls and returns what it is given."""

    def __init__(self, log, df=None, result=("x", "y")):
        self.log = log
        self.df = df
        self.result = result

    def get_df(self):
        self.log.append(("get_df",))
        return self.df

    def eval_code(self, code):
        self.log.append(("eval_code", code))
        if isinstance(self.result, BaseException):
            raise self.result
        return self.result


class Manager:
    """What a special selector needs of its owner: a transformation."""

    def __init__(self, transformation):
        self.transformation = transformation


class Callback:
    """A zero-argument callback that records its calls in the log."""

    def __init__(self, log, name="on_change"):
        self.log = log
        self.name = name

    def __call__(self):
        self.log.append((self.name,))
