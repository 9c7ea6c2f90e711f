"""Sandboxes for end-to-end tests: a private mail system to run mxwarden in.

    import sandbox

    with sandbox.Sandbox(postfix=True) as sb:
        sb.add_domain("example.net")
        result = sb.run([sandbox.mxwarden(), "--add-domain", ...])
        assert result.returncode == 0, result.stderr
        text = sb.read("/var/spool/postfix/quarn/virtual")

A `Sandbox` starts tests/sandbox/run with a holder command and runs each
command inside it through nsenter, in the caller's working directory and
environment; files inside are read and written from outside through
/proc/<pid>/root. The sandbox ends with the `with` block, and also when the
test process dies, since the holder returns when its standard input closes.
"""

import contextlib
import os
import select
import subprocess
import tempfile
import time

QUARN = "/var/spool/postfix/quarn"
MAIL_ROOT = "/var/qmail/mailnames"


def top():
    """The root of the source tree: $MXWARDEN_TOP, else two levels up."""
    here = os.path.dirname(os.path.abspath(__file__))
    return os.environ.get("MXWARDEN_TOP") or os.path.dirname(os.path.dirname(here))


def sandbox_dir():
    return os.path.join(top(), "tests", "sandbox")


RUN = os.path.join(sandbox_dir(), "run")
PANEL_DB = os.path.join(sandbox_dir(), "panel-db")
WAIT_DELIVERY = os.path.join(sandbox_dir(), "wait-delivery")
HOLD = os.path.join(sandbox_dir(), "lib", "hold")


def mxwarden():
    """The binary under test: $MXWARDEN (set by CTest), else build/."""
    return os.environ.get("MXWARDEN") or os.path.join(
        top(), "build", "mail", "postfix", "mxwarden")


class SandboxError(Exception):
    """The sandbox could not be started, or a checked command failed."""


def children(pid):
    """Process ids whose parent is pid (a single-threaded process)."""
    with open(f"/proc/{pid}/task/{pid}/children") as f:
        return [int(child) for child in f.read().split()]


class Sandbox:
    """A sandbox of its own, controlled from outside."""

    def __init__(self, postfix=False):
        self.postfix = postfix
        self.pid = None
        self._proc = None
        self._stderr = None

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()

    def start(self):
        self._stderr = tempfile.TemporaryFile()
        options = ["--postfix"] if self.postfix else []
        self._proc = subprocess.Popen([RUN, *options, "--", HOLD],
                                      stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                      stderr=self._stderr)
        ready, _, _ = select.select([self._proc.stdout], [], [], 60)
        line = self._proc.stdout.readline() if ready else b""
        if line != b"ready\n":
            self.stop()
            self._stderr.seek(0)
            raise SandboxError(f"sandbox did not start (exit status {self._proc.returncode}): "
                               + self._stderr.read().decode(errors="replace"))
        self.pid = self._init_pid()

    def _init_pid(self):
        # run -> unshare -> the sandbox's first process.
        for unshare in children(self._proc.pid):
            for init in children(unshare):
                return init
        raise SandboxError("sandbox started but its first process was not found")

    def stop(self):
        """End the sandbox and wait until everything in it is gone."""
        if self._proc is None:
            return
        with contextlib.suppress(OSError):
            self._proc.stdin.close()
        try:
            self._proc.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self._proc.terminate()
            self._proc.wait(timeout=30)
        self._proc.stdout.close()
        self.pid = None

    def path(self, path):
        """The host's path of a path inside.

        Symbolic links on the way are followed inside the sandbox: the kernel
        would resolve an absolute link target (/var/lock -> /run/lock)
        against the host's root instead.
        """
        head, name = os.path.split(os.path.abspath(path))
        head = self.run(["realpath", "-m", head], check=True).stdout.rstrip("\n")
        return f"/proc/{self.pid}/root" + os.path.join(head, name)

    def sh(self, script, **kwargs):
        """Run a bash script inside."""
        return self.run(["/bin/bash", "-c", script], **kwargs)

    def run(self, args, input=None, env=None, timeout=60, check=False):
        """Run a command inside, in the caller's directory; a CompletedProcess
        with text output.

        Keyword arguments: input, env (added to the caller's environment),
        timeout (default 60 s), check (raise SandboxError unless status 0).
        """
        if self.pid is None:
            raise SandboxError("sandbox is not running")
        command = ["nsenter", f"--target={self.pid}", "--mount", "--uts", "--net", "--pid", "--",
                   "/bin/sh", "-c", 'cd "$1" && shift && exec "$@"', "sh", os.getcwd(), *args]
        full_env = dict(os.environ, MXWARDEN_SANDBOX="1",
                        MXWARDEN_SANDBOX_DIR=sandbox_dir())
        full_env.update(env or {})
        result = subprocess.run(command, input=input, env=full_env, timeout=timeout, text=True,
                                capture_output=True)
        result.args = list(args)
        if check and result.returncode != 0:
            raise SandboxError(f"{args}: got exit status {result.returncode}, want 0;"
                               f" stderr: {result.stderr!r}")
        return result

    # Files

    def read(self, path, binary=False):
        with open(self.path(path), "rb" if binary else "r") as f:
            return f.read()

    def write(self, path, content, mode=0o644):
        with open(self.path(path), "wb" if isinstance(content, bytes) else "w") as f:
            f.write(content)
        os.chmod(self.path(path), mode)

    def exists(self, path):
        return os.path.lexists(self.path(path))

    def listdir(self, path):
        return sorted(os.listdir(self.path(path)))

    # Panel database

    def panel_db(self, *args):
        """Run tests/sandbox/panel-db; its standard output without the line end."""
        return self.run([PANEL_DB, *args], check=True).stdout.rstrip("\n")

    def sql(self, statement):
        """Rows of an SQL statement in database vel, each a list of texts."""
        out = self.panel_db("sql", statement)
        return [line.split("\t") for line in out.split("\n")] if out else []

    def add_domain(self, name):
        return int(self.panel_db("add-domain", name))

    def add_domain_alias(self, domain, alias):
        self.panel_db("add-domain-alias", domain, alias)

    def add_mailname(self, domain, mailname):
        return int(self.panel_db("add-mailname", domain, mailname))

    def add_mail_alias(self, domain, mailname, alias):
        self.panel_db("add-mail-alias", domain, mailname, alias)

    def set_misc(self, param, val):
        self.panel_db("set-misc", param, val)

    # Postfix

    def postmap_add(self, table, key, value):
        """Add or replace one record of a table under /var/spool/postfix/quarn."""
        self.run(["/usr/sbin/postmap", "-i", f"hash:{QUARN}/{table}"],
                 input=f"{key} {value}\n", check=True)

    def postmap_get(self, table, key):
        """The value of key in a table, or None."""
        result = self.run(["/usr/sbin/postmap", "-q", key, f"hash:{QUARN}/{table}"])
        return result.stdout.rstrip("\n") if result.returncode == 0 else None

    def sendmail(self, recipient, message, sender="sender@example.org"):
        self.run(["/usr/sbin/sendmail", "-f", sender, recipient], input=message,
                 check=True)

    def wait_delivery(self, maildir, timeout=10, count=1):
        """Paths (inside) of the messages in a Maildir once there are count."""
        result = self.run([WAIT_DELIVERY, maildir, str(timeout), str(count)],
                          timeout=timeout + 30)
        if result.returncode != 0:
            raise SandboxError(result.stderr)
        return result.stdout.split()

    def make_maildir(self, domain, mailname):
        """An empty Maildir (new, cur, tmp) for mailname@domain owned by
        popuser; its path."""
        home = f"{MAIL_ROOT}/{domain}/{mailname}"
        self.run(["install", "-d", "-o", "popuser", "-g", "popuser", "-m", "0750",
                  f"{MAIL_ROOT}/{domain}"], check=True)
        self.run(["install", "-d", "-o", "popuser", "-g", "popuser", "-m", "0700", home,
                  *(f"{home}/Maildir/{d}" for d in ("", "new", "cur", "tmp"))], check=True)
        return f"{home}/Maildir"

    # Stand-ins

    def initd_log(self):
        """Calls of the stand-in init scripts, "<service> <arguments>" each."""
        return self.read("/run/sandbox/initd.log").splitlines()

    def calls_log(self):
        """Calls of the stand-in panel programs, "<path> <arguments>" each."""
        return self.read("/run/sandbox/calls.log").splitlines()


def wait_for(predicate, timeout=10, interval=0.05):
    """Poll predicate until it is true; its last value."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value or time.monotonic() >= deadline:
            return value
        time.sleep(interval)
