# tests/test_field.py: field files: .npy against NumPy, .vti against a reader of its own, and
# calefax-plot's maps of .npy planes

import argparse
import importlib.util
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET


HAVE_NUMPY = importlib.util.find_spec("numpy") is not None
NX, NY, NZ = 2, 4, 3                    # 3 x 5 x 4 nodes: no two axes alike
SHAPE = (NX + 1, NY + 1, NZ + 1)
SPACING = ("1e-4", "2.5e-05", "3.3333333333333335e-07")
NODES = [(i, j, k) for i in range(SHAPE[0]) for j in range(SHAPE[1]) for k in range(SHAPE[2])]


def value(i, j, k):
    """What the writer puts at node (i, j, k): distinct, and every digit matters."""
    return (100.0 * i + 10.0 * j + k) / 7.0


class FieldFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        tmp = cls.enterClassContext(tempfile.TemporaryDirectory(prefix="calefax-field-"))
        cls.dir = pathlib.Path(tmp)
        subprocess.run([ARGS.writer, str(NX), str(NY), str(NZ), *SPACING, "field.npy",
                        "field.vti"], cwd=cls.dir, check=True)

    @unittest.skipUnless(HAVE_NUMPY, "numpy not installed (apt-get install python3-numpy)")
    def test_npy_loads_in_numpy(self):
        import numpy
        a = numpy.load(self.dir / "field.npy", allow_pickle=False)
        self.assertEqual((SHAPE, "<f8"), (a.shape, a.dtype.str))
        self.assertEqual([value(*n) for n in NODES], [float(a[n]) for n in NODES])

    # The XML head by ElementTree, then the appended block: UInt64 byte count, x fastest.
    def test_vti_header_and_values(self):
        head, _, rest = (self.dir / "field.vti").read_bytes().partition(
            b'<AppendedData encoding="raw">')
        root = ET.fromstring(head + b"</VTKFile>")
        image, array = root.find("ImageData"), root.find("ImageData/Piece/PointData/DataArray")
        self.assertEqual(("UInt64", "0 %d 0 %d 0 %d" % (NX, NY, NZ), "Float64", "appended",
                          [float(s) for s in SPACING]),
                         (root.get("header_type"), image.get("WholeExtent"), array.get("type"),
                          array.get("format"), [float(s) for s in image.get("Spacing").split()]))
        raw, n = rest[rest.index(b"_") + 1:], len(NODES)
        self.assertEqual(8 * n, struct.unpack_from("<Q", raw)[0])
        self.assertEqual([value(i, j, k) for k in range(SHAPE[2]) for j in range(SHAPE[1])
                          for i in range(SHAPE[0])], list(struct.unpack_from("<%dd" % n, raw, 8)))

    def run_tool(self, args, block_numpy=False):
        env = dict(os.environ, CALEFAX_PLOT_SYSTEM_PYTHON="")
        if block_numpy:                 # a numpy that fails to import, found first
            (self.dir / "no").mkdir(exist_ok=True)
            (self.dir / "no/numpy.py").write_text("raise ImportError('no')\n")
            env["PYTHONPATH"] = str(self.dir / "no")
        return subprocess.run([sys.executable, ARGS.tool, "map"] + args, cwd=self.dir, env=env,
                              capture_output=True, text=True, timeout=120)

    @unittest.skipUnless(importlib.util.find_spec("matplotlib"), "matplotlib not installed")
    def test_map_of_a_plane(self):
        r = self.run_tool(["field.npy", "--axis", "y", "--index", "2"])
        self.assertEqual(0, r.returncode, r.stderr)
        self.assertIn("y plane j = 2 of 3 x 4 nodes, hottest 31.8571 at (i, k) = (2, 3)", r.stdout)
        self.assertTrue((self.dir / "field_y2.png").read_bytes().startswith(b"\x89PNG"))

    # Bad fields and options: one error line naming the fault, no PNG written; the NaN found by
    # the reader that serves without NumPy too.
    def test_refusals(self):
        npy = (self.dir / "field.npy").read_bytes()
        at = len(npy) - 8 * (len(NODES) - NODES.index((0, 1, 0)))    # node (0, 1, 0) made NaN
        for name, data in [("f4.npy", npy.replace(b"'<f8'", b"'<f4'")), ("short.npy", npy[:-8]),
                           ("nan.npy", npy[:at] + struct.pack("<d", float("nan")) + npy[at + 8:]),
                           ("text.npy", b"1\t2\t\n")]:
            (self.dir / name).write_bytes(data)
        pictures = sorted(self.dir.glob("*.png"))
        for args, block, what in [
                ("field.npy --axis y --index 5", 0, "field.npy: --index 5 is outside 0..4 along y"),
                ("f4.npy --index 0", 0, "f4.npy: dtype '<f4' where"),
                ("short.npy --index 0", 0, "short.npy: 472 data bytes where shape"),
                ("text.npy --index 0", 0, "text.npy: not a .npy file"),
                ("nan.npy --axis y --index 1", 0, r"nan.npy: temperature nan at node \(0, 1, 0\)"),
                ("nan.npy --axis y --index 1", 1, r"nan.npy: temperature nan at node \(0, 1, 0\)")]:
            r = self.run_tool(args.split(), block_numpy=block)
            self.assertEqual(1, r.returncode, (args, block, r.stderr))
            self.assertRegex(r.stderr, "^calefax-plot: error: %s.*\n\\Z" % what)
            self.assertEqual(pictures, sorted(self.dir.glob("*.png")))


if __name__ == "__main__":
    parser = argparse.ArgumentParser(add_help=False)
    for name in ("--writer", "--tool"):
        parser.add_argument(name, type=os.path.abspath, required=True)
    ARGS, rest = parser.parse_known_args()  # read by the tests; ctest passes both
    result = unittest.main(argv=[sys.argv[0]] + rest, verbosity=2, exit=False).result
    if not result.wasSuccessful():
        sys.exit(1)
    if not HAVE_NUMPY:                  # ctest reports the test as skipped (SKIP_RETURN_CODE)
        print("numpy not installed: the NumPy checks were skipped (apt-get install python3-numpy)")
        sys.exit(77)
