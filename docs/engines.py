"""Runs every code text the columns selector writes on data-frame engines with the pandas API, on the
real tables of the real-data test, against pandas in the same environment; writes docs/engines.md.

scripts/engines runs it in two steps:
  python docs/engines.py probe ENGINE     in .venv-engine-ENGINE: prints that engine's answers (JSON)
  python docs/engines.py check|write J...  renders docs/engines.md from the answers; check fails when
                                           the text differs from the committed file, write rewrites it
Each code text is taken from a ColumnsSelector built on the engine's own frame, the sub-frame code is
run through the host's eval_code and the column-list code through the widget's `value`; pandas answers
for the same texts on the pandas frame the engine's frame was made from.
"""

import collections
import contextlib
import difflib
import json
import os
import re
import subprocess
import sys
import warnings
from importlib import metadata
from pathlib import Path

DOC = Path(__file__).with_name("engines.md")

# The rule shapes: (label, the special selector's field set before the code is read, its value).
TEXTS = {"[Columns that match regex]": "^[a-m]", "[Columns that start with]": "s",
         "[Columns that end with]": "e", "[Columns that contain]": "_"}


# Code a host may write in place of a rule's code on an engine: label -> sub-frame code (the column
# list is that code's `.columns`), compared with pandas' answer for the rule's own code.
REGEX = "df.loc[:, df.columns.str.contains('^[a-m]')]"
ALTERNATIVES = {
    "Dask DataFrame": {"[Columns that match regex]": REGEX},
    "Dask, convert-string off": {"[Columns that match regex]": REGEX},
    "Modin on Dask": {"[Integer columns]": "df.select_dtypes(['int32', 'int64'])",
                      "[Float columns]": "df.select_dtypes(['float32', 'float64'])"},
}


def shapes(cs):
    """Every code shape the widget writes: name -> (label chosen, the special selector's field, its value)."""
    found = {"names": ("names", None, None)}
    for label in cs.SELECTOR_OPTIONS:
        if label == "[Columns with data type]":
            found.update({f"{label}: {entry}": (label, "data_type", entry) for entry, _ in cs.DTYPE_OPTIONS})
        else:
            found[label] = label, "text" if label in TEXTS else None, TEXTS.get(label)
    return found


def selector(cs, Transformation, frame, shape):
    label, field, entry = shape
    widget = cs.ColumnsSelector(Transformation(frame))
    names = list(frame.columns)
    widget.value = [names[-1], names[0]] if label == "names" else [label]
    if field:
        getattr(widget._special_selector, field).value = entry
    return widget


def attempt(run):
    """(what run() returns, None), or (None, "Type: first line of the message") when it raises."""
    try:
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            return run(), None
    except Exception as error:
        message = re.sub(r" at 0x[0-9a-f]+", "", str(error).strip().split("\n")[0]).split("; ")[0][:120]
        return None, f"{type(error).__name__}: {message}"


def labels(run):
    """The column labels an expression gives, as texts, or the error it raises."""
    answer, error = attempt(run)
    return error or [str(c) for c in answer]


def engine_frames(engine):
    """The engine's columns in the page (name -> what makes its frame from a pandas frame), and the
    packages whose versions the page gives. Spark runs in local mode on one core, Modin on two Dask
    workers."""
    if engine == "dask":
        import dask
        import dask.dataframe as dd

        def converter(convert_string):
            def convert(frame):
                with dask.config.set({"dataframe.convert-string": convert_string}):
                    return dd.from_pandas(frame, npartitions=2)
            return convert
        return {"Dask DataFrame": converter(True), "Dask, convert-string off": converter(False)}, ["dask", "pandas"]
    if engine == "modin":
        import modin.config
        import modin.pandas as mpd

        modin.config.Engine.put("Dask")
        modin.config.CpuCount.put(2)
        return {"Modin on Dask": mpd.DataFrame}, ["modin", "dask", "distributed", "pandas"]
    if engine == "spark":
        from pyspark.sql import SparkSession

        SparkSession.builder.master("local[1]").config("spark.ui.enabled", "false") \
            .config("spark.sql.shuffle.partitions", "1").getOrCreate().sparkContext.setLogLevel("OFF")
        import pyspark.pandas as ps

        ps.set_option("compute.default_index_type", "distributed")
        return {"pandas API on Spark": ps.from_pandas}, ["pyspark", "pandas", "pyarrow"]
    if engine == "polars":
        import polars as pl

        return {"Polars": pl.from_pandas}, ["polars", "pandas", "pyarrow"]
    raise SystemExit(f"unknown engine {engine}")


def stop(engine):
    """Ends what the engine started: Modin's Dask cluster, Spark's JVM."""
    if engine == "modin":
        import logging

        from distributed import get_client

        logging.getLogger("distributed").setLevel(logging.CRITICAL)  # workers that go away say so
        with contextlib.suppress(ValueError):
            get_client().shutdown()
    if engine == "spark":
        from pyspark import SparkContext
        from pyspark.sql import SparkSession

        session = SparkSession.getActiveSession()
        if session is not None:
            session.stop()
        gateway = SparkContext._gateway
        if gateway is not None:  # the JVM would go only when this process ends
            gateway.shutdown()
            gateway.proc.terminate()
            gateway.proc.wait(60)


def loadable(convert, frame, bad):
    """The engine's frame, leaving out the columns of any dtype it cannot load (recorded in bad)."""
    theirs, error = attempt(lambda: convert(frame))
    if error is None:
        return theirs, []
    dropped = []
    for dtype in dict.fromkeys(str(d) for d in frame.dtypes):
        columns = [c for c in frame.columns if str(frame[c].dtype) == dtype]
        if dtype not in bad:
            error = attempt(lambda: convert(frame[columns]))[1]  # noqa: B023
            if error:
                bad[dtype] = error
        if dtype in bad:
            dropped += columns
    return convert(frame.drop(columns=dropped)), dropped


def measure(cs, Transformation, convert, tables, alternatives, pandas_answers):
    """One engine's answers for every table and code shape, against pandas' (cached in pandas_answers)."""
    bad, answers, dtypes, widgets, kinds = {}, collections.defaultdict(dict), {}, collections.defaultdict(list), set()
    for table, frame in tables.items():
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            theirs, dropped = loadable(convert, frame, bad)
        ours = frame.drop(columns=dropped)
        dtypes[table] = {str(c): str(d) for c, d in ours.dtypes.items()}
        for name, shape in shapes(cs).items():
            key = table, tuple(dropped), name
            if key not in pandas_answers:
                mine = selector(cs, Transformation, ours, shape)
                codes = mine.get_df_code(), mine.get_columns_code()
                pandas_answers[key] = (codes, labels(lambda: eval(codes[0], {"df": ours}).columns),  # noqa: B023
                                       labels(lambda: mine.value))  # noqa: B023
            codes, by_frame, by_list = pandas_answers[key]
            widget, error = attempt(lambda: selector(cs, Transformation, theirs, shape))  # noqa: B023
            if error:
                widgets[f"fails to build: {error}"].append(table)
                answers[name][table] = [codes, "widget: " + error, "widget: " + error]
                continue
            assert (widget.get_df_code(), widget.get_columns_code()) == codes, name
            value, error = attempt(lambda: widget.value)  # noqa: B023
            kinds.add(type(value).__name__ if error is None else "error")
            value = error or [str(c) for c in value]
            own = labels(lambda: eval(codes[1], {"df": theirs}))  # noqa: B023
            if value != own:
                widgets[f"`value` is {value} where the engine answers {own}"].append(table)
            answers[name][table] = [
                codes,
                compare(by_frame, labels(lambda: Transformation(theirs).eval_code(codes[0]).columns)),  # noqa: B023
                compare(by_list, value),
            ]
        for name, code in alternatives.items():
            _, by_frame, by_list = pandas_answers[table, tuple(dropped), name]
            answer = labels(lambda: eval(code, {"df": theirs}).columns)  # noqa: B023
            answers["instead: " + name][table] = [(code, code + ".columns"), compare(by_frame, answer),
                                                  compare(by_list, answer)]
    return {"unloadable": bad, "answers": answers, "dtypes": dtypes, "widget": widgets,
            "value types": sorted(kinds - {"error"})}


def probe(engine):
    os.environ["COLUMNS_SELECTOR_REAL_USE"] = "required"
    from columns_selector_devkit import tables as real

    import ostrel.transformations.columns_selector as cs
    from ostrel.transformation import Transformation

    columns, packages = engine_frames(engine)
    versions = {p: metadata.version(p) for p in [*packages, "numpy"]}
    versions["Python"] = "{}.{}".format(*sys.version_info[:2])
    if engine == "spark":
        versions["Java"] = java_version()
    result = {}
    try:
        tables = {}
        with warnings.catch_warnings():
            warnings.simplefilter("ignore")
            for dataset in real.DATASETS:
                raw = real.load(dataset)
                tables.update({f"{dataset} ({variant})": make(raw) for variant, make in real.VARIANTS.items()})
        pandas_answers = {}
        for name, convert in columns.items():
            result[name] = {"versions": versions, **measure(cs, Transformation, convert, tables,
                                                           ALTERNATIVES.get(name, {}), pandas_answers)}
    finally:
        stop(engine)
    json.dump(result, sys.stdout)


def compare(pandas_answer, engine_answer):
    if isinstance(pandas_answer, str):
        return f"pandas fails: {pandas_answer}"
    if isinstance(engine_answer, str):
        return f"fails: {engine_answer}"
    if engine_answer == pandas_answer:
        return "same"
    if not engine_answer:
        return {"nothing": pandas_answer}
    missing = [c for c in pandas_answer if c not in engine_answer]
    extra = [c for c in engine_answer if c not in pandas_answer]
    return {"missing": missing, "extra": extra} if missing or extra else "other order"


def describe(answer, dtypes):
    """One difference in words, by the dtypes pandas gives the columns concerned."""
    if isinstance(answer, str):
        return answer
    if answer == "same":
        return answer
    if "nothing" in answer:
        return "selects no column where pandas selects some"
    words = []
    for key, verb in ("missing", "leaves out"), ("extra", "also takes"):
        if answer[key]:
            kinds = sorted({dtypes.get(c, "?") for c in answer[key]})
            words.append(f"{verb} the {', '.join(kinds)} columns")
    return "; ".join(words)


ADVICE = {
    "Modin on Dask": [
        "Offer every rule, and tell users that \"[Integer columns]\" and \"[Float columns]\" (and the data-type "
        "entries \"Integer\" and \"Float\") follow Modin's own `select_dtypes`, which leaves out the int32 and "
        "float32 columns that pandas takes (pandas' `.dt.month` and friends are int32). Where it matters the "
        "host's own code can write the names out, as in the forms above.",
    ],
    "Dask DataFrame": [
        "Dask has no `DataFrame.filter`, so the regex rule's code fails. The same pattern in the form of the "
        "widget's own \"[Columns that contain]\" code, `df.loc[:, df.columns.str.contains(pattern)]`, runs and "
        "gives pandas' answer (above): a host on Dask writes that, or leaves \"[Columns that match regex]\" out.",
        "By default Dask stores text columns as `string[pyarrow]` (its setting `dataframe.convert-string`) where "
        "pandas 3 keeps `str`, which pandas' `select_dtypes('object')` still takes: the object-only rules select "
        "nothing. `dask.config.set({'dataframe.convert-string': False})` before the frame is made gives pandas' "
        "answer for every data-type rule (next section).",
    ],
    "Dask, convert-string off": [
        "Only the regex rule needs the form above; every other code shape gives pandas' answer.",
    ],
    "pandas API on Spark": [
        "Do not offer \"[Numeric columns]\" nor the data-type entry \"Numeric\": their code selects no column.",
        "Do not offer \"[String-only columns]\" nor the entry \"String only\" as a rule apart: on Spark they "
        "also take the object columns, as \"[String/Text or Object columns]\" does.",
        "uint8, float16 and time-zone-aware datetime columns cannot be made into a Spark frame at all (above): a "
        "host converts them before the frame reaches Spark.",
    ],
    "Polars": [
        "Only the names mode and \"[All columns]\" run on a Polars frame (no `select_dtypes`, `filter` takes "
        "expressions, the labels are a plain list without `.str`): offer nothing else.",
    ],
}


def render(results):
    engines = {name: column for result in results for name, column in result.items()}
    first = next(iter(engines.values()))
    tables = list(first["dtypes"])
    lines = [
        "# The generated code on engines with the pandas API",
        "",
        "Written by `scripts/engines --write` (`docs/engines.py`). `scripts/test --engines`, part of the "
        "full test run, fails when an engine's answer, a version below or any other line here changes, so "
        "this page is what the last run measured. Each code text the columns selector writes (taken from "
        "a `ColumnsSelector` built on the engine's own frame) runs on the engine and on pandas in the "
        "same environment, "
        f"on {len(tables)} real tables: " + ", ".join(tables) + ". \"every dtype\" adds to the table as "
        "read int8, int16, int32, uint8, float16, float32, Int64, Float64, boolean, ordered category and "
        "time-zone-aware datetime columns derived from its own columns (`devkit/columns_selector_devkit/tables.py`).",
        "",
        "A cell reads \"same\" when on every table the sub-frame code (`get_df_code()`, run by the host's "
        "`eval_code`) gives pandas' columns in pandas' order and the column-list code (the widget's "
        "`value`, that is `get_columns_code()` run by `eval_code`) gives pandas' labels; otherwise it "
        "names the note below.",
        "",
        "| code shape | code text | " + " | ".join(engines) + " |",
        "|---|---|" + "---|" * len(engines),
    ]
    notes = {name: [] for name in engines}
    for shape in [shape for shape in first["answers"] if not shape.startswith("instead: ")]:
        codes = first["answers"][shape][tables[0]][0]
        text = f"`{codes[0]}`" if shape != "names" else f"`{codes[0]}` (the chosen names)"
        cells = []
        for name, column in engines.items():
            found = collections.defaultdict(list)
            for table, (_, by_frame, by_list) in column["answers"][shape].items():
                said = [describe(answer, column["dtypes"][table]) for answer in (by_frame, by_list)]
                if said[0] == said[1] != "same":
                    found[said[0]].append(table)
                for which, words in zip(["sub-frame code", "column-list code"], said if said[0] != said[1] else []):
                    if words != "same":
                        found[f"{which}: {words}"].append(table)
            refs = []
            for said, where in found.items():
                note = f"{said} (on {on_tables(where, tables)})"
                if note not in notes[name]:
                    notes[name].append(note)
                refs.append(str(notes[name].index(note) + 1))
            cells.append("same" if not refs else
                         ("fails: " if any("fails" in s for s in found) else "differs: ") + ", ".join(refs))
        lines.append(f"| {shape} | {text} | " + " | ".join(cells) + " |")
    for name, column in engines.items():
        versions = ", ".join(f"{p} {v}" for p, v in column["versions"].items())
        lines += ["", f"## {name}", "", f"Versions: {versions}.", ""]
        if column["unloadable"]:
            lines.append("Columns it cannot load (left out of both frames before comparing):")
            lines += [f"- {dtype}: {error}" for dtype, error in column["unloadable"].items()]
            lines.append("")
        if notes[name]:
            lines.append("Notes:")
            lines += [f"{i}. {note}" for i, note in enumerate(notes[name], 1)]
        else:
            lines.append("Every code shape gives pandas' answer on every table.")
        instead = [shape for shape in column["answers"] if shape.startswith("instead: ")]
        if instead:
            lines += ["", "Code a host can write in place of a rule's code here, against pandas' answer for the "
                      "rule's own code:"]
        for shape in instead:
            answers = column["answers"][shape]
            code = next(iter(answers.values()))[0][0]
            said = collections.defaultdict(list)
            for table, (_, by_frame, _) in answers.items():
                said[describe(by_frame, column["dtypes"][table])].append(table)
            lines.append(f"- {shape[9:]}: `{code}`: " + "; ".join(
                f"{words} (on {on_tables(where, tables)})" for words, where in said.items()))
        lines += ["", "What a host on this engine must do:", *(f"- {advice}" for advice in ADVICE.get(name, []))]
    lines += ["", "## The widget on an engine's frame", "",
              "`ColumnsSelector` reads only the frame's column labels. Every cell above was measured through a "
              "`ColumnsSelector` built on the engine's frame (in a host's transformation): its code texts are "
              "those it writes on the pandas frame, and its `value` is checked against the engine's own "
              "answer for the column-list code.", ""]
    for name, column in engines.items():
        faults = "; ".join(f"{what} (on {on_tables(where, tables)})" for what, where in column["widget"].items())
        kinds = " or ".join(f"`{kind}`" for kind in column["value types"])
        lines.append(f"- {name}: " + (faults or "builds on every table; `value` gives what the engine answers for "
                                       f"the column-list code (its error where that fails), as a {kinds}."))
    lines.append("")
    return "\n".join(lines)


def on_tables(where, tables):
    """The tables named shortly: by variant where every dataset is concerned."""
    if len(where) == len(tables):
        return "every table"
    variants = dict.fromkeys(t.split(" (")[1][:-1] for t in tables)
    datasets = dict.fromkeys(t.split(" (")[0] for t in tables)
    hit = [v for v in variants if all(f"{d} ({v})" in where for d in datasets)]
    if len(where) == len(hit) * len(datasets):
        named = " and ".join(f'"{v}"' for v in hit)
        return f"the {named} variant{'s' if len(hit) > 1 else ''} of every dataset"
    return ", ".join(where)


def java_version():
    try:
        out = subprocess.run(["java", "-version"], capture_output=True, text=True, check=True).stderr
    except (OSError, subprocess.CalledProcessError):
        return "no Java"
    # The major version only: Debian's security updates change the rest.
    first = out.splitlines()[0]
    major = re.search(r'version "(\d+)', first).group(1)
    return f"{first.split()[0]} {major}"


def main():
    if sys.argv[1] == "probe":
        probe(sys.argv[2])
        return
    results = [json.loads(Path(p).read_text()) for p in sys.argv[2:]]
    text = render(results)
    if sys.argv[1] == "write":
        DOC.write_text(text, encoding="utf-8")
        print(f"wrote {DOC}")
        return
    old = DOC.read_text(encoding="utf-8") if DOC.exists() else ""
    if old != text:
        sys.stdout.writelines(difflib.unified_diff(old.splitlines(True), text.splitlines(True),
                                                   "docs/engines.md (committed)", "docs/engines.md (this run)"))
        sys.exit("docs/engines.md no longer says what the engines answer: see the diff above; "
                 "scripts/engines --write rewrites it")
    print("docs/engines.md matches what the engines answer")


if __name__ == "__main__":
    main()
