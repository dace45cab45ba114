"""Input widgets of the host, built from core ipywidgets 8 widgets only.

Each widget is a ``VBox`` that wraps one core input widget (``_input``). The
box keeps its ``value`` in Python terms (option labels, not front-end indices)
and calls ``on_change()`` with no arguments only when the browser changes the
value. Updates from the browser reach a core widget through ``set_state``;
the small subclasses below hook it, so assigning ``value`` from Python, and
construction, never call ``on_change``.

Options may be any hashable labels, strings or not, repeated or not. The front
end only sees ``str(label)`` paired with the option's position, so repeated
labels stay separate entries. A label is matched to an option by identity
first, then by ``==``; a label that is no option raises ``ValueError``.
"""

import ipywidgets as widgets

#: Layout width of each size word.
WIDTHS = {"sm": "200px", "md": "300px"}


def _noop():
    """Default ``on_change``: there is nobody to tell."""


def _css_width(width):
    if width is None:
        return None
    if width not in WIDTHS:
        raise ValueError(
            f"unknown width {width!r}: expected one of {sorted(WIDTHS)} or None"
        )
    return WIDTHS[width]


def _equal(option, label):
    # Labels such as pandas.NA compare to something without a truth value.
    try:
        return bool(option == label)
    except (TypeError, ValueError):
        return False


def _find(options, label, taken=frozenset()):
    """Position of ``label`` among ``options`` (skipping ``taken``), or None."""
    match = None
    for i, option in enumerate(options):
        if i in taken:
            continue
        if option is label:
            return i
        if match is None and _equal(option, label):
            match = i
    return match


def _positions(options, labels):
    """Positions of ``labels``, each option used at most once, in label order."""
    taken = []
    for label in labels:
        i = _find(options, label, frozenset(taken))
        if i is None:
            raise ValueError(f"{label!r} is not an option (or chosen too often)")
        taken.append(i)
    return taken


def _as_label_list(labels):
    if isinstance(labels, str):
        # list("ab") would silently choose "a" and "b".
        raise TypeError("Multiselect value must be a list of labels, not a str")
    return list(labels)


def _choices(options):
    # Positions as values keep repeated or unhashable-looking labels apart.
    return [(str(option), i) for i, option in enumerate(options)]


class _ReportsFrontEndChanges:
    """Mixin for core widgets: tell the owning box which traits a view changed."""

    _owner_callback = None

    def set_state(self, sync_data):
        before = {name: getattr(self, name) for name in sync_data if name in self.keys}
        super().set_state(sync_data)
        changed = {name for name, old in before.items() if getattr(self, name) != old}
        if changed and self._owner_callback is not None:
            self._owner_callback(changed)


class _ListBox(_ReportsFrontEndChanges, widgets.SelectMultiple):
    def _propagate_label(self, change):
        # Overrides the base observer that maps labels back to indices: with
        # repeated labels it picks the first one and makes the selection
        # flicker. Here the index alone decides.
        pass


class _DropdownInput(_ReportsFrontEndChanges, widgets.Dropdown):
    pass


class _TextInput(_ReportsFrontEndChanges, widgets.Text):
    pass


class _InputBox(widgets.VBox):
    """Plumbing shared by the widgets: width, CSS classes, focus, change reports."""

    _value_trait = "value"

    def __init__(self, inner, children, *, css_width, placeholder,
                 focus_after_init, width, on_change, css_classes):
        super().__init__(children=children)
        self._input = inner
        self.placeholder = placeholder
        self.focus_after_init = focus_after_init
        self.width = width
        self.on_change = on_change
        self.css_classes = css_classes
        if css_width is not None:
            self.layout.width = css_width
            inner.layout.width = css_width
        for name in css_classes:
            self.add_class(name)
        self._focus_pending = bool(focus_after_init)
        if self._focus_pending:
            # A view reports its creation through _view_count once this is a
            # number; that is the moment a focus request can reach it.
            inner._view_count = 0
        inner._owner_callback = self._front_end_changed

    def _front_end_changed(self, names):
        if "_view_count" in names and self._focus_pending and self._input._view_count:
            self._focus_pending = False
            self._input.focus()
        if self._value_trait in names and self._take_front_end_value():
            self.on_change()

    def _take_front_end_value(self):
        """Adopt the inner widget's new value; return whether the value changed."""
        return True


class Multiselect(_InputBox):
    """Pick several options; ``value`` lists the chosen labels in the order chosen.

    A line above the list shows ``placeholder`` while nothing is chosen, and the
    chosen labels in their order otherwise.
    """

    _value_trait = "index"

    def __init__(self, *, placeholder="", options=None, value=None,
                 focus_after_init=False, width="md", on_change=_noop,
                 css_classes=()):
        options = [] if options is None else options
        value = [] if value is None else value
        value = value if isinstance(value, list) else _as_label_list(value)
        chosen = _positions(options, value)
        css_width = _css_width(width)
        self.options = options
        self._value = value
        self._chosen = chosen
        self._summary = widgets.Label()
        inner = _ListBox(options=_choices(options), index=tuple(sorted(chosen)),
                         rows=max(1, min(len(options), 8)), tooltip=placeholder)
        super().__init__(inner, [self._summary, inner], css_width=css_width,
                         placeholder=placeholder, focus_after_init=focus_after_init,
                         width=width, on_change=on_change, css_classes=css_classes)
        self._show_summary()

    @property
    def value(self):
        return self._value

    @value.setter
    def value(self, labels):
        labels = labels if isinstance(labels, list) else _as_label_list(labels)
        chosen = _positions(self.options, labels)
        self._value = labels
        self._chosen = chosen
        self._input.index = tuple(sorted(chosen))
        self._show_summary()

    def _take_front_end_value(self):
        now = self._input.index
        if set(now) == set(self._chosen):
            return False
        # The browser only sends the selected set: keep the earlier choices in
        # their order and append the new ones.
        kept = [i for i in self._chosen if i in now]
        added = sorted(set(now).difference(self._chosen))
        self._chosen = kept + added
        self._value = [self.options[i] for i in self._chosen]
        self._show_summary()
        return True

    def _show_summary(self):
        if self._value:
            self._summary.value = ", ".join(str(label) for label in self._value)
            self._summary.style.font_style = "normal"
        else:
            self._summary.value = self.placeholder
            self._summary.style.font_style = "italic"


class Singleselect(_InputBox):
    """Pick one option; ``value`` is its label, or None while nothing is chosen.

    ``placeholder`` is shown above the dropdown while nothing is chosen. A
    ``value`` given to the constructor is shown as chosen whether or not
    ``set_soft_value`` is true: construction never reports a change, so the
    flag is only stored.
    """

    _value_trait = "index"

    def __init__(self, *, placeholder="", options=None, value=None,
                 focus_after_init=False, set_soft_value=False, width="md",
                 on_change=_noop, css_classes=()):
        options = [] if options is None else options
        index = self._position(options, value)
        css_width = _css_width(width)
        self.options = options
        self.set_soft_value = set_soft_value
        self._value = value
        self._hint = widgets.Label(value=placeholder, style={"font_style": "italic"})
        inner = _DropdownInput(options=_choices(options), index=index,
                               tooltip=placeholder)
        super().__init__(inner, [self._hint, inner], css_width=css_width,
                         placeholder=placeholder, focus_after_init=focus_after_init,
                         width=width, on_change=on_change, css_classes=css_classes)
        self._show_hint()

    @staticmethod
    def _position(options, label):
        if label is None:
            return None
        i = _find(options, label)
        if i is None:
            raise ValueError(f"{label!r} is not an option")
        return i

    @property
    def value(self):
        return self._value

    @value.setter
    def value(self, label):
        self._input.index = self._position(self.options, label)
        self._value = label
        self._show_hint()

    def _take_front_end_value(self):
        i = self._input.index
        self._value = None if i is None else self.options[i]
        self._show_hint()
        return True

    def _show_hint(self):
        self._hint.layout.display = "none" if self._input.index is not None else None


class Text(_InputBox):
    """A one-line text field; ``value`` is the typed text, "" when empty.

    The browser sends the text when the user presses Enter or leaves the field,
    not at every keystroke, so ``on_change`` runs once per edit. ``execute`` (the
    host transformation) is only stored.
    """

    def __init__(self, *, placeholder="", focus_after_init=False, width="md",
                 execute=None, on_change=_noop, css_classes=()):
        css_width = _css_width(width)
        self.execute = execute
        inner = _TextInput(placeholder=placeholder, continuous_update=False)
        super().__init__(inner, [inner], css_width=css_width,
                         placeholder=placeholder, focus_after_init=focus_after_init,
                         width=width, on_change=on_change, css_classes=css_classes)

    @property
    def value(self):
        return self._input.value

    @value.setter
    def value(self, text):
        self._input.value = text
