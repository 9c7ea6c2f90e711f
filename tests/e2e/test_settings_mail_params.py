"""--set-mail-params, --update-spf and --set-accounts-format against a running
Postfix: the Courier settings files, the milter's switch, root's crontab as
`crontab -l` lists it, main.cf as `postconf -n` shows it, and the order of
the milter restart and Postfix's reload, seen by probes in front of the init
scripts."""

import re

import pytest

from settings_support import assert_postfix_check_clean, check, fatal, mx, option_error, settle
import sandbox

QUARN = sandbox.QUARN
COURIER_FILES = ("imapd", "imapd-ssl", "pop3d", "pop3d-ssl")
CLEANER = "/usr/lib/quarn-9.0/postfix-poplockdb-clean"
MILTER_SETTINGS = "/etc/sysconfig/vel-kx-remote"

# Put in front of an init script: notes, when the service is called, what
# the other steps have done by then (active cleaner lines in root's crontab,
# the milter's switch lines, the first relay restriction of main.cf).
PROBE = r"""#!/bin/sh
PATH=/usr/sbin:/usr/bin:/sbin:/bin
name=$(basename "$0")
cron=$(crontab -l -u root 2>/dev/null | grep -c '^[^#]*postfix-poplockdb-clean')
milter=$(grep -c kx_milter_pop_before_smtp /etc/sysconfig/vel-kx-remote)
relay=$(sed -n 's/^smtpd_recipient_restrictions = \([^,]*\).*/\1/p' /etc/postfix/main.cf)
echo "$name $* cron=$cron milter=$milter relay=$relay" >>/run/sandbox/probe.log
exec /run/sandbox/real/"$name" "$@"
"""
SERVICES = ("postfix", "courier-imap", "kx-remote")
PROBE_LOG = "/run/sandbox/probe.log"

COURIER_HEAD = "# settings of the test\n"
COURIER_START = COURIER_HEAD + "SHORTNAMES=1\nPOPLOCK_TIME=5\n"
MILTER_START = "kx_other=1\n"
CRONTAB_START = f"# keep\n1,31 * * * * {CLEANER}\n"
RELAY_PARAMS = ("smtpd_recipient_restrictions", "smtpd_sasl_auth_enable", "mynetworks")
PLAIN_NETWORKS = "127.0.0.0/8"
POPLOCK_NETWORKS = f"127.0.0.0/8, hash:{QUARN}/poplock"

SENDER_ACCESS = f"check_client_access pcre:{QUARN}/no_relay.re"
OPEN = f"permit, {SENDER_ACCESS}, reject"
AUTH = (f"permit_mynetworks, {SENDER_ACCESS}, permit_sasl_authenticated, "
        "reject_unauth_destination")
OWN = f"permit_mynetworks, {SENDER_ACCESS}, reject_unauth_destination"


@pytest.fixture(scope="module")
def box():
    with sandbox.Sandbox(postfix=True) as shared:
        shared.sh("mkdir -p /run/sandbox/real && for s in " + " ".join(SERVICES) +
                  "; do mv /etc/init.d/$s /run/sandbox/real/; done", check=True)
        for service in SERVICES:
            shared.write(f"/etc/init.d/{service}", PROBE, mode=0o755)
        shared.postmap_add("poplock", "192.0.2.1", "ok")
        yield shared


@pytest.fixture
def sb(box):
    """The module's sandbox with every file these commands change reset."""
    for name in COURIER_FILES:
        box.write(f"/etc/courier-imap/{name}", COURIER_START)
    box.write(MILTER_SETTINGS, MILTER_START)
    box.run(["crontab", "-u", "root", "-"], input=CRONTAB_START, check=True)
    box.run(["/usr/sbin/postconf", "-X", *RELAY_PARAMS[:2]], check=True)
    box.run(["/usr/sbin/postconf", "-e", "mynetworks=" + POPLOCK_NETWORKS], check=True)
    box.sh(f"rm -f {PROBE_LOG} /run/sandbox/initd/*.fail-*", check=True)
    return box


def courier_settings(sb):
    """The four Courier-IMAP settings files, name to content."""
    return {name: sb.read(f"/etc/courier-imap/{name}") for name in COURIER_FILES}


def crontab_l(sb):
    """Root's crontab as the crontab program lists it, "" when there is none."""
    return sb.run(["crontab", "-l", "-u", "root"]).stdout


def probe_log(sb):
    return sb.read(PROBE_LOG).splitlines() if sb.exists(PROBE_LOG) else []


def main_cf(sb):
    """main.cf's explicit settings of RELAY_PARAMS, None where it has none."""
    settle(sb)
    out = sb.run(["/usr/sbin/postconf", "-n", *RELAY_PARAMS], check=True).stdout
    found = dict(line.split(" = ", 1) for line in out.splitlines())
    return tuple(found.get(name) for name in RELAY_PARAMS)


def assert_cleaner_line(table, period):
    """Root's crontab: the kept comment and, when period is set, the cleaner
    every period minutes from a minute below the period."""
    want = ["# keep"]
    if period is not None:
        start = int(re.match(r"\d+", table.splitlines()[-1]).group())
        assert start < period, table
        want.append(",".join(map(str, range(start, 60, period))) + "\t*\t*\t*\t*\t" + CLEANER)
    assert table.splitlines() == want, table


# args, Courier lines after the head, cleaner period, milter switch on,
# (smtpd_recipient_restrictions, smtpd_sasl_auth_enable, mynetworks)
MAIL_PARAMS = {
    "none": ([], "POPLOCK_TIME=5\n", None, False, (OWN, "no", PLAIN_NETWORKS)),
    "relay": (["--relayclient"], "POPLOCK_TIME=5\nRELAYCLIENT=\n", None, False,
              (OPEN, None, POPLOCK_NETWORKS)),
    "smtpauth": (["--smtpauth"], "POPLOCK_TIME=5\n", None, False, (AUTH, "yes", PLAIN_NETWORKS)),
    "popauth without time": (["--popauth"], "POPLOCK_TIME=5\nPOPAUTH=1\n", None, True,
                             (OWN, "no", POPLOCK_NETWORKS)),
    "popauth": (["--popauth", "--poplock-time=20"], "POPLOCK_TIME=20\nPOPAUTH=1\n", 20, True,
                (OWN, "no", POPLOCK_NETWORKS)),
    "smtpauth popauth": (["--smtpauth", "--popauth", "--poplock-time=90"],
                         "POPLOCK_TIME=90\nPOPAUTH=1\n", 60, True,
                         (AUTH, "yes", POPLOCK_NETWORKS)),
    "relay smtpauth": (["--relayclient", "--smtpauth"], "POPLOCK_TIME=5\nRELAYCLIENT=\n",
                       None, False, (OPEN, None, POPLOCK_NETWORKS)),
    "relay popauth": (["--relayclient", "--popauth", "--poplock-time=0"],
                      "RELAYCLIENT=\nPOPAUTH=1\n", None, True, (OPEN, None, POPLOCK_NETWORKS)),
    "all": (["--relayclient", "--smtpauth", "--popauth", "--poplock-time=30"],
            "POPLOCK_TIME=30\nRELAYCLIENT=\nPOPAUTH=1\n", 30, True,
            (OPEN, None, POPLOCK_NETWORKS)),
    "time without popauth": (["--poplock-time=20"], "POPLOCK_TIME=20\n", None, False,
                             (OWN, "no", PLAIN_NETWORKS)),
}


@pytest.mark.parametrize("case", sorted(MAIL_PARAMS))
def test_set_mail_params(sb, case):
    args, courier, period, switch, relay = MAIL_PARAMS[case]
    check(mx(sb, "--set-mail-params", *args), 0)
    assert courier_settings(sb) == {name: COURIER_HEAD + courier for name in COURIER_FILES}
    want_milter = MILTER_START + ("kx_milter_pop_before_smtp=1\n" if switch else "")
    assert sb.read(MILTER_SETTINGS) == want_milter
    assert_cleaner_line(crontab_l(sb), period)
    assert main_cf(sb) == relay
    assert_postfix_check_clean(sb)
    # Crontab, Courier (restarted by its settings), milter switch, main.cf,
    # milter restart, reload.
    cron, milter, first = int(period is not None), int(switch), relay[0].split(",")[0]
    assert probe_log(sb) == [
        f"courier-imap restart cron={cron} milter=0 relay=",
        f"kx-remote restart cron={cron} milter={milter} relay={first}",
        f"postfix reload cron={cron} milter={milter} relay={first}",
    ]


def test_set_mail_params_refuses_shortnames_unchanged(sb):
    fatal(mx(sb, "--set-mail-params", "--relayclient", "--popauth", "--poplock-time=20",
             "--shortnames"), "quarn::NotSupportedError",
          "short account-format is not supported for Postfix isn't supported")
    option_error(mx(sb, "--set-mail-params", "--poplock-time=40000"),
                 "the argument ('40000') for option '--poplock-time' is invalid")
    assert courier_settings(sb) == {name: COURIER_START for name in COURIER_FILES}
    assert sb.read(MILTER_SETTINGS) == MILTER_START
    assert crontab_l(sb) == CRONTAB_START
    assert main_cf(sb) == (None, None, POPLOCK_NETWORKS)
    assert probe_log(sb) == []


# A failing Courier restart stops the run before the milter and main.cf; the
# milter restart's result is not judged, and Postfix still reloads.
@pytest.mark.parametrize("service, status, calls", [
    ("courier-imap", 1, ["courier-imap restart"]),
    ("kx-remote", 0, ["courier-imap restart", "kx-remote restart", "postfix reload"]),
])
def test_set_mail_params_service_failures(sb, service, status, calls):
    sb.write(f"/run/sandbox/initd/{service}.fail-restart", "1")
    message = f"Service /etc/init.d/{service} failed to restart\n"
    check(mx(sb, "--set-mail-params", "--popauth", "--poplock-time=20"), status,
          out=message, err=message)
    assert [" ".join(line.split()[:2]) for line in probe_log(sb)] == calls
    switched = status == 0
    assert (sb.read(MILTER_SETTINGS) != MILTER_START) == switched
    assert (main_cf(sb) != (None, None, POPLOCK_NETWORKS)) == switched


# SPF

SPF_FILES = ("spfbehavior", "spfrules", "spfguess", "spfexp")


@pytest.mark.parametrize("args, want", [
    (["--spf-behavior=3", "--spf-rules=include:spf.example", "--spf-guess=v=spf1 a/24 mx/24",
      "--spf-exp=Rejected: %{i}"], ["3", "include:spf.example", "v=spf1 a/24 mx/24",
                                    "Rejected: %{i}"]),
    (["--spf-rules=v=spf1 a"], ["-", "v=spf1 a", "-", "-"]),
    ([], ["-", "-", "-", "-"]),
])
def test_update_spf(sb, args, want):
    check(mx(sb, "--update-spf", *args), 0)
    assert [sb.read(f"/etc/vel-spf/{name}") for name in SPF_FILES] == want


def test_update_spf_stops_at_the_first_failure(sb):
    sb.sh("rm -f /etc/vel-spf/* && mkdir /etc/vel-spf/spfguess", check=True)
    try:
        result = mx(sb, "--update-spf", "--spf-rules=a", "--spf-guess=b", "--spf-exp=c")
    finally:
        sb.sh("rmdir /etc/vel-spf/spfguess", check=True)
    message = ("Unable to close file /etc/vel-spf/spfguess: Is a directory\n"
               "System error 21: Is a directory\n"
               "Unable to update 'spf_guess' parameter\n")
    check(result, 1, out=message, err=message)
    assert sb.listdir("/etc/vel-spf") == ["spfbehavior", "spfrules"]
    assert sb.read("/etc/vel-spf/spfrules") == "a"


# Account format


@pytest.mark.parametrize("fail, status, message", [
    (False, 0, ""),
    (True, 1, "Service /etc/init.d/courier-imap failed to restart\n"),
])
def test_set_accounts_format_compound(sb, fail, status, message):
    if fail:
        sb.write("/run/sandbox/initd/courier-imap.fail-restart", "1")
    check(mx(sb, "--set-accounts-format", "--account-format=compound"), status,
          out=message, err=message)
    want = COURIER_HEAD + "POPLOCK_TIME=5\n"
    assert courier_settings(sb) == {name: want for name in COURIER_FILES}
    assert [line.split(" cron")[0] for line in probe_log(sb)] == ["courier-imap restart"]


def test_set_accounts_format_refusals(sb):
    fatal(mx(sb, "--set-accounts-format", "--account-format=both"), "quarn::NotSupportedError",
          "short account-format is not supported for Postfix isn't supported")
    option_error(mx(sb, "--set-accounts-format", "--account-format=simple"),
                 "the argument ('simple') for option '--account-format' is invalid")
    option_error(mx(sb, "--set-accounts-format"),
                 'mandatory option "--account-format" is not specified')
    assert courier_settings(sb) == {name: COURIER_START for name in COURIER_FILES}
