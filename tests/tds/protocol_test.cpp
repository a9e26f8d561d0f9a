// Reading what clients send, and writing values as SQL Server does, byte for byte.
#include <gtest/gtest.h>

#include "tsqlite/error.h"
#include "tsqlite/tds/protocol.h"
#include "tsqlite/tds/values.h"
#include "tsqlite/tds/wire.h"

using namespace tsqlite;
using namespace tsqlite::tds;

namespace {

std::string hex(const std::string& b) {
    static const char* d = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : b) {
        out += d[c >> 4];
        out += d[c & 15];
    }
    return out;
}

std::string valueBytes(const SqlType& t, const Value& v) {
    Writer w;
    writeValue(w, t, v);
    return hex(w.buffer());
}

std::string rpcHeader(const std::string& name) {
    Writer w;
    w.u32(4);  // empty ALL_HEADERS
    w.u16(static_cast<uint16_t>(name.size()));
    w.bytes(utf8ToUtf16(name));
    w.u16(0);
    return w.buffer();
}

}  // namespace

TEST(Packets, HeadersAreCheckedAndMessagesJoined) {
    EXPECT_THROW(parseHeader(std::string("\x01\x01\x00\x07\x00\x00\x01\x00", 8)), ProtocolError);
    EXPECT_THROW(parseHeader(std::string("\x01\x01\x80\x00\x00\x00\x01\x00", 8), 4096),
                 ProtocolError);
    EXPECT_THROW(parseHeader(std::string("\x05\x01\x00\x08\x00\x00\x01\x00", 8)), ProtocolError);
    EXPECT_THROW(parseHeader(std::string("\x01\x01", 2)), ProtocolError);

    // Two packets of one batch, then a lone attention.
    std::string stream = std::string("\x01\x00\x00\x0A\x00\x00\x01\x00", 8) + "ab" +
                         std::string("\x01\x01\x00\x09\x00\x00\x02\x00", 8) + "c" +
                         std::string("\x06\x01\x00\x08\x00\x00\x01\x00", 8);
    auto ms = splitMessages(stream);
    ASSERT_EQ(ms.size(), 2u);
    EXPECT_EQ(ms[0].type, kSqlBatch);
    EXPECT_EQ(ms[0].payload, "abc");
    EXPECT_EQ(ms[1].type, kAttention);
    // A packet of another type inside an unfinished message.
    EXPECT_THROW(splitMessages(std::string("\x01\x00\x00\x09\x00\x00\x01\x00x", 9) +
                               std::string("\x03\x01\x00\x08\x00\x00\x01\x00", 8)),
                 ProtocolError);
}

TEST(Packets, TextsTravelAsUtf16AndCodePage874) {
    const std::string thai = "ข้าว ๕ กก.";
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16(thai)), thai);
    EXPECT_EQ(hex(utf8ToUtf16("ก")), "010E");
    EXPECT_EQ(hex(utf8ToCp874("กข")), "A1A2");
    EXPECT_EQ(cp874ToUtf8(utf8ToCp874(thai)), thai);
    // Characters code page 874 lacks become '?', as SQL Server stores them in varchar.
    EXPECT_EQ(utf8ToCp874("a€中"), "a\x80?");
    // A lone surrogate and broken UTF-8 are not passed on as they are.
    EXPECT_EQ(utf16ToUtf8(std::string("\x00\xD8", 2)), "\xEF\xBF\xBD");
    EXPECT_EQ(hex(utf8ToUtf16("\xE0\xB8")), "FDFFFDFF");
}

TEST(Values, NumbersDatesAndTextsAreWrittenAsSqlServerDoes) {
    EXPECT_EQ(valueBytes(sqlType(BaseType::Int), Value::integer(-2)), "04FEFFFFFF");
    EXPECT_EQ(valueBytes(sqlType(BaseType::Bit), Value::integer(5)), "0101");
    EXPECT_EQ(valueBytes(sqlType(BaseType::Int), Value::null()), "00");
    // decimal(9,2) 12.34: length, sign, 1234 little-endian.
    EXPECT_EQ(valueBytes(sqlType(BaseType::Decimal, 0, 9, 2), Value::real(12.34)), "0501D2040000");
    EXPECT_EQ(valueBytes(sqlType(BaseType::Decimal, 0, 18, 2), Value::real(-0.5)),
              "09003200000000000000");
    // money 5.5 = 55000 ten-thousandths, the high half first.
    EXPECT_EQ(valueBytes(sqlType(BaseType::Money), Value::real(5.5)), "0800000000D8D60000");
    // datetime: days since 1900-01-01 and 1/300 seconds.
    EXPECT_EQ(valueBytes(sqlType(BaseType::DateTime), Value::text("1900-01-02 00:00:01.000")),
              "08010000002C010000");
    EXPECT_EQ(valueBytes(sqlType(BaseType::DateTime), Value::text("1899-12-31 00:00:00.000")),
              "08FFFFFFFF00000000");
    EXPECT_EQ(valueBytes(sqlType(BaseType::Date), Value::text("0001-01-02")), "03010000");
    EXPECT_EQ(valueBytes(sqlType(BaseType::VarChar, 10), Value::text("ก")), "0100A1");
    EXPECT_EQ(valueBytes(sqlType(BaseType::NVarChar, 10), Value::null()), "FFFF");
    EXPECT_EQ(valueBytes(sqlType(BaseType::NVarChar, -1), Value::text("a")),
              "0200000000000000020000006100"
              "00000000");
    EXPECT_EQ(valueBytes(sqlType(BaseType::VarBinary, -1), Value::null()), "FFFFFFFFFFFFFFFF");
}

TEST(Values, NumbersBeyondTheirWireFormAreAnErrorNotAWrappedValue) {
    Writer w;
    EXPECT_THROW(writeValue(w, sqlType(BaseType::Decimal, 0, 38, 0), Value::real(1e300)),
                 tsqlite::Error);
    EXPECT_THROW(writeValue(w, sqlType(BaseType::Money), Value::real(1e16)), tsqlite::Error);
    EXPECT_THROW(writeValue(w, sqlType(BaseType::SmallMoney), Value::real(300000.0)),
                 tsqlite::Error);
    EXPECT_NO_THROW(writeValue(w, sqlType(BaseType::SmallMoney), Value::real(-214748.3648)));
}

TEST(Rpc, DecimalAndMoneyParametersKeepEveryDigit) {
    Writer w;
    w.bytes(rpcHeader("dbo.P"));
    // @a decimal(19,4) = 922337203685477.5807 (money's greatest value), beyond a double's digits
    w.bVarchar("@a"), w.u8(0), w.u8(0x6A), w.u8(9), w.u8(19), w.u8(4), w.u8(9), w.u8(1),
        w.u64(0x7FFFFFFFFFFFFFFFULL);
    // @b money = -922337203685477.5808, the high half first
    w.bVarchar("@b"), w.u8(0), w.u8(0x6E), w.u8(8), w.u8(8), w.u32(0x80000000u), w.u32(0);
    // @c decimal(38,10) = -1.5: scaled too, in ten-billionths
    w.bVarchar("@c"), w.u8(0), w.u8(0x6A), w.u8(17), w.u8(38), w.u8(10), w.u8(17), w.u8(0),
        w.u64(15000000000ULL), w.u64(0);

    auto calls = parseRpc(w.buffer());
    ASSERT_EQ(calls.size(), 1u);
    const auto& p = calls[0].params;
    ASSERT_EQ(p.size(), 3u);
    EXPECT_EQ(p[0].value.kind, tsqlite::Value::Kind::Int);
    EXPECT_EQ(p[0].value.i, INT64_MAX);
    EXPECT_EQ(p[1].type.base, BaseType::Money);
    EXPECT_EQ(p[1].value.kind, tsqlite::Value::Kind::Int);
    EXPECT_EQ(p[1].value.i, INT64_MIN);
    EXPECT_EQ(p[2].value.kind, tsqlite::Value::Kind::Int);
    EXPECT_EQ(p[2].value.i, -15000000000LL);
}

TEST(Rpc, TypedParametersAreRead) {
    Writer w;
    w.bytes(rpcHeader("dbo.P"));
    // @a int = 7
    w.bVarchar("@a"), w.u8(0), w.u8(0x26), w.u8(4), w.u8(4), w.u32(7);
    // @b nvarchar(20) OUTPUT = N'ไทย'
    std::string thai = utf8ToUtf16("ไทย");
    w.bVarchar("@b"), w.u8(1), w.u8(0xE7), w.u16(40), w.bytes(std::string(kCollation, 5));
    w.u16(static_cast<uint16_t>(thai.size())), w.bytes(thai);
    // @c decimal(10,2) = -12.50
    w.bVarchar("@c"), w.u8(0), w.u8(0x6A), w.u8(9), w.u8(10), w.u8(2), w.u8(5), w.u8(0),
        w.u32(1250);
    // @d datetime NULL
    w.bVarchar("@d"), w.u8(0), w.u8(0x6F), w.u8(8), w.u8(0);
    // @e varchar(max) in two chunks
    w.bVarchar("@e"), w.u8(0), w.u8(0xA7), w.u16(0xFFFF), w.bytes(std::string(kCollation, 5));
    w.u64(3), w.u32(1), w.bytes("\xA1"), w.u32(2), w.bytes("ab"), w.u32(0);
    // @f datetime2(3) 2024-02-29 13:45:01.123
    w.bVarchar("@f"), w.u8(0), w.u8(0x2A), w.u8(3), w.u8(7);
    uint32_t ms = ((13 * 60 + 45) * 60 + 1) * 1000 + 123;
    w.u8(static_cast<uint8_t>(ms)), w.u8(static_cast<uint8_t>(ms >> 8)),
        w.u8(static_cast<uint8_t>(ms >> 16)), w.u8(static_cast<uint8_t>(ms >> 24));
    uint32_t days = 738944;  // 2024-02-29 from 0001-01-01
    w.u8(static_cast<uint8_t>(days)), w.u8(static_cast<uint8_t>(days >> 8)),
        w.u8(static_cast<uint8_t>(days >> 16));

    auto calls = parseRpc(w.buffer());
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].name, "dbo.P");
    const auto& p = calls[0].params;
    ASSERT_EQ(p.size(), 6u);
    EXPECT_EQ(p[0].value.i, 7);
    EXPECT_EQ(p[0].type.base, BaseType::Int);
    EXPECT_TRUE(p[1].output);
    EXPECT_EQ(p[1].value.s, "ไทย");
    EXPECT_EQ(declaration(p[1].type), "nvarchar(20)");
    // The scaled integer of the declared type, as the engine keeps decimals.
    EXPECT_EQ(p[2].value.kind, Value::Kind::Int);
    EXPECT_EQ(p[2].value.i, -1250);
    EXPECT_EQ(declaration(p[2].type), "decimal(10,2)");
    EXPECT_TRUE(p[3].value.isNull());
    EXPECT_EQ(p[3].type.base, BaseType::DateTime);
    EXPECT_EQ(p[4].value.s, "กab");
    EXPECT_EQ(p[4].type.length, -1);
    EXPECT_EQ(p[5].value.s, "2024-02-29 13:45:01.123");
}

TEST(Rpc, LengthsBeyondTheMessageAreRefused) {
    std::string head = rpcHeader("P");
    Writer w;
    w.bytes(head);
    w.bVarchar("@a"), w.u8(0), w.u8(0xE7), w.u16(40), w.bytes(std::string(kCollation, 5));
    w.u16(400), w.bytes("ab");  // says 400 bytes, holds 2
    EXPECT_THROW(parseRpc(w.buffer()), ProtocolError);

    Writer plp;
    plp.bytes(head);
    plp.bVarchar("@a"), plp.u8(0), plp.u8(0xA5), plp.u16(0xFFFF);
    plp.u64(5), plp.u32(0x7FFFFFFF);  // a chunk far beyond the message
    EXPECT_THROW(parseRpc(plp.buffer()), ProtocolError);

    Writer allHeaders;
    allHeaders.u32(1000);  // ALL_HEADERS longer than the message
    EXPECT_THROW(parseRpc(allHeaders.buffer()), ProtocolError);
    EXPECT_THROW(parseSqlBatch(allHeaders.buffer()), ProtocolError);

    // An unknown type is the request's error, not the connection's.
    Writer unknown;
    unknown.bytes(head);
    unknown.bVarchar("@a"), unknown.u8(0), unknown.u8(0x62);
    EXPECT_THROW(parseRpc(unknown.buffer()), tsqlite::Error);
}

TEST(Login7, FieldsAreReadAndCheckedAgainstTheMessage) {
    // Built by the tests' client; a name offset past the end is refused.
    std::string user = utf8ToUtf16("qarn");
    Writer w;
    w.u32(94 + static_cast<uint32_t>(user.size()));
    w.u32(0x74000004);
    w.u32(8192);
    w.bytes(std::string(24, '\0'));
    for (int i = 0; i < 9; ++i) {
        w.u16(94);
        w.u16(i == 1 ? 4 : 0);
    }
    w.bytes(std::string(94 - 72, '\0'));
    w.bytes(user);
    Login7 l = parseLogin7(w.buffer());
    EXPECT_EQ(l.userName, "qarn");
    EXPECT_EQ(l.packetSize, 8192u);
    EXPECT_EQ(l.tdsVersion, 0x74000004u);
    std::string bad = w.buffer();
    bad[42] = 9;  // 9 characters from offset 94: beyond the message
    EXPECT_THROW(parseLogin7(bad), ProtocolError);
}
