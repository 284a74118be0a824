// Splitting one CSV line into fields. Fields are separated by ","; a field
// that begins with a double quote runs to the next lone double quote, may hold
// commas, and takes "" as one quote character.
#pragma once
#include <string>

namespace csvtext {

// With n >= 0: *line is replaced by its field n, and n is returned; -1 (and an
// empty line) when the line has fewer fields. With n = -1: the number of
// fields is returned and the line is left as it was.
// - An empty rest of the line ends it (a trailing "," adds no field).
// - A quoted field: the text before its opening quote is dropped, and so is the
//   text between its closing quote and the next ",".
// - A quote still open at the line's end: the line ends there; for n >= 0 the
//   line then holds the text after the opening quote and -1 is returned, for
//   n = -1 the fields before it are counted.
int CsvField(std::u16string* line, int n);

// Field n of line (empty when there is none; the open-quote text as above).
std::u16string CsvFieldText(const std::u16string& line, int n);

}  // namespace csvtext
