"""A ColumnsSelector on a small table, driven the way a user drives it in the browser.

Each step changes the widget as a click or a typed text would (through the front-end messages of
the host's widgets) and prints the code the widget writes and the columns that code selects.
With --labels, it prints instead the code texts of every special label.
"""

import datetime as dt
import html
import re
import sys

import pandas as pd

import ostrel.transformations.columns_selector as cs
from ostrel.helper import OstrelError
from ostrel.transformation import Transformation

SAMPLE = pd.DataFrame(
    {
        "order_id": [1001, 1002, 1003],
        "customer": pd.array(["Ada", "Grace", "Edsger"], dtype="string"),
        "city": ["Lyon", "Graz", "Delft"],
        "amount": [12.5, 99.0, 7.25],
        "paid": [True, False, True],
        "channel": pd.Categorical(["web", "shop", "web"]),
        "ordered_at": pd.to_datetime(["2026-11-02", "2026-11-05", "2026-11-09"]),
        "delivery_time": [dt.timedelta(days=2), dt.timedelta(days=5), dt.timedelta(hours=30)],
    }
)


def send(widget, **state):
    """Deliver a state update to a host widget's input as the browser does."""
    message = {"content": {"data": {"method": "update", "state": state, "buffer_paths": []}}, "buffers": []}
    widget._input._handle_msg(message)


def pick(dropdown, *labels):
    """The user selects these labels, in this order, in the main dropdown."""
    positions = [dropdown.options.index(label) for label in labels]
    if isinstance(dropdown, cs.Multiselect):
        chosen = list(dropdown._input.index)
        for position in positions:
            chosen.append(position)
            send(dropdown, index=sorted(chosen))
    else:
        send(dropdown, index=positions[0])


def as_read(message, indent):
    """An HTML message as the host shows it: a line per <br>, the markup gone, entities as characters."""
    lines = re.split(r"<br\s*/?>", message, flags=re.IGNORECASE)
    return f"\n{indent}".join(html.unescape(re.sub(r"<[^>]*>", "", line)) for line in lines)


def counted(number, noun):
    return f"{number} {noun}" if number == 1 else f"{number} {noun}s"


def show(step, selector, changes):
    print(step)
    print(f"    on_change calls so far: {changes[0]}")
    print(f"    get_columns_code(): {selector.get_columns_code()}")
    try:
        code = selector.get_df_code()
    except OstrelError as error:  # the host shows its errors' messages as HTML
        print(f"    get_df_code():      {as_read(str(error), ' ' * 24)}")
        return
    print(f"    get_df_code():      {code}")
    columns = list(eval(code, {"df": SAMPLE}).columns)
    print(f"    selects:            {counted(len(columns), 'column')}{': ' if columns else ''}{', '.join(columns)}")


def main():
    changes = [0]

    def on_change():
        changes[0] += 1

    selector = cs.ColumnsSelector(Transformation(SAMPLE), on_change=on_change)
    show("1. built on the sample table, nothing chosen", selector, changes)

    pick(selector._main_selector, "customer", "amount")
    show("2. the user picks customer, then amount", selector, changes)

    pick(selector._main_selector, "[Numeric columns]")
    show("3. the user adds [Numeric columns]: special mode", selector, changes)

    pick(selector._main_selector, "[Columns that match regex]")
    send(selector._special_selector.text, value="^(c|o)")
    show("4. the user picks [Columns that match regex] and types ^(c|o)", selector, changes)

    pick(selector._main_selector, "[Columns with data type]")
    pick(selector._special_selector.data_type, "Datetime")
    show("5. the user picks [Columns with data type], then Datetime", selector, changes)

    pick(selector._main_selector, "[Columns that end with]")
    send(selector._special_selector.text, value="_time")
    show("6. the user picks [Columns that end with] and types _time", selector, changes)

    pick(selector._main_selector, "city")
    show("7. the user picks the column city: back to names", selector, changes)

    print(f"    value: {selector.value}")
    starting_on_all = cs.ColumnsSelector(Transformation(SAMPLE), set_all_columns_as_default=True)
    show("8. another selector that starts on [All columns]", starting_on_all, [0])
    print(f"    value: {starting_on_all.value}")


def print_labels():
    """Each special label with its sub-frame and column-list code, inputs set where the label has one."""
    inputs = {"[Columns with data type]": ("data_type", "Numeric"), "[Columns that match regex]": ("text", "e$")}
    transformation = Transformation(SAMPLE)
    for label, selector_class in cs.SELECTOR_OPTIONS.items():
        selector = cs.ColumnsSelector(transformation, on_change=lambda: None)
        selector.value = [label]
        special = selector._special_selector
        widget, typed = inputs.get(label, ("text", "foo"))
        if hasattr(special, widget):
            getattr(special, widget).value = typed
        given = f" ({widget} {typed!r})" if hasattr(special, widget) else ""
        print(f"{label}{given}: {selector_class.__name__}")
        print(f"    {selector.get_df_code()}")
        print(f"    {selector.get_columns_code()}")


if __name__ == "__main__":
    print_labels() if "--labels" in sys.argv[1:] else main()
