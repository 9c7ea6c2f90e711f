"""A mailbox's life as the panel drives it: created, given a mailbox and a
password, quota and size, renamed, emptied and removed; each step checked
on both output streams and the exit status, then by what a mail user sees:
mail that arrives or is refused, passwords the services can read. Then
where a mailbox's mail also comes from and goes to: mail aliases, which
share the mailbox's password and handlers and receive its mail until they
are removed; redirects in .qmail; the autoresponder handler."""

import os

import pytest

import sandbox
from mail_setup import (add_handler, auth_rows, check, decipher,
                        delivered_subjects, dump, fatal, fresh_mail_system,
                        handler_addresses, mailbox, maildir, make_domain, rcpt_code, run, send,
                        tables)

D = "life.test"
A = "life-alias.test"
HOME = f"{sandbox.MAIL_ROOT}/{D}"


@pytest.fixture(scope="module")
def sb():
    with sandbox.Sandbox(postfix=True) as box:
        fresh_mail_system(box)
        make_domain(box, D, [A])
        yield box


def names(mailname):
    return [f"--domain-name={D}", f"--mailname={mailname}"]


def records_of(sb, *words):
    """vmailbox and virtual records that mention one of the words."""
    return {t: [r for r in rows if any(w in r for w in words)]
            for t, rows in tables(sb).items()}


# The commands' own help; the most recently declared mandatory option is
# the one a bare command misses.
HELP = [
    ("--add-mailname", "add a mailname", "--mailname"),
    ("--remove-mailname", "remove a mailname", "--mailname"),
    ("--rename-mailname", "rename a mailname", "--new-mailname"),
    ("--add-mailbox", "add mailname's mailbox", "--mailname"),
    ("--remove-mailbox", "remove mailname's mailbox", "--mailname"),
    ("--set-password", "set mailname's password", "--mailname"),
    ("--set-mailbox-disk-quota", "set mailbox disk quota", "--disk-quota"),
    ("--get-mailbox-size", "get mailbox size", "--mailname"),
    ("--add-redirect", "add a redirect", "--redirect-email"),
    ("--remove-redirect", "remove a given redirect", "--redirect-email"),
    ("--add-alias", "add alias for a given mailname", "--alias"),
    ("--remove-alias", "remove alias for a given mailname", "--alias"),
    ("--set-autoresponder", "add autoresponder for a given mailname", "--mailname"),
    ("--reset-autoresponder", "remove autoresponder for a given mailname", "--mailname"),
]


@pytest.mark.parametrize("command, description, missing", HELP, ids=[h[0] for h in HELP])
def test_help_and_missing_option(sb, command, description, missing):
    shown = run(sb, command, "--help")
    assert (shown.returncode, shown.stderr) == (0, "")
    head = f"{description}\nUsage: {command} "
    assert shown.stdout.startswith(head), f"got {shown.stdout!r}, want head {head!r}"
    assert f"\nAllowed options to {description}:\n" in shown.stdout
    message = f'mandatory option "{missing}" is not specified\n'
    check(run(sb, command), 1, out=message + shown.stdout, err=message)


def test_help_of_add_mailbox_tells_where_the_password_comes_from(sb):
    check(run(sb, "--add-mailbox", "-h"), 0, out=(
        "add mailname's mailbox\n"
        "Usage: --add-mailbox --domain-name=<domain_name> --mailname=<mail_name>"
        " [--mail-domain-disabled|-D]\n"
        "        The noncrypted password is transferred in the environment variable"
        " VEL_PASSWORD,\n"
        "        or crypted password is transferred in the environment variable"
        " VEL_CRYPTED_PASSWORD\n"
        "Allowed options to add mailname's mailbox:\n"
        "  --domain-name arg              domain name (mandatory)\n"
        "  --mailname arg                 mailname (mandatory)\n"
        "  -D [ --mail-domain-disabled ]  the domain is disabled (currently unused)\n"
        "  -h [ --help ]                  displays this help message\n\n"))


def test_new_mailbox_receives_mail_at_domain_and_alias(sb):
    mailbox(sb, D, "joe", env={"VEL_PASSWORD": "s3cret"})
    assert records_of(sb, "joe@") == {
        "vmailbox": [f"joe@{D}\t{D}/joe/Maildir/"],
        "virtual": [f"joe@{A}\tjoe@{D}", f"joe@{D}\tjoe@{D}"]}
    assert sb.read(f"{HOME}/joe/.qmail") == "| true\n| /usr/bin/deliverquota ./Maildir\n"
    send(sb, f"joe@{D}", "direct")
    send(sb, f"joe@{A.upper()}", "through the domain alias")
    assert delivered_subjects(sb, maildir(D, "joe"), 2) == ["direct", "through the domain alias"]


PLAIN, CRYPTED = "pl@in 'pw' $x", "$1$salt$Crypted/Text"
PASSWORDS = [
    ("plain", {"VEL_PASSWORD": PLAIN}, PLAIN, ""),
    ("crypted", {"VEL_CRYPTED_PASSWORD": CRYPTED}, None, CRYPTED),
    ("plain wins", {"VEL_PASSWORD": PLAIN, "VEL_CRYPTED_PASSWORD": CRYPTED}, PLAIN, ""),
    ("none", {}, None, None),
]


@pytest.mark.parametrize("case, env, plain, crypted", PASSWORDS, ids=[p[0] for p in PASSWORDS])
def test_add_mailbox_stores_the_password_at_domain_and_alias(sb, case, env, plain, crypted):
    mailname = "pw-" + case.replace(" ", "-")
    mailbox(sb, D, mailname, env=env)
    rows = auth_rows(sb)
    for address in (f"{mailname}@{D}", f"{mailname}@{A}"):
        if crypted is None:
            assert address not in rows, case
            continue
        enciphered, stored, status = rows[address]
        got = decipher(sb, enciphered) if enciphered else None
        assert (got, stored, status) == (plain, crypted, 0), f"{case} {address}"


def test_set_password_reaches_mail_aliases_and_domain_aliases(sb):
    mailbox(sb, D, "pat", env={"VEL_PASSWORD": "old"}, mail_aliases=["patty"])
    check(run(sb, "--set-password", *names("pat"), env={"VEL_PASSWORD": "new"}), 0)
    rows = auth_rows(sb)
    for address in (f"pat@{D}", f"pat@{A}", f"patty@{D}", f"patty@{A}"):
        assert decipher(sb, rows[address][0]) == "new", address


RENAMES = [
    # With a password the record moves (in the domain only); without one
    # every record of the old name goes.
    ("with password", {"VEL_PASSWORD": "pw"}, "ren-w"),
    ("without password", {}, "ren-o"),
]


@pytest.mark.parametrize("case, env, old", RENAMES, ids=[r[0] for r in RENAMES])
def test_rename_moves_records_directory_passwords_and_handlers(sb, case, env, old):
    new = old + "2"
    mailbox(sb, D, old)
    sb.postmap_add("virtual", f"x{old}@{D}", f"x{old}@{D}, {old}@{D}")
    sb.postmap_add("virtual", f"la-{old}@{D}", f"{old}@{D}")
    add_handler(sb, f"{old}@{D}")
    check(run(sb, "--rename-mailname", f"--domain-name={D}", f"--old-mailname={old}",
              f"--new-mailname={new}", env=env), 0)
    assert records_of(sb, f"{old}@", f"{new}@") == {
        "vmailbox": [f"{new}@{D}\t{D}/{new}/Maildir/"],
        "virtual": sorted([f"la-{old}@{D}\t{new}@{D}", f"{new}@{D}\t{new}@{D}",
                           f"{old}@{A}\t{new}@{D}", f"x{old}@{D}\tx{old}@{D}, {new}@{D}"])}
    assert not sb.exists(f"{HOME}/{old}") and sb.exists(f"{HOME}/{new}/Maildir/new")
    want_rows = [f"{new}@{D}", f"{old}@{A}"] if env else []
    assert sorted(a for a in auth_rows(sb) if old in a) == sorted(want_rows)
    assert [a for a in handler_addresses(sb) if old in a] == [f"{new}@{D}"]
    send(sb, f"{new}@{D}", "renamed")
    assert delivered_subjects(sb, maildir(D, new)) == ["renamed"]


def test_rename_finds_a_mixed_case_mailname_under_its_folded_key(sb):
    mailbox(sb, D, "Mixed", env={})
    check(run(sb, "--rename-mailname", f"--domain-name={D}", "--old-mailname=Mixed",
              "--new-mailname=Mixed2"), 0)
    assert records_of(sb, "ixed") == {
        "vmailbox": [f"mixed2@{D}\t{D}/Mixed2/Maildir/"],
        "virtual": [f"mixed2@{D}\tMixed2@{D}", f"mixed@{A}\tMixed2@{D}"]}
    send(sb, f"mixed2@{D}", "folded")
    assert delivered_subjects(sb, maildir(D, "Mixed2")) == ["folded"]


UNDO = [
    ("old home missing", "rm -rf {home}/undo-a", "No such file or directory"),
    ("new home taken", "install -d -o popuser {home}/undo-a2/keep", "Directory not empty"),
]


@pytest.mark.parametrize("case, breakage, error", UNDO, ids=[u[0] for u in UNDO])
def test_failed_directory_rename_leaves_the_tables_as_they_were(sb, case, breakage, error):
    sb.run(["rm", "-rf", f"{HOME}/undo-a", f"{HOME}/undo-a2"], check=True)
    check(run(sb, "--add-mailname", *names("undo-a")), 0)
    sb.postmap_add("virtual", f"undo-l@{D}", f"undo-a@{D}")
    sb.sh(breakage.format(home=HOME), check=True)
    before = tables(sb)
    fatal(run(sb, "--rename-mailname", f"--domain-name={D}", "--old-mailname=undo-a",
              "--new-mailname=undo-a2"), "quarn::mail::FSError",
          f'rename: {error}: "{HOME}/undo-a", "{HOME}/undo-a2"')
    assert tables(sb) == before


def test_remove_mailbox_stops_delivery_and_drops_every_password(sb):
    mailbox_with_alias(sb, "rmb", "rmb-alias")
    check(run(sb, "--remove-mailbox", *names("rmb")), 0)
    assert sb.read(f"{HOME}/rmb/.qmail") == "| true\n"
    assert [a for a in auth_rows(sb) if "rmb" in a] == []


def test_removed_mailname_refuses_mail_and_leaves_nothing(sb):
    mailbox(sb, D, "gone")
    add_handler(sb, f"gone@{D}")
    check(run(sb, "--remove-mailname", *names("gone")), 0)
    assert records_of(sb, "gone@") == {"vmailbox": [], "virtual": []}
    assert not sb.exists(f"{HOME}/gone")
    assert [a for a in auth_rows(sb) if "gone" in a] == []
    assert [a for a in handler_addresses(sb) if "gone" in a] == []
    assert rcpt_code(sb, f"gone@{D}") == 550


def mailbox_with_alias(sb, mailname, alias):
    """A mailbox with a password and a handler, and its mail alias added."""
    mailbox(sb, D, mailname, mail_aliases=[alias])
    add_handler(sb, f"{mailname}@{D}")
    check(run(sb, "--add-alias", *names(mailname), f"--alias={alias}"), 0)


def test_alias_receives_mail_and_shares_password_and_handlers(sb):
    mailbox_with_alias(sb, "bob", "robert")
    assert records_of(sb, "robert@")["virtual"] == [f"robert@{A}\tbob@{D}", f"robert@{D}\tbob@{D}"]
    rows = auth_rows(sb)
    assert rows[f"robert@{D}"] == rows[f"bob@{D}"]
    assert f"robert@{D}" in handler_addresses(sb)
    send(sb, f"robert@{D}", "to the alias")
    send(sb, f"robert@{A}", "to the alias at the domain alias")
    assert delivered_subjects(sb, maildir(D, "bob"), 2) == [
        "to the alias", "to the alias at the domain alias"]


def test_removed_alias_refuses_mail_and_leaves_no_rows(sb):
    mailbox_with_alias(sb, "carl", "charlie")
    check(run(sb, "--remove-alias", *names("carl"), "--alias=charlie"), 0)
    assert records_of(sb, "charlie@")["virtual"] == []
    assert [a for a in auth_rows(sb) if a.startswith("charlie@")] == []
    assert f"charlie@{D}" not in handler_addresses(sb)
    assert (rcpt_code(sb, f"charlie@{D}"), rcpt_code(sb, f"carl@{D}")) == (550, 250)


# Each step and the .qmail lines after it.
REDIRECTS = [
    ("--add-redirect", "ann@Example.ORG", ["&ann@example.org"]),
    ("--add-redirect", "bob@bücher.example", ["&ann@example.org", "&bob@xn--bcher-kva.example"]),
    ("--add-redirect", "ann@example.org", ["&bob@xn--bcher-kva.example", "&ann@example.org"]),
    ("--remove-redirect", "bob@BÜCHER.example", ["&ann@example.org"]),
    ("--remove-redirect", "ann@example.org", []),
]


def test_redirects_are_kept_once_each_last_in_ascii_form(sb):
    sb.add_mailname(D, "red")
    check(run(sb, "--add-mailname", *names("red")), 0)
    for command, address, lines in REDIRECTS:
        check(run(sb, command, *names("red"), f"--redirect-email={address}"), 0)
        got = sb.read(f"{HOME}/red/.qmail").splitlines()
        assert got == ["| true"] + lines, f"after {command} {address}: got {got}"


def test_autoresponder_is_a_handler_of_the_address(sb):
    check(run(sb, "--add-mailname", *names("away")), 0)
    check(run(sb, "--set-autoresponder", *names("away")), 0)
    assert f"away@{D}" in handler_addresses(sb)
    check(run(sb, "--reset-autoresponder", *names("away")), 0)
    assert f"away@{D}" not in handler_addresses(sb)


def deliverquota(sb, mailname, size):
    """deliverquota's exit status for a message of about size bytes, run as
    popuser in the mailbox's home as its .qmail line does."""
    message = "Subject: q\n\n" + "x" * size + "\n"
    return sb.run(["runuser", "-u", "popuser", "--", "sh", "-c",
                   f"cd {HOME}/{mailname} && /usr/sbin/deliverquota ./Maildir"],
                  input=message).returncode


def test_quota_limits_deliverquota_and_size_counts_the_mailbox(sb):
    mailbox(sb, D, "quo", env={})
    attachments = os.lstat(sb.path(f"{HOME}/quo/@attachments"))
    check(run(sb, "--get-mailbox-size", *names("quo")), 0, out=str(attachments.st_size))
    check(run(sb, "--set-mailbox-disk-quota", *names("quo"), "--disk-quota=10000"), 0)
    limit = 10000 - attachments.st_size
    assert sb.read(f"{HOME}/quo/Maildir/maildirsize").split("\n")[0] == f"{limit}S,0C"
    assert deliverquota(sb, "quo", 2000) == 0
    assert deliverquota(sb, "quo", 20000) != 0
    [message] = sb.listdir(f"{HOME}/quo/Maildir/new")
    stat = os.lstat(sb.path(f"{HOME}/quo/Maildir/new/{message}"))
    check(run(sb, "--get-mailbox-size", *names("quo")), 0,
          out=str(attachments.st_size + stat.st_size))
    # In blocks only the attachments store changes: Maildir++ counts bytes.
    check(run(sb, "--get-mailbox-size", "--in-blocks", *names("quo")), 0,
          out=str(attachments.st_blocks * 512 + stat.st_size))


DN = f"--domain-name={D}"
HOSTILE = [
    ("--add-mailname", [DN, "--mailname=a/b"], "a/b"),
    ("--add-mailname", ["--domain-name=../x", "--mailname=ok"], "../x"),
    ("--rename-mailname", [DN, "--old-mailname=joe", "--new-mailname=../joe"], "../joe"),
    ("--set-password", [DN, "--mailname=.."], ".."),
    ("--remove-mailname", ["--domain-name=" + D + "\n", "--mailname=joe"], D + "\n"),
    ("--add-alias", [DN, "--mailname=bob", "--alias=a\nb"], "a\nb"),
    ("--remove-alias", [DN, "--mailname=..", "--alias=robert"], ".."),
    ("--add-redirect", [DN, "--mailname=bob", "--redirect-email=x@a/b"], "x@a/b"),
    ("--remove-redirect", [DN, "--mailname=a/b", "--redirect-email=x@b.test"], "a/b"),
]


@pytest.mark.parametrize("command, args, name", HOSTILE,
                         ids=[f"{h[0]} {h[2]!r}" for h in HOSTILE])
def test_hostile_names_are_refused_with_nothing_changed(sb, command, args, name):
    check(run(sb, "--add-mailname", *names("bob")), 0)
    before = (tables(sb), sb.listdir(HOME), auth_rows(sb), sb.read(f"{HOME}/bob/.qmail"))
    fatal(run(sb, command, *args), "std::invalid_argument", name)
    assert (tables(sb), sb.listdir(HOME), auth_rows(sb), sb.read(f"{HOME}/bob/.qmail")) == before


def test_twenty_concurrent_add_mailname_runs_all_succeed(sb):
    script = (f'for i in $(seq 20); do "$0" --add-mailname --domain-name={D}'
              ' --mailname=many$i & pids="$pids $!"; done;'
              ' for p in $pids; do wait $p; echo $?; done')
    statuses = sb.run(["/bin/bash", "-c", script, sandbox.mxwarden()], timeout=120).stdout
    assert statuses.split() == ["0"] * 20
    vmailbox = dump(sb, "vmailbox")
    for i in range(1, 21):
        assert f"many{i}@{D}\t{D}/many{i}/Maildir/" in vmailbox, i
        assert f"many{i}@{D}\tmany{i}@{D}" in dump(sb, "virtual"), i
        assert sb.exists(f"{HOME}/many{i}/Maildir/cur"), i
