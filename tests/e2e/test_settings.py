"""Server settings commands against a running Postfix: the message size
limit and the sender black list, with exact outputs and
statuses, main.cf as `postconf -n` shows it and what Postfix then answers in
the SMTP dialogue."""

import time

import pytest

from mail_setup import dump
from settings_support import (assert_postfix_check_clean, check, fatal, last_code, mx,
                              option_error, postconf_n, postconf_set, smtp)
import sandbox


@pytest.fixture
def sb():
    with sandbox.Sandbox(postfix=True) as box:
        yield box


# Message size


def test_size_getters_print_the_number_alone(sb):
    postconf_set(sb, "message_size_limit=1234567", "mailbox_size_limit=7654321")
    check(mx(sb, "--get-max-letter-size"), 0, out="1234567\n")
    check(mx(sb, "--get-mailbox-size-limit"), 0, out="7654321\n")
    check(mx(sb, "--get-max-letter-size", "--help", "extra"), 0, out="1234567\n")


def test_set_max_letter_size_writes_main_cf(sb):
    postconf_set(sb, "mailbox_size_limit=60000000")
    for size, want in [
        ("20000", "20000"),
        ("0", "60000000"),  # no limit: the mailbox limit
        ("+20000", "20000"),
        ("9223372036854775807", "9223372036854775807"),
    ]:
        check(mx(sb, "--set-max-letter-size", "--size=" + size), 0)
        assert postconf_n(sb, "message_size_limit") == f"message_size_limit = {want}\n", size
        assert_postfix_check_clean(sb)


def test_set_max_letter_size_refuses_bad_sizes_unwritten(sb):
    fatal(mx(sb, "--set-max-letter-size", "--size=-1"),
          "quarn::mail::postfix::PostfixConfigurationError", "invalid message size limit -1")
    option_error(mx(sb, "--set-max-letter-size", "--size=12k"),
                 "the argument ('12k') for option '--size' is invalid")
    option_error(mx(sb, "--set-max-letter-size"),
                 'mandatory option "--size" is not specified')
    assert postconf_n(sb, "message_size_limit") == ""


def test_size_limit_is_enforced_in_the_smtp_dialogue(sb):
    check(mx(sb, "--set-max-letter-size", "--size=20000"), 0)
    # The reload made new smtpd processes announce the new limit.
    assert "SIZE 20000" in smtp(sb)[0][1]
    declared = smtp(sb, "MAIL FROM:<a@example.org> SIZE=20001")
    assert last_code(declared) == 552, declared
    undeclared = smtp(sb, "MAIL FROM:<a@example.org>", "RCPT TO:<root@localhost>", "DATA",
                      "BODY 30000")
    assert last_code(undeclared) == 552, undeclared
    small = smtp(sb, "MAIL FROM:<a@example.org> SIZE=10000", "RCPT TO:<root@localhost>",
                 "DATA", "BODY 10000")
    assert last_code(small) == 250, small


# Sender black list


def sender_code(sb, sender):
    return last_code(smtp(sb, f"MAIL FROM:<{sender}>", "RCPT TO:<root@localhost>"))


def test_badmailfrom_refuses_and_then_accepts_the_sender(sb):
    check(mx(sb, "--add-badmailfrom", "--domain-name=bad.example"), 0)
    check(mx(sb, "--add-badmailfrom", "--domain-name=bad.example"), 0)
    assert dump(sb, "blacklists") == ["bad.example\tREJECT"]
    assert sender_code(sb, "someone@bad.example") == 554
    assert sender_code(sb, "someone@good.example") == 250
    # smtpd sees a changed table by its modification time in whole seconds.
    time.sleep(1.1)
    check(mx(sb, "--remove-badmailfrom", "--domain-name=bad.example"), 0)
    check(mx(sb, "--remove-badmailfrom", "--domain-name=bad.example"), 0)
    assert dump(sb, "blacklists") == []
    # A running smtpd sees the changed table once it has served a session.
    assert sandbox.wait_for(lambda: sender_code(sb, "someone@bad.example") == 250)


def test_badmailfrom_converts_and_checks_the_domain(sb):
    check(mx(sb, "--add-badmailfrom", "--domain-name=Bücher.Example"), 0)
    assert dump(sb, "blacklists") == ["xn--bcher-kva.example\tREJECT"]
    for bad in ["bad example", "bad,example", "bad\nexample", "a=b.example", "a/b.example"]:
        fatal(mx(sb, "--add-badmailfrom", "--domain-name=" + bad), "std::invalid_argument", bad)
    option_error(mx(sb, "--remove-badmailfrom"),
                 'mandatory option "--domain-name" is not specified')
    assert dump(sb, "blacklists") == ["xn--bcher-kva.example\tREJECT"]

