"""The attachment commands in the sandbox: listings, option conflicts with
the help on both streams, adding, removing and refused names, each checked
byte for byte on both output streams with the exit status."""

import os

import pytest

import sandbox
from mail_setup import check, fatal, run

DOMAIN = "attach.test"
STORE = f"{sandbox.MAIL_ROOT}/{DOMAIN}/joe/@attachments"
UPLOAD = "/tmp/upload.txt"

LIST_HELP = """list attachments
Usage: --list-attachments [--in-blocks] [--fullname] --domain-name=<domain_name> (--mailname=<mail_name>|--mail-all)
Allowed options to list attachments:
  --in-blocks           report in blocks rather than bytes (false by default)
  --fullname            report full attachment paths (false by default)
  --mail-all            report attachments for all mailnames (false by default)
  --domain-name arg     domain name (mandatory)
  --mailname arg        mailname
  -h [ --help ]         displays this help message

"""

def no_dir(path):
    return (f"Unable to open dir {path}: No such file or directory\n\n"
            "System error 2: No such file or directory\n")


@pytest.fixture
def sb(box):
    """joe with a store holding a 1-byte file, ann without a store."""
    box.run(["rm", "-rf", f"{sandbox.MAIL_ROOT}/{DOMAIN}"], check=True)
    box.make_maildir(DOMAIN, "joe")
    box.make_maildir(DOMAIN, "ann")
    box.run(["install", "-d", "-o", "popuser", "-g", "popuser", "-m", "0700", STORE],
            check=True)
    box.write(f"{STORE}/a.txt", "x")
    box.write(UPLOAD, "BEGIN:VCARD\n")
    return box


JOE_LISTINGS = [  # options, output; "{blocks}" is a.txt's size in blocks
    ([], "a.txt\t1\n"),
    (["--in-blocks"], "a.txt\t{blocks}\n"),
    (["--fullname"], f"{STORE}/a.txt\t1\n"),
]


@pytest.mark.parametrize("options, want", JOE_LISTINGS)
def test_listing_in_bytes_and_blocks(sb, options, want):
    blocks = os.lstat(sb.path(f"{STORE}/a.txt")).st_blocks * 512
    check(run(sb, "--list-attachments", *options, "--domain-name=Attach.TEST", "--mailname=joe"),
          0, out=want.format(blocks=blocks))


def test_listing_all_mailnames_goes_past_one_without_store(sb):
    result = run(sb, "--list-attachments", f"--domain-name={DOMAIN}", "--mail-all")
    missing = no_dir(f"{sandbox.MAIL_ROOT}/{DOMAIN}/ann/@attachments")
    assert (result.returncode, result.stderr) == (0, missing)
    assert sorted(result.stdout.splitlines()) == sorted(
        missing.splitlines() + ["a.txt\t1"])


@pytest.mark.parametrize("extra, text", [
    (["--mailname=ann"], no_dir(f"{sandbox.MAIL_ROOT}/{DOMAIN}/ann/@attachments")),
    (["--mail-all", "--mailname=joe"],
     "you should not use --mailname and --mail-all together\n" + LIST_HELP),
    ([], "neither --mailname nor --mail-all are specified\n" + LIST_HELP),
])
def test_listing_refusals(sb, extra, text):
    check(run(sb, "--list-attachments", f"--domain-name={DOMAIN}", *extra), 1,
          out=text, err=text)


def test_add_and_remove(sb):
    args = [f"--domain-name={DOMAIN}", "--mailname=joe"]
    check(run(sb, "--add-attachment", *args, f"--file-name={UPLOAD}",
              "--attachment-file-name=card.vcf"), 0)
    assert sb.read(f"{STORE}/card.vcf") == "BEGIN:VCARD\n"
    owner = sb.run(["stat", "-c", "%U:%G %a", f"{STORE}/card.vcf"], check=True).stdout
    assert owner == "popuser:popuser 644\n"
    for _ in range(2):  # a missing file is no error
        check(run(sb, "--remove-attachment", *args, "--attachment-file-name=card.vcf"), 0)
    assert sb.listdir(STORE) == ["a.txt"]


def test_add_without_store_fails(sb):
    target = f"{sandbox.MAIL_ROOT}/{DOMAIN}/ann/@attachments/card.vcf"
    text = (f"Unable to copy the attachment file {UPLOAD} to {target}\n\n"
            "System error 2: No such file or directory\n")
    check(run(sb, "--add-attachment", f"--domain-name={DOMAIN}", "--mailname=ann",
              f"--file-name={UPLOAD}", "--attachment-file-name=card.vcf"), 1,
          out=text, err=text)


@pytest.mark.parametrize("option, value", [
    ("--attachment-file-name", ".."), ("--attachment-file-name", "../a.txt"),
    ("--attachment-file-name", ""), ("--mailname", ".."), ("--domain-name", "../x"),
])
@pytest.mark.parametrize("command", ["--add-attachment", "--remove-attachment"])
def test_refused_names_change_nothing(sb, command, option, value):
    args = {"--domain-name": DOMAIN, "--mailname": "joe", "--attachment-file-name": "a.txt"}
    args[option] = value
    if command == "--add-attachment":
        args["--file-name"] = UPLOAD
    # Name and value as two words: "--name=" with nothing after is the
    # option library's own error.
    words = [word for pair in args.items() for word in pair]
    fatal(run(sb, command, *words), "std::invalid_argument", value)
    assert sb.listdir(STORE) == ["a.txt"]
    assert sb.read(f"{STORE}/a.txt") == "x"

