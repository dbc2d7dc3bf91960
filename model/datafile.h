// model/datafile.h: the data file of a run (grid, time step, faces, layers, probe, cut planes) and
// its parser
#ifndef MODEL_DATAFILE_H
#define MODEL_DATAFILE_H

#include <istream>
#include <string>
#include <vector>

// The items of a data file, in file order. The file is read by formatted stream extraction: items
// are separated by any white space, line breaks carry no meaning, there are no comments. Integers
// and reals are read as the stream reads int and double ("+10" and "004" are integers, ".5e-6" a
// real); a name is one token of non-blank characters; an axis letter is the next non-blank
// character (so "z2" is axis z, index 2).
struct DataFile
{
    struct Layer
    {
        std::string name; // layer name, any length
        double k;         // conductivity, W/(m K), >= 0
        double rho;       // density, kg/m^3, > 0
        double cp;        // specific heat, J/(kg K), > 0
    };
    struct Cut
    {
        char axis;        // axis letter as written; only x, y, z (either case) are written out
        int index;        // node index along the axis; inside the grid for x, y and z
        std::string file; // output file name
    };

    int n_steps;       // number of time steps, >= 0
    int nx, ny, nz;    // grid intervals, >= 1 each; (nx+1)(ny+1)(nz+1) <= 2^27 nodes
    double dx, dy, dz; // spacings, m, > 0
    double dt;         // time step, s, > 0
    double T_amb;      // ambient temperature, finite
    double h[6];       // convection coefficients x-max, x-min, y-max, y-min, z-max, z-min, >= 0
    Layer layers[10];  // the layer table in file order
    std::string base;  // name of the base material as written
    int base_layer;    // last record whose name matches base without regard to case
    int probe_x, probe_y, probe_z; // probe node, inside the grid
    std::vector<Cut> cuts;         // the cut planes in file order
};

// Number of records in the layer table of every data file.
const int DATA_FILE_LAYERS = 10;

// Most grid nodes a data file may ask for: 2^27, a cube of 512 nodes a side, whose ADI run
// takes 6.5 GiB (52 bytes a node: six fields of doubles, the sweeps' source term among them, and
// one of ints). A larger grid is refused where it is read, before anything is
// sized by it, so that a slip of the keyboard cannot claim the machine's memory.
const int DATA_FILE_MAX_NODES = 1 << 27;

// Parses the text of a data file named file (the name only labels messages). Returns true with out
// filled, or false with error set to one line "FILE:LINE: item N (what): what was wrong" and out
// partly filled. Every value is checked before it is used to size or index anything, and the
// number of cut planes only bounds a loop that stops at the end of the text.
bool parse_data_file(std::istream& in, const char* file, DataFile& out, std::string& error);

// Reads the file at path whole, then parses it as above; a file that cannot be opened or read is
// rejected as read_text_file (model/text_file.h) words it.
bool read_data_file(const char* path, DataFile& out, std::string& error);

// Axis of a cut plane's letter: 0, 1, 2 for x, y, z in either case, -1 for any other letter.
inline int cut_axis_index(char axis)
{
    const int a = (axis | 0x20) - 'x';
    return a >= 0 && a <= 2 ? a : -1;
}

// Case-insensitive equality of two layer names.
bool same_name(const char* a, const char* b);

#endif
