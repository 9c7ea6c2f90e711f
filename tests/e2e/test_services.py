"""Service commands against a running Postfix and the stand-in init scripts
of courier-imap and kx-remote: the listeners in master.cf and the ports that
answer, the status lines, the legacy words with their aliases, the component
mask rules and the exit statuses when a script fails."""

import pytest

from settings_support import assert_postfix_check_clean, check, mx, settle
import sandbox

MASTER_CF = "/etc/postfix/master.cf"
DISABLED = sandbox.QUARN + "/master.cf.disabled"
INITD = "/run/sandbox/initd"
SMTPS_LINE = "smtps inet n - n - - smtpd -o smtpd_tls_wrappermode=yes\n"

# Waits up to ten seconds for 127.0.0.1:$0 to answer ($1 "1") or not ("0"),
# giving each attempt one second.
PORT = ('for i in $(seq 100); do timeout 1 bash -c "exec 3<>/dev/tcp/127.0.0.1/$0" 2>/dev/null;'
        ' [ $(($? == 0)) = "$1" ] && exit 0; sleep .1; done; exit 1')


@pytest.fixture(scope="module")
def box():
    with sandbox.Sandbox(postfix=True) as b:
        settle(b)
        yield b, b.read(MASTER_CF)


@pytest.fixture
def sb(box):
    """Debian's master.cf, no disabled file, Postfix running, both stand-ins
    stopped and failing nothing, an empty call log."""
    b, shipped = box
    if b.read(MASTER_CF) != shipped or not postfix_runs(b):
        b.write(MASTER_CF, shipped)
        b.run(["/usr/sbin/postfix", "stop"])
        b.run(["/usr/sbin/postfix", "start"], check=True)
    # A reload replaces the queue manager, by which the status is told.
    assert sandbox.wait_for(lambda: b.run(["pgrep", "-x", "qmgr"]).returncode == 0)
    b.sh(f"chmod 755 /etc/init.d/postfix && rm -rf {DISABLED} {INITD} && mkdir {INITD}",
         check=True)
    b.write("/run/sandbox/initd.log", "")
    b.sql("DELETE FROM misc WHERE param='message_submission'")
    return b


def port_becomes(sb, port, open_):
    return sb.run(["bash", "-c", PORT, str(port), "1" if open_ else "0"]).returncode == 0


def postfix_runs(sb):
    return sb.run(["/usr/sbin/postfix", "status"]).returncode == 0


def acted(result, status=0):
    """Postfix's init script writes its own progress on standard output."""
    assert (result.returncode, result.stderr) == (status, "")


def components(*names):
    return [f"--mail-component={n}" for n in names]


# Listeners in master.cf and the ports


@pytest.mark.parametrize("enable,disable", [
    (["--enable-message-submission"], ["--disable-message-submission"]),
    (["-a", "--help"], ["-b", "extra"]),
])
def test_submission_opens_and_closes_587_and_keeps_its_text(sb, enable, disable):
    check(mx(sb, *enable), 0)
    assert_postfix_check_clean(sb)
    assert port_becomes(sb, 587, True), "587 does not answer"
    # An administrator's edit survives switching off and on.
    edited = sb.read(MASTER_CF).replace("smtpd_sender_restrictions=\n",
                                        "smtpd_sender_restrictions=\n  -o syslog_name=sub\n")
    sb.write(MASTER_CF, edited)
    check(mx(sb, *disable), 0)
    assert_postfix_check_clean(sb)
    assert port_becomes(sb, 587, False), "587 still answers"
    assert sb.read(DISABLED) == edited[edited.index("\nsubmission inet") + 1:]
    check(mx(sb, *enable), 0)
    assert_postfix_check_clean(sb)
    assert (sb.read(MASTER_CF), sb.read(DISABLED)) == (edited, "")
    assert port_becomes(sb, 587, True)


def test_submission_words_with_postfix_stopped_or_nothing_to_do(sb):
    sb.run(["/usr/sbin/postfix", "stop"], check=True)
    check(mx(sb, "-b"), 0)
    assert not sb.exists(DISABLED), "nothing to switch off, nothing written"
    check(mx(sb, "-a"), 0)
    check(mx(sb, "-a"), 0)
    assert sb.read(MASTER_CF).count("\nsubmission inet n - n - - smtpd -o smtpd_enforce") == 1
    assert not postfix_runs(sb), "a stopped Postfix is not reloaded"
    assert_postfix_check_clean(sb)


def test_start_and_stop_service_open_and_close_465(sb):
    check(mx(sb, "--start-service", *components("smtps")), 0)
    assert_postfix_check_clean(sb)
    assert sb.read(MASTER_CF).endswith(SMTPS_LINE)
    assert port_becomes(sb, 465, True), "465 does not answer"
    check(mx(sb, "--stop-service", *components("smtps")), 0)
    assert_postfix_check_clean(sb)
    assert port_becomes(sb, 465, False), "465 still answers"
    assert sb.read(DISABLED) == SMTPS_LINE
    assert port_becomes(sb, 25, True), "smtp went away with smtps"
    assert sb.initd_log() == []


def test_listener_change_reloads_while_the_queue_manager_is_away(sb):
    # Right after a reload, and here for good, the master runs without a
    # queue manager: the status says stopped, yet the reload must be done.
    qmgr = sb.run(["pgrep", "-x", "qmgr"], check=True).stdout.split()
    sb.run(["kill", "-KILL", *qmgr], check=True)
    assert sandbox.wait_for(lambda: sb.run(["pgrep", "-x", "qmgr"]).returncode != 0)
    check(mx(sb, "-s"), 0, out="is stopped\n")
    check(mx(sb, "--start-service", *components("smtps")), 0)
    assert port_becomes(sb, 465, True), "465 does not answer"


@pytest.mark.parametrize("command,setting,want_enabled", [
    ("--start-service", "true", True),
    ("--start-service", None, False),
    ("--restart-service", "false", False),
    ("--stop-service", "true", True),
    ("--stop-service", "false", False),
])
def test_submission_follows_the_panel_setting(sb, command, setting, want_enabled):
    check(mx(sb, "--enable-message-submission"), 0)
    if setting is not None:
        sb.set_misc("message_submission", setting)
    check(mx(sb, command, *components("submission")), 0)
    assert ("\nsubmission inet" in sb.read(MASTER_CF)) == want_enabled
    assert port_becomes(sb, 587, want_enabled)


def test_no_component_means_all(sb):
    # smtps is added; submission, unset in the panel, stays off.
    acted(mx(sb, "--start-service"))
    assert sb.initd_log() == ["courier-imap start", "kx-remote start"]
    assert sb.read(MASTER_CF).endswith(SMTPS_LINE)
    assert port_becomes(sb, 465, True)
    acted(mx(sb, "--stop-service"))
    assert not postfix_runs(sb)
    assert sb.initd_log()[2:] == ["courier-imap stop", "kx-remote stop"]
    assert sb.read(DISABLED).startswith("smtp      inet")
    assert sb.read(DISABLED).endswith(SMTPS_LINE)


# Status lines

ALL = "mta is running\npop3 is {0}\npop3s is {0}\nimap is {0}\nimaps is {0}\nmilter is {1}\n"


@pytest.mark.parametrize("names,courier,milter,want", [
    ((), "stopped", "running", ALL.format("stopped", "running")),
    (("all",), "running", "stopped", ALL.format("running", "stopped")),
    (("imap",), "running", "stopped", "imap is running\n"),
    (("imaps", "pop3", "milter"), "running", "running",
     "pop3 is running\nimaps is running\nmilter is running\n"),
    (("smtp", "smtps", "submission"), "running", "running", ""),
])
def test_status_service_lines(sb, names, courier, milter, want):
    sb.write(f"{INITD}/courier-imap.state", courier)
    sb.write(f"{INITD}/kx-remote.state", milter)
    check(mx(sb, "--status-service", *components(*names)), 0, out=want)
    # One call of Courier's script answers for all four components.
    assert sb.initd_log().count("courier-imap status") == ("p3 " in want or "ap " in want)


# The scripts each command runs, with the components and the legacy words;
# "fail" makes that script exit 5, which but for status is reported on both
# streams. Courier starts running, the milter stopped.
SCRIPTS = [
    # (arguments, fail, want status, want output, want calls)
    (["--stop-service", *components("imap", "pop3", "imaps")], None, 0, "", ["courier-imap stop"]),
    (["--restart-service", *components("milter", "pop3s")], None, 0, "",
     ["courier-imap restart", "kx-remote restart"]),
    (["--reload-service", *components("milter", "smtp", "smtps", "submission")], None, 0, "", []),
    (["--reload-service"], None, 0, "", ["courier-imap reload"]),
    (["--start-service", *components("mta", "smtp")], None, 0, "", []),
    (["--start-service", *components("pop3", "milter")], "kx-remote start", 1, "",
     ["courier-imap start", "kx-remote start"]),
    (["--stop-service", *components("imap", "milter")], "courier-imap stop", 1, "",
     ["courier-imap stop", "kx-remote stop"]),
    (["--reload-service", *components("imap")], "courier-imap reload", 1, "",
     ["courier-imap reload"]),
    (["--status-service", *components("imap")], "courier-imap status", 0,
     "imap is stopped\n", ["courier-imap status"]),
    (["--start-maild", "--help"], "courier-imap start", 255, "", ["courier-imap start"]),
    (["-i"], None, 0, "", ["courier-imap start"]),
    (["-t", "x"], None, 0, "", ["courier-imap stop"]),
    (["--stop-maild"], "courier-imap stop", 255, "", ["courier-imap stop"]),
    (["-z"], None, 0, "", ["courier-imap restart"]),
    (["--restart-maild"], None, 0, "", ["courier-imap restart"]),
    (["-e"], None, 0, "is running\n", ["courier-imap status"]),
    (["--status-maild", "--help"], "courier-imap status", 0, "is stopped\n",
     ["courier-imap status"]),
    (["--start-milter", "--help"], None, 0, "", ["kx-remote start"]),
    (["--stop-milter"], None, 0, "", ["kx-remote stop"]),
    (["--restart-milter"], "kx-remote restart", 255, "", ["kx-remote restart"]),
    (["--status-milter", "-h"], None, 0, "is stopped\n", ["kx-remote status"]),
    (["-s", "--bogus"], None, 0, "is running\n", []),
    (["--status-smtpd"], None, 0, "is running\n", []),
]


@pytest.mark.parametrize("args,fail,want_status,want_out,want_calls", SCRIPTS,
                         ids=[" ".join(row[0]) for row in SCRIPTS])
def test_scripts_run_and_exit_statuses(sb, args, fail, want_status, want_out, want_calls):
    sb.write(f"{INITD}/courier-imap.state", "running")
    if fail:
        service, action = fail.split()
        sb.write(f"{INITD}/{service}.fail-{action}", "5")
    before = sb.read(MASTER_CF)
    message = ""
    if fail and action != "status":
        message = f"Service /etc/init.d/{service} failed to {action}\n"
    check(mx(sb, *args), want_status, out=want_out + message, err=message)
    assert sb.initd_log() == want_calls
    assert sb.read(MASTER_CF) == before, "the listeners were already as wanted"


def test_postfix_exception_is_reported_and_the_rest_still_runs(sb):
    sb.run(["/usr/sbin/postfix", "stop"], check=True)
    sb.run(["chmod", "644", "/etc/init.d/postfix"], check=True)
    result = mx(sb, "--start-service", *components("mta", "imap", "milter"))
    assert result.returncode == 1
    assert result.stderr == "Fatal error: quarn::SystemError(execve: Permission denied)\n"
    assert sb.initd_log() == ["courier-imap start", "kx-remote start"]


# Postfix itself and the legacy SMTP words


def test_mta_component_and_legacy_words_stop_and_start_postfix(sb):
    acted(mx(sb, "--stop-service", *components("mta", "smtps")))
    assert not postfix_runs(sb)
    acted(mx(sb, "--reload-service", *components("mta")), 1)
    acted(mx(sb, "--start-service", *components("mta", "smtps")))
    assert postfix_runs(sb) and port_becomes(sb, 465, True)
    acted(mx(sb, "--restart-service", *components("mta")))
    for stop, start in (("--stop-qmail-send", "--start-qmail-send"), ("-m", "-l")):
        acted(mx(sb, stop, "--help"))
        assert not postfix_runs(sb)
        check(mx(sb, stop), 0)
        check(mx(sb, "-s"), 0, out="is stopped\n")
        acted(mx(sb, start, "x"))
        assert postfix_runs(sb)


@pytest.mark.parametrize("stop,start", [
    ("--stop-smtpd", "--start-smtpd"), ("-o", "-p"), ("-o", "-r"), ("-o", "--restart-smtpd"),
])
def test_legacy_smtpd_words_switch_smtp_and_smtps(sb, stop, start):
    check(mx(sb, start, "--help"), 0)
    assert sb.read(MASTER_CF).endswith(SMTPS_LINE)
    check(mx(sb, stop, "--help"), 0)
    assert_postfix_check_clean(sb)
    assert port_becomes(sb, 25, False) and port_becomes(sb, 465, False)
    check(mx(sb, start), 0)
    assert port_becomes(sb, 25, True) and port_becomes(sb, 465, True)
    assert sb.initd_log() == []
