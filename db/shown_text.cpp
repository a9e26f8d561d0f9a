#include "db/shown_text.h"

namespace db {

namespace {

QString hex(uint value, int digits) {
    return QStringLiteral("%1").arg(value, digits, 16, QLatin1Char('0')).toUpper();
}

// One character of outside input as shown.
void appendShown(QString& out, char32_t c) {
    switch (c) {
        case U'\n':
            out += QLatin1String("\\n");
            return;
        case U'\r':
            out += QLatin1String("\\r");
            return;
        case U'\t':
            out += QLatin1String("\\t");
            return;
        default:
            break;
    }
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
        out += QLatin1String("\\x") + hex(c, 2);
        return;
    }
    // Lone surrogates, and characters that change the order or the look of what follows them
    // without showing themselves (direction overrides, zero-width characters, line and
    // paragraph separators).
    const QChar::Category category = QChar::category(c);
    if ((c >= 0xD800 && c <= 0xDFFF) || category == QChar::Other_Format ||
        category == QChar::Separator_Line || category == QChar::Separator_Paragraph ||
        category == QChar::Other_NotAssigned) {
        out += QLatin1String("\\u") + hex(c, c > 0xFFFF ? 6 : 4);
        return;
    }
    out += QString::fromUcs4(&c, 1);
}

// The length of the valid UTF-8 sequence at `i` and its character; 0 when the byte there
// starts none (stray continuation byte, overlong form, surrogate, beyond U+10FFFF, cut short).
int decodeUtf8(QByteArrayView bytes, qsizetype i, char32_t* c) {
    const auto byte = [&](qsizetype k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char b0 = byte(i);
    if (b0 < 0x80) {
        *c = b0;
        return 1;
    }
    int length = 0;
    char32_t value = 0;
    char32_t least = 0;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, value = b0 & 0x1F, least = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, value = b0 & 0x0F, least = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, value = b0 & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (int k = 1; k < length; ++k) {
        const unsigned char b = byte(i + k);
        if ((b & 0xC0) != 0x80) return 0;
        value = (value << 6) | (b & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
    *c = value;
    return length;
}

QString cutMark(qsizetype total, const char* unit) {
    return QStringLiteral("...(%1 %2)").arg(total).arg(QLatin1String(unit));
}

}  // namespace

QString shownText(QStringView text, qsizetype limit) {
    QString out;
    qsizetype i = 0;
    for (qsizetype shown = 0; i < text.size() && shown < limit; ++shown) {
        char32_t c = text[i].unicode();
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(text[i], text[i + 1]);
            ++i;
        }
        ++i;
        appendShown(out, c);
    }
    if (i < text.size()) out += cutMark(text.size(), "characters");
    return out;
}

QString shownBytes(QByteArrayView bytes, qsizetype limit) {
    QString out;
    qsizetype i = 0;
    for (qsizetype shown = 0; i < bytes.size() && shown < limit; ++shown) {
        char32_t c = 0;
        const int length = decodeUtf8(bytes, i, &c);
        if (length == 0) {
            out += QLatin1String("\\x") + hex(static_cast<unsigned char>(bytes[i]), 2);
            ++i;
        } else {
            appendShown(out, c);
            i += length;
        }
    }
    if (i < bytes.size()) out += cutMark(bytes.size(), "bytes");
    return out;
}

QString oneLine(QStringView message, qsizetype limit) {
    // Line breaks become blanks first (a run of them one blank), so that only the characters
    // shown are read; what is left is cut and escaped like any outside text.
    QString flat;
    qsizetype i = 0;
    while (i < message.size() && (message[i] == u'\r' || message[i] == u'\n' || message[i] == u' '))
        ++i;
    for (; i < message.size() && flat.size() <= limit; ++i) {
        const QChar c = message[i];
        if (c == u'\r' || c == u'\n') {
            while (i + 1 < message.size() && (message[i + 1] == u'\r' || message[i + 1] == u'\n'))
                ++i;
            if (!flat.endsWith(u' ')) flat += u' ';
        } else {
            flat += c;
        }
    }
    if (i < message.size()) {
        // Cut: the mark counts the whole message.
        QString shown = shownText(QStringView(flat).left(limit), limit);
        return shown + cutMark(message.size(), "characters");
    }
    return shownText(QStringView(flat).trimmed(), limit);
}

}  // namespace db
