"""The command line of mxwarden: dispatch, help texts, usage errors and the
top-level error report, checked byte for byte on both output streams."""

import pytest

from command_table import ROWS
import sandbox
from mail_setup import check

USAGE = (
    "Usage: mxwarden <COMMAND> <COMMAND OPTIONS...>\n"
    "\t for a complete list of commands use ``mxwarden --help-commands''\n"
    "\t for help on syntax for a particular command use ``mxwarden <COMMAND> --help''\n"
    "\t for legacy complete help use ``mxwarden --help-legacy''\n"
)


@pytest.fixture(scope="module", autouse=True)
def box():
    # Every word runs in the sandbox: some commands act whatever their
    # arguments (the legacy service words ignore --help).
    global _box
    with sandbox.session() as sb:
        _box = sb
        yield sb


def run(*args):
    return _box.run([sandbox.mxwarden(), *args])


def commands_text():
    width = max(len(r[2]) for r in ROWS) + 2
    return "Mxwarden commands:\n" + "".join(r[2].ljust(width) + r[4] + "\n" for r in ROWS)


def legacy_text():
    return "Usage: mxwarden [OPTIONS]... \n" + "".join(
        "  %s %s\n        %s\n" % (r[2], r[3], r[4]) for r in ROWS)


def test_no_command():
    check(run(), 1, err="Error: no command specified\n" + USAGE)


@pytest.mark.parametrize("word", [
    "--bogus", "-x", "--ADD-DOMAIN", "--add-domain=example.com", "--add-dom", "add-domain", "",
])
def test_invalid_command(word):
    check(run(word, "--domain-name=example.com"), 1,
          err="Error: invalid command " + word + "\n" + USAGE)


@pytest.mark.parametrize("args", [["--help"], ["-h"], ["--help", "--bogus", "x"]])
def test_short_help(args):
    check(run(*args), 0, out=USAGE)


def test_command_list_has_every_row_padded_to_39():
    assert len(ROWS) == 76
    text = commands_text()
    assert "--remove-domain-from-sender-transport  remove domain" in text
    check(run("--help-commands"), 0, out=text)
    check(run("--help-commands", "--help", "extra"), 0, out=text)


def test_legacy_help_keeps_continuation_lines():
    text = legacy_text()
    assert ("        renames a mailname in the mail domain. Optionally sets the mailbox password.\n"
            "        The noncrypted password is transferred in the environment variable VEL_PASSWORD,\n"
            in text)
    assert "  --features \n" in text, "a row without syntax keeps its single space"
    check(run("--help-legacy"), 0, out=text)
    check(run("--help-legacy", "--add-domain"), 0, out=text)


def test_every_command_word_is_known():
    # Each word reaches a handler: none of them is an invalid command.
    words = [r[0] for r in ROWS] + [r[1] for r in ROWS if r[1]]
    assert len(words) == 89
    for word in words:
        if word.startswith("--help") or word == "-h":
            continue
        r = run(word, "--help")
        assert "invalid command" not in r.stderr, word


DEPRECATED = {
    "--update-handler": "ERROR: this action is deprecated. Please use the hookwarden utlitity\n",
    "--check-handler": "ERROR: This action is deprecated. Please use the hookwardens utility\n",
}


@pytest.mark.parametrize("word", sorted(DEPRECATED))
def test_deprecated_handler_commands_ignore_arguments(word):
    text = DEPRECATED[word]
    check(run(word), 1, out=text, err=text)
    check(run(word, "--help", "--handler-name=x"), 1, out=text, err=text)
