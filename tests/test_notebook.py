"""The demo notebook, run headless in a kernel as JupyterLab's "Run All" would, plus two steps of a user."""

from pathlib import Path

from real_use import need

EXAMPLES = Path(__file__).resolve().parent.parent / "examples"


def test_demo_notebook_runs_and_shows_code_after_each_change():
    nbformat, nbclient = need("nbformat"), need("nbclient")
    need("palmerpenguins")
    notebook = nbformat.read(EXAMPLES / "demo.ipynb", as_version=4)
    notebook.cells += [nbformat.v4.new_code_cell(source) for source in (
        "print(result.value)",
        "selector.value = ['island', 'species']\nprint(result.value)",
        "selector.value = ['[Columns with data type]']\nprint(result.value)",
    )]
    nbclient.NotebookClient(notebook, timeout=120, kernel_name="python3",
                            resources={"metadata": {"path": str(EXAMPLES)}}).execute()
    outputs = [output for cell in notebook.cells if cell.cell_type == "code" for output in cell.outputs]
    assert not [output for output in outputs if output.output_type == "error"]
    start, names, dtype = (cell.outputs[0].text for cell in notebook.cells[-3:])
    # Before any change the widget shows the user message of an empty choice, as HTML.
    assert "No columns are selected.<br>Please select one or multiple columns" in start
    assert "df[[&#x27;island&#x27;, &#x27;species&#x27;]]" in names and "344 rows × 2 columns" in names
    # The data-type dropdown holds its first type at once: code, not an error.
    assert "df.select_dtypes([&#x27;number&#x27;])" in dtype and "demo-error" not in dtype
