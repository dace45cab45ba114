"""Input widgets of the host, built from core ipywidgets 8 widgets only.

Each widget is a ``VBox`` around core input widgets. The box keeps its
``value`` in Python terms (option labels, not front-end indices) and calls
``on_change()`` with no arguments only when the browser changes the value.
Updates from the browser reach a core widget through ``set_state``; the small
subclasses below hook it, so assigning ``value`` from Python, and construction,
never call ``on_change``.

Options may be any labels, strings or not, repeated or not. The front end only
sees ``str(label)`` paired with the option's position, so repeated labels stay
separate entries. A label is matched to an option by identity first, then by
``==`` (see ``_OptionIndex``); a label that is no option raises ``ValueError``.
A widget costs in proportion to what it shows, not to its options: the index
of the labels and the texts searched are made only when they are needed.

Layout: the box has the width of its size word and its controls fill it
(``width: auto`` inside the column), so a control's margins stay inside the box
and nothing overflows it.

Keyboard: with anywidget installed, each box ends with a hidden ``_KeyGuard``
that keeps the keys a focused control uses away from the notebook (JupyterLab 4,
Notebook 7): arrows and letters act on the control, never as notebook shortcuts,
while the notebook's chords (Shift+Enter, Ctrl+Enter, Alt+Enter, Ctrl+S) work as
anywhere else in it; Escape gives the focus back to the notebook cell. Without
anywidget (ipywidgets 7.8 setups) the widgets work the same, unguarded.
"""

import html
import itertools
import operator

import ipywidgets as widgets

try:
    import anywidget
except ImportError:  # no guard: the notebook's shortcuts see keys typed in the widgets
    anywidget = None

#: Layout width of each size word.
WIDTHS = {"sm": "200px", "md": "300px"}

#: How many options a list shows at once: of more, the first and the last half; the search field narrows the rest.
SHOWN_OPTIONS = 1000

#: How many chosen labels a Multiselect draws as tags before it summarises the rest.
SHOWN_TAGS = 50


_TAG_STYLE = ("display: inline-block; margin: 1px 4px 1px 0; padding: 0 4px; line-height: 18px; "
              "border: 1px solid var(--jp-border-color1, #bbb); border-radius: 3px; "
              "background: var(--jp-layout-color2, #eee); overflow-wrap: anywhere")


# The notebook (Lumino's command registry) looks for a shortcut from the
# keydown's target up, and stops at an element that carries
# data-lm-suppress-shortcuts. One listener of the page, ahead of everyone
# (the window, capturing), decides for each key typed in a guarded box: a key
# the control uses (plain keys, Shift with them, and the Ctrl chords that move
# in a list or edit a text) gets the mark, so it acts on the control alone; any other chord
# (Shift+Enter, Ctrl+Enter, Alt+Enter, Ctrl+S...) goes to the notebook as from
# anywhere else in it. Escape gives the focus back to the notebook cell.
# The guard's own view is hidden; it marks its box once the box is in the page.
_KEY_GUARD_ESM = """
const CHORDS = {  // with Ctrl (Cmd on a Mac), the keys a control uses
  list: new Set(['a', ' ', 'ArrowUp', 'ArrowDown', 'Home', 'End', 'PageUp', 'PageDown']),
  text: new Set(['a', 'c', 'v', 'x', 'z', 'y', 'Z', 'ArrowLeft', 'ArrowRight', 'Home', 'End', 'Backspace', 'Delete']),
};

function usedByControl(event) {
  if (!event.ctrlKey && !event.altKey && !event.metaKey) return !(event.shiftKey && event.key === 'Enter');
  const chords = event.target.tagName === 'SELECT' ? CHORDS.list : CHORDS.text;
  return !event.altKey && chords.has(event.key);
}

function keydown(event) {
  const control = event.target;
  const box = control instanceof Element && control.closest('[data-ostrel-key-guard]');
  if (!box) return;
  if (event.key === 'Escape') {
    event.preventDefault();
    control.blur();
    const cell = box.closest('.jp-Cell');
    if (cell) cell.focus();
  } else if (usedByControl(event)) {
    control.setAttribute('data-lm-suppress-shortcuts', 'true');
  } else {
    control.removeAttribute('data-lm-suppress-shortcuts');
    // A text field's view stops every key on its way up: not the notebook's shortcuts.
    if (control.matches('input, textarea')) event.stopPropagation = () => {};
  }
}

function render({ el }) {
  if (!window.ostrelKeyGuard) {
    window.ostrelKeyGuard = true;
    window.addEventListener('keydown', keydown, true);
  }
  let frames = 0;
  const mark = () => {
    const box = el.parentElement && el.parentElement.closest('.widget-box');
    if (box) box.setAttribute('data-ostrel-key-guard', '');
    else if (frames++ < 600) requestAnimationFrame(mark);
  };
  mark();
}
export default { render };
"""

if anywidget is not None:
    class _KeyGuard(anywidget.AnyWidget):
        _esm = _KEY_GUARD_ESM


def _key_guard():
    """The guard of one box, as a list of children: one per box, so it is closed with its box."""
    return [] if anywidget is None else [_KeyGuard(layout=widgets.Layout(display="none"))]


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


#: How many labels a lookup finds by scanning the options for identity before it builds the index.
_SCANNED_LABELS = 8


class _OptionIndex:
    """Finds the positions of labels among options in time linear in their number.

    Nothing is built while the labels looked up are few and options
    themselves (no choice, or the one a user just picked): each is found by a
    scan for identity. Otherwise the index is built, once, in one pass over
    the options. Options that can be dict keys and equal
    themselves go into a dict; the rest (unhashable ones, and NaN-like ones
    that are unequal to themselves) are scanned, which stays cheap because real
    option lists hold few of them. A NaN-like label that is no option by
    identity matches a NaN-like option of the same type.
    """

    def __init__(self, options):
        self._options = options
        self._by_id = None

    def _identical(self, labels):
        """Positions of a few labels that are options themselves, found without the index; else None.

        Each is the first free option that is the label, as the index would
        take it; the scans stop at the option found.
        """
        if len(labels) > _SCANNED_LABELS:
            return None
        found = []
        for label in labels:
            same = itertools.compress(itertools.count(), map(operator.is_, self._options, itertools.repeat(label)))
            i = next((i for i in same if i not in found), None)
            if i is None:
                return None
            found.append(i)
        return found

    def _build(self):
        self._by_id = {}
        self._by_key = {}
        self._odd = []
        for i, option in enumerate(self._options):
            self._by_id.setdefault(id(option), []).append(i)
            if not _equal(option, option):
                self._odd.append(i)
                continue
            try:
                self._by_key.setdefault(option, []).append(i)
            except (TypeError, ValueError):
                self._odd.append(i)

    def positions(self, labels):
        """Positions of ``labels`` in label order, each option used at most once."""
        if self._by_id is None:
            found = self._identical(labels)
            if found is not None:
                return found
            self._build()
        taken = set()
        cursors = {}
        found = []
        for label in labels:
            i = self._take(label, taken, cursors)
            if i is None:
                raise ValueError(f"{label!r} is not an option (or chosen too often)")
            taken.add(i)
            found.append(i)
        return found

    def _take(self, label, taken, cursors):
        same = self._first_free(self._by_id.get(id(label)), taken, cursors)
        if same is not None and self._options[same] is label:
            return same
        try:
            bucket = self._by_key.get(label)
        except (TypeError, ValueError):
            bucket = None
        equal = self._first_free(bucket, taken, cursors)
        if equal is not None:
            return equal
        nan_like = not _equal(label, label)
        for i in self._odd:
            option = self._options[i]
            if i in taken:
                continue
            if _equal(option, label) or (nan_like and type(option) is type(label)
                                         and not _equal(option, option)):
                return i
        return None

    @staticmethod
    def _first_free(bucket, taken, cursors):
        # Taken positions stay taken for the whole lookup, so a cursor that has
        # moved past them never goes back: each bucket is walked once.
        if not bucket:
            return None
        key = id(bucket)
        k = cursors.get(key, 0)
        while k < len(bucket) and bucket[k] in taken:
            k += 1
        cursors[key] = k
        return bucket[k] if k < len(bucket) else None


def _as_label_list(labels):
    if isinstance(labels, str):
        # list("ab") would silently choose "a" and "b".
        raise TypeError("Multiselect value must be a list of labels, not a str")
    return list(labels)


class _ReportsFrontEndChanges:
    """Mixin for core widgets: tell the owning box which traits a view changed."""

    _owner_callback = None

    def set_state(self, sync_data):
        before = {name: getattr(self, name) for name in sync_data if name in self.keys}
        super().set_state(sync_data)
        changed = {name for name, old in before.items() if getattr(self, name) != old}
        if changed and self._owner_callback is not None:
            self._owner_callback(changed)


class _IndexOnly:
    """Mixin for core selection widgets whose options are (text, position) pairs.

    The index alone is the selection. The base class would also derive
    ``label`` and ``value`` from it and map them back to an index, which picks
    the first of repeated labels (the selection flickers) and costs a scan of
    the options per chosen item.
    """

    def _propagate_index(self, change):
        pass


class _ListBox(_IndexOnly, _ReportsFrontEndChanges, widgets.SelectMultiple):
    pass


class _DropdownInput(_IndexOnly, _ReportsFrontEndChanges, widgets.Dropdown):
    pass


class _TextInput(_ReportsFrontEndChanges, widgets.Text):
    pass


def _fill(widget):
    # Fill the box's width: margins then stay inside the box instead of
    # pushing a fixed-width control past its right edge.
    widget.layout.width = "auto"
    return widget


class _InputBox(widgets.VBox):
    """Plumbing shared by the widgets: width, CSS classes, focus, change reports."""

    _value_trait = "value"

    def __init__(self, inner, children, *, focus, css_width, placeholder,
                 focus_after_init, width, on_change, css_classes):
        super().__init__(children=[*children, *_key_guard()])
        self._input = inner
        self.placeholder = placeholder
        self.focus_after_init = focus_after_init
        self.width = width
        self.on_change = on_change
        self.css_classes = css_classes
        if css_width is not None:
            self.layout.width = css_width
        for child in children:
            _fill(child)
        for name in css_classes:
            self.add_class(name)
        if focus_after_init:
            # A view reports its creation through _view_count once this is a
            # number; that is the moment a focus request can reach it.
            focus._view_count = 0
            focus.observe(self._focus_first_view, "_view_count")
        inner._owner_callback = self._front_end_changed

    @staticmethod
    def _focus_first_view(change):
        if change.new:
            change.owner.unobserve(_InputBox._focus_first_view, "_view_count")
            change.owner.focus()

    def _front_end_changed(self, names):
        if self._value_trait in names and self._take_front_end_value():
            self.on_change()

    def _take_front_end_value(self):
        """Adopt the inner widget's new value; return whether the value changed."""
        return True

    def _shown_options(self):
        """The listed options as the front end gets them: each text with its position."""
        return [(str(self.options[i]), i) for i in self._view]


class _Search:
    """The search field over a long option list, and the note under the list.

    ``view(keep)`` gives the option positions to list, in option order: the
    options whose text contains the search text, ignoring case, plus those of
    ``keep``; of more than ``SHOWN_OPTIONS`` matches, the first and the last
    ones, so both ends of the list stay in reach. It also writes the note.
    The options' texts are made at the first search: showing costs only what
    is shown.
    """

    def __init__(self, options, tooltip):
        self._options = options
        self._folded = None
        self.field = widgets.Text(placeholder="Search options", continuous_update=True, tooltip=tooltip)
        self.note = widgets.HTML()

    def _matches(self, text):
        if not text:
            return range(len(self._options))
        if self._folded is None:
            self._folded = [str(option).casefold() for option in self._options]
        text = text.casefold()
        return [i for i, folded in enumerate(self._folded) if text in folded]

    def view(self, keep=()):
        text = self.field.value
        matches = self._matches(text)
        if len(matches) > SHOWN_OPTIONS:
            head = SHOWN_OPTIONS // 2
            tail = SHOWN_OPTIONS - head
            view = [*matches[:head], *matches[-tail:]]
            note = f"first {head:,} and last {tail:,} of {len(matches):,}: search to narrow"
        else:
            view = list(matches)
            note = f"{len(view):,} of {len(self._options):,} match" if text else ""
        # A widget's line is as high as a control: a note of two lines keeps the text's own.
        self.note.value = f'<div style="line-height: 1.3"><small>{html.escape(note)}</small></div>' if note else ""
        self.note.layout.display = None if note else "none"
        missing = set(keep).difference(view)
        return sorted(view + list(missing)) if missing else view


class Multiselect(_InputBox):
    """Pick several options; ``value`` lists the chosen labels in the order chosen.

    Above the list, the chosen labels show as tags in their order (the
    placeholder while nothing is chosen), then a search field: the list shows
    the options whose text contains the search text, ignoring case; of more
    than ``SHOWN_OPTIONS``, the first and the last ones. Selecting in the list
    adds to the end of the choice; unselecting removes; chosen options hidden by
    the search stay chosen.
    """

    _value_trait = "index"

    def __init__(self, *, placeholder="", options=None, value=None,
                 focus_after_init=False, width="md", on_change=_noop,
                 css_classes=()):
        options = [] if options is None else options
        value = [] if value is None else value
        value = value if isinstance(value, list) else _as_label_list(value)
        self._index = _OptionIndex(options)
        chosen = self._index.positions(value)
        css_width = _css_width(width)
        self.options = options
        self._value = value
        self._chosen = chosen
        self._tags = widgets.HTML()
        self._filter = _Search(options, placeholder)
        self._search = self._filter.field
        self._view = []
        inner = _ListBox(rows=max(1, min(len(options), 8)), tooltip=placeholder)
        super().__init__(inner, [self._tags, self._search, inner, self._filter.note],
                         focus=self._search, css_width=css_width,
                         placeholder=placeholder, focus_after_init=focus_after_init,
                         width=width, on_change=on_change, css_classes=css_classes)
        self._search.observe(self._show_matches, "value")
        self._show_matches()
        self._show_tags()

    @property
    def value(self):
        return self._value

    @value.setter
    def value(self, labels):
        labels = labels if isinstance(labels, list) else _as_label_list(labels)
        chosen = self._index.positions(labels)
        self._value = labels
        self._chosen = chosen
        self._select_view()
        self._show_tags()

    def _show_matches(self, change=None):
        self._view = self._filter.view()
        with self._input.hold_sync():
            self._input.options = self._shown_options()
            self._select_view()

    def _select_view(self):
        chosen = set(self._chosen)
        self._input.index = tuple(k for k, i in enumerate(self._view) if i in chosen)

    def _take_front_end_value(self):
        selected = {self._view[k] for k in self._input.index}
        shown = set(self._view)
        chosen = set(self._chosen)
        kept = [i for i in self._chosen if i not in shown or i in selected]
        added = [i for i in self._view if i in selected and i not in chosen]
        if not added and len(kept) == len(self._chosen):
            return False
        self._chosen = kept + added
        self._value = [self.options[i] for i in self._chosen]
        self._show_tags()
        return True

    def _show_tags(self):
        if not self._value:
            self._tags.value = f"<i>{html.escape(self.placeholder)}</i>"
            return
        tags = "".join(f'<span class="ostrel-tag" style="{_TAG_STYLE}">{html.escape(str(self.options[i]))}</span>'
                       for i in self._chosen[:SHOWN_TAGS])
        rest = len(self._chosen) - SHOWN_TAGS
        if rest > 0:
            tags += f"<span> and {rest:,} more</span>"
        self._tags.value = f'<div class="ostrel-tags">{tags}</div>'


class Singleselect(_InputBox):
    """Pick one option; ``value`` is its label, or None while nothing is chosen.

    ``placeholder`` is shown above the dropdown while nothing is chosen. A
    ``value`` given to the constructor is shown as chosen. Without one,
    ``set_soft_value`` true chooses the first option (when there is one), so
    ``value`` holds a label from the start; construction never reports a
    change either way. With more than ``SHOWN_OPTIONS`` options, a search field
    above the dropdown narrows it as in a ``Multiselect`` (both ends of the list
    shown); the chosen option stays listed.
    """

    _value_trait = "index"

    def __init__(self, *, placeholder="", options=None, value=None,
                 focus_after_init=False, set_soft_value=False, width="md",
                 on_change=_noop, css_classes=()):
        options = [] if options is None else options
        self._index = _OptionIndex(options)
        if value is None and set_soft_value and len(options):
            value = options[0]
        chosen = self._position(value)
        css_width = _css_width(width)
        self.options = options
        self.set_soft_value = set_soft_value
        self._value = value
        self._chosen = chosen
        self._hint = widgets.HTML(value=f"<i>{html.escape(placeholder)}</i>")
        # Short lists show every option and need no search field.
        self._filter = _Search(options, placeholder) if len(options) > SHOWN_OPTIONS else None
        self._search = None if self._filter is None else self._filter.field
        self._view = list(range(len(options))) if self._filter is None else self._filter.view(
            () if chosen is None else (chosen,))
        inner = _DropdownInput(options=self._shown_options(),
                               index=None if chosen is None else self._view.index(chosen), tooltip=placeholder)
        shown = [self._hint, inner] if self._filter is None else [self._hint, self._search, inner, self._filter.note]
        super().__init__(inner, shown, focus=inner, css_width=css_width,
                         placeholder=placeholder, focus_after_init=focus_after_init,
                         width=width, on_change=on_change, css_classes=css_classes)
        if self._search is not None:
            self._search.observe(self._show_matches, "value")
        self._select_view()

    def _position(self, label):
        return None if label is None else self._index.positions([label])[0]

    @property
    def value(self):
        return self._value

    @value.setter
    def value(self, label):
        chosen = self._position(label)
        self._value = label
        self._chosen = chosen
        if chosen is not None and chosen not in self._view:
            self._show_matches()
        self._select_view()

    def _show_matches(self, change=None):
        self._view = self._filter.view(() if self._chosen is None else (self._chosen,))
        with self._input.hold_sync():
            self._input.options = self._shown_options()
            self._select_view()

    def _select_view(self):
        self._input.index = None if self._chosen is None else self._view.index(self._chosen)
        self._hint.layout.display = "none" if self._chosen is not None else None

    def _take_front_end_value(self):
        k = self._input.index
        self._chosen = None if k is None else self._view[k]
        self._value = None if k is None else self.options[self._chosen]
        self._select_view()
        return True


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
        super().__init__(inner, [inner], focus=inner, css_width=css_width,
                         placeholder=placeholder, focus_after_init=focus_after_init,
                         width=width, on_change=on_change, css_classes=css_classes)

    @property
    def value(self):
        return self._input.value

    @value.setter
    def value(self, text):
        self._input.value = text
