"""A mail domain made ready for the mailname commands, and what a mail user
sees of a mailbox: its records, its password rows, its Maildir.

`make_domain` is the one place that sets a domain up, by the domain
commands.
"""

import base64
import json
import subprocess

import sandbox

AUTH_DB = f"{sandbox.QUARN}/passwd.db"
AUTH_KEY = f"{sandbox.QUARN}/passwd_db_key"
# The two tables of the mail-authentication database that rows go to.
AUTH_SCHEMA = (
    "CREATE TABLE domains (id INTEGER PRIMARY KEY AUTOINCREMENT, name VARCHAR(255) UNIQUE,"
    " status INTEGER NOT NULL DEFAULT 0);"
    "CREATE TABLE users (id INTEGER PRIMARY KEY AUTOINCREMENT, dom_id INTEGER NOT NULL,"
    " name VARCHAR(255) NOT NULL, userPassword VARCHAR(255), cmusaslsecretPLAIN VARCHAR(255),"
    " status INT NOT NULL DEFAULT 0, UNIQUE(name, dom_id));"
    "CREATE TRIGGER fkd BEFORE DELETE ON domains FOR EACH ROW BEGIN"
    " DELETE FROM users WHERE dom_id = OLD.id; END;")


def run(sb, *args, env=None):
    return sb.run([sandbox.mxwarden(), *args], env=env)


def check(result, status, out="", err=""):
    got = (result.returncode, result.stdout, result.stderr)
    assert got == (status, out, err), f"{result.args}: got {got!r}, want {(status, out, err)!r}"


def fresh_mail_system(sb):
    """An empty mail-authentication database with a new key, and Postfix
    processes that serve one request each: a long-lived one notices a
    rebuilt table only after its next request."""
    sb.run(["rm", "-f", AUTH_DB, AUTH_KEY], check=True)
    sb.run(["sqlite3", AUTH_DB, AUTH_SCHEMA], check=True)
    sb.run(["sh", "-c", f"umask 077; head -c 32 /dev/urandom > {AUTH_KEY}"], check=True)
    sb.run(["/usr/sbin/postconf", "-e", "max_use=1"], check=True)
    sb.run(["/usr/sbin/postfix", "reload"], check=True)


def make_domain(sb, domain, aliases=(), ascii=None):
    """A panel domain (named ascii there) and its aliases, added by
    --add-domain and --add-domain-alias (unknown names at an alias are
    refused)."""
    sb.add_domain(ascii or domain)
    check(run(sb, "--add-domain", f"--domain-name={domain}"), 0)
    for alias in aliases:
        sb.add_domain_alias(domain, alias)
        check(run(sb, "--add-domain-alias", f"--domain-name={domain}",
                  f"--domain-alias-name={alias}", "--set-reject"), 0)


def mailbox(sb, domain, mailname, env={"VEL_PASSWORD": "pw"}, mail_aliases=()):
    """A mailname of the panel with its mail aliases and its mailbox, made by
    --add-mailname and --add-mailbox (with a password by default); its
    Maildir."""
    sb.add_mailname(domain, mailname)
    for alias in mail_aliases:
        sb.add_mail_alias(domain, mailname, alias)
    names = (f"--domain-name={domain}", f"--mailname={mailname}")
    check(run(sb, "--add-mailname", *names), 0)
    check(run(sb, "--add-mailbox", *names, env=env), 0)
    return maildir(domain, mailname)


def dump(sb, table):
    """The records of a table, as postmap -s reads them, sorted."""
    out = sb.run(["/usr/sbin/postmap", "-s", f"hash:{sandbox.QUARN}/{table}"],
                 check=True).stdout
    return sorted(out.splitlines())


def tables(sb):
    return {t: dump(sb, t) for t in ("vmailbox", "virtual")}


def auth_rows(sb):
    """user@domain -> (userPassword, cmusaslsecretPLAIN, status), "" for NULL."""
    out = sb.run(["sqlite3", "-separator", "\t", AUTH_DB,
                  "SELECT u.name || '@' || d.name, ifnull(u.userPassword, ''), "
                  "ifnull(u.cmusaslsecretPLAIN, ''), u.status "
                  "FROM users u JOIN domains d ON u.dom_id = d.id"], check=True).stdout
    fields = [line.split("\t") for line in out.splitlines()]
    return {address: (enciphered, crypted, int(status))
            for address, enciphered, crypted, status in fields}


def decipher(sb, stored):
    """The plain text of an enciphered password, by the openssl tool."""
    _, cipher, iv, data = stored.split("$")
    assert cipher == "AES-256-CBC:PKCS"
    key = sb.read(AUTH_KEY, binary=True).hex()
    result = subprocess.run(
        ["openssl", "enc", "-d", "-aes-256-cbc", "-K", key, "-iv",
         base64.b64decode(iv).hex()],
        input=base64.b64decode(data), stdout=subprocess.PIPE, check=True)
    return result.stdout.decode()


def handler_addresses(sb):
    """The addresses of the mail-handler rows, sorted."""
    out = sb.run(["sqlite3", "/var/lib/quarn/mail/handlers/handlers.db",
                  "SELECT address FROM handlers"], check=True).stdout
    return sorted(out.splitlines())


def add_handler(sb, address, name="spamcheck"):
    sb.run(["sqlite3", "/var/lib/quarn/mail/handlers/handlers.db",
            "INSERT INTO handlers (priority, type, queue, name, address, executable, "
            f"context, enabled) VALUES (10, 2, 1, '{name}', '{address}', '/bin/true', '', 1)"],
           check=True)


def maildir(domain, mailname):
    return f"{sandbox.MAIL_ROOT}/{domain}/{mailname}/Maildir"


def send(sb, recipient, subject):
    sb.sendmail(recipient, f"Subject: {subject}\n\nhello\n")


def delivered_subjects(sb, box, count=1):
    """Subjects of the messages once count arrived in the Maildir box."""
    paths = sb.wait_delivery(box, count=count)
    return sorted(line.split(": ", 1)[1] for p in paths
                  for line in sb.read(p).splitlines() if line.startswith("Subject: "))


# Speaks SMTP to the sandbox's Postfix: EHLO, then each command of argv[1]
# (a JSON list) until one is refused; prints [code, text] of every reply.
# "BODY <n>" sends a message of about n bytes in lines of 78 and the dot.
SMTP = r"""
import json, smtplib, sys
s = smtplib.SMTP("127.0.0.1", 25)
replies = [s.ehlo("client.example")]
for command in json.loads(sys.argv[1]):
    if command.startswith("BODY "):
        line = b"x" * 76 + b"\r\n"
        s.send(b"Subject: size\r\n\r\n" + line * (int(command[5:]) // len(line)))
        command = "."
    replies.append(s.docmd(command))
    if replies[-1][0] >= 400:
        break
s.close()
print(json.dumps([[code, text.decode()] for code, text in replies]))
"""


def smtp(sb, *commands):
    result = sb.run(["python3", "-c", SMTP, json.dumps(list(commands))], check=True)
    return json.loads(result.stdout)


def last_code(replies):
    return replies[-1][0]


def rcpt_code(sb, address):
    """The SMTP reply code Postfix gives to RCPT TO:<address>."""
    return last_code(smtp(sb, "MAIL FROM:<sender@example.org>", f"RCPT TO:<{address}>"))


def fatal(result, kind, message):
    """An escaping exception: its top-level report on both streams, status 1."""
    line = f"Fatal error: {kind}({message})\n"
    check(result, 1, out=line, err=line)
