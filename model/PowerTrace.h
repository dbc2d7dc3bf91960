// model/PowerTrace.h: a power trace: unit names, then one power in watts per unit per interval
#ifndef MODEL_POWERTRACE_H
#define MODEL_POWERTRACE_H

#include <istream>
#include <string>
#include <vector>

// The text of a trace is a first line of unit names, separated by blanks or tabs, then one line
// per interval holding one power in watts per name, in the same order. Blank lines are skipped and
// a carriage return at a line end is ignored. Every power must be a finite number >= 0; a name may
// appear once only. Which names are units of the chip is checked against the blocks
// (model/Units.h).
class PowerTrace
{
public:
    // Reads the whole text. Returns true with the trace held, or false with error set to
    // "FILE:LINE: what was wrong" and the trace left empty. An empty text, or names without any
    // interval line, is refused.
    bool read(std::istream& in, const std::string& file, std::string& error);
    // The same on a file, refusing one that cannot be opened or read.
    bool read_file(const std::string& path, std::string& error);

    const std::vector<std::string>& names() const { return names_; }
    size_t intervals() const { return rows; }
    // Powers of interval r (0 <= r < intervals()), one per name, W.
    const double* row(size_t r) const { return watts.data() + r * names_.size(); }
    // Line of the file holding the names, from 1.
    int names_line() const { return names_at; }
    // Line of the file holding interval r, from 1.
    int row_line(size_t r) const { return row_lines[r]; }

private:
    std::vector<std::string> names_;
    std::vector<double> watts; // rows * names, row after row
    size_t rows = 0;
    std::vector<int> row_lines; // line of each interval
    int names_at = 0;
};

#endif
