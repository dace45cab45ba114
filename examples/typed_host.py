"""A host transformation written with type annotations: mypy and pyright check it against the module's stub.

It runs too (`python examples/typed_host.py`) and prints the code the selector writes.
"""

from __future__ import annotations

from typing import Any

import pandas as pd

import ostrel.transformations.columns_selector as cs


class SelectColumns:
    """The host's side: it owns the frame, evaluates the code and redraws when the choice changes."""

    def __init__(self, df: pd.DataFrame) -> None:
        self.df = df
        self.selector = cs.ColumnsSelector(self, show_all_columns=False, width="sm", on_change=self.refresh)

    def get_df(self) -> pd.DataFrame:
        return self.df

    def eval_code(self, code: str) -> Any:
        return eval(code, {cs.DF_OLD: self.df})

    def refresh(self) -> None:  # called with no arguments
        print("changed:", self.selector.get_columns_code())

    def code(self) -> str:
        return f"{cs.DF_OLD} = {self.selector.get_df_code()}"


def main() -> None:
    step = SelectColumns(pd.DataFrame({"customer": ["Ada", "Grace"], "amount": [12.5, 99.0]}))
    step.selector.value = ["amount", "customer"]
    print(step.code())
    step.selector.value = [cs.NUMERIC_COLUMNS]
    chosen: list[Any] = step.selector.value
    print(step.code(), chosen)


if __name__ == "__main__":
    main()
