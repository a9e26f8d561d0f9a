// Outside input as errors and labels quote it: short, on one line, every byte visible.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QTemporaryDir>

#include "db/connection.h"
#include "db/database_error.h"
#include "db/shown_text.h"
#include "printers.h"

using namespace db;

namespace {

TEST(ShownText, PrintableTextIsShownAsItStands) {
    for (const QString& text :
         {QString(), QStringLiteral("02:00"), QStringLiteral("SQLHOST\\NWX,1433  "),
          QStringLiteral("ข้าวหอมมะลิ ๕ กก.")}) {
        EXPECT_EQ(shownText(text), text);
        EXPECT_EQ(shownBytes(text.toUtf8()), text);
    }
}

TEST(ShownText, ControlAndInvisibleCharactersAreEscaped) {
    EXPECT_EQ(shownText(u"a\nb\r\tc"), QStringLiteral("a\\nb\\r\\tc"));
    // A terminal's escape sequence, DEL, a C1 control, a right-to-left override, a line
    // separator and a zero-width space show as codes.
    EXPECT_EQ(shownText(u"\x1B[2J\x7F\x85"), QStringLiteral("\\x1B[2J\\x7F\\x85"));
    EXPECT_EQ(shownText(u"ab\u202Ecd\u2028\u200B"), QStringLiteral("ab\\u202Ecd\\u2028\\u200B"));
    EXPECT_EQ(shownText(QStringView(u"x\0y", 3)), QStringLiteral("x\\x00y"));
    // A surrogate without its partner; a pair is one character and kept.
    const char16_t lone[] = {u'a', 0xD800, u'b'};
    EXPECT_EQ(shownText(QStringView(lone, 3)), QStringLiteral("a\\uD800b"));
    EXPECT_EQ(shownText(u"\U0001F600"), QStringLiteral("\U0001F600"));
}

TEST(ShownText, BytesThatAreNotUtf8ShowAsHexCodes) {
    EXPECT_EQ(shownBytes(QByteArray("ok\xFF\xFE", 4)), QStringLiteral("ok\\xFF\\xFE"));
    // An overlong "/", an encoded surrogate, a sequence cut short at the end.
    EXPECT_EQ(shownBytes(QByteArray("\xC0\xAF", 2)), QStringLiteral("\\xC0\\xAF"));
    EXPECT_EQ(shownBytes(QByteArray("\xED\xA0\x80", 3)), QStringLiteral("\\xED\\xA0\\x80"));
    EXPECT_EQ(shownBytes(QByteArray("\xE0\xB8", 2)), QStringLiteral("\\xE0\\xB8"));
    EXPECT_EQ(shownBytes(QByteArray("\0\x01", 2)), QStringLiteral("\\x00\\x01"));
    // Thai in UTF-8 between the garbage is still read as Thai.
    EXPECT_EQ(shownBytes(QByteArray("\x80") + QStringLiteral("ก").toUtf8() + "\x80"),
              QStringLiteral("\\x80ก\\x80"));
}

TEST(ShownText, LongInputIsCutWithItsLength) {
    const QString parameter(3000, u'1');
    const QString shown = shownText(parameter);
    EXPECT_EQ(shown, QString(kShownTextLimit, u'1') + QStringLiteral("...(3000 characters)"));
    EXPECT_EQ(shownText(parameter, 4), QStringLiteral("1111...(3000 characters)"));
    // Exactly the limit is not cut.
    EXPECT_EQ(shownText(QString(kShownTextLimit, u'x')), QString(kShownTextLimit, u'x'));
    // The limit counts characters shown, not the escapes they became.
    EXPECT_EQ(shownText(u"\n\n\n\n\n", 3), QStringLiteral("\\n\\n\\n...(5 characters)"));
    const QByteArray file(20'000'000, '\xFF');
    const QString bytes = shownBytes(file, 2);
    EXPECT_EQ(bytes, QStringLiteral("\\xFF\\xFF...(20000000 bytes)"));
    // A pair is not split at the cut.
    EXPECT_EQ(shownText(u"a\U0001F600b", 2), QStringLiteral("a\U0001F600...(4 characters)"));
}

TEST(ShownText, OneLineJoinsTheLinesOfAMessage) {
    EXPECT_EQ(oneLine(u"\rINVALID OBJECT NAME 'X'.\r"), QStringLiteral("INVALID OBJECT NAME 'X'."));
    EXPECT_EQ(oneLine(u"การส่ง\n\rสาขาที่ database มีปัญหา \n\r0013"),
              QStringLiteral("การส่ง สาขาที่ database มีปัญหา 0013"));
    EXPECT_EQ(oneLine(u"a\tb\x1B"), QStringLiteral("a\\tb\\x1B"));
    EXPECT_EQ(oneLine(QString(5000, u'e') + u'\n', 10),
              QStringLiteral("eeeeeeeeee...(5001 characters)"));
    EXPECT_EQ(oneLine(u""), QString());
}

// ---- where the connection quotes a server's name ----------------------------------------

TEST(ServerNames, AnUnreachableServerIsQuotedShortAndEscaped) {
    const QString name = QStringLiteral("/nonexistent/") + QString(3000, u'x') + u'\x1B';
    Connection c(QStringLiteral("DMDATA"));
    c.setParams(connectionParameterList(QStringLiteral("Shop"), name, 60));
    try {
        c.open();
        FAIL() << "opened a server that is not there";
    } catch (const DatabaseError& e) {
        EXPECT_TRUE(e.isConnectionFailure());
        EXPECT_LT(e.message().size(), 300) << e.what();
        EXPECT_TRUE(e.message().contains(QStringLiteral("characters)"))) << e.what();
        EXPECT_FALSE(e.message().contains(u'\x1B'));
    }
}

// Hosts are names and folders are paths: "server" names a host even where a folder "server"
// is. When the host cannot be reached, the error says how to write the folder.
TEST(ServerNames, AFolderNameThatFailsAsAHostIsExplained) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("server")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("work/server")));
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QDir(dir.path()).filePath(QStringLiteral("work"))));
    const auto errorFor = [](const QString& name) {
        Connection c(QStringLiteral("DmCfg"));
        c.setParams(connectionParameterList(QStringLiteral("QARN_CONFIG_NWX"), name, 60));
        try {
            c.open();
        } catch (const DatabaseError& e) {
            return e.message();
        }
        return QStringLiteral("(connected)");
    };
    const QString here = errorFor(QStringLiteral("server"));
    const QString above = errorFor(QStringLiteral("../server"));
    const QString noFolder = errorFor(QStringLiteral("nosuchhost"));
    QDir::setCurrent(previous);

    EXPECT_TRUE(here.endsWith(QStringLiteral("write \"./server\"."))) << here.toStdString();
    EXPECT_TRUE(above.endsWith(QStringLiteral("write \"./../server\"."))) << above.toStdString();
    EXPECT_NE(noFolder, QStringLiteral("(connected)"));
    EXPECT_FALSE(noFolder.contains(QStringLiteral("is a folder here"))) << noFolder.toStdString();
}

}  // namespace
