"""Where a mailbox's mail also comes from and goes to: mail aliases, which
share the mailbox's password and handlers and receive its mail until they
are removed; redirects in .qmail; the autoresponder handler."""

import pytest

import sandbox
from mail_setup import (add_handler, auth_rows, check, delivered_subjects, fatal,
                        fresh_mail_system, handler_addresses, maildir,
                        make_domain, rcpt_code, run, send, tables)

D = "fwd.test"
A = "fwd-alias.test"
HOME = f"{sandbox.MAIL_ROOT}/{D}"


@pytest.fixture(scope="module")
def sb():
    with sandbox.session(postfix=True) as box:
        fresh_mail_system(box)
        make_domain(box, D, [A])
        yield box


def names(mailname):
    return [f"--domain-name={D}", f"--mailname={mailname}"]


def mailbox_with_alias(sb, mailname, alias):
    """A mailbox with a password and a handler, and its mail alias added."""
    sb.add_mailname(D, mailname)
    sb.add_mail_alias(D, mailname, alias)
    check(run(sb, "--add-mailname", *names(mailname)), 0)
    check(run(sb, "--add-mailbox", *names(mailname), env={"VEL_PASSWORD": "pw"}), 0)
    add_handler(sb, f"{mailname}@{D}")
    check(run(sb, "--add-alias", *names(mailname), f"--alias={alias}"), 0)


def alias_records(sb, alias):
    return [r for r in tables(sb)["virtual"] if r.startswith(alias + "@")]


def test_alias_receives_mail_and_shares_password_and_handlers(sb):
    mailbox_with_alias(sb, "bob", "robert")
    assert alias_records(sb, "robert") == [f"robert@{A}\tbob@{D}", f"robert@{D}\tbob@{D}"]
    rows = auth_rows(sb)
    assert rows[f"robert@{D}"] == rows[f"bob@{D}"]
    assert f"robert@{D}" in handler_addresses(sb)
    send(sb, f"robert@{D}", "to the alias")
    send(sb, f"robert@{A}", "to the alias at the domain alias")
    assert delivered_subjects(sb, maildir(D, "bob"), 2) == [
        "to the alias", "to the alias at the domain alias"]


def test_removed_alias_refuses_mail_and_leaves_no_rows(sb):
    mailbox_with_alias(sb, "carl", "charlie")
    assert rcpt_code(sb, f"charlie@{D}") == 250
    check(run(sb, "--remove-alias", *names("carl"), "--alias=charlie"), 0)
    assert alias_records(sb, "charlie") == []
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


HOSTILE = [
    ("--add-alias", ["--mailname=bob", "--alias=a\nb"], "a\nb"),
    ("--add-alias", ["--mailname=bob", "--alias=../x"], "../x"),
    ("--remove-alias", ["--mailname=..", "--alias=robert"], ".."),
    ("--add-redirect", ["--mailname=bob", "--redirect-email=x@a/b"], "x@a/b"),
    ("--add-redirect", ["--mailname=bob", "--redirect-email=x\n@b.test"], "x\n@b.test"),
    ("--remove-redirect", ["--mailname=a/b", "--redirect-email=x@b.test"], "a/b"),
]


@pytest.mark.parametrize("command, args, name", HOSTILE,
                         ids=[f"{h[0]} {h[2]!r}" for h in HOSTILE])
def test_hostile_names_are_refused_with_nothing_changed(sb, command, args, name):
    check(run(sb, "--add-mailname", *names("bob")), 0)
    before = (tables(sb), sb.read(f"{HOME}/bob/.qmail"), auth_rows(sb))
    text = fatal(f"std::invalid_argument({name})")
    check(run(sb, command, f"--domain-name={D}", *args), 1, out=text, err=text)
    assert (tables(sb), sb.read(f"{HOME}/bob/.qmail"), auth_rows(sb)) == before
