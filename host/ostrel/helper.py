"""Small helpers shared by the host's transformations and their widgets."""

#: Name of the data-frame variable in the code that the host generates and runs.
DF_OLD = "df"


class OstrelError(Exception):
    """An error meant for the user.

    The host shows the message as HTML, so it may hold markup such as ``<br>``.
    It takes the message as its one positional argument; ``str(error)`` gives
    the message back unchanged.
    """


def string_to_code(text):
    """Return Python source code (a ``str``) for a string literal equal to ``text``.

    ``eval(string_to_code(text)) == text`` holds for every ``str``: the
    interpreter's own string representation escapes quotes, backslashes,
    control characters, lone surrogates and any other unprintable character,
    and keeps printable text readable.
    """
    if not isinstance(text, str):
        raise TypeError(
            f"string_to_code() expects a str, got {type(text).__name__}"
        )
    # str.__repr__ rather than repr(): a str subclass may override __repr__
    # with something that does not evaluate back to the same text.
    return str.__repr__(text)
