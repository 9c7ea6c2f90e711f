"""The feature report: 58 fixed lines and one computed from Postfix's
version; and what mxwarden does with the process state it is started in and
with output that cannot be written: the report is complete whatever the
caller did to SIGCHLD, and a report that never reached its reader is no
success."""

import pytest

import sandbox

# The fixed lines in order: "true" unless VALUES gives another value.
FIXED_NAMES = """
    MailName_SetName MailName_SetDomain MailName_Quota MailName_SetQuota MailName_Size
    MailName_Password MailName_SetPassword MailName_Postbox MailName_SetPostbox MailName_Forward
    MailName_MultiForward MailName_SetForward MailName_AutoResponder MailName_SetAutoResponder
    MailName_Aliases Domain_SetName Domain_Enable Domain_SetEnable Domain_Quota Domain_SetQuota
    Domain_Bounce Domain_SetBounce Domain_Catch Domain_SetCatch Domain_Reject Common_BadMail
    Common_MaxLetterSize Common_SetMaxLetterSize Relay Relay_Set Relay_Open Relay_Closed
    Relay_AuthorizationIsRequired Relay_AuthType_None Relay_AuthType_POP3_SMTP
    Relay_AuthType_POP3 Relay_AuthType_SMTP Relay_POP3_LockTime Relay_WhiteList
    Relay_WhiteList_Mask Relay_BlackList Relay_WhiteList_BlackList MapsProtection
    SetMapsProtection AccountsFormat_Simple AccountsFormat_Compound AccountsFormat_Both
    AccountsFormat_Set Mail_Send Mail_Attachments Mail_Forward SMTP_Server IMAP_POP3_Server
    SMTP_Server_package IMAP_POP3_Server_package Message_Submission Message_Submission_all_IP
    Message_Submission_Dedicated_IP
""".split()
VALUES = {
    "Relay_AuthType_POP3": "false", "AccountsFormat_Simple": "false",
    "AccountsFormat_Both": "false", "Message_Submission_Dedicated_IP": "false",
    "SMTP_Server": '"Postfix"', "IMAP_POP3_Server": '"Courier-IMAP"',
    "SMTP_Server_package": '"postfix"', "IMAP_POP3_Server_package": '"courier-imap"',
}
FIXED = [(name, VALUES.get(name, "true")) for name in FIXED_NAMES]


def report(sdd):
    lines = FIXED + [("SDD_Transport_Maps", sdd)]
    return "".join(f"$features['{name}'] = {value};\n" for name, value in lines)


@pytest.fixture(scope="module")
def expected(box):
    """The report with the installed Postfix."""
    version = box.run(["/usr/sbin/postconf", "-d", "-h", "mail_version"]).stdout.strip()
    return report("true" if ["2", "7"] < version.split(".") else "false")


def test_report_with_the_installed_postfix(box, expected):
    assert len(expected.splitlines()) == 59
    for args in ([], ["--domain-name=ignored", "extra"]):
        result = box.run([sandbox.mxwarden(), "--features", *args])
        assert (result.returncode, result.stderr) == (0, "")
        assert result.stdout == expected


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


@pytest.mark.parametrize("sigchld", ["blocked", "ignored"])
def test_features_whatever_sigchld_was(box, expected, sigchld):
    result = box.run(["/usr/bin/python3", "-c", START, sigchld, sandbox.mxwarden(),
                     "--features"], timeout=30)
    assert (result.returncode, result.stderr, result.stdout) == (0, "", expected)


@pytest.mark.parametrize("args", [["--features"], ["--help-commands"]])
def test_full_standard_output_is_a_failure(box, args):
    result = box.run(["/bin/sh", "-c", 'exec "$0" "$@" > /dev/full', sandbox.mxwarden(), *args])
    assert result.returncode == 1
    assert result.stderr.startswith("mxwarden: write error on standard output")


def test_closed_standard_error_does_not_hide_success(box):
    result = box.run(["/bin/sh", "-c", 'exec "$0" --features 2>&-', sandbox.mxwarden()])
    assert result.returncode == 0


def test_failing_postconf_is_a_fatal_error():
    # A stand-in postconf; the sandbox's overlay keeps the host's own untouched.
    with sandbox.Sandbox() as fake:
        fake.write("/usr/sbin/postconf", "#!/bin/sh\necho broken >&2\nexit 3\n", mode=0o755)
        result = fake.run([sandbox.mxwarden(), "--features"])
    assert result.returncode == 1
    assert result.stderr.startswith(
        "Fatal error: quarn::Exc<&quarn::ExecCmd::Failed>(")
    assert "Stderr is\nbroken\n" in result.stderr
