"""The oracle of the fuzz: the devkit's twin, the module written as plain Python, run step for step as the module runs.

`make_twin(module)` compiles that source under the module's own file name, with each f-string turned into
`cat(...)`: the module evaluates every piece of a code text before it turns any into text, where an f-string
formats each piece as it goes. It runs it in a fresh namespace that holds the module's host names and tables,
so that every name is looked up, every error raised, every host call made and every traceback entry added
exactly as the interpreter does it for these steps.
"""
import ast
import inspect

from columns_selector_devkit import twin

FILE = "<ostrel.transformations.columns_selector>"
# The data-type families: the whole-frame class of each, its label in DTYPE_OPTIONS and its select_dtypes argument.
FAMILIES = list(zip("""NumericColumns StringOrObjectColumns StringColumns ObjectColumns CategoryColumns IntegerColumns
    FloatColumns BooleanColumns DatetimeColumns TimedeltaColumns""".split(), "Numeric|String/Text or Object|"
                    "String only|Object only|Categoric/Factor|Integer|Float|Boolean|Datetime|Timedelta".split("|"),
                    "'number'|['string', 'object']|'string'|'object'|'category'|'int'|'float'|'bool'|'datetime'|"
                    "'timedelta'".split("|")))

# The rules that test a column name against a typed text: the class of each and its string operation.
STRING_OPERATIONS = {"ColumnsThatStartWith": "startswith", "ColumnsThatEndWith": "endswith",
                     "ColumnsThatContain": "contains"}


class InOrder(ast.NodeTransformer):
    def visit_JoinedStr(self, node):  # f"{a!s}b{c!r}" -> cat(str(a), "b", repr(c))
        assert not any(getattr(p, "format_spec", None) for p in node.values)
        pieces = [p if isinstance(p, ast.Constant) else p.value if p.conversion == -1 else
                  ast.Call(ast.Name({115: "str", 114: "repr"}[p.conversion], ast.Load()), [p.value], [])
                  for p in node.values]
        return ast.copy_location(ast.Call(ast.Name("cat", ast.Load()), pieces, []), node)


TREE = ast.parse(inspect.getsource(twin))
CODE = compile(ast.fix_missing_locations(InOrder().visit(TREE)), FILE, "exec")


def cat(*pieces):
    return "".join([format(piece, "") for piece in pieces])


def make_twin(module):
    """A namespace with the module's host names, labels and tables, and the twin's classes."""
    bound = {name: value for name, value in vars(module).items()
             if name != "SELECTOR_OPTIONS" and not (isinstance(value, type) and issubclass(value, module.widgets.VBox))}
    namespace = dict(bound, cat=cat)
    exec(CODE, namespace)
    namespace.update(bound)  # the host's names, which the twin leaves unbound
    return namespace
