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

# Waits for a port on 127.0.0.1 to answer (argv[2] "1") or not ("0").
PORT = r"""
import socket, sys, time
port, wanted = int(sys.argv[1]), sys.argv[2] == "1"
for _ in range(100):
    try:
        socket.create_connection(("127.0.0.1", port), 1).close()
        now = True
    except OSError:
        now = False
    if now == wanted:
        sys.exit(0)
    time.sleep(0.1)
sys.exit(1)
"""


@pytest.fixture(scope="module")
def box():
    with sandbox.Sandbox(postfix=True) as b:
        settle(b)
        yield b, b.read(MASTER_CF)


@pytest.fixture
def sb(box):
    """The sandbox as started: Debian's master.cf, no disabled file, Postfix
    running, both stand-ins stopped and failing nothing, empty call log."""
    b, shipped = box
    if b.read(MASTER_CF) != shipped:
        b.write(MASTER_CF, shipped)
    b.run(["rm", "-rf", DISABLED, INITD], check=True)
    b.run(["mkdir", INITD], check=True)
    b.write("/run/sandbox/initd.log", "")
    b.run(["/usr/sbin/postfix", "status"]).returncode == 0 or \
        b.run(["/etc/init.d/postfix", "start"], check=True)
    b.run(["/usr/sbin/postfix", "reload"], check=True)
    b.sql("DELETE FROM misc WHERE param='message_submission'")
    return b


def set_state(sb, service, state):
    sb.write(f"{INITD}/{service}.state", state + "\n")


def fail(sb, service, action, status=1):
    sb.write(f"{INITD}/{service}.fail-{action}", f"{status}\n")


def port_becomes(sb, port, open_):
    return sb.run(["python3", "-c", PORT, str(port), "1" if open_ else "0"]).returncode == 0


def postfix_runs(sb):
    return sb.run(["/usr/sbin/postfix", "status"]).returncode == 0


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
    entry = edited[edited.index("\nsubmission inet") + 1:]

    check(mx(sb, *disable), 0)
    assert_postfix_check_clean(sb)
    assert port_becomes(sb, 587, False), "587 still answers"
    assert "\nsubmission" not in sb.read(MASTER_CF)
    assert sb.read(DISABLED) == entry

    check(mx(sb, *enable), 0)
    assert_postfix_check_clean(sb)
    assert sb.read(MASTER_CF) == edited
    assert sb.read(DISABLED) == ""
    assert port_becomes(sb, 587, True)


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


@pytest.mark.parametrize("command,setting,want_enabled", [
    ("--start-service", "true", True),
    ("--start-service", "false", False),
    ("--start-service", None, False),
    ("--restart-service", "true", True),
    ("--stop-service", "true", True),
    ("--stop-service", "false", False),
])
def test_submission_follows_the_panel_setting(sb, command, setting, want_enabled):
    check(mx(sb, "--enable-message-submission"), 0)
    if setting is not None:
        sb.set_misc("message_submission", setting)
    check(mx(sb, command, *components("submission")), 0)
    assert ("\nsubmission inet" in sb.read(MASTER_CF)) == want_enabled
    assert_postfix_check_clean(sb)
    assert port_becomes(sb, 587, want_enabled)


# Status lines

ALL_STOPPED = ("mta is running\npop3 is stopped\npop3s is stopped\nimap is stopped\n"
               "imaps is stopped\nmilter is stopped\n")


@pytest.mark.parametrize("names,courier,milter,want", [
    ((), "stopped", "stopped", ALL_STOPPED),
    (("all",), "stopped", "stopped", ALL_STOPPED),
    (("imap",), "running", "stopped", "imap is running\n"),
    (("imaps", "pop3", "milter"), "running", "running",
     "pop3 is running\nimaps is running\nmilter is running\n"),
    (("imap", "pop3s", "imaps", "pop3"), "stopped", "running",
     "pop3 is stopped\npop3s is stopped\nimap is stopped\nimaps is stopped\n"),
    (("smtp", "smtps", "submission"), "running", "running", ""),
    (("mta", "milter"), "running", "running", "mta is running\nmilter is running\n"),
])
def test_status_service_lines(sb, names, courier, milter, want):
    set_state(sb, "courier-imap", courier)
    set_state(sb, "kx-remote", milter)
    check(mx(sb, "--status-service", *components(*names)), 0, out=want)
    calls = sb.initd_log()
    assert calls.count("courier-imap status") == (1 if want.count("pop3") +
                                                  want.count("imap") else 0)


def test_status_of_a_stopped_mta(sb):
    sb.run(["/usr/sbin/postfix", "stop"], check=True)
    check(mx(sb, "--status-service", *components("mta")), 0, out="mta is stopped\n")
    check(mx(sb, "-s"), 0, out="is stopped\n")


# Component mask rules: which scripts run


@pytest.mark.parametrize("args,want_calls", [
    (["--stop-service", *components("imap", "pop3", "imaps")], ["courier-imap stop"]),
    (["--restart-service", *components("milter", "pop3s")],
     ["courier-imap restart", "kx-remote restart"]),
    (["--reload-service", *components("milter")], []),
    (["--reload-service", *components("smtp", "smtps", "submission")], []),
    (["--reload-service"], ["courier-imap reload"]),
    (["--start-service", *components("mta", "smtp")], []),
])
def test_component_mask_selects_the_scripts(sb, args, want_calls):
    # No listener changes: each is already as the components want it.
    set_state(sb, "courier-imap", "running")
    before = sb.read(MASTER_CF)
    check(mx(sb, *args), 0)
    assert sb.initd_log() == want_calls
    assert sb.read(MASTER_CF) == before


def test_no_component_means_all(sb):
    # smtps is added; submission, unset in the panel, stays off.
    acted(mx(sb, "--start-service"))
    assert sb.initd_log() == ["courier-imap start", "kx-remote start"]
    assert sb.read(MASTER_CF).endswith(SMTPS_LINE)
    assert "\nsubmission" not in sb.read(MASTER_CF)
    assert port_becomes(sb, 465, True)
    acted(mx(sb, "--stop-service"))
    assert not postfix_runs(sb)
    assert sb.initd_log()[2:] == ["courier-imap stop", "kx-remote stop"]
    assert sb.read(DISABLED).endswith(SMTPS_LINE)


def acted(result, status=0):
    """Postfix's init script writes its own progress on standard output."""
    assert (result.returncode, result.stderr) == (status, "")


def test_mta_component_stops_and_starts_postfix(sb):
    acted(mx(sb, "--stop-service", *components("mta", "smtps")))
    assert not postfix_runs(sb)
    assert "\nsmtps" not in sb.read(MASTER_CF)
    acted(mx(sb, "--start-service", *components("mta", "smtps")))
    assert postfix_runs(sb)
    assert port_becomes(sb, 465, True)
    acted(mx(sb, "--restart-service", *components("mta")))
    assert postfix_runs(sb)


def test_listener_change_with_postfix_stopped_needs_no_reload(sb):
    sb.run(["/usr/sbin/postfix", "stop"], check=True)
    check(mx(sb, "--start-service", *components("smtps")), 0)
    assert sb.read(MASTER_CF).endswith(SMTPS_LINE)
    assert not postfix_runs(sb)


def test_unknown_component_is_an_option_error(sb):
    result = mx(sb, "--status-service", "--mail-component=SMTP")
    assert result.returncode == 1
    assert result.stderr == ("the argument ('unknown component SMTP') for option"
                             " '--mail-component' is invalid\n")
    assert "Usage: --status-service [--mail-component=" in result.stdout
    assert sb.initd_log() == []


# Exit statuses with failing scripts


@pytest.mark.parametrize("args,service,action,want_status,want_calls", [
    (["--start-service"], "kx-remote", "start", 1, ["courier-imap start", "kx-remote start"]),
    (["--start-service", *components("pop3")], "courier-imap", "start", 1,
     ["courier-imap start"]),
    (["--stop-service", *components("imap", "milter")], "courier-imap", "stop", 1,
     ["courier-imap stop", "kx-remote stop"]),
    (["--restart-service", *components("milter")], "kx-remote", "restart", 1,
     ["kx-remote restart"]),
    (["--reload-service", *components("imap")], "courier-imap", "reload", 1,
     ["courier-imap reload"]),
    (["--status-service", *components("imap", "milter")], "courier-imap", "status", 0,
     ["courier-imap status", "kx-remote status"]),
    (["--start-maild"], "courier-imap", "start", 255, ["courier-imap start"]),
    (["-t"], "courier-imap", "stop", 255, ["courier-imap stop"]),
    (["--restart-milter"], "kx-remote", "restart", 255, ["kx-remote restart"]),
    (["-e"], "courier-imap", "status", 0, ["courier-imap status"]),
])
def test_failing_script_sets_the_exit_status(sb, args, service, action, want_status,
                                             want_calls):
    fail(sb, service, action, 5)
    result = mx(sb, *args)
    assert result.returncode == want_status, result.stderr
    assert sb.initd_log() == want_calls
    if action == "status":
        assert result.stderr == "" and "is stopped" in result.stdout
    else:
        assert f"Service /etc/init.d/{service} failed to {action}" in result.stderr


def test_reload_of_a_stopped_mta_fails(sb):
    sb.run(["/usr/sbin/postfix", "stop"], check=True)
    assert mx(sb, "--reload-service", *components("mta")).returncode == 1


# Legacy words: each with its alias, further arguments ignored


@pytest.mark.parametrize("words,courier,milter,out,want_calls", [
    (("--status-maild", "-e"), "running", "stopped", "is running\n", ["courier-imap status"]),
    (("--start-maild", "-i"), "stopped", "stopped", "", ["courier-imap start"]),
    (("--stop-maild", "-t"), "running", "stopped", "", ["courier-imap stop"]),
    (("--restart-maild", "-z"), "running", "stopped", "", ["courier-imap restart"]),
    (("--status-milter",), "stopped", "stopped", "is stopped\n", ["kx-remote status"]),
    (("--start-milter",), "stopped", "stopped", "", ["kx-remote start"]),
    (("--stop-milter",), "stopped", "running", "", ["kx-remote stop"]),
    (("--restart-milter",), "stopped", "running", "", ["kx-remote restart"]),
    (("--status-smtpd", "-s"), "stopped", "stopped", "is running\n", []),
])
def test_legacy_daemon_words(sb, words, courier, milter, out, want_calls):
    for word in words:
        sb.write("/run/sandbox/initd.log", "")
        set_state(sb, "courier-imap", courier)
        set_state(sb, "kx-remote", milter)
        check(mx(sb, word, "--help", "--bogus"), 0, out=out)
        assert sb.initd_log() == want_calls, word


@pytest.mark.parametrize("stop,start", [
    ("--stop-smtpd", "--start-smtpd"), ("-o", "-p"), ("-o", "-r"), ("-o", "--restart-smtpd"),
])
def test_legacy_smtpd_words_switch_smtp_and_smtps(sb, stop, start):
    check(mx(sb, start, "--help"), 0)
    assert sb.read(MASTER_CF).endswith(SMTPS_LINE)
    assert port_becomes(sb, 465, True)
    check(mx(sb, stop, "--help"), 0)
    assert_postfix_check_clean(sb)
    assert port_becomes(sb, 25, False) and port_becomes(sb, 465, False)
    disabled = sb.read(DISABLED)
    assert disabled.startswith("smtp      inet") and disabled.endswith(SMTPS_LINE)
    check(mx(sb, start), 0)
    assert port_becomes(sb, 25, True) and port_becomes(sb, 465, True)
    assert sb.initd_log() == []


@pytest.mark.parametrize("stop,start", [
    ("--stop-qmail-send", "--start-qmail-send"), ("-m", "-l"),
])
def test_legacy_mta_words(sb, stop, start):
    acted(mx(sb, stop, "--help"))
    assert not postfix_runs(sb)
    check(mx(sb, stop), 0)
    acted(mx(sb, start, "x"))
    assert postfix_runs(sb)
    check(mx(sb, start), 0)
