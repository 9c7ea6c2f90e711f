"""Includes run only downward: from a layer to the ones below it, and inside
a layer from a folder to the folders listed before it."""
import os
import re
import subprocess

TOP = os.environ.get("MXWARDEN_TOP") or os.path.dirname(
    os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# Lowest first. A folder may include itself and anything earlier.
ORDER = [
    "lib/errors", "lib/util", "lib/names", "lib/net", "lib/process", "lib/runner", "lib/panel",
    "mail/lib/tree", "mail/lib/quota", "mail/lib/storage", "mail/lib/cipher", "mail/lib/auth",
    "mail/lib/handlers", "mail/lib/daemons", "mail/lib/files",
    "mail/postfix/lib", "mail/postfix/tables", "mail/postfix/accounts",
    "mail/postfix/config", "mail/postfix/services", "mail/postfix/options", "mail/postfix/commands", "mail/postfix/entry",
    "mail/postfix/doc",
    "mail/postfix",
]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(path):
    matches = [f for f in ORDER if path.startswith(f + "/")]
    return max(matches, key=len) if matches else None


def source_files():
    out = subprocess.check_output(["git", "ls-files", "lib", "mail"], cwd=TOP, text=True)
    return [f for f in out.split() if f.endswith((".h", ".cpp"))]


def test_every_source_file_lies_in_a_known_folder():
    stray = [f for f in source_files() if folder_of(f) is None]
    assert stray == [], f"files outside the subsystem folders: {stray}"


def test_includes_run_only_downward():
    upward = []
    for f in source_files():
        rank = ORDER.index(folder_of(f))
        with open(os.path.join(TOP, f)) as src:
            for inc in INCLUDE.findall(src.read()):
                target = folder_of(inc)
                if target is not None and ORDER.index(target) > rank:
                    upward.append(f"{f} includes {inc}")
    assert upward == [], "upward includes:\n" + "\n".join(upward)
