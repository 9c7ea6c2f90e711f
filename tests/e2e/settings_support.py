"""Helpers of the server settings tests: the mxwarden run, option errors,
main.cf through postconf; exact output checks and the SMTP client come from
mail_setup."""

import os
import time

import sandbox
# The settings tests take these from here.
from mail_setup import check, fatal, last_code, smtp  # noqa: F401

def settle(sb):
    """Date main.cf back: postconf and postfix wait until main.cf is two
    seconds old, lest they read a file still being written, and every test
    step would pay that wait two or three times."""
    past = time.time() - 10
    os.utime(sb.path("/etc/postfix/main.cf"), (past, past))


def mx(sb, *args):
    settle(sb)
    return sb.run([sandbox.mxwarden(), *args])


def option_error(result, message):
    """An option error: the message on both streams, the help on stdout."""
    assert result.returncode == 1
    assert result.stderr == message + "\n"
    assert result.stdout.startswith(message + "\n")
    assert "Usage: " in result.stdout


def postconf_n(sb, name):
    """main.cf's explicit setting of a parameter, "" when it has none."""
    settle(sb)
    return sb.run(["/usr/sbin/postconf", "-n", name], check=True).stdout


def postconf_set(sb, *settings):
    sb.run(["/usr/sbin/postconf", "-e", *settings], check=True)


def assert_postfix_check_clean(sb):
    settle(sb)
    result = sb.run(["/usr/sbin/postfix", "check"])
    assert (result.returncode, result.stderr) == (0, "")
