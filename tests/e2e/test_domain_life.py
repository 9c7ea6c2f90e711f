"""A mail domain's life in the sandbox, as the panel drives it and as a mail
user then sees it: each command's output and exit status byte for byte, then
mail that arrives, is refused or goes to the bounce program, and the rows of
the authentication and handlers databases and the DomainKeys files that
follow the domain and its aliases."""

import re

import pytest

import sandbox
from mail_setup import AUTH_DB, check, fatal, fresh_mail_system, mailbox, make_domain, run
import mail_setup

HANDLERS_DB = "/var/lib/quarn/mail/handlers/handlers.db"
KEYS = "/etc/domainkeys"
LOG = "/run/sandbox/postfix.log"

# Options: "name=text" takes a value, "name:text" is a switch, "!" mandatory.
DOMAIN = "domain-name=domain name!"
UNKNOWN_GROUP = ("set-catchall:set a domain catchall address;email=catchall e-mail address;"
                 "set-bounce:set a domain bounce;phrase=phrase;set-reject:set domain reject flag")
CHOICE = " <--set-bounce 'text'| --set-catchall 'email' | --set-reject>"
COMMANDS = {  # command: description, syntax, options
    "--add-domain": ("add a domain", "--domain-name=<domain> [--disk-quota=quota]",
                     f"{DOMAIN};disk-quota=disk quota"),
    "--remove-domain": ("remove a domain", "--domain-name=<domain>", DOMAIN),
    "--turn-on-domain": ("enable a domain", "--domain-name=<domain>", DOMAIN),
    "--turn-off-domain": ("disable a domain", "--domain-name=<domain>", DOMAIN),
    "--set-domain-disk-quota": ("set a domain disk quota",
                                "--domain-name=<domain> --disk-quota=quota",
                                f"{DOMAIN};disk-quota=disk quota!"),
    "--add-domain-alias": (
        "add a domain alias",
        "--domain-name=<domain_name> --domain-alias-name=<domain_alias_name>" + CHOICE,
        f"{DOMAIN};domain-alias-name=domain alias name!;{UNKNOWN_GROUP}"),
    "--del-domain-alias": ("remove a domain alias",
                           "--domain-name=<domain_name> --domain-alias-name=<domain_alias_name>",
                           f"{DOMAIN};domain-alias-name=domain alias name!"),
    "--rename-domain-alias": (
        "rename a given domain alias",
        "--domain-name=<domain_name> --old-domain-alias-name=<old_domain_alias_name> "
        "--new-domain-alias-name=<new_domain_alias_name>" + CHOICE,
        f"{DOMAIN};old-domain-alias-name=old domain alias name!;"
        f"new-domain-alias-name=new domain alias name!;{UNKNOWN_GROUP}"),
    "--set-domain-key": ("set DomainKey",
                         "--domain-name=<domain,domain,... > --file-name=<full_file_name>",
                         f"{DOMAIN};file-name=full path to uploaded key!"),
    "--remove-domain-key": ("remove DomainKey", "--domain-name=<domain,domain,...>", DOMAIN),
    "--set-catchall": ("set a domain catchall address",
                       "--domain-name=<domain_name> --email=<email_address>",
                       f"{DOMAIN};email=catchall e-mail address!"),
    "--set-bounce": ("set a domain bounce", "--domain-name=<domain_name> [--phrase=<phrase>]",
                     f"{DOMAIN};phrase=phrase"),
    "--set-reject": ("set domain reject flag", "--domain-name=<domain-name>", DOMAIN),
    "--unset-reject": ("remove domain reject flag", "--domain-name=<domain-name>", DOMAIN),
}


def options_of(command):
    """(name, takes a value, text, mandatory) of each option."""
    found = []
    for option in COMMANDS[command][2].split(";"):
        name, value, text = re.fullmatch(r"([a-z-]+)([=:])(.*?)!?", option).groups()
        found.append((name, value == "=", text, option.endswith("!")))
    return found


def help_text(command):
    """The command's help in the option library's layout."""
    description, syntax, _ = COMMANDS[command]
    rows = [(f"  --{name}" + (" arg" if value else ""), text + (" (mandatory)" if must else ""))
            for name, value, text, must in options_of(command)]
    rows.append(("  -h [ --help ]", "displays this help message"))
    # The name column: at least 23, the longest name and its blank, one more.
    width = max([23] + [len(left) + (0 if left.endswith(" arg") else 1) for left, _ in rows]) + 1
    lines = [description, f"Usage: {command} {syntax}", f"Allowed options to {description}:"]
    return "\n".join(lines + [left.ljust(width) + text for left, text in rows]) + "\n\n"


@pytest.fixture(scope="module")
def sb():
    with sandbox.Sandbox(postfix=True) as box:
        fresh_mail_system(box)
        box.run(["mkdir", "-p", "/run/upload"], check=True)
        yield box


def sql(sb, db, statement):
    return sb.run(["sqlite3", db, statement], check=True).stdout.splitlines()


def pids(sb, name):
    return set(sb.run(["pgrep", "-x", name]).stdout.split())


def settle(sb):
    """Postfix's daemons take up the changed tables: the rewriting daemon and
    cleanup keep answers of the old ones until they restart."""
    old = pids(sb, "trivial-rewrite") | pids(sb, "cleanup")
    sb.run(["postfix", "reload"], check=True)
    assert sandbox.wait_for(lambda: not (pids(sb, "trivial-rewrite") | pids(sb, "cleanup")) & old)


def delivered(sb, address, maildir):
    """Mail sent to address arrives in maildir."""
    settle(sb)
    count = sum(len(sb.listdir(f"{maildir}/{d}")) for d in ("new", "cur"))
    sb.sendmail(address, f"Subject: to {address}\n\nhello\n")
    return len(sb.wait_delivery(maildir, timeout=20, count=count + 1)) > count


def delivery_status(sb, address):
    """Postfix's final word on mail sent to address: sent, bounced, deferred."""
    settle(sb)
    before = len(sb.read(LOG).splitlines())
    sb.sendmail(address, f"Subject: to {address}\n\nhello\n")

    def status():
        for line in sb.read(LOG).splitlines()[before:]:
            if f"<{address}>" in line and " status=" in line:
                return line.split(" status=")[1].split()[0]
        return None
    return sandbox.wait_for(status, timeout=30)


def rcpt_code(sb, address):
    settle(sb)
    return mail_setup.rcpt_code(sb, address)


def auth_status(sb, *domains):
    names = ",".join(f"'{d}'" for d in domains)
    return sql(sb, AUTH_DB, f"SELECT name, status FROM domains WHERE name IN ({names})"
               " ORDER BY name")


def handlers(sb, like):
    return sql(sb, HANDLERS_DB, "SELECT address, enabled FROM handlers"
               f" WHERE address LIKE '%{like}' ORDER BY address")


def add_handlers(sb, domain):
    """A handler of the domain's own and one of its mailbox joe."""
    for kind, address in ((3, domain), (1, f"joe@{domain}")):
        sql(sb, HANDLERS_DB, f"INSERT INTO handlers VALUES (1, {kind}, 1, 10, 'scan',"
            f" '{address}', '/bin/true', 'ctx')")


@pytest.mark.parametrize("command", sorted(COMMANDS))
def test_help_and_missing_option(sb, command):
    check(run(sb, command, "--help"), 0, out=help_text(command))
    # The newest mandatory option is the one reported.
    missing = [name for name, _, _, must in options_of(command) if must][-1]
    line = f'mandatory option "--{missing}" is not specified\n'
    check(run(sb, command), 1, out=line + help_text(command), err=line)


@pytest.mark.parametrize("given, ascii", [
    ("Life.Example", "life.example"),
    ("Bücher.Example", "xn--bcher-kva.example"),
])
def test_added_domain_receives_mail(sb, given, ascii):
    make_domain(sb, given, ascii=ascii)
    assert sb.postmap_get("virtual_domains", ascii) == f"{ascii}/"
    assert sb.postmap_get("virtual", f"postmaster@{ascii}") == "postmaster@localhost.localdomain"
    assert delivered(sb, f"joe@{ascii}", mailbox(sb, ascii, "joe"))


def test_domain_alias_follows_domain(sb):
    domain, alias, renamed = "main.example", "alias.example", "renamed.example"
    make_domain(sb, domain)
    maildir = mailbox(sb, domain, "joe")
    add_handlers(sb, domain)
    sb.write("/run/upload/key.pem", "KEY\n", mode=0o600)
    check(run(sb, "--set-domain-key", f"--domain-name={domain},Other.Example",
              "--file-name=/run/upload/key.pem"), 0)
    assert not sb.exists("/run/upload/key.pem")
    assert sb.read(f"{KEYS}/other.example/default") == "KEY\n"
    check(run(sb, "--remove-domain-key", "--domain-name=other.example"), 0)
    assert not sb.exists(f"{KEYS}/other.example")

    sb.add_domain_alias(domain, alias)
    check(run(sb, "--add-domain-alias", f"--domain-name={domain}",
              f"--domain-alias-name={alias.upper()}", "--set-reject"), 0)
    assert delivered(sb, f"joe@{alias}", maildir)
    assert handlers(sb, alias) == [f"{alias}|1", f"joe@{alias}|1"]
    assert sb.read(f"{KEYS}/{alias}/default") == "KEY\n"
    assert [a for a in mail_setup.auth_rows(sb) if a.endswith("@" + alias)] == [f"joe@{alias}"]

    check(run(sb, "--rename-domain-alias", f"--domain-name={domain}",
              f"--old-domain-alias-name={alias}", f"--new-domain-alias-name={renamed}",
              "--set-reject"), 0)
    sb.sql(f"UPDATE domainaliases SET name='{renamed}' WHERE name='{alias}'")
    assert delivered(sb, f"joe@{renamed}", maildir)
    # The alias's own handler moves; those of its addresses are cloned, and
    # only rows of the alias's exact address or name go.
    assert (handlers(sb, alias), handlers(sb, renamed)) == (
        [f"joe@{alias}|1"], [f"joe@{renamed}|1", f"{renamed}|1"])
    assert (sb.exists(f"{KEYS}/{alias}"), sb.read(f"{KEYS}/{renamed}/default")) == (
        False, "KEY\n")
    assert auth_status(sb, alias, renamed) == [f"{renamed}|0"]

    check(run(sb, "--del-domain-alias", f"--domain-name={domain}",
              f"--domain-alias-name={renamed}"), 0)
    assert delivery_status(sb, f"joe@{renamed}") != "sent"
    assert (handlers(sb, renamed), sb.exists(f"{KEYS}/{renamed}")) == ([f"joe@{renamed}|1"], False)
    assert auth_status(sb, renamed) == []
    assert handlers(sb, domain) == [f"joe@{domain}|1", f"{domain}|1"]


def test_switching_a_domain_off_and_on(sb):
    domain, alias = "switch.example", "switch-alias.example"
    make_domain(sb, domain, [alias])
    maildir = mailbox(sb, domain, "joe")
    add_handlers(sb, domain)

    check(run(sb, "--turn-off-domain", f"--domain-name={domain}"), 0)
    assert auth_status(sb, domain, alias) == [f"{alias}|1", f"{domain}|1"]
    assert handlers(sb, domain) == [f"joe@{domain}|0", f"{domain}|0"]
    assert delivery_status(sb, f"joe@{domain}") != "sent"

    check(run(sb, "--turn-on-domain", f"--domain-name={domain}"), 0)
    assert auth_status(sb, domain, alias) == [f"{alias}|0", f"{domain}|0"]
    assert handlers(sb, domain) == [f"joe@{domain}|1", f"{domain}|1"]
    assert delivered(sb, f"joe@{domain}", maildir)


@pytest.mark.parametrize("command, done", [
    ("--turn-off-domain", "disable auth records"),
    ("--remove-domain", "remove auth record"),
])
def test_failed_auth_step_changes_nothing_else(sb, command, done):
    domain = "authless.example"
    if not sb.exists(f"{sandbox.MAIL_ROOT}/{domain}"):
        make_domain(sb, domain)
        mailbox(sb, domain, "joe")
        add_handlers(sb, domain)
    before = snapshot(sb)
    sb.run(["mv", AUTH_DB, f"{AUTH_DB}.aside"], check=True)
    try:
        result = run(sb, command, f"--domain-name={domain}")
    finally:
        sb.run(["mv", f"{AUTH_DB}.aside", AUTH_DB], check=True)
    assert (result.returncode, result.stdout) == (1, "")
    assert re.fullmatch(rf"mxwarden\[\d+\]: Unable to open database {AUTH_DB}: .*\n"
                        rf"mxwarden\[\d+\]: Unable to {done} for domain {domain}\n",
                        result.stderr), result.stderr
    assert snapshot(sb) == before


@pytest.mark.parametrize("command, quota", [
    (["--add-domain", "--disk-quota=2000"], "2000S,0C"),
    (["--set-domain-disk-quota", "--disk-quota=-1"], "0S,0C"),
])
def test_domain_quota_reaches_default_mailboxes(sb, command, quota):
    domain = "quota.example"
    if not sb.exists(f"{sandbox.MAIL_ROOT}/{domain}"):
        sb.add_domain(domain)
        sb.add_mailname(domain, "joe")
        sb.make_maildir(domain, "joe")
    check(run(sb, *command, f"--domain-name={domain}"), 0)
    header = sb.read(f"{sandbox.MAIL_ROOT}/{domain}/joe/Maildir/maildirsize").split("\n")[0]
    assert header == quota


def test_removed_domain_leaves_nothing(sb):
    domain = "gone.example"
    make_domain(sb, domain)
    mailbox(sb, domain, "joe")
    add_handlers(sb, domain)
    check(run(sb, "--remove-domain", f"--domain-name={domain}"), 0)
    assert (auth_status(sb, domain), handlers(sb, domain)) == ([], [])
    assert not sb.exists(f"{sandbox.MAIL_ROOT}/{domain}")
    assert sb.postmap_get("vmailbox", f"joe@{domain}") is None
    assert sb.postmap_get("virtual", f"postmaster@{domain}") is None


PHRASE = "It's \"gone\": $HOME `id`\nbye"


def test_mail_for_unknown_mailnames(sb):
    domain = "unknown.example"
    make_domain(sb, domain)
    catchall = mailbox(sb, domain, "all")
    address = f"nobody@{domain}"
    check(run(sb, "--set-catchall", f"--domain-name={domain}", f"--email=all@{domain.upper()}"),
          0)
    assert delivered(sb, address, catchall)

    check(run(sb, "--set-bounce", f"--domain-name={domain}", f"--phrase={PHRASE}"), 0)
    calls = len(sb.calls_log())
    assert delivery_status(sb, address) == "sent"
    new = sb.calls_log()[calls:]
    assert len(new) == 1 and new[0].startswith("/usr/lib/quarn-9.0/bouncemessage ")
    args = sb.run(["sh", "-c", "cat $(ls -t /run/sandbox/calls/bouncemessage.*.args | head -1)"],
                  check=True).stdout
    assert args == PHRASE.replace("\n", " ") + "\0"

    for command in ("--set-reject", "--unset-reject"):
        check(run(sb, command, f"--domain-name={domain}"), 0)
        assert sb.postmap_get("virtual", f"@{domain}") is None
        assert (rcpt_code(sb, address), rcpt_code(sb, f"all@{domain}")) == (550, 250)


NO_EMAIL = re.escape("Fatal error: quarn::mail::postfix::mxwarden_commands::"
                     'MissingMandatoryOption(mandatory option "--email" is not specified)\n')
NO_ACTION = (r"mxwarden\[\d+\]: Action for notexisting mail names is not specified"
             r" \(--set-bounce/--set-catchall/--set-reject\)\n")


@pytest.mark.parametrize("alias, options, status, out, err, record", [
    ("catch.example", ["--set-catchall", "--email=all@Choice.Example"], 0, "", "",
     "all@choice.example"),
    ("both.example", ["--set-catchall", "--email=all@choice.example", "--set-bounce",
                      "--phrase=p"], 0, "", "", "_quarn_bounce_both.example@localhost.localdomain"),
    ("reject.example", ["--set-reject"], 0, "", "", None),
    # The alias is in place before the missing address or action is noticed.
    ("noemail.example", ["--set-catchall"], 1, NO_EMAIL, NO_EMAIL, None),
    ("none.example", [], 1, "", NO_ACTION, None),
])
def test_domain_alias_choice_for_unknown_mailnames(sb, alias, options, status, out, err, record):
    domain = "choice.example"
    if not sb.exists(f"{sandbox.MAIL_ROOT}/{domain}"):
        make_domain(sb, domain)
        mailbox(sb, domain, "all")
    sb.add_domain_alias(domain, alias)
    result = run(sb, "--add-domain-alias", f"--domain-name={domain}",
                 f"--domain-alias-name={alias}", *options)
    assert result.returncode == status
    assert re.fullmatch(out, result.stdout) and re.fullmatch(err, result.stderr), result
    assert (sb.postmap_get("virtual", alias), sb.postmap_get("virtual", f"all@{alias}"),
            sb.postmap_get("virtual", f"@{alias}")) == ("1", f"all@{domain}", record)
    maildir = f"{sandbox.MAIL_ROOT}/{domain}/all/Maildir"
    if record == f"all@{domain}":
        assert delivered(sb, f"someone@{alias}", maildir)
    elif record is None:
        assert rcpt_code(sb, f"someone@{alias}") == 550


def snapshot(sb):
    """Everything a domain command could change."""
    tables = [mail_setup.dump(sb, t) for t in ("virtual", "virtual_domains", "vmailbox", "aliases")]
    files = sb.run(["find", sandbox.MAIL_ROOT, KEYS, "/run/upload"], check=True).stdout
    return (tables, sorted(files.split("\n")), sql(sb, AUTH_DB, "SELECT * FROM domains"),
            sql(sb, HANDLERS_DB, "SELECT * FROM handlers"))


@pytest.mark.parametrize("command, options, bad", [
    ("--add-domain", [], "a/b"),
    ("--remove-domain", [], "."),
    ("--turn-off-domain", [], "../main.example"),
    ("--add-domain-alias", ["--domain-name", "main.example", "--set-reject",
                            "--domain-alias-name"], "bad\nname"),
    ("--add-domain-alias", ["--domain-name", "main.example", "--domain-alias-name", "x.example",
                            "--set-catchall", "--email"], "joe@a/b"),
    ("--rename-domain-alias", ["--domain-name", "main.example", "--old-domain-alias-name",
                               "alias.example", "--new-domain-alias-name"], "/"),
    ("--set-catchall", ["--domain-name", "main.example", "--email"], "joe\n@main.example"),
    ("--set-domain-key", ["--file-name", "/run/upload/k", "--domain-name"], "ok.example,.."),
    ("--remove-domain-key", ["--domain-name"], "main.example,"),
])
def test_hostile_names_change_nothing(sb, command, options, bad):
    sb.write("/run/upload/k", "K\n", mode=0o600)
    before = snapshot(sb)
    args = options + [bad] if options else ["--domain-name", bad]
    fatal(run(sb, command, *args), "std::invalid_argument", bad.split(",")[-1])
    assert snapshot(sb) == before
