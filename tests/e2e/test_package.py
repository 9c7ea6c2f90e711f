"""The Debian package as an administrator meets it: installed with apt-get,
run from its installed path, its manual page and bash completion found by
man and bash, removed without a trace; and lintian's verdict on it."""

import glob
import os
import subprocess
import tempfile

import pytest

import sandbox

# What may change between before the install and after the purge: the
# package system's own records and caches, and logs.
VOLATILE = ("/var/lib/dpkg", "/var/lib/apt", "/var/cache", "/var/log",
            "/var/lib/man-db")
# (The size of a directory on an overlay tells nothing.)
SNAPSHOT = ("find /usr /etc /var -xdev \\( " +
            " -o ".join(f"-path {p}" for p in VOLATILE) +
            " \\) -prune -o -type d -printf '%p d %m\\n'"
            " -o -printf '%p %y %m %s\\n' | LC_ALL=C sort")


@pytest.fixture(scope="module")
def deb():
    """The package CTest built (in $MXWARDEN_DEB_DIR), else one built now
    from build/."""
    given = glob.glob(os.path.join(os.environ.get("MXWARDEN_DEB_DIR", "/nonexistent"),
                                   "mxwarden_*.deb"))
    if given:
        return max(given, key=os.path.getmtime)
    out = tempfile.mkdtemp()
    subprocess.run([os.path.join(sandbox.top(), "scripts", "package"),
                    "--build-dir", os.path.join(sandbox.top(), "build"), "--out", out],
                   check=True, stdout=subprocess.DEVNULL)
    return glob.glob(os.path.join(out, "mxwarden_*.deb"))[0]


def completion(sb, words):
    """What bash offers for the last of `words`, through bash-completion's
    own loader (so the completion file is found where it was installed)."""
    script = """
        source /usr/share/bash-completion/bash_completion
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _completion_loader mxwarden
        fn=$(complete -p mxwarden | sed -n 's/.*-F \\([^ ]*\\) .*/\\1/p')
        "$fn" mxwarden "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf '%s\\n' "${COMPREPLY[@]}"
    """
    result = sb.run(["/bin/bash", "-c", script, "bash", *words], check=True)
    return result.stdout.split()


def test_install_use_and_purge_in_the_sandbox(deb):
    env = {"DEBIAN_FRONTEND": "noninteractive", "MANPAGER": "cat", "MANWIDTH": "80",
           "PATH": "/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin"}
    with sandbox.Sandbox() as sb:
        before = sb.sh(SNAPSHOT, check=True).stdout

        # Offline (the sandbox has no network): every dependency is
        # installed already.
        installed = sb.sh(f"cd {os.path.dirname(os.path.abspath(deb))} && "
                          f"apt-get install -y -q ./{os.path.basename(deb)}",
                          env=env, timeout=180)
        assert installed.returncode == 0, installed.stdout + installed.stderr

        # The snapshot sees what a package puts there.
        assert "/usr/sbin/mxwarden f 755" in sb.sh(SNAPSHOT, check=True).stdout

        which = sb.sh("command -v mxwarden", env=env, check=True).stdout.strip()
        assert which == "/usr/sbin/mxwarden"
        commands = sb.run(["mxwarden", "--help-commands"], env=env)
        assert commands.returncode == 0, commands.stderr
        assert commands.stdout.startswith("Mxwarden commands:\n")

        page = sb.run(["man", "mxwarden"], env=env)
        assert page.returncode == 0, page.stderr
        for text in ("MXWARDEN(8)", "--add-domain", "VEL_PASSWORD", "EXIT STATUS"):
            assert text in page.stdout, f"man mxwarden lacks {text!r}"

        cases = [
            ("command words", ["mxwarden", "--add-d"],
             {"--add-domain", "--add-domain-alias", "--add-domain-to-sender-transport"}),
            ("an option of --add-domain", ["mxwarden", "--add-domain", "--dom"],
             {"--domain-name="}),
            ("a listed value", ["mxwarden", "--set-accounts-format", "--account-format=co"],
             {"compound"}),
        ]
        for name, words, want in cases:
            got = set(completion(sb, words))
            assert got == want, f"{name}: got {sorted(got)}, want {sorted(want)}"

        purged = sb.run(["apt-get", "purge", "-y", "-q", "mxwarden"], env=env, timeout=180)
        assert purged.returncode == 0, purged.stdout + purged.stderr
        assert sb.sh("ls /var/lib/dpkg/info/mxwarden.* 2>/dev/null").stdout == ""
        after = sb.sh(SNAPSHOT, check=True).stdout
        gained = set(after.splitlines()) - set(before.splitlines())
        lost = set(before.splitlines()) - set(after.splitlines())
        assert (gained, lost) == (set(), set()), "the purge left the system changed"


def test_lintian_reports_no_errors(deb):
    result = subprocess.run(["lintian", "--fail-on", "error", "--no-tag-display-limit", deb],
                            stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                            timeout=240)
    assert result.returncode == 0, result.stdout
