#pragma once
// The text of the statement the document print dialog sends, as a plain standard string: the
// dialog (printing/) and the engine's tests run the same text.
#include <string>

namespace statements::doc_print {

// The print layouts of a form code, in their order; blanks around either code do not count:
// :PrintCode.
const std::string& layouts();

}  // namespace statements::doc_print
