"""Self-test of tests/sandbox: isolation, services, helpers and clean-up."""

import contextlib
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
    return subprocess.run([RUN, *args], capture_output=True, text=True, timeout=120, **kwargs)


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
        with contextlib.suppress(OSError):  # a process that ended meanwhile
            if entry.isdigit() and os.readlink(f"/proc/{entry}/ns/pid") == pid_ns:
                found.append(int(entry))
    return found


# Panel database

def test_panel_db_refuses_to_run_outside_a_sandbox():
    env = {k: v for k, v in os.environ.items() if k != "MXWARDEN_SANDBOX"}
    outside = subprocess.run([sandbox.PANEL_DB, "sql", "SELECT 1"], env=env,
                             capture_output=True, text=True)
    assert outside.returncode == 2 and "not inside a sandbox" in outside.stderr, \
        f"outside: got {outside.returncode} {outside.stderr!r}"


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

def test_exit_status_is_the_commands_or_125_for_set_up_failures(tmp_path):
    unshare = tmp_path / "unshare"
    unshare.write_text("#!/bin/sh\necho 'unshare: unshare failed: Operation not permitted' >&2\n"
                       "exit 1\n")
    unshare.chmod(0o755)
    no_unshare = dict(os.environ, PATH=f"{tmp_path}:{os.environ['PATH']}")
    nobody = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", RUN, "true"]
    cases = [  # name, command, environment, exit status, text in the standard error
        ("success", [RUN, "true"], None, 0, ""),
        ("failure", [RUN, "sh", "-c", "exit 3"], None, 3, ""),
        ("high status", [RUN, "sh", "-c", "exit 124"], None, 124, ""),
        ("killed by a signal", [RUN, "sh", "-c", "kill -TERM $$"], None, 128 + signal.SIGTERM, ""),
        ("command not found", [RUN, "no-such-command-in-the-sandbox"], None, 127, ""),
        ("not executable", [RUN, "/etc"], None, 126, ""),
        ("no command", [RUN], None, 125, "no command given"),
        ("unknown option", [RUN, "--bogus", "true"], None, 125, "unknown option --bogus"),
        ("not root", nobody, None, 125, "must run as root"),
        ("no namespaces", [RUN, "true"], no_unshare, 125, "cannot create private namespaces"),
    ]
    for name, command, env, want, message in cases:
        got = subprocess.run(command, env=env, capture_output=True, text=True, timeout=120)
        assert got.returncode == want and message in got.stderr, \
            f"{name}: got {got.returncode} {got.stderr!r}, want {want} and {message!r}"


def test_environment_and_working_directory_are_the_callers():
    env = dict(os.environ, SANDBOX_TEST_VALUE="a b")
    script = 'echo "$SANDBOX_TEST_VALUE|$PATH|$PWD|$MXWARDEN_SANDBOX"; echo x >written'
    for parent in ["/tmp", "/var/tmp"]:
        with tempfile.TemporaryDirectory(prefix="sandbox-test-", dir=parent) as work:
            got = run("sh", "-c", script, cwd=work, env=env)
            want = f"a b|{os.environ['PATH']}|{work}|1\n"
            assert (got.returncode, got.stdout) == (0, want), \
                f"{parent}: got {got.returncode} {got.stdout!r} {got.stderr!r}, want {want!r}"
            assert os.path.exists(f"{work}/written"), f"{parent}: file written inside is lost"
    got = run("test", "-w", os.path.join(sandbox.top(), "tests", "sandbox", "run"))
    assert got.returncode == 0, "the source tree is not writable inside"


# None: the command ends by itself, with Postfix's daemons still running.
@pytest.mark.parametrize("signum, want", [
    (None, 0),
    (signal.SIGTERM, 128 + signal.SIGTERM),
    (signal.SIGINT, 128 + signal.SIGINT),
    (signal.SIGHUP, 128 + signal.SIGHUP),
    (signal.SIGKILL, -signal.SIGKILL),
])
def test_processes_started_inside_are_gone_afterwards(signum, want):
    script = ("readlink /proc/self/ns/pid; setsid sleep 1000 </dev/null >/dev/null 2>&1 &"
              + ("" if signum is None else " sleep 1000"))
    proc = subprocess.Popen([RUN, "--postfix", "sh", "-c", script],
                            stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    try:
        ns = proc.stdout.readline().strip()
        assert ns.startswith("pid:["), f"got {ns!r}: {proc.stderr.read() if not ns else ''}"
        if signum is not None:
            os.kill(proc.pid, signum)
        got = proc.wait(timeout=120)
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
