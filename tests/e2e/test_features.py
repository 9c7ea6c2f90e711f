"""The feature report: 58 fixed lines and one computed from Postfix's version."""

import os
import sys

import pytest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sandbox  # noqa: E402

FIXED = [
    ("MailName_SetName", "true"), ("MailName_SetDomain", "true"),
    ("MailName_Quota", "true"), ("MailName_SetQuota", "true"),
    ("MailName_Size", "true"), ("MailName_Password", "true"),
    ("MailName_SetPassword", "true"), ("MailName_Postbox", "true"),
    ("MailName_SetPostbox", "true"), ("MailName_Forward", "true"),
    ("MailName_MultiForward", "true"), ("MailName_SetForward", "true"),
    ("MailName_AutoResponder", "true"), ("MailName_SetAutoResponder", "true"),
    ("MailName_Aliases", "true"), ("Domain_SetName", "true"),
    ("Domain_Enable", "true"), ("Domain_SetEnable", "true"),
    ("Domain_Quota", "true"), ("Domain_SetQuota", "true"),
    ("Domain_Bounce", "true"), ("Domain_SetBounce", "true"),
    ("Domain_Catch", "true"), ("Domain_SetCatch", "true"),
    ("Domain_Reject", "true"), ("Common_BadMail", "true"),
    ("Common_MaxLetterSize", "true"), ("Common_SetMaxLetterSize", "true"),
    ("Relay", "true"), ("Relay_Set", "true"), ("Relay_Open", "true"),
    ("Relay_Closed", "true"), ("Relay_AuthorizationIsRequired", "true"),
    ("Relay_AuthType_None", "true"), ("Relay_AuthType_POP3_SMTP", "true"),
    ("Relay_AuthType_POP3", "false"), ("Relay_AuthType_SMTP", "true"),
    ("Relay_POP3_LockTime", "true"), ("Relay_WhiteList", "true"),
    ("Relay_WhiteList_Mask", "true"), ("Relay_BlackList", "true"),
    ("Relay_WhiteList_BlackList", "true"), ("MapsProtection", "true"),
    ("SetMapsProtection", "true"), ("AccountsFormat_Simple", "false"),
    ("AccountsFormat_Compound", "true"), ("AccountsFormat_Both", "false"),
    ("AccountsFormat_Set", "true"), ("Mail_Send", "true"),
    ("Mail_Attachments", "true"), ("Mail_Forward", "true"),
    ("SMTP_Server", '"Postfix"'), ("IMAP_POP3_Server", '"Courier-IMAP"'),
    ("SMTP_Server_package", '"postfix"'),
    ("IMAP_POP3_Server_package", '"courier-imap"'),
    ("Message_Submission", "true"), ("Message_Submission_all_IP", "true"),
    ("Message_Submission_Dedicated_IP", "false"),
]


def report(sdd):
    lines = FIXED + [("SDD_Transport_Maps", sdd)]
    return "".join(f"$features['{name}'] = {value};\n" for name, value in lines)


@pytest.fixture(scope="module")
def sb():
    with sandbox.Sandbox() as box:
        yield box


def version_above_2_7(version):
    return ["2", "7"] < version.split(".")


def test_report_with_the_installed_postfix(sb):
    version = sb.run(["/usr/sbin/postconf", "-d", "-h", "mail_version"]).stdout.strip()
    expected = report("true" if version_above_2_7(version) else "false")
    assert len(expected.splitlines()) == 59
    for args in ([], ["--domain-name=ignored", "extra"]):
        result = sb.run([sandbox.mxwarden(), "--features", *args])
        assert (result.returncode, result.stderr) == (0, "")
        assert result.stdout == expected


# A stand-in postconf shows how other versions are judged; the sandbox's
# overlay keeps the host's own program untouched.
@pytest.fixture(scope="module")
def fake_box():
    with sandbox.Sandbox() as box:
        yield box


@pytest.mark.parametrize("version, sdd", [("2.10.1", "false"), ("2.7.1", "true")])
def test_sdd_follows_the_reported_version(fake_box, version, sdd):
    fake_box.write("/usr/sbin/postconf",
                   f"#!/bin/sh\n[ \"$*\" = '-d -h mail_version' ] || exit 9\necho {version}\n",
                   mode=0o755)
    result = fake_box.run([sandbox.mxwarden(), "--features"])
    assert (result.returncode, result.stderr) == (0, "")
    assert result.stdout == report(sdd)


def test_failing_postconf_is_a_fatal_error(fake_box):
    fake_box.write("/usr/sbin/postconf", "#!/bin/sh\necho broken >&2\nexit 3\n", mode=0o755)
    result = fake_box.run([sandbox.mxwarden(), "--features"])
    assert result.returncode == 1
    assert result.stderr.startswith(
        "Fatal error: quarn::Exc<&quarn::ExecCmd::Failed>(")
    assert "Stderr is\nbroken\n" in result.stderr
