"""The mail-handler commands in the sandbox: the rows of the handlers
database after each command (read with the sqlite3 tool), for global and
other types, the address "all", and the refusals."""

import pytest

import sandbox

DB = "/var/lib/quarn/mail/handlers/handlers.db"
COLUMNS = "queue, type, enabled, priority, name, address, executable, context"

# Types and hooks as the database numbers them.
SENDER, RECIPIENT, SENDER_DOMAIN, GLOBAL = 0, 1, 2, 4
QUEUE, LOCAL = 1, 2


def row(name, address, type=SENDER, queue=QUEUE, enabled=1, priority=5,
        executable="/bin/h", context="ctx"):
    return (queue, type, enabled, priority, name, address, executable, context)


def rows(sb):
    out = sb.run(["sqlite3", "-separator", "|", DB,
                  f"SELECT {COLUMNS} FROM handlers ORDER BY name, address, queue"],
                 check=True).stdout
    return sorted(tuple(int(f) if i < 4 else f for i, f in enumerate(line.split("|")))
                  for line in out.splitlines())


def seed(sb, records):
    values = ", ".join("(%d, %d, %d, %d, '%s', '%s', '%s', '%s')" % r for r in records)
    statements = "DELETE FROM handlers;"
    if records:
        statements += f"INSERT INTO handlers({COLUMNS}) VALUES {values};"
    sb.run(["sqlite3", DB, statements], check=True)


def add(type, hook="before-queue", name="h1", priority="5", address=None):
    args = ["--add-handler", f"--handler-name={name}", f"--handler-type={type}",
            "--executable=/bin/h", "--context=ctx", f"--hook={hook}", f"--priority={priority}"]
    return args + ([f"--handler-type-name={address}"] if address is not None else [])


def change(command, type, address=None, name="h1", hook="before-queue"):
    args = [command, f"--handler-name={name}", f"--handler-type={type}", f"--hook={hook}"]
    return args + ([f"--handler-type-name={address}"] if address is not None else [])


JOE, ANN, SALLY = "joe@x.test", "ann@x.test", "sally@x.test"
G_ALL = row("g", "all", type=GLOBAL)
G_REC = row("g", "all-recipients", type=GLOBAL)

# Name, rows before, command, exit status, rows after.
CASES = [
    ("add sender: domain in ASCII lower case, local part as given", [],
     add("sender", address="Joe@Bücher.TEST"), 0, [row("h1", "Joe@xn--bcher-kva.test")]),
    ("add recipient-domain at before-local", [],
     add("recipient-domain", hook="before-local", address="X.Test"), 0,
     [row("h1", "x.test", type=3, queue=LOCAL)]),
    ("add global without address stores all; priority text is 0", [],
     add("global", name="g", priority="high"), 0, [row("g", "all", type=GLOBAL, priority=0)]),
    ("add global ignores a handler-type-name", [],
     add("global", name="g", address=JOE), 0, [G_ALL]),
    ("add again replaces priority and enabled state",
     [row("h1", JOE, enabled=0, priority=1)], add("sender", address=JOE, priority="9"), 0,
     [row("h1", JOE, priority=9)]),
    ("remove sender at one address", [row("h1", JOE), row("h1", ANN), row("h2", JOE)],
     change("--remove-handler", "sender", JOE), 0, [row("h1", ANN), row("h2", JOE)]),
    ("remove global goes for every address", [G_ALL, G_REC, row("h1", JOE)],
     change("--remove-handler", "global", name="g"), 0, [row("h1", JOE)]),
    ("remove with all takes every address holding all",
     [G_ALL, row("h1", SALLY), row("h2", SALLY), row("h1", JOE)],
     change("--remove-handler", "sender", "all"), 0, [row("h1", JOE)]),
    ("enable with all switches the named handler everywhere",
     [row("h1", JOE, enabled=0), row("h1", ANN, enabled=0), row("h2", JOE, enabled=0)],
     change("--enable-handler", "sender", "all"), 0,
     [row("h1", ANN), row("h1", JOE), row("h2", JOE, enabled=0)]),
    ("disable at an address switches every handler of it",
     [row("h1", JOE), row("h2", JOE, queue=LOCAL), row("h1", ANN)],
     change("--disable-handler", "sender", JOE), 0,
     [row("h1", ANN), row("h1", JOE, enabled=0), row("h2", JOE, queue=LOCAL, enabled=0)]),
    ("disable global by its key only",
     [G_ALL, row("g", "all", type=GLOBAL, queue=LOCAL), row("g", JOE)],
     change("--disable-handler", "global", name="g"), 0,
     [row("g", "all", type=GLOBAL, enabled=0), row("g", "all", type=GLOBAL, queue=LOCAL),
      row("g", JOE)]),
    ("enable global by its key", [row("g", "all", type=GLOBAL, enabled=0)],
     change("--enable-handler", "global", name="g"), 0, [G_ALL]),
]


@pytest.fixture(scope="module")
def box():
    with sandbox.session() as sb:
        yield sb


@pytest.mark.parametrize("name,before,args,status,after", CASES, ids=[c[0] for c in CASES])
def test_rows_after_command(box, name, before, args, status, after):
    seed(box, before)
    result = box.run([sandbox.mxwarden(), *args])
    assert (result.returncode, result.stderr) == (status, "")
    got = rows(box)
    assert got == sorted(after), f"got {got}, want {sorted(after)}"


MISSING = ("Fatal error: quarn::mail::postfix::mxwarden_commands::MissingMandatoryOption("
           'mandatory option "--handler-type-name" is not specified)\n')


def refused(what, value):
    return (f'Fatal error: std::invalid_argument({what} "{value}" is empty or holds'
            ' white space, a control character or "#")\n')


# Name, command, report on standard error; the rows stay as they were.
REFUSALS = [
    ("add sender without handler-type-name", add("sender"), MISSING),
    ("add of an unknown type needs handler-type-name", add("bogus"), MISSING),
    ("remove recipient without handler-type-name", change("--remove-handler", "recipient"),
     MISSING),
    ("enable without handler-type-name", change("--enable-handler", "sender-domain"), MISSING),
    ("disable without handler-type-name", change("--disable-handler", "sender"), MISSING),
    ("blank in the name", add("global", name="h 1"), refused("handler name", "h 1")),
    ("# in the name", change("--disable-handler", "global", name="h#1"),
     refused("handler name", "h#1")),
    ("line feed in the executable",
     [a.replace("/bin/h", "/bin/h\nx") for a in add("global")],
     refused("executable", "/bin/h\nx")),
    ("# in an address of an unknown type", add("bogus", address="a#b"),
     refused("handler type name", "a#b")),
    ("not an address", add("sender", address="joe x@x.test"),
     "Fatal error: std::invalid_argument(joe x@x.test)\n"),
]


@pytest.mark.parametrize("name,args,err", REFUSALS, ids=[r[0] for r in REFUSALS])
def test_refusals_leave_the_rows(box, name, args, err):
    before = [row("h1", JOE, enabled=0), G_ALL]
    seed(box, before)
    result = box.run([sandbox.mxwarden(), *args])
    assert (result.returncode, result.stderr) == (1, err)
    assert rows(box) == sorted(before)


def test_failing_database_gives_status_1(box):
    box.run(["mv", DB, DB + ".away"], check=True)
    try:
        for args in (add("sender", address=JOE), add("global"),
                     change("--remove-handler", "sender", JOE),
                     change("--enable-handler", "sender", "all")):
            result = box.run([sandbox.mxwarden(), *args])
            assert result.returncode == 1, f"{args[0]}: got status {result.returncode}, want 1"
            assert "Unable to open database" in result.stderr, args[0]
    finally:
        box.run(["mv", DB + ".away", DB], check=True)
