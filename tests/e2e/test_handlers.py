"""The mail-handler commands in the sandbox: the rows of the handlers
database (read with the sqlite3 tool) after each command, and refusals."""

import pytest

import sandbox

DB = "/var/lib/quarn/mail/handlers/handlers.db"
COLUMNS = "queue, type, enabled, priority, name, address, executable, context"
GLOBAL, LOCAL = 4, 2  # a type and a hook as the database numbers them
JOE, ANN, SALLY = "joe@x.test", "ann@x.test", "sally@x.test"


def row(name, address, type=0, queue=1, enabled=1, priority=5):
    return (queue, type, enabled, priority, name, address, "/bin/h", "ctx")


def rows(sb):
    out = sb.run(["sqlite3", "-separator", "|", DB, f"SELECT {COLUMNS} FROM handlers"],
                 check=True).stdout
    return sorted(tuple(int(f) if i < 4 else f for i, f in enumerate(line.split("|")))
                  for line in out.splitlines())


def seed(sb, records):
    values = "".join(f"INSERT INTO handlers({COLUMNS}) VALUES {r!r};" for r in records)
    sb.run(["sqlite3", DB, "DELETE FROM handlers;" + values], check=True)


def cmd(word, type, address=None, name="h1", hook="before-queue", priority="5"):
    args = [word, f"--handler-name={name}", f"--handler-type={type}", f"--hook={hook}"]
    if word == "--add-handler":
        args += ["--executable=/bin/h", "--context=ctx", f"--priority={priority}"]
    return args + ([f"--handler-type-name={address}"] if address is not None else [])


G = row("g", "all", type=GLOBAL)

# Name, rows before, command, rows after (exit status 0).
CASES = [
    ("add sender: domain to ASCII lower case, local part as given", [],
     cmd("--add-handler", "sender", "Joe@Bücher.TEST"), [row("h1", "Joe@xn--bcher-kva.test")]),
    ("add recipient-domain", [],
     cmd("--add-handler", "recipient-domain", "X.Test", hook="before-local"),
     [row("h1", "x.test", type=3, queue=LOCAL)]),
    ("add global: all, whatever the name given; priority text is 0", [],
     cmd("--add-handler", "global", JOE, name="g", priority="high"),
     [row("g", "all", GLOBAL, priority=0)]),
    ("remove sender at one address", [row("h1", JOE), row("h1", ANN), row("h2", JOE)],
     cmd("--remove-handler", "sender", JOE), [row("h1", ANN), row("h2", JOE)]),
    ("remove global at every address", [G, row("g", "all-recipients", GLOBAL), row("h1", JOE)],
     cmd("--remove-handler", "global", name="g"), [row("h1", JOE)]),
    ("remove at all: every address holding all",
     [G, row("h1", SALLY), row("h2", SALLY), row("h1", JOE)],
     cmd("--remove-handler", "sender", "all"), [row("h1", JOE)]),
    ("enable at all: the named handler everywhere",
     [row("h1", JOE, enabled=0), row("h1", ANN, enabled=0), row("h2", JOE, enabled=0)],
     cmd("--enable-handler", "sender", "all"),
     [row("h1", ANN), row("h1", JOE), row("h2", JOE, enabled=0)]),
    ("disable at an address: every handler of it",
     [row("h1", JOE), row("h2", JOE, queue=LOCAL), row("h1", ANN)],
     cmd("--disable-handler", "sender", JOE),
     [row("h1", ANN), row("h1", JOE, enabled=0), row("h2", JOE, queue=LOCAL, enabled=0)]),
    ("disable global by its key only", [G, row("g", "all", GLOBAL, queue=LOCAL), row("g", JOE)],
     cmd("--disable-handler", "global", name="g"),
     [row("g", "all", GLOBAL, enabled=0), row("g", "all", GLOBAL, queue=LOCAL), row("g", JOE)]),
]

MISSING = ("Fatal error: quarn::mail::postfix::mxwarden_commands::MissingMandatoryOption("
           'mandatory option "--handler-type-name" is not specified)\n')
WORD = ('Fatal error: std::invalid_argument({} "{}" is empty or holds white space,'
        ' a control character or "#")\n')

# Name, command, standard error (exit status 1, the rows stay).
REFUSALS = [
    ("add sender without handler-type-name", cmd("--add-handler", "sender"), MISSING),
    ("disable of an unknown type without it", cmd("--disable-handler", "bogus"), MISSING),
    ("blank in the name", cmd("--add-handler", "global", name="h 1"),
     WORD.format("handler name", "h 1")),
    ("line feed in the executable",
     [a.replace("/bin/h", "/bin/h\n") for a in cmd("--add-handler", "global")],
     WORD.format("executable", "/bin/h\n")),
    ("# in the address", cmd("--remove-handler", "bogus", "a#b"),
     WORD.format("handler type name", "a#b")),
]


@pytest.mark.parametrize("name,before,args,after", CASES, ids=[c[0] for c in CASES])
def test_rows_after_command(box, name, before, args, after):
    seed(box, before)
    result = box.run([sandbox.mxwarden(), *args])
    assert (result.returncode, result.stderr) == (0, "")
    assert rows(box) == sorted(after), f"got {rows(box)}, want {sorted(after)}"


@pytest.mark.parametrize("name,args,err", REFUSALS, ids=[r[0] for r in REFUSALS])
def test_refusals_leave_the_rows(box, name, args, err):
    seed(box, [row("h1", JOE, enabled=0), G])
    result = box.run([sandbox.mxwarden(), *args])
    assert (result.returncode, result.stderr) == (1, err)
    assert rows(box) == sorted([row("h1", JOE, enabled=0), G])


def test_a_failing_database_gives_status_1(box):
    box.run(["mv", DB, DB + ".away"], check=True)
    try:
        for args in (cmd("--add-handler", "global"), cmd("--enable-handler", "sender", "all")):
            result = box.run([sandbox.mxwarden(), *args])
            got = (result.returncode, "Unable to open database" in result.stderr)
            assert got == (1, True), args
    finally:
        box.run(["mv", DB + ".away", DB], check=True)
