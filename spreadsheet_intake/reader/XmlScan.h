#pragma once
// The XML of a workbook's parts, streamed in chunks to a handler of elements and text.
//
// Most of a sheet's reading time went into expat, which handles every encoding, DTD and
// well-formedness rule of XML. The parts spreadsheet writers produce use a small corner of it:
// UTF-8, no DTD, the five predefined entities and character references. scanPlainXml reads
// that corner itself, several times faster, and gives up on anything else (another encoding,
// a DOCTYPE, any breach of well-formedness), so that the caller parses the part again with
// expat, which reads it or refuses it with its own message. Neither keeps the document: only
// the chunk being scanned and the token that crosses its end.
#include <cstddef>
#include <functional>
#include <string_view>

namespace intake {

class XmlHandler {
public:
    virtual ~XmlHandler() = default;
    // `name` without its namespace prefix; `attrs` as expat gives them: name, value, ...,
    // null. Both only valid during the call.
    virtual void start(std::string_view name, const char** attrs) = 0;
    virtual void end(std::string_view name) = 0;
    // Character data inside the root element, entities resolved and line ends made "\n"; a
    // run of text may come in several calls.
    virtual void text(std::string_view) {}
    // Back to the state before the first call, for a second reading of the same part.
    virtual void reset() = 0;
};

// Fills `buffer` with up to `size` bytes of the document and returns how many; 0 at its end.
using XmlSource = std::function<std::size_t(char* buffer, std::size_t size)>;

// Scans the document into `handler`. False when the document lies outside the plain corner
// described above: the handler has then seen part of it and must be reset. Exceptions of the
// handler and of the source pass through.
bool scanPlainXml(const XmlSource& source, XmlHandler& handler);

}  // namespace intake
