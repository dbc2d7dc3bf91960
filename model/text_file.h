// model/text_file.h: the whole of a text file in memory, for readers that report lines
#ifndef MODEL_TEXT_FILE_H
#define MODEL_TEXT_FILE_H

#include <string>

// Reads the file at path into text. Returns false with error = "PATH: cannot open the WHAT file"
// (or "cannot read") when it cannot be opened or a read fails; what names the file's role
// ("data", "input").
bool read_text_file(const char* path, const char* what, std::string& text, std::string& error);

#endif
