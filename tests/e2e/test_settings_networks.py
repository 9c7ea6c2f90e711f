"""White-listed networks and DNS block lists against a running Postfix:
mynetworks and smtpd_client_restrictions as `postconf -n` shows them,
`postfix check` clean, and relaying through XCLIENT from inside and outside
the white-listed networks."""

import pytest

from settings_support import (assert_postfix_check_clean, check, fatal, last_code, mx,
                              option_error, postconf_n, postconf_set, smtp)
import sandbox


@pytest.fixture
def sb(postfix_box):
    """The module's sandbox with the parameters these tests check reset."""
    postfix_box.run(["/usr/sbin/postconf", "-X", "smtpd_client_restrictions",
                     "smtpd_sasl_auth_enable"], check=True)
    postconf_set(postfix_box, "mynetworks=127.0.0.0/8")
    return postfix_box


# White list


def test_whitelist_changes_mynetworks(sb):
    both = "127.0.0.0/8, 10.1.0.0/16, [2001:db8::]/32"
    steps = [  # command, address, netmask, mynetworks afterwards
        ("--add-whitelist", "10.1.0.0", 16, "127.0.0.0/8, 10.1.0.0/16"),
        ("--add-whitelist", "2001:db8::", 32, both),
        ("--add-whitelist", "10.1.0.0", 16, both),
        ("--add-whitelist", "10.1.0.0", 24, both + ", 10.1.0.0/24"),
        # Every network of the address goes, whatever the netmask given.
        ("--remove-whitelist", "10.1.0.0", 8, "127.0.0.0/8, [2001:db8::]/32"),
        ("--remove-whitelist", "2001:DB8:0::", 0, "127.0.0.0/8"),
        ("--remove-whitelist", "127.0.0.0", 8, "127.0.0.0/8"),
        ("--remove-whitelist", "10.9.9.9", 8, "127.0.0.0/8"),
    ]
    for command, address, netmask, want in steps:
        args = (command, f"--ip-address={address}", f"--netmask={netmask}")
        check(mx(sb, *args), 0)
        assert postconf_n(sb, "mynetworks") == f"mynetworks = {want}\n", args
        assert_postfix_check_clean(sb)


@pytest.mark.parametrize("args, message", [
    (["--ip-address=10.0.0.0", "--netmask=33"], 'invalid network "10.0.0.0/33"'),
    (["--ip-address=2001:db8::", "--netmask=128"], None),
    (["--ip-address=10.0.0.0,10.1.0.0", "--netmask=8"], 'invalid network "10.0.0.0,10.1.0.0/8"'),
    (["--ip-address=mynetworks=10.0.0.0", "--netmask=8"],
     'invalid network "mynetworks=10.0.0.0/8"'),
    (["--ip-address=10.0.0.0\nsmtpd_banner=x", "--netmask=8"],
     'invalid network "10.0.0.0\nsmtpd_banner=x/8"'),
])
def test_add_whitelist_refuses_what_is_not_a_network(sb, args, message):
    result = mx(sb, "--add-whitelist", *args)
    if message is None:
        check(result, 0)
        return
    fatal(result, "quarn::mail::postfix::PostfixConfigurationError", message)
    assert postconf_n(sb, "mynetworks") == "mynetworks = 127.0.0.0/8\n"


def test_whitelist_option_errors(sb):
    option_error(mx(sb, "--add-whitelist", "--ip-address=10.0.0.0", "--netmask=129"),
                 "the argument ('129') for option '--netmask' is invalid")
    option_error(mx(sb, "--remove-whitelist", "--ip-address=10.0.0.0"),
                 'mandatory option "--netmask" is not specified')
    option_error(mx(sb, "--add-whitelist"), 'mandatory option "--netmask" is not specified')


# Each relay policy of --set-mail-params (the restrictions it writes are
# checked with the other mail parameters).
POLICIES = {"open": "--relayclient", "smtpauth": "--smtpauth", "popauth": "--popauth"}


@pytest.mark.parametrize("policy", sorted(POLICIES))
def test_relay_from_whitelisted_networks(sb, policy):
    sb.write(f"{sandbox.QUARN}/no_relay.re", "")
    sb.postmap_add("poplock", "192.0.2.1", "ok")
    postconf_set(sb, "inet_protocols=all", "smtpd_authorized_xclient_hosts=127.0.0.1")
    sb.run(["/usr/sbin/postfix", "stop"], check=True)  # inet_protocols needs a restart
    sb.run(["/usr/sbin/postfix", "start"], check=True)
    check(mx(sb, "--set-mail-params", POLICIES[policy]), 0)
    check(mx(sb, "--add-whitelist", "--ip-address=10.1.0.0", "--netmask=16"), 0)
    check(mx(sb, "--add-whitelist", "--ip-address=2001:db8::", "--netmask=32"), 0)
    assert_postfix_check_clean(sb)

    def relay_code(client):
        return last_code(smtp(sb, "XCLIENT ADDR=" + client, "EHLO client.example",
                              "MAIL FROM:<a@example.org>", "RCPT TO:<b@elsewhere.example>"))

    # Only POP3-before-SMTP lets the client in the poplock table relay.
    cases = [("10.1.2.3", 250), ("10.2.0.1", 554), ("IPV6:2001:db8::5", 250),
             ("IPV6:2001:db9::5", 554), ("192.0.2.1", 250 if policy == "popauth" else 554)]
    assert [(c, relay_code(c)) for c, _ in cases] == cases
    check(mx(sb, "--remove-whitelist", "--ip-address=10.1.0.0", "--netmask=16"), 0)
    assert relay_code("10.1.2.3") == 554


# DNS block lists


@pytest.mark.parametrize("zones, want", [
    (["--maps-zones=zen.example, bl.example", "--maps-zones=c.example\td.example,,e.example"],
     "permit_mynetworks, reject_unknown_client_hostname, reject_rbl_client zen.example, "
     "reject_rbl_client bl.example, reject_rbl_client c.example, reject_rbl_client d.example, "
     "reject_rbl_client e.example"),
    (["--maps-zones=zen.example"],
     "permit_mynetworks, reject_unknown_client_hostname, reject_rbl_client zen.example"),
    ([], "permit_mynetworks, reject_unknown_client_hostname"),
    (["--maps-zones= , "], "permit_mynetworks, reject_unknown_client_hostname"),
])
def test_maps_protection_rebuilds_client_restrictions(sb, zones, want):
    postconf_set(sb, "smtpd_client_restrictions=permit_mynetworks,"
                     " reject_rbl_client old.example,,reject_unknown_client_hostname")
    check(mx(sb, "--set-maps-protection", *zones), 0)
    assert postconf_n(sb, "smtpd_client_restrictions") == f"smtpd_client_restrictions = {want}\n"
    assert_postfix_check_clean(sb)


@pytest.mark.parametrize("zone", ["zen.example=127.0.0.2", "zen\x01example", "zen/example"])
def test_maps_protection_refuses_bad_zones_unwritten(sb, zone):
    fatal(mx(sb, "--set-maps-protection", "--maps-zones=ok.example", "--maps-zones=" + zone),
          "quarn::mail::postfix::PostfixConfigurationError", f'invalid MAPS zone "{zone}"')
    assert postconf_n(sb, "smtpd_client_restrictions") == ""


