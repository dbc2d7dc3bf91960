// model/text_file.cpp: read_text_file
#include "model/text_file.h"

#include <fstream>
#include <sstream>

bool read_text_file(const char* path, const char* what, std::string& text, std::string& error)
{
    std::ifstream f(path);
    if (!f)
    {
        error = std::string(path) + ": cannot open the " + what + " file";
        return false;
    }
    std::ostringstream s;
    s << f.rdbuf();
    if (f.bad())
    {
        error = std::string(path) + ": cannot read the " + what + " file";
        return false;
    }
    text = s.str();
    return true;
}
