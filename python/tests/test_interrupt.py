"""Ctrl-C and other signals during a long calculation.

The calculation runs without the GIL, on the thread that Python's signal
handlers run on; it gives them their turn every few milliseconds, and an
exception from one cancels it.
"""

import os
import signal
import threading

import numpy as np
import pytest

import morvane

LARGE_PROTEIN = "C12000H19000N3300O3600S80"  # seconds at threshold 1e-6


def signal_after(seconds, signum=signal.SIGINT):
    timer = threading.Timer(seconds, os.kill, (os.getpid(), signum))
    timer.start()
    return timer


def same(a, b):
    return np.array_equal(a.mass, b.mass) and np.array_equal(a.abundance, b.abundance)


def test_ctrl_c_cancels_one_long_pattern_and_the_next_is_as_before():
    before = morvane.pattern("C257H383N65O77S6")
    timer = signal_after(0.2)
    with pytest.raises(KeyboardInterrupt):
        morvane.pattern(LARGE_PROTEIN, threshold=1e-6)
    timer.join()
    assert same(morvane.pattern("C257H383N65O77S6"), before)


def test_ctrl_c_cancels_the_patterns_under_way_on_every_thread():
    timer = signal_after(0.2)
    with pytest.raises(KeyboardInterrupt):
        morvane.patterns([LARGE_PROTEIN] * 4, threshold=1e-6, threads=2)
    timer.join()


def test_a_handler_that_does_not_raise_lets_the_calculation_finish():
    expected = morvane.pattern(LARGE_PROTEIN, threshold=1e-3)
    seen = []
    previous = signal.signal(signal.SIGINT, lambda signum, frame: seen.append(signum))
    try:
        timer = signal_after(0.05)
        result = morvane.pattern(LARGE_PROTEIN, threshold=1e-3)
        timer.join()
    finally:
        signal.signal(signal.SIGINT, previous)
    assert seen == [signal.SIGINT]
    assert same(result, expected)


def test_a_handler_cannot_start_another_calculation_meanwhile():
    previous = signal.signal(signal.SIGALRM, lambda signum, frame: morvane.pattern("H2O"))
    try:
        signal.setitimer(signal.ITIMER_REAL, 0.1)
        with pytest.raises(RuntimeError, match="signal handler"):
            morvane.pattern(LARGE_PROTEIN, threshold=1e-6)
    finally:
        signal.setitimer(signal.ITIMER_REAL, 0)
        signal.signal(signal.SIGALRM, previous)
    assert len(morvane.pattern("H2O").mass) > 0
