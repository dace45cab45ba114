"""Cost of the stand-in host's Multiselect on large option lists: building costs what is shown, the rest grows
linearly.

Run: scripts/nox -s bench -- bench_host.py. For 25,000, 50,000, 100,000 and 1,000,000
options it prints the seconds to build the widget, to choose half of the options through `value`
(in reverse order), to search, and to add one option from the browser. Not part of the test
suite: numbers depend on the machine.
"""

import time

from ostrel.widgets import Multiselect


def seconds(action):
    start = time.perf_counter()
    action()
    return time.perf_counter() - start


def send_index(widget, index):
    widget._input._handle_msg({"content": {"data": {"method": "update", "state": {"index": index},
                                                    "buffer_paths": []}}, "buffers": []})


def main():
    print(f"{'options':>9} {'build':>8} {'set half':>9} {'search':>8} {'add one':>8}  (seconds)")
    for n in (25_000, 50_000, 100_000, 1_000_000):
        options = [f"column_{i}" for i in range(n)]
        half = [f"column_{i}" for i in range(n - 1, -1, -2)]  # equal, not identical, labels
        box = []
        build = seconds(lambda box=box, options=options: box.append(Multiselect(options=options,
                                                                                on_change=lambda: None)))
        widget = box[0]
        choose = seconds(lambda widget=widget, half=half: setattr(widget, "value", half))
        search = seconds(lambda widget=widget: setattr(widget._search, "value", "_98"))  # even: not chosen
        add = seconds(lambda widget=widget: send_index(widget, [*widget._input.index, 0]))
        assert len(widget.value) == len(half) + 1
        print(f"{n:>9,} {build:>8.3f} {choose:>9.3f} {search:>8.3f} {add:>8.3f}")


if __name__ == "__main__":
    main()
