#!/usr/bin/env python3
"""Runs the end-to-end tests (tests/e2e/test_*.py) against a built tavorinex.scr under Wine.

    python3 tests/e2e/run.py --scr build/windows/tavorinex.scr            # every test
    python3 tests/e2e/run.py --scr ... test_startup                       # one file
    python3 tests/e2e/run.py --scr ... -k mutex -k wrong_name             # cases by name part
    python3 tests/e2e/run.py --scr ... test_startup.WrongName.test_box    # one case

Exits with 0 only when at least one test ran and every test passed; none may be skipped.
"""

import argparse
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--scr", help="the tavorinex.scr to test (default: $TAVORINEX_SCR, "
                        "else build/windows/tavorinex.scr)")
    parser.add_argument("--work", help="where copies, the Wine prefix and failure screenshots "
                        "go (default: e2e/ beside the .scr)")
    parser.add_argument("--pattern", default="test_*.py", help="test files to load")
    parser.add_argument("-k", dest="names", action="append", default=[],
                        help="run only cases whose name contains this (repeatable)")
    parser.add_argument("tests", nargs="*",
                        help="test modules, classes or cases (test_startup, "
                        "test_startup.WrongName); default: every test file")
    options = parser.parse_args()

    if options.scr:
        os.environ["TAVORINEX_SCR"] = os.path.abspath(options.scr)
    if options.work:
        os.environ["TAVORINEX_E2E_WORK"] = os.path.abspath(options.work)
    sys.path.insert(0, HERE)
    import harness

    loader = unittest.TestLoader()
    if options.names:
        loader.testNamePatterns = [f"*{name}*" for name in options.names]
    if options.tests:
        suite = loader.loadTestsFromNames(options.tests)
    else:
        suite = loader.discover(HERE, pattern=options.pattern, top_level_dir=HERE)
    if suite.countTestCases() == 0:
        print("no end-to-end tests matched", file=sys.stderr)
        return 1

    try:
        harness.start()
        print(f"end-to-end: {harness.scr_path()} on display {harness.display()}, "
              f"prefix {harness.wine_env()['WINEPREFIX']}", flush=True)
        result = unittest.TextTestRunner(verbosity=2, stream=sys.stdout).run(suite)
    finally:
        harness.stop()
    # A skipped end-to-end test hides a missing check, so it fails the run as well.
    if result.skipped:
        print(f"{len(result.skipped)} end-to-end tests skipped", file=sys.stderr)
    return 0 if result.wasSuccessful() and result.testsRun > 0 and not result.skipped else 1


if __name__ == "__main__":
    sys.exit(main())
