// The plain-XML scanner against expat: what it reads it must read as expat does, whatever the
// chunks the document comes in, and what expat refuses it must leave to expat.
#include <expat.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "spreadsheet_intake/reader/XmlScan.h"

namespace {

// The events as one text: "<name a=v>", "</name>", text runs joined and bracketed.
class Recorder : public intake::XmlHandler {
public:
    void start(std::string_view name, const char** attrs) override {
        flush();
        out += "<" + std::string(name);
        for (int i = 0; attrs[i]; i += 2) out += " " + std::string(attrs[i]) + "=" + attrs[i + 1];
        out += ">";
    }
    void end(std::string_view name) override {
        flush();
        out += "</" + std::string(name) + ">";
    }
    void text(std::string_view s) override { text_ += s; }
    void reset() override {
        out.clear();
        text_.clear();
    }
    std::string result() {
        flush();
        return out;
    }
    std::string out;

private:
    void flush() {
        if (!text_.empty()) out += "[" + text_ + "]";
        text_.clear();
    }
    std::string text_;
};

std::string_view local(const char* name) {
    std::string_view n(name);
    const auto colon = n.rfind(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

// Expat's reading, or nullopt when it refuses the document.
std::optional<std::string> expat(const std::string& doc) {
    Recorder recorder;
    XML_Parser parser = XML_ParserCreate(nullptr);
    XML_SetUserData(parser, &recorder);
    XML_SetElementHandler(
        parser,
        [](void* r, const XML_Char* name, const XML_Char** attrs) {
            static_cast<Recorder*>(r)->start(local(name), attrs);
        },
        [](void* r, const XML_Char* name) { static_cast<Recorder*>(r)->end(local(name)); });
    XML_SetCharacterDataHandler(parser, [](void* r, const XML_Char* s, int len) {
        static_cast<Recorder*>(r)->text(std::string_view(s, std::size_t(len)));
    });
    const bool ok = XML_Parse(parser, doc.data(), int(doc.size()), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(parser);
    if (!ok) return std::nullopt;
    return recorder.result();
}

// The scanner's reading in chunks of `piece` bytes, or nullopt when it gives the document up.
std::optional<std::string> scan(const std::string& doc, std::size_t piece = 1 << 16) {
    Recorder recorder;
    std::size_t at = 0;
    const intake::XmlSource source = [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, piece, doc.size() - at});
        std::memcpy(buffer, doc.data() + at, n);
        at += n;
        return n;
    };
    if (!intake::scanPlainXml(source, recorder)) return std::nullopt;
    return recorder.result();
}

const std::string kSheet =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n"
    "<!-- written by hand -->"
    "<x:worksheet xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
    "<x:dimension ref='A1:C2'/><x:sheetData>\n"
    "  <x:row r=\"1\"><x:c r=\"A1\" t=\"s\"><x:v>0</x:v></x:c>"
    "<x:c r=\"B1\" t=\"inlineStr\"><x:is><x:t xml:space=\"preserve\"> a &amp; b &lt;&gt; "
    "&quot;&apos; &#65;&#x0E01;&#x1F600; </x:t></x:is></x:c>"
    "<x:c r=\"C1\" t=\"str\" note=\"a&#10;b\tc\r\nd &gt; "
    "e\"><x:f>1&gt;0</x:f><x:v>line\r\nnext\rlast"
    "</x:v></x:c></x:row>\n"
    "  <x:row r=\"2\" spans=\"1:3\"><x:c r=\"A2\"><x:v><![CDATA[1<2 & \r\n]]></x:v></x:c>"
    "<x:c r=\"B2\" t=\"s\"><x:v>ไทย ]] > </x:v></x:c><x:c r=\"C2\" s=\"1\"/></x:row>\n"
    "</x:sheetData><?mso-application progid=\"Excel.Sheet\"?></x:worksheet>\n<!-- end -->\n";

TEST(XmlScan, ReadsWhatExpatReadsWhateverTheChunks) {
    const auto expected = expat(kSheet);
    ASSERT_TRUE(expected.has_value());
    for (std::size_t piece : {std::size_t(1), std::size_t(2), std::size_t(3), std::size_t(7),
                              std::size_t(64), std::size_t(1) << 16}) {
        EXPECT_EQ(scan(kSheet, piece), expected) << "chunks of " << piece;
    }
    // A part larger than one chunk of the reader.
    std::string big = "<sheetData>";
    for (int r = 1; r <= 4000; ++r)
        big += "<row r=\"" + std::to_string(r) + "\"><c r=\"A" + std::to_string(r) +
               "\" t=\"s\"><v>" + std::to_string(r % 97) + "</v></c><c><v>&#3585;</v></c></row>";
    big += "</sheetData>";
    EXPECT_EQ(scan(big), expat(big));
    EXPECT_EQ(scan(big, 4093), expat(big));
}

// What it does not handle itself it gives up, for expat to read or refuse.
TEST(XmlScan, LeavesOtherEncodingsDtdsAndEveryFaultToExpat) {
    const std::vector<std::string> givenUp = {
        // Read by expat, but not plain.
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a>\xE9</a>",
        "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>",
        std::string("\xFF\xFE<\0a\0/\0>\0", 10),
        "<a b=\"1\"/><?xml version=\"1.0\"?>",
        "<\xE0\xB8\x81/>",
        // Refused by expat.
        "",
        "   ",
        "<a>",
        "<a></b>",
        "<a><b></a></b>",
        "<a/><b/>",
        "text<a/>",
        "<a/>text",
        "<a b=1/>",
        "<a b=\"1\"c=\"2\"/>",
        "<a b=\"1\" b=\"2\"/>",
        "<a b=\"<\"/>",
        "<a>&unknown;</a>",
        "<a>&#0;</a>",
        "<a>&#xD800;</a>",
        "<a>&#1114112;</a>",
        "<a>& b</a>",
        "<a>]]></a>",
        "<a>\x01</a>",
        "<a>\xC3</a>",
        "<a>\xC0\xAF</a>",
        "<a>\xED\xA0\x80</a>",
        "<a>\xEF\xBF\xBE</a>",
        "<a><!-- a -- b --></a>",
        "<a><!-- a ---></a>",
        "<a><![CDATA[ open </a>",
        "< a/>",
        "<1a/>",
        "<a></a",
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a/><?xml version=\"1.0\"?>",
        " <?xml version=\"1.0\"?><a/>",
        "<?xml encoding=\"UTF-8\"?><a/>",
    };
    for (const std::string& doc : givenUp) EXPECT_EQ(scan(doc), std::nullopt) << doc;
}

// Every one-byte change of a sheet: read as expat reads it, or left to expat.
TEST(XmlScan, NeverReadsADamagedSheetOtherwiseThanExpat) {
    const std::string bytes = "<>&;\"'/=]!?-\x01\xC3\xA0\r\n x";
    int read = 0, givenUp = 0;
    for (std::size_t i = 0; i < kSheet.size(); ++i) {
        for (std::size_t variant = 0; variant <= bytes.size(); ++variant) {
            std::string doc = kSheet;
            if (variant == bytes.size()) {
                doc.erase(i, 1);
            } else {
                doc[i] = bytes[variant];
            }
            const auto mine = scan(doc, 5);
            if (!mine) {
                ++givenUp;
                continue;
            }
            ++read;
            const auto theirs = expat(doc);
            ASSERT_TRUE(theirs.has_value()) << "expat refuses what was read: " << doc;
            ASSERT_EQ(*mine, *theirs) << doc;
        }
    }
    // Both kinds happen: the changes are not all fatal, nor all harmless.
    EXPECT_GT(read, 1000);
    EXPECT_GT(givenUp, 1000);
}

}  // namespace
