"""Helpers of the server settings tests: the mxwarden run, exact output
checks, main.cf through postconf and an SMTP client inside the sandbox."""

import json
import os
import time

import sandbox
from mail_setup import check  # noqa: F401 (the settings tests take it from here)

QUARN = sandbox.QUARN

# Speaks SMTP to the sandbox's Postfix: EHLO, then each command of argv[1]
# (a JSON list) until one is refused; prints [code, text] of every reply.
# "BODY <n>" sends a message of about n bytes in lines of 78 and the dot.
SMTP = r"""
import json, smtplib, sys
s = smtplib.SMTP("127.0.0.1", 25)
replies = [s.ehlo("client.example")]
for command in json.loads(sys.argv[1]):
    if command.startswith("BODY "):
        line = b"x" * 76 + b"\r\n"
        s.send(b"Subject: size\r\n\r\n" + line * (int(command[5:]) // len(line)))
        command = "."
    replies.append(s.docmd(command))
    if replies[-1][0] >= 400:
        break
s.close()
print(json.dumps([[code, text.decode()] for code, text in replies]))
"""


def settle(sb):
    """Date main.cf back: postconf and postfix wait until main.cf is two
    seconds old, lest they read a file still being written, and every test
    step would pay that wait two or three times."""
    past = time.time() - 10
    os.utime(sb.path("/etc/postfix/main.cf"), (past, past))


def mx(sb, *args):
    settle(sb)
    return sb.run([sandbox.mxwarden(), *args])


def fatal(result, kind, message):
    line = f"Fatal error: {kind}({message})\n"
    check(result, 1, out=line, err=line)


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


def smtp(sb, *commands):
    result = sb.run(["python3", "-c", SMTP, json.dumps(list(commands))], check=True)
    return json.loads(result.stdout)


def last_code(replies):
    return replies[-1][0]




COURIER_FILES = ("imapd", "imapd-ssl", "pop3d", "pop3d-ssl")
CLEANER = "/usr/lib/quarn-9.0/postfix-poplockdb-clean"
MILTER_SETTINGS = "/etc/sysconfig/vel-kx-remote"


def courier_settings(sb):
    """The four Courier-IMAP settings files, name to content."""
    return {name: sb.read(f"/etc/courier-imap/{name}") for name in COURIER_FILES}


def crontab_l(sb):
    """Root's crontab as the crontab program lists it, "" when there is none."""
    return sb.run(["crontab", "-l", "-u", "root"]).stdout


def crontab_set(sb, table):
    sb.run(["crontab", "-u", "root", "-"], input=table, check=True)
