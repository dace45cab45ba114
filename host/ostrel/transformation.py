"""The host's transformation object as the column widgets see it."""

from ostrel import helper


class Transformation:
    """Holds the current data frame and evaluates code against it.

    pandas is not imported here: the frame is whatever object the caller hands
    in, so this module imports without pandas installed.
    """

    def __init__(self, df):
        self._df = df

    def get_df(self):
        """Return the current data frame."""
        return self._df

    def eval_code(self, code):
        """Evaluate the expression ``code`` with the frame bound to ``helper.DF_OLD``.

        The variable name is read at every call, so rebinding ``DF_OLD`` takes
        effect at once. Errors raised by the expression propagate unchanged.
        """
        return eval(code, {helper.DF_OLD: self._df})
