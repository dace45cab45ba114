import ast
import random

import pytest

from ostrel import helper

NASTY = [
    "", "plain", "it's", 'say "hi"', "both ' and \"", "'''", '"""',
    "back\\slash", "ends with backslash\\", "\\n is not a newline",
    "new\nline", "cr\r\nlf", "\ttab", "\x00nul", "\x7f\x1b[0m", "{braces} %s",
    "é ü ß 中文", "snake 🐍", "\u2028\u2029", "\u00a0nbsp", "\ufeffbom",
    "\ud800", "lone low \udfff", "\udcff\ud83d", "^$", "e$",
]


def assert_literal_for(text):
    code = helper.string_to_code(text)
    assert type(code) is str
    # One plain literal on one line: it is pasted into generated code.
    assert isinstance(ast.parse(code, mode="eval").body, ast.Constant)
    assert "\n" not in code and "\r" not in code
    assert eval(code) == text


@pytest.mark.parametrize("text", NASTY)
def test_string_to_code_round_trips(text):
    assert_literal_for(text)


def test_string_to_code_round_trips_generated_strings():
    rng = random.Random(20240601)
    pools = [range(0, 0x80), range(0x80, 0x800), range(0xD800, 0xE000),
             range(0xE000, 0x10000), range(0x10000, 0x110000)]
    for _ in range(2000):
        text = "".join(chr(rng.choice(rng.choice(pools)))
                       for _ in range(rng.randrange(0, 12)))
        assert_literal_for(text)


def test_string_to_code_ignores_str_subclass_repr():
    class Shouty(str):
        def __repr__(self):
            return "NOT A LITERAL"

    assert eval(helper.string_to_code(Shouty("a'b"))) == "a'b"


@pytest.mark.parametrize("value", [b"bytes", 1, None, ["a"]])
def test_string_to_code_rejects_non_str(value):
    with pytest.raises(TypeError, match="str"):
        helper.string_to_code(value)

