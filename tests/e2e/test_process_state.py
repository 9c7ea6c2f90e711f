"""What mxwarden does with the process state it is started in and with
output that cannot be written: the report is complete whatever the caller
did to SIGCHLD, and a report that never reached its reader is no success."""

import pytest

import sandbox

# Runs the program given after it with SIGCHLD blocked or ignored; Python
# itself also leaves SIGPIPE ignored, which the program must not inherit
# into its own children.
START = """
import os, signal, sys
if sys.argv[1] == "blocked":
    signal.pthread_sigmask(signal.SIG_BLOCK, {signal.SIGCHLD})
else:
    signal.signal(signal.SIGCHLD, signal.SIG_IGN)
os.execv(sys.argv[2], sys.argv[2:])
"""


@pytest.fixture(scope="module")
def sb():
    with sandbox.session() as box:
        yield box


@pytest.fixture(scope="module")
def report(sb):
    result = sb.run([sandbox.mxwarden(), "--features"])
    assert (result.returncode, result.stderr) == (0, "")
    assert len(result.stdout.splitlines()) == 59
    return result.stdout


@pytest.mark.parametrize("sigchld", ["blocked", "ignored"])
def test_features_whatever_sigchld_was(sb, report, sigchld):
    result = sb.run(["/usr/bin/python3", "-c", START, sigchld, sandbox.mxwarden(),
                     "--features"], timeout=30)
    assert (result.returncode, result.stderr, result.stdout) == (0, "", report)


@pytest.mark.parametrize("args", [["--features"], ["--help-commands"]])
def test_full_standard_output_is_a_failure(sb, args):
    result = sb.run(["/bin/sh", "-c", 'exec "$0" "$@" > /dev/full', sandbox.mxwarden(), *args])
    assert result.returncode == 1
    assert result.stderr.startswith("mxwarden: write error on standard output")


def test_closed_standard_error_does_not_hide_success(sb):
    result = sb.run(["/bin/sh", "-c", 'exec "$0" --features 2>&-', sandbox.mxwarden()])
    assert result.returncode == 0
