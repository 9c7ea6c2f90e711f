"""The sender-transport commands in the sandbox with a running Postfix: a
domain's mail leaves from the addresses of its transport (Postfix's
smtp-sink on other loopback addresses records where each message came from), removing
the domain and the transport undoes it, refused values change nothing, and
concurrent runs lose no service and no mapping."""

import pytest

import sandbox
from mail_setup import run

SINK_DUMPS = "/run/sandbox/sink"  # one dump file for each address of the sink
MASTER_CF = "/etc/postfix/master.cf"
SDD = f"hash:{sandbox.QUARN}/sdd_transport_maps"
RELAY4, RELAY6 = "[127.0.0.3]:2525", "[::1]:2525"
RELAY_BY_SENDER = "/etc/postfix/relay_by_sender"

# Sender domain, options, the sink address it is relayed to, the peer the
# sink must see, the transport service. The last two share one pair, so
# both of its bindings show.
DELIVERIES = [
    ("v4.test", ["--ip4-addr=127.0.0.2"], RELAY4, "127.0.0.2", "127.0.0.2-"),
    ("v6.test", ["--ip6-addr=FD00:0::2"], RELAY6, "fd00::2", "-fd00--2"),
    ("both4.test", ["--ip4-addr=127.0.0.4", "--ip6-addr=fd00::4"], RELAY4, "127.0.0.4",
     "127.0.0.4-fd00--4"),
    ("both6.test", ["--ip4-addr=127.0.0.4", "--ip6-addr=fd00::4"], RELAY6, "fd00::4",
     "127.0.0.4-fd00--4"),
]


def services(sb):
    """The service names of master.cf's entry lines."""
    return {line.split()[0] for line in sb.read(MASTER_CF).splitlines()
            if line and not line[0].isspace() and not line.startswith("#")}


def sink_peers(sb):
    """"<peer> <sender>" of each message the sink took. The messages of one
    sender all go to one address, so theirs keep their order."""
    found = []
    for line in sb.sh(f"cat {SINK_DUMPS}/* 2>/dev/null").stdout.splitlines():
        if line.startswith("X-Client-Addr: "):
            peer = line.split()[1].removeprefix("ipv6:")
        elif line.startswith("X-Mail-Args: <"):
            found.append(peer + " " + line[len("X-Mail-Args: <"):].split(">")[0])
    return found


def send_and_see_peer(sb, domain):
    """Send a message from domain to a remote address; the peer the sink saw."""
    sender = f"joe@{domain}"
    before = [line for line in sink_peers(sb) if line.endswith(" " + sender)]
    sb.sendmail("rcpt@remote.test", f"Subject: via {domain}\n\nbody\n", sender=sender)
    found = sandbox.wait_for(
        lambda: [line for line in sink_peers(sb) if line.endswith(" " + sender)][len(before):],
        timeout=30)
    assert found, f"no message from {sender} reached the sink; log: " + sb.read(
        "/run/sandbox/postfix.log")[-3000:]
    return found[0].split()[0]


@pytest.fixture(scope="module")
def sb():
    """Postfix with IPv6, relaying to the sink on 127.0.0.3 (or ::1 for the
    senders of relay_by_sender), fd00::2 and fd00::4 on the loopback."""
    with sandbox.Sandbox(postfix=True) as box:
        for address in ("fd00::2", "fd00::4"):
            box.run(["ip", "-6", "addr", "add", f"{address}/128", "dev", "lo", "nodad"],
                    check=True)
        box.run(["mkdir", "-m", "777", SINK_DUMPS], check=True)
        for name, address in (("4", "127.0.0.3"), ("6", "[::1]")):
            box.sh(f"setsid smtp-sink -u nobody -D {SINK_DUMPS}/{name} {address}:2525 10"
                   " </dev/null >/dev/null 2>&1 &", check=True)
        assert sandbox.wait_for(lambda: box.sh("ss -Hltn sport = 2525 | wc -l").stdout == "2\n")
        box.write(RELAY_BY_SENDER, "".join(f"@{d} {relay}\n" for d, _, relay, _, _ in DELIVERIES))
        box.run(["/usr/sbin/postmap", RELAY_BY_SENDER], check=True)
        box.run(["/usr/sbin/postconf", "-e", "inet_protocols = all", f"relayhost = {RELAY4}",
                 f"sender_dependent_relayhost_maps = hash:{RELAY_BY_SENDER}"], check=True)
        box.run(["/usr/sbin/postfix", "stop"])
        box.run(["/usr/sbin/postfix", "start"], check=True)
        yield box


def test_mail_leaves_from_the_transport_addresses_until_undone(sb):
    assert send_and_see_peer(sb, "plain.test") == "127.0.0.1"
    for domain, options, _, want, service in DELIVERIES:
        result = run(sb, "--add-domain-to-sender-transport", f"--domain-name={domain}", *options)
        assert (result.returncode, result.stderr) == (0, ""), domain
        assert service in services(sb), domain
        assert sb.postmap_get("sdd_transport_maps", f"@{domain}") == service + ":"
    for domain, _, _, want, _ in DELIVERIES:
        got = send_and_see_peer(sb, domain)
        assert got == want, f"{domain}: got peer {got}, want {want}"

    for domain, _, relay, _, _ in DELIVERIES:
        result = run(sb, "--remove-domain-from-sender-transport", f"--domain-name={domain}")
        assert (result.returncode, result.stderr) == (0, ""), domain
        assert sb.postmap_get("sdd_transport_maps", f"@{domain}") is None
        want = "127.0.0.1" if relay == RELAY4 else "::1"
        got = send_and_see_peer(sb, domain)
        assert got == want, f"{domain} removed: got peer {got}, want {want}"

    for address in ("127.0.0.2", "fd00::2", "127.0.0.4"):
        result = run(sb, "--remove-sender-transport", f"--ip-addr={address}")
        assert (result.returncode, result.stderr) == (0, ""), address
    assert not services(sb) & {service for *_, service in DELIVERIES}
    assert sb.run(["/usr/sbin/postfix", "check"]).stderr == ""


FATAL = "Fatal error: "
# Command, standard error (exit status 1); neither file may change.
REFUSED = [
    (["--add-domain-to-sender-transport", "--domain-name=r.test"],
     FATAL + "quarn::mail::postfix::mxwarden_commands::MissingMandatoryOption("
     'mandatory option "--ip4-addr or ip6-addr" is not specified)\n'),
    (["--add-domain-to-sender-transport", "--domain-name=r.test", "--ip4-addr=127.0.0.9 #"],
     FATAL + 'std::invalid_argument(invalid IPv4 address "127.0.0.9 #")\n'),
    (["--add-domain-to-sender-transport", "--domain-name=r.test", "--ip6-addr=fd00::9\nx"],
     FATAL + 'std::invalid_argument(invalid IPv6 address "fd00::9\nx")\n'),
    (["--add-domain-to-sender-transport", "--domain-name=r test", "--ip4-addr=127.0.0.9"],
     FATAL + "std::invalid_argument(r test)\n"),
    (["--remove-sender-transport"], FATAL + "boost::wrapexcept<boost::bad_any_cast>("
     "boost::bad_any_cast: failed conversion using boost::any_cast)\n"),
]


@pytest.mark.parametrize("args,err", REFUSED)
def test_refused_values_change_nothing(sb, args, err):
    files = lambda: (sb.read(MASTER_CF), sb.run(["/usr/sbin/postmap", "-s", SDD]).stdout)
    before = files()
    result = run(sb, *args)
    assert (result.returncode, result.stderr) == (1, err)
    assert files() == before


def test_twenty_concurrent_additions_lose_nothing(sb):
    script = (f"for i in $(seq 1 20); do {sandbox.mxwarden()} --add-domain-to-sender-transport"
              " --domain-name=c$i.test --ip4-addr=127.0.1.$i >/dev/null 2>&1 & done;"
              " s=0; for j in $(jobs -p); do wait $j || s=1; done; exit $s")
    result = sb.sh(script, timeout=280)
    assert result.returncode == 0
    missing = {f"127.0.1.{i}-" for i in range(1, 21)} - services(sb)
    assert not missing, f"services lost from master.cf: {sorted(missing)}"
    table = sb.run(["/usr/sbin/postmap", "-s", SDD], check=True).stdout.splitlines()
    want = {f"@c{i}.test\t127.0.1.{i}-:" for i in range(1, 21)}
    assert not want - set(table), f"mappings lost: {sorted(want - set(table))}"
    # The restarts overlap; Postfix must still be up after the last one.
    assert sb.run(["/usr/sbin/postfix", "status"]).returncode == 0
