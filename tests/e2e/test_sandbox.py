"""Self-test of tests/sandbox: isolation, services, helpers and clean-up."""

import hashlib
import os
import signal
import subprocess
import sys
import tempfile

import pytest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import sandbox  # noqa: E402

RUN = sandbox.RUN

# Host paths that a sandbox must leave exactly as they were.
HOST_FILES = ["/etc/passwd", "/etc/group", "/etc/shadow", "/etc/gshadow",
              "/etc/hosts", "/etc/hostname", "/etc/init.d/postfix"]
HOST_TREES = ["/etc/postfix", "/etc/init.d", "/var/spool/postfix",
              "/var/spool/cron", "/var/lib/mysql"]
# Paths the sandbox creates; whether each exists on the host must not change.
SANDBOX_ONLY = ["/etc/vel", "/etc/domainkeys", "/etc/vel-spf", "/etc/courier-imap",
                "/etc/sysconfig", "/var/qmail", "/var/lib/quarn", "/var/lock/files",
                "/usr/lib/quarn-9.0", "/usr/local/vel", "/etc/mailname"]


def run(*args, **kwargs):
    """tests/sandbox/run with arguments; output captured as text."""
    return subprocess.run([RUN, *args], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          text=True, timeout=120, **kwargs)


def host_state():
    """Digest of every file and entry of the host paths above."""
    h = hashlib.sha256()
    paths = list(HOST_FILES)
    for tree in HOST_TREES:
        for root, dirs, files in os.walk(tree):
            dirs.sort()
            paths += [os.path.join(root, name) for name in sorted(dirs + files)]
    for path in paths:
        h.update(path.encode())
        try:
            st = os.lstat(path)
        except FileNotFoundError:
            h.update(b"missing")
            continue
        h.update(f"{st.st_mode} {st.st_uid} {st.st_gid} {st.st_size}".encode())
        if os.path.isfile(path) and not os.path.islink(path):
            with open(path, "rb") as f:
                h.update(hashlib.sha256(f.read()).digest())
    for path in SANDBOX_ONLY:
        h.update(f"{path} {os.path.lexists(path)}".encode())
    h.update(os.uname().nodename.encode())
    return h.hexdigest()


def processes_in(pid_ns):
    """Host processes whose PID namespace is pid_ns ("pid:[...]")."""
    found = []
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                if os.readlink(f"/proc/{entry}/ns/pid") == pid_ns:
                    found.append(int(entry))
            except OSError:
                pass
    return found


@pytest.fixture(scope="module")
def mail():
    """One sandbox with Postfix running, shared by the mail tests."""
    with sandbox.Sandbox(postfix=True) as sb:
        yield sb


# Mail delivery

def test_wait_delivery_times_out_on_an_empty_maildir(mail):
    maildir = mail.make_maildir("example.net", "nobody-writes")
    result = mail.run([sandbox.WAIT_DELIVERY, maildir, "0.3"])
    assert result.returncode == 1, f"got exit status {result.returncode}, want 1"
    assert "fewer than 1 message(s)" in result.stderr, result.stderr


def test_postfix_init_script_stops_and_starts(mail):
    # The way the program calls it: only LANG=C in the environment.
    def script(action):
        return mail.run(["env", "-i", "LANG=C", "/etc/init.d/postfix", action])

    cases = [("status", 0), ("stop", 0), ("status", 3), ("start", 0), ("status", 0)]
    for action, want in cases:
        got = script(action).returncode
        assert got == want, f"{action}: got exit status {got}, want {want}"
    master = int(mail.read("/var/spool/postfix/pid/master.pid").split()[0])
    qmgr = sandbox.wait_for(
        lambda: mail.run(["pgrep", "-x", "-P", str(master), "qmgr"]).returncode == 0)
    assert qmgr, "qmgr does not run under the master after start"


# Panel database

def test_panel_db_fills_what_the_panel_queries_read():
    with sandbox.Sandbox() as sb:
        assert sb.add_domain("example.net") == 1
        assert sb.add_domain("web.example", 40) == 40
        sb.add_domain_alias("example.net", "alias.net")
        sb.add_domain_alias("example.net", "alias2.net")
        assert sb.add_mailname("example.net", "joe") == 1
        assert sb.add_mailname("example.net", "ann", 1000) == 2
        sb.add_mail_alias("example.net", "joe", "jo")
        sb.add_mail_alias("example.net", "joe", "o'neil")
        sb.set_limit("web.example", "mbox_quota", 5000)
        sb.set_webspace("example.net", "web.example")
        sb.set_misc("message_submission", "true")
        sb.set_misc("message_submission", "false")

        cases = [
            ("domain aliases",
             "SELECT da.name FROM domainaliases da JOIN domains d WHERE da.dom_id=d.id "
             "and d.name='example.net'", "alias.net\nalias2.net\n"),
            ("mail aliases",
             "SELECT ma.alias FROM mail_aliases ma JOIN mail m, domains d WHERE "
             "ma.mn_id=m.id AND m.mail_name='joe' AND m.dom_id=d.id AND "
             "d.name='example.net'", "jo\no'neil\n"),
            ("domain limit",
             "select l.value from domains d, Limits l \t\t\t\t where d.id='40' and "
             "d.limits_id=l.id  and l.limit_name='mbox_quota'", "5000\n"),
            ("mailbox quotas",
             "SELECT m.mail_name, m.mbox_quota FROM mail m, domains d WHERE "
             "d.id = m.dom_id AND d.name='example.net' ", "ann\t1000\njoe\t-1\n"),
            ("domain and webspace",
             "SELECT id, webspace_id FROM domains WHERE name='example.net'", "1\t40\n"),
            ("misc setting",
             "SELECT    val  FROM misc    WHERE param='message_submission'", "false\n"),
        ]
        for name, query, want in cases:
            got = sb.run(["mariadb", "-u", "admin", "-N", "-B", "vel", "-e", query],
                         env={"MYSQL_PWD": sb.admin_password()})
            assert (got.returncode, "".join(sorted(got.stdout.splitlines(True)))) \
                == (0, want), f"{name}: got {got.returncode} {got.stdout!r} " \
                              f"{got.stderr!r}, want {want!r}"


def test_panel_db_reports_errors():
    with sandbox.Sandbox() as sb:
        sb.add_domain("example.net")
        cases = [
            ("alias of a missing domain", ["add-domain-alias", "nosuch.net", "a.net"], 1,
             "no domain nosuch.net"),
            ("mailname of a missing domain", ["add-mailname", "nosuch.net", "joe"], 1,
             "no domain nosuch.net"),
            ("alias of a missing mailname", ["add-mail-alias", "example.net", "joe", "j"], 1,
             "no mailname joe@example.net"),
            ("limit of a missing domain", ["set-limit", "nosuch.net", "x", "1"], 1,
             "no domain nosuch.net"),
            ("duplicate domain", ["add-domain", "example.net"], 1, "Duplicate entry"),
            ("bad SQL", ["sql", "SELECT nosuch FROM domains"], 1, "Unknown column"),
            ("missing argument", ["add-mailname", "example.net"], 2, "usage:"),
            ("unknown subcommand", ["frobnicate"], 2, "usage:"),
        ]
        for name, args, want_status, want_err in cases:
            got = sb.run([sandbox.PANEL_DB, *args])
            assert got.returncode == want_status and want_err in got.stderr, \
                f"{name}: got {got.returncode} {got.stderr!r}, " \
                f"want {want_status} and {want_err!r}"
    outside = subprocess.run([sandbox.PANEL_DB, "sql", "SELECT 1"], text=True,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             env={k: v for k, v in os.environ.items()
                                  if k != "MXWARDEN_SANDBOX"})
    assert outside.returncode == 2 and "not inside a sandbox" in outside.stderr, \
        f"outside: got {outside.returncode} {outside.stderr!r}"


# Fresh system paths

FRESH = [
    # path, entries of a new sandbox, owner
    ("/var/qmail/mailnames", [], "popuser"),
    ("/var/lib/quarn", ["mail"], "root"),
    ("/var/lock/files", [], "root"),
    ("/var/spool/postfix/quarn",
     sorted(sum([[t, t + ".db"] for t in sandbox.TABLES], [])), "root"),
    ("/var/spool/cron", ["crontabs"], "root"),
    ("/var/spool/cron/crontabs", [], "root"),
    ("/etc/vel", [".vel.shadow", "vel.conf"], "root"),
    ("/etc/domainkeys", [], "root"),
    ("/etc/vel-spf", [], "root"),
    ("/etc/courier-imap", ["imapd", "imapd-ssl", "pop3d", "pop3d-ssl"], "root"),
    ("/etc/sysconfig", ["vel-kx-remote"], "root"),
    ("/etc/init.d", ["courier-imap", "kx-remote", "postfix"], "root"),
    ("/usr/lib/quarn-9.0", ["bouncemessage", "postfix-poplockdb-clean"], "root"),
    ("/usr/local/vel", ["handlers", "tmp"], "root"),
]


def test_system_paths_are_fresh_in_every_sandbox():
    with sandbox.Sandbox() as first:
        for path in [p for p, _, _ in FRESH] + ["/etc/postfix"]:
            first.write(f"{path}/left-by-first", "x")
        first.run(["/usr/sbin/postmap", "-i", f"hash:{sandbox.QUARN}/virtual"],
                  input="left@example.net x\n", check=True)
        first.add_domain("left.example")
    with sandbox.Sandbox() as sb:
        for path, want, owner in FRESH:
            got = sb.listdir(path)
            assert got == want, f"{path}: got entries {got}, want {want}"
            got_owner = sb.run(["stat", "-c", "%U", path]).stdout.strip()
            assert got_owner == owner, f"{path}: got owner {got_owner}, want {owner}"
        for table in sandbox.TABLES:
            got = sb.run(["/usr/sbin/postmap", "-s", f"hash:{sandbox.QUARN}/{table}"])
            assert (got.returncode, got.stdout) == (0, ""), \
                f"{table}: got {got.returncode} {got.stdout!r}, want an empty table"
        handlers = "/var/lib/quarn/mail/handlers/handlers.db"
        got = sb.run(["sqlite3", handlers, "SELECT COUNT(*) FROM handlers"]).stdout
        assert got == "0\n", f"handlers: got {got!r} rows, want 0"
        schema = sb.run(["sqlite3", handlers, ".schema handlers"]).stdout
        assert "CONSTRAINT uniq_entries_constaraint PRIMARY KEY" in schema, schema
        assert sb.sql("SELECT COUNT(*) FROM domains") == [["0"]]
        main_cf = sb.run(["/usr/sbin/postconf", "-h", "virtual_mailbox_base",
                          "virtual_mailbox_maps", "mydestination"]).stdout.split("\n")
        assert main_cf[:2] == [sandbox.MAIL_ROOT, f"hash:{sandbox.QUARN}/vmailbox"], main_cf
        got = sb.run(["crontab", "-l", "-u", "root"])
        assert got.returncode == 1 and "no crontab for root" in got.stderr, got.stderr


def test_host_paths_are_unchanged_afterwards():
    before = host_state()
    script = r"""
        set -e
        echo 'intruder:x:4242:4242::/:/bin/false' >>/etc/passwd
        echo 'intruder:x:4242:' >>/etc/group
        useradd -M -N -g 4242 -u 4243 intruder2
        postconf -e 'myhostname = changed.example'
        echo x >/etc/postfix/extra; echo x >/etc/init.d/extra; echo x >>/etc/hosts
        echo x >/var/spool/postfix/extra; mkdir /var/spool/postfix/quarn/x
        echo x >/var/lib/mysql/extra; echo x >/var/lock/files/extra
        echo x >/etc/vel/extra; echo x >/var/qmail/mailnames/extra
        echo '* * * * * true' | crontab -u root -
        hostname changed.example
        /etc/init.d/postfix start >/dev/null
    """
    result = run("bash", "-c", script)
    assert result.returncode == 0, f"got exit status {result.returncode}: {result.stderr}"
    after = host_state()
    assert after == before, "host paths changed"


# Exit status, environment and clean-up

def test_exit_status_is_passed_through():
    cases = [
        ("success", ["true"], 0),
        ("failure", ["sh", "-c", "exit 3"], 3),
        ("high status", ["sh", "-c", "exit 124"], 124),
        ("killed by a signal", ["sh", "-c", "kill -TERM $$"], 128 + signal.SIGTERM),
        ("command not found", ["no-such-command-in-the-sandbox"], 127),
        ("not executable", ["/etc"], 126),
    ]
    for name, command, want in cases:
        got = run(*command).returncode
        assert got == want, f"{name}: got exit status {got}, want {want}"


def test_setup_failures_exit_125_with_a_message():
    fake = tempfile.mkdtemp(prefix="sandbox-test-")
    try:
        with open(f"{fake}/unshare", "w") as f:
            f.write("#!/bin/sh\necho 'unshare: unshare failed: Operation not permitted' >&2\n"
                    "exit 1\n")
        os.chmod(f"{fake}/unshare", 0o755)
        os.chmod(fake, 0o755)
        no_unshare = dict(os.environ, PATH=f"{fake}:{os.environ['PATH']}")
        nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", RUN, "true"]
        cases = [
            ("no command", [RUN], None, "no command given"),
            ("unknown option", [RUN, "--bogus", "true"], None, "unknown option --bogus"),
            ("not root", nobody, None, "must run as root"),
            ("no namespaces", [RUN, "true"], no_unshare, "cannot create private namespaces"),
        ]
        for name, command, env, want in cases:
            got = subprocess.run(command, env=env, text=True, stdout=subprocess.PIPE,
                                 stderr=subprocess.PIPE, timeout=60)
            assert got.returncode == 125 and want in got.stderr, \
                f"{name}: got {got.returncode} {got.stderr!r}, want 125 and {want!r}"
    finally:
        os.unlink(f"{fake}/unshare")
        os.rmdir(fake)


def test_environment_and_working_directory_are_the_callers():
    for parent in ["/tmp", "/var/tmp"]:
        work = tempfile.mkdtemp(prefix="sandbox-test-", dir=parent)
        try:
            env = dict(os.environ, SANDBOX_TEST_VALUE="a b")
            script = 'echo "$SANDBOX_TEST_VALUE|$PATH|$PWD|$MXWARDEN_SANDBOX"; echo x >written'
            got = run("sh", "-c", script, cwd=work, env=env)
            want = f"a b|{os.environ['PATH']}|{work}|1\n"
            assert (got.returncode, got.stdout) == (0, want), \
                f"{parent}: got {got.returncode} {got.stdout!r} {got.stderr!r}, want {want!r}"
            assert os.path.exists(f"{work}/written"), f"{parent}: file written inside is lost"
        finally:
            if os.path.exists(f"{work}/written"):
                os.unlink(f"{work}/written")
            os.rmdir(work)
    got = run("test", "-w", os.path.join(sandbox.top(), "tests", "sandbox", "run"))
    assert got.returncode == 0, "the source tree is not writable inside"


def test_processes_started_inside_are_gone_afterwards():
    script = "readlink /proc/self/ns/pid; setsid sleep 1000 </dev/null >/dev/null 2>&1 &"
    got = run("--postfix", "sh", "-c", script)
    assert got.returncode == 0, got.stderr
    ns = got.stdout.strip()
    assert ns.startswith("pid:["), f"got {ns!r}"
    left = processes_in(ns)
    assert left == [], f"got processes {left} left in {ns}, want none"


@pytest.mark.parametrize("signum, want", [
    (signal.SIGTERM, 128 + signal.SIGTERM),
    (signal.SIGINT, 128 + signal.SIGINT),
    (signal.SIGHUP, 128 + signal.SIGHUP),
    (signal.SIGKILL, -signal.SIGKILL),
])
def test_a_signal_to_run_ends_the_whole_sandbox(signum, want):
    proc = subprocess.Popen(
        [RUN, "sh", "-c", "readlink /proc/self/ns/pid; setsid sleep 1000 & sleep 1000"],
        stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        ns = proc.stdout.readline().strip()
        assert ns.startswith("pid:["), f"got {ns!r}: {proc.stderr.read() if not ns else ''}"
        os.kill(proc.pid, signum)
        got = proc.wait(timeout=30)
        assert got == want, f"got exit status {got}, want {want}"
        left = sandbox.wait_for(lambda: processes_in(ns) == [], timeout=10)
        assert left, f"processes {processes_in(ns)} left in {ns}"
    finally:
        if proc.poll() is None:
            proc.kill()
            proc.wait()
        proc.stdout.close()
        proc.stderr.close()


def test_sandboxes_run_side_by_side():
    with sandbox.Sandbox(postfix=True) as a, sandbox.Sandbox(postfix=True) as b:
        a.write("/etc/vel/only-in-a", "a")
        a.add_domain("a.example")
        assert not b.exists("/etc/vel/only-in-a"), "a file of one sandbox is in another"
        assert b.sql("SELECT name FROM domains") == [], "a row of one sandbox is in another"
        # Mail to a virtual mailbox arrives in its Maildir, in each of them.
        for sb in (a, b):
            sb.postmap_add("virtual_domains", "side.example", "side.example/")
            sb.postmap_add("vmailbox", "x@side.example", "side.example/x/Maildir/")
            sb.postmap_add("virtual", "x@side.example", "x@side.example")
            maildir = sb.make_maildir("side.example", "x")
            sb.sendmail("x@side.example", "Subject: side by side\n\nhello\n")
            delivered = sb.wait_delivery(maildir)
            assert len(delivered) == 1, f"got {delivered}, want one message"
            assert "Subject: side by side" in sb.read(delivered[0])
            owner = sb.run(["stat", "-c", "%U:%G", delivered[0]]).stdout.strip()
            assert owner == "popuser:popuser", f"got owner {owner}, want popuser:popuser"


# Stand-ins

def test_stand_in_init_scripts_record_calls_and_keep_state():
    with sandbox.Sandbox() as sb:
        sb.write("/run/sandbox/initd/kx-remote.fail-restart", "4\n")
        cases = [
            ("courier-imap", "status", 3, "courier-imap is not running"),
            ("courier-imap", "start", 0, ""),
            ("courier-imap", "status", 0, "courier-imap is running"),
            ("courier-imap", "reload", 0, ""),
            ("courier-imap", "stop", 0, ""),
            ("courier-imap", "reload", 7, ""),
            ("kx-remote", "restart", 4, ""),
            ("kx-remote", "status", 3, "kx-remote is not running"),
            ("kx-remote", "bogus", 2, ""),
        ]
        for service, action, want_status, want_out in cases:
            got = sb.run([f"/etc/init.d/{service}", action])
            assert (got.returncode, got.stdout.strip()) == (want_status, want_out), \
                f"{service} {action}: got {got.returncode} {got.stdout!r}, " \
                f"want {want_status} {want_out!r}"
        want = [f"{s} {a}" for s, a, _, _ in cases]
        assert sb.initd_log() == want, f"got log {sb.initd_log()}, want {want}"


def test_stand_in_programs_record_calls():
    with sandbox.Sandbox() as sb:
        sb.run(["/usr/local/vel/handlers/hooks/autoresponder", "-a", "b c"],
               input="message\n", check=True)
        sb.run(["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                "/usr/lib/quarn-9.0/postfix-poplockdb-clean"], check=True)
        want = ["/usr/local/vel/handlers/hooks/autoresponder -a b c",
                "/usr/lib/quarn-9.0/postfix-poplockdb-clean "]
        assert sb.calls_log() == want, f"got {sb.calls_log()}, want {want}"
        saved = sorted(sb.listdir("/run/sandbox/calls"))
        assert [name.split(".")[0] + "." + name.split(".")[-1] for name in saved] == \
            ["autoresponder.args", "autoresponder.in", "postfix-poplockdb-clean.args"], \
            f"got {saved}"
        assert sb.read(f"/run/sandbox/calls/{saved[0]}") == "-a\0b c\0"
        assert sb.read(f"/run/sandbox/calls/{saved[1]}") == "message\n"
        assert sb.read(f"/run/sandbox/calls/{saved[2]}") == ""
