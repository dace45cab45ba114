"""What the tests of the stand-in host's widgets share."""


def send_from_browser(widget, **state):
    """Deliver a state update to a stand-in host widget's input the way a browser view does."""
    widget._input._handle_msg({"content": {"data": {"method": "update", "state": state, "buffer_paths": []}},
                               "buffers": []})
