# tests/test_field.py: field files: .npy against NumPy, .vti against a reader of its own and VTK's,
# planes of .npy fields read back with and without NumPy, and calefax-plot's maps of them

import argparse
import os
import pathlib
import struct
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET
from unittest import mock


def importable(name):
    try:
        __import__(name)
        return True
    except ImportError:
        return False


HAVE_NUMPY = importable("numpy")
HAVE_VTK = importable("vtkmodules.vtkIOXML")
HAVE_MATPLOTLIB = importable("matplotlib")

NX, NY, NZ = 2, 4, 3                    # 3 x 5 x 4 nodes: no two axes alike
SHAPE = (NX + 1, NY + 1, NZ + 1)
SPACING = ("1e-4", "2.5e-05", "3.3333333333333335e-07")


def value(i, j, k):
    """What the writer puts at node (i, j, k): distinct, and every digit matters."""
    return (100.0 * i + 10.0 * j + k) / 7.0


def nodes(shape=SHAPE):
    return [(i, j, k) for i in range(shape[0]) for j in range(shape[1]) for k in range(shape[2])]


def npy_bytes(shape, descr="<f8", fortran=False, version=1, values=None):
    """A .npy file written here, independently of the writer under test (values in C order)."""
    if values is None:
        values = [value(*n) for n in nodes(shape)]
    head = ("{'descr': '%s', 'fortran_order': %s, 'shape': %s, }"
            % (descr, fortran, tuple(shape))).encode("latin-1")
    size = 2 if version == 1 else 4
    head += b" " * (-(8 + size + len(head) + 1) % 64) + b"\n"
    fmt = descr[0] + {"f8": "d", "f4": "f"}[descr[1:]]
    return (b"\x93NUMPY" + bytes([version, 0]) + len(head).to_bytes(size, "little") + head
            + b"".join(struct.pack(fmt, v) for v in values))


class FieldFiles(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dir = cls.enterClassContext(tempfile.TemporaryDirectory(prefix="calefax-field-"))
        subprocess.run([ARGS.writer, str(NX), str(NY), str(NZ), *SPACING, "field.npy",
                        "field.vti"], cwd=cls.dir, check=True)

    def path(self, name):
        return os.path.join(self.dir, name)

    # NumPy's own loader: shape (nx+1, ny+1, nz+1), little-endian float64, every value exact.
    @unittest.skipUnless(HAVE_NUMPY, "numpy not installed (apt-get install python3-numpy)")
    def test_npy_loads_in_numpy(self):
        import numpy
        a = numpy.load(self.path("field.npy"), allow_pickle=False)
        self.assertEqual(SHAPE, a.shape)
        self.assertEqual("<f8", a.dtype.str)
        self.assertTrue(a.flags.c_contiguous)
        self.assertEqual([value(*n) for n in nodes()], [float(a[n]) for n in nodes()])

    # The XML head by ElementTree, then the appended block: UInt64 byte count, x fastest.
    def test_vti_header_and_values(self):
        data = pathlib.Path(self.path("field.vti")).read_bytes()
        head, mark, rest = data.partition(b'<AppendedData encoding="raw">')
        self.assertTrue(mark)
        root = ET.fromstring(head + b"</VTKFile>")
        self.assertEqual({"type": "ImageData", "version": "1.0", "byte_order": "LittleEndian",
                          "header_type": "UInt64"}, root.attrib)
        image, piece = root.find("ImageData"), root.find("ImageData/Piece")
        extent = "0 %d 0 %d 0 %d" % (NX, NY, NZ)
        self.assertEqual((extent, "0 0 0"), (image.get("WholeExtent"), image.get("Origin")))
        self.assertEqual([float(s) for s in SPACING],
                         [float(s) for s in image.get("Spacing").split()])
        self.assertEqual(extent, piece.get("Extent"))
        self.assertEqual("temperature", piece.find("PointData").get("Scalars"))
        array = piece.findall("PointData/DataArray")
        self.assertEqual(1, len(array))
        self.assertEqual({"type": "Float64", "Name": "temperature", "NumberOfComponents": "1",
                          "format": "appended", "offset": "0"}, array[0].attrib)
        raw = rest[rest.index(b"_") + 1:]
        n = SHAPE[0] * SHAPE[1] * SHAPE[2]
        self.assertEqual(8 * n, struct.unpack_from("<Q", raw)[0])
        got = struct.unpack_from("<%dd" % n, raw, 8)
        self.assertEqual([value(i, j, k) for k in range(SHAPE[2]) for j in range(SHAPE[1])
                          for i in range(SHAPE[0])], list(got))
        self.assertEqual(b"\n  </AppendedData>\n</VTKFile>\n", raw[8 + 8 * n:])

    # VTK's own reader, when installed: no error, the grid, the spacing and every value.
    @unittest.skipUnless(HAVE_VTK, "VTK's Python modules not installed (python3-vtk9)")
    def test_vti_loads_in_vtk(self):
        from vtkmodules.vtkIOXML import vtkXMLImageDataReader
        errors = []
        reader = vtkXMLImageDataReader()
        reader.AddObserver("ErrorEvent", lambda *a: errors.append(a))
        reader.SetFileName(self.path("field.vti"))
        reader.Update()
        image = reader.GetOutput()
        self.assertEqual([], errors)
        self.assertEqual(SHAPE, image.GetDimensions())
        self.assertEqual(tuple(float(s) for s in SPACING), image.GetSpacing())
        t = image.GetPointData().GetScalars()
        self.assertEqual(("temperature", len(nodes())), (t.GetName(), t.GetNumberOfTuples()))
        self.assertEqual([value(*n) for n in nodes()],
                         [t.GetValue(image.ComputePointId(n)) for n in nodes()])

    # Every plane along every axis, in the layout of a cut-plane file, from the writer's file and
    # a version 2.0 file made here; with and without NumPy.
    def test_planes_read_back(self):
        sys.path.insert(0, os.path.dirname(ARGS.tool))
        import calefax_npy
        pathlib.Path(self.path("v2.npy")).write_bytes(npy_bytes(SHAPE, version=2))
        for numpy in ([True] if HAVE_NUMPY else []) + [False]:
            blocked = {} if numpy else {"numpy": None}
            for name in ("field.npy", "v2.npy"):
                for a in range(3):
                    for index in range(SHAPE[a]):
                        with mock.patch.dict(sys.modules, blocked):
                            rows = calefax_npy.field_plane(self.path(name), a, index)
                        h, v = [b for b in range(3) if b != a]
                        node = lambda p, q: tuple(index if b == a else p if b == h else q
                                                  for b in range(3))
                        want = [[value(*node(p, q)) for p in range(SHAPE[h])]
                                for q in range(SHAPE[v])]
                        self.assertEqual(want, rows, (numpy, name, a, index))

    def run_tool(self, args, block_numpy=False):
        env = dict(os.environ, CALEFAX_PLOT_SYSTEM_PYTHON="")
        if block_numpy:                 # a numpy that fails to import, found first
            pathlib.Path(self.path("no/numpy.py")).parent.mkdir(exist_ok=True)
            pathlib.Path(self.path("no/numpy.py")).write_text("raise ImportError('no')\n")
            env["PYTHONPATH"] = self.path("no")
        return subprocess.run([sys.executable, ARGS.tool] + args, cwd=self.dir, env=env,
                              capture_output=True, text=True, timeout=120)

    # Maps of field planes: the plane and its hottest node in the summary, a PNG written.
    @unittest.skipUnless(HAVE_MATPLOTLIB, "matplotlib not installed")
    def test_maps_of_planes(self):
        for args, png, text in [
                (["map", "field.npy", "--axis", "y", "--index", "2"], "field_y2.png",
                 "y plane j = 2 of 3 x 4 nodes, hottest 31.8571 at (i, k) = (2, 3)"),
                (["map", "field.npy", "--axis", "x", "--index", "0", "-o", "x.png"], "x.png",
                 "x plane i = 0 of 5 x 4 nodes, hottest 6.14286 at (j, k) = (4, 3)")]:
            r = self.run_tool(args)
            self.assertEqual(0, r.returncode, r.stderr)
            self.assertIn(text, r.stdout)
            self.assertEqual(b"\x89PNG\r\n\x1a\n", pathlib.Path(self.path(png)).read_bytes()[:8])

    # Bad fields and options: one error line naming the fault, no PNG, with and without NumPy.
    def test_refusals(self):
        nan = [float("nan") if n == (0, 1, 0) else 1.0 for n in nodes()]
        files = {"f4.npy": npy_bytes(SHAPE, descr="<f4"), "big.npy": npy_bytes(SHAPE, ">f8"),
                 "fortran.npy": npy_bytes(SHAPE, fortran=True),
                 "flat.npy": npy_bytes((3, 4), values=[1.0] * 12),
                 "short.npy": npy_bytes(SHAPE)[:-8], "text.npy": b"1\t2\t\n",
                 "head.npy": b"\x93NUMPY\x01\x00\x04\x00{'de",
                 "nan.npy": npy_bytes(SHAPE, values=nan), "p.txt": b"1\t2\t\n3\t4\t\n"}
        for name, data in files.items():
            pathlib.Path(self.path(name)).write_bytes(data)
        pictures = [f for f in os.listdir(self.dir) if f.endswith(".png")]
        for args, what in [
                (["field.npy", "--axis", "y", "--index", "5"],
                 "field.npy: --index 5 is outside 0..4 along y \\(shape 3 x 5 x 4\\)"),
                (["field.npy", "--axis", "x"], "field.npy: a field file needs --index N"),
                (["p.txt", "--index", "1"], "--index is for .npy field files; p.txt"),
                (["f4.npy", "--index", "0"], "f4.npy: dtype '<f4' where"),
                (["big.npy", "--index", "0"], "big.npy: dtype '>f8' where"),
                (["fortran.npy", "--index", "0"], "fortran.npy: dtype '<f8', Fortran order where"),
                (["flat.npy", "--index", "0"], "flat.npy: shape \\(3, 4\\) where"),
                (["short.npy", "--index", "0"], "short.npy: 472 data bytes where shape"),
                (["text.npy", "--index", "0"], "text.npy: not a .npy file"),
                (["head.npy", "--index", "0"], "head.npy: malformed .npy header"),
                (["nan.npy", "--axis", "y", "--index", "1"],
                 "nan.npy: temperature nan at node \\(0, 1, 0\\) is not finite")]:
            for block in (False, True):
                r = self.run_tool(["map"] + args, block_numpy=block)
                self.assertEqual(1, r.returncode, (args, block, r.stderr))
                self.assertRegex(r.stderr, "^calefax-plot: error: %s.*\n\\Z" % what)
                self.assertEqual(pictures, [f for f in os.listdir(self.dir) if f.endswith(".png")])


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
