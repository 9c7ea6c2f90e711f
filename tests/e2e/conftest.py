"""Fixtures the end-to-end tests share: one sandbox for a module's tests."""

import pytest

import sandbox


@pytest.fixture(scope="module")
def box():
    """A sandbox without Postfix."""
    with sandbox.Sandbox() as sb:
        yield sb


@pytest.fixture(scope="module")
def postfix_box():
    """A sandbox with a running Postfix."""
    with sandbox.Sandbox(postfix=True) as sb:
        yield sb
