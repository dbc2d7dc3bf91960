# tools/calefax_npy.py: one plane of a whole temperature field saved as .npy, for calefax-plot
#
# A field file holds little-endian float64 values ('<f8') in C order on three axes (i, j, k) of
# nodes, shape (nx+1, ny+1, nz+1), as the simulator writes it. NumPy reads the data when it is
# installed (through a memory map, so only the plane is touched); otherwise a small
# standard-library reader of the .npy header (versions 1.0, 2.0 and 3.0) picks the plane's values
# out of a memory map of the file. The header is always checked here first, so both ways accept
# and refuse the same files with the same messages.

import ast
import math
import mmap
import os
import struct

NPY_MAGIC = b"\x93NUMPY"


class FieldError(Exception):
    """What is wrong with a field file (or the plane asked of it), without the file's name."""


def node(a, index, h, v):
    """(i, j, k) of the node at (horizontal h, vertical v) of the plane index along axis a
    (0, 1, 2 for x, y, z): the other two axes in order, as in a cut-plane file."""
    return [(index, h, v), (h, index, v), (h, v, index)][a]


def read_header(f):
    """(descr, fortran_order, shape, data offset) from the .npy file open as f, at its start."""
    pre = f.read(8)
    if len(pre) < 8 or pre[:6] != NPY_MAGIC:
        raise FieldError("not a .npy file (no NumPy magic string)")
    if pre[6] not in (1, 2, 3) or pre[7] != 0:
        raise FieldError("unsupported .npy version %d.%d" % (pre[6], pre[7]))
    size = 2 if pre[6] == 1 else 4    # bytes of the header length
    raw = f.read(size)
    length = int.from_bytes(raw, "little")
    text = f.read(length)
    try:
        if len(raw) < size or len(text) < length:
            raise ValueError("cut short")
        h = ast.literal_eval(text.decode("utf-8" if pre[6] == 3 else "latin-1"))
        descr, fortran, shape = h["descr"], h["fortran_order"], tuple(h["shape"])
    except (ValueError, SyntaxError, TypeError, KeyError, MemoryError, RecursionError):
        raise FieldError("malformed .npy header")
    return descr, fortran, shape, 8 + size + length


def field_plane(path, a, index):
    """Rows (vertical index, then horizontal) of the plane index along axis a of the field in
    path, finite floats; FieldError for a file that is not such a field or an index outside it,
    OSError when it cannot be read."""
    with open(path, "rb") as f:
        descr, fortran, shape, offset = read_header(f)
        if descr != "<f8" or fortran is not False:
            raise FieldError("dtype %r%s where a field holds '<f8' (float64) values in C order"
                             % (descr, ", Fortran order" if fortran else ""))
        if len(shape) != 3 or not all(type(n) is int and n > 0 for n in shape):
            raise FieldError("shape %s where a field has three axes (i, j, k) of nodes"
                             % (shape,))
        data, need = os.fstat(f.fileno()).st_size - offset, 8 * math.prod(shape)
        if data < need:
            raise FieldError("%d data bytes where shape %s needs %d" % (data, shape, need))
        if not 0 <= index < shape[a]:
            raise FieldError("--index %d is outside 0..%d along %s (shape %d x %d x %d)"
                             % ((index, shape[a] - 1, "xyz"[a]) + shape))
        rows = plane_rows(path, f, shape, offset, a, index)
    for v, row in enumerate(rows):
        for h, t in enumerate(row):
            if not math.isfinite(t):
                raise FieldError("temperature %r at node %s is not finite"
                                 % (t, node(a, index, h, v)))
    return rows


def plane_rows(path, f, shape, offset, a, index):
    """The plane's rows from the checked field file open as f."""
    try:
        import numpy
    except ImportError:
        numpy = None
    if numpy is not None:
        try:
            field = numpy.load(path, mmap_mode="r", allow_pickle=False)
        except ValueError as e:
            raise FieldError("not a readable .npy file (%s)" % e)
        return numpy.take(field, index, axis=a).T.astype(float).tolist()
    # node (i, j, k) is value (i*nj + j)*nk + k
    strides = (shape[1] * shape[2], shape[2], 1)
    nh, nv = [shape[b] for b in range(3) if b != a]
    value = struct.Struct("<d")
    with mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) as view:
        def at(h, v):
            p = sum(n * s for n, s in zip(node(a, index, h, v), strides))
            return value.unpack_from(view, offset + 8 * p)[0]
        return [[at(h, v) for h in range(nh)] for v in range(nv)]
