"""The command line of mxwarden: dispatch, help texts, usage errors and the
top-level error report, checked byte for byte on both output streams."""

import pytest

from command_table import ROWS
from mail_setup import check, run

# Every word runs in the sandbox (the `box` fixture): some commands act
# whatever their arguments (the legacy service words ignore --help).

USAGE = (
    "Usage: mxwarden <COMMAND> <COMMAND OPTIONS...>\n"
    "\t for a complete list of commands use ``mxwarden --help-commands''\n"
    "\t for help on syntax for a particular command use ``mxwarden <COMMAND> --help''\n"
    "\t for legacy complete help use ``mxwarden --help-legacy''\n"
)


def commands_text():
    width = max(len(r[2]) for r in ROWS) + 2
    return "Mxwarden commands:\n" + "".join(r[2].ljust(width) + r[4] + "\n" for r in ROWS)


def legacy_text():
    return "Usage: mxwarden [OPTIONS]... \n" + "".join(
        "  %s %s\n        %s\n" % (r[2], r[3], r[4]) for r in ROWS)


def test_no_command(box):
    check(run(box), 1, err="Error: no command specified\n" + USAGE)


@pytest.mark.parametrize("word", [
    "--bogus", "-x", "--ADD-DOMAIN", "--add-domain=example.com", "--add-dom", "add-domain", "",
])
def test_invalid_command(box, word):
    check(run(box, word, "--domain-name=example.com"), 1,
          err="Error: invalid command " + word + "\n" + USAGE)


# The short usage, the command list padded to 39 columns, the legacy help
# with its continuation lines; words after a help word are ignored.
@pytest.mark.parametrize("args, text", [
    (["--help"], USAGE),
    (["-h"], USAGE),
    (["--help", "--bogus", "x"], USAGE),
    (["--help-commands"], commands_text()),
    (["--help-commands", "--help", "x"], commands_text()),
    (["--help-legacy"], legacy_text()),
    (["--help-legacy", "--add-domain"], legacy_text()),
])
def test_help_texts(box, args, text):
    check(run(box, *args), 0, out=text)


DEPRECATED = {
    "--update-handler": "ERROR: this action is deprecated. Please use the hookwarden utlitity\n",
    "--check-handler": "ERROR: This action is deprecated. Please use the hookwardens utility\n",
}


@pytest.mark.parametrize("word", sorted(DEPRECATED))
def test_deprecated_handler_commands_ignore_arguments(box, word):
    text = DEPRECATED[word]
    check(run(box, word), 1, out=text, err=text)
    check(run(box, word, "--help", "--handler-name=x"), 1, out=text, err=text)
