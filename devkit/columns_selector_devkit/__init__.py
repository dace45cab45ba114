"""What the tests, the benchmarks and the page generators share, installed into their environments.

- `send_from_browser`: a state update from a browser view, for the stand-in host's widgets;
- `twin`: the module's classes written as plain Python, the benchmark's other side and the fuzz's oracle;
- `tables`: the real tables that the real-data test and the engines page run every rule on;
- `notebook`: a JupyterLab or Notebook 7 server and Chromium, for the browser test and its benchmark.
"""


def send_from_browser(widget, **state):
    """Deliver a state update to a stand-in host widget's input the way a browser view does."""
    widget._input._handle_msg({"content": {"data": {"method": "update", "state": state, "buffer_paths": []}},
                               "buffers": []})
