# tests/python_tests.py: runs the module's tests (test_python.py) with pytest; exits 77, which
# ctest reports as skipped, when pytest or the module calefax cannot be imported.
import importlib.util
import os
import sys

for name, hint in (("pytest", "apt-get install python3-pytest"),
                   ("calefax", "the module is built when pybind11-dev and python3-numpy are found")):
    if importlib.util.find_spec(name) is None:
        print("python_tests: skipped: %s cannot be imported (%s)" % (name, hint))
        sys.exit(77)

import pytest  # noqa: E402

here = os.path.dirname(os.path.abspath(__file__))
sys.exit(pytest.main(["-q", "-p", "no:cacheprovider", os.path.join(here, "test_python.py")]
                     + sys.argv[1:]))
