"""Fifty --add-whitelist runs at once: each holds the main.cf lock from its
read of mynetworks to its write, so no run's network is lost."""

import sandbox
from settings_support import assert_postfix_check_clean

RUNS = 50

# Starts $2 runs of $1 at once; each failing run is reported on standard
# error with its output.
START_ALL = r"""
for i in $(seq 1 "$2"); do
    ("$1" --add-whitelist --ip-address=10.$i.0.0 --netmask=16 >"/tmp/run.$i" 2>&1 ||
        { echo "run $i failed:"; cat "/tmp/run.$i"; } >&2) &
done
wait
"""


def test_concurrent_add_whitelist_loses_nothing(postfix_box):
    sb = postfix_box
    result = sb.run(["/bin/bash", "-c", START_ALL, "bash", sandbox.mxwarden(), str(RUNS)],
                    timeout=540)
    assert (result.returncode, result.stdout, result.stderr) == (0, "", "")
    value = sb.run(["/usr/sbin/postconf", "-h", "mynetworks"], check=True).stdout
    networks = value.strip().split(", ")
    want = ["127.0.0.0/8"] + [f"10.{i}.0.0/16" for i in range(1, RUNS + 1)]
    assert sorted(networks) == sorted(want)
    assert_postfix_check_clean(sb)
